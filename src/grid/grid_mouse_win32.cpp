// The mouse in the grid: clicks on cells (tick boxes, buttons, the text
// box), blocks dragged with the mouse, the right button, hyperlink cells,
// tooltips, the editors' own mouse events, focus leaving the grid, and the
// header's divider tracking and column dragging. Where a block goes and what
// a box covers are the portable rules' and geometry's answers; this file
// turns mouse messages into them and asks the application first.
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <string>
#include <vector>

#include "grid/grid_geometry.h"
#include "grid/grid_list_win32.h"
#include "grid/grid_rules.h"

namespace vantorel {
namespace {

constexpr const wchar_t* kListPointer = L"egrid_ListPointer";
// A column dragged narrower than this could no longer be grabbed again.
constexpr int kMinColumnWidth = 8;
// Pixels the list scrolls sideways per timer tick while a block is dragged
// beyond its left or right edge.
constexpr int kDragScrollStep = 16;
// Posted to the list view once the header has finished a column drag: the
// new order is only in place after the drag's notification has returned.
constexpr UINT kColumnDragged = WM_USER + 2;

POINT PointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

CellBox BoxOf(const RECT& r) { return CellBox{r.left, r.top, r.right, r.bottom}; }

}  // namespace

std::optional<GridCell> GridList::CellAt(POINT point) const {
  if (!listWindow) return std::nullopt;
  LVHITTESTINFO hit{};
  hit.pt = point;
  if (SendMessageW(listWindow, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0) return std::nullopt;
  // The hidden list column 0 is no cell.
  if (hit.iItem < 0 || hit.iSubItem < 1 || !model.HasCell(hit.iSubItem - 1, hit.iItem)) return std::nullopt;
  return GridCell{hit.iItem, hit.iSubItem - 1};
}

std::optional<GridCell> GridList::CellUnderCursor() const {
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

void GridList::OnListButtonDown(bool doubleClick, WPARAM keys, POINT point) {
  const auto cell = CellAt(point);
  if (!cell) {
    HWND focus = GetFocus();
    if (focus != listWindow && !IsChild(listWindow, focus)) SetFocus(listWindow);
    return;
  }
  const std::uint64_t shape = model.Shape();
  CellEvent press;
  press.row = cell->row;
  press.column = cell->column;
  press.value = static_cast<std::int64_t>(keys);
  Raise(doubleClick ? GridEvent::DoubleClick : GridEvent::LeftButtonDown, press);
  CellEvent type;
  type.row = cell->row;
  type.column = cell->column;
  if (listWindow && model.Shape() == shape) Raise(GridEvent::CellType, type);
  // A callback that changed the rows took the clicked cell with it.
  if (!listWindow || model.Shape() != shape) return;
  const CellBox box = BoxOf(CellRect(cell->row, cell->column));

  if (type.type == 5) {
    const auto tick = TickBoxIn(box);
    if (tick && tick->Contains(point.x, point.y)) {
      ClickTick(*cell, GridTextOf(type.text));
      return;
    }
  }
  if (type.type == 11) {
    const auto button = ButtonBoxIn(box, type.x1, type.x2);
    if (button && button->Contains(point.x, point.y)) {
      PressButton(*cell);
      if (pressedButtonRow >= 0) SetCapture(listWindow);
      return;
    }
  }
  if (type.type == 0 && model.IsCurrent(cell->column, cell->row) && openEditor_ == editBox) {
    // The caret lands where the user clicked, as in any text box.
    POINT inEditor = point;
    MapWindowPoints(listWindow, editBox, &inEditor, 1);
    passingClick_ = true;
    SendMessageW(editBox, WM_LBUTTONDOWN, keys, MAKELPARAM(inEditor.x, inEditor.y));
    if (doubleClick) SendMessageW(editBox, WM_LBUTTONDOWN, keys, MAKELPARAM(inEditor.x, inEditor.y));
    passingClick_ = false;
    // The box holds the mouse now: its button-up belongs to this click.
    passedClickUp_ = true;
    return;
  }
  if ((keys & MK_SHIFT) && model.selectionKind != 3 && (HasBlock() || HasCurrentCell())) {
    // Shift+click spans the block from where it was anchored to the cell.
    GridBlock from = model.block;
    if (!HasBlock()) from = BlockBetween(model, {model.editRow, model.editColumn}, {model.editRow, model.editColumn},
                                         model.selectionKind);
    model.block = ExtendBlock(model, from, *cell, model.selectionKind);
    model.blockMode = 2;
    if (!redrawOff) InvalidateRect(listWindow, nullptr, FALSE);
    return;
  }
  if (model.IsCurrent(cell->column, cell->row)) {
    // A click on the current cell starts a new block there.
    if (model.selectionKind == 3) return;
    if (HasBlock()) InvalidateRect(listWindow, nullptr, FALSE);
    model.block = BlockBetween(model, *cell, *cell, model.selectionKind);
    model.blockMode = 2;
    StartBlockTracking(*cell);
    return;
  }

  Commit();
  if (!listWindow || model.Shape() != shape) return;
  CellEvent focus;
  focus.row = cell->row;
  focus.column = cell->column;
  focus.value = 0;
  const std::int64_t result = Raise(GridEvent::CellFocus, focus);
  if (!listWindow || model.Shape() != shape) return;
  if (result == 0) {
    HWND had = GetFocus();
    if (had != listWindow && !IsChild(listWindow, had)) SetFocus(listWindow);
    return;
  }
  const bool repaintAll = ShowsBlock() || model.selectionKind == 1 || model.selectionKind == 2;
  if (result == 1) {
    OpenCell(cell->row, cell->column + 1, true);
    if (!listWindow || model.Shape() != shape) return;
  } else {
    SetFocus(listWindow);
  }
  if (model.selectionKind != 3) {
    model.block = BlockBetween(model, *cell, *cell, model.selectionKind);
    model.blockMode = 2;
  }
  if (repaintAll && !redrawOff) InvalidateRect(listWindow, nullptr, FALSE);
  if (model.selectionKind != 3) StartBlockTracking(*cell);
}

void GridList::ClickTick(GridCell cell, const GridText& options) {
  const GridText toggled = ToggledTick(model.Text(cell.column, cell.row), options);
  if (model.IsCurrent(cell.column, cell.row)) {
    SetItemText(cell.row, cell.column + 1, WideOf(toggled));
    model.editText = toggled;
    InvalidateCell(cell.row, cell.column + 1);
    return;
  }
  // Another cell changes only when the application accepts the new value.
  const std::uint64_t rowId = model.RowId(cell.row);
  CellEvent done;
  done.row = cell.row;
  done.column = cell.column;
  done.text = WideOf(toggled);
  std::int64_t result = 0;
  {
    CommitGuard guard;
    result = Raise(GridEvent::EditDone, done);
  }
  if (result != 1 || !listWindow) return;
  const std::int64_t row = model.RowOfId(rowId);
  if (row < 0 || !model.HasCell(cell.column, row)) return;
  SetItemText(row, cell.column + 1, done.text);
  InvalidateCell(row, cell.column + 1);
}

void GridList::PressButton(GridCell cell) {
  if (pressedButtonRow >= 0) return;
  const GridText text = model.Text(cell.column, cell.row);
  if (!EndsPressed(text)) SetItemText(cell.row, cell.column + 1, WideOf(PressedText(text)));
  pressedButtonRow = cell.row;
  pressedButtonColumn = cell.column;
  InvalidateCell(cell.row, cell.column + 1);
}

void GridList::ShowButtonHeld(bool held) {
  if (pressedButtonRow < 0 || !model.HasCell(pressedButtonColumn, pressedButtonRow)) return;
  const GridText text = model.Text(pressedButtonColumn, pressedButtonRow);
  if (EndsPressed(text) == held) return;
  SetItemText(pressedButtonRow, pressedButtonColumn + 1, WideOf(held ? PressedText(text) : ReleasedText(text)));
  InvalidateCell(pressedButtonRow, pressedButtonColumn + 1);
}

void GridList::ForgetPressedButton() {
  if (pressedButtonRow < 0) return;
  const std::int64_t row = pressedButtonRow;
  const std::int64_t column = pressedButtonColumn;
  pressedButtonRow = pressedButtonColumn = -1;
  if (listWindow && !blockTracking_ && GetCapture() == listWindow) ReleaseCapture();
  if (!model.HasCell(column, row)) return;
  const GridText text = model.Text(column, row);
  if (!EndsPressed(text)) return;
  SetItemText(row, column + 1, WideOf(ReleasedText(text)));
  InvalidateCell(row, column + 1);
}

void GridList::ReleaseButton() {
  if (pressedButtonRow < 0) return;
  const std::int64_t row = pressedButtonRow;
  const std::int64_t column = pressedButtonColumn;
  pressedButtonRow = pressedButtonColumn = -1;
  if (GetCapture() == listWindow) ReleaseCapture();
  if (!model.HasCell(column, row)) return;
  const GridText text = model.Text(column, row);
  if (!EndsPressed(text)) return;  // released away from the button
  SetItemText(row, column + 1, WideOf(ReleasedText(text)));
  InvalidateCell(row, column + 1);
  CellEvent click;
  click.row = row;
  click.column = column;
  Raise(GridEvent::ButtonClick, click);
}

void GridList::StartBlockTracking(GridCell cell) {
  // Only a press still held on the cell drags a block: a callback may have
  // shown a message box meanwhile.
  if (!listWindow || !(GetKeyState(VK_LBUTTON) & 0x8000) || CellUnderCursor() != std::optional<GridCell>(cell))
    return;
  blockTracking_ = true;
  SetCapture(listWindow);
  SetTimer(listWindow, reinterpret_cast<UINT_PTR>(this), 1, nullptr);
}

void GridList::StopBlockTracking() {
  if (!blockTracking_) return;
  blockTracking_ = false;
  if (listWindow) {
    KillTimer(listWindow, reinterpret_cast<UINT_PTR>(this));
    if (GetCapture() == listWindow) ReleaseCapture();
  }
}

void GridList::OnBlockTimer() {
  if (!blockTracking_ || !HasBlock() || !listWindow) {
    StopBlockTracking();
    return;
  }
  POINT cursor{};
  GetCursorPos(&cursor);
  ScreenToClient(listWindow, &cursor);
  ExtendDraggedBlock(cursor, true);
}

void GridList::ExtendDraggedBlock(POINT cursor, bool scroll) {
  RECT client{};
  GetClientRect(listWindow, &client);
  const std::int64_t count = RowCount();
  if (count <= 0 || model.Order().empty()) return;
  SyncItemCount(true);
  const std::int64_t top = SendMessageW(listWindow, LVM_GETTOPINDEX, 0, 0);
  const std::int64_t page = std::max<std::int64_t>(SendMessageW(listWindow, LVM_GETCOUNTPERPAGE, 0, 0), 1);
  RECT first{};
  first.left = LVIR_BOUNDS;
  if (!SendMessageW(listWindow, LVM_GETITEMRECT, static_cast<WPARAM>(top), reinterpret_cast<LPARAM>(&first))) return;
  const int itemHeight = std::max<int>(first.bottom - first.top, 1);
  const int rowsTop = first.top;

  // Rows: outside the rows the list scrolls one row per tick that way;
  // without scrolling the block stops at the rows in view.
  std::int64_t row = 0;
  int scrollY = 0;
  if (cursor.y < rowsTop) {
    row = scroll ? std::max<std::int64_t>(top - 1, 0) : top;
    if (top > 0) scrollY = -itemHeight;
  } else if (cursor.y >= client.bottom) {
    row = std::min<std::int64_t>(scroll ? top + page : top + page - 1, count - 1);
    if (top + page < count) scrollY = itemHeight;
  } else {
    row = std::min<std::int64_t>(top + (cursor.y - rowsTop) / itemHeight, count - 1);
  }

  // Columns in display order by their header rectangles, mapped into the list.
  ReadColumnOrder();
  std::int64_t column = -1;
  int scrollX = 0;
  RECT leftmost{};
  std::int64_t leftColumn = -1, rightColumn = -1;
  for (const std::int64_t c : model.Order()) {
    RECT item{};
    if (!SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(c + 1), reinterpret_cast<LPARAM>(&item))) continue;
    MapWindowPoints(header, listWindow, reinterpret_cast<POINT*>(&item), 2);
    if (item.right <= item.left) continue;
    if (leftColumn < 0) {
      leftColumn = c;
      leftmost = item;
    }
    rightColumn = c;
    if (cursor.x >= item.left && cursor.x < item.right) column = c;
  }
  if (leftColumn < 0) return;
  if (column < 0) column = cursor.x < leftmost.left ? leftColumn : rightColumn;
  if (cursor.x < client.left) scrollX = -kDragScrollStep;
  else if (cursor.x >= client.right) scrollX = kDragScrollStep;
  if (!scroll) scrollX = scrollY = 0;

  const GridBlock extended = ExtendBlock(model, model.block, GridCell{row, column}, model.selectionKind);
  const bool changed = !(extended == model.block);
  model.block = extended;
  if (scrollX || scrollY) {
    SendMessageW(listWindow, LVM_SCROLL, static_cast<WPARAM>(scrollX), static_cast<LPARAM>(scrollY));
    PlaceCurrentEditor();
  }
  if ((changed || scrollX || scrollY) && !redrawOff) InvalidateRect(listWindow, nullptr, FALSE);
}

void GridList::OnListButtonUp() {
  if (pressedButtonRow >= 0) ReleaseButton();
  // The block ends where the button is let go, whether or not the timer has
  // seen the pointer there yet.
  POINT cursor{};
  if (blockTracking_ && HasBlock() && GetCursorPos(&cursor) && ScreenToClient(listWindow, &cursor))
    ExtendDraggedBlock(cursor, false);
  StopBlockTracking();
}

void GridList::OnListMouseMove(POINT point) {
  if (pressedButtonRow >= 0 && GetCapture() == listWindow) {
    const auto cell = CellAt(point);
    ShowButtonHeld(cell && cell->row == pressedButtonRow && cell->column == pressedButtonColumn);
    return;
  }
  if (blockTracking_) return;  // the timer follows the cursor
  if (!leaveTracked_) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, listWindow, 100};
    leaveTracked_ = TrackMouseEvent(&track) != FALSE;
  }
  const auto cell = CellAt(point);
  const GridCell now = cell ? *cell : GridCell{-2, -2};
  if (now == mouseCell_) return;
  mouseCell_ = now;
  DestroyTooltip();
  SetHotCell(cell && IsLinkCell(*cell) ? now : GridCell{});
  if (cell && (flags & grid_flags::kTooltips)) ShowTooltip(*cell);
}

