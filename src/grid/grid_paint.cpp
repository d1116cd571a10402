#include "grid/grid_paint.h"

#include <algorithm>
#include <string>

namespace vantorel {
namespace {

void FrameInside(GridCanvas& canvas, const CellBox& box, int width, std::int64_t colour) {
  for (int side = 0; side < 4; ++side) canvas.Fill(SideBox(box, side, width), colour);
}

// The gradient when both its ends are set, else the back colour unless it is -1.
void Background(GridCanvas& canvas, const CellBox& box, std::int64_t back, std::int64_t top, std::int64_t bottom) {
  if (top != -1 && bottom != -1)
    canvas.Gradient(box, top, bottom);
  else if (back != -1)
    canvas.Fill(box, back);
}

// Text centred vertically in its area, measured as it will be drawn.
void CentredText(GridCanvas& canvas, const GridText& text, CellBox area, const GridTextLayout& measure,
                 const GridTextLayout& draw, std::int64_t colour) {
  const int height = canvas.TextHeight(text, area, measure);
  area.top += std::max(0, ((area.bottom - area.top) - height) / 2);
  canvas.Text(text, area, draw, colour);
}

void Offset(CellBox& box, int dx, int dy) {
  box.left += dx;
  box.right += dx;
  box.top += dy;
  box.bottom += dy;
}

void TickBox(GridCanvas& canvas, const CellBox& content, bool ticked, std::int64_t ink, int dpi) {
  const auto box = TickBoxIn(content, dpi);
  if (!box) return;
  canvas.Fill(*box, 0x000000);
  canvas.Fill(CellBox{box->left + 1, box->top + 1, box->right - 1, box->bottom - 1}, 0xFFFFFF);
  if (!ticked) return;
  const GridTickCross cross = TickCrossIn(*box);
  // Two strokes one pixel apart give the 2-pixel lines without a wide pen.
  for (int shift = 0; shift < 2; ++shift) {
    canvas.Line(cross.x0 + shift, cross.y0, cross.x1 + shift, cross.y1 + 1, ink);
    canvas.Line(cross.x0 + shift, cross.y1, cross.x1 + shift, cross.y0 - 1, ink);
  }
}

// Label and bar of a progress cell; without the label the bar takes its room.
void Progress(GridCanvas& canvas, const CellBox& content, int value, std::int64_t ink, bool withLabel) {
  canvas.UseSmallFont();
  const std::string digits = std::to_string(value) + "%";
  const GridText label(digits.begin(), digits.end());
  const GridProgressLayout layout = ProgressLayout(content, value, canvas.LineHeight(), withLabel);
  if (withLabel) canvas.Text(label, layout.label, GridTextLayout{1, false, false}, ink);
  canvas.Fill(layout.outline, 0x000000);
  canvas.Fill(layout.inside, 0xFFFFFF);
  canvas.Fill(layout.filled, ink);
}

// Ends the canvas's cell however the painting returns.
class CellScope {
 public:
  CellScope(GridCanvas& canvas, const CellBox& cell, bool offscreen) : canvas_(canvas) {
    canvas.BeginCell(cell, offscreen);
  }
  ~CellScope() { canvas_.EndCell(); }
  CellScope(const CellScope&) = delete;
  CellScope& operator=(const CellScope&) = delete;

