#pragma once
// The grid's data, kept apart from any window: rows x columns of text (the
// hidden column included), one record per row and the header's display
// order. The list view only shows what this holds.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "grid/grid_column_order.h"

namespace vantorel {

using GridText = std::u16string;

// One per row: the application's value, the strip state word (see
// row_state in grid_geometry.h) and the indent the strip painted it with.
struct GridRow {
  std::int64_t userValue = 0;
  std::uint64_t state = 0;
  std::uint8_t indent = 0;
};

// Block selection in grid columns; anchorColumn -1 = no block. The anchor is
// the block's top-left cell (by display position); current is its moving
// corner.
struct GridBlock {
  std::int32_t anchorColumn = -1;
  std::int32_t anchorRow = -1;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t currentRow = -1;
  std::int32_t currentColumn = -1;
  bool operator==(const GridBlock&) const = default;
};

// A cell by grid column; -1 / -1 = none.
struct GridCell {
  std::int64_t row = -1;
  std::int64_t column = -1;
  bool operator==(const GridCell&) const = default;
};

// Texts of rows added in bulk, asked for when shown instead of being stored:
// (row as added, grid column or -1 for the hidden column) -> text.
using GridCellSource = std::function<GridText(std::int64_t row, std::int64_t column)>;

class GridModel {
 public:
  // Header items including the hidden column: at most 999 grid columns.
  static constexpr std::int64_t kMaxHeaderItems = 1000;

  // Columns. A column goes in at `column` (past the end or -1: appended)
  // and takes that display position; false when the grid is full or the
  // column does not exist.
  std::int64_t ColumnCount() const { return columns_; }
  bool InsertColumn(std::int64_t column);
  bool RemoveColumn(std::int64_t column);

  // Header display order: grid columns left to right. SetHeaderOrder takes
  // the header's own order of items (the hidden item 0 included, wherever
  // it is); anything that is not a permutation of the items is refused.
  const GridColumnOrder& Columns() const { return order_; }
  const std::vector<std::int64_t>& Order() const { return order_.Order(); }
  std::int64_t PositionOf(std::int64_t column) const { return order_.PositionOf(column); }
  bool SetHeaderOrder(const std::vector<std::int32_t>& items) { return order_.SetHeaderOrder(items); }

  // Rows. InsertRow puts a row at `position` (outside the rows: appended)
  // and answers its index, -1 when out of memory.
  std::int64_t RowCount() const { return static_cast<std::int64_t>(rows_.size()); }
  std::int64_t InsertRow(std::int64_t position, GridText hiddenText, std::uint64_t state);
  // Appends `count` rows whose texts come from `source` until written.
  bool AppendSourceRows(std::int64_t count, std::uint64_t state, GridCellSource source);
  bool RemoveRow(std::int64_t row);
  // keepRoom: the memory stays for rows about to come (a refill of the same
  // table); else it is given back at once.
  void ClearRows(bool keepRoom = false);
  // Row -1 is the strip header's record; null when the row does not exist.
  GridRow* Row(std::int64_t row);
  const GridRow* Row(std::int64_t row) const;
  // A row's identity, which survives rows coming and going around it; the
  // row that has it now (-1 when gone).
  std::uint64_t RowId(std::int64_t row) const;
  std::int64_t RowOfId(std::uint64_t id) const;
  // Counts every change of rows or columns, so code that called out to the
  // application can tell whether the cells it meant have moved.
  std::uint64_t Shape() const { return shape_; }

  // Cells; column -1 is the hidden column.
  bool HasCell(std::int64_t column, std::int64_t row) const;
  GridText Text(std::int64_t column, std::int64_t row) const;
  bool IsEmpty(std::int64_t column, std::int64_t row) const;
  bool SetText(std::int64_t column, std::int64_t row, std::u16string_view text);
  // The same from any string of 16-bit units (the platform's wide strings),
  // unit by unit, without a copy on the way.
  template <typename Char>
  bool SetTextUnits(std::int64_t column, std::int64_t row, std::basic_string_view<Char> text) {
    static_assert(sizeof(Char) == sizeof(char16_t));
    if (!PrepareWrite(column, row, text.size())) return false;
    const std::size_t at = pool_.size();
    pool_.resize(at + text.size());
    for (std::size_t i = 0; i < text.size(); ++i) pool_[at + i] = static_cast<char16_t>(text[i]);
    return true;
  }

 private:
  // Every text lives in one pool, so filling thousands of cells costs no
  // allocation per cell; a cell is its place there (length 0: empty).
  struct CellRef {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
  };
  struct StoredRow {
    GridRow record;
    std::uint64_t id = 0;
    std::int64_t sourceRow = -1;  // texts from the source until the row is written
  };
  std::int64_t Stride() const { return columns_ + 1; }
  CellRef& Ref(std::int64_t column, std::int64_t row) {
    return cells_[static_cast<std::size_t>(row * Stride() + column + 1)];
  }
  const CellRef& Ref(std::int64_t column, std::int64_t row) const {
    return cells_[static_cast<std::size_t>(row * Stride() + column + 1)];
  }
  // Makes the cell's text the next `length` units appended to the pool.
  bool PrepareWrite(std::int64_t column, std::int64_t row, std::size_t length);
  void Compact();
  void Materialise(std::int64_t row);
  void MaterialiseAll();

  std::vector<StoredRow> rows_;
  std::vector<CellRef> cells_;  // row-major, the hidden column first in each row
  std::u16string pool_;
  std::size_t livePool_ = 0;    // pool units still in use
  std::int64_t columns_ = 0;
  GridCellSource source_;
  GridColumnOrder order_;
  GridRow headerRow_{0, 0x80000000u, 0};
  std::uint64_t nextId_ = 1;
  std::uint64_t shape_ = 0;
};

}  // namespace vantorel
