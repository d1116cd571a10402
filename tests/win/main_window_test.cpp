// The main window built in the test process and driven with real messages.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <shlobj.h>
#include <string>
#include <vector>

#include "analysis/file_facts.h"
#include "analysis/library_win32.h"
#include "analysis/version_info_win32.h"
#include "app/app_state_win32.h"
#include "platform/launcher_win32.h"
#include "app/link_label_win32.h"
#include "app/main_window_win32.h"
#include "app/startup_win32.h"
#include "platform/text_win32.h"
#include "app/pages/function_page_win32.h"
#include "grid/grid_list_win32.h"
#include "editor/editor_component_win32.h"
#include "editor/editor_win32.h"
#include "app/pages/resource_page_win32.h"
#include "grid_fixture.h"
#include "main_window_fixture.h"
#include "scripted_prompts.h"
#include "test_support.h"

namespace vantorel {
namespace {

std::wstring Data(const std::wstring& name) { return std::wstring(VANTOREL_TESTDATA) + L"\\" + name; }

class RecordingLauncher final : public Launcher {
 public:
  RecordingLauncher() { SetLauncher(this); }
  ~RecordingLauncher() override { SetLauncher(nullptr); }
  RecordingLauncher(const RecordingLauncher&) = delete;
  RecordingLauncher& operator=(const RecordingLauncher&) = delete;
  bool StartCopy(const std::wstring& arguments) override {
    copies.push_back(arguments);
    return true;
  }
  bool OpenAddress(const std::wstring& address) override {
    addresses.push_back(address);
    return true;
  }
  std::vector<std::wstring> copies;
  std::vector<std::wstring> addresses;
};

std::wstring StatusText(int field) {
  wchar_t text[512] = {};
  SendMessageW(Main().status, SB_GETTEXTW, static_cast<WPARAM>(field), reinterpret_cast<LPARAM>(text));
  std::wstring s = text;
  // Centred fields carry a leading tab.
  if (!s.empty() && s[0] == L'\t') s.erase(0, 1);
  return s;
}

std::wstring Title() {
  wchar_t text[1024] = {};
  GetWindowTextW(Main().window, text, 1024);
  return text;
}

bool SaveMenuEnabled() { return !(GetMenuState(Main().menu, CmdSave, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)); }
bool SaveButtonEnabled() { return SendMessageW(Main().toolbar, TB_ISBUTTONENABLED, CmdSave, 0) != 0; }

// The tooltip the toolbar would show for a button.
std::wstring Tooltip(int id) {
  NMTTDISPINFOW info{};
  info.hdr.hwndFrom = nullptr;
  info.hdr.idFrom = static_cast<UINT_PTR>(id);
  info.hdr.code = TTN_GETDISPINFOW;
  SendMessageW(Main().window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
  return info.lpszText ? info.lpszText : L"";
}

void SwitchTab(int tab) {
  TabCtrl_SetCurSel(Main().tabPanel, tab);
  NMHDR header{Main().tabPanel, 0, TCN_SELCHANGE};
  SendMessageW(Main().window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
}

RECT ChildRect(HWND child) {
  RECT rc;
  GetWindowRect(child, &rc);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

class MainWindowTest : public testing::MainWindowFixture {
 protected:
  void Open(const std::wstring& path) {
    LoadLibraryFile(path);
    RefreshMainView();
  }
  GridControl& Grid() { return *Main().functionGrid; }
  std::int64_t Send(GridEvent event, CellEvent& record) {
    return OnFunctionGridEvent(&Grid(), event, record, App().Session.rows, UpdateSelectionCount);
  }

  testing::ScriptedPrompts prompts;
  RecordingLauncher launcher;
};

TEST_F(MainWindowTest, EmptyStartShowsNothingAndSaveIsOffEverywhere) {
  EXPECT_EQ(Title(), L"Vantorel");
  EXPECT_EQ(StatusText(1), L"   0 of 0 functions selected!");
  EXPECT_EQ(StatusText(2), L"");
  EXPECT_EQ(StatusText(3), L"");
  EXPECT_EQ(Grid().GetRowCount(), 0);
  EXPECT_EQ(Grid().GetColumnCount(), 6);
  for (int tab : {kFunctionsTab, kPreviewTab, kResourcesTab, kFunctionsTab}) {
    SwitchTab(tab);
    EXPECT_FALSE(SaveMenuEnabled()) << tab;
    EXPECT_FALSE(SaveButtonEnabled()) << tab;
    EXPECT_EQ(Tooltip(CmdSave), L"") << tab;
  }
  EXPECT_EQ(Tooltip(CmdOpenLibrary), L"Open DLL");
  EXPECT_EQ(Tooltip(CmdExit), L"Quit Vantorel");
}

TEST_F(MainWindowTest, OpenLibraryShowsTitleCountSizeAndVersion) {
  const std::wstring lib = Data(L"version_full.dll");
  Open(lib);
  EXPECT_EQ(Title(), L"Vantorel - " + lib);
  EXPECT_EQ(StatusText(1), L"   1 of 1 functions selected!");
  EXPECT_EQ(StatusText(2), L" Filesize: " + ToWide(FormatFileSize(CurrentFileSize(lib), 2)));
  EXPECT_EQ(StatusText(3), L" FileVersion: 1.2.3.4");
  ASSERT_EQ(Grid().GetRowCount(), 1);
  EXPECT_EQ(Grid().GetCellText(0, 0), L"1");
  EXPECT_EQ(Grid().GetCellText(2, 0), L"GetAnswer");
  EXPECT_EQ(Grid().GetCellText(4, 0), L"FASTCALL");
  EXPECT_EQ(Grid().GetRowState(0) & 0xFF, 2u);
}

TEST_F(MainWindowTest, OpenLibraryWithEveryExportSlotNumbersAndNamesEachRow) {
  Open(Data(L"many_exports.dll"));
  ASSERT_EQ(Grid().GetRowCount(), 65535);
  const struct {
    std::int64_t row;
    const wchar_t* number;
    const wchar_t* name;
  } cases[] = {{0, L"1", L"Function_00001"},
               {9, L"10", L"Function_00010"},
               {99, L"100", L"Function_00100"},
               {65534, L"65535", L"Function_65535"}};
  for (const auto& c : cases) {
    EXPECT_EQ(Grid().GetCellText(0, c.row), c.number) << c.row;
    EXPECT_EQ(Grid().GetCellText(1, c.row), c.name) << c.row;
    EXPECT_EQ(Grid().GetCellText(2, c.row), c.name) << c.row;
  }
}

TEST_F(MainWindowTest, RefusedLibraryShowsItsFileWithNoFunctions) {
  const std::wstring lib = Data(L"x86\\version_full.dll");
  Open(lib);
  EXPECT_EQ(Title(), L"Vantorel - " + lib);
  EXPECT_EQ(StatusText(1), L"   0 of 0 functions selected!");
  EXPECT_NE(StatusText(2), L"");
  EXPECT_EQ(StatusText(3), L" FileVersion: 1.2.3.4");
}

TEST_F(MainWindowTest, SaveCommandFollowsTabsRowsAndTicks) {
  Open(Data(L"named.dll"));
  EXPECT_TRUE(SaveMenuEnabled());
  EXPECT_TRUE(SaveButtonEnabled());
  EXPECT_EQ(Tooltip(CmdSave), L"Save Project");

  SwitchTab(kPreviewTab);
  EXPECT_TRUE(SaveButtonEnabled());
  EXPECT_EQ(Tooltip(CmdSave), L"Save Source");
  EXPECT_NE(GetEditorText(kPreviewEditor).find(L"Procedure.i named_LoadDLL()"), std::wstring::npos);

  SwitchTab(kResourcesTab);
  EXPECT_FALSE(SaveMenuEnabled());
  EXPECT_FALSE(SaveButtonEnabled());
  EXPECT_EQ(Tooltip(CmdSave), L"");

  // No tick left: the preview is empty and Save stays off there.
  SwitchTab(kFunctionsTab);
  CellEvent header;
  header.row = -1;
  header.column = -1;
  Send(GridEvent::HeaderClick, header);
  EXPECT_EQ(CountTicked(App().Session.rows), 0u);
  SwitchTab(kPreviewTab);
  EXPECT_EQ(GetEditorText(kPreviewEditor), L"");
  EXPECT_FALSE(SaveButtonEnabled());
  SwitchTab(kFunctionsTab);
  EXPECT_TRUE(SaveButtonEnabled()) << "rows without ticks still make a project";

  // A refresh on the Resources tab leaves Save as it is.
  SwitchTab(kResourcesTab);
  RefreshMainView();
  EXPECT_FALSE(SaveButtonEnabled());
  // A refresh on the Preview tab decides by the function list.
  SwitchTab(kPreviewTab);
  RefreshMainView();
  EXPECT_TRUE(SaveButtonEnabled());
  EXPECT_EQ(Tooltip(CmdSave), L"Save Source");
}

TEST_F(MainWindowTest, StripClicksCountTicks) {
  Open(Data(L"named.dll"));
  EXPECT_EQ(StatusText(1), L"   5 of 5 functions selected!");
  CellEvent click;
  click.row = 1;
  click.column = -1;
  click.part = 1;
  EXPECT_EQ(Send(GridEvent::StripClick, click), 0) << "the strip cell is not held pressed";
  EXPECT_EQ(Grid().GetRowState(1) & 0xFF, 1u);
  EXPECT_EQ(StatusText(1), L"   4 of 5 functions selected!");

  // The strip header inverts every tick; twice restores them all.
  CellEvent header;
  header.row = -1;
  header.column = -1;
  EXPECT_EQ(Send(GridEvent::HeaderClick, header), 1);
  EXPECT_EQ(StatusText(1), L"   1 of 5 functions selected!");
  EXPECT_EQ(Grid().GetRowState(1) & 0xFF, 2u);
  EXPECT_EQ(Grid().GetRowState(0) & 0xFF, 1u);
  Send(GridEvent::HeaderClick, header);
  EXPECT_EQ(StatusText(1), L"   4 of 5 functions selected!");
  EXPECT_EQ(Grid().GetRowState(1) & 0xFF, 1u);

  // A column header sorts nothing.
  CellEvent column;
  column.row = -1;
  column.column = 2;
  EXPECT_EQ(Send(GridEvent::HeaderClick, column), 1);
  EXPECT_EQ(Grid().GetCellText(2, 0), L"SubtractNumbers");
}

TEST_F(MainWindowTest, EditAnswersCleanAliasesAndCounts) {
  Open(Data(L"decorated.dll"));
  CellEvent ch;
  ch.column = 3;
  ch.row = 0;
  for (wchar_t c : std::wstring(L"x-+ ")) {
    ch.value = c;
    EXPECT_EQ(Send(GridEvent::EditChar, ch), 0) << static_cast<char>(c);
  }
  ch.value = L'7';
  EXPECT_EQ(Send(GridEvent::EditChar, ch), 1);
  ch.column = 1;
  ch.value = L'x';
  EXPECT_EQ(Send(GridEvent::EditChar, ch), 1);

  CellEvent done;
  done.row = 5;  // _StdFunc@12
  done.column = 1;
  done.text = L"";
  EXPECT_EQ(Send(GridEvent::EditDone, done), 0);
  EXPECT_EQ(Grid().GetCellText(1, 5), L"StdFunc");
  done.text = L"my func 2";
  Send(GridEvent::EditDone, done);
  EXPECT_EQ(Grid().GetCellText(1, 5), L"my_func_2");

  done.column = 3;
  done.text = L"";
  EXPECT_EQ(Send(GridEvent::EditDone, done), 0);
  EXPECT_EQ(Grid().GetCellText(3, 5), L"?");
  done.text = L"12";
  Send(GridEvent::EditDone, done);
  EXPECT_EQ(Grid().GetCellText(3, 5), L"12");

  done.column = 5;
  done.text = L"a comment";
  EXPECT_EQ(Send(GridEvent::EditDone, done), 1) << "the cell takes the text itself";

  CellEvent type;
  for (int c = 0; c < 6; ++c) {
    type = CellEvent{};
    type.column = c;
    EXPECT_EQ(Send(GridEvent::CellType, type), 1);
    EXPECT_EQ(type.type, c == 0 || c == 2 ? 1 : c == 4 ? 3 : 0) << c;
  }
  EXPECT_EQ(type.type, 0);
  type.column = 4;
  Send(GridEvent::CellType, type);
  EXPECT_EQ(type.text, L"FASTCALL");
}

TEST_F(MainWindowTest, EditAnswersTakeEffectAsTheUserTypes) {
  Open(Data(L"decorated.dll"));
  GridControl& g = Grid();
  HWND box = g.list->editors.editBox;
  auto type = [&](const std::wstring& keys) {
    for (wchar_t c : keys) SendMessageW(box, WM_CHAR, c, 1);
  };
  auto clear = [&] {
    SendMessageW(box, EM_SETSEL, 0, -1);
    type(L"\b");
  };
  // Para (row 5, _StdFunc@12): "x" and "-" never get in, digits do; emptied it shows "?".
  g.SetCurrentCell(3, 5, 1);
  SendMessageW(box, EM_SETSEL, 0, -1);
  type(L"x-4-x2");
  EXPECT_EQ(GetWindowTextLengthW(box), 2);
  SendMessageW(box, WM_KEYUP, VK_TAB, 0xC0000001);
  EXPECT_EQ(g.GetCellText(3, 5), L"42");
  g.SetCurrentCell(3, 5, 1);
  clear();
  SendMessageW(box, WM_KEYUP, VK_TAB, 0xC0000001);
  EXPECT_EQ(g.GetCellText(3, 5), L"?");
  // Alias: emptied, it is made from the function name again.
  g.SetCurrentCell(1, 5, 1);
  clear();
  type(L"\r");
  EXPECT_EQ(g.GetCellText(1, 5), L"StdFunc");
  // "Nr:" and "Function:" open no text box; the convention offers FASTCALL only.
  for (std::int64_t column : {0, 2}) {
    g.SetCurrentCell(column, 5, 1);
    EXPECT_NE(GetFocus(), box) << column;
  }
  g.SetCurrentCell(4, 5, 1);
  EXPECT_EQ(GetFocus(), g.list->editors.listChoice);
  EXPECT_EQ(SendMessageW(g.list->editors.listChoice, CB_GETCOUNT, 0, 0), 1);

  // A paste meets the same answers: fixed cells keep theirs, Para takes
  // digits only, Conv an option of its list.
  const std::wstring fixed = g.GetCellText(0, 4) + g.GetCellText(2, 4) + g.GetCellText(0, 5) + g.GetCellText(2, 5);
  const std::wstring conv5 = g.GetCellText(4, 5);
  const std::wstring clip = L"9\tmy alias\tfoo\t1x2\tfastcall\tnote\r\n8\t\tbar\t-3\tstdcall\tn2";
  ASSERT_TRUE(testing::OpenClipboardSoon());
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (clip.size() + 1) * sizeof(wchar_t));
  std::copy(clip.c_str(), clip.c_str() + clip.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
  g.SetCurrentCell(0, 4, 0);
  g.Paste();
  EXPECT_EQ(g.GetCellText(0, 4) + g.GetCellText(2, 4) + g.GetCellText(0, 5) + g.GetCellText(2, 5), fixed);
  EXPECT_EQ(g.GetCellText(1, 4), L"my_alias");
  EXPECT_EQ(g.GetCellText(3, 4), L"12");
  EXPECT_EQ(g.GetCellText(4, 4), L"FASTCALL");
  EXPECT_EQ(g.GetCellText(5, 4), L"note");
  EXPECT_EQ(g.GetCellText(1, 5), L"StdFunc");
  EXPECT_EQ(g.GetCellText(3, 5), L"3");
  EXPECT_EQ(g.GetCellText(4, 5), conv5);
}

// Delete and Ctrl+X over the whole table leave Nr, Function and Conv as they
// are and go through the table's answers: an emptied alias is made from the
// function's name again, an emptied Para is "?". A Para cell takes digits
// only, also from a paste into its box.
TEST_F(MainWindowTest, DeleteCutAndPasteMeetTheTablesAnswers) {
  GridControl& g = Grid();
  BYTE keys[256]{};
  auto control = [&](bool down) {
    GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
  };
  auto row = [&g](std::int64_t r) {
    std::wstring cells;
    for (std::int64_t c = 0; c < 6; ++c) cells += g.GetCellText(c, r) + L"|";
    return cells;
  };
  for (const bool cut : {false, true}) {
    SCOPED_TRACE(cut ? "Ctrl+X" : "Delete");
    Open(Data(L"named.dll"));
    g.SetCellText(1, 1, L"Renamed");
    g.SetCellText(3, 1, L"2");
    g.SetCellText(5, 1, L"a note");
    control(true);
    SendMessageW(g.listWindow, WM_KEYDOWN, 'A', 1);
    if (cut) SendMessageW(g.listWindow, WM_KEYDOWN, 'X', 1);
    control(false);
    if (!cut) SendMessageW(g.listWindow, WM_KEYDOWN, VK_DELETE, 1);
    for (std::int64_t r = 0; r < g.GetRowCount(); ++r) {
      const std::wstring function = g.GetCellText(2, r);
      EXPECT_FALSE(function.empty()) << r;
      EXPECT_EQ(row(r), std::to_wstring(r + 1) + L"|" + function + L"|" + function + L"|?|" +
                            ToWide(testing::FreshConvention()) + L"||");
    }
  }
  // Para: the box's own paste (the way of its context menu) over "?".
  g.SetCurrentCell(3, 2, 1);
  SendMessageW(g.list->editors.editBox, EM_SETSEL, 0, -1);
  grid_testing::SetClipboardText(L"x-1");
  SendMessageW(g.list->editors.editBox, WM_PASTE, 0, 0);
  g.EndEdit();
  EXPECT_EQ(g.GetCellText(3, 2), L"1");
}

TEST_F(MainWindowTest, TheMouseOnTheTableMeetsTheFunctionGridsAnswers) {
  Open(Data(L"named.dll"));
  GridControl& g = Grid();
  // A row's strip cell clicked beside its tick box is released over itself,
  // which the table takes as the strip header's click: every tick inverts.
  App().Session.rows[1].ticked = false;
  RefreshMainView();
  EXPECT_EQ(g.GetRowState(1) & 0xFF, 1u) << "the row (a project's \"checked = 5\" reads as unticked) is shown unticked";
  EXPECT_EQ(StatusText(1), L"   4 of 5 functions selected!");
  RECT row{};
  row.left = LVIR_BOUNDS;
  SendMessageW(g.listWindow, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row));
  const LPARAM beside = MAKELPARAM(2, (row.top + row.bottom) / 2);
  SendMessageW(g.containerWindow, WM_LBUTTONDOWN, MK_LBUTTON, beside);
  SendMessageW(g.containerWindow, WM_LBUTTONUP, 0, beside);
  EXPECT_EQ(StatusText(1), L"   1 of 5 functions selected!");
  EXPECT_EQ(g.GetRowState(1) & 0xFF, 2u);
  // A click on a Para cell opens its text box; "x" and "-" never get in.
  const RECT para = g.list->CellRect(3, 3);
  const LPARAM at = MAKELPARAM((para.left + para.right) / 2, (para.top + para.bottom) / 2);
  SendMessageW(g.listWindow, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(g.listWindow, WM_LBUTTONUP, 0, at);
  ASSERT_EQ(GetFocus(), g.list->editors.editBox);
  SendMessageW(g.list->editors.editBox, EM_SETSEL, 0, -1);
  for (wchar_t c : std::wstring(L"x-5")) SendMessageW(g.list->editors.editBox, WM_CHAR, c, 1);
  // Focus leaving the table commits the edit.
  SetFocus(Main().tabPanel);
  EXPECT_EQ(g.GetCellText(3, 3), L"5");
  EXPECT_EQ(g.GetCurrentRow(), -1);
}

TEST_F(MainWindowTest, CellFormatsAlternateAndAlign) {
  CellEvent f;
  for (int row = 0; row < 4; ++row) {
    f = CellEvent{};
    f.row = row;
    f.column = 1;
    Send(GridEvent::CellFormat, f);
    EXPECT_EQ(f.backColour, row % 2 ? 0xFCFEDB : 0xDFFFFF);
    EXPECT_EQ(f.align, 0);
  }
  f = CellEvent{};
  f.row = -1;
  f.column = 3;
  Send(GridEvent::CellFormat, f);
  EXPECT_EQ(f.align, 2) << "the Para header is right-aligned too";
  EXPECT_EQ(f.gradientTop, 0xFFFFFF);
  EXPECT_EQ(f.gradientBottom, static_cast<std::int64_t>(GetSysColor(COLOR_GRADIENTACTIVECAPTION)));
  f = CellEvent{};
  f.row = 3;
  f.column = -1;
  Send(GridEvent::CellFormat, f);
  EXPECT_EQ(f.gradientTop, 0xFFFFFF);
}

TEST_F(MainWindowTest, CommandTable) {
  SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdNewInstance, 0), 0);
  ASSERT_EQ(launcher.copies.size(), 1u);
  EXPECT_EQ(launcher.copies[0], L"");

  SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdAbout, 0), 0);
  ASSERT_EQ(prompts.messages.size(), 1u);
  const auto& about = prompts.messages[0];
  EXPECT_EQ(about.caption, L"About Vantorel");
  EXPECT_EQ(about.style, static_cast<UINT>(MB_OK));
  EXPECT_EQ(about.owner, Main().window);
  EXPECT_EQ(std::count(about.text.begin(), about.text.end(), L'\n'), 5) << "six lines";
  EXPECT_NE(about.text.find(L"0.1.0"), std::wstring::npos) << "names the version";