 private:
  GridCanvas& canvas_;
};

}  // namespace

void PaintListCell(GridCore& core, GridCanvas& canvas, GridCell at, const CellBox& cell, CellEvent format) {
  const std::int64_t row = at.row;
  const std::int64_t column = at.column;
  const GridLook& look = core.look;
  core.notifier.Raise(GridEvent::CellFormat, format);
  const bool current = core.session.IsCurrent(column, row);
  const GridBlock& block = core.selection.block;
  const bool blockCell = core.selection.Shows(core.session.HasCurrentCell()) && InBlock(core.model, block, row, column);
  GridBlockEdges edges;
  if (blockCell) {
    ApplyBlockLook(format, row == block.currentRow && column == block.currentColumn, look.blockColour,
                   look.Has(grid_flags::kBlockWithoutLines));
    edges = BlockEdges(core.model, block, row, column);
  }
  CellEvent kind;
  kind.row = row;
  kind.column = column;
  core.notifier.Raise(GridEvent::CellType, kind);
  const std::int64_t type = kind.type;

  // Types 5-12 are painted whole (background, content and lines) into an
  // image of the cell.
  CellScope scope(canvas, cell, type >= 5 && type <= 12);
  const GridColumnOrder& order = core.model.Columns();
  const bool lastColumn =
      order.HeaderPositionOf(column + 1) == static_cast<std::int64_t>(order.HeaderItems().size()) - 1;
  const bool lastRow = row == core.model.RowCount() - 1;
  const int frame = static_cast<int>(std::clamp<std::int64_t>(look.currentFrameWidth, 0, grid_pixels::kMaxFrameWidth));

  // Border lines first decide the content rectangle; they are drawn last.
  GridCellLines asked;
  asked.drawFlags = format.drawFlags;
  asked.borderColour = format.borderColour;
  asked.blockEdges = edges;
  asked.gridLines = look.Has(grid_flags::kGridLines);
  asked.gridLineColour = look.gridLineColour;
  asked.lastColumn = lastColumn;
  const GridCellFrame lines = CellFrameOf(cell, asked);
  const CellBox content = lines.content;

  const bool edited = current && type == 0;
  const bool solid = blockCell || edited;
  const std::int64_t ink = format.textColour;
  const GridText text = core.model.Text(column, row);
  Background(canvas, cell, format.backColour, solid ? -1 : format.gradientTop, solid ? -1 : format.gradientBottom);
  const int width = content.right - content.left, height = content.bottom - content.top;
  switch (type) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4: {
      const bool hot = row == core.pointer.hotRow && column == core.pointer.hotColumn && format.hotColour != -1;
      canvas.UseFont(format.font);
      const bool dropButton = type == 3 && look.Has(grid_flags::kChoiceWritesAtOnce) && current;
      CellBox area = CellTextArea(content, frame, format.drawFlags, lastRow, dropButton, look.dpi);
      const bool plain = type == 3 || type == 4 || edited;
      const GridTextLayout layout{plain ? 0 : format.align, !plain && look.Has(grid_flags::kWordWrap), true};
      const GridText shown = text.empty() ? GridText(u" ") : text;
      // One line is as high as the font's cells: measured once per font, not per cell.
      const int textHeight = layout.wrap ? canvas.TextHeight(shown, area, layout) : canvas.LineHeight();
      area.top = CellTextTop(content, textHeight, frame, look.Has(grid_flags::kGridLines));
      if (area.bottom > area.top && area.right > area.left)
        canvas.Text(shown, area, layout, hot ? format.hotColour : ink);
      break;
    }
    case 5:
    case 6:
      TickBox(canvas, content, TickShown(text, GridTextOf(kind.text)), ink, look.dpi);
      break;
    case 7:
      canvas.Picture(kind.value, content, format.backColour != format.keyColour, format.keyColour);
      break;
    case 8:
      if (kind.value && kind.x1 < width && kind.x2 < height)
        canvas.Icon(kind.value, content.left + static_cast<int>((width - kind.x1) / 2),
                    content.top + static_cast<int>((height - kind.x2) / 2), static_cast<int>(kind.x1),
                    static_cast<int>(kind.x2));
      break;
    case 9:
    case 10:
      if (cell.right - cell.left < grid_pixels::kMinProgressWidth) break;
      if (text.empty()) core.session.WriteCell(row, column, u"0");
      Progress(canvas, content, ProgressValue(text), ink, type == 9);
      break;
    case 11: {
      const auto button = ButtonBoxIn(content, kind.x1, kind.x2);
      if (!button) break;
      const bool pressed = EndsPressed(text);
      canvas.PushButton(*button, pressed, kind.value != 0);
      const int inset = grid_pixels::kButtonCaptionInset;
      CellBox area{button->left + inset, button->top, button->right - inset, button->bottom};
      if (pressed) Offset(area, 1, 1);
      canvas.UseFont(format.font);
      const GridTextLayout layout{format.align, look.Has(grid_flags::kWordWrap), true};
      CentredText(canvas, ReleasedText(text), area, layout, layout, ink);
      break;
    }
    case 12:
      // The application draws into an image of the content alone, from (0, 0).
      canvas.OwnerDrawn(content, [&](std::int64_t context) {
        CellEvent draw;
        draw.row = row;
        draw.column = column;
        draw.value = context;
        draw.x1 = width;
        draw.x2 = height;
        core.notifier.Raise(GridEvent::OwnerDraw, draw);
      });
      break;
    default:
      break;
  }

