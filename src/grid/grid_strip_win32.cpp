// The row-header strip at the left of the grid's container: its geometry
// follows the list view's rows, the container paints it through the
// grid's painter and its mouse messages become the strip's rules.
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>

#include "grid/grid_draw_win32.h"
#include "grid/grid_geometry.h"
#include "grid/grid_list_win32.h"
#include "grid/grid_win32.h"

namespace vantorel {
// Where the list's rows are, in container coordinates.
GridStripRows GridControl::StripRows() {
  GridStripRows g;
  POINT origin{0, 0};
  MapWindowPoints(listWindow, containerWindow, &origin, 1);
  RECT client{};
  GetClientRect(listWindow, &client);
  g.rowsTop = origin.y + static_cast<int>(list->core.look.headerHeight);
  g.listBottom = origin.y + client.bottom;
  g.count = RowTotal();
  if (g.count > 0) {
    g.topIndex = SendMessageW(listWindow, LVM_GETTOPINDEX, 0, 0);
    RECT item{};
    item.left = LVIR_BOUNDS;
    if (SendMessageW(listWindow, LVM_GETITEMRECT, static_cast<WPARAM>(g.topIndex), reinterpret_cast<LPARAM>(&item))) {
      g.firstRowTop = origin.y + item.top;
      g.itemHeight = item.bottom - item.top;
    }
  }
  return g;
}

RECT GridControl::StripCellRect(std::int64_t row) {
  if (!Alive()) return RECT{};
  const auto span = list->core.strip.CellSpan(row == -1 ? GridStripRows{} : StripRows(), row,
                                              static_cast<int>(list->core.look.headerHeight));
  if (!span) return RECT{};
  return RECT{0, span->first, static_cast<LONG>(list->core.strip.width), span->second};
}

void GridControl::RefreshStrip() {
  if (!redrawOff && containerWindow) InvalidateRect(containerWindow, nullptr, FALSE);
}

void GridControl::RefreshStripCell(std::int64_t row) {
  if (redrawOff) return;
  const RECT cell = StripCellRect(row);
  if (cell.right > cell.left && cell.bottom > cell.top) InvalidateRect(containerWindow, &cell, FALSE);
}

void GridControl::CaptureStrip() { SetCapture(containerWindow); }

void GridControl::ReleaseStrip() {
  if (containerWindow && GetCapture() == containerWindow) ReleaseCapture();
}

bool GridControl::StripCellsPress() { return !(GetWindowLongPtrW(listWindow, GWL_STYLE) & LVS_NOSORTHEADER); }

void GridControl::FocusList() { SetFocus(listWindow); }

void GridControl::PaintStrip(HDC dc, const RECT& update) {
  if (!Alive()) return;
  auto colourOf = [](HBRUSH brush) {
    LOGBRUSH facts{};
    return GetObjectW(brush, sizeof(facts), &facts) ? static_cast<std::int64_t>(facts.lbColor) : -1;
  };
  RECT client{};
  GetClientRect(containerWindow, &client);
  GridStripPaint paint;
  paint.rows = StripRows();
  stripTopIndex = static_cast<int>(paint.rows.topIndex);
  paint.client = CellBox{client.left, client.top, client.right, client.bottom};
  paint.update = CellBox{update.left, update.top, update.right, update.bottom};
  paint.headerShown = list->HeaderItemCount() > 1 || paint.rows.count > 0;
  paint.listHidden = listHidden;
  paint.emptyColour = colourOf(emptyAreaBrush);
  paint.stripColour = colourOf(stripBrush);
  HFONT headerFont = headerWindow ? reinterpret_cast<HFONT>(SendMessageW(headerWindow, WM_GETFONT, 0, 0)) : nullptr;
  paint.format = [this, headerFont](std::int64_t row) {
    CellEvent format = list->FormatRecord(row, -1);
    if (row == -1 && headerFont) format.font = headerFont;
    return format;
  };
  const auto canvas = MakeGridCanvas(dc, list->ListFont(), images.get(), stripMetrics, &stripImages);
  vantorel::PaintStrip(list->core, *canvas, paint);
}

LRESULT GridControl::OnContainerMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the paint handler covers everything the list does not
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      HDC dc = BeginPaint(window, &ps);
      PaintStrip(dc, ps.rcPaint);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_PRINTCLIENT: {
      RECT all{};
      GetClientRect(window, &all);
      PaintStrip(reinterpret_cast<HDC>(wParam), all);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: {
      if (!Alive()) return 0;
      GridStrip& strip = list->core.strip;
      const int images = this->images ? ImageList_GetImageCount(this->images.get()) : 0;
      const GridStripHit hit = strip.HitTest(StripRows(), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
                                             static_cast<int>(list->core.look.headerHeight), images);
      const auto keys = static_cast<std::int64_t>(wParam);
      if (message == WM_LBUTTONDOWN) strip.OnButtonDown(hit, keys);
      if (message == WM_LBUTTONUP) strip.OnButtonUp(hit, keys);
      if (message == WM_MOUSEMOVE) strip.OnMove(hit, keys);
      if (message == WM_RBUTTONDOWN || message == WM_RBUTTONUP) strip.OnRightButton(message == WM_RBUTTONDOWN, hit, keys);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != window && list) list->core.strip.ForgetPress();
      return CallWindowProcW(oldContainerProc, window, message, wParam, lParam);
    case WM_NCDESTROY: {
      const WNDPROC old = oldContainerProc;
      RemoveGridProperty(window, kGridProp);
      if (GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&GridControl::ContainerProc))
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
      containerWindow = nullptr;
      return CallWindowProcW(old, window, message, wParam, lParam);
    }
    default:
      return CallWindowProcW(oldContainerProc, window, message, wParam, lParam);
  }
}

