#pragma once
// How the function table maps onto the grid of the Functions page: columns,
// ticks, colours, the fill, reading the live table back, and the answers to
// the grid's notifications.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "codegen/function_table.h"
#include "grid/grid_win32.h"

namespace vantorel {

inline constexpr int kFunctionColumns = 6;  // Nr, Alias, Function, Para, Conv, Comment
inline constexpr std::int64_t kTicked = 2;
inline constexpr std::int64_t kUnticked = 1;

// Adds the six columns, the last with width 0 (stretched after every fill).
void AddFunctionGridColumns(GridControl& grid);

// Replaces every row with one row per entry, in list order.
void FillFunctionGrid(GridControl& grid, const FunctionList& list);

// Stretches the last column over the rest of the grid's width.
void StretchLastColumn(GridControl& grid);

// One row of the live table as the grid holds it now.
struct FunctionGridRow {
  bool ticked = false;
  std::wstring alias, function, para, conv, comment;
};
std::vector<FunctionGridRow> ReadFunctionGrid(GridControl& grid);
std::int64_t CountTickedRows(GridControl& grid);

// The tip of a row, given its index and the text of its Function cell: the
// titled form (title, the character 7, the lines); empty for none.
using RowTipProvider = std::function<std::wstring(std::int64_t row, const std::wstring& function)>;

// The widest a row's tip gets: a signature wraps at about 60 characters.
inline constexpr std::int64_t kRowTipWidth = 450;

// The function grid's callback. selectionChanged is told the new number of
// ticked rows after every change of ticks; rowTip answers the tips of the
// Alias and Function cells (none without it). The Alias tip of a row that the
// source of the library at libraryPath declares under another name adds a
// line with that name and why.
std::int64_t OnFunctionGridEvent(GridControl* grid, GridEvent event, CellEvent& record,
                                 const std::function<void(std::int64_t)>& selectionChanged,
                                 const RowTipProvider& rowTip = {}, std::wstring_view libraryPath = {});

}  // namespace vantorel
