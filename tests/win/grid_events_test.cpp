// The notification protocol driven by real messages: header clicks, layout
// notices, drawing questions and the row-header strip's mouse handling.
#include "grid_fixture.h"

namespace vantorel {
namespace {

using grid_testing::Recorder;
using grid_testing::TestGrid;

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

// The middle of a row's strip cell, x pixels from the strip's left edge.
LPARAM StripPoint(TestGrid& t, std::int64_t row, int x) {
  const RECT item = t.ItemRect(row);
  return At(x, (item.top + item.bottom) / 2);
}

void Click(HWND window, LPARAM point) {
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
  SendMessageW(window, WM_LBUTTONUP, 0, point);
}

TEST(GridEvents, HeaderClickFromAColumnHeaderAndLayoutChangeFromUserPlusOne) {
  TestGrid t(3);
  t.AddRows(2);
  RECT item{};
  SendMessageW(t.grid->headerWindow, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
  const LPARAM middle = At((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  t.recorder.events.clear();
  Click(t.grid->headerWindow, middle);
  const auto clicks = t.recorder.Of(GridEvent::HeaderClick);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].record.row, -1);
  EXPECT_EQ(clicks[0].record.column, 1) << "header item 2 is grid column 1";
  EXPECT_EQ(clicks[0].grid, t.grid.get());

  SendMessageW(t.grid->listWindow, WM_USER + 1, 0, 0);
  const auto changes = t.recorder.Of(GridEvent::LayoutChanged);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].record.row, -1);
  EXPECT_EQ(changes[0].record.column, -1);
  EXPECT_EQ(changes[0].record.value, 2);
}

TEST(GridEvents, PaintingAsksFormatAndTypeOfEveryVisibleCellAndUsesTheColours) {
  TestGrid t(2);
  t.AddRows(3);
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& record) {
    if (event == GridEvent::CellFormat && record.row >= 0 && record.column == 1) record.backColour = 0x00FF00;
  };
  t.recorder.events.clear();
  const RECT client = [&] {
    RECT r{};
    GetClientRect(t.grid->listWindow, &r);
    return r;
  }();
  grid_testing::Snapshot shot(t.grid->listWindow, client.right, client.bottom);
  auto formats = t.recorder.Of(GridEvent::CellFormat);
  auto types = t.recorder.Of(GridEvent::CellType);
  for (std::int64_t row = 0; row < 3; ++row)
    for (std::int64_t column = 0; column < 2; ++column) {
      auto asked = [&](const std::vector<Recorder::Entry>& list) {
        return std::count_if(list.begin(), list.end(), [&](const Recorder::Entry& e) {
          return e.record.row == row && e.record.column == column;
        });
      };
      EXPECT_GE(asked(formats), 1) << row << "," << column;
      EXPECT_GE(asked(types), 1) << row << "," << column;
    }
  ASSERT_FALSE(formats.empty());
  EXPECT_EQ(formats[0].record.gradientTop, -1) << "no gradient unless the application asks";
  // Column 1's cells carry the application's background.
  RECT cell{};
  cell.top = 2;
  cell.left = LVIR_BOUNDS;
  SendMessageW(t.grid->listWindow, LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&cell));
  EXPECT_EQ(shot.At(cell.right - 3, cell.bottom - 3), RGB(0, 255, 0));
}

