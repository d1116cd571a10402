#include "grid/grid_events.h"

namespace vantorel {

std::int64_t GridNotifier::Raise(GridEvent event, CellEvent& record) {
  if (!callback) return 1;
  // A copy: the callback may replace or remove itself.
  GridCallback call = callback;
  ++raising;
  const std::int64_t result = call(grid, event, record);
  --raising;
  return result;
}

std::int64_t GridNotifier::RaiseAt(GridEvent event, std::int64_t row, std::int64_t column, std::int64_t value) {
  CellEvent record;
  record.row = row;
  record.column = column;
  record.value = value;
  return Raise(event, record);
}

}  // namespace vantorel
