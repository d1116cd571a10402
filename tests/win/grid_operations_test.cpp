// The grid's operations against real list views: columns, rows, texts,
// row records, colours, strip layout, and quiet failure once the windows
// are gone.
#include "grid_fixture.h"

#include <cstdint>

#include "grid/grid_geometry.h"

namespace vantorel {
namespace {

using grid_testing::MakeParent;
using grid_testing::TestGrid;

std::wstring HeaderTitle(HWND header, int item) {
  wchar_t text[64]{};
  HDITEMW hd{};
  hd.mask = HDI_TEXT;
  hd.pszText = text;
  hd.cchTextMax = 64;
  SendMessageW(header, HDM_GETITEMW, item, reinterpret_cast<LPARAM>(&hd));
  return text;
}

RECT RectIn(HWND window, HWND parent) {
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(GridOperations, ColumnsGoAfterTheHiddenOneAtTheirPosition) {
  TestGrid t(0);
  GridControl& g = *t.grid;
  EXPECT_EQ(g.GetColumnCount(), 0);
  g.AddColumn(-1, L"B", 60);
  g.AddColumn(0, L"A", 50);   // before B
  g.AddColumn(7, L"D", 40);   // past the end: appended
  g.AddColumn(2, L"C", 30);   // between B and D
  ASSERT_EQ(g.GetColumnCount(), 4);
  EXPECT_EQ(HeaderTitle(g.headerWindow, 0), L"");
  EXPECT_EQ(SendMessageW(g.listWindow, LVM_GETCOLUMNWIDTH, 0, 0), 0) << "list column 0 stays hidden";
  const wchar_t* titles[] = {L"A", L"B", L"C", L"D"};
  const int widths[] = {50, 60, 30, 40};
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(HeaderTitle(g.headerWindow, c + 1), titles[c]);
    EXPECT_EQ(SendMessageW(g.listWindow, LVM_GETCOLUMNWIDTH, c + 1, 0), widths[c]);
  }
  g.RemoveColumn(1);
  ASSERT_EQ(g.GetColumnCount(), 3);
  EXPECT_EQ(HeaderTitle(g.headerWindow, 2), L"C");
  g.RemoveColumn(-1);  // the hidden column cannot go
  g.RemoveColumn(3);
  EXPECT_EQ(g.GetColumnCount(), 3);
  // Positions and columns at the ends of their range are past the grid like
  // any other, never wrapped round onto the hidden column.
  g.AddColumn(INT64_MAX, L"E", 20);
  ASSERT_EQ(g.GetColumnCount(), 4);
  EXPECT_EQ(HeaderTitle(g.headerWindow, 4), L"E");
  g.AddRow(-1, L"", 1);
  for (const std::int64_t column : {INT64_MAX, INT64_MIN}) {
    g.RemoveColumn(column);
    g.RefreshCell(column, 0, true);
    g.EnsureCellVisible(column, 0);
    g.SetCurrentCell(column, 0, 1);
  }
  EXPECT_EQ(g.GetColumnCount(), 4);
  EXPECT_EQ(HeaderTitle(g.headerWindow, 0), L"");
  EXPECT_EQ(g.GetCurrentColumn(), -1);
}

TEST(GridOperations, AtMostAThousandHeaderItems) {
  TestGrid t(0);
  GridControl& g = *t.grid;
  g.SetRedraw(false, false);  // a list view that may paint grows slowly on Wine
  for (int c = 0; c < 998; ++c) g.AddColumn(-1, L"", 10);
  EXPECT_EQ(g.GetColumnCount(), 998);
  g.AddColumn(-1, L"last", 10);
  EXPECT_EQ(g.GetColumnCount(), 999);
  g.AddColumn(-1, L"beyond", 10);
  g.AddColumn(0, L"beyond", 10);
  EXPECT_EQ(g.GetColumnCount(), 999);
  EXPECT_EQ(HeaderTitle(g.headerWindow, 999), L"last");
  EXPECT_EQ(HeaderTitle(g.headerWindow, 1), L"");
}

TEST(GridOperations, AddRowAppendsOutsideTheRowsAndKeepsRecordsWithTheirItems) {
  TestGrid t(2);
  GridControl& g = *t.grid;
  EXPECT_EQ(g.AddRow(-1, L"first", 1), 1);
  EXPECT_EQ(g.AddRow(5, L"second", 1), 1);     // past the end: appended
  EXPECT_EQ(g.AddRow(-7, L"third", 0), 1);     // negative: appended
  EXPECT_EQ(g.AddRow(0, L"top", 1), 1);        // inserted at the top
  EXPECT_EQ(g.AddRow(2, L"middle", 0), 1);     // inserted before "second"
  ASSERT_EQ(g.GetRowCount(), 5);
  const wchar_t* order[] = {L"top", L"first", L"middle", L"second", L"third"};
  const std::uint64_t states[] = {0x80000000u, 0x80000000u, 0, 0x80000000u, 0};
  for (int r = 0; r < 5; ++r) {
    EXPECT_EQ(g.GetCellText(-1, r), order[r]) << r;
    EXPECT_EQ(g.GetCellText(0, r), L"") << "AddRow's text goes to the hidden column only";
    EXPECT_EQ(g.GetRowState(r), states[r]) << r;
    ASSERT_NE(g.Row(r), nullptr);
    EXPECT_EQ(g.Row(r)->state, states[r]) << "the row's record is kept with it";
  }
  g.SetRowValue(2, 42);
  g.RemoveRow(0);
  EXPECT_EQ(g.GetRowCount(), 4);
  EXPECT_EQ(g.GetCellText(-1, 0), L"first");
  EXPECT_EQ(g.GetRowValue(1), 42) << "records move with their rows";
  g.RemoveRow(4);
  EXPECT_EQ(g.GetRowCount(), 4);
  g.ClearRows();
  EXPECT_EQ(g.GetRowCount(), 0);
  EXPECT_EQ(g.RowTotal(), 0);
  EXPECT_EQ(g.GetColumnCount(), 2) << "columns stay";
}

TEST(GridOperations, ColumnMinusOneIsTheHiddenColumn) {
  TestGrid t(2);
  GridControl& g = *t.grid;
  g.AddRow(-1, L"row text", 1);
  g.SetCellText(0, 0, L"visible");
  g.SetCellText(-1, 0, L"hidden");
  EXPECT_EQ(g.GetCellText(-1, 0), L"hidden");
  EXPECT_EQ(g.GetCellText(0, 0), L"visible");
  EXPECT_EQ(g.GetCellText(1, 0), L"");
  // Cells that do not exist are neither written nor read.
  g.SetCellText(2, 0, L"x");
  g.SetCellText(0, 1, L"x");
  g.SetCellText(-2, 0, L"x");
  EXPECT_EQ(g.GetCellText(2, 0), L"");
  EXPECT_EQ(g.GetCellText(0, 1), L"");
  EXPECT_EQ(g.GetCellText(-2, 0), L"");
  EXPECT_EQ(g.GetCellText(-1, 0), L"hidden");
  // Long texts come back whole.
  const std::wstring longText(5000, L'x');
  g.SetCellText(1, 0, longText);
  EXPECT_EQ(g.GetCellText(1, 0), longText);
}

TEST(GridOperations, RowValuesAndStatesIncludingTheHeaderRow) {
  TestGrid t(1);
  GridControl& g = *t.grid;
  t.AddRows(2);
  g.SetRowValue(-1, 7);
  g.SetRowValue(1, -9);
  g.SetRowValue(2, 5);  // no such row
  EXPECT_EQ(g.GetRowValue(-1), 7);
  EXPECT_EQ(g.GetRowValue(1), -9);
  EXPECT_EQ(g.GetRowValue(2), 0);
  EXPECT_EQ(g.GetRowState(2), 0u);

  g.SetRowState(0, 2, 3, 1, 4, false);
  EXPECT_EQ(g.GetRowState(0), 0x80000000u | 0x410302u);
  g.SetRowState(0, -1, 0, -1, -1, false);  // only icon B
  EXPECT_EQ(g.GetRowState(0), 0x80000000u | 0x410002u);
  g.SetRowState(0, 256, -1, 5, 9, false);  // nothing fits
  EXPECT_EQ(g.GetRowState(0), 0x80000000u | 0x410002u);
  g.SetRowState(-1, 1, -1, 2, -1, false);
  EXPECT_EQ(g.GetRowState(-1), 0x80020001u);
  g.SetRowState(5, 1, 1, 1, 1, false);
  EXPECT_EQ(g.GetRowState(5), 0u);
}

TEST(GridOperations, SetRowStateRedrawsTheStripCellOnlyWhenAskedAndChanged) {
  TestGrid t(1);
  GridControl& g = *t.grid;
  t.AddRows(3);
  UpdateWindow(g.containerWindow);
  auto dirty = [&] {
    RECT r{};
    const bool any = GetUpdateRect(g.containerWindow, &r, FALSE);
    ValidateRect(g.containerWindow, nullptr);
    return any ? r : RECT{};
  };
  auto clean = [&] {
    const RECT r = dirty();
    return IsRectEmpty(&r) != FALSE;
  };
  dirty();
  g.SetRowState(1, 2, -1, -1, -1, false);
  EXPECT_TRUE(clean()) << "no redraw asked";
  g.SetRowState(1, 2, -1, -1, -1, true);
  EXPECT_TRUE(clean()) << "nothing changed";
  g.SetRowState(1, 1, -1, -1, -1, true);
  const RECT cell = dirty();
  const RECT item = t.ItemRect(1);
  EXPECT_EQ(cell.left, 0);
  EXPECT_EQ(cell.right, 24);
  EXPECT_EQ(cell.top, item.top);
  EXPECT_GE(cell.bottom, item.bottom);
  EXPECT_LE(cell.bottom, item.bottom + 1);
}

TEST(GridOperations, StripLayoutPlacesOrHidesTheList) {
  HWND parent = MakeParent();
  const int scroll = GetSystemMetrics(SM_CXVSCROLL);
  // No border: the client is as wide as the grid.
  auto g = GridControl::Create(parent, 0, 0, 300, 150, 20, 0x45);
  g->SetStrip(24, 1);
  g->Resize(11, 12, 300, 150);
  EXPECT_EQ(g->GetX(), 11);
  EXPECT_EQ(g->GetY(), 12);
  EXPECT_EQ(g->GetWidth(), 300);
  EXPECT_EQ(g->GetHeight(), 150);
  RECT list = RectIn(g->listWindow, g->containerWindow);
  EXPECT_EQ(list.left, 25);
  EXPECT_EQ(list.right, 300);
  EXPECT_EQ(list.top, 0);
  EXPECT_EQ(list.bottom, 150);
  g->SetStrip(-1, 6);  // width kept, gap changed
  EXPECT_EQ(g->list->core.strip.width, 24);
  EXPECT_EQ(RectIn(g->listWindow, g->containerWindow).left, 30);
  g->SetStrip(24, 1);

  // 25 pixels of strip leave no room beside a scroll bar.
  g->Resize(0, 0, 25 + scroll, 150);
  EXPECT_TRUE(g->listHidden);
  EXPECT_FALSE(IsWindowVisible(g->listWindow));
  g->Resize(0, 0, 26 + scroll, 180);
  EXPECT_FALSE(g->listHidden);
  EXPECT_TRUE(IsWindowVisible(g->listWindow));
  list = RectIn(g->listWindow, g->containerWindow);
  EXPECT_EQ(list.left, 25);
  EXPECT_EQ(list.right, 26 + scroll);
  EXPECT_EQ(list.bottom, 180) << "the list follows the grid's height";
  // Widening the strip itself hides the list as well.
  g->SetStrip(26 + scroll, -1);
  EXPECT_TRUE(g->listHidden);
  g->SetStrip(0, 0);
  EXPECT_FALSE(g->listHidden);
  EXPECT_EQ(RectIn(g->listWindow, g->containerWindow).left, 0);
  g.reset();
  DestroyWindow(parent);
}

TEST(GridOperations, HeaderHeightIsWhatTheGridSays) {
  TestGrid t(2);
  GridControl& g = *t.grid;
  t.AddRows(1);
  RECT header{};
  GetWindowRect(g.headerWindow, &header);
  EXPECT_EQ(header.bottom - header.top, 22);
  EXPECT_EQ(t.ItemRect(0).top, 22);
  g.SetHeaderHeight(40);
  GetWindowRect(g.headerWindow, &header);
  EXPECT_EQ(header.bottom - header.top, 40);
  EXPECT_EQ(t.ItemRect(0).top, 40);
  EXPECT_TRUE(IsWindowVisible(g.listWindow));
}

TEST(GridOperations, ColoursGoToTheirIndexes) {
  TestGrid t(2);
  GridControl& g = *t.grid;
  GridList& l = t.list();
  g.SetColour(1, 0x111111);
  g.SetColour(4, 0x444444);
  g.SetColour(1, -1);  // ignored
  g.SetColour(4, -1);  // stored: no block colour
  EXPECT_EQ(l.core.look.headerFrameColour, 0x111111);
  EXPECT_EQ(l.core.look.blockColour, -1);
  g.SetColour(3, 2);
  g.SetColour(5, 0x555555);
  EXPECT_EQ(l.core.look.currentFrameWidth, 2);
  EXPECT_EQ(l.core.look.gridLineColour, 0x555555);

  // Indexes 6 and 8 own a brush of their colour, or fall back to shared ones.
  const GridShared& shared = SharedGridState();
  LOGBRUSH brush{};
  g.SetColour(6, 0x00FF00);
  GetObjectW(g.emptyAreaBrush, sizeof(brush), &brush);
  EXPECT_EQ(brush.lbColor, 0x00FF00u);
  g.SetColour(6, -1);
  EXPECT_EQ(l.core.look.emptyAreaColour, -1);
  EXPECT_FALSE(g.ownEmptyAreaBrush);
  EXPECT_EQ(g.emptyAreaBrush, shared.commonControlsMajor >= 6 ? shared.whiteBrush : shared.faceBrush);
  g.SetColour(8, 0x0000FF);
  GetObjectW(g.stripBrush, sizeof(brush), &brush);
  EXPECT_EQ(brush.lbColor, 0x0000FFu);
  g.SetColour(8, -1);
  EXPECT_EQ(g.stripBrush, shared.faceBrush);

  g.SetColour(7, 2);
  g.SetColour(7, 4);
  EXPECT_EQ(l.core.selection.kind, 2) << "only 0-3";

  // And the painting takes them: header frame, grid lines, a 2-pixel frame.
  g.SetColour(7, 0);
  g.SetColour(2, 0x0000C0);
  t.AddRows(2);
  g.SetCurrentCell(0, 0, 0);
  RECT cell{};
  cell.top = 1;
  cell.left = LVIR_BOUNDS;
  SendMessageW(g.listWindow, LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&cell));
  {
    grid_testing::Snapshot shot(g.listWindow, 300, 100);
    EXPECT_EQ(shot.At(cell.left + 10, cell.bottom - 1), 0x555555u) << "grid line";
    const RECT current = t.ItemRect(0);
    EXPECT_EQ(shot.At(cell.left + 1, current.top + 10), 0x0000C0u) << "second pixel of the frame";
    EXPECT_NE(shot.At(cell.left + 2, current.top + 10), 0x0000C0u) << "no third";
  }
  RECT item{};
  SendMessageW(g.headerWindow, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
  grid_testing::Snapshot header(g.headerWindow, 300, 30);
  EXPECT_EQ(header.At(item.left, item.top + 5), 0x111111u) << "header frame";
}

TEST(GridOperations, DataImagesAndColumnOrder) {
  TestGrid t(3);
  GridControl& g = *t.grid;
  g.SetData(-123456789012LL);
  EXPECT_EQ(g.GetData(), -123456789012LL);
  HICON icon = LoadIconW(nullptr, IDI_APPLICATION);
  EXPECT_EQ(g.SetImage(-1, icon), 6) << "appended after the six built-in icons";
  EXPECT_EQ(g.SetImage(0, icon), 0);
  EXPECT_EQ(g.SetImage(40, icon), -1) << "nothing there to replace";

  int shuffled[] = {0, 3, 1, 2};
  SendMessageW(g.listWindow, LVM_SETCOLUMNORDERARRAY, 4, reinterpret_cast<LPARAM>(shuffled));
  std::int32_t order[8]{};
  ASSERT_EQ(g.GetColumnOrder(order), 4);
  EXPECT_EQ(std::vector<std::int32_t>(order, order + 4), (std::vector<std::int32_t>{0, 3, 1, 2}));
  g.ResetColumnOrder();
  ASSERT_EQ(g.GetColumnOrder(order), 4);
  EXPECT_EQ(std::vector<std::int32_t>(order, order + 4), (std::vector<std::int32_t>{0, 1, 2, 3}));
}

TEST(GridOperations, RedrawOffDefersPaintingUntilSwitchedOn) {
  TestGrid t(2);
  GridControl& g = *t.grid;
  UpdateWindow(g.listWindow);
  UpdateWindow(g.containerWindow);
  g.SetRedraw(false, false);
  t.AddRows(5);
  RECT r{};
  EXPECT_FALSE(GetUpdateRect(g.containerWindow, &r, FALSE)) << "the strip waits while redraw is off";
  g.SetRedraw(true, false);
  EXPECT_TRUE(GetUpdateRect(g.listWindow, &r, FALSE));
  EXPECT_TRUE(GetUpdateRect(g.containerWindow, &r, FALSE));
  g.SetRedraw(true, true);
  EXPECT_FALSE(GetUpdateRect(g.listWindow, &r, FALSE)) << "painted at once";
  EXPECT_FALSE(GetUpdateRect(g.containerWindow, &r, FALSE));

  // Resumed after a bulk change: the layout runs out of sight, then the
  // list, scroll bars and all, waits whole for its one paint.
  g.SetRedraw(false, false);
  t.AddRows(40);
  bool hiddenDuringLayout = false;
  g.ResumeRedraw([&] { hiddenDuringLayout = !IsWindowVisible(g.listWindow); });
  EXPECT_TRUE(hiddenDuringLayout);
  EXPECT_TRUE(IsWindowVisible(g.listWindow));
  EXPECT_TRUE(GetWindowLongW(g.listWindow, GWL_STYLE) & WS_VSCROLL);
  RECT client{};
  GetClientRect(g.listWindow, &client);
  ASSERT_TRUE(GetUpdateRect(g.listWindow, &r, FALSE));
  EXPECT_TRUE(EqualRect(&r, &client));
  EXPECT_TRUE(GetUpdateRect(g.containerWindow, &r, FALSE));
  // A grid out of sight stays so.
  ShowWindow(t.parent, SW_HIDE);
  g.SetRedraw(false, false);
  g.ResumeRedraw(nullptr);
  EXPECT_TRUE(GetWindowLongW(g.listWindow, GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(IsWindowVisible(g.listWindow));
}

TEST(GridOperations, EnsureCellVisibleScrollsBothWays) {
  TestGrid t(12);
  GridControl& g = *t.grid;
  t.AddRows(100);
  g.EnsureCellVisible(11, 90);
  const auto top = SendMessageW(g.listWindow, LVM_GETTOPINDEX, 0, 0);
  EXPECT_LE(top, 90);
  EXPECT_GT(top + SendMessageW(g.listWindow, LVM_GETCOUNTPERPAGE, 0, 0), 90);
  RECT cell{};
  cell.top = 12;
  cell.left = LVIR_BOUNDS;
  SendMessageW(g.listWindow, LVM_GETSUBITEMRECT, 90, reinterpret_cast<LPARAM>(&cell));
  EXPECT_GE(cell.left, 0);
  RECT client{};
  GetClientRect(g.listWindow, &client);
  EXPECT_LE(cell.left + 80, client.right);
  // And back to the first cell.
  g.EnsureCellVisible(0, 0);
  EXPECT_EQ(SendMessageW(g.listWindow, LVM_GETTOPINDEX, 0, 0), 0);
  cell = RECT{};
  cell.top = 1;
  cell.left = LVIR_BOUNDS;
  SendMessageW(g.listWindow, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&cell));
  EXPECT_EQ(cell.left, 0);
}

TEST(GridOperations, EveryOperationFailsQuietlyOnceTheWindowsAreGone) {
  TestGrid t(2);
  GridControl& g = *t.grid;
  t.AddRows(2);
  g.SetCurrentCell(0, 0, 0);
  DestroyWindow(g.GetWindow());
  ASSERT_FALSE(g.Alive());

  HICON icon = LoadIconW(nullptr, IDI_APPLICATION);
  std::int32_t order[4]{9, 9, 9, 9};
  // Getters.
  EXPECT_EQ(g.SetImage(-1, icon), -1);
  EXPECT_EQ(g.AddRow(-1, L"x", 1), 0);
  EXPECT_EQ(g.GetCellText(0, 0), L"");
  EXPECT_EQ(g.GetColumnOrder(order), -1);
  EXPECT_EQ(order[0], 9);
  EXPECT_EQ(g.GetHeight(), -1);
  EXPECT_EQ(g.GetWindow(), nullptr);
  EXPECT_EQ(g.GetColumnCount(), -1);
  EXPECT_EQ(g.GetRowCount(), -1);
  EXPECT_EQ(g.GetRowValue(0), 0);
  EXPECT_EQ(g.GetRowState(0), 0u);
  EXPECT_EQ(g.GetRowState(-1), 0u);
  EXPECT_EQ(g.GetCurrentColumn(), -1);
  EXPECT_EQ(g.GetCurrentRow(), -1);
  EXPECT_EQ(g.GetData(), 0);
  EXPECT_EQ(g.GetWidth(), -1);
  EXPECT_EQ(g.GetX(), -1);
  EXPECT_EQ(g.GetY(), -1);
  EXPECT_FALSE(g.IsEditChanged());
  // Setters: nothing happens and nothing is asked.
  const auto rowsBefore = g.RowTotal();
  const auto stripWidth = g.list->core.strip.width;
  t.recorder.events.clear();
  g.AddColumn(-1, L"x", 10);
  g.SetRedraw(true, true);
  g.ClearRows();
  g.CopyBlock(0, 0, 1, 1);
  g.SetCallback(nullptr);
  g.ClearBlock(0, 0, 1, 1);
  g.ReservedA();
  g.SetBlock(0, 0, 1, 1);
  g.EndEdit();
  g.Hide(true);
  g.RefreshCell(0, 0, true);
  g.EnsureCellVisible(0, 0);
  g.Paste();
  g.RemoveColumn(0);
  g.RemoveRow(0);
  g.Resize(0, 0, 10, 10);
  g.SetCurrentCell(1, 1, 1);
  g.ReservedB();
  g.SetCellText(0, 0, L"x");
  g.SetHeaderHeight(30);
  g.ResetColumnOrder();
  g.SetFont(nullptr);
  g.ReservedC();
  g.SetColour(6, 0x00FF00);
  g.SetColour(4, 0x123456);
  g.SetRowValue(0, 5);
  g.SetStrip(50, 5);
  g.SetStripTextMargins(1, 1);
  g.SetRowState(0, 2, 2, 1, 1, true);
  g.SetData(5);
  EXPECT_EQ(g.RowTotal(), rowsBefore);
  EXPECT_EQ(g.list->core.strip.width, stripWidth);
  EXPECT_EQ(g.list->core.strip.textLeft, 6);
  EXPECT_FALSE(g.ownEmptyAreaBrush);
  EXPECT_EQ(g.Row(0)->userValue, 0);
  EXPECT_EQ(g.Row(0)->state, 0x80000001u);
  EXPECT_TRUE(t.recorder.events.empty());
  g.Free();
  g.Free();  // twice is harmless
  EXPECT_EQ(g.GetRowCount(), -1);
}

TEST(GridOperations, DestroyingTheParentLeavesAGridThatAnswersAsGone) {
  TestGrid t(1);
  t.AddRows(3);
  DestroyWindow(t.parent);
  EXPECT_EQ(t.grid->GetRowCount(), -1);
  EXPECT_EQ(t.grid->GetWindow(), nullptr);
  EXPECT_EQ(t.grid->containerWindow, nullptr);
  EXPECT_EQ(t.grid->listWindow, nullptr);
  EXPECT_EQ(t.grid->list->listWindow, nullptr);
  t.grid.reset();  // rows and image list still released
}

}  // namespace
}  // namespace vantorel
