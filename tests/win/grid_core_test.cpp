// The grid's portable pieces: row state words, strip geometry, the clipboard
// text format and the built-in icon data.
#include <gtest/gtest.h>

#include <algorithm>

#include "grid/grid_clipboard.h"
#include "grid/grid_geometry.h"
#include "grid/strip_icons.h"

namespace vantorel {
namespace {

TEST(GridCore, RowStateChangesTouchOnlyTheirOwnBits) {
  const std::uint64_t start = row_state::kGroupStart | 0x00210504u;
  EXPECT_EQ(ApplyRowStateChange(start, {}), start);
  EXPECT_EQ(ApplyRowStateChange(start, {7, -1, -1, -1}), row_state::kGroupStart | 0x00210507u);
  EXPECT_EQ(ApplyRowStateChange(start, {-1, 0, -1, -1}), row_state::kGroupStart | 0x00210004u);
  EXPECT_EQ(ApplyRowStateChange(start, {-1, -1, 4, 0}), row_state::kGroupStart | 0x00040504u);
  EXPECT_EQ(ApplyRowStateChange(start, {256, -2, 5, 15}), start) << "values that do not fit are ignored";
  EXPECT_EQ(row_state::IconA(0xFFu), 255);
  EXPECT_TRUE(row_state::StartsGroup(row_state::kGroupStart));
  EXPECT_FALSE(row_state::StartsGroup(0x7FFFFFFFu));
}

TEST(GridCore, ListNeedsMoreRoomThanAScrollBar) {
  EXPECT_EQ(ListLeftBesideStrip(24, 1, 300, 17), 25);
  EXPECT_EQ(ListLeftBesideStrip(24, 1, 43, 17), 25);
  EXPECT_EQ(ListLeftBesideStrip(24, 1, 42, 17), std::nullopt);
  EXPECT_EQ(ListLeftBesideStrip(0, 0, 17, 17), std::nullopt);
  EXPECT_EQ(ListLeftBesideStrip(0, 0, 18, 17), 0);
}

TEST(GridCore, IconPlacements) {
  EXPECT_EQ(StripIconTop(0, 21, 0), 2);
  EXPECT_EQ(StripIconTop(1, 63, 0), 2);
  EXPECT_EQ(StripIconTop(2, 63, 0), 45);
  EXPECT_EQ(StripIconTop(7, 40, 0), 12) << "unknown placements are centred";
  // Placement 3 follows the visible top, placement 4 the visible middle,
  // neither leaving the cell.
  EXPECT_EQ(StripIconTop(3, 100, 0), 2);
  EXPECT_EQ(StripIconTop(3, 100, 30), 32);
  EXPECT_EQ(StripIconTop(3, 100, 95), 82);
  EXPECT_EQ(StripIconTop(4, 100, 0), 42);
  EXPECT_EQ(StripIconTop(4, 100, 40), 62);
  EXPECT_EQ(StripIconTop(4, 100, 99), 82);
  EXPECT_EQ(StripCellIndent(10, 22), 12);
  EXPECT_EQ(StripCellIndent(30, 22), 0);
  EXPECT_EQ(StripCellIndent(-1000, 22), 255);
}

TEST(GridCore, IconHitBands) {
  StripCellFacts cell;
  cell.state = 0x0102;  // A = 2, B = 1
  cell.cellHeight = 21;
  cell.stripWidth = 60;
  cell.imageCount = 6;
  cell.builtInIcons = true;
  // Icon A: x in [4, 20), y in [2, 18) for a centred 16-pixel icon.
  EXPECT_EQ(StripIconPartAt(cell, 4, 10), 1);
  EXPECT_EQ(StripIconPartAt(cell, 19, 10), 1);
  EXPECT_EQ(StripIconPartAt(cell, 3, 10), 0);
  EXPECT_EQ(StripIconPartAt(cell, 20, 10), 0);
  EXPECT_EQ(StripIconPartAt(cell, 12, 2), 1);
  EXPECT_EQ(StripIconPartAt(cell, 12, 1), 0);
  EXPECT_EQ(StripIconPartAt(cell, 12, 18), 0);
  // Icon B: centred 12 from the right edge.
  EXPECT_EQ(StripIconPartAt(cell, 40, 10), 2);
  EXPECT_EQ(StripIconPartAt(cell, 55, 10), 2);
  EXPECT_EQ(StripIconPartAt(cell, 56, 10), 0);
  // The small built-in boxes answer 4 pixels around their middle, others 8.
  cell.state = 0x04;
  EXPECT_EQ(StripIconPartAt(cell, 8, 10), 1);
  EXPECT_EQ(StripIconPartAt(cell, 7, 10), 0);
  EXPECT_EQ(StripIconPartAt(cell, 12, 6), 1);
  EXPECT_EQ(StripIconPartAt(cell, 12, 5), 0);
  EXPECT_EQ(StripIconPartAt(cell, 12, 14), 0);
  cell.builtInIcons = false;
  EXPECT_EQ(StripIconPartAt(cell, 7, 10), 1);
  // Icons beyond the image list, or none, are not there to hit.
  cell.state = 0x07;
  EXPECT_EQ(StripIconPartAt(cell, 12, 10), 0);
  cell.state = 0;
  EXPECT_EQ(StripIconPartAt(cell, 12, 10), 0);
  // When A and B overlap in a narrow strip, A wins.
  cell.state = 0x0202;
  cell.stripWidth = 24;
  EXPECT_EQ(StripIconPartAt(cell, 12, 10), 1);
}

TEST(GridCore, StripGroups) {
  const std::vector<bool> starts{false, true, false, false, true, true};
  auto s = [&](std::int64_t i) { return starts[static_cast<std::size_t>(i)]; };
  EXPECT_EQ(StripGroupFirstRow(0, s), 0);
  EXPECT_EQ(StripGroupEndRow(0, 6, s), 1);
  EXPECT_EQ(StripGroupFirstRow(3, s), 1);
  EXPECT_EQ(StripGroupEndRow(1, 6, s), 4);
  EXPECT_EQ(StripGroupFirstRow(5, s), 5);
  EXPECT_EQ(StripGroupEndRow(5, 6, s), 6);
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
  EXPECT_EQ(FormatGridBlock({}), u"");
}

TEST(GridCore, BuiltInIconDataIsSixWellFormedIcons) {
  const auto data = BuiltInStripIconData();
  const auto icons = SplitLengthPrefixed(data);
  ASSERT_TRUE(icons);
  ASSERT_EQ(icons->size(), 6u);
  for (const auto ico : *icons) {
    const auto image = FindIcoImage(ico, 16, 32);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), 40u + 16 * 16 * 4 + 16 * 4);
    EXPECT_EQ((*image)[0], 40);  // BITMAPINFOHEADER
    EXPECT_EQ((*image)[8], 32);  // height counts the mask rows too
  }
  // Blank icons are wholly transparent; the boxes are not, and each differs
  // from its partner (empty and ticked, plus and minus).
  auto image = [&](std::size_t i) { return *FindIcoImage((*icons)[i], 16, 32); };
  auto opaque = [](std::span<const std::uint8_t> pixels) {
    int count = 0;
    for (std::size_t i = 40 + 3; i < 40 + 16 * 16 * 4; i += 4) count += pixels[i] != 0;
    return count;
  };
  EXPECT_GT(opaque(image(0)), 100);
  EXPECT_GT(opaque(image(2)), 50);
  EXPECT_EQ(opaque(image(4)), 0);
  EXPECT_EQ(opaque(image(5)), 0);
  EXPECT_FALSE(std::ranges::equal(image(0), image(1)));
  EXPECT_FALSE(std::ranges::equal(image(2), image(3)));
}

