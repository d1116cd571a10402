#include "grid/grid_rules.h"

#include <algorithm>

#include "grid/grid_clipboard.h"
#include "grid/grid_geometry.h"

namespace vantorel {
namespace {

std::int64_t LastRow(const GridModel& model) { return model.RowCount() - 1; }

std::int64_t ColumnAt(const GridModel& model, std::int64_t position) {
  return model.Order()[static_cast<std::size_t>(position)];
}

bool IsCell(const GridModel& model, GridCell cell) {
  return cell.column >= 0 && model.HasCell(cell.column, cell.row) && model.PositionOf(cell.column) >= 0;
}

}  // namespace

std::int64_t MoveKeyValue(GridMove move) {
  switch (move) {
    case GridMove::Left:
      return 3;
    case GridMove::Right:
      return 4;
    case GridMove::Up:
      return 5;
    case GridMove::Down:
      return 6;
    case GridMove::PageDown:
      return 7;
    case GridMove::PageUp:
      return 8;
    case GridMove::Home:
      return 9;
    case GridMove::End:
      return 10;
  }
  return 0;
}

std::optional<GridCell> MoveTarget(const GridModel& model, GridCell from, GridMove move, bool ctrl,
                                   std::int64_t pageRows) {
  if (!IsCell(model, from)) return std::nullopt;
  const std::int64_t last = LastRow(model);
  const std::int64_t lastPosition = static_cast<std::int64_t>(model.Order().size()) - 1;
  const std::int64_t position = model.PositionOf(from.column);
  GridCell to = from;
  // Ctrl jumps: one step, then on while the cell is empty and the edge is not reached.
  auto jumpRows = [&](std::int64_t step) {
    std::int64_t row = std::clamp<std::int64_t>(from.row + step, 0, last);
    while (row + step >= 0 && row + step <= last && model.IsEmpty(from.column, row)) row += step;
    return row;
  };
  auto jumpColumns = [&](std::int64_t step) {
    std::int64_t p = std::clamp<std::int64_t>(position + step, 0, lastPosition);
    while (p + step >= 0 && p + step <= lastPosition && model.IsEmpty(ColumnAt(model, p), from.row)) p += step;
    return ColumnAt(model, p);
  };
  const std::int64_t page = std::max<std::int64_t>(pageRows, 1);
  switch (move) {
    case GridMove::Up:
      to.row = ctrl ? jumpRows(-1) : std::max<std::int64_t>(from.row - 1, 0);
      break;
    case GridMove::Down:
      to.row = ctrl ? jumpRows(1) : std::min(from.row + 1, last);
      break;
    case GridMove::PageUp:
      to.row = from.row > page ? from.row - page : 0;
      break;
    case GridMove::PageDown:
      to.row = last - from.row > page ? from.row + page : last;
      break;
    case GridMove::Left:
      to.column = ctrl ? jumpColumns(-1) : ColumnAt(model, std::max<std::int64_t>(position - 1, 0));
      break;
    case GridMove::Right:
      to.column = ctrl ? jumpColumns(1) : ColumnAt(model, std::min(position + 1, lastPosition));
      break;
    case GridMove::Home:
      if (ctrl)
        to.row = 0;
      else
        to.column = ColumnAt(model, 0);
      break;
    case GridMove::End:
      if (ctrl)
        to.row = last;
      else
        to.column = ColumnAt(model, lastPosition);
      break;
  }
  return to;
}

std::optional<GridCell> TabTarget(const GridModel& model, GridCell from, bool backwards) {
  if (!IsCell(model, from)) return std::nullopt;
  const std::int64_t lastPosition = static_cast<std::int64_t>(model.Order().size()) - 1;
  const std::int64_t last = LastRow(model);
  std::int64_t position = model.PositionOf(from.column);
  std::int64_t row = from.row;
  if (!backwards) {
    if (++position > lastPosition) {
      position = 0;
      row = row >= last ? 0 : row + 1;
    }
  } else if (--position < 0) {
    position = lastPosition;
    row = row <= 0 ? last : row - 1;
  }
  return GridCell{row, ColumnAt(model, position)};
}

GridBlock BlockBetween(const GridModel& model, GridCell fixed, GridCell moving, std::int64_t kind) {
  if (!IsCell(model, fixed) || !IsCell(model, moving)) return {};
  const std::int64_t lastRow = LastRow(model);
  const std::int64_t lastPosition = static_cast<std::int64_t>(model.Order().size()) - 1;
  std::int64_t firstPosition = std::min(model.PositionOf(fixed.column), model.PositionOf(moving.column));
  std::int64_t endPosition = std::max(model.PositionOf(fixed.column), model.PositionOf(moving.column));
  std::int64_t top = std::min(fixed.row, moving.row);
  std::int64_t bottom = std::max(fixed.row, moving.row);
  GridCell corner = moving;
  if (kind == 1) {
    top = 0;
    bottom = lastRow;
    corner.row = moving.row < fixed.row ? 0 : lastRow;
  } else if (kind == 2) {
    firstPosition = 0;
    endPosition = lastPosition;
    corner.column = ColumnAt(model, model.PositionOf(moving.column) < model.PositionOf(fixed.column) ? 0 : lastPosition);
  }
  GridBlock block;
  block.anchorColumn = static_cast<std::int32_t>(ColumnAt(model, firstPosition));
  block.anchorRow = static_cast<std::int32_t>(top);
  block.width = static_cast<std::int32_t>(endPosition - firstPosition + 1);
  block.height = static_cast<std::int32_t>(bottom - top + 1);
  block.currentRow = static_cast<std::int32_t>(corner.row);
  block.currentColumn = static_cast<std::int32_t>(corner.column);
  return block;
}

GridCell FixedCorner(const GridModel& model, const GridBlock& block) {
  const std::int64_t first = model.PositionOf(block.anchorColumn);
  if (first < 0 || block.width <= 0 || block.height <= 0) return {};
  const std::int64_t end = std::min<std::int64_t>(first + block.width - 1,
                                                  static_cast<std::int64_t>(model.Order().size()) - 1);
  const std::int64_t bottom = static_cast<std::int64_t>(block.anchorRow) + block.height - 1;
  GridCell fixed;
  fixed.row = block.currentRow == block.anchorRow ? bottom : block.anchorRow;
  fixed.column = ColumnAt(model, model.PositionOf(block.currentColumn) == first ? end : first);
  return fixed;
}

GridBlock ExtendBlock(const GridModel& model, const GridBlock& block, GridCell to, std::int64_t kind) {
  if (block.anchorColumn < 0) return BlockBetween(model, to, to, kind);
  return BlockBetween(model, FixedCorner(model, block), to, kind);
}

GridBlock WholeGridBlock(const GridModel& model) {
  if (model.RowCount() == 0 || model.Order().empty()) return {};
  return BlockBetween(model, GridCell{0, model.Order().front()}, GridCell{LastRow(model), model.Order().back()}, 0);
}

std::optional<GridBlock> CheckedBlock(const GridModel& model, std::int64_t column, std::int64_t row,
                                      std::int64_t width, std::int64_t height) {
  if (!IsCell(model, GridCell{row, column}) || width <= 0 || height <= 0) return std::nullopt;
  const std::int64_t position = model.PositionOf(column);
  const std::int64_t endPosition =
      std::min<std::int64_t>(position + std::min<std::int64_t>(width, model.ColumnCount()), model.ColumnCount()) - 1;
  const std::int64_t bottom = std::min<std::int64_t>(row + std::min(height, model.RowCount()), model.RowCount()) - 1;
  return BlockBetween(model, GridCell{row, column}, GridCell{bottom, ColumnAt(model, endPosition)}, 0);
}

bool InBlock(const GridModel& model, const GridBlock& block, std::int64_t row, std::int64_t column) {
  if (block.anchorColumn < 0 || row < block.anchorRow ||
      row >= static_cast<std::int64_t>(block.anchorRow) + block.height)
    return false;
  const std::int64_t position = model.PositionOf(column);
  const std::int64_t first = model.PositionOf(block.anchorColumn);
  return position >= 0 && first >= 0 && position >= first && position < first + block.width;
}

GridBlockEdges BlockEdges(const GridModel& model, const GridBlock& block, std::int64_t row, std::int64_t column) {
  GridBlockEdges edges;
  if (!InBlock(model, block, row, column)) return edges;
  const std::int64_t position = model.PositionOf(column);
  const std::int64_t first = model.PositionOf(block.anchorColumn);
  edges.left = position == first;
  edges.top = row == block.anchorRow;
  edges.right = position == first + block.width - 1;
  edges.bottom = row == static_cast<std::int64_t>(block.anchorRow) + block.height - 1;
  return edges;
}

GridBlockCells BlockCells(const GridModel& model, std::int64_t column, std::int64_t row, std::int64_t width,
                          std::int64_t height) {
  GridBlockCells cells;
  const std::int64_t position = model.PositionOf(column);
  if (position < 0 || width <= 0 || height <= 0 || row >= model.RowCount()) return cells;
  const std::int64_t available = static_cast<std::int64_t>(model.Order().size()) - position;
  for (std::int64_t p = position; p < position + std::min(width, available); ++p)
    cells.columns.push_back(ColumnAt(model, p));
  cells.firstRow = std::max<std::int64_t>(row, 0);
  // Cut at the first and the last row; row + height may not fit, and
  // neither may the rows left below a row far above the first.
  if (row < 0)
    cells.endRow = std::clamp<std::int64_t>(row + height, 0, model.RowCount());
  else
    cells.endRow = height >= model.RowCount() - row ? model.RowCount() : row + height;
  return cells;
}

bool TickShown(const GridText& text, const GridText& options) {
  return text == options.substr(0, options.find(u'/'));
}

GridText ToggledTick(const GridText& text, const GridText& options) {
  const std::size_t slash = options.find(u'/');
  const GridText first = options.substr(0, slash);
  if (text != first) return first;
  return slash == GridText::npos ? GridText() : options.substr(slash + 1, options.find(u'/', slash + 1) - slash - 1);
}

int ProgressValue(const GridText& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) value = std::min<std::int64_t>(value * 10 + (text[i] - u'0'), 1000);
  return static_cast<int>(std::clamp<std::int64_t>(negative ? -value : value, 0, 100));
}