void GridList::OnListMouseLeave() {
  leaveTracked_ = false;
  mouseCell_ = GridCell{-2, -2};
  DestroyTooltip();
  SetHotCell(GridCell{});
}

bool GridList::IsLinkCell(GridCell cell) {
  if (model.IsEmpty(cell.column, cell.row)) return false;
  const std::uint64_t shape = model.Shape();
  CellEvent type;
  type.row = cell.row;
  type.column = cell.column;
  Raise(GridEvent::CellType, type);
  if (!listWindow || model.Shape() != shape) return false;
  return type.type == 2 || ((type.type == 0 || type.type == 1) && type.link != 0);
}

void GridList::SetHotCell(GridCell cell) {
  if (cell.row == hotRow && cell.column == hotColumn) return;
  if (hotRow >= 0 && model.HasCell(hotColumn, hotRow)) InvalidateCell(hotRow, hotColumn + 1);
  hotRow = cell.row;
  hotColumn = cell.column;
  if (hotRow >= 0) InvalidateCell(hotRow, hotColumn + 1);
}

bool GridList::OnListSetCursor() {
  POINT cursor{};
  if (!GetCursorPos(&cursor) || !ScreenToClient(listWindow, &cursor)) return false;
  const auto cell = CellAt(cursor);
  if (!cell) return false;
  if (cell->row == hotRow && cell->column == hotColumn) {
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return true;
  }
  if (model.IsCurrent(cell->column, cell->row) && openEditor_ == editBox) {
    SetCursor(LoadCursorW(nullptr, IDC_IBEAM));
    return true;
  }
  return false;
}

