#pragma once
// What the grid's rules ask of the windows that show it. The rules decide;
// these interfaces move the decision onto the screen: the list of cells, the
// in-place editors and the row-header strip. The Win32 side implements them,
// the native tests fake them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "grid/grid_events.h"
#include "grid/grid_geometry.h"
#include "grid/grid_model.h"

namespace vantorel {

// Which in-place editor holds the current cell's text.
enum class GridEditor { None, TextBox, ListChoice, EditChoice };

// A point in the list's client area.
struct GridPoint {
  int x = 0;
  int y = 0;
};

enum class GridCursor { Hand, IBeam, Divider, Arrow };

// The bit of a mouse event's key state that says Shift was held.
inline constexpr std::int64_t kMouseKeyShift = 0x4;

// An editor's text with its selection, ordered and within the text.
struct GridEditorContent {
  GridText text;
  std::size_t start = 0;
  std::size_t end = 0;
  bool Selected() const { return end > start; }
};

// The rows and columns on screen, for the corner of a block dragged with
// the mouse: rows from `top` on, each `itemHeight` high from `rowsTop`;
// columns in display order with their extent, all in list coordinates.
struct GridColumnSpan {
  std::int64_t column = 0;
  int left = 0;
  int right = 0;
};
struct GridDragView {
  std::int64_t count = 0;
  std::int64_t top = 0;
  std::int64_t page = 1;
  int itemHeight = 1;
  int rowsTop = 0;
  int clientLeft = 0;
  int clientRight = 0;
  int clientBottom = 0;
  std::vector<GridColumnSpan> columns;
  GridPoint pointer;
};

// The list of cells.
class GridListView {
 public:
  virtual ~GridListView() = default;
  // False once the list's window is gone: every rule then stops.
  virtual bool Alive() const = 0;
  virtual void InvalidateCell(GridCell cell) = 0;
  virtual void InvalidateRow(std::int64_t row) = 0;
  // The whole list, unless the application has switched redrawing off.
  virtual void InvalidateAll() = 0;
  virtual void EnsureRowVisible(std::int64_t row) = 0;
  // Sideways too; the open editor follows its cell.
  virtual void EnsureCellVisible(GridCell cell) = 0;
  // The open editor follows its cell after a scroll or a column change.
  virtual void PlaceCurrentEditor() = 0;
  // Rows a page key moves: as many as the list shows.
  virtual std::int64_t PageRows() = 0;
  // A cell's rectangle in list coordinates; empty when it has none.
  virtual CellBox CellBoxOf(GridCell cell) = 0;
  virtual std::optional<GridCell> CellUnderPointer() = 0;
  virtual bool LeftButtonHeld() = 0;
  virtual void CaptureMouse() = 0;
  // Only when the list holds it.
  virtual void ReleaseMouse() = 0;
  virtual bool HasMouse() = 0;
  virtual void StartDragTimer() = 0;
  virtual void StopDragTimer() = 0;
  // None without rows, columns on screen or a measurable row.
  virtual std::optional<GridDragView> DragView() = 0;
  virtual void ScrollBy(int dx, int dy) = 0;
  // Mouse-leave notice asked for; false when it could not be.
  virtual bool TrackLeave() = 0;
  // A press on the open text box handed on to it, so its caret lands there.
  virtual void PassClickToEditor(GridPoint point, std::int64_t keys, bool doubleClick) = 0;
  virtual void ShowTooltip(GridCell cell, const CellEvent& answer) = 0;
  virtual void DestroyTooltip() = 0;
  // The focus to the list; TakeFocus only when it is outside the list and its editors.
  virtual void FocusList() = 0;
  virtual void TakeFocus() = 0;
  virtual GridText ClipboardText() = 0;
  virtual bool SetClipboardText(const GridText& text) = 0;
  // The system's comparison of option texts, which ignores case.
  virtual bool SameOption(const GridText& a, const GridText& b) = 0;
};

// The three in-place editors.
class GridEditorView {
 public:
  virtual ~GridEditorView() = default;
  // All out of sight (lists closed); the focus goes back to the list when
  // an editor had it.
  virtual void HideEditors() = 0;
  // The editor takes the cell's text; a choice takes its options, and the
  // list choice selects the one that is the text.
  virtual void LoadEditor(GridEditor editor, const GridText& text, const std::vector<GridText>& options) = 0;
  virtual void PlaceEditor(GridEditor editor, GridCell cell) = 0;
  // None: the focus goes to the list.
  virtual void FocusEditor(GridEditor editor) = 0;
  // Whether one of the grid's editors has the focus.
  virtual bool EditorHasFocus() = 0;
  // The text an editor shows; none for a list choice with nothing chosen.
  virtual std::optional<GridText> EditorText(GridEditor editor) = 0;
  virtual void SetEditorText(GridEditor editor, const GridText& text) = 0;
  // A choice gets a text back: its list closes, the option of that text is
  // selected (none when there is none), and an editable one shows the text.
  virtual void RestoreChoice(GridEditor editor, const GridText& text) = 0;
  // The editor's text (at most `limit` characters) and selection.
  virtual GridEditorContent ReadEditor(GridEditor editor, std::size_t limit) = 0;
  // Past the grid's own checks: the selection replaced, the whole text
  // replaced with the caret at its end, a paste of the editor's own.
  virtual void ReplaceSelection(GridEditor editor, const GridText& text) = 0;
  virtual void ReplaceText(GridEditor editor, const GridText& text) = 0;
  virtual void PasteOwn(GridEditor editor) = 0;
  virtual bool ListDropped(GridEditor editor) = 0;
  virtual void CloseList(GridEditor editor) = 0;
};

// The row-header strip beside the list.
class GridStripView {
 public:
  virtual ~GridStripView() = default;
  // False once the grid's windows are gone.
  virtual bool StripAlive() = 0;
  virtual void RefreshStrip() = 0;
  virtual void RefreshStripCell(std::int64_t row) = 0;
  virtual void CaptureStrip() = 0;
  // Only when the strip holds the mouse.
  virtual void ReleaseStrip() = 0;
  // Whether a strip cell may be held pressed (the list's style allows it).
  virtual bool StripCellsPress() = 0;
  virtual void FocusList() = 0;
};

}  // namespace vantorel
