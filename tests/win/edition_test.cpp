// What differs between the 64-bit edition and the x86 edition, seen through
// the real main window: the title and About name the edition, the Conv
// cell's choices, the keyword a CDECL row gets, and a dropped library of the
// other kind. The same test runs in both trees and expects each edition's
// own answers.
#include <gtest/gtest.h>

#include <string>

#include "app/app_state_win32.h"
#include "app/main_window_win32.h"
#include "app/pages/function_page_win32.h"
#include "grid/grid_list_win32.h"
#include "editor/editor_win32.h"
#include "main_window_fixture.h"
#include "platform/edition.h"
#include "scripted_prompts.h"
#include "test_support.h"

namespace vantorel {
namespace {

using testing::kX86Edition;
using testing::OtherTestData;
using testing::OwnTestData;

std::wstring Wide(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }

std::wstring Title() {
  wchar_t text[1024] = {};
  GetWindowTextW(Main().window, text, 1024);
  return text;
}

class EditionWindow : public testing::MainWindowFixture {
 protected:
  testing::ScriptedPrompts prompts;
};

TEST_F(EditionWindow, TitleAboutConventionsAndSource) {
  const std::wstring name = Wide(kEditionTraits.name);
  EXPECT_EQ(Title(), name);
  SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdAbout, 0), 0);
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_NE(prompts.messages[0].text.find(kX86Edition ? L" for 32-bit Windows (x86 edition)\n" : L" for 64-bit Windows\n"),
            std::wstring::npos);

  const std::wstring library = OwnTestData(L"decorated.dll");
  LoadLibraryFile(library);
  RefreshMainView();
  EXPECT_EQ(Title(), name + L" - " + library);
  GridControl& grid = *Main().functionGrid;
  ASSERT_EQ(grid.GetRowCount(), 6);
  for (std::int64_t r = 0; r < 6; ++r) EXPECT_EQ(grid.GetCellText(4, r), kX86Edition ? L"STDCALL" : L"FASTCALL");
  CellEvent type;
  type.column = 4;
  OnFunctionGridEvent(&grid, GridEvent::CellType, type, App().Session.rows, nullptr);
  EXPECT_EQ(type.type, 3);
  EXPECT_EQ(type.text, kX86Edition ? L"STDCALL\nCDECL" : L"FASTCALL");

  // The last row is _StdFunc@12; made CDECL (as a project of the x86 edition
  // may say in either edition), only the x86 edition writes PrototypeC.
  CellEvent conv;
  conv.column = 4;
  conv.row = 5;
  conv.text = L"CDECL";
  ASSERT_EQ(grid.list->Raise(GridEvent::EditDone, conv), 1) << "the grid takes the text";
  grid.SetCellText(4, 5, conv.text);
  TabCtrl_SetCurSel(Main().tabPanel, kPreviewTab);
  NMHDR header{Main().tabPanel, 0, TCN_SELCHANGE};
  SendMessageW(Main().window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
  const std::wstring source = GetEditorText(kPreviewEditor);
  EXPECT_NE(source.find(kX86Edition ? L"\nPrototypeC StdFunc(a, b, c)\n" : L"\nPrototype StdFunc()\n"),
            std::wstring::npos)
      << std::string(source.begin(), source.end());
  EXPECT_NE(source.find(L"\nPrototype PlainName()\n"), std::wstring::npos);
}

// A file dropped onto the empty window: the x86 edition sends a 64-bit
// library to the other edition with the check's message; the 64-bit edition
// leaves a dropped 32-bit library to the system loader, which refuses it
// without a word.
TEST_F(EditionWindow, DroppedLibraryOfTheOtherKind) {
  const std::wstring other = OtherTestData(L"named.dll");
  HandleDroppedFiles({other});
  if (kX86Edition) {
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, L"Isn't a valid 32Bit-File\nuse Vantorel.exe");
    EXPECT_EQ(prompts.messages[0].caption, L"Vantorel");
    EXPECT_EQ(prompts.messages[0].style, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(CurrentPath().empty());
    EXPECT_EQ(Title(), L"Vantorel x86");
  } else {
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(CurrentPath(), other);
    EXPECT_EQ(App().LibraryHandle, nullptr);
  }
  // The 64-bit window now holds the dropped path: further drops would start
  // copies of the program.
  if (!kX86Edition) return;
  // A library of its own kind, dropped next, opens as always.
  HandleDroppedFiles({OwnTestData(L"named.dll")});
  EXPECT_EQ(CurrentPath(), OwnTestData(L"named.dll"));
  EXPECT_EQ(prompts.messages.size(), 1u);
}

}  // namespace
}  // namespace vantorel
