#include "grid/grid_column_order.h"

#include <algorithm>

namespace vantorel {

std::int64_t GridColumnOrder::PositionOf(std::int64_t column) const {
  if (column < 0 || column >= static_cast<std::int64_t>(position_.size())) return -1;
  return position_[static_cast<std::size_t>(column)];
}

std::int64_t GridColumnOrder::HeaderPositionOf(std::int64_t item) const {
  if (item < 0 || item >= static_cast<std::int64_t>(itemPosition_.size())) return -1;
  return itemPosition_[static_cast<std::size_t>(item)];
}

std::int64_t GridColumnOrder::FirstShownHeaderPosition() const {
  for (std::size_t p = 0; p < items_.size(); ++p)
    if (items_[p] > 0) return static_cast<std::int64_t>(p);
  return 0;
}

void GridColumnOrder::Insert(std::int64_t column) {
  const auto count = static_cast<std::int64_t>(order_.size());
  const auto item = static_cast<std::int32_t>((column < 0 || column > count ? count : column) + 1);
  for (std::int32_t& i : items_)
    if (i >= item) ++i;
  items_.insert(items_.begin() + std::min<std::ptrdiff_t>(item, static_cast<std::ptrdiff_t>(items_.size())), item);
  Derive();
}

void GridColumnOrder::Remove(std::int64_t column) {
  if (column < 0 || column >= static_cast<std::int64_t>(order_.size())) return;
  const auto item = static_cast<std::int32_t>(column + 1);
  std::erase(items_, item);
  for (std::int32_t& i : items_)
    if (i > item) --i;
  Derive();
}

bool GridColumnOrder::SetHeaderOrder(const std::vector<std::int32_t>& items) {
  if (items.size() != items_.size()) return false;
  std::vector<bool> seen(items.size(), false);
  for (std::int32_t item : items) {
    if (item < 0 || static_cast<std::size_t>(item) >= items.size() || seen[static_cast<std::size_t>(item)])
      return false;
    seen[static_cast<std::size_t>(item)] = true;
  }
  items_ = items;
  Derive();
  return true;
}

std::vector<std::int32_t> GridColumnOrder::PinnedAfterDrag(std::vector<std::int32_t> items, bool firstColumnStays) {
  auto pin = [&items](std::int32_t item, std::size_t position) {
    const auto at = std::find(items.begin(), items.end(), item);
    if (at == items.end() || position >= items.size()) return;
    items.erase(at);
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(position), item);
  };
  pin(0, 0);
  if (firstColumnStays) pin(1, 1);
  return items;
}

std::vector<std::int32_t> GridColumnOrder::HeaderIdentity(std::int64_t count) {
  std::vector<std::int32_t> items(static_cast<std::size_t>(std::max<std::int64_t>(count, 0)));
  for (std::size_t i = 0; i < items.size(); ++i) items[i] = static_cast<std::int32_t>(i);
  return items;
}

void GridColumnOrder::Derive() {
  itemPosition_.assign(items_.size(), 0);
  order_.clear();
  for (std::size_t p = 0; p < items_.size(); ++p) {
    itemPosition_[static_cast<std::size_t>(items_[p])] = static_cast<std::int64_t>(p);
    if (items_[p] > 0) order_.push_back(items_[p] - 1);
  }
  position_.assign(order_.size(), 0);
  for (std::size_t p = 0; p < order_.size(); ++p) position_[static_cast<std::size_t>(order_[p])] = static_cast<std::int64_t>(p);
}

}  // namespace vantorel