LRESULT CALLBACK GridControl::ContainerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* grid = static_cast<GridControl*>(GridProperty(window, kGridProp));
  if (!grid) return DefWindowProcW(window, message, wParam, lParam);
  return grid->OnContainerMessage(window, message, wParam, lParam);
}

LRESULT CALLBACK GridControl::ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* grid = static_cast<GridControl*>(GridProperty(window, kGridProp));
  if (!grid) return DefWindowProcW(window, message, wParam, lParam);
  const WNDPROC old = grid->oldListProc;
  switch (message) {
    case WM_NCDESTROY:
      RemoveGridProperty(window, kGridProp);
      if (GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&GridControl::ListProc))
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
      grid->listWindow = nullptr;
      return CallWindowProcW(old, window, message, wParam, lParam);
    case WM_SIZE:
    case WM_SETFONT: {
      // Row heights or the visible rows changed: the strip follows.
      const LRESULT result = CallWindowProcW(old, window, message, wParam, lParam);
      grid->RefreshStrip();
      return result;
    }
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN:
    case WM_PAINT:
    case LVM_ENSUREVISIBLE:
    case LVM_SCROLL: {
      const LRESULT result = CallWindowProcW(old, window, message, wParam, lParam);
      if (!grid->redrawOff && grid->listWindow &&
          SendMessageW(window, LVM_GETTOPINDEX, 0, 0) != grid->stripTopIndex)
        grid->RefreshStrip();
      return result;
    }
    default:
      return CallWindowProcW(old, window, message, wParam, lParam);
  }
}

LRESULT CALLBACK GridControl::HeaderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* grid = static_cast<GridControl*>(GridProperty(window, kGridProp));
  if (!grid) return DefWindowProcW(window, message, wParam, lParam);
  const WNDPROC old = grid->oldHeaderProc;
  if (message == WM_NCDESTROY) {
    RemoveGridProperty(window, kGridProp);
    if (GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&GridControl::HeaderProc))
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
    grid->headerWindow = nullptr;
  }
  return CallWindowProcW(old, window, message, wParam, lParam);
}

}  // namespace vantorel