TEST(GridEvents, StripCellPressedAndReleasedOverItselfGivesHeaderClickWithItsRow) {
  TestGrid t(2);
  t.AddRows(4);
  GridControl& g = *t.grid;
  t.recorder.events.clear();
  const LPARAM beside = StripPoint(t, 2, 1);  // left of the tick box
  SendMessageW(g.containerWindow, WM_LBUTTONDOWN, MK_LBUTTON, beside);
  EXPECT_EQ(g.list->core.strip.pressed, 2);
  EXPECT_TRUE(g.list->core.strip.pressedInside);
  EXPECT_EQ(GetCapture(), g.containerWindow);
  SendMessageW(g.containerWindow, WM_LBUTTONUP, 0, beside);
  EXPECT_EQ(g.list->core.strip.pressed, -2);
  EXPECT_NE(GetCapture(), g.containerWindow);
  EXPECT_EQ(t.recorder.Sequence(),
            (std::vector<GridEvent>{GridEvent::LeftButtonDown, GridEvent::LeftButtonUp, GridEvent::HeaderClick}));
  const auto down = t.recorder.Of(GridEvent::LeftButtonDown)[0].record;
  EXPECT_EQ(down.row, 2);
  EXPECT_EQ(down.column, -1);
  EXPECT_EQ(down.value, MK_LBUTTON);
  const auto click = t.recorder.Of(GridEvent::HeaderClick)[0].record;
  EXPECT_EQ(click.row, 2);
  EXPECT_EQ(click.column, -1);

  // The strip's header cell the same way, with row -1.
  t.recorder.events.clear();
  Click(g.containerWindow, At(10, 5));
  ASSERT_EQ(t.recorder.Of(GridEvent::HeaderClick).size(), 1u);
  EXPECT_EQ(t.recorder.Of(GridEvent::HeaderClick)[0].record.row, -1);
}

TEST(GridEvents, StripClickAnsweredWithZeroLeavesTheCellUnpressed) {
  TestGrid t(2);
  t.AddRows(3);
  GridControl& g = *t.grid;
  t.recorder.answers[GridEvent::StripClick] = 0;
  t.recorder.events.clear();
  const LPARAM onTick = StripPoint(t, 1, 12);
  SendMessageW(g.containerWindow, WM_LBUTTONDOWN, MK_LBUTTON, onTick);
  EXPECT_EQ(g.list->core.strip.pressed, -2);
  EXPECT_NE(GetCapture(), g.containerWindow);
  SendMessageW(g.containerWindow, WM_LBUTTONUP, 0, onTick);
  EXPECT_EQ(t.recorder.Sequence(),
            (std::vector<GridEvent>{GridEvent::LeftButtonDown, GridEvent::StripClick, GridEvent::LeftButtonUp}));
  const auto strip = t.recorder.Of(GridEvent::StripClick)[0].record;
  EXPECT_EQ(strip.row, 1);
  EXPECT_EQ(strip.column, -1);
  EXPECT_EQ(strip.part, 1);

  // The last answer decides: a StripClick of 1 after a LeftButtonDown of 0
  // holds the cell pressed.
  t.recorder.answers = {{GridEvent::LeftButtonDown, 0}};
  SendMessageW(g.containerWindow, WM_LBUTTONDOWN, MK_LBUTTON, onTick);
  EXPECT_EQ(g.list->core.strip.pressed, 1);
  SendMessageW(g.containerWindow, WM_LBUTTONUP, 0, onTick);
}

TEST(GridEvents, IconsAreHitOnlyWhereTheyAre) {
  TestGrid t(1);
  GridControl& g = *t.grid;
  g.SetStrip(60, 1);
  t.AddRows(3);
  g.SetRowState(0, 0, 2, -1, -1, false);   // only icon B, centred 12 from the right
  g.SetRowState(1, 9, -1, -1, -1, false);  // an index beyond the images
  g.SetRowState(2, 3, -1, 1, -1, false);   // plus box near the top: a small target
  auto part = [&](std::int64_t row, int x, int dy = 0) {
    t.recorder.events.clear();
    const RECT item = t.ItemRect(row);
    const LPARAM p = At(x, (item.top + item.bottom) / 2 + dy);
    Click(g.containerWindow, p);
    const auto clicks = t.recorder.Of(GridEvent::StripClick);
    return clicks.empty() ? 0 : clicks[0].record.part;
  };
  EXPECT_EQ(part(0, 48), 2);
  EXPECT_EQ(part(0, 12), 0);
  EXPECT_EQ(part(1, 12), 0);
  // Placement 1 puts the box's middle 10 pixels below the cell's top.
  const RECT item = t.ItemRect(2);
  const int middle = (item.top + item.bottom) / 2;
  EXPECT_EQ(part(2, 12, item.top + 10 - middle), 1);
  EXPECT_EQ(part(2, 7, item.top + 10 - middle), 0) << "built-in plus box: 4 pixels either side";
  EXPECT_EQ(part(2, 12, item.top + 15 - middle), 0);
}

