// The mouse as a user meets it: button and move messages sent to the list
// view, its header and the editors, with the cursor placed where a real
// pointer would be for the parts that follow it.
#include "grid_fixture.h"

namespace vantorel {
namespace {

using grid_testing::PumpMessages;
using grid_testing::TestGrid;

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
POINT CellCentre(GridControl& g, std::int64_t row, std::int64_t column) {
  return Centre(g.list->CellRect(row, column));
}
LPARAM At(POINT p) { return MAKELPARAM(p.x, p.y); }

void Click(HWND window, POINT p, WPARAM keys = 0) {
  SendMessageW(window, WM_LBUTTONDOWN, keys | MK_LBUTTON, At(p));
  SendMessageW(window, WM_LBUTTONUP, keys, At(p));
}

void HoldLeftButton(bool down) {
  BYTE state[256]{};
  GetKeyboardState(state);
  state[VK_LBUTTON] = down ? 0x80 : 0;
  SetKeyboardState(state);
}

// The pointer moved there, and the move seen by the window system: a warp
// of the X pointer comes back as an event later, which would otherwise put
// the old position back.
void PutCursor(HWND window, POINT p) {
  ClientToScreen(window, &p);
  int steady = 0;
  for (int attempt = 0; attempt < 200 && steady < 2; ++attempt) {
    POINT now{};
    GetCursorPos(&now);
    if (now.x == p.x && now.y == p.y) {
      ++steady;
    } else {
      steady = 0;
      SetCursorPos(p.x, p.y);
    }
    Sleep(10);
    PumpMessages();
  }
}
// Lets the block timer run until `done` holds or a loaded machine has had
// ample time (the timer may be starved for a while, never for seconds).
template <typename Done>
void RunTimersUntil(Done done, int milliseconds = 3000) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  while (!done() && GetTickCount() < end) {
    PumpMessages();
    Sleep(1);
  }
}

// The pointer is the desktop's: a window of another test program running
// beside this one may lie over the grid where the pointer is put, and then
// this grid hears that the mouse has left it. The tests that need the real
// pointer keep their window on top and give the pointer's input again,
// never the check, until what they check holds or ample time has passed.
void KeepOnTop(HWND window) {
  SetWindowPos(GetAncestor(window, GA_ROOT), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
template <typename Input, typename Done>
void RepeatInputUntil(Input input, Done done, int milliseconds = 10000) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  do {
    input();
    PumpMessages();
  } while (!done() && GetTickCount() < end);
}

TEST(GridMouse, ClickMovesThroughCellFocusCommittingFirstAndVetoLeavesAll) {
  TestGrid t(3);
  t.AddRows(5);
  GridControl& g = *t.grid;
  g.SetCurrentCell(0, 0, 1);
  SetWindowTextW(g.list->editors.editBox, L"typed");
  t.recorder.events.clear();
  Click(g.listWindow, CellCentre(g, 2, 1), MK_CONTROL);
  EXPECT_EQ(t.recorder.Sequence(),
            (std::vector<GridEvent>{GridEvent::LeftButtonDown, GridEvent::EditDone, GridEvent::CellFocus}));
  EXPECT_EQ(t.recorder.Of(GridEvent::LeftButtonDown)[0].record.value & MK_CONTROL, MK_CONTROL);
  EXPECT_EQ(t.recorder.Of(GridEvent::CellFocus)[0].record.value, 0);
  EXPECT_EQ(g.GetCellText(0, 0), L"typed");
  EXPECT_EQ(g.GetCurrentRow(), 2);
  EXPECT_EQ(g.GetCurrentColumn(), 1);
  EXPECT_EQ(g.list->core.selection.block, (GridBlock{1, 2, 1, 1, 2, 1}));
  EXPECT_EQ(GetCapture(), nullptr) << "no block drag without the button held on the cell";

  t.recorder.answers[GridEvent::CellFocus] = 0;
  Click(g.listWindow, CellCentre(g, 4, 2));
  EXPECT_EQ(g.GetCurrentRow(), 2);
  EXPECT_EQ(g.list->core.selection.block, (GridBlock{1, 2, 1, 1, 2, 1}));
  t.recorder.answers.erase(GridEvent::CellFocus);

  // The hidden column and the empty area below the rows are no cells.
  t.recorder.events.clear();
  RECT hidden = t.ItemRect(1);
  Click(g.listWindow, POINT{hidden.left, (hidden.top + hidden.bottom) / 2});
  Click(g.listWindow, POINT{40, 280});
  EXPECT_TRUE(t.recorder.events.empty());

  // Shift+click spans the block from the current cell.
  Click(g.listWindow, CellCentre(g, 4, 0), MK_SHIFT);
  EXPECT_EQ(g.GetCurrentRow(), 2);
  EXPECT_EQ(g.list->core.selection.block, (GridBlock{0, 2, 2, 3, 4, 0}));
}

TEST(GridMouse, TickBoxesToggleAndOtherCellsOnlyThroughEditDone) {
  TestGrid t(3);
  t.AddRows(3);
  GridControl& g = *t.grid;
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& r) {
    if (event == GridEvent::CellType && r.column == 1) {
      r.type = 5;
      r.text = L"on/off";
    }
  };
  g.SetCellText(1, 0, L"on");
  g.SetCellText(1, 1, L"off");
  // Not current: the click asks EditDone and only an accepted one changes the cell.
  t.recorder.answers[GridEvent::EditDone] = 0;
  Click(g.listWindow, CellCentre(g, 0, 1));
  ASSERT_EQ(t.recorder.Of(GridEvent::EditDone).size(), 1u);
  EXPECT_EQ(t.recorder.Of(GridEvent::EditDone)[0].record.text, L"off");
  EXPECT_EQ(g.GetCellText(1, 0), L"on");
  EXPECT_TRUE(t.recorder.Of(GridEvent::CellFocus).empty()) << "a click in the box is no move";
  t.recorder.answers.erase(GridEvent::EditDone);
  Click(g.listWindow, CellCentre(g, 1, 1));
  EXPECT_EQ(g.GetCellText(1, 1), L"on");
  // Current: the cell changes at once, without EditDone.
  g.SetCurrentCell(1, 2, 1);
  g.SetCellText(1, 2, L"on");
  t.recorder.events.clear();
  Click(g.listWindow, CellCentre(g, 2, 1));
  EXPECT_EQ(g.GetCellText(1, 2), L"off");
  EXPECT_TRUE(t.recorder.Of(GridEvent::EditDone).empty());
  // Beside the box the click is an ordinary one.
  const RECT cell = g.list->CellRect(0, 1);
  Click(g.listWindow, POINT{cell.left + 3, (cell.top + cell.bottom) / 2});
  EXPECT_EQ(g.GetCurrentRow(), 0);
  EXPECT_EQ(g.GetCellText(1, 0), L"on");
}

TEST(GridMouse, ButtonCellsCarryThePressedSuffixOnlyWhileHeldOverThem) {
  TestGrid t(3);
  t.AddRows(3);
  GridControl& g = *t.grid;
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& r) {
    if (event == GridEvent::CellType && r.column == 2) r.type = 11;
  };
  g.SetCellText(2, 1, L"Go");
  const POINT on = CellCentre(g, 1, 2);
  const POINT off = CellCentre(g, 1, 0);
  SendMessageW(g.listWindow, WM_LBUTTONDOWN, MK_LBUTTON, At(on));
  EXPECT_EQ(g.GetCellText(2, 1), L"Go\\+");
  EXPECT_EQ(GetCapture(), g.listWindow);
  SendMessageW(g.listWindow, WM_LBUTTONDOWN, MK_LBUTTON, At(on));
  EXPECT_EQ(g.GetCellText(2, 1), L"Go\\+") << "never twice";
  SendMessageW(g.listWindow, WM_MOUSEMOVE, MK_LBUTTON, At(off));
  EXPECT_EQ(g.GetCellText(2, 1), L"Go");
  SendMessageW(g.listWindow, WM_MOUSEMOVE, MK_LBUTTON, At(on));
  EXPECT_EQ(g.GetCellText(2, 1), L"Go\\+");
  SendMessageW(g.listWindow, WM_LBUTTONUP, 0, At(on));
  EXPECT_EQ(g.GetCellText(2, 1), L"Go");
  EXPECT_EQ(GetCapture(), nullptr);
  ASSERT_EQ(t.recorder.Of(GridEvent::ButtonClick).size(), 1u);
  EXPECT_EQ(t.recorder.Of(GridEvent::ButtonClick)[0].record.row, 1);
  // Let go elsewhere: no click.
  SendMessageW(g.listWindow, WM_LBUTTONDOWN, MK_LBUTTON, At(on));
  SendMessageW(g.listWindow, WM_MOUSEMOVE, MK_LBUTTON, At(off));
  SendMessageW(g.listWindow, WM_LBUTTONUP, 0, At(off));
  EXPECT_EQ(g.GetCellText(2, 1), L"Go");
  EXPECT_EQ(t.recorder.Of(GridEvent::ButtonClick).size(), 1u);
  // A button larger than the cell less 5 pixels cannot be pressed.
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& r) {
    if (event == GridEvent::CellType && r.column == 2) {
      r.type = 11;
      r.x2 = 40;
    }
  };
  SendMessageW(g.listWindow, WM_LBUTTONDOWN, MK_LBUTTON, At(on));
  SendMessageW(g.listWindow, WM_LBUTTONUP, 0, At(on));
  EXPECT_EQ(g.GetCellText(2, 1), L"Go");
  EXPECT_EQ(t.recorder.Of(GridEvent::ButtonClick).size(), 1u);
}