void GridList::OnRightButton(bool down, WPARAM keys, POINT point) {
  const auto cell = CellAt(point);
  CellEvent record;
  record.row = cell ? cell->row : -1;
  record.column = cell ? cell->column : -1;
  record.value = static_cast<std::int64_t>(keys);
  Raise(down ? GridEvent::RightButtonDown : GridEvent::RightButtonUp, record);
}

void GridList::DestroyTooltip() {
  if (!tooltip) return;
  HWND tip = tooltip;
  tooltip = nullptr;
  tooltipRow = tooltipColumn = -2;
  RemoveGridProperty(tip, kListPointer);
  DestroyWindow(tip);
}

void GridList::ShowTooltip(GridCell cell) {
  CellEvent query;
  query.row = cell.row;
  query.column = cell.column;
  query.x1 = 250;
  query.backColour = -1;
  query.textColour = -1;
  query.value = 0;
  const std::uint64_t shape = model.Shape();
  if (Raise(GridEvent::TooltipQuery, query) == 0 || query.text.empty() || !listWindow || model.Shape() != shape)
    return;
  HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, listWindow, nullptr,
                             reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(listWindow, GWLP_HINSTANCE)), nullptr);
  if (!tip) return;
  tooltip = tip;
  tooltipRow = cell.row;
  tooltipColumn = cell.column;
  SetGridProperty(tip, kListPointer, this);
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