  for (int i = 0; i < lines.lineCount; ++i) {
    const GridCellLine& line = lines.lines[static_cast<std::size_t>(i)];
    if (line.dotted)
      canvas.DottedLine(line.rect, line.colour);
    else
      canvas.Fill(line.rect, line.colour);
  }
  if (current && type != 2 && type != 3 && type != 4 && frame > 0)
    FrameInside(canvas, cell, frame, look.currentFrameColour);
  if (row == 0 && canvas.Classic())
    canvas.Fill(CellBox{cell.left, cell.top, cell.right, cell.top + grid_pixels::kClassicTopLine}, canvas.FaceColour());
}

void PaintHeaderItem(GridCore& core, GridCanvas& canvas, CellBox rect, int item, bool pressed, const GridText& title,
                     CellEvent format) {
  core.notifier.Raise(GridEvent::CellFormat, format);
  const GridLook& look = core.look;
  const bool modern = !canvas.Classic();
  const bool framed = look.Has(grid_flags::kDrawHeader);
  if (modern) rect.bottom -= 1;
  const GridColumnOrder& order = core.model.Columns();
  const std::int64_t position = order.HeaderPositionOf(item);
  const auto count = static_cast<std::int64_t>(order.HeaderItems().size());
  const CellBox back = HeaderItemBack(rect, framed, modern, position == count - 1, position == order.FirstShownHeaderPosition());

  CellScope scope(canvas, rect, false);
  if (framed) {
    Background(canvas, back, format.backColour, format.gradientTop, format.gradientBottom);
    FrameInside(canvas, back, 1, look.headerFrameColour);
  } else {
    canvas.PushButton(back, pressed, false);
  }
  if (title.empty()) return;
  canvas.UseFont(format.font);
  CellBox area{rect.left + look.Px(grid_pixels::kHeaderTextInset), rect.top,
               rect.right - look.Px(grid_pixels::kHeaderTextInset), rect.bottom};
  if (pressed && !framed) Offset(area, 2, 1);
  if (format.value == 1 || format.value == 2) {
    canvas.TurnedText(format.font, title, area, format.value == 1, format.textColour);
    return;
  }
  const GridTextLayout layout{format.align, true, true};
  CentredText(canvas, title, area, layout, layout, format.textColour);
}

