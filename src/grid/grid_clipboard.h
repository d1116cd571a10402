#pragma once
// The grid's clipboard text: cells separated by a tab, rows ended by CR LF,
// the form spreadsheets exchange.
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

using GridTextBlock = std::vector<std::vector<std::u16string>>;

// One line per row, a tab between cells, CR LF after the last cell of each row.
std::u16string FormatGridBlock(const GridTextBlock& rows);

// The cells of a pasted text: a tab starts the next cell, CR LF (or a lone
// LF or CR) the next row. A line break at the very end opens no further row,
// so a copied block pastes back as itself.
GridTextBlock ParseGridBlock(std::u16string_view text);

}  // namespace vantorel