void GridList::ForgetPointer() {
  DestroyTooltip();
  mouseCell_ = GridCell{-2, -2};
  hotRow = hotColumn = -1;
}

void GridList::OnFocusLeaving(HWND to) {
  if (!listWindow || GetWindowLongPtrW(listWindow, GWL_STYLE) & LVS_SHOWSELALWAYS) return;
  if (to && (to == listWindow || IsChild(listWindow, to))) return;
  EndEditing();
}

bool GridList::OnEditorMouse(UINT message, WPARAM keys) {
  if (passingClick_) return true;
  // The button-up of a click the list passed on is that click's, not the box's.
  const bool passedUp = passedClickUp_ && message == WM_LBUTTONUP;
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_LBUTTONUP) passedClickUp_ = false;
  if (passedUp || !HasCurrentCell()) return true;
  GridEvent event = GridEvent::LeftButtonDown;
  switch (message) {
    case WM_LBUTTONDOWN:
      event = GridEvent::LeftButtonDown;
      break;
    case WM_LBUTTONUP:
      event = GridEvent::LeftButtonUp;
      break;
    case WM_LBUTTONDBLCLK:
      event = GridEvent::DoubleClick;
      break;
    case WM_RBUTTONDOWN:
      event = GridEvent::RightButtonDown;
      break;
    case WM_CONTEXTMENU:
      event = GridEvent::RightButtonUp;
      break;
    default:
      return true;
  }
  CellEvent record;
  record.row = model.editRow;
  record.column = model.editColumn;
  record.value = static_cast<std::int64_t>(keys);
  const std::int64_t result = Raise(event, record);
  // The editor's own menu only when the application lets it show.
  return message != WM_CONTEXTMENU || result == 1;
}