TEST(GridCore, LengthPrefixedAndIcoReadersRefuseBadData) {
  const std::vector<std::uint8_t> noEnd{2, 0, 0, 0, 'a', 'b'};
  EXPECT_FALSE(SplitLengthPrefixed(noEnd));
  const std::vector<std::uint8_t> tooLong{9, 0, 0, 0, 'a', 'b', 0, 0, 0, 0};
  EXPECT_FALSE(SplitLengthPrefixed(tooLong));
  const std::vector<std::uint8_t> empty{0, 0, 0, 0};
  ASSERT_TRUE(SplitLengthPrefixed(empty));
  EXPECT_TRUE(SplitLengthPrefixed(empty)->empty());

  const auto ico = (*SplitLengthPrefixed(BuiltInStripIconData()))[0];
  std::vector<std::uint8_t> bytes(ico.begin(), ico.end());
  EXPECT_FALSE(FindIcoImage(bytes, 32, 32)) << "no 32 x 32 image";
  EXPECT_FALSE(FindIcoImage(bytes, 16, 8)) << "no 8-bit image";
  auto outside = bytes;
  outside[18] = 0xFF;  // offset far past the end
  EXPECT_FALSE(FindIcoImage(outside, 16, 32));
  auto longer = bytes;
  longer[14] = 0xFF;  // size past the end
  EXPECT_FALSE(FindIcoImage(longer, 16, 32));
  auto manyEntries = bytes;
  manyEntries[4] = 200;  // entries beyond the file
  manyEntries[6] = 32;   // and the first one does not match
  EXPECT_FALSE(FindIcoImage(manyEntries, 16, 32));
  EXPECT_FALSE(FindIcoImage(std::span<const std::uint8_t>(bytes.data(), 5), 16, 32));
}

}  // namespace
}  // namespace vantorel
