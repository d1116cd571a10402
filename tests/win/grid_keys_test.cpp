// The keyboard as a user meets it: key messages sent to the list view and
// the in-place editors, with Shift and Ctrl held in the thread's key state.
#include "grid_fixture.h"

namespace vantorel {
namespace {

using grid_testing::TestGrid;
using grid_testing::ClipboardText;

std::wstring Text(HWND window) {
  wchar_t buffer[256]{};
  GetWindowTextW(window, buffer, 256);
  return buffer;
}

void Hold(std::initializer_list<int> keys, bool down) {
  BYTE state[256]{};
  GetKeyboardState(state);
  for (int key : keys) state[key] = down ? 0x80 : 0;
  SetKeyboardState(state);
}

// Down, the character the key types (if any), up.
void Press(HWND target, UINT key, std::initializer_list<int> held = {}, wchar_t character = 0) {
  Hold(held, true);
  SendMessageW(target, WM_KEYDOWN, key, 1);
  if (character) SendMessageW(target, WM_CHAR, character, 1);
  SendMessageW(target, WM_KEYUP, key, 0xC0000001);
  Hold(held, false);
}

void Type(HWND editor, wchar_t character) { SendMessageW(editor, WM_CHAR, character, 1); }

TEST(GridKeys, MovesGoThroughCellFocusWithTheKeyAndCommit) {
  TestGrid t(3);
  t.AddRows(40);
  GridControl& g = *t.grid;
  // Column 0 is empty on rows 1-9 for the Ctrl jumps.
  for (int r = 1; r < 10; ++r) g.SetCellText(0, r, L"");
  const std::int64_t page = SendMessageW(g.listWindow, LVM_GETCOUNTPERPAGE, 0, 0);
  ASSERT_GT(page, 1);
  struct Case {
    std::int64_t column, row;
    UINT key;
    bool ctrl;
    std::int64_t toColumn, toRow, value;
  };
  const Case cases[] = {
      {0, 0, VK_RIGHT, false, 1, 0, 4},         {1, 0, VK_LEFT, false, 0, 0, 3},
      {1, 3, VK_UP, false, 1, 2, 5},            {1, 3, VK_DOWN, false, 1, 4, 6},
      {1, 0, VK_NEXT, false, 1, page, 7},       {1, 39, VK_NEXT, false, 1, 39, 7},
      {1, 2, VK_PRIOR, false, 1, 0, 8},         {2, 5, VK_HOME, false, 0, 5, 9},
      {0, 5, VK_END, false, 2, 5, 10},          {2, 5, VK_HOME, true, 2, 0, 9},
      {0, 5, VK_END, true, 0, 39, 10},          {0, 0, VK_DOWN, true, 0, 10, 6},
      {0, 10, VK_UP, true, 0, 0, 5},            {2, 1, VK_LEFT, true, 1, 1, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "from " << c.column << "," << c.row << " key " << c.key << " ctrl " << c.ctrl);
    g.SetCurrentCell(c.column, c.row, 1);
    t.recorder.events.clear();
    Press(g.listWindow, c.key, c.ctrl ? std::initializer_list<int>{VK_CONTROL} : std::initializer_list<int>{});
    const auto focus = t.recorder.Of(GridEvent::CellFocus);
    ASSERT_EQ(focus.size(), 1u);
    EXPECT_EQ(focus[0].record.value, c.value);
    EXPECT_EQ(g.GetCurrentColumn(), c.toColumn);
    EXPECT_EQ(g.GetCurrentRow(), c.toRow);
  }

  // An edit is committed by the move; a vetoed CellFocus leaves everything.
  g.SetCurrentCell(1, 1, 1);
  SetWindowTextW(g.list->editors.editBox, L"typed");
  t.recorder.events.clear();
  t.recorder.answers[GridEvent::CellFocus] = 0;
  Press(g.listWindow, VK_DOWN);
  EXPECT_EQ(g.GetCurrentRow(), 1);
  EXPECT_TRUE(t.recorder.Of(GridEvent::EditDone).empty());
  EXPECT_EQ(Text(g.list->editors.editBox), L"typed");
  t.recorder.answers.erase(GridEvent::CellFocus);
  Press(g.listWindow, VK_DOWN);
  EXPECT_EQ(g.GetCurrentRow(), 2);
  EXPECT_EQ(t.recorder.Sequence(), (std::vector<GridEvent>{GridEvent::CellFocus, GridEvent::CellFocus,
                                                           GridEvent::EditDone}));
  EXPECT_EQ(g.GetCellText(1, 1), L"typed");
  EXPECT_EQ(GetFocus(), g.list->editors.editBox);
  // The text box passes the vertical keys on; Left and Right stay its own.
  Press(g.list->editors.editBox, VK_DOWN);
  Press(g.list->editors.editBox, VK_RIGHT);
  EXPECT_EQ(g.GetCurrentRow(), 3);
  EXPECT_EQ(g.GetCurrentColumn(), 1);
}

TEST(GridKeys, TabWrapsOnReleaseFromListAndEditors) {
  TestGrid t(3);
  t.AddRows(3);
  GridControl& g = *t.grid;
  g.SetCurrentCell(2, 2, 1);
  SendMessageW(g.list->editors.editBox, WM_KEYDOWN, VK_TAB, 1);
  EXPECT_EQ(g.GetCurrentRow(), 2) << "Tab acts on release";
  SendMessageW(g.list->editors.editBox, WM_KEYUP, VK_TAB, 0xC0000001);
  EXPECT_EQ(g.GetCurrentColumn(), 0);
  EXPECT_EQ(g.GetCurrentRow(), 0);
  Press(g.listWindow, VK_TAB, {VK_SHIFT});
  EXPECT_EQ(g.GetCurrentColumn(), 2);
  EXPECT_EQ(g.GetCurrentRow(), 2);
  Press(g.listWindow, VK_TAB);
  Press(g.listWindow, VK_TAB);
  EXPECT_EQ(g.GetCurrentColumn(), 1);
  EXPECT_EQ(g.GetCurrentRow(), 0);
  // Enter typed into the editor moves like Tab (Shift+Enter like Shift+Tab)
  // and never reaches the text.
  SetWindowTextW(g.list->editors.editBox, L"new");
  Type(g.list->editors.editBox, L'\r');
  EXPECT_EQ(g.GetCurrentColumn(), 2);
  EXPECT_EQ(g.GetCellText(1, 0), L"new");
  Hold({VK_SHIFT}, true);
  Type(g.list->editors.editBox, L'\r');
  Hold({VK_SHIFT}, false);
  EXPECT_EQ(g.GetCurrentColumn(), 1);
  EXPECT_EQ(Text(g.list->editors.editBox), L"new");
  for (HWND window : {g.listWindow, g.list->editors.editBox, g.list->editors.listChoice, g.list->editors.editChoiceEdit})
    EXPECT_EQ(SendMessageW(window, WM_GETDLGCODE, 0, 0), DLGC_WANTTAB | DLGC_WANTALLKEYS);
}

TEST(GridKeys, ShiftExtendsTheBlockAndEscapeDropsIt) {
  TestGrid t(4);
  t.AddRows(6);
  GridControl& g = *t.grid;
  g.SetCurrentCell(1, 1, 1);
  Press(g.listWindow, VK_RIGHT);  // a move starts a one-cell block at its target
  EXPECT_EQ(g.list->core.selection.block, (GridBlock{2, 1, 1, 1, 1, 2}));
  t.recorder.events.clear();
  Press(g.listWindow, VK_DOWN, {VK_SHIFT});
  Press(g.listWindow, VK_DOWN, {VK_SHIFT});
  Press(g.listWindow, VK_LEFT, {VK_SHIFT});
  Press(g.listWindow, VK_LEFT, {VK_SHIFT});
  EXPECT_EQ(g.list->core.selection.block, (GridBlock{0, 1, 3, 3, 3, 0}));
  EXPECT_TRUE(t.recorder.Of(GridEvent::CellFocus).empty()) << "Shift moves the corner, not the cell";
  EXPECT_EQ(g.GetCurrentColumn(), 2);
  // Escape puts the start text back into the editor and drops the block.
  SetWindowTextW(g.list->editors.editBox, L"scratch");
  Press(g.listWindow, VK_ESCAPE);
  EXPECT_FALSE(g.list->core.selection.HasBlock());
  EXPECT_EQ(t.recorder.Of(GridEvent::BlockCleared).size(), 1u);
  EXPECT_EQ(Text(g.list->editors.editBox), L"r1c2");
  // Escape inside the editor too, and the commit after it finds no change.
  SetWindowTextW(g.list->editors.editBox, L"scratch");
  Press(g.list->editors.editBox, VK_ESCAPE, {}, 27);
  EXPECT_EQ(Text(g.list->editors.editBox), L"r1c2");
  t.recorder.events.clear();
  g.EndEdit();
  EXPECT_TRUE(t.recorder.Of(GridEvent::EditDone).empty());
}

TEST(GridKeys, SpaceTogglesTicksAndStepsProgressWithoutEditDone) {
  TestGrid t(2);
  t.AddRows(1);
  GridControl& g = *t.grid;
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& record) {
    if (event != GridEvent::CellType) return;
    record.type = record.column == 0 ? 5 : 9;
    if (record.column == 0) record.text = L"yes/no";
  };
  struct Case {
    std::int64_t column;
    const wchar_t* before;
    bool ctrl;
    const wchar_t* after;
  };
  const Case cases[] = {
      {0, L"no", false, L"yes"}, {0, L"yes", false, L"no"}, {0, L"other", false, L"yes"},
      {1, L"41", false, L"42"},  {1, L"41", true, L"40"},   {1, L"100", false, L"100"},
      {1, L"0", true, L"0"},     {1, L"", false, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.column << " " << testing::PrintToString(std::wstring(c.before)));
    g.SetCellText(c.column, 0, c.before);
    g.SetCurrentCell(c.column, 0, 1);
    t.recorder.events.clear();
    Press(g.listWindow, VK_SPACE, c.ctrl ? std::initializer_list<int>{VK_CONTROL} : std::initializer_list<int>{},
          L' ');
    EXPECT_EQ(g.GetCellText(c.column, 0), c.after);
    EXPECT_EQ(g.list->core.session.editText, GridTextOf(c.after));
    EXPECT_TRUE(t.recorder.Of(GridEvent::EditDone).empty());
  }
}

TEST(GridKeys, TypingAsksEditDeleteAndEditCharWhoseVetoDropsTheKey) {
  TestGrid t(2);
  t.AddRows(1);
  GridControl& g = *t.grid;
  HWND box = g.list->editors.editBox;
  struct Case {
    const char* name;
    DWORD selStart, selEnd;
    wchar_t character;
    std::int64_t deleteAnswer, charAnswer;
    std::vector<GridEvent> events;
    const wchar_t* deleted;
    const wchar_t* result;
  };
  using E = GridEvent;
  const Case cases[] = {
      {"plain", 4, 4, L'x', 1, 1, {E::EditChar}, L"", L"r0c0x"},
      {"char vetoed", 4, 4, L'x', 1, 0, {E::EditChar}, L"", L"r0c0"},
      {"over a selection", 1, 3, L'x', 1, 1, {E::EditDelete, E::EditChar}, L"0c", L"rx0"},
      {"delete vetoed", 1, 3, L'x', 0, 1, {E::EditDelete}, L"0c", L"r0c0"},
      {"backspace", 2, 2, L'\b', 1, 1, {E::EditDelete}, L"0", L"rc0"},
      {"backspace vetoed", 2, 2, L'\b', 0, 1, {E::EditDelete}, L"0", L"r0c0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g.SetCellText(0, 0, L"r0c0");
    g.SetCurrentCell(0, 0, 1);
    SendMessageW(box, EM_SETSEL, c.selStart, c.selEnd);
    t.recorder.answers[E::EditDelete] = c.deleteAnswer;
    t.recorder.answers[E::EditChar] = c.charAnswer;
    t.recorder.events.clear();
    Type(box, c.character);
    EXPECT_EQ(t.recorder.Sequence(), c.events);
    if (!t.recorder.Of(E::EditDelete).empty()) {
      EXPECT_EQ(t.recorder.Of(E::EditDelete)[0].record.text, c.deleted);
    }
    if (!t.recorder.Of(E::EditChar).empty()) {
      EXPECT_EQ(t.recorder.Of(E::EditChar)[0].record.value, c.character);
      EXPECT_EQ(t.recorder.Of(E::EditChar)[0].record.text, L"r0c0");
    }
    // Both carry the key and the editor's selection as it was.
    for (const auto& e : t.recorder.events) {
      EXPECT_EQ(e.record.value, c.character);
      EXPECT_EQ(e.record.x1 * 10 + e.record.x2, c.selStart * 10 + c.selEnd);
    }
    EXPECT_EQ(Text(box), c.result);
    EXPECT_EQ(g.list->core.session.editText, GridTextOf(c.result));
  }
  // The Delete key asks for the character after the caret.
  SendMessageW(box, EM_SETSEL, 0, 0);
  t.recorder.events.clear();
  t.recorder.answers[E::EditDelete] = 0;
  SendMessageW(box, WM_KEYDOWN, VK_DELETE, 1);
  EXPECT_EQ(Text(box), L"r0c0");
  t.recorder.answers[E::EditDelete] = 1;
  SendMessageW(box, WM_KEYDOWN, VK_DELETE, 1);
  EXPECT_EQ(Text(box), L"0c0");
  ASSERT_EQ(t.recorder.Of(E::EditDelete).size(), 2u);
  EXPECT_EQ(t.recorder.Of(E::EditDelete)[0].record.text, L"r");
  EXPECT_EQ(t.recorder.Of(E::EditDelete)[0].record.value, VK_DELETE);
}

TEST(GridKeys, ChoicesAndButtonsFromTheKeyboard) {
  TestGrid t(3);
  t.AddRows(1);
  GridControl& g = *t.grid;
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& record) {
    if (event != GridEvent::CellType) return;
    record.type = record.column == 0 ? 3 : record.column == 1 ? 4 : 11;
    record.text = L"one\ntwo\nthree";
  };
  auto changes = [&] { return t.recorder.Of(GridEvent::ChoiceChanged).size(); };
  // The list choice: a new selection reaches the cell at once; Escape
  // restores the start text and reports the change back.
  g.SetCellText(0, 0, L"two");
  g.SetCurrentCell(0, 0, 1);
  t.recorder.events.clear();
  SendMessageW(g.list->editors.listChoice, WM_KEYDOWN, VK_DOWN, 1);
  ASSERT_EQ(changes(), 1u);
  EXPECT_EQ(t.recorder.Of(GridEvent::ChoiceChanged)[0].record.text, L"three");
  EXPECT_EQ(g.GetCellText(0, 0), L"three");
  SendMessageW(g.list->editors.listChoice, CB_SHOWDROPDOWN, TRUE, 0);
  Press(g.list->editors.listChoice, VK_ESCAPE, {}, 27);
  EXPECT_EQ(g.GetCellText(0, 0), L"two");
  EXPECT_EQ(WideOf(g.list->core.session.EditorText()), L"two");
  ASSERT_EQ(changes(), 2u);
  EXPECT_EQ(t.recorder.Of(GridEvent::ChoiceChanged)[1].record.text, L"two");
  Press(g.list->editors.listChoice, VK_ESCAPE, {}, 27);
  EXPECT_EQ(changes(), 2u) << "nothing changed, nothing reported";
  // The editable choice the same through its inner edit.
  g.SetCurrentCell(1, 0, 1);
  t.recorder.events.clear();
  Press(g.list->editors.editChoiceEdit, VK_ESCAPE, {}, 27);
  EXPECT_EQ(changes(), 0u);
  SetWindowTextW(g.list->editors.editChoice, L"typed");
  Press(g.list->editors.editChoiceEdit, VK_ESCAPE, {}, 27);
  EXPECT_EQ(Text(g.list->editors.editChoice), L"r0c1");
  EXPECT_EQ(changes(), 1u);
  // Enter on a button cell: pressed once however long it is held, clicked on release.
  g.SetCurrentCell(2, 0, 1);
  t.recorder.events.clear();
  SendMessageW(g.listWindow, WM_KEYDOWN, VK_RETURN, 1);
  SendMessageW(g.listWindow, WM_KEYDOWN, VK_RETURN, 0x40000001);
  EXPECT_EQ(g.GetCellText(2, 0), L"r0c2\\+");
  EXPECT_TRUE(t.recorder.Of(GridEvent::ButtonClick).empty());
  SendMessageW(g.listWindow, WM_KEYUP, VK_RETURN, 0xC0000001);
  EXPECT_EQ(g.GetCellText(2, 0), L"r0c2");
  EXPECT_EQ(t.recorder.Of(GridEvent::ButtonClick).size(), 1u);
  SendMessageW(g.listWindow, WM_KEYUP, VK_RETURN, 0xC0000001);
  EXPECT_EQ(t.recorder.Of(GridEvent::ButtonClick).size(), 1u);
}

TEST(GridKeys, ClipboardAndDeleteKeysAskTheirQueries) {
  TestGrid t(3);
  t.AddRows(3);
  GridControl& g = *t.grid;
  HWND lv = g.listWindow;
  g.SetCurrentCell(0, 0, 1);
  Press(lv, 'A', {VK_CONTROL});
  EXPECT_EQ(g.list->core.selection.block, (GridBlock{0, 0, 3, 3, 2, 2}));
  EXPECT_EQ(g.GetCurrentColumn(), -1) << "Ctrl+A ends editing";

  // Copy: a veto leaves the clipboard alone.
  ASSERT_TRUE(grid_testing::OpenClipboardSoon());
  EmptyClipboard();
  CloseClipboard();
  t.recorder.answers[GridEvent::ClipboardQuery] = 0;
  Press(lv, 'C', {VK_CONTROL});
  EXPECT_EQ(ClipboardText(), L"");
  t.recorder.answers.erase(GridEvent::ClipboardQuery);
  Press(lv, 'C', {VK_CONTROL});
  EXPECT_EQ(ClipboardText(), L"r0c0\tr0c1\tr0c2\r\nr1c0\tr1c1\tr1c2\r\nr2c0\tr2c1\tr2c2\r\n");

  // Cut and Delete empty a block only when the application agrees.
  g.SetBlock(1, 1, 2, 1);
  t.recorder.answers[GridEvent::DeleteQuery] = 0;
  t.recorder.events.clear();
  Press(lv, VK_DELETE);
  EXPECT_EQ(g.GetCellText(1, 1), L"r1c1");
  ASSERT_EQ(t.recorder.Of(GridEvent::DeleteQuery).size(), 1u);
  const CellEvent asked = t.recorder.Of(GridEvent::DeleteQuery)[0].record;
  EXPECT_EQ((std::vector<std::int64_t>{asked.column, asked.row, asked.x1, asked.x2}),
            (std::vector<std::int64_t>{1, 1, 2, 1}));
  t.recorder.answers.erase(GridEvent::DeleteQuery);
  Press(lv, VK_DELETE);
  EXPECT_EQ(g.GetCellText(1, 1) + g.GetCellText(2, 1), L"");
  g.SetBlock(0, 2, 2, 1);
  t.recorder.events.clear();
  Press(lv, 'X', {VK_CONTROL});
  EXPECT_EQ(ClipboardText(), L"r2c0\tr2c1\r\n");
  EXPECT_EQ(g.GetCellText(0, 2) + g.GetCellText(1, 2), L"");
  EXPECT_EQ(t.recorder.Of(GridEvent::ClipboardQuery)[0].record.value, 1);

  // Paste from the current cell, asked with value 2.
  g.SetCurrentCell(1, 0, 1);
  t.recorder.answers[GridEvent::ClipboardQuery] = 0;
  Press(lv, 'V', {VK_CONTROL});
  EXPECT_EQ(g.GetCellText(1, 0), L"r0c1");
  t.recorder.answers.erase(GridEvent::ClipboardQuery);
  t.recorder.events.clear();
  Press(lv, 'V', {VK_CONTROL});
  EXPECT_EQ(t.recorder.Of(GridEvent::ClipboardQuery)[0].record.value, 2);
  EXPECT_EQ(g.GetCellText(1, 0) + L"|" + g.GetCellText(2, 0), L"r2c0|r2c1");
  EXPECT_EQ(g.GetCellText(0, 1), L"r1c0") << "the paste starts at the current cell";
}

// Callbacks that add or remove rows while a key moves the current cell: the
// move ends on the row it was meant for, or nowhere when that row went.
TEST(GridKeys, AMoveFindsItsRowAgainAfterCallbacksChangedTheRows) {
  struct Case {
    const char* name;
    GridEvent when;
    std::int64_t removed;  // -1: a row is added at the top instead
    std::int64_t toRow;    // where row 2 is afterwards; -1 no move
  };
  const Case cases[] = {
      {"EditDone adds a row above", GridEvent::EditDone, -1, 3},
      {"CellFocus removes a row above", GridEvent::CellFocus, 0, 1},
      {"CellFocus removes the target", GridEvent::CellFocus, 2, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestGrid t(2);
    t.AddRows(5);
    GridControl& g = *t.grid;
    g.SetCurrentCell(0, 1, 1);
    SetWindowTextW(g.list->editors.editBox, L"typed");
    bool done = false;
    t.recorder.react = [&](GridControl* grid, GridEvent event, CellEvent&) {
      if (event != c.when || done) return;
      done = true;
      if (c.removed < 0)
        grid->AddRow(0, L"", 1);
      else
        grid->RemoveRow(c.removed);
    };
    Press(g.listWindow, VK_DOWN);
    EXPECT_EQ(g.GetCurrentRow(), c.toRow);
    if (c.toRow >= 0) {
      EXPECT_EQ(g.GetCellText(0, c.toRow), L"r2c0");
    }
    if (c.when == GridEvent::EditDone) {
      EXPECT_EQ(g.GetCellText(0, 2), L"typed") << "the edit stays in its row";
    }
  }
}

// With a block and no current cell Tab starts at the block's moving corner;
// Shift+arrows bring that corner into view sideways as well as up and down.
TEST(GridKeys, TheBlocksCornerLeadsTabAndComesIntoViewSideways) {
  TestGrid t(12, 0x22045, 400, 300);
  t.AddRows(4);
  GridControl& g = *t.grid;
  g.SetBlock(1, 1, 2, 2);
  Press(g.listWindow, VK_TAB);
  EXPECT_EQ(g.GetCurrentColumn(), 3);
  EXPECT_EQ(g.GetCurrentRow(), 2);

  g.SetCurrentCell(1, 0, 1);
  Press(g.listWindow, VK_LEFT);  // current (0, 0) with its one-cell block
  for (int i = 0; i < 10; ++i) Press(g.listWindow, VK_RIGHT, {VK_SHIFT});
  ASSERT_EQ(g.list->core.selection.block.currentColumn, 10);
  RECT client{};
  GetClientRect(g.listWindow, &client);
  const RECT corner = g.list->CellRect(0, 10);
  EXPECT_GE(corner.left, 0);
  EXPECT_LE(corner.left + 80, client.right);
}

// Delete and Ctrl+X empty text and editable choice cells through EditDone,
// as a paste writes them; cells without an editor and list choices keep
// their text.
TEST(GridKeys, DeleteAndCutEmptyOnlyTextCellsAndThroughEditDone) {
  for (const bool cut : {false, true}) {
    SCOPED_TRACE(cut ? "Ctrl+X" : "Delete");
    TestGrid t(4);
    t.AddRows(2);
    GridControl& g = *t.grid;
    const std::int64_t types[] = {0, 1, 3, 4};
    t.recorder.react = [&types](GridControl*, GridEvent event, CellEvent& record) {
      if (event == GridEvent::CellType && record.column >= 0) {
        record.type = types[record.column];
        if (record.type == 3) record.text = L"\nr0c2\nr1c2";  // an empty option too
      }
      if (event == GridEvent::EditDone && record.row == 1 && record.column == 0) record.text = L"own";
    };
    g.SetBlock(0, 0, 4, 2);
    t.recorder.events.clear();
    Press(g.listWindow, cut ? 'X' : VK_DELETE, cut ? std::initializer_list<int>{VK_CONTROL} : std::initializer_list<int>{});
    for (std::int64_t r = 0; r < 2; ++r) {
      EXPECT_EQ(g.GetCellText(0, r), r == 0 ? L"" : L"own");
      EXPECT_EQ(g.GetCellText(1, r), L"r" + std::to_wstring(r) + L"c1");
      EXPECT_EQ(g.GetCellText(2, r), L"r" + std::to_wstring(r) + L"c2");
      EXPECT_EQ(g.GetCellText(3, r), L"");
    }
    const auto done = t.recorder.Of(GridEvent::EditDone);
    ASSERT_EQ(done.size(), 4u);
    for (const auto& e : done) EXPECT_TRUE(e.record.column == 0 || e.record.column == 3) << e.record.column;
  }
}

}  // namespace
}  // namespace vantorel