TEST(GridMouse, ClickOnTheEditedCellPlacesTheCaretAndEditorReportsItsOwnButtons) {
  TestGrid t(3);
  t.AddRows(3);
  GridControl& g = *t.grid;
  g.SetCellText(1, 1, L"abcdefghij");
  g.SetCurrentCell(1, 1, 1);
  SendMessageW(g.list->editors.editBox, EM_SETSEL, 0, 0);
  const RECT cell = g.list->CellRect(1, 1);
  t.recorder.events.clear();
  Click(g.listWindow, POINT{cell.right - 8, (cell.top + cell.bottom) / 2});
  DWORD start = 0;
  SendMessageW(g.list->editors.editBox, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  EXPECT_EQ(start, 10u) << "the caret lands where the click was";
  EXPECT_TRUE(t.recorder.Of(GridEvent::CellFocus).empty());
  EXPECT_EQ(t.recorder.Of(GridEvent::LeftButtonDown).size(), 1u) << "the passed click is not reported twice";
  // The box holds the mouse after the passed press: the release comes to it
  // and is that click's, not the box's own.
  SendMessageW(g.list->editors.editBox, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_TRUE(t.recorder.Of(GridEvent::LeftButtonUp).empty());
  // Clicks straight into the editor report for the current cell.
  t.recorder.events.clear();
  SendMessageW(g.list->editors.editBox, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(2, 2));
  SendMessageW(g.list->editors.editBox, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageW(g.list->editors.editBox, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  t.recorder.answers[GridEvent::RightButtonUp] = 0;
  SendMessageW(g.list->editors.editBox, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(g.list->editors.editBox), MAKELPARAM(-1, -1));
  EXPECT_EQ(t.recorder.Sequence(), (std::vector<GridEvent>{GridEvent::RightButtonDown, GridEvent::DoubleClick,
                                                           GridEvent::LeftButtonUp, GridEvent::RightButtonUp}));
  for (const auto& e : t.recorder.events) EXPECT_EQ(e.record.row * 10 + e.record.column, 11);
  // The list's right button reports the cell under the mouse.
  t.recorder.events.clear();
  SendMessageW(g.listWindow, WM_RBUTTONDOWN, MK_RBUTTON, At(CellCentre(g, 2, 0)));
  SendMessageW(g.listWindow, WM_RBUTTONUP, 0, At(CellCentre(g, 2, 0)));
  ASSERT_EQ(t.recorder.Sequence(), (std::vector<GridEvent>{GridEvent::RightButtonDown, GridEvent::RightButtonUp}));
  EXPECT_EQ(t.recorder.events.back().record.row, 2);
}

TEST(GridMouse, DraggingMakesABlockAnyWayAndScrollsBeyondTheList) {
  // Its selection shown always (flag 0x10000), the grid keeps its edit and
  // block when another program's window takes the foreground mid-drag.
  TestGrid t(4, 0x32045);
  t.AddRows(60);
  GridControl& g = *t.grid;
  HWND list = g.listWindow;
  KeepOnTop(list);
  struct Case {
    std::int64_t kind;
    std::int64_t fromRow, fromColumn, toRow, toColumn;
    GridBlock expected;
  };
  const Case cases[] = {
      {0, 2, 1, 4, 3, {1, 2, 3, 3, 4, 3}},
      {0, 4, 3, 1, 0, {0, 1, 4, 4, 1, 0}},  // dragged up and left
      {2, 3, 2, 5, 1, {0, 3, 4, 3, 5, 3}},  // whole rows
      {1, 3, 2, 5, 1, {1, 0, 2, 60, 59, 1}},  // whole columns
  };
  // Pressed on `from`, the pointer moved to `to`, until the block the drag
  // makes is done: a press that did not get the mouse, or a drag that lost
  // it to another program, is made again.
  auto drag = [&](POINT from, POINT to, auto done) {
    RepeatInputUntil(
        [&] {
          if (GetCapture() != list) {
            g.EndEdit();  // a press on the current cell would go to its text box
            g.EnsureCellVisible(0, 0);  // `from` is a place of the unscrolled list
            PutCursor(list, from);
            HoldLeftButton(true);
            SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, At(from));
          }
          PutCursor(list, to);
        },
        [&] { return GetCapture() == list && done(); });
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " to " << c.toRow << "," << c.toColumn);
    g.EndEdit();
    g.list->core.session.SetSelectionKind(c.kind);
    const POINT from = CellCentre(g, c.fromRow, c.fromColumn);
    drag(from, CellCentre(g, c.toRow, c.toColumn), [&] { return g.list->core.selection.block == c.expected; });
    EXPECT_EQ(GetCapture(), list);
    EXPECT_EQ(g.list->core.selection.block, c.expected);
    HoldLeftButton(false);
    SendMessageW(list, WM_LBUTTONUP, 0, At(from));
    EXPECT_EQ(GetCapture(), nullptr);
  }
  g.list->core.session.SetSelectionKind(0);
  // Held below the list, the block grows downwards as the list scrolls.
  g.EndEdit();
  const POINT from = CellCentre(g, 1, 1);
  RECT client{};
  GetClientRect(list, &client);
  drag(from, POINT{from.x, client.bottom + 30}, [&] { return g.list->core.selection.block.height > 12; });
  HoldLeftButton(false);
  SendMessageW(list, WM_LBUTTONUP, 0, At(from));
  EXPECT_GT(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 0);
  EXPECT_GT(g.list->core.selection.block.height, 12);
  EXPECT_EQ(g.list->core.selection.block.anchorRow, 1);
  // With selectionKind 3 a click makes no block and drags nothing.
  g.EndEdit();
  g.list->core.session.SetSelectionKind(3);
  PutCursor(list, from);
  HoldLeftButton(true);
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, At(CellCentre(g, 1, 1)));
  HoldLeftButton(false);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_FALSE(g.list->core.selection.HasBlock());
  SendMessageW(list, WM_LBUTTONUP, 0, 0);
}

// A held button cell or strip cell is kept by its row number: when the rows
// change, or the capture or the focus goes, it is let go without a click, so
// no other row gets the pressed suffix or the click.
TEST(GridMouse, HeldButtonsAndStripCellsAreLetGoWhenRowsChangeOrFocusGoes) {
  TestGrid t(3);
  t.AddRows(4);
  GridControl& g = *t.grid;
  HWND list = g.listWindow;
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& r) {
    if (event == GridEvent::CellType && r.column == 2) r.type = 11;
  };
  auto suffixed = [&] {
    std::wstring rows;
    for (std::int64_t r = 0; r < g.GetRowCount(); ++r)
      if (EndsPressed(GridTextOf(g.GetCellText(2, r)))) rows += std::to_wstring(r);
    return rows;
  };
  // Held with the mouse on row 1, a row added above.
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, At(CellCentre(g, 1, 2)));
  ASSERT_EQ(suffixed(), L"1");
  g.AddRow(0, L"", 1);
  EXPECT_EQ(suffixed(), L"");
  EXPECT_NE(GetCapture(), list);
  SendMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, At(CellCentre(g, 1, 2)));
  SendMessageW(list, WM_LBUTTONUP, 0, At(CellCentre(g, 1, 2)));
  EXPECT_EQ(suffixed(), L"");
  EXPECT_TRUE(t.recorder.Of(GridEvent::ButtonClick).empty());

  // Held with Enter, the focus gone before the key came up: the next Enter works.
  HWND outside = CreateWindowW(L"BUTTON", L"x", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, t.parent, nullptr, nullptr, nullptr);
  g.SetCurrentCell(2, 3, 1);
  SendMessageW(list, WM_KEYDOWN, VK_RETURN, 1);
  ASSERT_EQ(suffixed(), L"3");
  SetFocus(outside);
  EXPECT_EQ(suffixed(), L"");
  g.SetCurrentCell(2, 3, 1);
  SendMessageW(list, WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_EQ(suffixed(), L"3");
  SendMessageW(list, WM_KEYUP, VK_RETURN, 0xC0000001);
  EXPECT_EQ(t.recorder.Of(GridEvent::ButtonClick).size(), 1u);
  DestroyWindow(outside);

  // A strip cell held pressed: rows changing or the capture going let it go.
  const RECT row2 = t.ItemRect(2);
  const LPARAM strip = MAKELPARAM(2, (row2.top + row2.bottom) / 2);
  for (const bool rowsChange : {true, false}) {
    SCOPED_TRACE(rowsChange ? "rows change" : "capture goes");
    SendMessageW(g.containerWindow, WM_LBUTTONDOWN, MK_LBUTTON, strip);
    ASSERT_EQ(g.list->core.strip.pressed, 2);
    if (rowsChange)
      g.AddRow(0, L"", 1);
    else
      ReleaseCapture();
    EXPECT_EQ(g.list->core.strip.pressed, -2);
    EXPECT_NE(GetCapture(), g.containerWindow);
    t.recorder.events.clear();
    SendMessageW(g.containerWindow, WM_LBUTTONUP, 0, strip);
    EXPECT_TRUE(t.recorder.Of(GridEvent::HeaderClick).empty());
  }
}

