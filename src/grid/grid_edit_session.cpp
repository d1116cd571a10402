#include "grid/grid_edit_session.h"

namespace vantorel {

GridEditor EditorForCell(std::int64_t type, std::size_t textLength) {
  switch (type) {
    case 0:
      return textLength > kEditorTextLimit ? GridEditor::None : GridEditor::TextBox;
    case 3:
      return GridEditor::ListChoice;
    case 4:
      return textLength > kEditorTextLimit ? GridEditor::None : GridEditor::EditChoice;
    default:
      return GridEditor::None;
  }
}

std::vector<GridText> SplitOptions(const GridText& options) {
  std::vector<GridText> pieces;
  std::size_t from = 0;
  while (true) {
    const std::size_t lf = options.find(u'\n', from);
    pieces.push_back(options.substr(from, lf == GridText::npos ? GridText::npos : lf - from));
    if (lf == GridText::npos) return pieces;
    from = lf + 1;
  }
}

void GridEditSession::Open(GridCell cell, bool focus) {
  if (!list_.Alive() || cell.row < 0 || cell.row >= model_.RowCount() || cell.column < 0 ||
      cell.column >= model_.ColumnCount())
    return;
  list_.EnsureRowVisible(cell.row);
  // The cell left behind loses its frame; the new one gets it.
  if (HasCurrentCell()) list_.InvalidateCell(Current());
  list_.InvalidateRow(cell.row);
  Prepare(cell, focus);
}

void GridEditSession::Prepare(GridCell cell, bool focus) {
  row = cell.row;
  column = cell.column;
  CellEvent answer;
  answer.row = cell.row;
  answer.column = cell.column;
  notifier_.Raise(GridEvent::CellType, answer);
  if (!IsCurrent(cell.column, cell.row)) return;  // the callback moved on
  type = answer.type;
  startText = model_.Text(cell.column, cell.row);
  editText = startText;

  editors_.HideEditors();
  editor = GridEditor::None;
  const GridEditor opened = EditorForCell(type, startText.size());
  editor = opened;
  if (opened != GridEditor::None) {
    editors_.LoadEditor(opened, startText, SplitOptions(GridTextOf(answer.text)));
    editors_.PlaceEditor(opened, cell);
  }
  if (focus) editors_.FocusEditor(opened);
}

void GridEditSession::Follow(GridCell cell) {
  if (!IsCurrent(cell.column, cell.row)) return;
  // Re-opening reads the cell (which holds the text now), asks its type
  // again and puts the text into the editor as its start text.
  Prepare(cell, editors_.EditorHasFocus());
}

GridText GridEditSession::EditorText() const {
  if (editor == GridEditor::None) return editText;
  const auto shown = editors_.EditorText(editor);
  return shown ? *shown : editText;
}

bool GridEditSession::Changed() {
  if (!HasCurrentCell()) return false;
  editText = EditorText();
  return editText != startText;
}

void GridEditSession::WriteCell(std::int64_t r, std::int64_t c, const GridText& text) {
  if (!list_.Alive() || !model_.SetText(c, r, text)) return;
  list_.InvalidateCell(GridCell{r, c});
}

void GridEditSession::Commit() {
  if (CommitGuard::Running() || !HasCurrentCell()) return;
  editText = EditorText();
  const std::int64_t r = row;
  const std::int64_t c = column;
  if (editText == startText) {
    if (model_.Text(c, r) != editText) WriteCell(r, c, editText);
    return;
  }
  // The callback may add or remove rows: the edited row is found again by
  // its identity afterwards, so no other row's cell is overwritten.
  const std::uint64_t rowId = model_.RowId(r);
  const std::uint64_t shape = model_.Shape();
  const std::int64_t columns = model_.ColumnCount();
  CellEvent done;
  done.row = r;
  done.column = c;
  done.text = WideOf(editText);
  std::int64_t result = 0;
  {
    CommitGuard guard;
    result = notifier_.Raise(GridEvent::EditDone, done);
  }
  std::int64_t at = r;
  if (model_.Shape() != shape) {
    at = model_.RowOfId(rowId);
    if (at < 0 || model_.ColumnCount() != columns) return;  // the cell is gone
  }
  const bool stillCurrent = IsCurrent(c, at);
  // startText may have been replaced meanwhile by SetCellText on this cell.
  const GridText kept = result == 1 ? GridTextOf(done.text) : (stillCurrent ? startText : model_.Text(c, at));
  WriteCell(at, c, kept);
  if (!stillCurrent) return;
  startText = kept;
  editText = startText;
  if (editor == GridEditor::TextBox || editor == GridEditor::EditChoice) editors_.SetEditorText(editor, kept);
}

void GridEditSession::Cancel() {
  if (!HasCurrentCell()) return;
  const GridText start = startText;
  if (editor == GridEditor::TextBox) {
    editors_.SetEditorText(editor, start);
  } else if (editor != GridEditor::None) {
    const GridText before = EditorText();
    editors_.RestoreChoice(editor, start);
    if (before != start) {
      CellEvent changed;
      changed.row = row;
      changed.column = column;
      changed.text = WideOf(start);
      notifier_.Raise(GridEvent::ChoiceChanged, changed);
    }
  }
  editText = startText;
  if (HasCurrentCell() && model_.Text(column, row) != startText) WriteCell(row, column, start);
}

void GridEditSession::DropBlock(bool report) {
  if (!selection_.HasBlock()) return;
  const GridBlock old = selection_.block;
  selection_.Clear();
  if (list_.Alive()) list_.InvalidateAll();
  if (!report) return;
  CellEvent cleared;
  cleared.row = HasCurrentCell() ? row : old.anchorRow;
  cleared.column = HasCurrentCell() ? column : old.anchorColumn;
  notifier_.Raise(GridEvent::BlockCleared, cleared);
}

void GridEditSession::End() {
  if (!HasCurrentCell() && !selection_.HasBlock()) return;
  DropBlock(true);
  Commit();
  editors_.HideEditors();
  editor = GridEditor::None;
  if (HasCurrentCell()) list_.InvalidateCell(Current());
  Forget();
}

void GridEditSession::SetSelectionKind(std::int64_t kind) {
  if (kind < 0 || kind > 3) return;
  selection_.kind = static_cast<std::uint8_t>(kind);
  if (kind == 3) {
    DropBlock(false);
    return;
  }
  if (!HasCurrentCell() || kind == 0) return;
  selection_.block = BlockBetween(model_, Current(), Current(), kind);
  if (list_.Alive()) list_.InvalidateAll();
}

bool GridEditSession::MoveTo(GridCell target, std::int64_t value) {
  if (!model_.HasCell(target.column, target.row)) return false;
  // CellFocus and EditDone handlers may add or remove rows: the target is
  // the same row found again by its identity afterwards; a target whose row
  // went, or a grid whose columns changed, is no move.
  const std::uint64_t targetId = model_.RowId(target.row);
  const std::uint64_t shape = model_.Shape();
  const std::int64_t columns = model_.ColumnCount();
  auto targetStays = [&] {
    if (!list_.Alive() || model_.ColumnCount() != columns) return false;
    if (model_.Shape() != shape) target.row = model_.RowOfId(targetId);
    return model_.HasCell(target.column, target.row);
  };
  if (notifier_.RaiseAt(GridEvent::CellFocus, target.row, target.column, value) != 1 || !targetStays()) return false;
  Commit();
  if (!targetStays()) return false;
  // Opening repaints the old and the new cell; the whole list only when a
  // larger block goes, since a full repaint per key is what makes it slow.
  const bool repaintAll = selection_.MoveRepaintsAll(HasCurrentCell());
  Open(target, true);
  selection_.StartAt(model_, target);
  if (repaintAll) list_.InvalidateAll();
  return true;
}

void GridEditSession::TakeEditorText(GridEditor from, std::size_t limit) {
  if (HasCurrentCell()) editText = editors_.ReadEditor(from, limit).text;
}

void GridEditSession::OnChoiceMade(GridEditor from, const GridText& chosen, bool writesAtOnce) {
  if (!HasCurrentCell() || from != editor || chosen == editText) return;
  editText = chosen;
  if (from == GridEditor::ListChoice && writesAtOnce) WriteCell(row, column, chosen);
  CellEvent changed;
  changed.row = row;
  changed.column = column;
  changed.text = WideOf(chosen);
  notifier_.Raise(GridEvent::ChoiceChanged, changed);
}

}  // namespace vantorel
