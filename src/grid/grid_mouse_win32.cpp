// The mouse in the grid's list view and header: their messages become the
// pointer's and the header's rules (grid_pointer.h, grid_header.h), and
// what those ask of the window is done here: capture, the drag timer, the
// rows and columns on screen, tooltips, cursors and the header's dividers.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "grid/grid_input_win32.h"
#include "grid/grid_list_win32.h"

namespace vantorel {
namespace {

// Posted to the list view once the header has finished a column drag: the
// new order is only in place after the drag's notification has returned.
constexpr UINT kColumnDragged = WM_USER + 2;
// The hover time of the mouse-leave tracking, in milliseconds.
constexpr DWORD kHoverTime = 100;

LPCWSTR CursorName(GridCursor cursor) {
  switch (cursor) {
    case GridCursor::Hand:
      return IDC_HAND;
    case GridCursor::IBeam:
      return IDC_IBEAM;
    case GridCursor::Divider:
      return IDC_SIZEWE;
    default:
      return IDC_ARROW;
  }
}

}  // namespace

std::optional<GridCell> GridList::CellAt(POINT point) const {
  if (!listWindow) return std::nullopt;
  LVHITTESTINFO hit{};
  hit.pt = point;
  if (SendMessageW(listWindow, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0) return std::nullopt;
  // The hidden list column 0 is no cell.
  if (hit.iItem < 0 || hit.iSubItem < 1 || !core.model.HasCell(hit.iSubItem - 1, hit.iItem)) return std::nullopt;
  return GridCell{hit.iItem, hit.iSubItem - 1};
}

std::optional<GridCell> GridList::CellUnderPointer() {
  POINT cursor{};
  if (!listWindow || !GetCursorPos(&cursor) || !ScreenToClient(listWindow, &cursor)) return std::nullopt;
  return CellAt(cursor);
}

RECT GridList::CellRect(std::int64_t row, std::int64_t column) const {
  RECT cell{};
  cell.top = static_cast<LONG>(column + 1);
  cell.left = LVIR_BOUNDS;
  if (!listWindow ||
      !SendMessageW(listWindow, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell)))
    return RECT{};
  return cell;
}

CellBox GridList::CellBoxOf(GridCell cell) {
  const RECT r = CellRect(cell.row, cell.column);
  return CellBox{r.left, r.top, r.right, r.bottom};
}

bool GridList::LeftButtonHeld() { return (GetKeyState(VK_LBUTTON) & 0x8000) != 0; }

void GridList::CaptureMouse() { SetCapture(listWindow); }

void GridList::ReleaseMouse() {
  if (listWindow && GetCapture() == listWindow) ReleaseCapture();
}

bool GridList::HasMouse() { return listWindow && GetCapture() == listWindow; }

void GridList::StartDragTimer() { SetTimer(listWindow, reinterpret_cast<UINT_PTR>(this), 1, nullptr); }

void GridList::StopDragTimer() { KillTimer(listWindow, reinterpret_cast<UINT_PTR>(this)); }

std::optional<GridDragView> GridList::DragView() {
  POINT cursor{};
  if (!listWindow || !GetCursorPos(&cursor) || !ScreenToClient(listWindow, &cursor)) return std::nullopt;
  GridDragView view;
  view.pointer = GridPointOf(cursor);
  view.count = RowCount();
  if (view.count <= 0 || core.model.Order().empty()) return std::nullopt;
  RECT client{};
  GetClientRect(listWindow, &client);
  view.clientLeft = client.left;
  view.clientRight = client.right;
  view.clientBottom = client.bottom;
  SyncItemCount(true);
  view.top = SendMessageW(listWindow, LVM_GETTOPINDEX, 0, 0);
  view.page = std::max<std::int64_t>(SendMessageW(listWindow, LVM_GETCOUNTPERPAGE, 0, 0), 1);
  RECT first{};
  first.left = LVIR_BOUNDS;
  if (!SendMessageW(listWindow, LVM_GETITEMRECT, static_cast<WPARAM>(view.top), reinterpret_cast<LPARAM>(&first)))
    return std::nullopt;
  view.itemHeight = std::max<int>(first.bottom - first.top, 1);
  view.rowsTop = first.top;
  // Columns in display order by their header rectangles, mapped into the list.
  for (const std::int64_t c : core.model.Order()) {
    RECT item{};
    if (!SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(c + 1), reinterpret_cast<LPARAM>(&item))) continue;
    MapWindowPoints(header, listWindow, reinterpret_cast<POINT*>(&item), 2);
    if (item.right <= item.left) continue;
    view.columns.push_back(GridColumnSpan{c, item.left, item.right});
  }
  return view;
}