TEST(GridEvents, LeavingThePressedCellUnpressesItAndReleaseOutsideClicksNothing) {
  TestGrid t(1);
  t.AddRows(3);
  GridControl& g = *t.grid;
  SendMessageW(g.containerWindow, WM_LBUTTONDOWN, MK_LBUTTON, StripPoint(t, 0, 1));
  SendMessageW(g.containerWindow, WM_MOUSEMOVE, MK_LBUTTON, StripPoint(t, 1, 1));
  EXPECT_EQ(g.list->core.strip.pressed, 0);
  EXPECT_FALSE(g.list->core.strip.pressedInside);
  SendMessageW(g.containerWindow, WM_MOUSEMOVE, MK_LBUTTON, StripPoint(t, 0, 2));
  EXPECT_TRUE(g.list->core.strip.pressedInside);
  SendMessageW(g.containerWindow, WM_MOUSEMOVE, MK_LBUTTON, At(300, 5));
  EXPECT_FALSE(g.list->core.strip.pressedInside);
  t.recorder.events.clear();
  SendMessageW(g.containerWindow, WM_LBUTTONUP, 0, StripPoint(t, 1, 1));
  EXPECT_EQ(g.list->core.strip.pressed, -2);
  EXPECT_TRUE(t.recorder.Of(GridEvent::HeaderClick).empty());
  ASSERT_EQ(t.recorder.Of(GridEvent::LeftButtonUp).size(), 1u);
  EXPECT_EQ(t.recorder.Of(GridEvent::LeftButtonUp)[0].record.row, 1) << "reported for the cell under the mouse";
  EXPECT_TRUE(t.recorder.Of(GridEvent::StripHeaderDrag).empty()) << "only with grid flag 0x1000";
}

TEST(GridEvents, StripGroupsAnswerForAllTheirRows) {
  TestGrid t(1);
  GridControl& g = *t.grid;
  g.AddRow(-1, L"", 0);  // above the first start: a group from row 0
  g.AddRow(-1, L"", 1);
  g.AddRow(-1, L"", 0);
  g.AddRow(-1, L"", 0);
  g.AddRow(-1, L"", 1);
  auto reported = [&](std::int64_t row) {
    t.recorder.events.clear();
    Click(g.containerWindow, StripPoint(t, row, 1));
    const auto down = t.recorder.Of(GridEvent::LeftButtonDown);
    return down.empty() ? -99 : down[0].record.row;
  };
  EXPECT_EQ(reported(0), 0);
  EXPECT_EQ(reported(1), 1);
  EXPECT_EQ(reported(3), 1);
  EXPECT_EQ(reported(4), 4);
  // A group's strip cell spans its rows.
  const RECT cell = g.StripCellRect(2);
  EXPECT_EQ(cell.top, t.ItemRect(1).top);
  EXPECT_EQ(cell.bottom, t.ItemRect(3).bottom + 1);
}

TEST(GridEvents, RightButtonsAndNoStripCell) {
  TestGrid t(1);
  t.AddRows(2);
  GridControl& g = *t.grid;
  t.recorder.events.clear();
  SendMessageW(g.containerWindow, WM_RBUTTONDOWN, MK_RBUTTON, StripPoint(t, 1, 5));
  SendMessageW(g.containerWindow, WM_RBUTTONUP, 0, StripPoint(t, 1, 5));
  const LPARAM below = At(5, t.ItemRect(1).bottom + 30);
  SendMessageW(g.containerWindow, WM_RBUTTONDOWN, MK_RBUTTON, below);
  SendMessageW(g.containerWindow, WM_RBUTTONUP, 0, below);
  Click(g.containerWindow, below);
  EXPECT_EQ(t.recorder.Sequence(),
            (std::vector<GridEvent>{GridEvent::RightButtonDown, GridEvent::RightButtonUp, GridEvent::RightButtonUp}));
  EXPECT_EQ(t.recorder.Of(GridEvent::RightButtonDown)[0].record.row, 1);
  EXPECT_EQ(t.recorder.Of(GridEvent::RightButtonDown)[0].record.value, MK_RBUTTON);
  EXPECT_EQ(t.recorder.Of(GridEvent::RightButtonUp)[0].record.row, 1);
  EXPECT_EQ(t.recorder.Of(GridEvent::RightButtonUp)[1].record.row, -10);
}