  // Open, then Cancel: nothing open, title back to the program's name.
  Open(Data(L"named.dll"));
  SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdOpenLibrary, 0), 0);
  ASSERT_EQ(prompts.requesters.size(), 1u);
  EXPECT_EQ(prompts.requesters[0].title, L"Load DLL");
  EXPECT_EQ(Title(), L"Vantorel");
  EXPECT_EQ(Grid().GetRowCount(), 0);
  EXPECT_EQ(App().LibraryHandle, nullptr);

  // Open through the toolbar with a chosen file.
  prompts.fileAnswers.push_back(Data(L"gaps.dll"));
  SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdOpenLibrary, BN_CLICKED),
               reinterpret_cast<LPARAM>(Main().toolbar));
  EXPECT_EQ(Title(), L"Vantorel - " + Data(L"gaps.dll"));
  EXPECT_EQ(Grid().GetRowCount(), 9);

  // Exit and the close box end the loop without a question.
  const std::size_t messages = prompts.messages.size();
  SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdExit, 0), 0);
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  SendMessageW(Main().window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_TRUE(IsWindow(Main().window)) << "the window goes with the release, after the loop";
  EXPECT_EQ(prompts.messages.size(), messages);
}

TEST_F(MainWindowTest, DroppedFiles) {
  // One library onto an empty window opens here, unchecked.
  HandleDroppedFiles({Data(L"named.dll")});
  EXPECT_EQ(CurrentPath(), Data(L"named.dll"));
  EXPECT_EQ(Grid().GetRowCount(), 5);
  EXPECT_TRUE(launcher.copies.empty());

  // Anything dropped while a library is open goes to new copies.
  HandleDroppedFiles({Data(L"gaps.dll"), L"C:\\My Libs\\x.prj"});
  ASSERT_EQ(launcher.copies.size(), 2u);
  EXPECT_EQ(launcher.copies[0], L"\"" + Data(L"gaps.dll") + L"\"");
  EXPECT_EQ(launcher.copies[1], L"\"C:\\My Libs\\x.prj\"");
  EXPECT_EQ(CurrentPath(), Data(L"named.dll"));
}

