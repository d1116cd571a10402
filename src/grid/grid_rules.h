#pragma once
// The rules of working in a grid that need no window: where a key moves the
// current cell, what a block covers as it is dragged, what Space does to
// tick and progress cells, the pressed-button suffix, and how copied and
// pasted text maps onto cells. The window procedures ask these and show the
// result.
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "grid/grid_model.h"

namespace vantorel {

enum class GridMove { Left, Right, Up, Down, PageUp, PageDown, Home, End };

// The value CellFocus carries for a key move: Left 3 ... End 10.
std::int64_t MoveKeyValue(GridMove move);

// Where a key moves the current cell: rows by one or by a page (clamped to
// the first and last row), columns in display order, Home and End to the
// first and last column (with Ctrl to the first and last row). Ctrl with an
// arrow jumps to the next non-empty cell that way, stopping at the edge.
// None when the grid has no cells or `from` is not a cell.
std::optional<GridCell> MoveTarget(const GridModel& model, GridCell from, GridMove move, bool ctrl,
                                   std::int64_t pageRows);

// Tab: the next column in display order, wrapping to the first column of the
// next row and from the last row to row 0; backwards the other way round.
std::optional<GridCell> TabTarget(const GridModel& model, GridCell from, bool backwards);

// The block spanned by a fixed and a moving corner in whichever direction
// it was dragged; selection kind 1 takes whole columns, 2 whole rows. No
// block (anchorColumn -1) when a corner is not a cell.
GridBlock BlockBetween(const GridModel& model, GridCell fixed, GridCell moving, std::int64_t kind);
// The corner opposite the block's moving one.
GridCell FixedCorner(const GridModel& model, const GridBlock& block);
// Shift+arrows and dragging: the moving corner goes to `to`.
GridBlock ExtendBlock(const GridModel& model, const GridBlock& block, GridCell to, std::int64_t kind);
// Ctrl+A: every row and column, the corner at the last of both.
GridBlock WholeGridBlock(const GridModel& model);
// A block the application sets: none unless its anchor is a cell and its
// sides are positive; cut at the grid's edges.
std::optional<GridBlock> CheckedBlock(const GridModel& model, std::int64_t column, std::int64_t row,
                                      std::int64_t width, std::int64_t height);
bool InBlock(const GridModel& model, const GridBlock& block, std::int64_t row, std::int64_t column);
// Which sides of a block cell lie on the block's outline (left, top, right, bottom).
struct GridBlockEdges {
  bool left = false;
  bool top = false;
  bool right = false;
  bool bottom = false;
};
GridBlockEdges BlockEdges(const GridModel& model, const GridBlock& block, std::int64_t row, std::int64_t column);

// The cells a block given by anchor, width and height covers, cut at the
// grid's edges: rows [firstRow, endRow), columns in display order.
struct GridBlockCells {
  std::int64_t firstRow = 0;
  std::int64_t endRow = 0;
  std::vector<std::int64_t> columns;
};
GridBlockCells BlockCells(const GridModel& model, std::int64_t column, std::int64_t row, std::int64_t width,
                          std::int64_t height);

// Tick cells: the options are "on/off"; the box is ticked while the text is
// the first value.
bool TickShown(const GridText& text, const GridText& options);
// The first value unless the text already is it, else the second.
GridText ToggledTick(const GridText& text, const GridText& options);
// A progress cell's text read as a number (leading blanks and a sign
// allowed, anything after the digits ignored), clamped to 0-100.
int ProgressValue(const GridText& text);
// Space on a cell of the given type: a tick cell (5) toggles, a progress
// cell (9) with text steps by 1 (down with Ctrl) within 0-100; none for
// anything else.
std::optional<GridText> SpaceText(std::int64_t type, const GridText& text, const GridText& options, bool ctrl);

// A button cell's text ends with "\+" while the button is held; never twice.
inline constexpr std::u16string_view kPressedSuffix = u"\\+";
bool EndsPressed(const GridText& text);
GridText PressedText(const GridText& text);
GridText ReleasedText(const GridText& text);

// Copy: the block's cells row by row in display order, a tab between cells
// and CR LF after each row; the current cell contributes `currentText`.
GridText BlockText(const GridModel& model, std::int64_t column, std::int64_t row, std::int64_t width,
                   std::int64_t height, GridCell current, const GridText& currentText);
// Paste: the clipboard's cells from `at` on, tab to the next column in
// display order, line break to the next row; cells beyond the last row or
// column are dropped.
struct GridCellWrite {
  std::int64_t row = 0;
  std::int64_t column = 0;
  GridText text;
  bool operator==(const GridCellWrite&) const = default;
};
std::vector<GridCellWrite> PasteWrites(const GridModel& model, GridCell at, std::u16string_view clipboard);

// How a cell of the given type takes text that arrives at once rather than
// typed (a paste, the emptying of Delete and Ctrl+X): text and editable
// choice cells take what typing could put there, a list choice one of its
// options, and a cell without an editor nothing at all.
enum class CellIntake { Typed, Option, None };
CellIntake IntakeOf(std::int64_t type);

// What typing could have put into a one-line editor of the text that
// arrived: each character is offered in turn to `accepts`, as if typed, and
// kept when it says yes; the text ends at its first line break, and control
// characters, which no key types into a text box, are left out without
// being offered.
GridText TypedIntake(std::u16string_view arriving, const std::function<bool(char16_t)>& accepts);

// The header item a column added at grid position `position` becomes among
// `headerItems` items (the hidden one included): past the end or negative,
// the next one.
std::int64_t ColumnInsertItem(std::int64_t position, std::int64_t headerItems);

// The maximum width a tooltip gets from TooltipQuery's x1: a negative width
// means no limit (-1 to the tooltip), anything else at least 1 pixel.
std::int64_t TooltipMaxWidth(std::int64_t x1);

}  // namespace vantorel
