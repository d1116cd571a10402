#include "grid/grid_intake.h"

#include <algorithm>

namespace vantorel {

std::int64_t GridIntake::RaiseEditDelete(GridText going, std::int64_t key, std::size_t start, std::size_t end) {
  CellEvent erase;
  erase.row = session_.row;
  erase.column = session_.column;
  erase.text = WideOf(going);
  erase.value = key;
  erase.x1 = static_cast<std::int64_t>(start);
  erase.x2 = static_cast<std::int64_t>(end);
  return notifier_.Raise(GridEvent::EditDelete, erase);
}

bool GridIntake::AllowChar(GridEditor editor, char16_t character) {
  if (!session_.HasCurrentCell()) return true;
  const GridEditorContent content = editors_.ReadEditor(editor, kEditorReadLimit);
  std::int64_t result = 1;
  if (character == u'\b' || content.Selected()) {
    GridText going;
    if (content.Selected())
      going = content.text.substr(content.start, content.end - content.start);
    else if (content.start > 0)
      going = content.text.substr(content.start - 1, 1);
    result = RaiseEditDelete(std::move(going), character, content.start, content.end);
  }
  if (character != u'\b' && result != 0) {
    CellEvent typed;
    typed.row = session_.row;
    typed.column = session_.column;
    typed.text = WideOf(session_.editText);
    typed.value = character;
    typed.x1 = static_cast<std::int64_t>(content.start);
    typed.x2 = static_cast<std::int64_t>(content.end);
    result = notifier_.Raise(GridEvent::EditChar, typed);
  }
  return result == 1;
}

bool GridIntake::AllowDelete(GridEditor editor) {
  if (!session_.HasCurrentCell()) return true;
  const GridEditorContent content = editors_.ReadEditor(editor, kEditorReadLimit);
  GridText going;
  if (content.Selected())
    going = content.text.substr(content.start, content.end - content.start);
  else if (content.start < content.text.size())
    going = content.text.substr(content.start, 1);
  return RaiseEditDelete(std::move(going), kDeleteKeyValue, content.start, content.end) == 1;
}

bool GridIntake::AllowCut(GridEditor editor, std::int64_t key) {
  if (!session_.HasCurrentCell()) return true;
  const GridEditorContent content = editors_.ReadEditor(editor, kWholeText);
  if (!content.Selected()) return true;  // nothing goes
  return RaiseEditDelete(content.text.substr(content.start, content.end - content.start), key, content.start,
                         content.end) == 1;
}

void GridIntake::PasteIntoEditor(GridEditor editor) {
  if (!session_.HasCurrentCell()) {
    editors_.PasteOwn(editor);
    return;
  }
  const GridText arriving = list_.ClipboardText();
  if (arriving.empty()) return;
  const GridEditorContent content = editors_.ReadEditor(editor, kWholeText);
  if (content.Selected() && RaiseEditDelete(content.text.substr(content.start, content.end - content.start),
                                            kPasteKeyValue, content.start, content.end) != 1)
    return;
  const GridText around = content.text.substr(0, content.start) + content.text.substr(content.end);
  const auto kept = OfferTyped(session_.row, session_.column, around, content.start, arriving);
  if (!kept || kept->empty() || !session_.HasCurrentCell()) return;
  // Straight to the box: this replacement needs no check of its own.
  editors_.ReplaceSelection(editor, *kept);
  session_.editText = editors_.ReadEditor(editor, kWholeText).text;
}

void GridIntake::KeepTypable(GridEditor editor, const GridText& before) {
  if (!session_.HasCurrentCell()) return;
  const GridText now = editors_.ReadEditor(editor, kWholeText).text;
  if (now == before || now == session_.startText) {
    session_.editText = now;
    return;
  }
  const auto kept = OfferTyped(session_.row, session_.column, {}, 0, now);
  if (!kept || !session_.HasCurrentCell()) return;
  if (*kept != now) editors_.ReplaceText(editor, *kept);
  session_.editText = *kept;
}

std::optional<GridText> GridIntake::OfferTyped(std::int64_t row, std::int64_t column, const GridText& around,
                                               std::size_t caret, std::u16string_view arriving) {
  caret = std::min(caret, around.size());
  // One text for every character's record, grown by the characters kept, so
  // a long paste costs no copy of it per character; rebuilt only when the
  // application changed it.
  const std::wstring aroundWide = WideOf(around);
  std::wstring current = aroundWide;
  std::wstring kept;
  const GridText result = TypedIntake(arriving, [&](char16_t character) {
    if (!list_.Alive()) return false;
    const std::size_t at = caret + kept.size();
    if (current.size() != aroundWide.size() + kept.size())
      current = aroundWide.substr(0, caret) + kept + aroundWide.substr(caret);
    CellEvent typed;
    typed.row = row;
    typed.column = column;
    typed.text = std::move(current);
    typed.value = character;
    typed.x1 = typed.x2 = static_cast<std::int64_t>(at);
    const bool accepted = notifier_.Raise(GridEvent::EditChar, typed) == 1;
    current = std::move(typed.text);
    if (!accepted) return false;
    kept.push_back(static_cast<wchar_t>(character));
    if (current.size() + 1 == aroundWide.size() + kept.size())
      current.insert(at, 1, static_cast<wchar_t>(character));
    return true;
  });
  if (!list_.Alive()) return std::nullopt;
  return result;
}

bool GridIntake::CopyBlock(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height) {
  const GridBlockCells cells = BlockCells(model_, column, row, width, height);
  if (cells.columns.empty() || cells.firstRow >= cells.endRow) return false;
  return list_.SetClipboardText(
      BlockText(model_, column, row, width, height, session_.Current(), session_.EditorText()));
}

void GridIntake::Paste() {
  // A paste from inside an EditDone handler would nest commits.
  if (!session_.HasCurrentCell() || CommitGuard::Running()) return;
  const GridText text = list_.ClipboardText();
  if (text.empty()) return;
  session_.Commit();
  if (!session_.HasCurrentCell()) return;
  WriteArrivingCells(PasteWrites(model_, session_.Current(), text), false);
}

void GridIntake::EmptyBlockCells(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height) {
  // From inside an EditDone handler the commits would nest.
  if (CommitGuard::Running()) return;
  session_.Commit();
  if (!list_.Alive()) return;
  const GridBlockCells cells = BlockCells(model_, column, row, width, height);
  std::vector<GridCellWrite> writes;
  writes.reserve(static_cast<std::size_t>(cells.endRow - cells.firstRow) * cells.columns.size());
  for (std::int64_t r = cells.firstRow; r < cells.endRow; ++r)
    for (std::int64_t c : cells.columns) writes.push_back({r, c, {}});
  WriteArrivingCells(writes, true);
}

void GridIntake::EmptyBlock(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height) {
  const GridBlockCells cells = BlockCells(model_, column, row, width, height);
  for (std::int64_t r = cells.firstRow; r < cells.endRow; ++r)
    for (std::int64_t c : cells.columns) {
      session_.WriteCell(r, c, {});
      session_.Follow(GridCell{r, c});
    }
}

std::optional<GridText> GridIntake::ListedOption(const GridText& options, const GridText& text) {
  for (const GridText& option : SplitOptions(options))
    if (list_.SameOption(option, text)) return option;
  return std::nullopt;
}

void GridIntake::WriteArrivingCells(const std::vector<GridCellWrite>& writes, bool emptying) {
  // Rows the callback adds or removes move the cells meant: each write finds
  // its row again by identity, and the writing stops when columns changed.
  const std::int64_t columns = model_.ColumnCount();
  std::vector<std::uint64_t> ids;
  ids.reserve(writes.size());
  for (const GridCellWrite& write : writes) ids.push_back(model_.RowId(write.row));
  const std::uint64_t shape = model_.Shape();
  auto gone = [&] { return !list_.Alive() || model_.ColumnCount() != columns; };
  for (std::size_t i = 0; i < writes.size(); ++i) {
    const GridCellWrite& write = writes[i];
    auto rowNow = [&] { return model_.Shape() == shape ? write.row : model_.RowOfId(ids[i]); };
    std::int64_t row = rowNow();
    if (row < 0) continue;
    CellEvent type;
    type.row = row;
    type.column = write.column;
    notifier_.Raise(GridEvent::CellType, type);
    if (gone()) return;
    std::optional<GridText> accepted;
    switch (IntakeOf(type.type)) {
      case CellIntake::Typed:
        accepted = OfferTyped(row, write.column, {}, 0, write.text);
        break;
      case CellIntake::Option:
        // A choice is left as it is by Delete and Ctrl+X: no option is nothing.
        if (!emptying) accepted = ListedOption(GridTextOf(type.text), write.text);
        break;
      case CellIntake::None:
        break;  // cells without an editor are never written by the user
    }
    if (gone()) return;
    if (!accepted) continue;
    row = rowNow();
    if (row < 0) continue;
    CellEvent done;
    done.row = row;
    done.column = write.column;
    done.text = WideOf(*accepted);
    std::int64_t result = 0;
    {
      CommitGuard guard;
      result = notifier_.Raise(GridEvent::EditDone, done);
    }
    if (gone()) return;
    row = rowNow();
    if (result != 1 || row < 0) continue;
    session_.WriteCell(row, write.column, GridTextOf(done.text));
    session_.Follow(GridCell{row, write.column});
  }
}

}  // namespace vantorel