TEST_F(MainWindowTest, ThreeDropsOntoAnEmptyWindow) {
  HandleDroppedFiles({Data(L"x86\\named.dll"), Data(L"gaps.dll"), Data(L"aliases.dll")});
  EXPECT_EQ(CurrentPath(), Data(L"x86\\named.dll")) << "not checked: the loader refuses it";
  EXPECT_EQ(Title(), L"Vantorel - " + Data(L"x86\\named.dll"));
  EXPECT_TRUE(prompts.messages.empty());
  ASSERT_EQ(launcher.copies.size(), 2u);
  EXPECT_EQ(launcher.copies[0], L"\"" + Data(L"gaps.dll") + L"\"");
  EXPECT_EQ(launcher.copies[1], L"\"" + Data(L"aliases.dll") + L"\"");
}

TEST_F(MainWindowTest, NothingIsDroppedWhilePreviewIsCurrent) {
  SwitchTab(kPreviewTab);
  HandleDroppedFiles({Data(L"named.dll"), Data(L"gaps.dll")});
  EXPECT_TRUE(CurrentPath().empty());
  EXPECT_TRUE(launcher.copies.empty());
  SwitchTab(kResourcesTab);
  HandleDroppedFiles({Data(L"named.dll")});
  EXPECT_EQ(CurrentPath(), Data(L"named.dll"));
}

