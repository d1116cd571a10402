#pragma once
// The row-header strip at the left of the grid: its size and text margins,
// where its cells lie beside the list's rows (one cell per strip group,
// plus the strip header above them), which cell and icon a point hits, and
// its mouse rules: a strip cell held pressed like a button, let go over
// itself for a HeaderClick.
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "grid/grid_events.h"
#include "grid/grid_geometry.h"
#include "grid/grid_model.h"
#include "grid/grid_view.h"

namespace vantorel {

// Where the list's rows are, in the strip's coordinates.
struct GridStripRows {
  int rowsTop = 0;      // first pixel below the column header
  int listBottom = 0;   // end of the list's client area
  int firstRowTop = 0;  // top of the list's top row
  int itemHeight = 0;   // 0 without rows
  std::int64_t topIndex = 0;
  std::int64_t count = 0;
};

// What a point hits: the strip header (-1), the first row of a group, or
// nothing (-10); and icon A (1) or B (2) of that row.
struct GridStripHit {
  std::int64_t row = -10;
  int part = 0;
};

// A strip cell on screen: its group's first row, top, the height of its
// rows, and how far it reaches (one pixel more for all but the last, so
// that neighbours share their edge).
struct GridStripCell {
  std::int64_t row = 0;
  int top = 0;
  int height = 0;
  int bottom = 0;
};

class GridStrip {
 public:
  GridStrip(GridModel& model, GridNotifier& notifier) : model_(model), notifier_(notifier) {}

  // The window side showing the strip; none for an engine without one.
  GridStripView* view = nullptr;
  // The grid's creation flags (owner-drawn strip header, built-in icons).
  std::int64_t flags = 0;
  std::int64_t width = 0;
  std::int64_t gap = 0;
  std::int64_t textLeft = grid_pixels::kStripTextMargin;
  std::int64_t textRight = grid_pixels::kStripTextMargin;
  // The icons' side and where they sit, for the images the grid holds.
  StripIconMetrics icons;
  // The strip cell held pressed with the left button (-1 the strip header,
  // -2 none) and whether the pointer is still over it.
  std::int64_t pressed = -2;
  bool pressedInside = false;

  // SetStrip and SetStripTextMargins: negative (or -1) and unchanged values
  // are ignored; true when something changed.
  bool SetSize(std::int64_t newWidth, std::int64_t newGap);
  bool SetTextMargins(std::int64_t left, std::int64_t right);

  bool StartsGroup(std::int64_t row) const;
  // A row's strip cell (its group's), top and bottom on screen, cut to the
  // rows' area; none when it is not on screen.
  // Row -1 is the strip header, above the rows.
  std::optional<std::pair<int, int>> CellSpan(const GridStripRows& rows, std::int64_t row, int headerHeight) const;
  GridStripHit HitTest(const GridStripRows& rows, int x, int y, int headerHeight, int imageCount) const;
  // The cells to paint from the list's top row down to its bottom; each
  // group's record takes the indent its cell is painted with.
  std::vector<GridStripCell> VisibleCells(const GridStripRows& rows);

  // The mouse over the strip (a hit of HitTest), with the mouse-key state.
  void OnButtonDown(GridStripHit hit, std::int64_t keys);
  void OnButtonUp(GridStripHit hit, std::int64_t keys);
  void OnMove(GridStripHit hit, std::int64_t keys);
  void OnRightButton(bool down, GridStripHit hit, std::int64_t keys);
  // A strip cell held pressed is let go without a click: the rows it stands
  // for are about to change, or the capture went elsewhere.
  void ForgetPress();

 private:
  std::int64_t Raise(GridEvent event, std::int64_t row, std::int64_t value, std::int64_t part = 0);
  void Refresh(std::int64_t row) {
    if (view) view->RefreshStripCell(row);
  }

  GridModel& model_;
  GridNotifier& notifier_;
};

}  // namespace vantorel
