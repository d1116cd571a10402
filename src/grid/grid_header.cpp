#include "grid/grid_header.h"

#include "grid/grid_column_order.h"

namespace vantorel {

bool GridHeaderRules::AllowDivider(int item) {
  if (item < 1) return false;
  if (!look_.Has(grid_flags::kAskColumnResize)) return true;
  return notifier_.RaiseAt(GridEvent::ColumnResize, -1, item - 1) == 1 && list_.Alive();
}

std::optional<GridCursor> GridHeaderRules::Cursor(bool overDivider) const {
  if (Resizing() || dividerAllowed_) return GridCursor::Divider;
  // The header would show its divider cursor for a resize it may not do.
  if (overDivider) return GridCursor::Arrow;
  return std::nullopt;
}

bool GridHeaderRules::BeginResize(int divider, int grabbedAt) {
  if (!AllowDivider(divider)) return false;
  endEditing_();
  if (!list_.Alive()) return false;
  resizingItem = divider;
  grab = grabbedAt;
  resized = false;
  return true;
}

bool GridHeaderRules::BeginAutoSize(int divider) {
  if (!AllowDivider(divider)) return false;
  endEditing_();
  if (!list_.Alive()) return false;
  resizingItem = divider;
  resized = true;
  return true;
}

void GridHeaderRules::WidthChanged() {
  resized = true;
  list_.PlaceCurrentEditor();
}

void GridHeaderRules::FinishResize() {
  if (!Resizing()) return;
  const int item = resizingItem;
  resizingItem = -1;
  if (!resized) return;
  resized = false;
  list_.PlaceCurrentEditor();
  notifier_.RaiseAt(GridEvent::LayoutChanged, -1, item - 1, 1);
}

void GridHeaderRules::RaiseButton(GridEvent event, int item, std::int64_t keys) {
  if (item < 1) return;
  notifier_.RaiseAt(event, -1, item - 1, keys);
}

std::vector<std::int32_t> GridHeaderRules::OrderAfterDrag(const std::vector<std::int32_t>& items) const {
  return GridColumnOrder::PinnedAfterDrag(items, look_.Has(grid_flags::kFirstColumnStays));
}

void GridHeaderRules::ColumnDragged(int item) {
  list_.PlaceCurrentEditor();
  list_.InvalidateAll();
  notifier_.RaiseAt(GridEvent::LayoutChanged, -1, item >= 1 ? item - 1 : -1, 0);
}

}  // namespace vantorel