namespace {

bool Touches(const CellBox& a, const CellBox& b) {
  return std::max(a.left, b.left) < std::min(a.right, b.right) && std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

// A strip cell of `row` (-1: the strip header) whose rows are `cellHeight`
// high, drawn as a pressed button while held.
void PaintStripCell(GridCore& core, GridCanvas& canvas, const CellBox& cell, int cellHeight, std::int64_t row,
                    bool pressed, CellEvent format) {
  if (cell.right <= cell.left || cell.bottom <= cell.top) return;
  if (row == -1 && (core.strip.flags & grid_flags::kOwnerDrawnStripHeader)) {
    // The application paints the strip header into an image of its own.
    canvas.OwnerDrawn(
        cell,
        [&](std::int64_t context) {
          CellEvent draw;
          draw.row = -1;
          draw.column = -1;
          draw.value = context;
          draw.x1 = cell.right - cell.left;
          draw.x2 = cell.bottom - cell.top;
          core.notifier.Raise(GridEvent::OwnerDraw, draw);
        },
        true, format.font);
    return;
  }
  core.notifier.Raise(GridEvent::CellFormat, format);
  const GridLook& look = core.look;
  const GridStrip& strip = core.strip;
  const bool framed = look.Has(grid_flags::kDrawHeader);
  if (framed) {
    if (format.gradientTop != -1 && format.gradientBottom != -1)
      canvas.Gradient(cell, format.gradientTop, format.gradientBottom);
    else
      canvas.Fill(cell, format.backColour);
    FrameInside(canvas, cell, 1, look.headerFrameColour);
  } else {
    canvas.PushButton(cell, pressed, false);
  }

  const GridText text = row >= 0 ? core.model.Text(-1, row) : GridText();
  if (!text.empty()) {
    CellScope scope(canvas, cell, false);
    canvas.UseFont(format.font);
    CellBox area{cell.left + static_cast<int>(strip.textLeft), cell.top, cell.right - static_cast<int>(strip.textRight),
                 cell.top + cellHeight};
    if (pressed && !framed) Offset(area, 1, 1);
    if (format.value == 1 || format.value == 2)
      canvas.TurnedText(format.font, text, area, format.value == 1, format.textColour);
    else
      CentredText(canvas, text, area, GridTextLayout{format.align, true, false}, GridTextLayout{format.align, true, true},
                  format.textColour);
  }

  const GridRow* record = core.model.Row(row);
  const StripIconMetrics& icons = strip.icons;
  if (!record || cellHeight <= icons.minCellHeight) return;
  const int count = canvas.ImageCount();
  const int iconA = row_state::IconA(record->state);
  const int iconB = row_state::IconB(record->state);
  const int half = icons.side / 2;
  if (iconA >= 1 && iconA <= count)
    canvas.StripImage(iconA - 1, cell.left + icons.inset - half,
                      cell.top + StripIconTop(row_state::PlacementA(record->state), cellHeight, record->indent, icons));
  if (iconB >= 1 && iconB <= count)
    canvas.StripImage(iconB - 1, cell.left + static_cast<int>(strip.width) - icons.inset - half,
                      cell.top + StripIconTop(row_state::PlacementB(record->state), cellHeight, record->indent, icons));
}

}  // namespace

void PaintStrip(GridCore& core, GridCanvas& canvas, const GridStripPaint& paint) {
  const GridStrip& strip = core.strip;
  const GridStripRows& rows = paint.rows;
  const auto width = static_cast<int>(strip.width);
  const auto stripRight = static_cast<int>(strip.width + strip.gap);
  const auto headerHeight = static_cast<int>(core.look.headerHeight);
  const CellBox headerCell{0, 0, width, headerHeight};
  if (Touches(headerCell, paint.update)) {
    if (paint.headerShown) {
      CellScope scope(canvas, headerCell, true);
      PaintStripCell(core, canvas, headerCell, headerHeight, -1, strip.pressed == -1 && strip.pressedInside,
                     paint.format(-1));
    } else {
      canvas.Fill(headerCell, paint.emptyColour);
    }
  }
  int lastBottom = rows.rowsTop;
  if (rows.itemHeight > 0 && width > 0) {
    CellScope scope(canvas, paint.client, false);
    canvas.Clip(CellBox{0, rows.rowsTop, width, rows.listBottom});
    for (const GridStripCell& cell : core.strip.VisibleCells(rows)) {
      const CellBox area{0, cell.top, width, cell.bottom};
      if (Touches(area, paint.update))
        PaintStripCell(core, canvas, area, cell.height, cell.row, strip.pressed == cell.row && strip.pressedInside,
                       paint.format(cell.row));
      lastBottom = std::max(lastBottom, std::min(cell.top + cell.height, rows.listBottom));
    }
  }
  canvas.Fill(CellBox{0, lastBottom, stripRight, rows.listBottom}, paint.emptyColour);
  canvas.Fill(CellBox{width, 0, stripRight, lastBottom}, paint.stripColour);
  if (paint.listHidden) canvas.Fill(CellBox{stripRight, 0, paint.client.right, paint.client.bottom}, paint.emptyColour);
  if (rows.listBottom < paint.client.bottom)
    canvas.Fill(CellBox{0, rows.listBottom, stripRight, paint.client.bottom}, canvas.FaceColour());
}

}  // namespace vantorel
