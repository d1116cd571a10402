#include "grid/grid_model.h"

#include <algorithm>
#include <limits>
#include <new>

namespace vantorel {
namespace {

// Pool places are 32-bit: beyond that a write is refused.
constexpr std::size_t kMaxPool = std::numeric_limits<std::uint32_t>::max();

}  // namespace

bool GridModel::InsertColumn(std::int64_t column) {
  if (columns_ + 1 >= kMaxHeaderItems) return false;
  if (column < 0 || column > columns_) column = columns_;
  // A source answers by the columns it was given; its rows are written out first.
  MaterialiseAll();
  std::vector<CellRef> cells;
  try {
    cells.reserve(rows_.size() * static_cast<std::size_t>(Stride() + 1));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    const auto first = cells_.begin() + static_cast<std::ptrdiff_t>(r * static_cast<std::size_t>(Stride()));
    cells.insert(cells.end(), first, first + column + 1);
    cells.emplace_back();
    cells.insert(cells.end(), first + column + 1, first + Stride());
  }
  cells_ = std::move(cells);
  order_.Insert(column);
  ++columns_;
  ++shape_;
  return true;
}

bool GridModel::RemoveColumn(std::int64_t column) {
  if (column < 0 || column >= columns_) return false;
  MaterialiseAll();
  std::vector<CellRef> cells;
  cells.reserve(rows_.size() * static_cast<std::size_t>(columns_));
  for (std::size_t r = 0; r < rows_.size(); ++r)
    for (std::int64_t c = -1; c < columns_; ++c) {
      const CellRef& ref = Ref(c, static_cast<std::int64_t>(r));
      if (c == column)
        livePool_ -= ref.length;
      else
        cells.push_back(ref);
    }
  cells_ = std::move(cells);
  order_.Remove(column);
  --columns_;
  ++shape_;
  return true;
}

std::int64_t GridModel::InsertRow(std::int64_t position, GridText hiddenText, std::uint64_t state) {
  const std::int64_t count = RowCount();
  if (position < 0 || position > count) position = count;
  try {
    StoredRow row;
    row.record.state = state;
    row.id = nextId_;
    cells_.insert(cells_.begin() + position * Stride(), static_cast<std::size_t>(Stride()), CellRef{});
    try {
      rows_.insert(rows_.begin() + position, row);
    } catch (const std::bad_alloc&) {
      cells_.erase(cells_.begin() + position * Stride(), cells_.begin() + (position + 1) * Stride());
      throw;
    }
  } catch (const std::bad_alloc&) {
    return -1;
  }
  ++nextId_;
  ++shape_;
  if (!hiddenText.empty()) SetText(-1, position, hiddenText);
  return position;
}

bool GridModel::AppendSourceRows(std::int64_t count, std::uint64_t state, GridCellSource source) {
  if (count <= 0) return true;
  // One source at a time: rows of an earlier one keep their texts.
  if (source_) MaterialiseAll();
  const std::size_t first = rows_.size();
  try {
    cells_.resize(cells_.size() + static_cast<std::size_t>(count * Stride()));
    rows_.resize(first + static_cast<std::size_t>(count));
  } catch (const std::bad_alloc&) {
    cells_.resize(first * static_cast<std::size_t>(Stride()));
    return false;
  }
  for (std::size_t i = first; i < rows_.size(); ++i) {
    rows_[i].record.state = state;
    rows_[i].id = nextId_++;
    rows_[i].sourceRow = static_cast<std::int64_t>(i - first);
  }
  source_ = std::move(source);
  ++shape_;
  return true;
}

bool GridModel::RemoveRow(std::int64_t row) {
  if (row < 0 || row >= RowCount()) return false;
  for (std::int64_t c = -1; c < columns_; ++c) livePool_ -= Ref(c, row).length;
  cells_.erase(cells_.begin() + row * Stride(), cells_.begin() + (row + 1) * Stride());
  rows_.erase(rows_.begin() + row);
  ++shape_;
  return true;
}

void GridModel::ClearRows(bool keepRoom) {
  if (keepRoom) {
    rows_.clear();
    cells_.clear();
    pool_.clear();
  } else {
    // Given back at once: a dump of megabytes should not stay behind.
    std::vector<StoredRow>().swap(rows_);
    std::vector<CellRef>().swap(cells_);
    std::u16string().swap(pool_);
  }
  livePool_ = 0;
  source_ = nullptr;
  ++shape_;
}

GridRow* GridModel::Row(std::int64_t row) {
  if (row == -1) return &headerRow_;
  if (row < 0 || row >= RowCount()) return nullptr;
  return &rows_[static_cast<std::size_t>(row)].record;
}

const GridRow* GridModel::Row(std::int64_t row) const { return const_cast<GridModel*>(this)->Row(row); }

std::uint64_t GridModel::RowId(std::int64_t row) const {
  return row >= 0 && row < RowCount() ? rows_[static_cast<std::size_t>(row)].id : 0;
}

std::int64_t GridModel::RowOfId(std::uint64_t id) const {
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].id == id) return static_cast<std::int64_t>(i);
  return -1;
}