void GridList::ScrollBy(int dx, int dy) {
  SendMessageW(listWindow, LVM_SCROLL, static_cast<WPARAM>(dx), static_cast<LPARAM>(dy));
  PlaceCurrentEditor();
}

bool GridList::TrackLeave() {
  TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, listWindow, kHoverTime};
  return TrackMouseEvent(&track) != FALSE;
}

void GridList::PassClickToEditor(GridPoint point, std::int64_t keys, bool doubleClick) {
  HWND box = editors.editBox;
  POINT inEditor{point.x, point.y};
  MapWindowPoints(listWindow, box, &inEditor, 1);
  const auto state = static_cast<WPARAM>(keys);
  SendMessageW(box, WM_LBUTTONDOWN, state, MAKELPARAM(inEditor.x, inEditor.y));
  if (doubleClick) SendMessageW(box, WM_LBUTTONDOWN, state, MAKELPARAM(inEditor.x, inEditor.y));
}

void GridList::DestroyTooltip() {
  if (!tooltip) return;
  HWND tip = tooltip;
  tooltip = nullptr;
  RemoveGridProperty(tip, kListPointerProp);
  DestroyWindow(tip);
}

void GridList::ShowTooltip(GridCell cell, const CellEvent& query) {
  HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, listWindow, nullptr,
                             reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(listWindow, GWLP_HINSTANCE)), nullptr);
  if (!tip) return;
  tooltip = tip;
  SetGridProperty(tip, kListPointerProp, this);
  SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, static_cast<LPARAM>(TooltipMaxWidth(query.x1)));
  if (query.backColour != -1) SendMessageW(tip, TTM_SETTIPBKCOLOR, static_cast<WPARAM>(query.backColour), 0);
  if (query.textColour != -1) SendMessageW(tip, TTM_SETTIPTEXTCOLOR, static_cast<WPARAM>(query.textColour), 0);
  if (query.font) SendMessageW(tip, WM_SETFONT, reinterpret_cast<WPARAM>(query.font), FALSE);
  std::wstring body = query.text;
  if (const std::size_t bell = query.text.find(L'\a'); bell != std::wstring::npos) {
    const std::wstring title = query.text.substr(0, bell);
    body = query.text.substr(bell + 1);
    SendMessageW(tip, TTM_SETTITLEW, static_cast<WPARAM>(std::clamp<std::int64_t>(query.value, 0, 3)),
                 reinterpret_cast<LPARAM>(title.c_str()));
  }
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_SUBCLASS;
  tool.hwnd = listWindow;
  tool.uId = 1;
  tool.rect = CellRect(cell.row, cell.column);
  tool.lpszText = body.data();
  SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void GridList::FocusList() { SetFocus(listWindow); }

void GridList::TakeFocus() {
  HWND focus = GetFocus();
  if (focus != listWindow && !IsChild(listWindow, focus)) SetFocus(listWindow);
}

void GridList::OnFocusLeaving(HWND to) {
  if (!listWindow || GetWindowLongPtrW(listWindow, GWL_STYLE) & LVS_SHOWSELALWAYS) return;
  if (to && (to == listWindow || IsChild(listWindow, to))) return;
  core.EndEditing();
}