TEST(GridMouse, FocusLeavingTheGridCommitsUnlessSelectionShowsAlways) {
  for (const bool showAlways : {false, true}) {
    SCOPED_TRACE(showAlways);
    TestGrid t(3, showAlways ? 0x32045 : 0x22045);
    t.AddRows(3);
    GridControl& g = *t.grid;
    HWND outside = CreateWindowW(L"BUTTON", L"x", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, t.parent, nullptr, nullptr, nullptr);
    g.SetCurrentCell(1, 1, 1);
    SetFocus(g.list->editors.editBox);
    SetWindowTextW(g.list->editors.editBox, L"changed");
    SetFocus(g.listWindow);  // inside the grid: nothing ends
    EXPECT_EQ(g.GetCurrentRow(), 1);
    SetFocus(g.list->editors.editBox);
    SetFocus(outside);
    EXPECT_EQ(g.GetCellText(1, 1), showAlways ? L"r1c1" : L"changed");
    EXPECT_EQ(g.GetCurrentRow(), showAlways ? 1 : -1);
    DestroyWindow(outside);
  }
}

TEST(GridMouse, HyperlinkCellsAndTooltipsFollowThePointer) {
  TestGrid t(3, 0x22445);
  t.AddRows(3);
  GridControl& g = *t.grid;
  HWND list = g.listWindow;
  std::vector<std::int64_t> askedWidths;
  t.recorder.react = [&askedWidths](GridControl*, GridEvent event, CellEvent& r) {
    if (event == GridEvent::CellType && r.column == 2) r.type = 2;
    if (event == GridEvent::TooltipQuery) askedWidths.push_back(r.x1 * 1000 + r.backColour * 10 + r.textColour);
    if (event == GridEvent::TooltipQuery && r.column == 0) {
      r.text = L"Title\aFirst line\r\nSecond line";
      r.value = 1;
      r.x1 = 300;
    }
    if (event == GridEvent::TooltipQuery && r.column == 1) {
      r.text = L"As wide as it needs";
      r.x1 = -1;
    }
  };
  g.SetCellText(2, 2, L"");
  // Over a non-empty link cell: hot, and the hand cursor, chosen from where
  // the pointer is.
  const POINT link = CellCentre(g, 1, 2);
  const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  KeepOnTop(list);
  RepeatInputUntil(
      [&] {
        PutCursor(list, link);
        SendMessageW(list, WM_MOUSEMOVE, 0, At(link));
        SendMessageW(list, WM_SETCURSOR, reinterpret_cast<WPARAM>(list), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
      },
      [&] { return g.list->core.pointer.hotRow == 1 && g.list->core.pointer.hotColumn == 2 && GetCursor() == hand; });
  EXPECT_EQ(g.list->core.pointer.hotRow, 1);
  EXPECT_EQ(g.list->core.pointer.hotColumn, 2);
  EXPECT_EQ(GetCursor(), hand);
  // An empty link cell is no link; leaving the list clears the hot cell.
  SendMessageW(list, WM_MOUSEMOVE, 0, At(CellCentre(g, 2, 2)));
  EXPECT_EQ(g.list->core.pointer.hotRow, -1);
  SendMessageW(list, WM_MOUSEMOVE, 0, At(link));
  SendMessageW(list, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(g.list->core.pointer.hotRow, -1);

  // A titled tip for column 0, none for the others.
  t.recorder.events.clear();
  const POINT tipped = CellCentre(g, 0, 0);
  SendMessageW(list, WM_MOUSEMOVE, 0, At(tipped));
  const auto queries = t.recorder.Of(GridEvent::TooltipQuery);
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(askedWidths.back(), 250 * 1000 - 10 - 1) << "x1 250, both colours -1";
  HWND tip = g.list->tooltip;
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0), 300);
  // The title goes to the tip's title (seen on screen: Wine does not read it
  // back); the text after the character 7 is the tip.
  wchar_t body[128]{};
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = list;
  tool.uId = 1;
  tool.lpszText = body;
  SendMessageW(tip, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(body, L"First line\r\nSecond line");
  SendMessageW(list, WM_MOUSEMOVE, 0, At(tipped));
  EXPECT_EQ(g.list->tooltip, tip) << "the same cell asks once";
  // A width of -1 is no limit; the link column has no tips.
  SendMessageW(list, WM_MOUSEMOVE, 0, At(CellCentre(g, 0, 1)));
  EXPECT_FALSE(IsWindow(tip));
  ASSERT_NE(g.list->tooltip, nullptr);
  EXPECT_EQ(SendMessageW(g.list->tooltip, TTM_GETMAXTIPWIDTH, 0, 0), -1);
  SendMessageW(list, WM_MOUSEMOVE, 0, At(CellCentre(g, 0, 2)));
  EXPECT_EQ(g.list->tooltip, nullptr);

  // Without flag 0x400 nothing is asked.
  TestGrid plain(3);
  plain.AddRows(2);
  SendMessageW(plain.grid->listWindow, WM_MOUSEMOVE, 0, At(CellCentre(*plain.grid, 0, 0)));
  EXPECT_TRUE(plain.recorder.Of(GridEvent::TooltipQuery).empty());
}

TEST(GridMouse, HeaderDividersResizeOnlyWhenAllowedAndReportTheLayout) {
  TestGrid t(3);
  t.AddRows(3);
  GridControl& g = *t.grid;
  HWND header = g.list->header;
  auto width = [&](int item) { return static_cast<int>(SendMessageW(g.listWindow, LVM_GETCOLUMNWIDTH, item, 0)); };
  auto divider = [&](int item) {
    RECT r{};
    SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r));
    return POINT{r.right - 1, (r.top + r.bottom) / 2};
  };
  // Refused: no resize from a drag or a double-click.
  t.recorder.answers[GridEvent::ColumnResize] = 0;
  POINT d = divider(1);
  SendMessageW(header, WM_MOUSEMOVE, 0, At(d));
  SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, At(d));
  SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, At(POINT{d.x + 40, d.y}));
  SendMessageW(header, WM_LBUTTONUP, 0, At(POINT{d.x + 40, d.y}));
  SendMessageW(header, WM_LBUTTONDBLCLK, MK_LBUTTON, At(d));
  EXPECT_EQ(width(1), 80);
  EXPECT_GE(t.recorder.Of(GridEvent::ColumnResize).size(), 2u);
  EXPECT_EQ(t.recorder.Of(GridEvent::ColumnResize)[0].record.column, 0);
  EXPECT_TRUE(t.recorder.Of(GridEvent::LayoutChanged).empty());
  // Allowed: the drag follows the pointer and ends editing first; the
  // layout is reported once, on release.
  t.recorder.answers.erase(GridEvent::ColumnResize);
  g.SetCurrentCell(0, 0, 1);
  SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, At(d));
  EXPECT_EQ(g.GetCurrentRow(), -1);
  SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, At(POINT{d.x + 40, d.y}));
  EXPECT_EQ(width(1), 120);
  SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, At(POINT{d.x - 200, d.y}));
  EXPECT_GT(width(1), 0) << "a column never shrinks out of reach";
  SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, At(POINT{d.x + 20, d.y}));
  EXPECT_TRUE(t.recorder.Of(GridEvent::LayoutChanged).empty());
  SendMessageW(header, WM_LBUTTONUP, 0, At(POINT{d.x + 20, d.y}));
  EXPECT_EQ(width(1), 100);
  ASSERT_EQ(t.recorder.Of(GridEvent::LayoutChanged).size(), 1u);
  const CellEvent resized = t.recorder.Of(GridEvent::LayoutChanged)[0].record;
  EXPECT_EQ((std::vector<std::int64_t>{resized.value, resized.row, resized.column}),
            (std::vector<std::int64_t>{1, -1, 0}));
  // A double-click on a divider fits the column to its texts.
  g.SetCellText(0, 2, L"a much longer text than the column shows");
  SendMessageW(header, WM_LBUTTONDBLCLK, MK_LBUTTON, At(divider(1)));
  EXPECT_GT(width(1), 150);
  EXPECT_EQ(t.recorder.Of(GridEvent::LayoutChanged).size(), 2u);
  // A double-click on an item reports DoubleClick with row -1.
  t.recorder.events.clear();
  RECT item{};
  SendMessageW(header, HDM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&item));
  SendMessageW(header, WM_LBUTTONDBLCLK, MK_LBUTTON, At(Centre(item)));
  ASSERT_EQ(t.recorder.Of(GridEvent::DoubleClick).size(), 1u);
  EXPECT_EQ(t.recorder.Of(GridEvent::DoubleClick)[0].record.row, -1);
  EXPECT_EQ(t.recorder.Of(GridEvent::DoubleClick)[0].record.column, 2);
  // An item's left press and right release report with row -1 and its column.
  t.recorder.events.clear();
  SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, At(Centre(item)));
  SendMessageW(header, WM_LBUTTONUP, 0, At(Centre(item)));
  SendMessageW(header, WM_RBUTTONUP, 0, At(Centre(item)));
  const auto down = t.recorder.Of(GridEvent::LeftButtonDown);
  const auto up = t.recorder.Of(GridEvent::RightButtonUp);
  ASSERT_EQ(down.size(), 1u);
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ((std::vector<std::int64_t>{down[0].record.row, down[0].record.column, down[0].record.value & MK_SHIFT}),
            (std::vector<std::int64_t>{-1, 2, MK_SHIFT}));
  EXPECT_EQ(up[0].record.row * 10 + up[0].record.column, -10 + 2);
}

