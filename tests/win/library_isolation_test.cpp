// Opening a library reads it and never runs it. Two libraries the system
// refuses to load: one whose entry point leaves a mark (a file) and fails,
// one importing from a library that exists nowhere. Every way a user opens
// a library must list them as any other, and leave no mark.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "analysis/library_win32.h"
#include "app/app_state_win32.h"
#include "app/main_window_win32.h"
#include "app/startup_win32.h"
#include "main_window_fixture.h"
#include "scripted_prompts.h"
#include "test_support.h"

namespace vantorel {
namespace {

using testing::OwnTestData;

// Points the entry point's mark at a fresh file of a temporary folder.
class EntryMark {
 public:
  EntryMark() : file_(folder_.File(L"entry-ran")) { SetEnvironmentVariableW(kVariable, file_.c_str()); }
  ~EntryMark() { SetEnvironmentVariableW(kVariable, nullptr); }
  EntryMark(const EntryMark&) = delete;
  EntryMark& operator=(const EntryMark&) = delete;
  bool Left() const { return GetFileAttributesW(file_.c_str()) != INVALID_FILE_ATTRIBUTES; }
  const testing::TempFolder& folder() const { return folder_; }

 private:
  static constexpr wchar_t kVariable[] = L"VANTOREL_ENTRY_MARK";
  testing::TempFolder folder_;
  std::wstring file_;
};

struct RefusedLibrary {
  const wchar_t* file;
  std::vector<std::u16string> exports;
  std::u16string fileVersion;
  std::vector<std::wstring> resourceTypes;
};

const RefusedLibrary kLibraries[] = {
    {L"entry_mark.dll", {u"MarkFirst", u"MarkSecond"}, u"2.0.0.1", {L"Menu", L"Version"}},
    {L"missing_import.dll", {u"CallAbsent", u"GetAnswer"}, u"", {}},
};

// The system itself runs the entry point (which then fails) and refuses the
// import: what the tests below must not see happen.
TEST(RefusedLibraries, TheSystemLoaderRunsOrRefusesThem) {
  EntryMark mark;
  EXPECT_EQ(LoadLibraryW(OwnTestData(L"entry_mark.dll").c_str()), nullptr);
  EXPECT_TRUE(mark.Left()) << "the entry point ran";
  EXPECT_EQ(LoadLibraryW(OwnTestData(L"missing_import.dll").c_str()), nullptr);
}

std::vector<std::wstring> ResourceTypes() {
  std::vector<std::wstring> types;
  HWND tree = Main().resourceTree;
  for (HTREEITEM t = TreeView_GetRoot(tree); t; t = TreeView_GetNextSibling(tree, t)) {
    wchar_t text[64] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = t;
    item.pszText = text;
    item.cchTextMax = 64;
    TreeView_GetItem(tree, &item);
    types.push_back(text);
  }
  return types;
}

std::wstring Title() {
  wchar_t text[1024] = {};
  GetWindowTextW(Main().window, text, 1024);
  return text;
}

class OpeningRunsNothing : public testing::MainWindowFixture {
 protected:
  testing::ScriptedPrompts prompts;
};

TEST_F(OpeningRunsNothing, OpenCommandDropCommandLineAndProject) {
  const EntryMark mark;
  const std::wstring project = mark.folder().File(L"library.prj");
  const std::wstring edition(kEditionTraits.name.begin(), kEditionTraits.name.end());
  for (const RefusedLibrary& library : kLibraries) {
    const std::wstring path = OwnTestData(library.file);
    for (const std::wstring way : {L"Open command", L"drop", L"command line", L"project"}) {
      SCOPED_TRACE(std::wstring(library.file) + L" by " + way);
      ReleaseLibrary();  // a drop onto an open library would start a copy
      App().Session.library.path.clear();
      if (way == L"Open command") {
        prompts.fileAnswers.push_back(path);
        SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdOpenLibrary, 0), 0);
      } else if (way == L"drop") {
        HandleDroppedFiles({path});
      } else if (way == L"command line") {
        // Start-up: the argument, the file, then the window.
        TearDownMainWindow();
        ReadStartupArgument(L"\"Vantorel.exe\" \"" + path + L"\"");
        OpenStartupFile();
        ASSERT_NE(BuildMainWindow(), nullptr);
        // Saved for the next way: the project of this library.
        prompts.fileAnswers.push_back(project);
        SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdSave, 0), 0);
      } else {
        prompts.fileAnswers.push_back(project);
        SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdOpenProject, 0), 0);
      }
      EXPECT_FALSE(mark.Left());
      EXPECT_TRUE(prompts.messages.empty()) << prompts.messages.front().text;
      prompts.messages.clear();
      EXPECT_EQ(CurrentPath(), path);
      EXPECT_NE(App().LibraryHandle, nullptr);
      EXPECT_EQ(Title(), edition + L" - " + path);
      // The rows (from the walk, or the project's) and the walk the tips read.
      std::vector<std::u16string> rows, walked;
      for (const FunctionRow& f : App().Session.rows) rows.push_back(f.exportName);
      for (const ExportEntry& e : OpenLibraryExports().entries()) walked.emplace_back(e.name.begin(), e.name.end());
      EXPECT_EQ(rows, library.exports);
      EXPECT_EQ(walked, library.exports);
      EXPECT_EQ(Main().functionGrid->GetRowCount(), static_cast<std::int64_t>(library.exports.size()));
      EXPECT_EQ(App().Session.library.versionStrings[kFileVersionIndex], library.fileVersion);
      EXPECT_EQ(ResourceTypes(), library.resourceTypes);
    }
  }
}

// The program itself, started with the library on its command line.
TEST(OpeningRunsNothingProcess, ProgramStartedWithTheLibrary) {
  const EntryMark mark;  // the started program inherits the variable
  const std::wstring path = OwnTestData(L"entry_mark.dll");
  const auto p = testing::StartProcess(VANTOREL_EXE, L"\"" + path + L"\"");
  ASSERT_NE(p.process, nullptr);
  const std::wstring title = std::wstring(kEditionTraits.name.begin(), kEditionTraits.name.end()) + L" - " + path;
  HWND main = testing::WaitForWindow(p.processId, L"VantorelMain", title, 20000);
  EXPECT_NE(main, nullptr);
  if (main) PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(testing::WaitForExit(p.process, 20000), 0u);
  CloseHandle(p.process);
  EXPECT_FALSE(mark.Left());
}

}  // namespace
}  // namespace vantorel