TEST_F(MainWindowTest, LayoutFollowsTheWindowSize) {
  for (const SIZE size : {SIZE{1000, 700}, SIZE{640, 480}, SIZE{1200, 900}}) {
    SetWindowPos(Main().window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    RECT client, panel, toolbar, status;
    GetClientRect(Main().window, &client);
    GetWindowRect(Main().toolbar, &toolbar);
    GetWindowRect(Main().status, &status);
    panel = ChildRect(Main().tabPanel);
    const int toolbarHeight = toolbar.bottom - toolbar.top;
    EXPECT_EQ(panel.top, toolbarHeight);
    EXPECT_EQ(panel.right - panel.left, client.right);
    EXPECT_EQ(panel.bottom - panel.top, client.bottom - toolbarHeight - (status.bottom - status.top));
    RECT strip{0, 0, 400, 400};
    TabCtrl_AdjustRect(Main().tabPanel, FALSE, &strip);
    const int width = panel.right - panel.left - 20;
    const int height = panel.bottom - panel.top - strip.top - 15;
    for (HWND w : {Main().functionGrid->GetWindow(), Main().editor, Main().mainSplitter}) {
      const RECT r = ChildRect(w);
      EXPECT_EQ(r.left, 5);
      EXPECT_EQ(r.top, 5);
      EXPECT_EQ(r.right - r.left, width);
      EXPECT_EQ(r.bottom - r.top, height);
    }
  }
}

TEST_F(MainWindowTest, LinkLabelCursorAndClick) {
  HWND label = Main().linkLabel;
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(GetParent(GetParent(label)), Main().status) << "its container sits in the status bar";
  EXPECT_NE(GetPropW(label, L"oldproc"), nullptr);
  EXPECT_EQ(GetPropW(label, L"cursor"), Main().handCursor);
  wchar_t text[256];
  GetWindowTextW(label, text, 256);
  EXPECT_EQ(std::wstring(text), kProjectAddress);
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_EQ(SendMessageW(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 0);
  EXPECT_EQ(GetCursor(), Main().handCursor);

  SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  ASSERT_EQ(launcher.addresses.size(), 1u);
  EXPECT_EQ(launcher.addresses[0], kProjectAddress);

  DestroyWindow(label);
  Main().linkLabel = nullptr;
}

}  // namespace
}  // namespace vantorel