std::optional<GridText> SpaceText(std::int64_t type, const GridText& text, const GridText& options, bool ctrl) {
  if (type == 5) return ToggledTick(text, options);
  if (type == 9 && !text.empty()) {
    const int value = std::clamp(ProgressValue(text) + (ctrl ? -1 : 1), 0, 100);
    const std::string digits = std::to_string(value);
    return GridText(digits.begin(), digits.end());
  }
  return std::nullopt;
}

bool EndsPressed(const GridText& text) { return std::u16string_view(text).ends_with(kPressedSuffix); }

GridText PressedText(const GridText& text) { return EndsPressed(text) ? text : text + GridText(kPressedSuffix); }

GridText ReleasedText(const GridText& text) {
  return EndsPressed(text) ? text.substr(0, text.size() - kPressedSuffix.size()) : text;
}

GridText BlockText(const GridModel& model, std::int64_t column, std::int64_t row, std::int64_t width,
                   std::int64_t height, GridCell current, const GridText& currentText) {
  const GridBlockCells cells = BlockCells(model, column, row, width, height);
  GridTextBlock block;
  for (std::int64_t r = cells.firstRow; r < cells.endRow && !cells.columns.empty(); ++r) {
    auto& line = block.emplace_back();
    for (std::int64_t c : cells.columns) line.push_back(GridCell{r, c} == current ? currentText : model.Text(c, r));
  }
  return FormatGridBlock(block);
}

