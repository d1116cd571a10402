#pragma once
// The order in which the header shows the grid's columns. The header holds
// one item more than the grid has columns: item 0 is the hidden column that
// only carries the row, item c + 1 is grid column c. This is the one record
// of that order; the window side tells it every change the header makes.
#include <cstdint>
#include <vector>

namespace vantorel {

class GridColumnOrder {
 public:
  // Grid columns, left to right, and each one's place among them (-1: none).
  const std::vector<std::int64_t>& Order() const { return order_; }
  std::int64_t PositionOf(std::int64_t column) const;
  // Header items left to right, the hidden item included, and an item's
  // place among them (-1: none).
  const std::vector<std::int32_t>& HeaderItems() const { return items_; }
  std::int64_t HeaderPositionOf(std::int64_t item) const;
  // The place of the first item shown, the hidden one left out (0 when none).
  std::int64_t FirstShownHeaderPosition() const;

  // A column goes in at `column` (past the end or -1: appended) and takes
  // the display position of its index, as a header item does; columns from
  // there on move one up.
  void Insert(std::int64_t column);
  void Remove(std::int64_t column);
  // The header's order of items; refused unless it is one of the items.
  bool SetHeaderOrder(const std::vector<std::int32_t>& items);

  // After the user dragged a column: the hidden item back at position 0 and,
  // when the first column stays, item 1 at position 1.
  static std::vector<std::int32_t> PinnedAfterDrag(std::vector<std::int32_t> items, bool firstColumnStays);
  // 0, 1, 2, ... for `count` items.
  static std::vector<std::int32_t> HeaderIdentity(std::int64_t count);

 private:
  void Derive();

  std::vector<std::int32_t> items_{0};
  std::vector<std::int64_t> itemPosition_{0};
  std::vector<std::int64_t> order_;
  std::vector<std::int64_t> position_;
};

}  // namespace vantorel