TEST(GridEvents, TheStripFollowsTheListWhenItScrolls) {
  TestGrid t(1);
  t.AddRows(60);
  GridControl& g = *t.grid;
  SendMessageW(g.listWindow, LVM_ENSUREVISIBLE, 59, FALSE);
  const auto top = SendMessageW(g.listWindow, LVM_GETTOPINDEX, 0, 0);
  ASSERT_GT(top, 0);
  t.recorder.events.clear();
  Click(g.containerWindow, StripPoint(t, top, 1));
  ASSERT_EQ(t.recorder.Of(GridEvent::HeaderClick).size(), 1u);
  EXPECT_EQ(t.recorder.Of(GridEvent::HeaderClick)[0].record.row, top);
}

TEST(GridEvents, WithoutACallbackEverythingIsAccepted) {
  TestGrid t(2);
  t.AddRows(2);
  GridControl& g = *t.grid;
  g.SetCallback(nullptr);
  SendMessageW(g.containerWindow, WM_LBUTTONDOWN, MK_LBUTTON, StripPoint(t, 0, 12));
  EXPECT_EQ(g.list->core.strip.pressed, 0) << "StripClick counts as 1";
  SendMessageW(g.containerWindow, WM_LBUTTONUP, 0, StripPoint(t, 0, 12));
  EXPECT_EQ(g.list->core.strip.pressed, -2);
  // An edit is committed as typed.
  g.SetCurrentCell(1, 1, 0);
  SetWindowTextW(g.list->editors.editBox, L"typed");
  g.EndEdit();
  EXPECT_EQ(g.GetCellText(1, 1), L"typed");
  // Clipboard actions go through.
  g.CopyBlock(1, 1, 1, 1);
  g.SetCurrentCell(0, 0, 0);
  g.Paste();
  g.EndEdit();
  EXPECT_EQ(g.GetCellText(0, 0), L"typed");
}

TEST(GridEvents, NoSortHeaderStyleOnlyFocusesTheList) {
  TestGrid t(1, 0x22045 | 0x4000);
  t.AddRows(2);
  GridControl& g = *t.grid;
  SetFocus(grid_testing::Host());
  SendMessageW(g.containerWindow, WM_LBUTTONDOWN, MK_LBUTTON, StripPoint(t, 0, 1));
  EXPECT_EQ(g.list->core.strip.pressed, -2);
  EXPECT_EQ(GetFocus(), g.listWindow);
  SendMessageW(g.containerWindow, WM_LBUTTONUP, 0, StripPoint(t, 0, 1));
  EXPECT_TRUE(t.recorder.Of(GridEvent::HeaderClick).empty());
}

TEST(GridEvents, OwnerDrawnStripHeaderFlagDragsAndReportsTheReleaseTwice) {
  TestGrid t(1, 0x22045 | 0x1000);
  t.AddRows(2);
  GridControl& g = *t.grid;
  t.recorder.events.clear();
  SendMessageW(g.containerWindow, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 5));
  SendMessageW(g.containerWindow, WM_MOUSEMOVE, MK_LBUTTON, At(11, 6));
  SendMessageW(g.containerWindow, WM_LBUTTONUP, 0, At(11, 6));
  EXPECT_EQ(t.recorder.Sequence(),
            (std::vector<GridEvent>{GridEvent::LeftButtonDown, GridEvent::StripHeaderDrag, GridEvent::LeftButtonUp,
                                    GridEvent::LeftButtonUp, GridEvent::HeaderClick}));
  // With this flag icons are not hit.
  t.recorder.events.clear();
  Click(g.containerWindow, StripPoint(t, 0, 12));
  EXPECT_TRUE(t.recorder.Of(GridEvent::StripClick).empty());
}

}  // namespace
}  // namespace vantorel
