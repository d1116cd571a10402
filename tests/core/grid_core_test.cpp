// The grid's portable pieces where windows cannot reach every edge: icon hit
// bands and scrolled placements, the clipboard text format and the checks
// on icon data.
#include <gtest/gtest.h>

#include "grid/grid_clipboard.h"
#include "grid/grid_geometry.h"
#include "grid/strip_icons.h"

namespace vantorel {
namespace {

TEST(GridCore, IconHitBandsAndScrolledPlacements) {
  StripCellFacts cell;
  cell.state = 0x0102;  // A = 2, B = 1
  cell.cellHeight = 21;
  cell.stripWidth = 60;
  cell.imageCount = 6;
  cell.builtInIcons = true;
  // A centred 16-pixel icon answers on [4, 20) x [2, 18).
  EXPECT_EQ(StripIconPartAt(cell, 4, 10), 1);
  EXPECT_EQ(StripIconPartAt(cell, 3, 10), 0);
  EXPECT_EQ(StripIconPartAt(cell, 20, 10), 0);
  EXPECT_EQ(StripIconPartAt(cell, 12, 1), 0);
  EXPECT_EQ(StripIconPartAt(cell, 12, 18), 0);
  EXPECT_EQ(StripIconPartAt(cell, 55, 10), 2);
  EXPECT_EQ(StripIconPartAt(cell, 56, 10), 0);
  // The small built-in boxes answer 4 pixels around their middle.
  cell.state = 0x04;
  EXPECT_EQ(StripIconPartAt(cell, 8, 6), 1);
  EXPECT_EQ(StripIconPartAt(cell, 7, 10), 0);
  EXPECT_EQ(StripIconPartAt(cell, 12, 14), 0);
  cell.builtInIcons = false;
  EXPECT_EQ(StripIconPartAt(cell, 7, 10), 1);
  // Where A and B overlap in a narrow strip, A wins.
  cell.state = 0x0202;
  cell.stripWidth = 24;
  EXPECT_EQ(StripIconPartAt(cell, 12, 10), 1);
  // Placement 3 follows the visible top, 4 the visible middle, neither
  // leaving the cell.
  EXPECT_EQ(StripIconTop(3, 100, 30), 32);
  EXPECT_EQ(StripIconTop(3, 100, 95), 82);
  EXPECT_EQ(StripIconTop(4, 100, 40), 62);
  EXPECT_EQ(StripIconTop(4, 100, 99), 82);
  EXPECT_EQ(StripCellIndent(-1000, 22), 255);
}

TEST(GridCore, ClipboardTextRoundTrips) {
  const GridTextBlock block{{u"a", u"", u"c"}, {u"d", u"e", u"f"}};
  const std::u16string text = FormatGridBlock(block);
  EXPECT_EQ(text, u"a\t\tc\r\nd\te\tf\r\n");
  EXPECT_EQ(ParseGridBlock(text), block);
  EXPECT_EQ(ParseGridBlock(u"a\tb\r\nc"), (GridTextBlock{{u"a", u"b"}, {u"c"}}));
  EXPECT_EQ(ParseGridBlock(u"a\nb\rc"), (GridTextBlock{{u"a"}, {u"b"}, {u"c"}}));
  EXPECT_EQ(ParseGridBlock(u"\t\r\n\r\n"), (GridTextBlock{{u"", u""}, {u""}}));
  EXPECT_TRUE(ParseGridBlock(u"").empty());
}

TEST(GridCore, IconDataReadersStayInsideTheirBytes) {
  const auto icons = SplitLengthPrefixed(BuiltInStripIconData());
  ASSERT_TRUE(icons);
  ASSERT_EQ(icons->size(), 6u);
  for (const auto ico : *icons) EXPECT_TRUE(FindIcoImage(ico, 16, 32));

  EXPECT_FALSE(SplitLengthPrefixed(std::vector<std::uint8_t>{2, 0, 0, 0, 'a', 'b'})) << "no end mark";
  EXPECT_FALSE(SplitLengthPrefixed(std::vector<std::uint8_t>{9, 0, 0, 0, 'a', 'b', 0, 0, 0, 0})) << "count too big";
  std::vector<std::uint8_t> ico((*icons)[0].begin(), (*icons)[0].end());
  EXPECT_FALSE(FindIcoImage(ico, 32, 32));
  auto outside = ico;
  outside[18] = 0xFF;  // image offset far past the end
  EXPECT_FALSE(FindIcoImage(outside, 16, 32));
  auto longer = ico;
  longer[14] = 0xFF;  // image size past the end
  EXPECT_FALSE(FindIcoImage(longer, 16, 32));
  auto entries = ico;
  entries[4] = 200;  // entries beyond the file, the first not matching
  entries[6] = 32;
  EXPECT_FALSE(FindIcoImage(entries, 16, 32));
}

}  // namespace
}  // namespace vantorel

namespace vantorel {
namespace {

// Painting and clicking share these boxes, so a click lands where the box is drawn.
TEST(GridCore, TickBoxesAndButtonsAreCentredAndRefusedWhenTheyDoNotFit) {
  const CellBox cell{10, 20, 90, 40};  // 80 x 20
  EXPECT_EQ(TickBoxIn(cell), (CellBox{44, 24, 55, 35}));
  EXPECT_EQ(TickBoxIn(CellBox{0, 0, 100, 60}), (CellBox{43, 23, 57, 37})) << "at most 14 pixels";
  EXPECT_EQ(TickBoxIn(CellBox{0, 0, 8, 20}), std::nullopt) << "wider than the cell";
  EXPECT_EQ(TickBoxIn(CellBox{0, 0, 50, 3}), std::nullopt) << "too small to draw";
  struct Case {
    std::int64_t width, height;
    std::optional<CellBox> box;
  };
  const Case cases[] = {
      {0, 0, CellBox{11, 21, 90, 40}},      {40, 0, CellBox{30, 21, 70, 40}},
      {0, 10, CellBox{11, 25, 90, 35}},     {75, 15, CellBox{12, 22, 87, 37}},
      {76, 0, std::nullopt},                {0, 16, std::nullopt},
      {-1, 0, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ButtonBoxIn(cell, c.width, c.height), c.box) << c.width << "x" << c.height;
}

}  // namespace
}  // namespace vantorel
