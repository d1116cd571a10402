#pragma once
// The Functions page: the function table's rows shown in the grid. Columns,
// ticks, colours, the fill, and the answers to the grid's notifications,
// which write every edit and tick the user makes back into the rows.
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codegen/function_table.h"
#include "codegen/row_filter.h"
#include "grid/grid_win32.h"

namespace vantorel {

inline constexpr int kFunctionColumns = 6;  // Nr, Alias, Function, Para, Conv, Comment
inline constexpr std::int64_t kTicked = 2;
inline constexpr std::int64_t kUnticked = 1;

// Adds the six columns, the last with width 0 (stretched after every fill).
void AddFunctionGridColumns(GridControl& grid, int dpi = 96);
// Every column's width taken from fromDpi to toDpi, in proportion.
void ScaleColumnWidths(GridControl& grid, int fromDpi, int toDpi);

// Replaces every grid row with one row per table row the view shows (null,
// or a view of another table: every row), in table order; each shows its
// number in the table. Without a view the grid keeps its own copy of the
// texts; with one it reads them from `rows` as it shows them, so `rows`
// must stay until the grid is filled again (the session's rows, refilled
// whenever they are replaced).
void FillFunctionGrid(GridControl& grid, const FunctionRows& rows, const RowView* view = nullptr);

// The texts of a freshly opened library's rows, made from its export names
// (in slot order, as the session's rows are made from them) when the grid
// asks for them, so the grid can show the rows before they are made. Owned:
// nothing else need stay. Null when the names do not fit in memory.
class FunctionGridTexts;
std::shared_ptr<const FunctionGridTexts> FreshFunctionGridTexts(std::span<const ExportEntry> exports,
                                                                ExportNameDecoder decode);
std::size_t FunctionGridTextRows(const FunctionGridTexts& texts);
// Fills the grid with such texts, every row ticked as a fresh library's is.
void FillFreshFunctionGrid(GridControl& grid, std::shared_ptr<const FunctionGridTexts> texts);

// What the Functions page shows while its filter is open: the rows the
// filter matches, which the grid's rows map to. Closed, grid row r is table
// row r.
struct FunctionFilter {
  bool open = false;
  RowFilter filter;
  RowView view;
  // The rows' undecorated C++ names, made on the first filter of a table.
  std::vector<std::u16string> undecorated;
  bool undecoratedMade = false;
  const RowView* Shown() const { return open ? &view : nullptr; }
};

// The current cell by table row and grid column (-1: none). Taken before
// the grid is resized, which ends the edit and forgets it.
struct FunctionGridPlace {
  std::int64_t row = -1;
  std::int64_t column = -1;
};
FunctionGridPlace CurrentFunctionRow(GridControl& grid, const FunctionFilter& filter);

// Opens the filter (if closed) and shows the rows `text` matches; the
// current row (`place`, or the grid's) stays current when it is still
// shown. An edit still open is written into its row first.
void FilterFunctionGrid(GridControl& grid, const FunctionRows& rows, FunctionFilter& filter, std::u16string_view text,
                        std::optional<FunctionGridPlace> place = std::nullopt);
// Closes the filter: every row shown again, the row at `place` current and
// in view, the grid focused.
void ShowAllFunctionRows(GridControl& grid, const FunctionRows& rows, FunctionFilter& filter,
                         const FunctionGridPlace& place);
// The rows were replaced (a library or project opened): what was made from
// the old ones is dropped.
void ForgetFunctionRows(FunctionFilter& filter);
// Fills the grid anew from the rows, through the filter when it is open.
void RefillFunctionGrid(GridControl& grid, const FunctionRows& rows, FunctionFilter& filter);
// Ticks or unticks exactly the rows shown (every row with the filter
// closed), in the rows and in the grid; how many changed.
std::size_t TickShownFunctionRows(GridControl& grid, FunctionRows& rows, const FunctionFilter& filter, bool ticked);

// Stretches the last column over the rest of the grid's width.
void StretchLastColumn(GridControl& grid);

// The tip of a row, given its index and its export name: the titled form
// (title, the character 7, the lines); empty for none.
using RowTipProvider = std::function<std::wstring(std::int64_t row, const std::wstring& function)>;

// The widest a row's tip gets: a signature wraps at about 60 characters.
inline constexpr std::int64_t kRowTipWidth = 450;

// The function grid's callback over the rows it was filled from: every edit
// and tick the grid takes is written into the row it shows, so the rows
// equal what the grid shows. selectionChanged is told the new number of
// ticked rows after every change of ticks; rowTip answers the tips of the
// Alias and Function cells (none without it). The Alias tip of a row that the
// source of the library at libraryPath declares under another name adds a
// line with that name and why. With a view, grid row r shows the table row
// the view shows at r.
std::int64_t OnFunctionGridEvent(GridControl* grid, GridEvent event, CellEvent& record, FunctionRows& rows,
                                 const std::function<void(std::int64_t)>& selectionChanged,
                                 const RowTipProvider& rowTip = {}, std::u16string_view libraryPath = {},
                                 const RowView* view = nullptr);

}  // namespace vantorel
