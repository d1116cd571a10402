#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <string>

#include "analysis/library_win32.h"
#include "app/app_state_win32.h"
#include "app/main_window_win32.h"
#include "app/startup_win32.h"
#include "editor/editor_component_win32.h"
#include "scripted_prompts.h"
#include "test_support.h"

namespace vantorel {
namespace {

using testing::ScriptedPrompts;
using testing::TempFolder;

const std::wstring kProgram = L"\"C:\\Program Files\\Vantorel\\Vantorel.exe\"";

class StartupArgument : public ::testing::Test {
 protected:
  void TearDown() override { App().Session.library.path.clear(); }
  // Runs the argument steps of start-up on a command line after the program.
  void Start(const std::wstring& arguments) { ReadStartupArgument(kProgram + L" " + arguments); }
  ScriptedPrompts prompts;
};

TEST_F(StartupArgument, NoArgumentLeavesNothingOpenAndSaysNothing) {
  ReadStartupArgument(kProgram);
  EXPECT_TRUE(CurrentPath().empty());
  ReadStartupArgument(kProgram + L"   ");
  EXPECT_TRUE(CurrentPath().empty());
  EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(StartupArgument, ProjectExtensionInAnyCaseIsNotChecked) {
  Start(L"C:\\x\\Lib.PRJ");
  EXPECT_EQ(CurrentPath(), L"C:\\x\\Lib.PRJ");
  EXPECT_TRUE(prompts.messages.empty()) << "a project is not a library: no PE check";
}

TEST_F(StartupArgument, DotInFolderNameIsNoExtension) {
  TempFolder dir;
  const std::wstring folder = dir.File(L"dir.old");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring lib = folder + L"\\lib";
  ASSERT_TRUE(CopyFileW(testing::OwnLibrary().c_str(), lib.c_str(), FALSE));
  Start(lib);
  EXPECT_EQ(CurrentPath(), lib);
  EXPECT_TRUE(prompts.messages.empty());
  // The same name that is not a library is checked, not taken for a project.
  const std::wstring text = folder + L"\\prj";
  dir.Write(L"dir.old\\prj", std::vector<unsigned char>(600, 'x'));
  Start(text);
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0].text, L"Isn't a valid PE-File\ncan't load.");
  EXPECT_TRUE(CurrentPath().empty());
}

TEST_F(StartupArgument, LibraryOfTheOtherKindNamesTheOtherEdition) {
  Start(L"\"" + testing::OtherLibrary() + L"\"");
  ASSERT_EQ(prompts.messages.size(), 1u);
  const auto& m = prompts.messages[0];
  EXPECT_EQ(m.text, testing::WrongKindMessage());
  EXPECT_EQ(m.caption, L"Vantorel");
  EXPECT_EQ(m.buttons(), static_cast<UINT>(MB_OK));
  EXPECT_EQ(m.icon(), 0u);
  EXPECT_EQ(m.owner, nullptr) << "no window is active at start-up";
  EXPECT_TRUE(CurrentPath().empty());
}

TEST_F(StartupArgument, OnlyTheFirstOfTwoArgumentsCounts) {
  Start(testing::OwnLibrary() + L" " + testing::OtherLibrary());
  EXPECT_EQ(CurrentPath(), testing::OwnLibrary());
  EXPECT_TRUE(prompts.messages.empty()) << "the second argument, of the other kind, must be ignored";
}

TEST_F(StartupArgument, QuotedPathWithBlanksIsOnePath) {
  TempFolder dir;
  ASSERT_TRUE(CreateDirectoryW(dir.File(L"My Libs").c_str(), nullptr));
  const std::wstring lib = dir.File(L"My Libs\\a.dll");
  ASSERT_TRUE(CopyFileW(testing::OwnLibrary().c_str(), lib.c_str(), FALSE));
  Start(L"\"" + lib + L"\" ignored");
  EXPECT_EQ(CurrentPath(), lib);
  EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(StartupArgument, MissingFileIsReportedAsLocked) {
  TempFolder dir;
  Start(dir.File(L"nothing.dll"));
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0].text, L"File is locked\ncan't load.");
  EXPECT_EQ(prompts.messages[0].caption, L"Vantorel");
  EXPECT_EQ(prompts.messages[0].style, static_cast<UINT>(MB_OK));
  EXPECT_TRUE(CurrentPath().empty());
}

TEST_F(StartupArgument, NotAPeFileHasItsOwnMessage) {
  TempFolder dir;
  Start(dir.Write(L"text.dll", std::vector<unsigned char>(4096, 'A')));
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0].text, L"Isn't a valid PE-File\ncan't load.");
  EXPECT_TRUE(CurrentPath().empty());
}

