#include "grid/grid_geometry.h"

#include "platform/dpi.h"

#include <algorithm>

namespace vantorel {

std::uint64_t ApplyRowStateChange(std::uint64_t state, const RowStateChange& change) {
  auto icon = [](std::int64_t v) { return v >= 0 && v <= 255; };
  auto placement = [](std::int64_t v) { return v >= 0 && v < row_state::kPlacementCount; };
  if (icon(change.iconA)) state = row_state::WithIconA(state, static_cast<int>(change.iconA));
  if (icon(change.iconB)) state = row_state::WithIconB(state, static_cast<int>(change.iconB));
  if (placement(change.placementA)) state = row_state::WithPlacementA(state, static_cast<int>(change.placementA));
  if (placement(change.placementB)) state = row_state::WithPlacementB(state, static_cast<int>(change.placementB));
  return state;
}

std::optional<int> ListLeftBesideStrip(std::int64_t stripWidth, std::int64_t gap, int clientWidth,
                                       int scrollBarWidth) {
  // Compared piece by piece: the sum of two huge settings would overflow.
  const std::int64_t room = static_cast<std::int64_t>(clientWidth) - scrollBarWidth;
  const std::int64_t width = std::max<std::int64_t>(stripWidth, 0);
  const std::int64_t space = std::max<std::int64_t>(gap, 0);
  if (width >= room || space >= room - width) return std::nullopt;
  return static_cast<int>(width + space);
}

std::optional<CellBox> TickBoxIn(const CellBox& cell, int dpi) {
  const int height = cell.bottom - cell.top;
  const int side = std::min(height / 2 + 1, Scale(grid_pixels::kMaxTickBox, dpi));
  if (side <= 2 || side > cell.right - cell.left) return std::nullopt;
  const int left = cell.left + (cell.right - cell.left - side) / 2;
  const int top = cell.top + (height - side) / 2;
  return CellBox{left, top, left + side, top + side};
}

std::optional<CellBox> ButtonBoxIn(const CellBox& cell, std::int64_t width, std::int64_t height) {
  const std::int64_t cellWidth = cell.right - cell.left;
  const std::int64_t cellHeight = cell.bottom - cell.top;
  if (width < 0 || height < 0 || (width != 0 && width > cellWidth - grid_pixels::kButtonMargin) ||
      (height != 0 && height > cellHeight - grid_pixels::kButtonMargin))
    return std::nullopt;
  const int w = static_cast<int>(width != 0 ? width : cellWidth - 1);
  const int h = static_cast<int>(height != 0 ? height : cellHeight - 1);
  if (w <= 0 || h <= 0) return std::nullopt;
  const int x = cell.left + (width != 0 ? static_cast<int>(cellWidth - w) / 2 : 1);
  const int y = cell.top + (height != 0 ? static_cast<int>(cellHeight - h) / 2 : 1);
  return CellBox{x, y, x + w, y + h};
}

StripIconMetrics StripIconMetricsFor(int side) {
  if (side <= 0 || side == kStripIconSize) return {};
  auto scaled = [side](int px16) { return (px16 * side + kStripIconSize / 2) / kStripIconSize; };
  StripIconMetrics m;
  m.side = side;
  m.inset = scaled(kStripIconInset);
  m.minCellHeight = scaled(kStripIconMinCellHeight);
  m.edge = scaled(2);
  m.smallHalfHit = scaled(4);
  return m;
}

int StripIconHalfHit(int icon, bool builtInIcons, const StripIconMetrics& m) {
  if (builtInIcons && (icon == kIconPlusBox || icon == kIconMinusBox || icon == kIconBlank)) return m.smallHalfHit;
  return m.side / 2;
}

int StripIconTop(int placement, int cellHeight, int indent, const StripIconMetrics& m) {
  const int half = m.side / 2;
  switch (placement) {
    case 1:
      return m.edge;
    case 2:
      return cellHeight - m.side - m.edge;
    case 3:
      // Follows the top of what is visible but never leaves the cell.
      return std::min(indent + m.edge, std::max(m.edge, cellHeight - m.side - m.edge));
    case 4: {
      const int visible = std::max(0, cellHeight - indent);
      return std::min(indent + visible / 2 - half, std::max(0, cellHeight - m.side - m.edge));
    }
    default:
      return cellHeight / 2 - half;
  }
}

int StripCellIndent(int cellTop, int visibleTop) { return std::clamp(visibleTop - cellTop, 0, 255); }

int StripIconPartAt(const StripCellFacts& cell, int x, int yInCell) {
  auto hits = [&](int icon, int placement, int centreX) {
    if (icon == 0 || icon > cell.imageCount) return false;
    const int h = StripIconHalfHit(icon, cell.builtInIcons, cell.icons);
    if (x < centreX - h || x >= centreX + h) return false;
    const int centreY = StripIconTop(placement, cell.cellHeight, cell.indent, cell.icons) + cell.icons.side / 2;
    return yInCell >= centreY - h && yInCell < centreY + h;
  };
  if (hits(row_state::IconA(cell.state), row_state::PlacementA(cell.state), cell.icons.inset)) return 1;
  if (hits(row_state::IconB(cell.state), row_state::PlacementB(cell.state), cell.stripWidth - cell.icons.inset))
    return 2;
  return 0;
}

}  // namespace vantorel