namespace vantorel {
namespace {

// Save on the Preview tab writes what the preview shows.
TEST_F(MainWindowTest, SaveOnPreviewWritesTheShownSource) {
  Open(Data(L"named.dll"));
  SwitchTab(kPreviewTab);
  testing::TempFolder dir;
  const std::wstring target = dir.File(L"named.pbi");
  prompts.fileAnswers.push_back(target);
  SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdSave, 0), 0);
  ASSERT_EQ(prompts.requesters.size(), 1u);
  EXPECT_TRUE(prompts.requesters[0].save);
  EXPECT_EQ(prompts.requesters[0].initialPath, Data(L"named.pbi"));
  HANDLE f = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  char bytes[4096] = {};
  DWORD got = 0;
  ReadFile(f, bytes, sizeof bytes, &got, nullptr);
  CloseHandle(f);
  const std::string saved(bytes, got);
  EXPECT_EQ(saved.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(saved.find("Prototype SubtractNumbers()\r\n"), std::string::npos);
  EXPECT_EQ(saved.substr(saved.size() - 16), "EndProcedure\r\n\r\n");

  // On the Resources tab Save does nothing.
  SwitchTab(kResourcesTab);
  SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdSave, 0), 0);
  EXPECT_EQ(prompts.requesters.size(), 1u);
}

}  // namespace
}  // namespace vantorel

