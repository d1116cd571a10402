#include "grid/grid_strip.h"

#include <algorithm>

namespace vantorel {

bool GridStrip::SetSize(std::int64_t newWidth, std::int64_t newGap) {
  bool changed = false;
  if (newWidth >= 0 && newWidth != width) {
    width = newWidth;
    changed = true;
  }
  if (newGap >= 0 && newGap != gap) {
    gap = newGap;
    changed = true;
  }
  return changed;
}

bool GridStrip::SetTextMargins(std::int64_t left, std::int64_t right) {
  bool changed = false;
  if (left != -1 && left != textLeft) {
    textLeft = left;
    changed = true;
  }
  if (right != -1 && right != textRight) {
    textRight = right;
    changed = true;
  }
  return changed;
}

bool GridStrip::StartsGroup(std::int64_t row) const {
  const GridRow* record = model_.Row(row);
  return record && row_state::StartsGroup(record->state);
}

std::optional<std::pair<int, int>> GridStrip::CellSpan(const GridStripRows& rows, std::int64_t row,
                                                       int headerHeight) const {
  if (row == -1) return std::pair<int, int>{0, headerHeight};
  if (row < 0 || row >= model_.RowCount() || rows.itemHeight <= 0) return std::nullopt;
  auto starts = [this](std::int64_t i) { return StartsGroup(i); };
  const std::int64_t first = StripGroupFirstRow(row, starts);
  const std::int64_t end = StripGroupEndRow(first, rows.count, starts);
  const std::int64_t top = rows.firstRowTop + (first - rows.topIndex) * rows.itemHeight;
  const std::int64_t bottom = top + (end - first) * rows.itemHeight + 1;
  if (bottom <= rows.rowsTop || top >= rows.listBottom) return std::nullopt;
  return std::pair<int, int>{static_cast<int>(std::max<std::int64_t>(top, rows.rowsTop)),
                             static_cast<int>(std::min<std::int64_t>(bottom, rows.listBottom))};
}

GridStripHit GridStrip::HitTest(const GridStripRows& rows, int x, int y, int headerHeight, int imageCount) const {
  GridStripHit hit;
  if (x < 0 || x >= width || y < 0) return hit;
  if (y < headerHeight) {
    hit.row = -1;
    return hit;
  }
  if (rows.itemHeight <= 0 || y >= rows.listBottom) return hit;
  const int offset = y - rows.firstRowTop;
  const std::int64_t row =
      rows.topIndex + (offset >= 0 ? offset / rows.itemHeight : -((-offset + rows.itemHeight - 1) / rows.itemHeight));
  if (row < 0 || row >= rows.count) return hit;
  auto starts = [this](std::int64_t i) { return StartsGroup(i); };
  const std::int64_t first = StripGroupFirstRow(row, starts);
  hit.row = first;
  if (flags & grid_flags::kOwnerDrawnStripHeader) return hit;
  const std::int64_t end = StripGroupEndRow(first, rows.count, starts);
  const auto cellTop = static_cast<int>(rows.firstRowTop + (first - rows.topIndex) * rows.itemHeight);
  StripCellFacts facts;
  facts.state = model_.Row(first)->state;
  facts.indent = StripCellIndent(cellTop, rows.rowsTop);
  facts.cellHeight = static_cast<int>((end - first) * rows.itemHeight);
  facts.stripWidth = static_cast<int>(width);
  facts.imageCount = imageCount;
  facts.builtInIcons = (flags & grid_flags::kBuiltInStripIcons) != 0;
  facts.icons = icons;
  hit.part = StripIconPartAt(facts, x, y - cellTop);
  return hit;
}

std::vector<GridStripCell> GridStrip::VisibleCells(const GridStripRows& rows) {
  std::vector<GridStripCell> cells;
  if (rows.itemHeight <= 0) return cells;
  const std::int64_t count = rows.count;
  auto starts = [this](std::int64_t i) { return StartsGroup(i); };
  for (std::int64_t first = StripGroupFirstRow(rows.topIndex, starts); first < count;) {
    const std::int64_t end = StripGroupEndRow(first, count, starts);
    const auto top = static_cast<int>(rows.firstRowTop + (first - rows.topIndex) * rows.itemHeight);
    if (top >= rows.listBottom) break;
    const auto height = static_cast<int>((end - first) * rows.itemHeight);
    model_.Row(first)->indent = static_cast<std::uint8_t>(StripCellIndent(top, rows.rowsTop));
    cells.push_back(GridStripCell{first, top, height, top + height + (end < count ? 1 : 0)});
    first = end;
  }
  return cells;
}

std::int64_t GridStrip::Raise(GridEvent event, std::int64_t row, std::int64_t value, std::int64_t part) {
  CellEvent record;
  record.row = row;
  record.column = -1;
  record.value = value;
  record.part = part;
  return notifier_.Raise(event, record);
}

void GridStrip::OnButtonDown(GridStripHit hit, std::int64_t keys) {
  if (hit.row == -10 || !view) return;
  std::int64_t result = Raise(GridEvent::LeftButtonDown, hit.row, keys);
  if (hit.part != 0) result = Raise(GridEvent::StripClick, hit.row, 0, hit.part);
  if (!view->StripAlive()) return;
  if (result != 0) {
    if (!view->StripCellsPress()) {
      view->FocusList();
    } else {
      view->CaptureStrip();
      pressed = hit.row;
      pressedInside = true;
    }
  }
  Refresh(hit.row);
}

void GridStrip::OnButtonUp(GridStripHit hit, std::int64_t keys) {
  if (!view) return;
  if (hit.row != -10) Raise(GridEvent::LeftButtonUp, hit.row, keys);
  if (!view->StripAlive() || pressed == -2) return;
  const std::int64_t held = pressed;
  if (flags & grid_flags::kOwnerDrawnStripHeader) Raise(GridEvent::LeftButtonUp, held, keys);
  // A callback that changed the rows has let the press go.
  if (!view->StripAlive() || pressed != held) return;
  pressed = -2;
  pressedInside = false;
  view->ReleaseStrip();
  Refresh(held);
  if (hit.row == held) Raise(GridEvent::HeaderClick, held, 0);
}

void GridStrip::OnMove(GridStripHit hit, std::int64_t keys) {
  if (pressed == -2) return;
  const bool over = hit.row == pressed;
  if (over != pressedInside) {
    pressedInside = over;
    Refresh(pressed);
  } else if (over && (flags & grid_flags::kOwnerDrawnStripHeader)) {
    Raise(GridEvent::StripHeaderDrag, pressed, keys);
  }
}

void GridStrip::OnRightButton(bool down, GridStripHit hit, std::int64_t keys) {
  if (down && hit.row == -10) return;
  Raise(down ? GridEvent::RightButtonDown : GridEvent::RightButtonUp, hit.row, keys);
}

void GridStrip::ForgetPress() {
  if (pressed == -2) return;
  const std::int64_t held = pressed;
  pressed = -2;
  pressedInside = false;
  if (view) view->ReleaseStrip();
  Refresh(held);
}

}  // namespace vantorel
