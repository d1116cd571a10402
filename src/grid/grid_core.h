#pragma once
// The grid without its windows: its cells, the application's callback, how
// it looks, the block, the current cell's editing session, the intake of
// arriving text, the keyboard, the mouse in the list, the header and the
// row-header strip, wired to the views the window side gives it. The window
// side turns messages into calls on these parts and shows what they decide.
#include <cstdint>
#include <functional>
#include <string_view>

#include "grid/grid_edit_session.h"
#include "grid/grid_events.h"
#include "grid/grid_header.h"
#include "grid/grid_intake.h"
#include "grid/grid_keys.h"
#include "grid/grid_look.h"
#include "grid/grid_model.h"
#include "grid/grid_pointer.h"
#include "grid/grid_selection.h"
#include "grid/grid_strip.h"
#include "grid/grid_view.h"

namespace vantorel {

class GridCore {
 public:
  GridCore(GridListView& list, GridEditorView& editors);
  GridCore(const GridCore&) = delete;
  GridCore& operator=(const GridCore&) = delete;

  GridModel model;
  GridNotifier notifier;
  GridLook look;
  GridSelection selection;
  GridEditSession session;
  GridIntake intake;
  GridButtonPress button;
  GridKeyboard keys;
  GridPointer pointer;
  GridHeaderRules header;
  GridStrip strip;

  // Before structural changes and when the focus leaves the grid: the
  // pointer's tip, hot cell and held button let go (rows may be about to
  // change under them), the block dropped, the edit committed, the editors
  // closed.
  void EndEditing();
  // The same before rows or columns come or go, and a held strip cell let go.
  void BeforeShapeChange();
  // SetCurrentCell: the edit committed and the cell (grid column) opened.
  void SetCurrentCell(std::int64_t column, std::int64_t row, bool focus);
  // SetBlock: a block that starts outside the cells is refused; one that
  // reaches past them is cut at the grid's edges. False when refused.
  bool SetBlock(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height);

  // The row operations on the cells, before the windows show the change:
  // editing ends first (its callbacks may free the grid), a list holds at
  // most INT_MAX rows. False when refused, out of memory or gone meanwhile.
  bool AddRow(std::int64_t position, std::u16string_view hiddenText, std::int64_t flag);
  bool AddSourceRows(std::int64_t count, std::int64_t flag, GridCellSource source);
  bool RemoveRow(std::int64_t row);
  bool ClearRows();
  // Every row replaced by `count` source rows in the room of the old ones,
  // row r's first strip icon iconA(r).
  bool ReplaceSourceRows(std::int64_t count, std::int64_t flag, GridCellSource source,
                         const std::function<std::int64_t(std::int64_t row)>& iconA);
  // SetCellText: the cell shows its new text and an edit of it starts over
  // from there; false when there is no such cell.
  template <typename Char>
  bool SetCellText(std::int64_t column, std::int64_t row, std::basic_string_view<Char> text) {
    if (!model.HasCell(column, row)) return false;
    if (model.SetTextUnits(column, row, text)) list_.InvalidateCell(GridCell{row, column});
    if (column == -1 && strip.view) strip.view->RefreshStripCell(row);
    session.Follow(GridCell{row, column});
    return true;
  }
  // SetRowState: true when the row's state changed.
  bool SetRowState(std::int64_t row, const RowStateChange& change);
  // SetColour's indexes 1-7 (8, the strip's gap, belongs to the window
  // side): false when refused.
  bool SetColour(std::int64_t index, std::int64_t value);

 private:
  GridListView& list_;
};

}  // namespace vantorel