void GridList::PlaceCurrentEditor() {
  const GridEditSession& session = core.session;
  if (!session.HasCurrentCell() || !listWindow || session.editor == GridEditor::None) return;
  HWND editor = editors.WindowOf(session.editor);
  // Scrolled above the rows (under the header) or below the list, the cell
  // keeps its editor, text and focus included, out of sight until it is back.
  const RECT cell = CellRect(session.row, session.column);
  RECT client{};
  GetClientRect(listWindow, &client);
  if (cell.top < core.look.headerHeight || cell.top >= client.bottom) {
    if (editor != editors.editBox) SendMessageW(editor, CB_SHOWDROPDOWN, FALSE, 0);
    SetWindowPos(editor, nullptr, grid_pixels::kOutOfSight, grid_pixels::kOutOfSight, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  editors.PlaceEditor(session.editor, session.Current());
}

void GridList::EnsureCellVisible(GridCell at) {
  if (!listWindow) return;
  SyncItemCount(true);
  const std::int64_t rows = RowCount();
  if (at.row >= 0 && at.row < rows) SendMessageW(listWindow, LVM_ENSUREVISIBLE, static_cast<WPARAM>(at.row), FALSE);
  if (at.column >= 0 && at.column < core.model.ColumnCount() && rows > 0) {
    RECT cell{};
    cell.top = static_cast<LONG>(at.column + 1);
    cell.left = LVIR_BOUNDS;
    const WPARAM probe = static_cast<WPARAM>(std::clamp<std::int64_t>(at.row, 0, rows - 1));
    if (SendMessageW(listWindow, LVM_GETSUBITEMRECT, probe, reinterpret_cast<LPARAM>(&cell))) {
      cell.right = cell.left + static_cast<LONG>(SendMessageW(listWindow, LVM_GETCOLUMNWIDTH, at.column + 1, 0));
      RECT client{};
      GetClientRect(listWindow, &client);
      int dx = 0;
      if (cell.left < 0)
        dx = cell.left;
      else if (cell.right > client.right)
        dx = std::min<int>(cell.right - client.right, cell.left);
      if (dx != 0) SendMessageW(listWindow, LVM_SCROLL, static_cast<WPARAM>(dx), 0);
    }
  }
  PlaceCurrentEditor();
}

int GridList::DividerAt(POINT point) {
  HDHITTESTINFO hit{};
  hit.pt = point;
  SendMessageW(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  if (!(hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) || hit.iItem < 1) return 0;
  return hit.iItem;
}

int GridList::HeaderItemAt(POINT point) {
  HDHITTESTINFO hit{};
  hit.pt = point;
  SendMessageW(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  return hit.iItem >= 1 && (hit.flags & HHT_ONHEADER) ? hit.iItem : 0;
}

std::optional<LRESULT> GridList::OnHeaderMouse(UINT message, WPARAM keys, LPARAM lParam) {
  GridHeaderRules& rules = core.header;
  const POINT point = PointOf(lParam);
  const auto state = static_cast<std::int64_t>(keys);
  switch (message) {
    case WM_MOUSEMOVE: {
      if (rules.Resizing()) {
        RECT item{};
        SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(rules.resizingItem), reinterpret_cast<LPARAM>(&item));
        const int width = std::max(grid_pixels::kMinColumnWidth, static_cast<int>(point.x - item.left - rules.grab));
        if (width != item.right - item.left) {
          SendMessageW(listWindow, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(rules.resizingItem), MAKELPARAM(width, 0));
          rules.WidthChanged();
          UpdateWindow(listWindow);
        }
        return 0;
      }
      rules.OnMoveOver(DividerAt(point));
      return std::nullopt;
    }
    case WM_SETCURSOR: {
      POINT cursor{};
      GetCursorPos(&cursor);
      ScreenToClient(header, &cursor);
      const auto shown = rules.Cursor(DividerAt(cursor) >= 1);
      if (!shown) return std::nullopt;
      SetCursor(LoadCursorW(nullptr, CursorName(*shown)));
      return TRUE;
    }
    case WM_LBUTTONDOWN: {
      const int divider = DividerAt(point);
      if (divider < 1) {
        rules.RaiseButton(GridEvent::LeftButtonDown, HeaderItemAt(point), state);
        return listWindow ? std::nullopt : std::optional<LRESULT>(0);
      }
      RECT item{};
      SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(divider), reinterpret_cast<LPARAM>(&item));
      if (rules.BeginResize(divider, point.x - item.right)) SetCapture(header);
      return 0;
    }
    case WM_RBUTTONUP:
      rules.RaiseButton(GridEvent::RightButtonUp, HeaderItemAt(point), state);
      return listWindow ? std::nullopt : std::optional<LRESULT>(0);
    case WM_LBUTTONUP:
      if (!rules.Resizing()) return std::nullopt;
      if (GetCapture() == header) ReleaseCapture();
      rules.FinishResize();
      return 0;
    case WM_CAPTURECHANGED:
      if (rules.Resizing() && reinterpret_cast<HWND>(lParam) != header) rules.FinishResize();
      return std::nullopt;
    case WM_LBUTTONDBLCLK: {
      const int divider = DividerAt(point);
      if (divider >= 1) {
        if (!rules.BeginAutoSize(divider)) return 0;
        SendMessageW(listWindow, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(divider), MAKELPARAM(LVSCW_AUTOSIZE, 0));
        rules.FinishResize();
        return 0;
      }
      rules.RaiseButton(GridEvent::DoubleClick, HeaderItemAt(point), state);
      return 0;
    }
    default:
      return std::nullopt;
  }
}

void GridList::OnColumnDragged(int item) {
  if (!listWindow || !header) return;
  const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  if (count <= 1) return;
  std::vector<std::int32_t> order(static_cast<std::size_t>(count));
  if (!SendMessageW(listWindow, LVM_GETCOLUMNORDERARRAY, static_cast<WPARAM>(count),
                    reinterpret_cast<LPARAM>(order.data())))
    return;
  std::vector<std::int32_t> fixed = core.header.OrderAfterDrag(order);
  if (fixed != order)
    SendMessageW(listWindow, LVM_SETCOLUMNORDERARRAY, static_cast<WPARAM>(count),
                 reinterpret_cast<LPARAM>(fixed.data()));
  ReadColumnOrder();
  core.header.ColumnDragged(item);
}

std::optional<LRESULT> GridList::OnListMouseMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  GridPointer& pointer = core.pointer;
  const auto keys = static_cast<std::int64_t>(wParam);
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const POINT point = PointOf(lParam);
      pointer.OnButtonDown(CellAt(point), GridPointOf(point), keys, message == WM_LBUTTONDBLCLK);
      return 0;
    }
    case WM_LBUTTONUP:
      pointer.OnButtonUp();
      return 0;
    case WM_MOUSEMOVE:
      pointer.OnMove(CellAt(PointOf(lParam)));
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      pointer.OnRightButton(message == WM_RBUTTONDOWN, CellAt(PointOf(lParam)), keys);
      return 0;
    case WM_MOUSELEAVE:
      pointer.OnLeave();
      return 0;
    case WM_NCMOUSEMOVE:
      pointer.OnNonClientMove();
      return std::nullopt;
    case WM_TIMER:
      if (wParam != reinterpret_cast<UINT_PTR>(this)) return std::nullopt;
      pointer.OnDragTimer();
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != listWindow) pointer.OnCaptureLost();
      return std::nullopt;
    case WM_SETCURSOR: {
      if (LOWORD(lParam) != HTCLIENT) return std::nullopt;
      POINT cursor{};
      if (!GetCursorPos(&cursor) || !ScreenToClient(listWindow, &cursor)) return std::nullopt;
      const auto shown = pointer.CursorOver(CellAt(cursor));
      if (!shown) return std::nullopt;
      SetCursor(LoadCursorW(nullptr, CursorName(*shown)));
      return TRUE;
    }
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      pointer.OnScroll();
      return std::nullopt;
    case WM_KILLFOCUS:
      pointer.OnFocusLost();
      OnFocusLeaving(reinterpret_cast<HWND>(wParam));
      return std::nullopt;
    case kColumnDragged:
      OnColumnDragged(static_cast<int>(wParam));
      return 0;
    default:
      return std::nullopt;
  }
}

}  // namespace vantorel
