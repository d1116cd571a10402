#pragma once
// The column header under the mouse: dividers resize a column only when the
// application allows it (the grid tracks them itself, so it is asked about
// every resize), columns dragged to another place keep the hidden column
// first (and with the flag the first column too), and the changes of layout
// are reported.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "grid/grid_events.h"
#include "grid/grid_look.h"
#include "grid/grid_view.h"

namespace vantorel {

class GridHeaderRules {
 public:
  GridHeaderRules(GridNotifier& notifier, GridLook& look, GridListView& list, std::function<void()> endEditing)
      : notifier_(notifier), look_(look), list_(list), endEditing_(std::move(endEditing)) {}

  // The header item whose divider is being dragged (-1: none), where on the
  // divider it was grabbed, and whether its width changed meanwhile.
  int resizingItem = -1;
  int grab = 0;
  bool resized = false;
  bool Resizing() const { return resizingItem >= 1; }

  // The pointer over the header, on the divider after `divider` (0: none).
  void OnMoveOver(int divider) { dividerAllowed_ = divider >= 1 && AllowDivider(divider); }
  // The cursor over the header: the divider's while one may be dragged, the
  // arrow over one that may not; none leaves it to the header.
  std::optional<GridCursor> Cursor(bool overDivider) const;
  // A press on a divider: the edit ends and the drag begins; false when the
  // resize is not allowed or the grid went meanwhile.
  bool BeginResize(int divider, int grabbedAt);
  // A double-click on a divider: true when the column may take its
  // automatic width (set by the caller, then FinishResize).
  bool BeginAutoSize(int divider);
  void WidthChanged();
  // The drag ends: LayoutChanged (1) when the width changed.
  void FinishResize();
  // A button on a header item (the hidden item is no column).
  void RaiseButton(GridEvent event, int item, std::int64_t keys);
  // The display order after the user dragged a column, and its report.
  std::vector<std::int32_t> OrderAfterDrag(const std::vector<std::int32_t>& items) const;
  void ColumnDragged(int item);

 private:
  bool AllowDivider(int item);

  GridNotifier& notifier_;
  GridLook& look_;
  GridListView& list_;
  std::function<void()> endEditing_;
  bool dividerAllowed_ = false;
};

}  // namespace vantorel