TEST(GridMouse, ADraggedColumnOrderKeepsTheHiddenColumnAndWithFlag0x200TheFirst) {
  for (const std::int64_t flags : {0x22045, 0x22245}) {
    SCOPED_TRACE(flags);
    TestGrid t(3, flags);
    t.AddRows(2);
    GridControl& g = *t.grid;
    // The header's own drag ends with its order in place and then the
    // notification; the grid checks the order once the drag is over.
    int dragged[] = {3, 0, 1, 2};
    SendMessageW(g.listWindow, LVM_SETCOLUMNORDERARRAY, 4, reinterpret_cast<LPARAM>(dragged));
    NMHEADERW drag{};
    drag.hdr.hwndFrom = g.list->header;
    drag.hdr.code = HDN_ENDDRAG;
    drag.iItem = 3;
    SendMessageW(g.listWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&drag));
    PumpMessages();
    int order[4]{};
    SendMessageW(g.listWindow, LVM_GETCOLUMNORDERARRAY, 4, reinterpret_cast<LPARAM>(order));
    EXPECT_EQ(order[0], 0);
    EXPECT_EQ(order[1], flags & 0x200 ? 1 : 3);
    const auto layout = t.recorder.Of(GridEvent::LayoutChanged);
    ASSERT_EQ(layout.size(), 1u);
    EXPECT_EQ(layout[0].record.value, 0);
    EXPECT_EQ(layout[0].record.row * 10 + layout[0].record.column, -10 + 2) << "the dragged column, row -1";
    EXPECT_EQ(g.list->core.model.Order().front(), flags & 0x200 ? 0 : 2);
  }
}

}  // namespace
}  // namespace vantorel