namespace vantorel {
namespace {

TEST_F(MainWindowTest, SplittersStartWhereTheyShould) {
  SwitchTab(kResourcesTab);
  RECT client;
  GetClientRect(Main().window, &client);
  EXPECT_EQ(ChildRect(Main().resourceTree).right, client.right / 4) << "main divider at a quarter of the width";
  EXPECT_EQ(ChildRect(Main().hexContainer).bottom, 300) << "resource divider at 300";
  // The hex grid and the views fill their containers.
  RECT hex, view;
  GetClientRect(Main().hexContainer, &hex);
  GetClientRect(Main().viewContainer, &view);
  EXPECT_EQ(ChildRect(Main().hexGrid->GetWindow()).right, hex.right);
  EXPECT_EQ(ChildRect(Main().textView).bottom, view.bottom);
  EXPECT_FALSE(IsWindowVisible(Main().imageView));
  EXPECT_EQ(GetWindowLongPtrW(Main().textView, GWL_STYLE) & ES_READONLY, ES_READONLY);

  // Dragging the resource divider down stops 50 pixels above the bottom;
  // the grid follows the container.
  HWND splitter = Main().resourceSplitter;
  RECT area;
  GetClientRect(splitter, &area);
  SendMessageW(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 302));
  SendMessageW(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, area.bottom));
  SendMessageW(splitter, WM_LBUTTONUP, 0, MAKELPARAM(10, area.bottom));
  GetClientRect(Main().viewContainer, &view);
  EXPECT_EQ(view.bottom, 50);
  GetClientRect(Main().hexContainer, &hex);
  EXPECT_EQ(ChildRect(Main().hexGrid->GetWindow()).bottom, hex.bottom);

