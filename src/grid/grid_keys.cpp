#include "grid/grid_keys.h"

#include <algorithm>

namespace vantorel {

std::optional<GridMove> MoveOfKey(GridKey key) {
  switch (key) {
    case GridKey::Left:
      return GridMove::Left;
    case GridKey::Right:
      return GridMove::Right;
    case GridKey::Up:
      return GridMove::Up;
    case GridKey::Down:
      return GridMove::Down;
    case GridKey::PageUp:
      return GridMove::PageUp;
    case GridKey::PageDown:
      return GridMove::PageDown;
    case GridKey::Home:
      return GridMove::Home;
    case GridKey::End:
      return GridMove::End;
    default:
      return std::nullopt;
  }
}

void GridButtonPress::Press(GridCell cell) {
  if (Held()) return;
  const GridText text = model_.Text(cell.column, cell.row);
  if (!EndsPressed(text)) session_.WriteCell(cell.row, cell.column, PressedText(text));
  row = cell.row;
  column = cell.column;
  list_.InvalidateCell(cell);
}

void GridButtonPress::ShowHeld(bool over) {
  if (!Held() || !model_.HasCell(column, row)) return;
  const GridText text = model_.Text(column, row);
  if (EndsPressed(text) == over) return;
  session_.WriteCell(row, column, over ? PressedText(text) : ReleasedText(text));
}

void GridButtonPress::Forget(bool keepCapture) {
  if (!Held()) return;
  const GridCell cell{row, column};
  row = column = -1;
  if (list_.Alive() && !keepCapture) list_.ReleaseMouse();
  if (!model_.HasCell(cell.column, cell.row)) return;
  const GridText text = model_.Text(cell.column, cell.row);
  if (EndsPressed(text)) session_.WriteCell(cell.row, cell.column, ReleasedText(text));
}

void GridButtonPress::Release() {
  if (!Held()) return;
  const GridCell cell{row, column};
  row = column = -1;
  list_.ReleaseMouse();
  if (!model_.HasCell(cell.column, cell.row)) return;
  const GridText text = model_.Text(cell.column, cell.row);
  if (!EndsPressed(text)) return;  // released away from the button
  session_.WriteCell(cell.row, cell.column, ReleasedText(text));
  notifier_.RaiseAt(GridEvent::ButtonClick, cell.row, cell.column);
}

GridCell GridKeyboard::MoveStart() const {
  // Without a current cell a block's moving corner is where moves start.
  if (!session_.HasCurrentCell() && selection_.HasBlock()) return selection_.MovingCorner();
  return session_.Current();
}

void GridKeyboard::TabMove(bool backwards) {
  if (const auto target = TabTarget(model_, MoveStart(), backwards))
    session_.MoveTo(*target, MoveKeyValue(backwards ? GridMove::Left : GridMove::Right));
}

void GridKeyboard::ArrowKey(GridMove move, bool ctrl, bool shift) {
  const std::int64_t page = std::max<std::int64_t>(list_.PageRows(), 1);
  if (shift && selection_.HasBlock() && selection_.kind != 3) {
    const auto to = MoveTarget(model_, selection_.MovingCorner(), move, ctrl, page);
    if (!to) return;
    selection_.block = ExtendBlock(model_, selection_.block, *to, selection_.kind);
    list_.EnsureCellVisible(*to);
    list_.InvalidateAll();
    return;
  }
  if (const auto target = MoveTarget(model_, MoveStart(), move, ctrl, page)) session_.MoveTo(*target, MoveKeyValue(move));
}

void GridKeyboard::SpaceKey(bool ctrl) {
  if (!session_.HasCurrentCell()) return;
  const GridCell cell = session_.Current();
  CellEvent type;
  type.row = cell.row;
  type.column = cell.column;
  notifier_.Raise(GridEvent::CellType, type);
  if (!session_.IsCurrent(cell.column, cell.row)) return;
  const auto text = SpaceText(type.type, model_.Text(cell.column, cell.row), GridTextOf(type.text), ctrl);
  if (!text) return;
  session_.WriteCell(cell.row, cell.column, *text);
  session_.editText = *text;
}

void GridKeyboard::EnterKey() {
  if (!session_.HasCurrentCell() || button_.Held()) return;
  CellEvent type;
  type.row = session_.row;
  type.column = session_.column;
  notifier_.Raise(GridEvent::CellType, type);
  if (type.type != 11 || !session_.HasCurrentCell()) return;
  button_.Press(session_.Current());
}

void GridKeyboard::SelectAll() {
  if (model_.RowCount() < 1 || model_.ColumnCount() < 1 || selection_.kind == 3) return;
  endEditing_();
  if (!list_.Alive()) return;
  selection_.block = WholeGridBlock(model_);
  selection_.mode = 2;
  list_.EnsureCellVisible(selection_.MovingCorner());
  list_.InvalidateAll();
}

bool GridKeyboard::OnListKeyDown(GridKey key, GridModifiers held) {
  if (const auto move = MoveOfKey(key)) {
    ArrowKey(*move, held.ctrl, held.shift);
    return true;
  }
  const GridBlock block = selection_.block;
  const bool hasBlock = selection_.HasBlock();
  auto query = [&](GridEvent event, std::int64_t value) {
    CellEvent record;
    record.row = block.anchorRow;
    record.column = block.anchorColumn;
    record.value = value;
    record.x1 = block.width;
    record.x2 = block.height;
    return notifier_.Raise(event, record) != 0;
  };
  switch (key) {
    case GridKey::A:
      if (!held.ctrl) return false;
      SelectAll();
      return true;
    case GridKey::C:
      if (!held.ctrl) return false;
      if (hasBlock && query(GridEvent::ClipboardQuery, 0))
        intake_.CopyBlock(block.anchorColumn, block.anchorRow, block.width, block.height);
      return true;
    case GridKey::X:
      if (!held.ctrl) return false;
      if (hasBlock && query(GridEvent::ClipboardQuery, 1) &&
          intake_.CopyBlock(block.anchorColumn, block.anchorRow, block.width, block.height))
        intake_.EmptyBlockCells(block.anchorColumn, block.anchorRow, block.width, block.height);
      return true;
    case GridKey::V:
      if (!held.ctrl) return false;
      if (session_.HasCurrentCell() &&
          notifier_.RaiseAt(GridEvent::ClipboardQuery, session_.row, session_.column, 2) != 0)
        intake_.Paste();
      return true;
    case GridKey::Delete:
      if (hasBlock && query(GridEvent::DeleteQuery, 0))
        intake_.EmptyBlockCells(block.anchorColumn, block.anchorRow, block.width, block.height);
      return true;
    case GridKey::Escape:
      session_.Cancel();
      session_.DropBlock(true);
      return true;
    case GridKey::Space:
      SpaceKey(held.ctrl);
      return true;
    case GridKey::Enter:
      EnterKey();
      return true;
    case GridKey::Tab:
      return true;  // acts on release
    default:
      return false;
  }
}

bool GridKeyboard::OnKeyUp(GridKey key, GridModifiers held) {
  if (key == GridKey::Tab) {
    TabMove(held.shift);
    return true;
  }
  if (key == GridKey::Enter && button_.Held()) {
    button_.Release();
    return true;
  }
  return false;
}

bool GridKeyboard::BlockKeyInEditor(GridKey key, GridModifiers held) {
  // A block of more than the edited cell is what Ctrl+C, Ctrl+X and Delete
  // act on, wherever the focus is; on the cell alone they stay the editor's.
  if (!session_.HasCurrentCell() || !selection_.Shows(true)) return false;
  const bool clipboard = held.ctrl && (key == GridKey::C || key == GridKey::X);
  if (!clipboard && !(!held.ctrl && key == GridKey::Delete)) return false;
  swallowedChar_ = clipboard ? static_cast<char16_t>(key == GridKey::C ? 3 : 24) : 0;
  OnListKeyDown(key, held);
  return true;
}

bool GridKeyboard::TakeSwallowedChar(char16_t character) {
  if (swallowedChar_ == 0) return false;
  const bool same = character == swallowedChar_;
  swallowedChar_ = 0;
  return same;
}

bool GridKeyboard::OnEditorKeyDown(GridEditor editor, GridKey key, GridModifiers held) {
  if (key == GridKey::Escape) {
    session_.Cancel();
    return false;
  }
  if (key == GridKey::Enter && editor == GridEditor::EditChoice && editors_.ListDropped(GridEditor::EditChoice)) {
    // Enter in an open list takes the highlighted option and closes the
    // list, as in any choice box; only then does Enter move on.
    swallowedChar_ = u'\r';
    return true;
  }
  if (key == GridKey::Tab || key == GridKey::Enter) return false;
  if (BlockKeyInEditor(key, held)) return false;
  if (key == GridKey::Delete && !intake_.AllowDelete(editor)) return false;
  if (key == GridKey::Insert && held.shift && !held.ctrl) {
    // Shift+Insert pastes, in the box itself past WM_PASTE.
    intake_.PasteIntoEditor(editor);
    return false;
  }
  // A one-line text box has no use for the vertical keys: they move between
  // rows as they do in the list.
  if (editor == GridEditor::TextBox &&
      (key == GridKey::Up || key == GridKey::Down || key == GridKey::PageUp || key == GridKey::PageDown)) {
    ArrowKey(*MoveOfKey(key), held.ctrl, held.shift);
    return false;
  }
  return true;
}

bool GridKeyboard::OnListChoiceKeyDown(GridKey key, GridModifiers held) {
  if (key == GridKey::Escape) {
    session_.Cancel();
    if (editors_.ListDropped(GridEditor::ListChoice)) editors_.CloseList(GridEditor::ListChoice);
    return false;
  }
  if (key == GridKey::Enter && editors_.ListDropped(GridEditor::ListChoice)) {
    swallowedChar_ = u'\r';
    return true;
  }
  if (key == GridKey::Tab || key == GridKey::Enter) return false;
  return !BlockKeyInEditor(key, held);
}

bool GridKeyboard::OnEditorChar(GridEditor editor, char16_t character, GridModifiers held) {
  if (character == u'\t' || character == 27 || TakeSwallowedChar(character)) return false;
  if (character == u'\r' || character == u'\n') {
    // Enter moves on like Tab, which commits through CellFocus.
    TabMove(held.shift);
    return false;
  }
  return intake_.AllowChar(editor, character);
}

bool GridKeyboard::OnListChoiceChar(char16_t character, GridModifiers held) {
  if (TakeSwallowedChar(character)) return false;
  if (character == u'\r' || character == u'\n') {
    TabMove(held.shift);
    return false;
  }
  return character != u'\t' && character != 27;
}

}  // namespace vantorel
