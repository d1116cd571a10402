// Sizes at other DPIs: the rounding every layout relies on, the icon sizes
// picked for a DPI, and the grid's strip icons made and placed for them.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "grid/grid_geometry.h"
#include "grid/strip_icons.h"
#include "platform/dpi.h"
#include "platform/ico.h"

namespace vantorel {
namespace {

TEST(Dpi, ScaleRoundsAsMulDivAndLeaves96Alone) {
  struct Case {
    int px, dpi, expected;
  };
  // MulDiv rounds halves away from zero: 5 * 1.5 = 7.5 -> 8, -5 -> -8.
  const Case cases[] = {{820, 96, 820},  {820, 144, 1230}, {560, 144, 840},  {5, 144, 8},   {-5, 144, -8},
                        {1, 144, 2},     {1, 120, 1},      {75, 144, 113},   {20, 120, 25}, {22, 120, 28},
                        {150, 192, 300}, {0, 144, 0},      {24, 168, 42},    {30, 72, 23},  {7, 0, 7},
                        {7, -96, 7},     {2000000, 192, 4000000}};
  for (const Case& c : cases) EXPECT_EQ(Scale(c.px, c.dpi), c.expected) << c.px << " at " << c.dpi;
}

TEST(Dpi, IconSideIsTheLargestDrawnSizeThatFits) {
  const std::pair<int, int> cases[] = {{96, 16}, {110, 16}, {120, 20}, {144, 24}, {168, 24}, {192, 32}, {288, 32}, {0, 16}};
  for (const auto& [dpi, side] : cases) EXPECT_EQ(IconSideFor(dpi), side) << dpi;
}

TEST(Dpi, StripIconsAreDrawnAtEverySideAndPlacedForIt) {
  for (const int side : {16, 20, 24, 32}) {
    const auto icons = SplitLengthPrefixed(BuiltInStripIconData(side));
    ASSERT_TRUE(icons) << side;
    ASSERT_EQ(icons->size(), 6u);
    for (const auto ico : *icons) ASSERT_TRUE(FindIcoImage(ico, side, 32)) << side;
    // The ticked box: its tick is there at every size, and a tick's share of it.
    const auto ticked = FindIcoImage((*icons)[1], side, 32);
    int tick = 0;
    for (std::size_t at = 40; at + 4 <= 40 + static_cast<std::size_t>(side * side * 4); at += 4)
      if ((*ticked)[at] == 0x1E && (*ticked)[at + 1] == 0x6E && (*ticked)[at + 2] == 0x14) ++tick;
    EXPECT_GT(tick, side * side / 12) << side;
    EXPECT_LT(tick, side * side / 3) << side;
  }
  EXPECT_TRUE(BuiltInStripIconData(18).empty());

  EXPECT_EQ(StripIconMetricsFor(16), StripIconMetrics{});
  const StripIconMetrics at24 = StripIconMetricsFor(24);
  EXPECT_EQ(at24, (StripIconMetrics{24, 18, 30, 3, 6}));
  // The ticked box of a 36-pixel strip in a 30-pixel cell: centred, 18
  // pixels in, clickable over its 24 pixels and not beyond.
  StripCellFacts cell{2, 0, 30, 36, 6, true, at24};
  EXPECT_EQ(StripIconTop(0, 30, 0, at24), 3);
  EXPECT_EQ(StripIconPartAt(cell, 6, 15), 1);
  EXPECT_EQ(StripIconPartAt(cell, 29, 26), 1);
  EXPECT_EQ(StripIconPartAt(cell, 5, 15), 0);
  EXPECT_EQ(StripIconPartAt(cell, 30, 15), 0);
  EXPECT_EQ(StripIconPartAt(cell, 18, 2), 0);
}

}  // namespace
}  // namespace vantorel
