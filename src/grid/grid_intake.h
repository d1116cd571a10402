#pragma once
// Text that reaches the current cell's editor, and cells, otherwise than by
// one key: what a typed key or Delete is let do, a paste into an editor or
// into the grid, an undo or a replacement from outside, a block emptied by
// Delete or Ctrl+X, and a block's text leaving for the clipboard. Whatever
// arrives keeps only what typing could have put there, and the application
// hears about every character as if it were typed.
#include <cstdint>
#include <optional>
#include <string>

#include "grid/grid_edit_session.h"
#include "grid/grid_events.h"
#include "grid/grid_model.h"
#include "grid/grid_rules.h"
#include "grid/grid_view.h"

namespace vantorel {

// The editor's text is read up to this many characters for the key events.
inline constexpr std::size_t kEditorReadLimit = 1024;
// Read whole.
inline constexpr std::size_t kWholeText = static_cast<std::size_t>(-1);

class GridIntake {
 public:
  GridIntake(GridModel& model, GridNotifier& notifier, GridEditSession& session, GridListView& list,
             GridEditorView& editors)
      : model_(model), notifier_(notifier), session_(session), list_(list), editors_(editors) {}

  // A character typed into an editor (Backspace included): EditDelete for
  // what it removes, then EditChar; true when it may go in.
  bool AllowChar(GridEditor editor, char16_t character);
  // Delete pressed in an editor: true when it may go through.
  bool AllowDelete(GridEditor editor);
  // A cut or clear of the editor's selection: true when it may go.
  bool AllowCut(GridEditor editor, std::int64_t key);
  // A paste into an editor: the clipboard's text goes in over the selection
  // as far as typing could put it there.
  void PasteIntoEditor(GridEditor editor);
  // After an editor's text changed by a way that is not typing (undo, its
  // context menu, an input method, a replacement sent from outside): text
  // other than the cell's own from before the edit keeps only what typing
  // could have put there.
  void KeepTypable(GridEditor editor, const GridText& before);
  // Text arriving at once, offered to EditChar character by character as if
  // typed at `caret` into `around`; the characters kept, or none when the
  // grid went away meanwhile.
  std::optional<GridText> OfferTyped(std::int64_t row, std::int64_t column, const GridText& around,
                                     std::size_t caret, std::u16string_view arriving);

  // The grid's clipboard: a block's text out, a paste in from the current
  // cell on (each cell through CellType, its intake and EditDone).
  bool CopyBlock(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height);
  void Paste();
  // Delete and Ctrl+X: the block's text and editable choice cells are
  // emptied through EditDone, like pasted cells; the others keep their text.
  void EmptyBlockCells(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height);
  // ClearBlock: every cell of a block emptied as the application asks.
  void EmptyBlock(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height);

 private:
  std::int64_t RaiseEditDelete(GridText going, std::int64_t key, std::size_t start, std::size_t end);
  // What a block of cells becomes: each write goes through CellType and the
  // cell's intake, then EditDone; with `emptying` only text cells take it.
  void WriteArrivingCells(const std::vector<GridCellWrite>& writes, bool emptying);
  // A list choice takes one of its options only, spelt as the list has it.
  std::optional<GridText> ListedOption(const GridText& options, const GridText& text);

  GridModel& model_;
  GridNotifier& notifier_;
  GridEditSession& session_;
  GridListView& list_;
  GridEditorView& editors_;
};

}  // namespace vantorel