  // The main divider keeps 150 pixels for the tree.
  SendMessageW(Main().mainSplitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.right / 4 + 2, 10));
  SendMessageW(Main().mainSplitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 10));
  SendMessageW(Main().mainSplitter, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
  EXPECT_EQ(ChildRect(Main().resourceTree).right, 150);
}

// A data object carrying a file list, as the shell hands one over.
class FileListData final : public IDataObject {
 public:
  explicit FileListData(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const auto& p : paths) list += p + L'\0';
    list += L'\0';
    global_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(global_));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(global_);
  }
  ~FileListData() { GlobalFree(global_); }
  FileListData(const FileListData&) = delete;
  FileListData& operator=(const FileListData&) = delete;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (format->cfFormat != CF_HDROP) return DV_E_FORMATETC;
    const SIZE_T size = GlobalSize(global_);
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(copy), GlobalLock(global_), size);
    GlobalUnlock(copy);
    GlobalUnlock(global_);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = copy;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    return format->cfFormat == CF_HDROP ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

 private:
  HGLOBAL global_ = nullptr;
};

TEST_F(MainWindowTest, DropTargetCopiesFilesExceptOnPreview) {
  auto* target = reinterpret_cast<IDropTarget*>(Main().dropTarget);
  ASSERT_NE(target, nullptr);
  FileListData data({Data(L"named.dll"), Data(L"gaps.dll")});
  POINTL at{10, 10};

  SwitchTab(kPreviewTab);
  DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  target->DragEnter(&data, MK_LBUTTON, at, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  effect = DROPEFFECT_COPY;
  target->Drop(&data, 0, at, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_TRUE(CurrentPath().empty());

  SwitchTab(kFunctionsTab);
  effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  target->DragEnter(&data, MK_LBUTTON, at, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  target->DragOver(MK_LBUTTON, at, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  target->Drop(&data, 0, at, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  // The drop ends before anything is opened: the event loop opens the files.
  EXPECT_TRUE(CurrentPath().empty());
  EXPECT_TRUE(launcher.copies.empty());
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_EQ(CurrentPath(), Data(L"named.dll"));
  EXPECT_EQ(Title(), L"Vantorel - " + Data(L"named.dll"));
  ASSERT_EQ(launcher.copies.size(), 1u);
  EXPECT_EQ(launcher.copies[0], L"\"" + Data(L"gaps.dll") + L"\"");
}

// Shift+Tab through the event loop, one key per run of the loop: the focus
// goes backwards through the current page's controls and wraps around.
TEST_F(MainWindowTest, ShiftTabMovesBackwardsThroughThePagesControls) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = keys[VK_LSHIFT] = 0x80;
  SetKeyboardState(keys);
  // ctest runs two Wine programs at once on one desktop: a window the other
  // one shows takes the foreground, and this thread then has no focus at all.
  // No step expects that, so such a run is repeated with the foreground back.
  auto shiftTab = [](HWND from) {
    HWND focus = nullptr;
    for (int attempt = 0; attempt < 5 && !focus; ++attempt) {
      SetForegroundWindow(Main().window);
      SetFocus(from);
      PostMessageW(from, WM_KEYDOWN, VK_TAB, 0);
      PostMessageW(Main().window, WM_CLOSE, 0, 0);
      RunEventLoop();
      focus = GetFocus();
    }
    return focus;
  };
  HWND functionList = FindWindowExW(Grid().GetWindow(), nullptr, WC_LISTVIEWW, nullptr);
  HWND hexList = FindWindowExW(Main().hexGrid->GetWindow(), nullptr, WC_LISTVIEWW, nullptr);
  const struct {
    int tab;
    HWND from, to;
  } steps[] = {
      {kResourcesTab, Main().textView, hexList},
      {kResourcesTab, hexList, Main().resourceTree},
      {kResourcesTab, Main().resourceTree, Main().textView},
      {kFunctionsTab, functionList, functionList},
      {kPreviewTab, Main().editor, Main().editor},
  };
  for (const auto& step : steps) {
    SwitchTab(step.tab);
    EXPECT_EQ(shiftTab(step.from), step.to) << "tab " << step.tab;
  }
  keys[VK_SHIFT] = keys[VK_LSHIFT] = 0;
  SetKeyboardState(keys);
  // The plain Tab key is the focused control's own.
  SwitchTab(kResourcesTab);
  EXPECT_EQ(shiftTab(Main().textView), Main().textView);
}

TEST(SystemLauncher, StartsTheOwnExecutableWithoutWaiting) {
  // This test program is "the program" here: listing its tests ends it at once.
  EXPECT_TRUE(CurrentLauncher().StartCopy(L"--gtest_list_tests"));
}

}  // namespace
}  // namespace vantorel

namespace vantorel {
namespace {

// A click on a language item of the resource tree shows that resource.
TEST_F(MainWindowTest, TreeClickShowsTheResourceUnderTheMouse) {
  Open(Data(L"resources.dll"));
  EnumerateResources({Main().resourceTree, Main().hexGrid.get(), Main().imageView, Main().textView});
  SwitchTab(kResourcesTab);
  ShowWindow(Main().window, SW_SHOW);
  HWND tree = Main().resourceTree;
  // Version > 1 > 1033.
  HTREEITEM item = TreeView_GetRoot(tree);
  wchar_t text[64];
  for (; item; item = TreeView_GetNextSibling(tree, item)) {
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = 64;
    TreeView_GetItem(tree, &tv);
    if (std::wstring(text) == L"Version") break;
  }
  ASSERT_NE(item, nullptr);
  TreeView_Expand(tree, item, TVE_EXPAND);
  HTREEITEM name = TreeView_GetChild(tree, item);
  TreeView_Expand(tree, name, TVE_EXPAND);
  HTREEITEM language = TreeView_GetChild(tree, name);
  ASSERT_NE(language, nullptr);
  TreeView_EnsureVisible(tree, language);
  RECT rc;
  ASSERT_TRUE(TreeView_GetItemRect(tree, language, &rc, TRUE));
  POINT at{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  ClientToScreen(tree, &at);
  OnResourceTreeClick(at);
  EXPECT_GT(Main().hexGrid->GetRowCount(), 10);
  wchar_t shown[256] = {};
  GetWindowTextW(Main().textView, shown, 256);
  EXPECT_EQ(std::wstring(shown).rfind(L"FileVersion:", 0), 0u);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_EQ(TreeView_GetSelection(tree), nullptr) << "a second click must show it again";

  // Beside every item: the views are emptied.
  RECT client;
  GetClientRect(tree, &client);
  POINT empty{client.right - 2, client.bottom - 2};
  ClientToScreen(tree, &empty);
  OnResourceTreeClick(empty);
  EXPECT_EQ(Main().hexGrid->GetRowCount(), 0);
}

}  // namespace
}  // namespace vantorel