bool GridModel::HasCell(std::int64_t column, std::int64_t row) const {
  return column >= -1 && column < columns_ && row >= 0 && row < RowCount();
}

GridText GridModel::Text(std::int64_t column, std::int64_t row) const {
  if (!HasCell(column, row)) return {};
  const StoredRow& stored = rows_[static_cast<std::size_t>(row)];
  if (stored.sourceRow >= 0 && source_) return source_(stored.sourceRow, column);
  const CellRef& ref = Ref(column, row);
  return pool_.substr(ref.offset, ref.length);
}

bool GridModel::IsEmpty(std::int64_t column, std::int64_t row) const {
  if (!HasCell(column, row)) return true;
  const StoredRow& stored = rows_[static_cast<std::size_t>(row)];
  if (stored.sourceRow >= 0 && source_) return source_(stored.sourceRow, column).empty();
  return Ref(column, row).length == 0;
}

bool GridModel::PrepareWrite(std::int64_t column, std::int64_t row, std::size_t length) {
  if (!HasCell(column, row) || length > kMaxPool) return false;
  Materialise(row);
  CellRef& ref = Ref(column, row);
  livePool_ -= ref.length;
  ref = {};
  // Old texts are left in the pool until they outweigh the live ones.
  if (pool_.size() > 2 * livePool_ + 65536) Compact();
  if (pool_.size() + length > kMaxPool) Compact();
  if (pool_.size() + length > kMaxPool) return false;
  try {
    pool_.reserve(pool_.size() + length);
  } catch (const std::bad_alloc&) {
    return false;
  }
  Ref(column, row) = {static_cast<std::uint32_t>(pool_.size()), static_cast<std::uint32_t>(length)};
  livePool_ += length;
  return true;
}

bool GridModel::SetText(std::int64_t column, std::int64_t row, std::u16string_view text) {
  if (!PrepareWrite(column, row, text.size())) return false;
  pool_.append(text);
  return true;
}

void GridModel::Compact() {
  std::u16string pool;
  pool.reserve(livePool_);
  for (CellRef& ref : cells_) {
    if (ref.length == 0) continue;
    const auto offset = static_cast<std::uint32_t>(pool.size());
    pool.append(pool_, ref.offset, ref.length);
    ref.offset = offset;
  }
  pool_ = std::move(pool);
}

void GridModel::Materialise(std::int64_t row) {
  StoredRow& stored = rows_[static_cast<std::size_t>(row)];
  const std::int64_t sourceRow = stored.sourceRow;
  if (sourceRow < 0) return;
  stored.sourceRow = -1;
  if (!source_) return;
  for (std::int64_t c = -1; c < columns_; ++c) SetText(c, row, source_(sourceRow, c));
}

void GridModel::MaterialiseAll() {
  if (!source_) return;
  for (std::size_t r = 0; r < rows_.size(); ++r) Materialise(static_cast<std::int64_t>(r));
  source_ = nullptr;
}

}  // namespace vantorel
