// What a working day of opens must not pile up in the process: the preview's
// undo history, references to the rich-edit library, class icons.
#include <windows.h>

#include <gtest/gtest.h>

#include <Scintilla.h>

#include <string>

#include "analysis/library_win32.h"
#include "app/main_window_win32.h"
#include "platform/resource_ids.h"
#include "app/startup_win32.h"
#include "editor/editor_component_win32.h"
#include "editor/editor_win32.h"
#include "main_window_fixture.h"

namespace vantorel {
namespace {

std::wstring Data(const std::wstring& name) { return std::wstring(VANTOREL_TESTDATA) + L"\\" + name; }

class LongUse : public testing::MainWindowFixture {};

TEST_F(LongUse, RegeneratedPreviewKeepsNoUndoHistory) {
  for (const wchar_t* library : {L"named.dll", L"gaps.dll", L"aliases.dll"}) {
    LoadLibraryFile(Data(library));
    RefreshMainView();
  }
  EXPECT_NE(GetEditorText(kPreviewEditor).find(L"aliases_LoadDLL()"), std::wstring::npos);
  EXPECT_EQ(SendMessageW(Main().editor, SCI_CANUNDO, 0, 0), 0);
}

// Not a fixture: the process must start without the window ever built.
TEST(LongUseProcess, WindowBuildsTakeNoLastingReferences) {
  ASSERT_EQ(GetModuleHandleW(L"riched20.dll"), nullptr);
  PrepareProcess();
  ASSERT_TRUE(MapEditorComponent());
  for (int build = 0; build < 3; ++build) {
    ASSERT_NE(BuildMainWindow(), nullptr);
    ASSERT_NE(Main().textView, nullptr);
    // The small class icon is the module's shared one, which the system
    // frees with the module, not a copy made for the class and never freed.
    const auto small = reinterpret_cast<HICON>(GetClassLongPtrW(Main().window, GCLP_HICONSM));
    EXPECT_EQ(small, LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_VANTOREL), IMAGE_ICON, 16, 16,
                                LR_SHARED));
    TearDownMainWindow();
  }
  ReleaseProcess();
  EXPECT_EQ(GetModuleHandleW(L"riched20.dll"), nullptr) << "every build's reference was given back";
}

}  // namespace
}  // namespace vantorel
