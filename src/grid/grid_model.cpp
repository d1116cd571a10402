#include "grid/grid_model.h"

#include <algorithm>
#include <new>

namespace vantorel {

void GridModel::ResetOrder() {
  order_.resize(static_cast<std::size_t>(columns_));
  position_.resize(static_cast<std::size_t>(columns_));
  for (std::int64_t c = 0; c < columns_; ++c) {
    order_[static_cast<std::size_t>(c)] = c;
    position_[static_cast<std::size_t>(c)] = c;
  }
}

bool GridModel::InsertColumn(std::int64_t column) {
  if (columns_ + 1 >= kMaxHeaderItems) return false;
  if (column < 0 || column > columns_) column = columns_;
  // A source answers by the columns it was given; written rows follow.
  MaterialiseAll();
  for (StoredRow& row : rows_)
    if (row.cells.size() > static_cast<std::size_t>(column) + 1)
      row.cells.insert(row.cells.begin() + column + 1, GridText());
  // Like the header: the new item takes its index as display position.
  std::vector<std::int64_t> order;
  order.reserve(order_.size() + 1);
  for (std::int64_t c : order_) order.push_back(c >= column ? c + 1 : c);
  const std::int64_t at = std::min<std::int64_t>(column, static_cast<std::int64_t>(order.size()));
  order.insert(order.begin() + at, column);
  ++columns_;
  order_ = std::move(order);
  position_.assign(static_cast<std::size_t>(columns_), 0);
  for (std::size_t p = 0; p < order_.size(); ++p) position_[static_cast<std::size_t>(order_[p])] = static_cast<std::int64_t>(p);
  ++shape_;
  return true;
}

bool GridModel::RemoveColumn(std::int64_t column) {
  if (column < 0 || column >= columns_) return false;
  MaterialiseAll();
  for (StoredRow& row : rows_)
    if (row.cells.size() > static_cast<std::size_t>(column) + 1) row.cells.erase(row.cells.begin() + column + 1);
  std::vector<std::int64_t> order;
  for (std::int64_t c : order_)
    if (c != column) order.push_back(c > column ? c - 1 : c);
  --columns_;
  order_ = std::move(order);
  position_.assign(static_cast<std::size_t>(columns_), 0);
  for (std::size_t p = 0; p < order_.size(); ++p) position_[static_cast<std::size_t>(order_[p])] = static_cast<std::int64_t>(p);
  ++shape_;
  return true;
}

std::int64_t GridModel::PositionOf(std::int64_t column) const {
  if (column < 0 || column >= columns_) return -1;
  return position_[static_cast<std::size_t>(column)];
}

bool GridModel::SetHeaderOrder(const std::vector<std::int32_t>& items) {
  if (static_cast<std::int64_t>(items.size()) != columns_ + 1) return false;
  std::vector<bool> seen(items.size(), false);
  std::vector<std::int64_t> order;
  order.reserve(static_cast<std::size_t>(columns_));
  for (std::int32_t item : items) {
    if (item < 0 || static_cast<std::size_t>(item) >= items.size() || seen[static_cast<std::size_t>(item)])
      return false;
    seen[static_cast<std::size_t>(item)] = true;
    if (item > 0) order.push_back(item - 1);
  }
  order_ = std::move(order);
  for (std::size_t p = 0; p < order_.size(); ++p) position_[static_cast<std::size_t>(order_[p])] = static_cast<std::int64_t>(p);
  return true;
}

std::int64_t GridModel::InsertRow(std::int64_t position, GridText hiddenText, std::uint64_t state) {
  const std::int64_t count = RowCount();
  if (position < 0 || position > count) position = count;
  try {
    StoredRow row;
    row.record.state = state;
    row.id = nextId_++;
    if (!hiddenText.empty()) row.cells.push_back(std::move(hiddenText));
    rows_.insert(rows_.begin() + position, std::move(row));
  } catch (const std::bad_alloc&) {
    return -1;
  }
  ++shape_;
  return position;
}

bool GridModel::AppendSourceRows(std::int64_t count, std::uint64_t state, GridCellSource source) {
  if (count <= 0) return true;
  // One source at a time: rows of an earlier one keep their texts.
  if (source_) MaterialiseAll();
  const std::size_t first = rows_.size();
  try {
    rows_.resize(first + static_cast<std::size_t>(count));
  } catch (const std::bad_alloc&) {
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
  rows_.erase(rows_.begin() + row);
  ++shape_;
  return true;
}

void GridModel::ClearRows() {
  rows_.clear();
  rows_.shrink_to_fit();
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
  const auto slot = static_cast<std::size_t>(column + 1);
  return slot < stored.cells.size() ? stored.cells[slot] : GridText();
}

bool GridModel::IsEmpty(std::int64_t column, std::int64_t row) const {
  if (!HasCell(column, row)) return true;
  const StoredRow& stored = rows_[static_cast<std::size_t>(row)];
  if (stored.sourceRow >= 0 && source_) return source_(stored.sourceRow, column).empty();
  const auto slot = static_cast<std::size_t>(column + 1);
  return slot >= stored.cells.size() || stored.cells[slot].empty();
}

void GridModel::Materialise(StoredRow& row) {
  if (row.sourceRow < 0) return;
  if (source_) {
    row.cells.resize(static_cast<std::size_t>(columns_) + 1);
    for (std::int64_t c = -1; c < columns_; ++c) row.cells[static_cast<std::size_t>(c + 1)] = source_(row.sourceRow, c);
  }
  row.sourceRow = -1;
}

void GridModel::MaterialiseAll() {
  if (!source_) return;
  for (StoredRow& row : rows_) Materialise(row);
  source_ = nullptr;
}

bool GridModel::SetText(std::int64_t column, std::int64_t row, GridText text) {
  if (!HasCell(column, row)) return false;
  StoredRow& stored = rows_[static_cast<std::size_t>(row)];
  Materialise(stored);
  const auto slot = static_cast<std::size_t>(column + 1);
  if (slot >= stored.cells.size()) {
    if (text.empty()) return true;
    stored.cells.resize(slot + 1);
  }
  stored.cells[slot] = std::move(text);
  return true;
}

void GridModel::ForgetCurrentCell() {
  editRow = -1;
  editColumn = -1;
  editType = 0;
}

}  // namespace vantorel
