// The row-header strip at the left of the grid's container: its geometry
// follows the list view's rows, its cells are painted by the container and
// its mouse handling raises the strip events.
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>

#include "grid/grid_draw_win32.h"
#include "grid/grid_geometry.h"
#include "grid/grid_list_win32.h"
#include "grid/grid_win32.h"

namespace vantorel {
namespace {

using grid_handles::SavedDc;
using grid_handles::SelectedObject;
using grid_handles::UniqueBitmap;
using grid_handles::UniqueBrush;
using grid_handles::UniqueDc;

// Where the list's rows are, in container coordinates.
struct RowGeometry {
  int listTop = 0;     // client origin of the list view
  int rowsTop = 0;     // first pixel below the column header
  int listBottom = 0;  // end of the list's client area
  int firstRowTop = 0; // top of the list's top row
  int itemHeight = 0;  // 0 without rows
  std::int64_t topIndex = 0;
  std::int64_t count = 0;
};

void FillSolid(HDC dc, const RECT& r, HBRUSH brush) {
  if (r.right > r.left && r.bottom > r.top && brush) FillRect(dc, &r, brush);
}

RowGeometry MeasureRows(HWND container, HWND listWindow, std::int64_t headerHeight, std::int64_t count) {
  RowGeometry g;
  POINT origin{0, 0};
  MapWindowPoints(listWindow, container, &origin, 1);
  RECT client{};
  GetClientRect(listWindow, &client);
  g.listTop = origin.y;
  g.rowsTop = origin.y + static_cast<int>(headerHeight);
  g.listBottom = origin.y + client.bottom;
  g.count = count;
  if (count > 0) {
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

}  // namespace

std::int64_t GridControl::RaiseStripEvent(GridEvent event, std::int64_t row, std::int64_t value, std::int64_t part) {
  CellEvent record;
  record.row = row;
  record.column = -1;
  record.value = value;
  record.part = part;
  return list->Raise(event, record);
}

RECT GridControl::StripCellRect(std::int64_t row) {
  RECT cell{};
  if (!Alive()) return cell;
  if (row == -1) return RECT{0, 0, static_cast<LONG>(stripWidth), static_cast<LONG>(list->headerHeight)};
  if (row < 0 || row >= RowTotal()) return cell;
  auto starts = [this](std::int64_t i) { return StartsGroup(i); };
  const RowGeometry g = MeasureRows(containerWindow, listWindow, list->headerHeight, RowTotal());
  if (g.itemHeight <= 0) return cell;
  const std::int64_t first = StripGroupFirstRow(row, starts);
  const std::int64_t end = StripGroupEndRow(first, g.count, starts);
  const std::int64_t top = g.firstRowTop + (first - g.topIndex) * g.itemHeight;
  const std::int64_t bottom = top + (end - first) * g.itemHeight + 1;
  if (bottom <= g.rowsTop || top >= g.listBottom) return cell;
  return RECT{0, static_cast<LONG>(std::max<std::int64_t>(top, g.rowsTop)), static_cast<LONG>(stripWidth),
              static_cast<LONG>(std::min<std::int64_t>(bottom, g.listBottom))};
}

GridControl::StripHit GridControl::HitTestStrip(int x, int y) {
  StripHit hit;
  if (!Alive() || x < 0 || x >= stripWidth || y < 0) return hit;
  if (y < list->headerHeight) {
    hit.row = -1;
    return hit;
  }
  const RowGeometry g = MeasureRows(containerWindow, listWindow, list->headerHeight, RowTotal());
  if (g.itemHeight <= 0 || y >= g.listBottom) return hit;
  const int offset = y - g.firstRowTop;
  const std::int64_t row = g.topIndex + (offset >= 0 ? offset / g.itemHeight : -((-offset + g.itemHeight - 1) / g.itemHeight));
  if (row < 0 || row >= g.count) return hit;
  auto starts = [this](std::int64_t i) { return StartsGroup(i); };
  const std::int64_t first = StripGroupFirstRow(row, starts);
  hit.row = first;
  if (flags & grid_flags::kOwnerDrawnStripHeader) return hit;
  const std::int64_t end = StripGroupEndRow(first, g.count, starts);
  const auto cellTop = static_cast<int>(g.firstRowTop + (first - g.topIndex) * g.itemHeight);
  StripCellFacts facts;
  facts.state = Row(first)->state;
  facts.indent = StripCellIndent(cellTop, g.rowsTop);
  facts.cellHeight = static_cast<int>((end - first) * g.itemHeight);
  facts.stripWidth = static_cast<int>(stripWidth);
  facts.imageCount = images ? ImageList_GetImageCount(images.get()) : 0;
  facts.builtInIcons = (flags & grid_flags::kBuiltInStripIcons) != 0;
  hit.part = StripIconPartAt(facts, x, y - cellTop);
  return hit;
}

void GridControl::RefreshStrip() {
  if (!redrawOff && containerWindow) InvalidateRect(containerWindow, nullptr, FALSE);
}

void GridControl::ForgetStripPress() {
  if (pressedStripHeader == -2) return;
  const std::int64_t pressed = pressedStripHeader;
  pressedStripHeader = -2;
  pressedInside = false;
  if (containerWindow && GetCapture() == containerWindow) ReleaseCapture();
  RefreshStripCell(pressed);
}

void GridControl::RefreshStripCell(std::int64_t row) {
  if (redrawOff) return;
  const RECT cell = StripCellRect(row);
  if (cell.right > cell.left && cell.bottom > cell.top) InvalidateRect(containerWindow, &cell, FALSE);
}

void GridControl::PaintStripCell(HDC dc, const RECT& cell, int cellHeight, std::int64_t row, bool pressed) {
  const int width = cell.right - cell.left;
  const int height = cell.bottom - cell.top;
  if (width <= 0 || height <= 0) return;
  HFONT headerFont = headerWindow ? reinterpret_cast<HFONT>(SendMessageW(headerWindow, WM_GETFONT, 0, 0)) : nullptr;
  if (row == -1 && (flags & grid_flags::kOwnerDrawnStripHeader)) {
    // The application paints the strip header into an image of its own.
    UniqueDc memory(CreateCompatibleDC(dc));
    UniqueBitmap image(CreateCompatibleBitmap(dc, width, height));
    if (!memory || !image) return;
    SelectedObject selectedImage(memory.get(), image.get());
    SelectedObject selectedFont(memory.get(), headerFont ? headerFont : list->ListFont());
    const RECT all{0, 0, width, height};
    FillRect(memory.get(), &all, SharedGridState().faceBrush);
    CellEvent draw;
    draw.row = -1;
    draw.column = -1;
    draw.value = reinterpret_cast<std::intptr_t>(memory.get());
    draw.x1 = width;
    draw.x2 = height;
    list->Raise(GridEvent::OwnerDraw, draw);
    BitBlt(dc, cell.left, cell.top, width, height, memory.get(), 0, 0, SRCCOPY);
    return;
  }

  CellEvent format = list->FormatRecord(row, -1);
  if (row == -1 && headerFont) format.font = headerFont;
  list->Raise(GridEvent::CellFormat, format);
  if (list->flags & grid_flags::kDrawHeader) {
    if (format.gradientTop != -1 && format.gradientBottom != -1) {
      FillGradient(dc, cell, format.gradientTop, format.gradientBottom);
    } else {
      UniqueBrush back(CreateSolidBrush(static_cast<COLORREF>(format.backColour)));
      FillSolid(dc, cell, back.get());
    }
    UniqueBrush frame(CreateSolidBrush(static_cast<COLORREF>(list->headerFrameColour)));
    FrameRect(dc, &cell, frame.get());
  } else {
    RECT button = cell;
    DrawFrameControl(dc, &button, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
  }

  const std::wstring text = row >= 0 ? list->ItemText(row, 0) : std::wstring();
  if (!text.empty()) {
    SavedDc saved(dc);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, static_cast<COLORREF>(format.textColour));
    HFONT font = format.font ? format.font : list->ListFont();
    SelectObject(dc, font);
    RECT area{cell.left + static_cast<LONG>(stripTextLeft), cell.top,
              cell.right - static_cast<LONG>(stripTextRight), cell.top + cellHeight};
    if (pressed && !(list->flags & grid_flags::kDrawHeader)) OffsetRect(&area, 1, 1);
    if (format.value == 1 || format.value == 2) {
      DrawTurnedText(dc, font, text, area, format.value == 1);
    } else {
      const UINT flagsText = AlignFlags(format.align) | DT_WORDBREAK | DT_NOPREFIX;
      RECT measured = area;
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, flagsText | DT_CALCRECT);
      area.top += std::max<LONG>(0, ((area.bottom - area.top) - (measured.bottom - measured.top)) / 2);
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, flagsText | DT_END_ELLIPSIS);
    }
  }