void GridList::PlaceCurrentEditor() {
  if (!HasCurrentCell() || !listWindow) return;
  HWND editor = openEditor_;
  if (!editor) return;
  // Scrolled above the rows (under the header) or below the list, the cell
  // keeps its editor, text and focus included, out of sight until it is back.
  const RECT cell = CellRect(model.editRow, model.editColumn);
  RECT client{};
  GetClientRect(listWindow, &client);
  if (cell.top < headerHeight || cell.top >= client.bottom) {
    if (editor != editBox) SendMessageW(editor, CB_SHOWDROPDOWN, FALSE, 0);
    SetWindowPos(editor, nullptr, kOutOfSight, kOutOfSight, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  PlaceEditor(editor, model.editRow, model.editColumn + 1);
}

void GridList::EnsureCellVisible(std::int64_t row, std::int64_t column) {
  if (!listWindow) return;
  SyncItemCount(true);
  if (row >= 0 && row < RowCount()) SendMessageW(listWindow, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  if (column >= 0 && column < model.ColumnCount() && RowCount() > 0) {
    RECT cell{};
    cell.top = static_cast<LONG>(column + 1);
    cell.left = LVIR_BOUNDS;
    const WPARAM probe = static_cast<WPARAM>(std::clamp<std::int64_t>(row, 0, RowCount() - 1));
    if (SendMessageW(listWindow, LVM_GETSUBITEMRECT, probe, reinterpret_cast<LPARAM>(&cell))) {
      cell.right = cell.left + static_cast<LONG>(SendMessageW(listWindow, LVM_GETCOLUMNWIDTH, column + 1, 0));
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

// The header: dividers are tracked here, so the application decides about
// every resize; dragging columns is left to the header itself.
int GridList::DividerAt(POINT point) {
  HDHITTESTINFO hit{};
  hit.pt = point;
  SendMessageW(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  if (!(hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) || hit.iItem < 1) return -1;
  return hit.iItem;
}

bool GridList::DividerAllowed(int item) {
  if (item < 1) return false;
  if (!(flags & grid_flags::kAskColumnResize)) return true;
  CellEvent resize;
  resize.row = -1;
  resize.column = item - 1;
  return Raise(GridEvent::ColumnResize, resize) == 1 && listWindow;
}

void GridList::RaiseHeaderButton(GridEvent event, WPARAM keys, POINT point) {
  HDHITTESTINFO hit{};
  hit.pt = point;
  SendMessageW(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  if (hit.iItem < 1 || !(hit.flags & HHT_ONHEADER)) return;  // the hidden item is no column
  CellEvent record;
  record.row = -1;
  record.column = hit.iItem - 1;
  record.value = static_cast<std::int64_t>(keys);
  Raise(event, record);
}

std::optional<LRESULT> GridList::OnHeaderMouse(UINT message, WPARAM keys, LPARAM lParam) {
  const POINT point = PointOf(lParam);
  switch (message) {
    case WM_MOUSEMOVE: {
      if (resizingItem_ >= 1) {
        RECT item{};
        SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(resizingItem_), reinterpret_cast<LPARAM>(&item));
        const int width = std::max(kMinColumnWidth, static_cast<int>(point.x - item.left - resizeGrab_));
        if (width != item.right - item.left) {
          SendMessageW(listWindow, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(resizingItem_), MAKELPARAM(width, 0));
          resized_ = true;
          PlaceCurrentEditor();
          UpdateWindow(listWindow);
        }
        return 0;
      }
      const int divider = DividerAt(point);
      dividerAllowed_ = divider >= 1 && DividerAllowed(divider);
      return std::nullopt;
    }
    case WM_SETCURSOR: {
      if (resizingItem_ >= 1 || dividerAllowed_) {
        SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
        return TRUE;
      }
      POINT cursor{};
      GetCursorPos(&cursor);
      ScreenToClient(header, &cursor);
      if (DividerAt(cursor) >= 1) {
        // The header would show its divider cursor for a resize it may not do.
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        return TRUE;
      }
      return std::nullopt;
    }
    case WM_LBUTTONDOWN: {
      const int divider = DividerAt(point);
      if (divider < 1) {
        RaiseHeaderButton(GridEvent::LeftButtonDown, keys, point);
        return listWindow ? std::nullopt : std::optional<LRESULT>(0);
      }
      if (!DividerAllowed(divider)) return 0;
      EndEditing();
      if (!listWindow) return 0;
      RECT item{};
      SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(divider), reinterpret_cast<LPARAM>(&item));
      resizingItem_ = divider;
      resizeGrab_ = point.x - item.right;
      resized_ = false;
      SetCapture(header);
      return 0;
    }
    case WM_RBUTTONUP:
      RaiseHeaderButton(GridEvent::RightButtonUp, keys, point);
      return listWindow ? std::nullopt : std::optional<LRESULT>(0);
    case WM_LBUTTONUP:
      if (resizingItem_ < 1) return std::nullopt;
      if (GetCapture() == header) ReleaseCapture();
      FinishColumnResize();
      return 0;
    case WM_CAPTURECHANGED:
      if (resizingItem_ >= 1 && reinterpret_cast<HWND>(lParam) != header) FinishColumnResize();
      return std::nullopt;
    case WM_LBUTTONDBLCLK: {
      const int divider = DividerAt(point);
      if (divider >= 1) {
        if (!DividerAllowed(divider)) return 0;
        EndEditing();
        if (!listWindow) return 0;
        SendMessageW(listWindow, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(divider), MAKELPARAM(LVSCW_AUTOSIZE, 0));
        resizingItem_ = divider;
        resized_ = true;
        FinishColumnResize();
        return 0;
      }
      HDHITTESTINFO hit{};
      hit.pt = point;
      SendMessageW(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      if (hit.iItem >= 1 && (hit.flags & HHT_ONHEADER)) {
        CellEvent record;
        record.row = -1;
        record.column = hit.iItem - 1;
        record.value = static_cast<std::int64_t>(keys);
        Raise(GridEvent::DoubleClick, record);
      }
      return 0;
    }
    default:
      return std::nullopt;
  }
}

void GridList::FinishColumnResize() {
  if (resizingItem_ < 1) return;
  const int item = resizingItem_;
  resizingItem_ = -1;
  if (!resized_) return;
  resized_ = false;
  ReadColumnOrder();
  PlaceCurrentEditor();
  CellEvent layout;
  layout.row = -1;
  layout.column = item - 1;
  layout.value = 1;
  Raise(GridEvent::LayoutChanged, layout);
}

void GridList::OnColumnDragged(int item) {
  if (!listWindow || !header) return;
  const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  if (count <= 1) return;
  std::vector<int> order(static_cast<std::size_t>(count));
  if (!SendMessageW(listWindow, LVM_GETCOLUMNORDERARRAY, static_cast<WPARAM>(count),
                    reinterpret_cast<LPARAM>(order.data())))
    return;
  // The hidden column keeps position 0, and with flag 0x200 the first grid
  // column stays first of the visible ones.
  std::vector<int> fixed = order;
  auto pin = [&fixed](int item, std::size_t position) {
    const auto at = std::find(fixed.begin(), fixed.end(), item);
    if (at == fixed.end() || position >= fixed.size()) return;
    fixed.erase(at);
    fixed.insert(fixed.begin() + static_cast<std::ptrdiff_t>(position), item);
  };
  pin(0, 0);
  if (flags & grid_flags::kFirstColumnStays) pin(1, 1);
  if (fixed != order)
    SendMessageW(listWindow, LVM_SETCOLUMNORDERARRAY, static_cast<WPARAM>(count),
                 reinterpret_cast<LPARAM>(fixed.data()));
  ReadColumnOrder();
  PlaceCurrentEditor();
  if (!redrawOff) InvalidateRect(listWindow, nullptr, FALSE);
  CellEvent layout;
  layout.row = -1;
  layout.column = item >= 1 ? item - 1 : -1;
  layout.value = 0;
  Raise(GridEvent::LayoutChanged, layout);
}

std::optional<LRESULT> GridList::OnListMouseMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnListButtonDown(message == WM_LBUTTONDBLCLK, wParam, PointOf(lParam));
      return 0;
    case WM_LBUTTONUP:
      OnListButtonUp();
      return 0;
    case WM_MOUSEMOVE:
      OnListMouseMove(PointOf(lParam));
      return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      OnRightButton(message == WM_RBUTTONDOWN, wParam, PointOf(lParam));
      return 0;
    case WM_MOUSELEAVE:
      OnListMouseLeave();
      return 0;
    case WM_NCMOUSEMOVE:
      if (mouseCell_.row != -2) {
        mouseCell_ = GridCell{-2, -2};
        DestroyTooltip();
        SetHotCell(GridCell{});
      }
      return std::nullopt;
    case WM_TIMER:
      if (wParam != reinterpret_cast<UINT_PTR>(this)) return std::nullopt;
      OnBlockTimer();
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != listWindow) {
        StopBlockTracking();
        ForgetPressedButton();
      }
      return std::nullopt;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && OnListSetCursor()) return TRUE;
      return std::nullopt;
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      // The rows move under the pointer: the tip and the hot cell are stale.
      DestroyTooltip();
      mouseCell_ = GridCell{-2, -2};
      SetHotCell(GridCell{});
      return std::nullopt;
    case WM_KILLFOCUS:
      // A button held by Enter would never see its key come up.
      ForgetPressedButton();
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
