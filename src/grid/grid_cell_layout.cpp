#include "grid/grid_cell_layout.h"

#include <algorithm>

#include "platform/dpi.h"

namespace vantorel {

// A line along one side of r (0 left, 1 top, 2 right, 3 bottom), `width` pixels into it.
CellBox SideBox(const CellBox& r, int side, int width) {
  switch (side) {
    case 0:
      return CellBox{r.left, r.top, r.left + width, r.bottom};
    case 1:
      return CellBox{r.left, r.top, r.right, r.top + width};
    case 2:
      return CellBox{r.right - width, r.top, r.right, r.bottom};
    default:
      return CellBox{r.left, r.bottom - width, r.right, r.bottom};
  }
}

GridCellFrame CellFrameOf(const CellBox& cell, const GridCellLines& lines) {
  GridCellFrame frame;
  frame.content = cell;
  const bool blockEdge[4] = {lines.blockEdges.left, lines.blockEdges.top, lines.blockEdges.right,
                             lines.blockEdges.bottom};
  for (int side = 0; side < 4; ++side) {
    const auto bits = static_cast<int>((lines.drawFlags >> (4 * side)) & 0xF);
    int width = 0;
    if ((bits & 7) || blockEdge[side]) {
      width = (blockEdge[side] || (bits & 4)) ? 2 : 1;
      const std::int64_t colour = blockEdge[side] ? 0 : lines.borderColour;
      frame.lines[static_cast<std::size_t>(frame.lineCount++)] = {SideBox(frame.content, side, width), colour,
                                                                  width == 1 && !(bits & 1) && (bits & 2)};
    } else if (lines.gridLines && !(lines.drawFlags & kNoGridLines) && side >= 2) {
      width = 1;
      CellBox line = SideBox(frame.content, side, 1);
      if (side == 2 && lines.lastColumn) {
        --line.left;
        --line.right;
      }
      frame.lines[static_cast<std::size_t>(frame.lineCount++)] = {line, lines.gridLineColour, false};
    }
    if (side == 0) frame.content.left += width;
    if (side == 1) frame.content.top += width;
    if (side == 2) frame.content.right -= width;
    if (side == 3) frame.content.bottom -= width;
  }
  return frame;
}

void ApplyBlockLook(CellEvent& format, bool movingCorner, std::int64_t blockColour, bool withoutGridLines) {
  if (movingCorner) {
    format.backColour = 0x808080;
    format.textColour = 0xD8D8D8;
  } else if (blockColour != -1) {
    format.backColour = blockColour;
  }
  if (withoutGridLines) format.drawFlags |= kNoGridLines;
}

CellBox CellTextArea(const CellBox& content, int frame, std::int64_t drawFlags, bool lastRow, bool dropButton,
                     int dpi) {
  const int inset = Scale(grid_pixels::kCellTextInset, dpi) + frame;
  CellBox area{content.left + inset, content.top + frame, content.right - inset, content.bottom - frame};
  if (drawFlags & kTwoPixelBottom)
    area.bottom -= 2;
  else if (drawFlags & kThinBottom)
    area.bottom -= 1;
  if (lastRow) area.bottom -= 1;
  if (dropButton) area.right -= Scale(grid_pixels::kDropButtonWidth, dpi);
  return area;
}

int CellTextTop(const CellBox& content, int textHeight, int frame, bool gridLines) {
  const int free = (content.bottom - content.top) - textHeight;
  int offset = std::max((free / 2) | 1, frame);
  if (gridLines) offset = std::max(offset, 1);
  return content.top + offset;
}

GridProgressLayout ProgressLayout(const CellBox& r, int value, int labelHeight, bool withLabel) {
  GridProgressLayout layout;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  const int barHeight = std::max(labelHeight / 2 + 2, 4);
  const int used = withLabel ? labelHeight + barHeight : 2 * barHeight;
  const int spare = std::max(height - used, 0);
  const int gap = std::min(spare / 2, grid_pixels::kProgressMaxGap);
  int top = r.top + gap;
  if (withLabel) {
    layout.label = CellBox{r.left, top, r.right, top + labelHeight};
    top += labelHeight;
  }
  const int bottom = withLabel ? top + barHeight : std::min(r.bottom - gap, top + 2 * barHeight);
  const int inset = grid_pixels::kProgressInset;
  layout.outline = CellBox{r.left + inset, top, r.left + width - inset, bottom};
  layout.inside = CellBox{layout.outline.left + 1, top + 1, layout.outline.right - 1, bottom - 1};
  const int fill = (width - 2 * (inset + 1)) * value / 100 + inset + 2;
  layout.filled = CellBox{r.left + inset + 1, top + 1, r.left + std::min(fill, width - inset - 1), bottom - 1};
  return layout;
}

GridTickCross TickCrossIn(const CellBox& box) {
  const int inset = (box.right - box.left) / 4;
  return GridTickCross{box.left + inset, box.top + inset, box.right - inset - 1, box.bottom - inset - 1};
}

CellBox HeaderItemBack(CellBox item, bool framed, bool modern, bool last, bool first) {
  if ((framed || !modern) && !last) item.right += 1;
  if (!framed && !first) item.left -= 1;
  return item;
}

CellEvent FormatDefaults(std::int64_t row, std::int64_t column, HFONT__* listFont, std::int64_t faceColour) {
  CellEvent record;
  record.row = row;
  record.column = column;
  record.font = listFont;
  record.backColour = (row == -1 || column == -1) ? faceColour : 0xFFFFFF;
  record.textColour = 0;
  record.keyColour = 0xFFFFFF;
  record.gradientTop = -1;
  record.gradientBottom = -1;
  record.hotColour = -1;
  return record;
}

GridEditorPlace EditorPlaceIn(GridEditor editor, const CellBox& cell, int frame, bool choiceWritesAtOnce, bool classic,
                              int dpi) {
  GridEditorPlace place;
  const int width = cell.right - cell.left, height = cell.bottom - cell.top;
  auto px = [dpi](int px96) { return Scale(px96, dpi); };
  if (editor == GridEditor::TextBox) {
    const int inset = px(grid_pixels::kCellTextInset) + frame;
    place.box = CellBox{cell.left + inset, cell.top + frame, 0, 0};
    place.box.right = place.box.left + std::max(width - 2 * inset, 0);
    place.box.bottom = place.box.top + std::max(height - 2 * frame, 0);
    return place;
  }
  int left = cell.left;
  if (editor == GridEditor::EditChoice)
    left += px(grid_pixels::kEditChoiceLeft);
  else if (!choiceWritesAtOnce)
    left += px(grid_pixels::kListChoiceLeft);
  const int boxWidth =
      std::max(editor == GridEditor::EditChoice
                   ? width - px(grid_pixels::kEditChoiceLeft) - px(grid_pixels::kEditChoiceNarrower)
                   : cell.right - left,
               0);
  const int given = px(!classic ? grid_pixels::kChoiceHeight
                                : (editor == GridEditor::ListChoice ? grid_pixels::kListChoiceClassicHeight
                                                                    : grid_pixels::kEditChoiceClassicHeight));
  place.box = CellBox{left, cell.top, left + boxWidth, cell.top + given};
  place.fieldHeight = std::min(px(grid_pixels::kChoiceFieldHeight), height - px(grid_pixels::kChoiceFieldMargin));
  return place;
}

}  // namespace vantorel
