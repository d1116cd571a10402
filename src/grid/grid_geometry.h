#pragma once
// The grid's row state word and the geometry of its row-header strip:
// where the list goes beside the strip, where strip icons sit and which
// icon a point hits. Pure arithmetic, shared by painting and hit testing
// so both always agree.
#include <cstdint>
#include <optional>

namespace vantorel {

// Every pixel size the grid uses, in one place, so that they can be scaled
// together for the display.
namespace grid_pixels {
// The sizes this tool gives its grids.
inline constexpr int kRowHeight = 20;
inline constexpr int kHeaderHeight = 22;
inline constexpr int kStripWidth = 24;
inline constexpr int kStripGap = 1;
// A header's height before the grid is told one: its font's height and this
// much more, or the default when the font says nothing.
inline constexpr int kDefaultHeaderHeight = 20;
inline constexpr int kHeaderOverFont = 5;
inline constexpr int kMaxHeaderHeight = 1000;
// The current cell's frame, drawn inside the cell; its text is inset by
// this much and the frame's width.
inline constexpr int kMaxFrameWidth = 64;
inline constexpr int kCellTextInset = 4;
// Where an editor waits while no cell of its type is current.
inline constexpr int kOutOfSight = -30000;
// Combo box editors: the editable one 3 pixels in and 2 narrower than the
// rest of the cell; the list one 2 pixels in unless a choice writes at
// once. The height given to them, the dropped list's height, the item
// height they start with and the selection field's at most, and how much
// lower than the row that field is.
inline constexpr int kEditChoiceLeft = 3;
inline constexpr int kEditChoiceNarrower = 2;
inline constexpr int kListChoiceLeft = 2;
inline constexpr int kChoiceHeight = 20;
inline constexpr int kListChoiceClassicHeight = 100;
inline constexpr int kEditChoiceClassicHeight = 200;
inline constexpr int kChoiceDroppedHeight = 350;
inline constexpr int kChoiceItemHeight = 15;
inline constexpr int kChoiceFieldHeight = 16;
inline constexpr int kChoiceFieldMargin = 6;
// A current list choice's text stops before its drop-down button.
inline constexpr int kDropButtonWidth = 20;
// A column dragged narrower than this could no longer be grabbed again.
inline constexpr int kMinColumnWidth = 8;
// Sideways scroll per timer tick while a block is dragged beyond the list.
inline constexpr int kDragScrollStep = 16;
// Text margins: strip cells (both sides), header items, turned text from
// the end it starts at.
inline constexpr int kStripTextMargin = 6;
inline constexpr int kHeaderTextInset = 6;
inline constexpr int kTurnedTextMargin = 5;
// A tooltip's width unless the application says otherwise, and at most.
inline constexpr int kTooltipWidth = 250;
inline constexpr int kMaxTooltipWidth = 4096;
// Tick boxes at most this big; buttons this much smaller than their cell.
inline constexpr int kMaxTickBox = 14;
inline constexpr int kButtonMargin = 5;
// Progress cells: narrower ones are not drawn; the bar's inset, its room
// above and below at most, and the label's caption inset of a button.
inline constexpr int kMinProgressWidth = 29;
inline constexpr int kProgressInset = 5;
inline constexpr int kProgressMaxGap = 20;
inline constexpr int kButtonCaptionInset = 5;
// Versions of the common controls before 6 draw a line this high over the
// first row.
inline constexpr int kClassicTopLine = 2;
}  // namespace grid_pixels

// Row state word of a GridRow: bits 0-7 icon A, 8-15 icon B (1-based image
// indexes, 0 = none), 16-19 placement of A, 20-23 placement of B, bit 31 the
// row starts a strip group.
namespace row_state {
inline constexpr std::uint64_t kGroupStart = 0x80000000u;
inline constexpr int kPlacementCount = 5;

constexpr int IconA(std::uint64_t state) { return static_cast<int>(state & 0xFF); }
constexpr int IconB(std::uint64_t state) { return static_cast<int>((state >> 8) & 0xFF); }
constexpr int PlacementA(std::uint64_t state) { return static_cast<int>((state >> 16) & 0xF); }
constexpr int PlacementB(std::uint64_t state) { return static_cast<int>((state >> 20) & 0xF); }
constexpr bool StartsGroup(std::uint64_t state) { return (state & kGroupStart) != 0; }

constexpr std::uint64_t WithField(std::uint64_t state, int shift, std::uint64_t mask, std::uint64_t value) {
  return (state & ~(mask << shift)) | ((value & mask) << shift);
}
constexpr std::uint64_t WithIconA(std::uint64_t s, int v) { return WithField(s, 0, 0xFF, static_cast<std::uint64_t>(v)); }
constexpr std::uint64_t WithIconB(std::uint64_t s, int v) { return WithField(s, 8, 0xFF, static_cast<std::uint64_t>(v)); }
constexpr std::uint64_t WithPlacementA(std::uint64_t s, int v) {
  return WithField(s, 16, 0xF, static_cast<std::uint64_t>(v));
}
constexpr std::uint64_t WithPlacementB(std::uint64_t s, int v) {
  return WithField(s, 20, 0xF, static_cast<std::uint64_t>(v));
}
}  // namespace row_state

// The parts of one SetRowState call; -1 leaves a part as it is.
struct RowStateChange {
  std::int64_t iconA = -1;
  std::int64_t iconB = -1;
  std::int64_t placementA = -1;
  std::int64_t placementB = -1;
};

// The state after a SetRowState call. Icons outside 0-255 and placements
// outside 0-4 do not fit their bits and are ignored like -1.
std::uint64_t ApplyRowStateChange(std::uint64_t state, const RowStateChange& change);

// Left edge of the list beside a strip of stripWidth + gap pixels, or none
// when that leaves no room for more than a vertical scroll bar.
std::optional<int> ListLeftBesideStrip(std::int64_t stripWidth, std::int64_t gap, int clientWidth,
                                       int scrollBarWidth);

// Strip icons: 16 x 16 images; A centred 12 pixels from the strip's left
// edge, B 12 pixels from its right edge.
inline constexpr int kStripIconSize = 16;
inline constexpr int kStripIconInset = 12;
// Strip cells this high or lower have no room for their icons.
inline constexpr int kStripIconMinCellHeight = 20;

// The strip icons' sizes for one icon side: the ones above at 16, the same
// proportions at 20, 24 and 32 (the sides the icon images come in).
struct StripIconMetrics {
  int side = kStripIconSize;
  int inset = kStripIconInset;
  int minCellHeight = kStripIconMinCellHeight;
  int edge = 2;          // kept free above and below an icon near a cell's edge
  int smallHalfHit = 4;  // half the clickable box of the small built-in icons
  bool operator==(const StripIconMetrics&) const = default;
};
StripIconMetrics StripIconMetricsFor(int side);

// Built-in icon numbers (1-based, as stored in a row state).
enum BuiltInStripIcon : int {
  kIconEmptyBox = 1,
  kIconTickedBox = 2,
  kIconPlusBox = 3,
  kIconMinusBox = 4,
  kIconBlank = 5,
  kIconBlank2 = 6,
};

// Half the side of the clickable square of an icon: the plus, minus and
// first blank built-in icons only show a small box in their middle.
int StripIconHalfHit(int icon, bool builtInIcons, const StripIconMetrics& metrics = {});

// Top of a strip icon inside its cell for a placement: 0 centred, 1 near the
// top, 2 near the bottom; 3 and 4 follow the visible part of a cell whose
// first `indent` pixels are scrolled away (3 near its top, 4 centred in it).
int StripIconTop(int placement, int cellHeight, int indent, const StripIconMetrics& metrics = {});

// The indent a strip cell records while painted: how much of it lies above
// the first visible row, capped to the byte it is kept in.
int StripCellIndent(int cellTop, int visibleTop);

// Which icon of a strip cell a point hits: 0 none, 1 icon A, 2 icon B. The
// point is in strip coordinates (x from the strip's left edge, y from the
// cell's top); icons count only when set and within the image count.
struct StripCellFacts {
  std::uint64_t state = 0;
  int indent = 0;
  int cellHeight = 0;
  int stripWidth = 0;
  int imageCount = 0;
  bool builtInIcons = false;
  StripIconMetrics icons;
};
int StripIconPartAt(const StripCellFacts& cell, int x, int yInCell);

// A cell's rectangle in list coordinates (right and bottom exclusive).
struct CellBox {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const CellBox&) const = default;
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// A tick cell's box: a square of side min(height / 2 + 1, 14) centred in the
// cell; none when it is no larger than 2 pixels or wider than the cell.
// Painting and clicking both use it, so the box clicked is the box drawn.
// The 14 is at 96 DPI and scales with dpi.
std::optional<CellBox> TickBoxIn(const CellBox& cell, int dpi = 96);

// A button cell's button: `width` x `height` centred in the cell, 0 taking
// the cell's own size less one pixel (then starting one pixel in); none when
// a given size is larger than the cell less 5 pixels.
std::optional<CellBox> ButtonBoxIn(const CellBox& cell, std::int64_t width, std::int64_t height);

// Strip groups: a row with the group bit starts a group that runs to the row
// before the next start; rows above the first start belong to a group that
// starts at row 0. startsGroup(i) tells whether row i has the bit.
template <typename StartsGroup>
std::int64_t StripGroupFirstRow(std::int64_t row, StartsGroup&& startsGroup) {
  while (row > 0 && !startsGroup(row)) --row;
  return row < 0 ? 0 : row;
}

template <typename StartsGroup>
std::int64_t StripGroupEndRow(std::int64_t firstRow, std::int64_t rowCount, StartsGroup&& startsGroup) {
  std::int64_t end = firstRow + 1;
  while (end < rowCount && !startsGroup(end)) ++end;
  return end;
}

}  // namespace vantorel
