#pragma once
// The mouse in the list of cells: clicks on cells (tick boxes, button cells,
// the open text box, a move of the current cell), blocks dragged with the
// button held, the right button, hyperlink cells under the pointer and
// their tips, and the editors' own buttons. Events arrive as the cell under
// the pointer, the button state and what happened to the capture or the
// scroll position; the application is asked before anything changes.
#include <cstdint>
#include <optional>

#include "grid/grid_edit_session.h"
#include "grid/grid_events.h"
#include "grid/grid_keys.h"
#include "grid/grid_look.h"
#include "grid/grid_model.h"
#include "grid/grid_selection.h"
#include "grid/grid_view.h"

namespace vantorel {

// One step of a block dragged with the mouse: the cell its moving corner
// goes to and how far the list scrolls meanwhile. Outside the rows the
// list scrolls a row that way (without `scroll` the corner stops at the rows
// in view); beyond the columns the nearer end column is taken.
struct GridDragStep {
  GridCell cell;
  int scrollX = 0;
  int scrollY = 0;
};
GridDragStep DragStepAt(const GridDragView& view, bool scroll);

// The mouse buttons and menu of an editor, as reported for the current cell.
enum class GridEditorMouse { LeftDown, LeftUp, DoubleClick, RightDown, ContextMenu };

class GridPointer {
 public:
  GridPointer(GridModel& model, GridNotifier& notifier, GridLook& look, GridSelection& selection,
              GridEditSession& session, GridButtonPress& button, GridListView& list)
      : model_(model), notifier_(notifier), look_(look), selection_(selection), session_(session), button_(button),
        list_(list) {}

  // The hyperlink cell under the pointer; -1 / -1 = none.
  std::int64_t hotRow = -1;
  std::int64_t hotColumn = -1;

  // The left button pressed (or double-clicked) over `cell` (none: not on a
  // cell) at `point`, with the mouse-key state.
  void OnButtonDown(std::optional<GridCell> cell, GridPoint point, std::int64_t keys, bool doubleClick);
  void OnButtonUp();
  void OnMove(std::optional<GridCell> cell);
  void OnLeave();
  // The pointer on the list's frame or scroll bars.
  void OnNonClientMove();
  // The rows moved under the pointer: its tip and hot cell are stale.
  void OnScroll();
  // The dragged block's timer.
  void OnDragTimer();
  // The list lost the mouse to another window.
  void OnCaptureLost();
  // The list lost the focus: a button held by Enter would never see its
  // key come up.
  void OnFocusLost() { button_.Forget(dragging_); }
  void OnRightButton(bool down, std::optional<GridCell> cell, std::int64_t keys);
  // An editor's button or context menu, reported for the current cell;
  // false keeps the context menu from the editor.
  bool OnEditorMouse(GridEditorMouse what, std::int64_t keys);
  // The cursor over a cell: the hand over the hot cell, the I-beam over the
  // open text box's cell; none leaves it to the list.
  std::optional<GridCursor> CursorOver(std::optional<GridCell> cell) const;
  // The tip, the hot cell and the cell under the pointer forgotten, and a
  // held button let go without a click (rows are about to change).
  void Forget();
  void StopDragging();
  bool Dragging() const { return dragging_; }

 private:
  void ClickTick(GridCell cell, const GridText& options);
  void StartDragging(GridCell cell);
  // The dragged block's moving corner to the cell under the pointer,
  // scrolling one step while it is beyond the rows or columns.
  void ExtendDraggedBlock(bool scroll);
  bool IsLinkCell(GridCell cell);
  void SetHotCell(GridCell cell);
  void AskTooltip(GridCell cell);

  GridModel& model_;
  GridNotifier& notifier_;
  GridLook& look_;
  GridSelection& selection_;
  GridEditSession& session_;
  GridButtonPress& button_;
  GridListView& list_;
  // A click the grid hands on to the text box is not reported again by it,
  // nor is the button-up that belongs to it.
  bool passingClick_ = false;
  bool passedClickUp_ = false;
  bool dragging_ = false;
  bool leaveTracked_ = false;
  GridCell mouseCell_{-2, -2};  // the cell under the pointer as last seen
};

}  // namespace vantorel
