#pragma once
// What the grid paints, decided without a window: a cell of the list, a
// column header item and a row-header strip cell. These ask the application
// for format and type and say what goes where (background, lines, frame,
// tick box, bar, button, picture, text); a canvas the window side lays over
// its device context only draws it.
#include <cstdint>
#include <functional>

#include "grid/grid_cell_layout.h"
#include "grid/grid_core.h"

namespace vantorel {

// How a text is laid into its area.
struct GridTextLayout {
  std::int64_t align = 0;  // 0 left, 1 centre, 2 right
  bool wrap = false;       // else a single line
  bool ellipsis = true;    // cut with "..." at its end
};

// Drawing for the painters. Colours are 0x00BBGGRR; boxes are in the
// canvas's coordinates.
class GridCanvas {
 public:
  virtual ~GridCanvas() = default;
  // A cell is drawn between Begin and End (which nest); with `offscreen`
  // into an image copied in one transfer at the end, so that it never
  // flickers. Clip keeps the drawing inside a box until the cell ends.
  virtual void BeginCell(const CellBox& cell, bool offscreen) = 0;
  virtual void EndCell() = 0;
  virtual void Clip(const CellBox& box) = 0;
  virtual void Fill(const CellBox& box, std::int64_t colour) = 0;
  virtual void Gradient(const CellBox& box, std::int64_t top, std::int64_t bottom) = 0;
  virtual void DottedLine(const CellBox& line, std::int64_t colour) = 0;
  virtual void Line(int x0, int y0, int x1, int y1, std::int64_t colour) = 0;
  virtual void PushButton(const CellBox& box, bool pressed, bool flat) = 0;
  // Text goes in the font chosen here (null: the list's), or the small one
  // of progress labels; LineHeight is one line of it.
  virtual void UseFont(HFONT__* font) = 0;
  virtual void UseSmallFont() = 0;
  virtual int LineHeight() = 0;
  virtual int TextHeight(const GridText& text, const CellBox& area, const GridTextLayout& layout) = 0;
  virtual void Text(const GridText& text, const CellBox& area, const GridTextLayout& layout,
                    std::int64_t colour) = 0;
  // Text turned downwards or upwards in the font given, centred across the
  // area; left out when it does not fit.
  virtual void TurnedText(HFONT__* font, const GridText& text, const CellBox& area, bool downwards,
                          std::int64_t colour) = 0;
  // A bitmap of the application centred in the box (its key colour left
  // out unless `keyed` is false); an icon at a place and size.
  virtual void Picture(std::int64_t bitmap, const CellBox& box, bool keyed, std::int64_t keyColour) = 0;
  virtual void Icon(std::int64_t icon, int x, int y, int width, int height) = 0;
  // An image of the box handed to `draw` as the platform's drawing context,
  // copied back when it returns: what the canvas shows there, or (`fresh`)
  // the button face with `font` chosen.
  virtual void OwnerDrawn(const CellBox& box, const std::function<void(std::int64_t context)>& draw, bool fresh = false,
                          HFONT__* font = nullptr) = 0;
  // The strip's images: how many, and one drawn 16 pixels square at a place.
  virtual int ImageCount() = 0;
  virtual void StripImage(int index, int x, int y) = 0;
  // Common controls before 6 draw headers and the first row their own way.
  virtual bool Classic() = 0;
  virtual std::int64_t FaceColour() = 0;
};

// A list cell at `cell` (its whole rectangle), from the format record's
// defaults before the application has its say.
void PaintListCell(GridCore& core, GridCanvas& canvas, GridCell at, const CellBox& cell, CellEvent format);
// A column header item (header item `item`, titled `title`), its defaults
// likewise.
void PaintHeaderItem(GridCore& core, GridCanvas& canvas, CellBox rect, int item, bool pressed, const GridText& title,
                     CellEvent format);
// The row-header strip: its header cell, a cell per group of the rows on
// screen, and the empty areas around them, where they touch `update`.
struct GridStripPaint {
  GridStripRows rows;
  CellBox client;  // the container's
  CellBox update;
  bool headerShown = false;  // the grid has columns or rows
  bool listHidden = false;   // the strip leaves the list no room
  std::int64_t emptyColour = 0;
  std::int64_t stripColour = 0;  // the gap beside the strip
  // A strip cell's format record before the application has its say.
  std::function<CellEvent(std::int64_t row)> format;
};
void PaintStrip(GridCore& core, GridCanvas& canvas, const GridStripPaint& paint);

}  // namespace vantorel