// Opening a library moves the current directory, and the loader finds a
// bare name along its own search path: the argument names the file in the
// current directory at start-up, whatever happens after.
TEST_F(StartupArgument, RelativePathsNameFilesInTheCurrentDirectory) {
  TempFolder folder;
  ASSERT_TRUE(CreateDirectoryW(folder.File(L"sub").c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(testing::OwnTestData(L"named.dll").c_str(), folder.File(L"sub\\a.dll").c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(testing::OwnTestData(L"gaps.dll").c_str(), folder.File(L"bare.dll").c_str(), FALSE));
  wchar_t saved[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, saved);
  const struct {
    const wchar_t* argument;
    std::wstring file;
    std::u16string firstExport;
  } cases[] = {
      {L"sub\\a.dll", folder.File(L"sub\\a.dll"), u"SubtractNumbers"},
      {L"bare.dll", folder.File(L"bare.dll"), u"GapOne"},
      {L"\"sub\\..\\bare.dll\"", folder.File(L"bare.dll"), u"GapOne"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(SetCurrentDirectoryW(folder.path().c_str()));
    Start(c.argument);
    EXPECT_EQ(CurrentPath(), c.file);
    OpenStartupFile();
    // The mapped file, named by the system with its own device prefix.
    wchar_t mapped[MAX_PATH] = {};
    const DWORD length = K32GetMappedFileNameW(GetCurrentProcess(), reinterpret_cast<void*>(App().ModuleBase),
                                               mapped, MAX_PATH);
    const std::wstring withoutDrive = c.file.substr(2);
    ASSERT_GE(length, withoutDrive.size());
    EXPECT_EQ(_wcsicmp(mapped + length - withoutDrive.size(), withoutDrive.c_str()), 0)
        << std::string(c.file.begin(), c.file.end());
    ASSERT_FALSE(App().Session.rows.empty());
    EXPECT_EQ(App().Session.rows[0].exportName, c.firstExport);
    ReleaseLibrary();
  }
  SetCurrentDirectoryW(saved);
  EXPECT_TRUE(prompts.messages.empty());
  App().Session.rows.clear();
  App().Session.library = {};
}

TEST(Startup, PrepareLoadsIconsAndReleaseFreesThem) {
  PrepareProcess();
  for (const auto& icon : App().CommandIcons) {
    ASSERT_NE(icon.get(), nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.get(), &info));
    BITMAP bm{};
    GetObjectW(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 16);
    EXPECT_EQ(bm.bmHeight, 16);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
  for (const auto& icon : App().ShellIcons) EXPECT_NE(icon.get(), nullptr);
  ReleaseProcess();
  for (const auto& icon : App().CommandIcons) EXPECT_EQ(icon.get(), nullptr);
  for (const auto& icon : App().ShellIcons) EXPECT_EQ(icon.get(), nullptr);
}

bool shownFirst, completeAtFirstEvent, timedOut;

// A guard: a loop that never ends fails instead of hanging.
void CALLBACK EndLoopAfterWaiting(HWND, UINT, UINT_PTR, DWORD) {
  timedOut = true;
  PostQuitMessage(0);
}

// A timer's event comes when nothing else waits: the loop's first.
void CALLBACK CheckAtFirstEvent(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  completeAtFirstEvent = Main().editor && Main().resourceTree && Main().hexGrid && Main().textView;
  PostMessageW(Main().window, WM_CLOSE, 0, 0);
}

// The window shows before its hidden pages are built, and they are complete
// before the loop handles its first event; a close waiting by then (the
// window was visible) still ends the loop.
TEST(Startup, HiddenPagesAreCompleteBeforeTheFirstEvent) {
  PrepareProcess();
  ASSERT_TRUE(MapEditorComponent());
  shownFirst = completeAtFirstEvent = timedOut = false;
  for (const bool closeWaits : {false, true}) {
    const UINT_PTR guard = SetTimer(nullptr, 0, 20000, EndLoopAfterWaiting);
    const auto hiddenParts = closeWaits ? +[] { PostMessageW(Main().window, WM_CLOSE, 0, 0); } : +[] {
      shownFirst = IsWindowVisible(Main().window) && Main().functionGrid && !Main().editor && !Main().resourceTree;
      SetTimer(nullptr, 0, 0, CheckAtFirstEvent);
    };
    RunMainWindow(hiddenParts);
    KillTimer(nullptr, guard);
    EXPECT_FALSE(timedOut) << (closeWaits ? "a close waiting was lost" : "the loop did not end");
    EXPECT_EQ(Main().window, nullptr);
  }
  EXPECT_TRUE(shownFirst);
  EXPECT_TRUE(completeAtFirstEvent);
  ReleaseProcess();
}

}  // namespace
}  // namespace vantorel
