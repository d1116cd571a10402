// The Functions page's filter in the real main window, driven with real
// messages: Ctrl+F, a pattern typed into the bar, Tick shown, an edit made
// while filtered, Escape, then the project and the source saved.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/app_state_win32.h"
#include "app/main_window_win32.h"
#include "app/pages/function_page_win32.h"
#include "main_window_fixture.h"
#include "scripted_prompts.h"
#include "test_support.h"

namespace vantorel {
namespace {

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  if (FILE* f = _wfopen(path.c_str(), L"rb")) {
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, got);
    std::fclose(f);
  }
  return bytes;
}

std::size_t Occurrences(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++count;
  return count;
}

// A key as the event loop hands it over: to the main window's own keys
// first, then to the focused control.
void PressKey(HWND target, UINT key, bool ctrl) {
  BYTE state[256]{};
  GetKeyboardState(state);
  state[VK_CONTROL] = ctrl ? 0x80 : 0;
  SetKeyboardState(state);
  MSG msg{target, WM_KEYDOWN, key, 1, 0, {}};
  if (!TranslateMainWindowKey(msg)) SendMessageW(target, WM_KEYDOWN, key, 1);
  state[VK_CONTROL] = 0;
  SetKeyboardState(state);
}

void Type(HWND edit, const std::wstring& text) {
  for (wchar_t c : text) SendMessageW(edit, WM_CHAR, c, 1);
}

class FilterTest : public testing::MainWindowFixture {
 protected:
  GridControl& Grid() { return *Main().functionGrid; }
  FilterBar& Bar() { return *Main().filterBar; }
  testing::ScriptedPrompts prompts;
};

TEST_F(FilterTest, FindTypeTickCloseAndSaveCoverExactlyTheMatchingRows) {
  LoadLibraryFile(testing::OwnTestData(L"many_exports.dll"));
  RefreshMainView();
  ASSERT_EQ(Grid().GetRowCount(), 65535);
  const std::int64_t fullHeight = Grid().GetHeight();
  ASSERT_FALSE(Bar().Shown());

  // Everything unticked from the Edit menu, with the filter closed.
  SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdUntickShown, 0), 0);
  EXPECT_EQ(CountTicked(App().Session.rows), 0u);

  // Ctrl+F with the focus in the grid shows the bar, focused, and the grid
  // gives up its height.
  SetFocus(Grid().listWindow);
  PressKey(Grid().listWindow, 'F', true);
  ASSERT_TRUE(Bar().Shown());
  EXPECT_EQ(GetFocus(), Bar().edit);
  EXPECT_EQ(Grid().GetHeight(), fullHeight - kFilterBarHeight);
  EXPECT_EQ(TextOf(Bar().count), L"65,535 of 65,535 shown");

  // Typing narrows the grid; rows keep their numbers.
  Type(Bar().edit, L"FUNCTION_0012");
  EXPECT_EQ(TextOf(Bar().count), L"10 of 65,535 shown");
  ASSERT_EQ(Grid().GetRowCount(), 10);
  EXPECT_EQ(Grid().GetCellText(0, 0), L"120");
  EXPECT_EQ(Grid().GetCellText(2, 9), L"Function_00129");
  // A wildcard pattern is matched against whole texts.
  SendMessageW(Bar().edit, WM_CHAR, VK_BACK, 1);
  Type(Bar().edit, L"2?");
  EXPECT_EQ(TextOf(Bar().count), L"10 of 65,535 shown");

  // Tick shown ticks exactly those rows; the count covers every row.
  SendMessageW(Bar().tickButton, BM_CLICK, 0, 0);
  EXPECT_EQ(CountTicked(App().Session.rows), 10u);
  for (std::int64_t row = 0; row < 10; ++row) EXPECT_EQ(Grid().GetRowState(row) & 0xFF, static_cast<std::uint64_t>(kTicked));

  // An edit made while filtered goes into the row shown, not the row at
  // that place in the table; so does a strip click.
  CellEvent edit{};
  edit.column = 5;
  edit.row = 3;
  edit.text = L"picked";
  OnFunctionGridEvent(&Grid(), GridEvent::EditDone, edit, App().Session.rows, UpdateSelectionCount, {}, {},
                      Main().functionFilter.Shown());
  EXPECT_EQ(App().Session.rows[122].comment, u"picked");
  EXPECT_EQ(App().Session.rows[3].comment, u"");
  CellEvent strip{};
  strip.column = -1;
  strip.row = 9;
  OnFunctionGridEvent(&Grid(), GridEvent::StripClick, strip, App().Session.rows, UpdateSelectionCount, {}, {},
                      Main().functionFilter.Shown());
  EXPECT_FALSE(App().Session.rows[128].ticked) << "Function_00129";
  EXPECT_EQ(CountTicked(App().Session.rows), 9u);

  // Escape closes the bar: every row again, the current row in view.
  Grid().SetCurrentCell(1, 5, 0);
  PressKey(Bar().edit, VK_ESCAPE, false);
  EXPECT_FALSE(Bar().Shown());
  ASSERT_EQ(Grid().GetRowCount(), 65535);
  EXPECT_EQ(Grid().GetHeight(), fullHeight);
  EXPECT_EQ(Grid().GetCurrentRow(), 124);
  const auto top = SendMessageW(Grid().listWindow, LVM_GETTOPINDEX, 0, 0);
  const auto page = SendMessageW(Grid().listWindow, LVM_GETCOUNTPERPAGE, 0, 0);
  EXPECT_TRUE(top <= 124 && 124 < top + page) << top << " " << page;

  // Project and source hold every row in table order, ticked as chosen.
  testing::TempFolder dir;
  const std::wstring project = dir.File(L"many.prj"), source = dir.File(L"many.pbi");
  prompts.fileAnswers.push_back(project);
  SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdSave, 0), 0);
  const std::string saved = ReadBytes(project);
  EXPECT_EQ(Occurrences(saved, "checked = 1"), 9u);
  EXPECT_EQ(Occurrences(saved, "checked = 0"), 65535u - 9u);
  EXPECT_NE(saved.find("Comment = picked"), std::string::npos);

  TabCtrl_SetCurSel(Main().tabPanel, kPreviewTab);
  OnTabSwitched();
  prompts.fileAnswers.push_back(source);
  SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdSave, 0), 0);
  const std::string text = ReadBytes(source);
  EXPECT_EQ(Occurrences(text, "Prototype"), 9u);
  for (int n = 120; n <= 129; ++n)
    EXPECT_EQ(Occurrences(text, "Prototype Function_00" + std::to_string(n) + "("), n == 129 ? 0u : 1u) << n;
}

