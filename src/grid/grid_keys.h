#pragma once
// The grid's keyboard: keys pressed in the list and in the in-place
// editors, Tab and Enter moving between cells, Space on tick and progress
// cells, Enter holding a button cell, the clipboard keys and Escape. Keys
// arrive as abstract keys with the modifiers held at that moment; every
// change is asked of the application first.
#include <cstdint>
#include <functional>

#include "grid/grid_edit_session.h"
#include "grid/grid_intake.h"
#include "grid/grid_look.h"
#include "grid/grid_model.h"
#include "grid/grid_rules.h"
#include "grid/grid_selection.h"
#include "grid/grid_view.h"

namespace vantorel {

enum class GridKey { Other, Left, Right, Up, Down, PageUp, PageDown, Home, End, Tab, Enter, Escape, Space, Delete,
                     Insert, A, C, X, V };

struct GridModifiers {
  bool ctrl = false;
  bool shift = false;
};

// The arrows, page and line keys as moves; none for other keys.
std::optional<GridMove> MoveOfKey(GridKey key);

// A button cell held by the mouse or by Enter: its text carries the pressed
// suffix while it is held over it, and letting it go over it is a click.
class GridButtonPress {
 public:
  GridButtonPress(GridModel& model, GridNotifier& notifier, GridEditSession& session, GridListView& list)
      : model_(model), notifier_(notifier), session_(session), list_(list) {}

  std::int64_t row = -1;
  std::int64_t column = -1;
  bool Held() const { return row >= 0; }
  bool IsHeld(GridCell cell) const { return Held() && cell.row == row && cell.column == column; }
  // Holds a button cell (its text gets the suffix, never twice); nothing
  // while another is held.
  void Press(GridCell cell);
  // The pointer over the held button or off it.
  void ShowHeld(bool over);
  // Let go: ButtonClick when it was let go over the button.
  void Release();
  // Forgotten without a click (rows changing under it, the capture or the
  // focus gone); `keepCapture` while a dragged block still needs the mouse.
  void Forget(bool keepCapture);

 private:
  GridModel& model_;
  GridNotifier& notifier_;
  GridEditSession& session_;
  GridListView& list_;
};

class GridKeyboard {
 public:
  GridKeyboard(GridModel& model, GridNotifier& notifier, GridSelection& selection,
               GridEditSession& session, GridIntake& intake, GridButtonPress& button, GridListView& list,
               GridEditorView& editors, std::function<void()> endEditing)
      : model_(model), notifier_(notifier), selection_(selection), session_(session), intake_(intake),
        button_(button), list_(list), editors_(editors), endEditing_(std::move(endEditing)) {}

  // A key pressed in the list; false leaves it to the list.
  bool OnListKeyDown(GridKey key, GridModifiers held);
  // A key let go in the list, or Tab let go in an editor: Tab moves, Enter
  // lets a held button go. False when it meant nothing here.
  bool OnKeyUp(GridKey key, GridModifiers held);
  // A key pressed in the text box or the editable choice (`editor`), or in
  // the list choice; false keeps it from the editor.
  bool OnEditorKeyDown(GridEditor editor, GridKey key, GridModifiers held);
  bool OnListChoiceKeyDown(GridKey key, GridModifiers held);
  // A character typed there; false keeps it from the editor. After the
  // editor took it, AfterEditorChar reads its text.
  bool OnEditorChar(GridEditor editor, char16_t character, GridModifiers held);
  bool OnListChoiceChar(char16_t character, GridModifiers held);
  void AfterEditorChar(GridEditor editor) { session_.TakeEditorText(editor, kEditorReadLimit); }

  // Tab (or Enter in an editor): the next or previous cell, wrapping.
  void TabMove(bool backwards);
  // The arrows, pages, Home and End: a move of the current cell, or with
  // Shift of the block's moving corner.
  void ArrowKey(GridMove move, bool ctrl, bool shift);
  // Ctrl+A: the block covers the whole grid.
  void SelectAll();

 private:
  void SpaceKey(bool ctrl);
  void EnterKey();
  // Ctrl+C, Ctrl+X and Delete pressed in an editor while a larger block is
  // shown go to the block; the control character the key then types is
  // dropped.
  bool BlockKeyInEditor(GridKey key, GridModifiers held);
  bool TakeSwallowedChar(char16_t character);
  GridCell MoveStart() const;

  GridModel& model_;
  GridNotifier& notifier_;
  GridSelection& selection_;
  GridEditSession& session_;
  GridIntake& intake_;
  GridButtonPress& button_;
  GridListView& list_;
  GridEditorView& editors_;
  std::function<void()> endEditing_;
  char16_t swallowedChar_ = 0;
};

}  // namespace vantorel