std::vector<GridCellWrite> PasteWrites(const GridModel& model, GridCell at, std::u16string_view clipboard) {
  std::vector<GridCellWrite> writes;
  if (!IsCell(model, at)) return writes;
  const std::int64_t position = model.PositionOf(at.column);
  const auto available = static_cast<std::size_t>(static_cast<std::int64_t>(model.Order().size()) - position);
  GridTextBlock cells = ParseGridBlock(clipboard);
  for (std::size_t line = 0; line < cells.size(); ++line) {
    const std::int64_t row = at.row + static_cast<std::int64_t>(line);
    if (row >= model.RowCount()) break;
    for (std::size_t i = 0; i < cells[line].size() && i < available; ++i)
      writes.push_back({row, ColumnAt(model, position + static_cast<std::int64_t>(i)), std::move(cells[line][i])});
  }
  return writes;
}

CellIntake IntakeOf(std::int64_t type) {
  switch (type) {
    case 0:
    case 4:
      return CellIntake::Typed;
    case 3:
      return CellIntake::Option;
    default:
      return CellIntake::None;
  }
}

GridText TypedIntake(std::u16string_view arriving, const std::function<bool(char16_t)>& accepts) {
  GridText kept;
  for (const char16_t character : arriving) {
    if (character == u'\r' || character == u'\n') break;
    if (character < u' ' || character == u'\x7F') continue;
    if (accepts(character)) kept.push_back(character);
  }
  return kept;
}

std::int64_t ColumnInsertItem(std::int64_t position, std::int64_t headerItems) {
  // position + 1 would overflow for the largest position.
  return position < 0 || position >= headerItems - 1 ? headerItems : position + 1;
}

std::int64_t TooltipMaxWidth(std::int64_t x1) {
  return x1 < 0 ? -1 : std::clamp<std::int64_t>(x1, 1, grid_pixels::kMaxTooltipWidth);
}

}  // namespace vantorel
