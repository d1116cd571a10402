#include "grid/grid_pointer.h"

#include <algorithm>

namespace vantorel {

GridDragStep DragStepAt(const GridDragView& view, bool scroll) {
  GridDragStep step;
  const GridPoint cursor = view.pointer;
  const std::int64_t count = view.count;
  const std::int64_t top = view.top;
  const std::int64_t page = std::max<std::int64_t>(view.page, 1);
  const int itemHeight = std::max(view.itemHeight, 1);
  // Rows: outside the rows the list scrolls one row per tick that way;
  // without scrolling the block stops at the rows in view.
  if (cursor.y < view.rowsTop) {
    step.cell.row = scroll ? std::max<std::int64_t>(top - 1, 0) : top;
    if (top > 0) step.scrollY = -itemHeight;
  } else if (cursor.y >= view.clientBottom) {
    step.cell.row = std::min<std::int64_t>(scroll ? top + page : top + page - 1, count - 1);
    if (top + page < count) step.scrollY = itemHeight;
  } else {
    step.cell.row = std::min<std::int64_t>(top + (cursor.y - view.rowsTop) / itemHeight, count - 1);
  }
  // Columns by their extent on screen; beyond them, the nearer end.
  step.cell.column = -1;
  for (const GridColumnSpan& span : view.columns)
    if (cursor.x >= span.left && cursor.x < span.right) step.cell.column = span.column;
  if (step.cell.column < 0 && !view.columns.empty())
    step.cell.column = cursor.x < view.columns.front().left ? view.columns.front().column : view.columns.back().column;
  if (cursor.x < view.clientLeft)
    step.scrollX = -grid_pixels::kDragScrollStep;
  else if (cursor.x >= view.clientRight)
    step.scrollX = grid_pixels::kDragScrollStep;
  if (!scroll) step.scrollX = step.scrollY = 0;
  return step;
}

void GridPointer::OnButtonDown(std::optional<GridCell> cell, GridPoint point, std::int64_t keys, bool doubleClick) {
  if (!cell) {
    list_.TakeFocus();
    return;
  }
  const std::uint64_t shape = model_.Shape();
  notifier_.RaiseAt(doubleClick ? GridEvent::DoubleClick : GridEvent::LeftButtonDown, cell->row, cell->column, keys);
  CellEvent type;
  type.row = cell->row;
  type.column = cell->column;
  if (list_.Alive() && model_.Shape() == shape) notifier_.Raise(GridEvent::CellType, type);
  // A callback that changed the rows took the clicked cell with it.
  auto gone = [&] { return !list_.Alive() || model_.Shape() != shape; };
  if (gone()) return;
  const CellBox box = list_.CellBoxOf(*cell);

  if (type.type == 5) {
    const auto tick = TickBoxIn(box, look_.dpi);
    if (tick && tick->Contains(point.x, point.y)) {
      ClickTick(*cell, GridTextOf(type.text));
      return;
    }
  }
  if (type.type == 11) {
    const auto pressed = ButtonBoxIn(box, type.x1, type.x2);
    if (pressed && pressed->Contains(point.x, point.y)) {
      button_.Press(*cell);
      if (button_.Held()) list_.CaptureMouse();
      return;
    }
  }
  if (type.type == 0 && session_.IsCurrent(cell->column, cell->row) && session_.editor == GridEditor::TextBox) {
    // The caret lands where the user clicked, as in any text box.
    passingClick_ = true;
    list_.PassClickToEditor(point, keys, doubleClick);
    passingClick_ = false;
    // The box holds the mouse now: its button-up belongs to this click.
    passedClickUp_ = true;
    return;
  }
  if ((keys & kMouseKeyShift) && selection_.kind != 3 && (selection_.HasBlock() || session_.HasCurrentCell())) {
    // Shift+click spans the block from where it was anchored to the cell.
    GridBlock from = selection_.block;
    if (!selection_.HasBlock()) from = BlockBetween(model_, session_.Current(), session_.Current(), selection_.kind);
    selection_.block = ExtendBlock(model_, from, *cell, selection_.kind);
    selection_.mode = 2;
    list_.InvalidateAll();
    return;
  }
  if (session_.IsCurrent(cell->column, cell->row)) {
    // A click on the current cell starts a new block there.
    if (selection_.kind == 3) return;
    if (selection_.HasBlock()) list_.InvalidateAll();
    selection_.StartAt(model_, *cell);
    StartDragging(*cell);
    return;
  }

  session_.Commit();
  if (gone()) return;
  const std::int64_t result = notifier_.RaiseAt(GridEvent::CellFocus, cell->row, cell->column, 0);
  if (gone()) return;
  if (result == 0) {
    list_.TakeFocus();
    return;
  }
  const bool repaintAll = selection_.MoveRepaintsAll(session_.HasCurrentCell());
  if (result == 1) {
    session_.Open(*cell, true);
    if (gone()) return;
  } else {
    list_.FocusList();
  }
  selection_.StartAt(model_, *cell);
  if (repaintAll) list_.InvalidateAll();
  if (selection_.kind != 3) StartDragging(*cell);
}

void GridPointer::ClickTick(GridCell cell, const GridText& options) {
  const GridText toggled = ToggledTick(model_.Text(cell.column, cell.row), options);
  if (session_.IsCurrent(cell.column, cell.row)) {
    session_.WriteCell(cell.row, cell.column, toggled);
    session_.editText = toggled;
    return;
  }
  // Another cell changes only when the application accepts the new value.
  const std::uint64_t rowId = model_.RowId(cell.row);
  CellEvent done;
  done.row = cell.row;
  done.column = cell.column;
  done.text = WideOf(toggled);
  std::int64_t result = 0;
  {
    CommitGuard guard;
    result = notifier_.Raise(GridEvent::EditDone, done);
  }
  if (result != 1 || !list_.Alive()) return;
  const std::int64_t row = model_.RowOfId(rowId);
  if (row < 0 || !model_.HasCell(cell.column, row)) return;
  session_.WriteCell(row, cell.column, GridTextOf(done.text));
}

void GridPointer::StartDragging(GridCell cell) {
  // Only a press still held on the cell drags a block: a callback may have
  // shown a message box meanwhile.
  if (!list_.Alive() || !list_.LeftButtonHeld() || list_.CellUnderPointer() != std::optional<GridCell>(cell)) return;
  dragging_ = true;
  list_.CaptureMouse();
  list_.StartDragTimer();
}

void GridPointer::StopDragging() {
  if (!dragging_) return;
  dragging_ = false;
  if (!list_.Alive()) return;
  list_.StopDragTimer();
  list_.ReleaseMouse();
}

void GridPointer::OnDragTimer() {
  if (!dragging_ || !selection_.HasBlock() || !list_.Alive()) {
    StopDragging();
    return;
  }
  ExtendDraggedBlock(true);
}

void GridPointer::ExtendDraggedBlock(bool scroll) {
  const auto view = list_.DragView();
  if (!view || view->count <= 0 || view->columns.empty()) return;
  const GridDragStep step = DragStepAt(*view, scroll);
  const GridBlock extended = ExtendBlock(model_, selection_.block, step.cell, selection_.kind);
  const bool changed = !(extended == selection_.block);
  selection_.block = extended;
  if (step.scrollX || step.scrollY) list_.ScrollBy(step.scrollX, step.scrollY);
  if (changed || step.scrollX || step.scrollY) list_.InvalidateAll();
}

void GridPointer::OnButtonUp() {
  if (button_.Held()) button_.Release();
  // The block ends where the button is let go, whether or not the timer has
  // seen the pointer there yet.
  if (dragging_ && selection_.HasBlock()) ExtendDraggedBlock(false);
  StopDragging();
}

void GridPointer::OnMove(std::optional<GridCell> cell) {
  if (button_.Held() && list_.HasMouse()) {
    button_.ShowHeld(cell && button_.IsHeld(*cell));
    return;
  }
  if (dragging_) return;  // the timer follows the pointer
  if (!leaveTracked_) leaveTracked_ = list_.TrackLeave();
  const GridCell now = cell ? *cell : GridCell{-2, -2};
  if (now == mouseCell_) return;
  mouseCell_ = now;
  list_.DestroyTooltip();
  SetHotCell(cell && IsLinkCell(*cell) ? now : GridCell{});
  if (cell && look_.Has(grid_flags::kTooltips)) AskTooltip(*cell);
}

void GridPointer::OnLeave() {
  leaveTracked_ = false;
  mouseCell_ = GridCell{-2, -2};
  list_.DestroyTooltip();
  SetHotCell(GridCell{});
}

void GridPointer::OnNonClientMove() {
  if (mouseCell_.row == -2) return;
  mouseCell_ = GridCell{-2, -2};
  list_.DestroyTooltip();
  SetHotCell(GridCell{});
}

void GridPointer::OnScroll() {
  list_.DestroyTooltip();
  mouseCell_ = GridCell{-2, -2};
  SetHotCell(GridCell{});
}

void GridPointer::OnCaptureLost() {
  StopDragging();
  button_.Forget(dragging_);
}

bool GridPointer::IsLinkCell(GridCell cell) {
  if (model_.IsEmpty(cell.column, cell.row)) return false;
  const std::uint64_t shape = model_.Shape();
  CellEvent type;
  type.row = cell.row;
  type.column = cell.column;
  notifier_.Raise(GridEvent::CellType, type);
  if (!list_.Alive() || model_.Shape() != shape) return false;
  return type.type == 2 || ((type.type == 0 || type.type == 1) && type.link != 0);
}

void GridPointer::SetHotCell(GridCell cell) {
  if (cell.row == hotRow && cell.column == hotColumn) return;
  if (hotRow >= 0 && model_.HasCell(hotColumn, hotRow)) list_.InvalidateCell(GridCell{hotRow, hotColumn});
  hotRow = cell.row;
  hotColumn = cell.column;
  if (hotRow >= 0) list_.InvalidateCell(cell);
}

void GridPointer::AskTooltip(GridCell cell) {
  CellEvent query;
  query.row = cell.row;
  query.column = cell.column;
  query.x1 = look_.Px(grid_pixels::kTooltipWidth);
  query.backColour = -1;
  query.textColour = -1;
  query.value = 0;
  const std::uint64_t shape = model_.Shape();
  if (notifier_.Raise(GridEvent::TooltipQuery, query) == 0 || query.text.empty() || !list_.Alive() ||
      model_.Shape() != shape)
    return;
  list_.ShowTooltip(cell, query);
}

std::optional<GridCursor> GridPointer::CursorOver(std::optional<GridCell> cell) const {
  if (!cell) return std::nullopt;
  if (cell->row == hotRow && cell->column == hotColumn) return GridCursor::Hand;
  if (session_.IsCurrent(cell->column, cell->row) && session_.editor == GridEditor::TextBox) return GridCursor::IBeam;
  return std::nullopt;
}

void GridPointer::OnRightButton(bool down, std::optional<GridCell> cell, std::int64_t keys) {
  notifier_.RaiseAt(down ? GridEvent::RightButtonDown : GridEvent::RightButtonUp, cell ? cell->row : -1,
                    cell ? cell->column : -1, keys);
}

bool GridPointer::OnEditorMouse(GridEditorMouse what, std::int64_t keys) {
  if (passingClick_) return true;
  // The button-up of a click the list passed on is that click's, not the box's.
  const bool passedUp = passedClickUp_ && what == GridEditorMouse::LeftUp;
  if (what == GridEditorMouse::LeftDown || what == GridEditorMouse::DoubleClick || what == GridEditorMouse::LeftUp)
    passedClickUp_ = false;
  if (passedUp || !session_.HasCurrentCell()) return true;
  GridEvent event = GridEvent::LeftButtonDown;
  switch (what) {
    case GridEditorMouse::LeftDown:
      event = GridEvent::LeftButtonDown;
      break;
    case GridEditorMouse::LeftUp:
      event = GridEvent::LeftButtonUp;
      break;
    case GridEditorMouse::DoubleClick:
      event = GridEvent::DoubleClick;
      break;
    case GridEditorMouse::RightDown:
      event = GridEvent::RightButtonDown;
      break;
    case GridEditorMouse::ContextMenu:
      event = GridEvent::RightButtonUp;
      break;
  }
  const std::int64_t result = notifier_.RaiseAt(event, session_.row, session_.column, keys);
  // The editor's own menu only when the application lets it show.
  return what != GridEditorMouse::ContextMenu || result == 1;
}

void GridPointer::Forget() {
  list_.DestroyTooltip();
  mouseCell_ = GridCell{-2, -2};
  hotRow = hotColumn = -1;
  button_.Forget(dragging_);
}

}  // namespace vantorel
