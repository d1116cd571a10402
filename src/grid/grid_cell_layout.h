#pragma once
// Where the parts of a painted cell go, decided before anything is drawn:
// the lines along its sides and the content they leave, the colours of a
// block cell, the text's rectangle and height within the content, a
// progress cell's label and bar, and a header item's background. The
// painting only draws these boxes.
#include <array>
#include <cstdint>

#include "grid/grid_events.h"
#include "grid/grid_geometry.h"
#include "grid/grid_rules.h"
#include "grid/grid_view.h"

namespace vantorel {

// CellFormat's drawFlags: four bits a side (left, top, right, bottom), the
// lowest asking for a 1-pixel solid line, the next a dotted one, the third
// a 2-pixel line; and one bit that suppresses the cell's grid lines.
inline constexpr std::int64_t kNoGridLines = 0x10000;
inline constexpr std::int64_t kTwoPixelBottom = 0x4000;
inline constexpr std::int64_t kThinBottom = 0x3000;

// A line along one side of a cell.
struct GridCellLine {
  CellBox rect;
  std::int64_t colour = 0;
  bool dotted = false;
};

// The lines a cell gets and the content rectangle they leave. A side asked
// for in drawFlags, or on a block's outline, gets its line (block edges 2
// pixels black); otherwise grid lines run along the right and bottom sides
// only, so that neighbours never double them (the last column's one pixel
// further in).
struct GridCellFrame {
  CellBox content;
  std::array<GridCellLine, 4> lines{};
  int lineCount = 0;
};
struct GridCellLines {
  std::int64_t drawFlags = 0;
  std::int64_t borderColour = 0;
  GridBlockEdges blockEdges;
  bool gridLines = false;
  std::int64_t gridLineColour = 0;
  bool lastColumn = false;
};
GridCellFrame CellFrameOf(const CellBox& cell, const GridCellLines& lines);

// The format record a cell, header item or strip cell starts from before
// the application has its say: the list's font, black on white in cells and
// on the button face in headers and the strip, no gradient, no hot colour.
CellEvent FormatDefaults(std::int64_t row, std::int64_t column, HFONT__* listFont, std::int64_t faceColour);

// Where an editor goes over its cell: the text box inside the current
// cell's frame and the text inset; a choice from the cell's left (an
// editable one, and a list choice that does not write at once, further in)
// as high as a combo box is given, its field `fieldHeight` high.
struct GridEditorPlace {
  CellBox box;
  int fieldHeight = 0;
};
GridEditorPlace EditorPlaceIn(GridEditor editor, const CellBox& cell, int frame, bool choiceWritesAtOnce, bool classic,
                              int dpi = 96);

// A block cell's colours: the moving corner grey on grey, the others in the
// block colour (unless that is -1), without grid lines when asked.
void ApplyBlockLook(CellEvent& format, bool movingCorner, std::int64_t blockColour, bool withoutGridLines);

// A text cell's text rectangle within its content: inset by the cell text
// inset and the frame width, less at the bottom under a thick bottom line
// and in the last row, and short of a current list choice's drop button.
CellBox CellTextArea(const CellBox& content, int frame, std::int64_t drawFlags, bool lastRow, bool dropButton,
                     int dpi = 96);
// Where that text starts so that `textHeight` of it is centred in the
// content: half the free height made odd, at least the frame width (and a
// pixel with grid lines).
int CellTextTop(const CellBox& content, int textHeight, int frame, bool gridLines);

// A progress cell's label (only when shown) and bar: the outline, its white
// inside and the filled part for `value` percent, for a label as high as
// `labelHeight`; without a label the bar takes the label's room.
struct GridProgressLayout {
  CellBox label;
  CellBox outline;
  CellBox inside;
  CellBox filled;
};
GridProgressLayout ProgressLayout(const CellBox& content, int value, int labelHeight, bool withLabel);

// The two strokes of a tick's cross inside its box (x0, y0 to x1, y1 and
// x0, y1 to x1, y0), a quarter of the side in.
struct GridTickCross {
  int x0 = 0;
  int y0 = 0;
  int x1 = 0;
  int y1 = 0;
};
GridTickCross TickCrossIn(const CellBox& box);

// A header item's background: self-drawn (or with common controls before
// 6) one pixel more at the right but for the last item, drawn as buttons
// one pixel more at the left but for the first, so that neighbours share
// their edge.
CellBox HeaderItemBack(CellBox item, bool framed, bool modern, bool last, bool first);

// A line along one side of r (0 left, 1 top, 2 right, 3 bottom), `width` pixels into it.
CellBox SideBox(const CellBox& r, int side, int width);

}  // namespace vantorel
