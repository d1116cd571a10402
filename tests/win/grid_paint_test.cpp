// What the container paints for the row-header strip, read back pixel by
// pixel through WM_PRINTCLIENT.
#include "grid_fixture.h"

namespace vantorel {
namespace {

using grid_testing::Snapshot;
using grid_testing::TestGrid;

// Pixels of the built-in icons, relative to the icon's top-left corner.
constexpr POINT kBoxEdge{2, 8};   // left edge of the tick box
constexpr POINT kTickInk{8, 8};   // inside the tick mark, white when unticked
constexpr COLORREF kTickColour = RGB(0x14, 0x6E, 0x1E);
constexpr COLORREF kEdgeColour = RGB(0x40, 0x40, 0x40);

struct Strip {
  TestGrid& t;
  Snapshot shot;
  explicit Strip(TestGrid& grid) : t(grid), shot(grid.grid->containerWindow, 100, 400) {}
  // A pixel of icon A of a row placed at `top` pixels into its cell.
  COLORREF IconA(std::int64_t row, POINT p, int top) const {
    return shot.At(12 - 8 + p.x, t.ItemRect(row).top + top + p.y);
  }
  COLORREF IconACentred(std::int64_t row, POINT p) const {
    const RECT item = t.ItemRect(row);
    return IconA(row, p, (item.bottom - item.top) / 2 - 8);
  }
};

TEST(GridPaint, TickedAndEmptyBoxesShowInTheStrip) {
  TestGrid t(2);
  t.AddRows(2);
  t.grid->SetRowState(0, 2, -1, -1, -1, false);
  t.grid->SetRowState(1, 1, -1, -1, -1, false);
  Strip s(t);
  EXPECT_EQ(s.IconACentred(0, kBoxEdge), kEdgeColour);
  EXPECT_EQ(s.IconACentred(1, kBoxEdge), kEdgeColour);
  EXPECT_EQ(s.IconACentred(0, kTickInk), kTickColour);
  EXPECT_EQ(s.IconACentred(1, kTickInk), RGB(255, 255, 255));
}

TEST(GridPaint, PlacementsMoveIconsWithinTheirCell) {
  TestGrid t(1);
  GridControl& g = *t.grid;
  g.AddRow(-1, L"", 1);
  g.AddRow(-1, L"", 0);
  g.AddRow(-1, L"", 0);  // one cell three rows high
  g.SetRowState(0, 2, -1, 1, -1, false);
  const RECT first = t.ItemRect(0);
  const int cellHeight = 3 * (first.bottom - first.top);
  {
    Strip s(t);
    EXPECT_EQ(s.IconA(0, kTickInk, 2), kTickColour) << "placement 1: 2 pixels below the top";
  }
  g.SetRowState(0, -1, -1, 2, -1, false);
  {
    Strip s(t);
    EXPECT_EQ(s.IconA(0, kTickInk, cellHeight - 18), kTickColour) << "placement 2: 18 above the bottom";
    EXPECT_NE(s.IconA(0, kTickInk, 2), kTickColour);
  }
  g.SetRowState(0, -1, -1, 0, -1, false);
  {
    Strip s(t);
    EXPECT_EQ(s.IconA(0, kTickInk, cellHeight / 2 - 8), kTickColour) << "placement 0: centred";
  }
}

TEST(GridPaint, LowCellsShowNoIcons) {
  HWND parent = grid_testing::MakeParent();
  auto g = GridControl::Create(parent, 0, 0, 300, 200, 14, 0x22045);
  g->SetStrip(24, 1);
  g->AddColumn(-1, L"A", 50);
  g->AddRow(-1, L"", 1);
  g->SetRowState(0, 2, -1, -1, -1, false);
  Snapshot shot(g->containerWindow, 100, 200);
  RECT item{};
  item.left = LVIR_BOUNDS;
  SendMessageW(g->listWindow, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  ASSERT_LE(item.bottom - item.top, 20);
  for (int y = item.top; y < item.bottom; ++y)
    for (int x = 0; x < 24; ++x) EXPECT_NE(shot.At(x, y), kTickColour) << x << "," << y;
  g.reset();
  DestroyWindow(parent);
}

TEST(GridPaint, FormatsGradientsGapAndEmptyArea) {
  TestGrid t(2);
  GridControl& g = *t.grid;
  t.AddRows(2);
  g.SetCellText(-1, 1, L"W");  // the strip shows the hidden column's text
  g.SetRowState(1, 0, -1, -1, -1, false);  // no box over it
  g.SetColour(8, RGB(255, 0, 0));
  g.SetColour(6, RGB(0, 0, 255));
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& record) {
    if (event != GridEvent::CellFormat || record.column != -1) return;
    if (record.row == 0) {
      record.gradientTop = RGB(255, 255, 255);
      record.gradientBottom = RGB(0, 0, 0);
    } else if (record.row == 1) {
      record.backColour = RGB(0, 200, 0);
      record.gradientTop = RGB(1, 2, 3);  // only one end given: solid
      record.textColour = RGB(255, 0, 0);
    }
  };
  t.recorder.events.clear();
  Snapshot shot(g.containerWindow, 100, 300);
  const auto formats = t.recorder.Of(GridEvent::CellFormat);
  ASSERT_EQ(formats.size(), 3u) << "the strip header and one per row";
  EXPECT_EQ(formats[0].record.row, -1);
  EXPECT_EQ(formats[0].record.backColour, static_cast<std::int64_t>(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(formats[1].record.column, -1);

  const RECT row0 = t.ItemRect(0);
  const COLORREF upper = shot.At(2, row0.top + 2);
  const COLORREF lower = shot.At(2, row0.bottom - 2);
  EXPECT_GT(GetRValue(upper), GetRValue(lower)) << "a gradient from light to dark";
  EXPECT_EQ(shot.At(1, row0.top), RGB(0x80, 0x80, 0x80)) << "framed in the header frame colour";
  const RECT row1 = t.ItemRect(1);
  EXPECT_EQ(shot.At(2, (row1.top + row1.bottom) / 2), RGB(0, 200, 0));
  int red = 0;
  for (int y = row1.top; y < row1.bottom; ++y)
    for (int x = 6; x < 18; ++x) red += shot.At(x, y) == RGB(255, 0, 0) ? 1 : 0;
  EXPECT_GT(red, 3) << "strip text in the format's colour, inside the margins";
  EXPECT_EQ(shot.At(24, row1.top + 3), RGB(255, 0, 0)) << "the gap between strip and list";
  EXPECT_EQ(shot.At(10, row1.bottom + 10), RGB(0, 0, 255)) << "below the last row";
}

TEST(GridPaint, HiddenListLeavesTheEmptyAreaColour) {
  HWND parent = grid_testing::MakeParent();
  auto g = GridControl::Create(parent, 0, 0, 40, 100, 20, 0x2045);
  g->SetColour(6, RGB(0, 0, 255));
  g->SetStrip(24, 1);
  ASSERT_TRUE(g->listHidden);
  Snapshot shot(g->containerWindow, 40, 100);
  EXPECT_EQ(shot.At(35, 50), RGB(0, 0, 255));
  g.reset();
  DestroyWindow(parent);
}

TEST(GridPaint, OwnerDrawnStripHeaderIsPaintedByTheApplication) {
  TestGrid t(1, 0x22045 | 0x1000);
  GridControl& g = *t.grid;
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& record) {
    if (event != GridEvent::OwnerDraw) return;
    HDC dc = reinterpret_cast<HDC>(static_cast<std::intptr_t>(record.value));
    const RECT all{0, 0, static_cast<LONG>(record.x1), static_cast<LONG>(record.x2)};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &all, red);
    DeleteObject(red);
  };
  t.recorder.events.clear();
  Snapshot shot(g.containerWindow, 100, 100);
  const auto draws = t.recorder.Of(GridEvent::OwnerDraw);
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].record.row, -1);
  EXPECT_EQ(draws[0].record.column, -1);
  EXPECT_EQ(draws[0].record.x1, 24);
  EXPECT_EQ(draws[0].record.x2, 22);
  EXPECT_EQ(shot.At(10, 10), RGB(255, 0, 0));
}

}  // namespace
}  // namespace vantorel
