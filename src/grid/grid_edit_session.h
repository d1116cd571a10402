#pragma once
// The current cell and its editing session: which cell is current and which
// editor holds its text, the text it had when the editor opened and the
// text being typed, the commit that lets the application decide what the
// cell keeps, Escape's restore, and moves of the current cell that the
// application may veto. The block moves along with the current cell.
#include <cstdint>
#include <vector>

#include "grid/grid_events.h"
#include "grid/grid_model.h"
#include "grid/grid_selection.h"
#include "grid/grid_view.h"

namespace vantorel {

// Keeps a commit from starting another one through the callback of
// EditDone, in any grid: one flag for the process, held for a scope and
// restored however the scope is left.
class CommitGuard {
 public:
  CommitGuard() : was_(running_) { running_ = true; }
  ~CommitGuard() { running_ = was_; }
  CommitGuard(const CommitGuard&) = delete;
  CommitGuard& operator=(const CommitGuard&) = delete;
  static bool Running() { return running_; }

 private:
  static inline bool running_ = false;
  bool was_;
};

// The editor a cell type opens (text 0, list choice 3, editable choice 4);
// a text longer than anyone may type into a box opens none, since laying it
// out would take the box seconds.
inline constexpr std::size_t kEditorTextLimit = 32767;
GridEditor EditorForCell(std::int64_t type, std::size_t textLength);
// A choice's options come one per line; an empty piece is an empty option.
std::vector<GridText> SplitOptions(const GridText& options);

class GridEditSession {
 public:
  GridEditSession(GridModel& model, GridNotifier& notifier, GridSelection& selection, GridListView& list,
                  GridEditorView& editors)
      : model_(model), notifier_(notifier), selection_(selection), list_(list), editors_(editors) {}

  // The current cell by grid column; -1 / -1 = none.
  std::int64_t row = -1;
  std::int64_t column = -1;
  std::int64_t type = 0;  // as the application answered CellType
  GridText startText;
  GridText editText;
  GridEditor editor = GridEditor::None;  // the open editor holding the text

  bool HasCurrentCell() const { return column >= 0; }
  bool IsCurrent(std::int64_t c, std::int64_t r) const { return HasCurrentCell() && r == row && c == column; }
  GridCell Current() const { return GridCell{row, column}; }

  // Makes a cell current and opens its editor over it; a cell that does not
  // exist is not opened.
  void Open(GridCell cell, bool focus);
  // After a text was written into the current cell: that text becomes its
  // editor and start text, and the cell's type is asked again.
  void Follow(GridCell cell);
  // The text the open editor holds (editText when none is open).
  GridText EditorText() const;
  // Whether the editor's text differs from the start text.
  bool Changed();
  // Commits the edit through EditDone: accepted, the cell takes the
  // application's text; refused, the text from before the edit comes back.
  void Commit();
  // Escape: the editor gets the start text back.
  void Cancel();
  // The block dropped (BlockCleared when reported), the edit committed, the
  // editors closed and no cell current.
  void End();
  void DropBlock(bool report);
  // Colour index 7: 1 starts a whole-column block at the current column, 2
  // a whole-row one, 3 drops the block.
  void SetSelectionKind(std::int64_t kind);
  // A key's or a click's move: CellFocus with the key's value and, accepted,
  // the edit committed and the target opened; false when vetoed or when the
  // target's row went while the application was asked.
  bool MoveTo(GridCell target, std::int64_t value);
  // A cell's new text, shown.
  void WriteCell(std::int64_t r, std::int64_t c, const GridText& text);
  // The text of an editor that was let have a key, a cut or a clear (at
  // most `limit` characters).
  void TakeEditorText(GridEditor from, std::size_t limit);
  // A choice made in a combo box editor.
  void OnChoiceMade(GridEditor from, const GridText& chosen, bool writesAtOnce);
  void Forget() {
    row = -1;
    column = -1;
    type = 0;
  }

 private:
  void Prepare(GridCell cell, bool focus);

  GridModel& model_;
  GridNotifier& notifier_;
  GridSelection& selection_;
  GridListView& list_;
  GridEditorView& editors_;
};

}  // namespace vantorel