std::wstring MenuText(HMENU menu, UINT position) {
  wchar_t text[128] = {};
  GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
  return text;
}

TEST_F(FilterTest, EditMenuStandsBetweenFileAndHelp) {
  HMENU bar = Main().menu;
  ASSERT_EQ(GetMenuItemCount(bar), 3);
  EXPECT_EQ(MenuText(bar, 0), L"&File");
  EXPECT_EQ(MenuText(bar, 1), L"&Edit");
  EXPECT_EQ(MenuText(bar, 2), L"&Help");
  HMENU edit = GetSubMenu(bar, 1);
  const std::vector<std::pair<UINT, std::wstring>> items{
      {CmdFind, L"&Find\u2026\tCtrl+F"}, {0, L""}, {CmdTickShown, L"Tick Shown"}, {CmdUntickShown, L"Untick Shown"},
      {CmdShowAll, L"Show All"}};
  ASSERT_EQ(GetMenuItemCount(edit), static_cast<int>(items.size()));
  for (UINT i = 0; i < items.size(); ++i) {
    EXPECT_EQ(GetMenuItemID(edit, static_cast<int>(i)), items[i].first == 0 ? 0u : items[i].first) << i;
    EXPECT_EQ(MenuText(edit, i), items[i].second) << i;
  }
}

TEST_F(FilterTest, FindWorksFromEveryTabAndShowAllCloses) {
  LoadLibraryFile(testing::OwnTestData(L"named.dll"));
  RefreshMainView();
  TabCtrl_SetCurSel(Main().tabPanel, kPreviewTab);
  OnTabSwitched();
  // Ctrl+F belongs to the Functions tab; Edit > Find brings it forward.
  MSG msg{Main().editor, WM_KEYDOWN, 'F', 1, 0, {}};
  EXPECT_FALSE(TranslateMainWindowKey(msg));
  SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdFind, 0), 0);
  EXPECT_EQ(TabCtrl_GetCurSel(Main().tabPanel), kFunctionsTab);
  ASSERT_TRUE(Bar().Shown());
  Type(Bar().edit, L"numbers");
  EXPECT_EQ(TextOf(Bar().count), L"3 of 5 shown");
  // Opening another library keeps the filter over its rows.
  LoadLibraryFile(testing::OwnTestData(L"aliases.dll"));
  RefreshMainView();
  EXPECT_EQ(TextOf(Bar().count), L"0 of 3 shown");
  EXPECT_EQ(Grid().GetRowCount(), 0);
  SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdShowAll, 0), 0);
  EXPECT_FALSE(Bar().Shown());
  EXPECT_EQ(Grid().GetRowCount(), 3);
  EXPECT_EQ(Bar().Text(), L"");
}

}  // namespace
}  // namespace vantorel