  const GridRow* record = Row(row);
  if (!images || !record || cellHeight <= kStripIconMinCellHeight) return;
  const int count = ImageList_GetImageCount(images.get());
  const int iconA = row_state::IconA(record->state);
  const int iconB = row_state::IconB(record->state);
  const int half = kStripIconSize / 2;
  if (iconA >= 1 && iconA <= count)
    ImageList_Draw(images.get(), iconA - 1, dc, cell.left + kStripIconInset - half,
                   cell.top + StripIconTop(row_state::PlacementA(record->state), cellHeight, record->indent),
                   ILD_TRANSPARENT);
  if (iconB >= 1 && iconB <= count)
    ImageList_Draw(images.get(), iconB - 1, dc, cell.left + static_cast<int>(stripWidth) - kStripIconInset - half,
                   cell.top + StripIconTop(row_state::PlacementB(record->state), cellHeight, record->indent),
                   ILD_TRANSPARENT);
}

void GridControl::PaintStrip(HDC dc, const RECT& update) {
  if (!Alive()) return;
  GridShared& shared = SharedGridState();
  RECT client{};
  GetClientRect(containerWindow, &client);
  const auto count = RowTotal();
  const RowGeometry g = MeasureRows(containerWindow, listWindow, list->headerHeight, count);
  stripTopIndex = static_cast<int>(g.topIndex);
  const LONG width = static_cast<LONG>(stripWidth);
  const LONG stripRight = static_cast<LONG>(stripWidth + stripGap);
  auto touches = [&update](const RECT& r) {
    RECT common{};
    return IntersectRect(&common, &r, &update) != FALSE;
  };

  const RECT headerCell{0, 0, width, static_cast<LONG>(list->headerHeight)};
  if (touches(headerCell)) {
    if (list->HeaderItemCount() > 1 || count > 0) {
      // Painted off-screen and copied in one transfer, so it never flickers.
      const RECT local{0, 0, headerCell.right, headerCell.bottom};
      UniqueDc memory(CreateCompatibleDC(dc));
      UniqueBitmap image(memory ? CreateCompatibleBitmap(dc, std::max<LONG>(local.right, 1), std::max<LONG>(local.bottom, 1))
                                : nullptr);
      const bool pressed = pressedStripHeader == -1 && pressedInside;
      if (memory && image) {
        {
          SelectedObject selected(memory.get(), image.get());
          PaintStripCell(memory.get(), local, local.bottom, -1, pressed);
          BitBlt(dc, 0, 0, local.right, local.bottom, memory.get(), 0, 0, SRCCOPY);
        }
      } else {
        PaintStripCell(dc, headerCell, headerCell.bottom, -1, pressed);
      }
    } else
      FillSolid(dc, headerCell, emptyAreaBrush);
  }

  LONG lastBottom = g.rowsTop;
  if (g.itemHeight > 0 && width > 0) {
    SavedDc saved(dc);
    IntersectClipRect(dc, 0, g.rowsTop, width, g.listBottom);
    auto starts = [this](std::int64_t i) { return StartsGroup(i); };
    for (std::int64_t first = StripGroupFirstRow(g.topIndex, starts); first < count;) {
      const std::int64_t end = StripGroupEndRow(first, count, starts);
      const auto top = static_cast<LONG>(g.firstRowTop + (first - g.topIndex) * g.itemHeight);
      if (top >= g.listBottom) break;
      const auto height = static_cast<LONG>((end - first) * g.itemHeight);
      // Cells overlap their lower neighbour by one pixel so they share an edge.
      const RECT cell{0, top, width, top + height + (end < count ? 1 : 0)};
      GridRow& record = *Row(first);
      record.indent = static_cast<std::uint8_t>(StripCellIndent(top, g.rowsTop));
      if (touches(cell))
        PaintStripCell(dc, cell, height, first, pressedStripHeader == first && pressedInside);
      lastBottom = std::max(lastBottom, std::min<LONG>(top + height, g.listBottom));
      first = end;
    }
  }

  FillSolid(dc, RECT{0, lastBottom, stripRight, g.listBottom}, emptyAreaBrush);
  FillSolid(dc, RECT{width, 0, stripRight, lastBottom}, stripBrush);
  if (listHidden) FillSolid(dc, RECT{stripRight, 0, client.right, client.bottom}, emptyAreaBrush);
  if (g.listBottom < client.bottom) FillSolid(dc, RECT{0, g.listBottom, stripRight, client.bottom}, shared.faceBrush);
}

void GridControl::OnStripMouse(UINT message, WPARAM keys, int x, int y) {
  const StripHit hit = HitTestStrip(x, y);
  const auto value = static_cast<std::int64_t>(keys);
  switch (message) {
    case WM_LBUTTONDOWN: {
      if (hit.row == -10) return;
      std::int64_t result = RaiseStripEvent(GridEvent::LeftButtonDown, hit.row, value);
      if (hit.part != 0) result = RaiseStripEvent(GridEvent::StripClick, hit.row, 0, hit.part);
      if (!Alive()) return;
      if (result != 0) {
        if (GetWindowLongPtrW(listWindow, GWL_STYLE) & LVS_NOSORTHEADER) {
          SetFocus(listWindow);
        } else {
          SetCapture(containerWindow);
          pressedStripHeader = hit.row;
          pressedInside = true;
        }
      }
      RefreshStripCell(hit.row);
      return;
    }
    case WM_LBUTTONUP: {
      if (hit.row != -10) RaiseStripEvent(GridEvent::LeftButtonUp, hit.row, value);
      if (!Alive() || pressedStripHeader == -2) return;
      const std::int64_t pressed = pressedStripHeader;
      if (flags & grid_flags::kOwnerDrawnStripHeader) RaiseStripEvent(GridEvent::LeftButtonUp, pressed, value);
      // A callback that changed the rows has let the press go.
      if (!Alive() || pressedStripHeader != pressed) return;
      pressedStripHeader = -2;
      pressedInside = false;
      if (GetCapture() == containerWindow) ReleaseCapture();
      RefreshStripCell(pressed);
      if (hit.row == pressed) RaiseStripEvent(GridEvent::HeaderClick, pressed, 0);
      return;
    }
    case WM_MOUSEMOVE: {
      if (pressedStripHeader == -2) return;
      const bool over = hit.row == pressedStripHeader;
      if (over != pressedInside) {
        pressedInside = over;
        RefreshStripCell(pressedStripHeader);
      } else if (over && (flags & grid_flags::kOwnerDrawnStripHeader)) {
        RaiseStripEvent(GridEvent::StripHeaderDrag, pressedStripHeader, value);
      }
      return;
    }
    case WM_RBUTTONDOWN:
      if (hit.row != -10) RaiseStripEvent(GridEvent::RightButtonDown, hit.row, value);
      return;
    case WM_RBUTTONUP:
      RaiseStripEvent(GridEvent::RightButtonUp, hit.row, value);
      return;
    default:
      return;
  }
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
    case WM_RBUTTONUP:
      if (Alive()) OnStripMouse(message, wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != window) ForgetStripPress();
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
