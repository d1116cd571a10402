// The current cell as far as the operations reach it: opening a cell's
// editor, committing through EditDone, SetCellText on the cell being
// edited, blocks and the clipboard.
#include "grid_fixture.h"

#include <cwctype>
#include <functional>

namespace vantorel {
namespace {

using grid_testing::TestGrid;
using grid_testing::ClipboardText;
using grid_testing::SetClipboardText;

std::wstring Text(HWND window) {
  wchar_t buffer[256]{};
  GetWindowTextW(window, buffer, 256);
  return buffer;
}

RECT EditorRect(const TestGrid& t, HWND editor) {
  RECT r{};
  GetWindowRect(editor, &r);
  MapWindowPoints(nullptr, t.grid->listWindow, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(GridEditing, SetCurrentCellOpensTheTextBoxOverTheCell) {
  TestGrid t(3);
  t.AddRows(4);
  GridControl& g = *t.grid;
  EXPECT_EQ(g.GetCurrentColumn(), -1);
  EXPECT_EQ(g.GetCurrentRow(), -1);
  t.recorder.events.clear();
  g.SetCurrentCell(1, 2, 1);
  EXPECT_EQ(g.GetCurrentColumn(), 1);
  EXPECT_EQ(g.GetCurrentRow(), 2);
  ASSERT_FALSE(t.recorder.Of(GridEvent::CellType).empty());
  EXPECT_EQ(t.recorder.Of(GridEvent::CellType)[0].record.row, 2);
  EXPECT_EQ(t.recorder.Of(GridEvent::CellType)[0].record.column, 1);
  EXPECT_EQ(Text(g.list->editors.editBox), L"r2c1");
  EXPECT_EQ(GetFocus(), g.list->editors.editBox);
  RECT cell{};
  cell.top = 2;
  cell.left = LVIR_BOUNDS;
  SendMessageW(g.listWindow, LVM_GETSUBITEMRECT, 2, reinterpret_cast<LPARAM>(&cell));
  const RECT box = EditorRect(t, g.list->editors.editBox);
  EXPECT_EQ(box.left, cell.left + 5) << "inset by 4 + the current frame width";
  EXPECT_EQ(box.bottom, cell.bottom - 1);
  EXPECT_FALSE(g.IsEditChanged());
  SetWindowTextW(g.list->editors.editBox, L"changed");
  EXPECT_TRUE(g.IsEditChanged());
  // Cells that do not exist are not opened.
  g.EndEdit();
  g.SetCurrentCell(3, 0, 0);
  g.SetCurrentCell(0, 4, 0);
  EXPECT_EQ(g.GetCurrentColumn(), -1);
  // A text longer than a box lets anyone type opens none, and stays whole.
  const std::wstring longText(kEditorTextLimit + 1, L'7');
  g.SetCellText(1, 3, longText);
  g.SetCurrentCell(1, 3, 1);
  EXPECT_EQ(g.GetCurrentRow(), 3);
  EXPECT_LT(EditorRect(t, g.list->editors.editBox).bottom, 0);
  EXPECT_EQ(GetFocus(), g.listWindow);
  g.EndEdit();
  EXPECT_EQ(g.GetCellText(1, 3), longText);
}

TEST(GridEditing, EditDoneDecidesWhatTheCellKeeps) {
  TestGrid t(2);
  t.AddRows(2);
  GridControl& g = *t.grid;
  // Accepted, with the application's own version of the text.
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& record) {
    if (event == GridEvent::EditDone) record.text += L"!";
  };
  g.SetCurrentCell(0, 1, 0);
  SetWindowTextW(g.list->editors.editBox, L"new");
  g.EndEdit();
  ASSERT_EQ(t.recorder.Of(GridEvent::EditDone).size(), 1u);
  const CellEvent done = t.recorder.Of(GridEvent::EditDone)[0].record;
  EXPECT_EQ(done.row, 1);
  EXPECT_EQ(done.column, 0);
  EXPECT_EQ(g.GetCellText(0, 1), L"new!");
  EXPECT_EQ(g.GetCurrentColumn(), -1);
  EXPECT_NE(EditorRect(t, g.list->editors.editBox).left, 5) << "moved out of sight";

  // Refused: the text from before the edit comes back.
  t.recorder.react = nullptr;
  t.recorder.answers[GridEvent::EditDone] = 0;
  g.SetCurrentCell(1, 0, 0);
  SetWindowTextW(g.list->editors.editBox, L"refused");
  g.SetCurrentCell(1, 1, 0);  // moving on commits
  EXPECT_EQ(g.GetCellText(1, 0), L"r0c1");
  EXPECT_EQ(g.GetCurrentRow(), 1);

  // Unchanged text is not reported.
  t.recorder.events.clear();
  g.EndEdit();
  EXPECT_TRUE(t.recorder.Of(GridEvent::EditDone).empty());
}

TEST(GridEditing, SetCellTextOnTheEditedCellBecomesItsStartText) {
  TestGrid t(2);
  t.AddRows(2);
  GridControl& g = *t.grid;
  g.SetCurrentCell(1, 0, 0);
  t.recorder.events.clear();
  g.SetCellText(1, 0, L"from the application");
  EXPECT_EQ(Text(g.list->editors.editBox), L"from the application");
  EXPECT_EQ(g.list->core.session.startText, u"from the application");
  EXPECT_FALSE(g.IsEditChanged());
  ASSERT_EQ(t.recorder.Of(GridEvent::CellType).size(), 1u) << "the cell's type is asked again";
  EXPECT_EQ(t.recorder.Of(GridEvent::CellType)[0].record.column, 1);
  // Other cells leave the edit alone.
  g.SetCellText(0, 0, L"elsewhere");
  EXPECT_EQ(g.list->core.session.startText, u"from the application");
}

TEST(GridEditing, ApplicationWritingTheCellInEditDoneAndRefusingKeepsItsText) {
  TestGrid t(2);
  t.AddRows(2);
  GridControl& g = *t.grid;
  t.recorder.answers[GridEvent::EditDone] = 0;
  t.recorder.react = [](GridControl* grid, GridEvent event, CellEvent& record) {
    if (event != GridEvent::EditDone) return;
    grid->SetCellText(record.column, record.row, L"cleaned " + record.text);
    grid->EndEdit();  // a commit from inside the commit does nothing
  };
  g.SetCurrentCell(1, 1, 0);
  SetWindowTextW(g.list->editors.editBox, L"raw");
  g.EndEdit();
  EXPECT_EQ(g.GetCellText(1, 1), L"cleaned raw");
  EXPECT_EQ(t.recorder.Of(GridEvent::EditDone).size(), 1u);
}

TEST(GridEditing, ChoiceCellsFillTheirListFromTheTypeAnswer) {
  TestGrid t(2);
  t.AddRows(1);
  GridControl& g = *t.grid;
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& record) {
    if (event != GridEvent::CellType) return;
    if (record.column == 0) {
      record.type = 3;
      record.text = L"FASTCALL\nCDECL\n\nstdcall";
    } else {
      record.type = 4;
      record.text = L"one";
    }
  };
  g.SetCellText(0, 0, L"cdecl");
  g.SetCurrentCell(0, 0, 0);
  HWND choice = g.list->editors.listChoice;
  EXPECT_EQ(SendMessageW(choice, CB_GETCOUNT, 0, 0), 4) << "an empty piece is an empty item";
  EXPECT_EQ(SendMessageW(choice, CB_GETCURSEL, 0, 0), 1) << "found without regard to case";
  EXPECT_GT(EditorRect(t, choice).left, -1000);
  EXPECT_EQ(g.list->core.session.type, 3);
  // The choice made is what the commit reports.
  SendMessageW(choice, CB_SETCURSEL, 3, 0);
  t.recorder.events.clear();
  g.SetCurrentCell(1, 0, 0);
  ASSERT_EQ(t.recorder.Of(GridEvent::EditDone).size(), 1u);
  EXPECT_EQ(t.recorder.Of(GridEvent::EditDone)[0].record.text, L"stdcall");
  EXPECT_LT(EditorRect(t, choice).left, -1000) << "the list choice goes out of sight";
  EXPECT_EQ(SendMessageW(g.list->editors.editChoice, CB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(Text(g.list->editors.editChoice), L"r0c1");
}

TEST(GridEditing, StructuralChangesEndTheEditAndDropTheBlock) {
  TestGrid t(2);
  t.AddRows(3);
  GridControl& g = *t.grid;
  g.SetCurrentCell(0, 0, 0);
  g.SetColour(7, 1);  // a whole-column block at the current column
  EXPECT_EQ(g.list->core.selection.block.anchorColumn, 0);
  EXPECT_EQ(g.list->core.selection.block.height, 3);
  SetWindowTextW(g.list->editors.editBox, L"pending");
  t.recorder.events.clear();
  g.AddRow(-1, L"", 1);
  EXPECT_EQ(t.recorder.Sequence(), (std::vector<GridEvent>{GridEvent::BlockCleared, GridEvent::EditDone}));
  EXPECT_EQ(g.GetCellText(0, 0), L"pending");
  EXPECT_EQ(g.GetCurrentRow(), -1);
  EXPECT_FALSE(g.list->core.selection.HasBlock());
  for (auto change : {+[](GridControl& grid) { grid.AddColumn(-1, L"x", 10); },
                      +[](GridControl& grid) { grid.ClearRows(); }}) {
    g.AddRow(-1, L"", 1);
    g.SetCurrentCell(0, 0, 0);
    change(g);
    EXPECT_EQ(g.GetCurrentRow(), -1);
  }
  g.SetColour(7, 3);
  EXPECT_EQ(g.list->core.selection.kind, 3);
}

TEST(GridEditing, CopyBlockFollowsHeaderDisplayOrderAndTheEditorsText) {
  TestGrid t(3);
  t.AddRows(3);
  GridControl& g = *t.grid;
  g.CopyBlock(0, 1, 2, 2);
  EXPECT_EQ(ClipboardText(), L"r1c0\tr1c1\r\nr2c0\tr2c1\r\n");
  // Columns shown as 2, 0, 1: a block from column 2 two wide takes 2 and 0.
  int order[] = {0, 3, 1, 2};
  SendMessageW(g.listWindow, LVM_SETCOLUMNORDERARRAY, 4, reinterpret_cast<LPARAM>(order));
  g.SetCurrentCell(0, 0, 0);
  SetWindowTextW(g.list->editors.editBox, L"editing");
  g.CopyBlock(2, 0, 2, 1);
  EXPECT_EQ(ClipboardText(), L"r0c2\tediting\r\n");
  // Blocks reaching past the grid are cut at its edges.
  g.CopyBlock(1, 2, 5, 5);
  EXPECT_EQ(ClipboardText(), L"r2c1\r\n");

  // Emptying a block reaches the edited cell's editor too.
  g.ClearBlock(0, 0, 2, 2);  // columns 0 and 1 in display order
  EXPECT_EQ(g.GetCellText(0, 1), L"");
  EXPECT_EQ(g.GetCellText(1, 0), L"");
  EXPECT_EQ(g.GetCellText(2, 0), L"r0c2");
  EXPECT_EQ(Text(g.list->editors.editBox), L"");
  EXPECT_EQ(g.list->core.session.startText, u"");
}

TEST(GridEditing, PasteWritesFromTheCurrentCellThroughEditDone) {
  TestGrid t(3);
  t.AddRows(3);
  GridControl& g = *t.grid;
  SetClipboardText(L"a\tb\r\nc");
  g.SetCurrentCell(0, 0, 0);
  t.recorder.events.clear();
  g.Paste();
  EXPECT_EQ(g.GetCellText(0, 0), L"a");
  EXPECT_EQ(g.GetCellText(1, 0), L"b");
  EXPECT_EQ(g.GetCellText(0, 1), L"c");
  EXPECT_EQ(g.GetCellText(1, 1), L"r1c1");
  EXPECT_EQ(Text(g.list->editors.editBox), L"a") << "the editor shows the pasted text";
  EXPECT_EQ(t.recorder.Of(GridEvent::EditDone).size(), 3u);
  EXPECT_EQ(t.recorder.Of(GridEvent::CellType).size(), 4u) << "one per cell, and one for the edited cell again";

  // Cells beyond the last row or column are dropped; refused cells keep theirs.
  t.recorder.answers[GridEvent::EditDone] = 0;
  SetClipboardText(L"x\ty\tz\r\np\r\nq\r\n");
  g.SetCurrentCell(2, 1, 0);
  g.Paste();
  EXPECT_EQ(g.GetCellText(2, 1), L"r1c2");
  t.recorder.answers[GridEvent::EditDone] = 1;
  g.Paste();
  EXPECT_EQ(g.GetCellText(2, 1), L"x");
  EXPECT_EQ(g.GetCellText(2, 2), L"p");
  EXPECT_EQ(g.GetRowCount(), 3);

  // Without a current cell nothing is pasted.
  g.EndEdit();
  SetClipboardText(L"nowhere");
  g.Paste();
  EXPECT_EQ(g.GetCellText(0, 0), L"a");
}

// Scrolled by the scroll bars, the wheel or a block's corner, the list takes
// the open editor along with its cell, and out of sight while the cell is.
TEST(GridEditing, TheEditorStaysOverItsCellWhenTheListScrolls) {
  TestGrid t(12, 0x22045, 400, 300);
  t.AddRows(60);
  GridControl& g = *t.grid;
  HWND list = g.listWindow;
  auto send = [list](UINT message, WPARAM wParam) { return [=] { SendMessageW(list, message, wParam, 0); }; };
  auto shiftDown = [list, &g] {
    g.SetBlock(1, 4, 1, 1);
    BYTE keys[256]{};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    for (int i = 0; i < 20; ++i) SendMessageW(list, WM_KEYDOWN, VK_DOWN, 1);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
  };
  const struct {
    const char* name;
    std::function<void()> scroll;
    bool shown;
  } cases[] = {
      {"a line down", send(WM_VSCROLL, SB_LINEDOWN), true},
      {"the wheel", send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA))), true},
      {"a column right", send(WM_HSCROLL, SB_LINERIGHT), true},
      {"a page down", send(WM_VSCROLL, SB_PAGEDOWN), false},
      {"a page up", send(WM_VSCROLL, SB_PAGEUP), true},
      {"a block's corner", shiftDown, false},
  };
  g.SetCurrentCell(1, 4, 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const LRESULT top = SendMessageW(list, LVM_GETTOPINDEX, 0, 0);
    const RECT before = g.list->CellRect(4, 1);
    c.scroll();
    const RECT cell = g.list->CellRect(4, 1);
    ASSERT_TRUE(SendMessageW(list, LVM_GETTOPINDEX, 0, 0) != top || cell.left != before.left) << "it scrolled";
    const RECT box = EditorRect(t, g.list->editors.editBox);
    if (c.shown) {
      EXPECT_EQ(box.left, cell.left + 5);
      EXPECT_EQ(box.top, cell.top + 1);
    } else {
      EXPECT_LT(box.bottom, 0) << "out of sight";
    }
    EXPECT_EQ(g.GetCurrentRow(), 4);
  }
}

// What reaches an editor otherwise than typed (the box's own paste, Shift+
// Insert, a replacement sent from outside) keeps what typing could put
// there; a cut asks EditDelete first.
TEST(GridEditing, TextArrivingInAnEditorKeepsWhatTypingCouldPutThere) {
  TestGrid t(2);
  t.AddRows(1);
  GridControl& g = *t.grid;
  HWND box = g.list->editors.editBox;
  t.recorder.react = [&t](GridControl*, GridEvent event, CellEvent& record) {
    if (event == GridEvent::EditChar) t.recorder.answers[event] = iswdigit(static_cast<wint_t>(record.value)) ? 1 : 0;
  };
  auto shiftInsert = [box] {
    BYTE keys[256]{};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(box, WM_KEYDOWN, VK_INSERT, 1);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
  };
  const struct {
    const char* name;
    DWORD selStart, selEnd;
    const wchar_t* arriving;
    std::function<void()> action;
    const wchar_t* result;
  } cases[] = {
      {"paste", 1, 1, L"x-3\r\n4", [box] { SendMessageW(box, WM_PASTE, 0, 0); }, L"132"},
      {"Shift+Insert over a selection", 0, 1, L"a5b6", shiftInsert, L"562"},
      {"nothing typable", 0, 2, L"x-", [box] { SendMessageW(box, WM_PASTE, 0, 0); }, L"12"},
      {"replaced from outside", 2, 2, L"",
       [box] { SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"x-7")); }, L"127"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g.SetCellText(0, 0, L"12");
    g.SetCurrentCell(0, 0, 1);
    SendMessageW(box, EM_SETSEL, c.selStart, c.selEnd);
    grid_testing::SetClipboardText(c.arriving);
    t.recorder.events.clear();
    c.action();
    EXPECT_EQ(Text(box), c.result);
    EXPECT_EQ(g.list->core.session.editText, GridTextOf(c.result));
  }
  // The paste's characters were asked in order, each at its place in the text so far.
  g.SetCellText(0, 0, L"12");
  g.SetCurrentCell(0, 0, 1);
  SendMessageW(box, EM_SETSEL, 1, 1);
  grid_testing::SetClipboardText(L"3x4");
  t.recorder.events.clear();
  SendMessageW(box, WM_PASTE, 0, 0);
  std::vector<std::wstring> asked;
  for (const auto& e : t.recorder.Of(GridEvent::EditChar))
    asked.push_back(e.record.text + L"|" + static_cast<wchar_t>(e.record.value) + std::to_wstring(e.record.x1));
  EXPECT_EQ(asked, (std::vector<std::wstring>{L"12|31", L"132|x2", L"132|42"}));
  // A cut goes only when EditDelete lets it, which hears what and where.
  SendMessageW(box, EM_SETSEL, 0, 2);
  t.recorder.answers[GridEvent::EditDelete] = 0;
  t.recorder.events.clear();
  SendMessageW(box, WM_CUT, 0, 0);
  EXPECT_EQ(Text(box), L"1342");
  ASSERT_EQ(t.recorder.Of(GridEvent::EditDelete).size(), 1u);
  const CellEvent cut = t.recorder.Of(GridEvent::EditDelete)[0].record;
  EXPECT_EQ(cut.text, L"13");
  EXPECT_EQ((std::vector<std::int64_t>{cut.value, cut.x1, cut.x2}), (std::vector<std::int64_t>{0x18, 0, 2}));
  t.recorder.answers[GridEvent::EditDelete] = 1;
  SendMessageW(box, WM_CUT, 0, 0);
  EXPECT_EQ(Text(box), L"42");
}

}  // namespace
}  // namespace vantorel
