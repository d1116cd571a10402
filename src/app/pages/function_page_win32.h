#pragma once
// The Functions page: the function table's rows shown in the grid. Columns,
// ticks, colours, the fill, and the answers to the grid's notifications,
// which write every edit and tick the user makes back into the rows.
#include <functional>
#include <string>
#include <string_view>

#include "codegen/function_table.h"
#include "grid/grid_win32.h"

namespace vantorel {

inline constexpr int kFunctionColumns = 6;  // Nr, Alias, Function, Para, Conv, Comment
inline constexpr std::int64_t kTicked = 2;
inline constexpr std::int64_t kUnticked = 1;

// Adds the six columns, the last with width 0 (stretched after every fill).
void AddFunctionGridColumns(GridControl& grid, int dpi = 96);
// Every column's width taken from fromDpi to toDpi, in proportion.
void ScaleColumnWidths(GridControl& grid, int fromDpi, int toDpi);

// Replaces every grid row with one row per table row, in table order: grid
// row r shows table row r. The grid keeps its own copy of the texts.
void FillFunctionGrid(GridControl& grid, const FunctionRows& rows);

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
// line with that name and why.
std::int64_t OnFunctionGridEvent(GridControl* grid, GridEvent event, CellEvent& record, FunctionRows& rows,
                                 const std::function<void(std::int64_t)>& selectionChanged,
                                 const RowTipProvider& rowTip = {}, std::u16string_view libraryPath = {});

}  // namespace vantorel
