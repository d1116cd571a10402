// Saving and loading projects under Wine: the grid's live rows in the file,
// the library's identity, the moved-library question, the changed-library
// warning, and the commands, drops and start-up that reach them.
#include "app/project_win32.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "analysis/library_win32.h"
#include "analysis/version_info_win32.h"
#include "app/app_state_win32.h"
#include "app/main_window_win32.h"
#include "app/startup_win32.h"
#include "platform/text_win32.h"
#include "app/pages/function_page_win32.h"
#include "editor/editor_component_win32.h"
#include "grid_fixture.h"
#include "main_window_fixture.h"
#include "scripted_prompts.h"
#include "test_support.h"

namespace vantorel {
namespace {

using testing::RecordedMessage;
using testing::ScriptedPrompts;
using testing::TempFolder;

std::wstring Data(const std::wstring& name) { return std::wstring(VANTOREL_TESTDATA) + L"\\" + name; }

std::optional<std::string> ReadBytes(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes(GetFileSize(h, nullptr), '\0');
  DWORD got = 0;
  ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(h);
  bytes.resize(got);
  return bytes;
}

std::wstring WriteText(const TempFolder& folder, const std::wstring& name, const std::string& text) {
  return folder.Write(name, std::vector<unsigned char>(text.begin(), text.end()));
}

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

// A project as the tool writes it, for a library path and a fingerprint.
std::string ProjectFor(const std::wstring& dll, const std::wstring& sha1) {
  return "\xEF\xBB\xBF\r\n; hand-made\r\nDLL = " + Narrow(dll) + "\r\nSHA1 = " + Narrow(sha1) +
         "\r\n[1]\r\nAlias = One\r\nFunction = FirstFn\r\n[2]\r\nchecked = 0\r\nAlias = Two\r\n";
}

void ExpectMessage(const RecordedMessage& m, const std::wstring& text, UINT buttons, UINT icon) {
  EXPECT_EQ(m.text, text);
  EXPECT_EQ(m.caption, L"Vantorel");
  EXPECT_EQ(m.buttons(), buttons);
  EXPECT_EQ(m.icon(), icon);
}

void ResetState() {
  ReleaseLibrary();
  App().Session = {};
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  SetCurrentDirectoryW(temp);  // so the test folder can go
}

class ProjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent = grid_testing::MakeParent(800, 300);
    grid = GridControl::Create(parent, 0, 0, 780, 280, 20, 0x22045);
    ASSERT_TRUE(grid);
    AddFunctionGridColumns(*grid);
    library = folder.File(L"lib.dll");
    ASSERT_TRUE(CopyFileW(Data(L"named.dll").c_str(), library.c_str(), FALSE));
  }
  void TearDown() override {
    ResetState();
    grid.reset();
    DestroyWindow(parent);
  }
  // Three rows in the grid, then edits and a tick made in the grid, which
  // its callback writes into the rows.
  void FillThreeRows() {
    FunctionRows& rows = App().Session.rows;
    rows = {MakeFunctionRow(u"SubtractNumbers"), MakeFunctionRow(u"AddNumbers"), MakeFunctionRow(u"_Grow\u00DFe@8")};
    rows[2].comment = u"stale";
    FillFunctionGrid(*grid, rows);
    auto raise = [&](GridEvent event, std::int64_t column, std::int64_t row, const std::wstring& text) {
      CellEvent record;
      record.column = column;
      record.row = row;
      record.text = text;
      OnFunctionGridEvent(grid.get(), event, record, rows, nullptr);
    };
    raise(GridEvent::StripClick, -1, 1, L"");
    raise(GridEvent::EditDone, 3, 0, L"2");
    raise(GridEvent::EditDone, 5, 0, L"  indented = text");
    raise(GridEvent::EditDone, 5, 2, L"\u20AC \U0001F600");
  }

  TempFolder folder;
  ScriptedPrompts prompts;
  HWND parent = nullptr;
  std::unique_ptr<GridControl> grid;
  std::wstring library;
};

TEST_F(ProjectTest, SaveWritesTheGridRowsAndTheLibrarysIdentity) {
  FillThreeRows();
  App().Session.library.path = ToU16(library);
  const std::wstring target = folder.File(L"saved.prj");
  prompts.fileAnswers = {target};
  EXPECT_EQ(SaveProject(App().Session), SaveProjectResult::Saved);

  ASSERT_EQ(prompts.requesters.size(), 1u);
  EXPECT_TRUE(prompts.requesters[0].save);
  EXPECT_EQ(prompts.requesters[0].title, L"");
  EXPECT_EQ(prompts.requesters[0].initialPath, folder.File(L"lib.prj"));
  EXPECT_EQ(prompts.requesters[0].filter, L"Vantorel prj (*.prj)|*.prj");
  EXPECT_TRUE(prompts.messages.empty());

  const std::wstring sha1 = FileFingerprint(library);
  ASSERT_EQ(sha1.size(), 40u);
  const std::optional<std::string> bytes = ReadBytes(target);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes,
            "\xEF\xBB\xBF\r\n; Vantorel project: the library and its function table\r\n"
            "DLL = " + Narrow(library) + "\r\nSHA1 = " + Narrow(sha1) + "\r\n"
            "[1]\r\nchecked = 1\r\nAlias = SubtractNumbers\r\nFunction = SubtractNumbers\r\nPara = 2\r\n"
            "Conv = FASTCALL\r\nComment =   indented = text\r\n"
            "[2]\r\nchecked = 0\r\nAlias = AddNumbers\r\nFunction = AddNumbers\r\nPara = ?\r\n"
            "Conv = FASTCALL\r\nComment = \r\n"
            "[3]\r\nchecked = 1\r\nAlias = Growe\r\nFunction = _Grow\xC3\x9F" "e@8\r\nPara = ?\r\n"
            "Conv = FASTCALL\r\nComment = \xE2\x82\xAC \xF0\x9F\x98\x80\r\n");

  // Read back: the same rows, ticks and library; leading blanks are lost.
  ASSERT_EQ(LoadProject(target), LoadProjectResult::Loaded);
  EXPECT_TRUE(prompts.messages.empty()) << "library in place and unchanged";
  EXPECT_EQ(CurrentPath(), library);
  ASSERT_EQ(App().Session.rows.size(), 3u);
  EXPECT_TRUE(App().Session.rows[0].ticked);
  EXPECT_EQ(App().Session.rows[0].parameters, u"2");
  EXPECT_EQ(App().Session.rows[0].comment, u"indented = text");
  EXPECT_FALSE(App().Session.rows[1].ticked);
  EXPECT_EQ(App().Session.rows[2].exportName, u"_Grow\u00DFe@8");
  EXPECT_EQ(App().Session.rows[2].comment, u"\u20AC \U0001F600");
  EXPECT_NE(App().LibraryHandle, nullptr);
  EXPECT_EQ(App().ModuleBase, reinterpret_cast<std::uintptr_t>(App().LibraryHandle) & ~std::uintptr_t{3});
  EXPECT_EQ(App().Session.library.path, ToU16(library));
  wchar_t cwd[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, cwd);
  EXPECT_EQ(std::wstring(cwd), folder.path());
}

TEST_F(ProjectTest, SaveRetriesWhereNothingCanBeCreatedAndWithoutRows) {
  App().Session.library.path = ToU16(folder.File(L"noext"));
  prompts.fileAnswers = {folder.File(L"missing\\a.prj"), folder.File(L"missing\\b.prj")};
  prompts.messageAnswers = {IDYES, IDNO};
  EXPECT_EQ(SaveProject(App().Session), SaveProjectResult::Cancelled);
  ASSERT_EQ(prompts.requesters.size(), 2u);
  EXPECT_EQ(prompts.requesters[0].initialPath, folder.File(L"noext.prj"));
  ASSERT_EQ(prompts.messages.size(), 2u);
  ExpectMessage(prompts.messages[0], L"Can't save in this directory,\nselect another one?", MB_YESNO, MB_ICONQUESTION);

  // No rows, and a library that cannot be read: its fingerprint is empty.
  const std::wstring target = folder.File(L"empty.prj");
  prompts.fileAnswers = {target};
  EXPECT_EQ(SaveProject(App().Session), SaveProjectResult::Saved);
  EXPECT_EQ(ReadBytes(target), "\xEF\xBB\xBF\r\n; Vantorel project: the library and its function table\r\nDLL = " +
                                   Narrow(folder.File(L"noext")) + "\r\nSHA1 = \r\n");
  EXPECT_EQ(SaveProject(App().Session), SaveProjectResult::Cancelled) << "cancelled requester";
}

TEST_F(ProjectTest, LoadReleasesThePreviousLibraryEvenWhenNothingIsChosen) {
  LoadLibraryFile(Data(L"version_full.dll"));
  ASSERT_NE(App().LibraryHandle, nullptr);
  ASSERT_FALSE(App().Session.rows.empty());
  EXPECT_EQ(LoadProject(L""), LoadProjectResult::NoFile);
  ASSERT_EQ(prompts.requesters.size(), 1u);
  EXPECT_FALSE(prompts.requesters[0].save);
  EXPECT_EQ(prompts.requesters[0].title, L"");
  EXPECT_EQ(prompts.requesters[0].initialPath, L"");
  EXPECT_EQ(prompts.requesters[0].filter, L"Vantorel prj (*.prj)|*.prj");
  EXPECT_EQ(App().LibraryHandle, nullptr);
  EXPECT_EQ(GetModuleHandleW(Data(L"version_full.dll").c_str()), nullptr) << "freed";
  EXPECT_EQ(App().ModuleBase, 0u);
  EXPECT_TRUE(CurrentPath().empty());
  EXPECT_TRUE(App().Session.rows.empty());
  EXPECT_TRUE(App().Session.library.versionStrings[0].empty());

  EXPECT_EQ(LoadProject(folder.File(L"nothing here.prj")), LoadProjectResult::NoFile);
  EXPECT_EQ(LoadProject(folder.path()), LoadProjectResult::NoFile) << "a folder";
  EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ProjectTest, LoadReadsVersionStringsAndOpensWithoutChecks) {
  const std::wstring full = Data(L"version_full.dll");
  ASSERT_EQ(LoadProject(WriteText(folder, L"v.prj", ProjectFor(full, FileFingerprint(full)))),
            LoadProjectResult::Loaded);
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_EQ(App().Session.library.versionStrings[0], u"1.2.3.4");
  EXPECT_EQ(App().Session.library.versionStrings[11], u"Comments with spaces around");
  ASSERT_EQ(App().Session.rows.size(), 2u) << "rows from the file, not the exports";
  EXPECT_EQ(App().Session.rows[0].exportName, u"FirstFn");
  EXPECT_TRUE(App().Session.rows[0].ticked) << "no checked key: ticked";
  EXPECT_FALSE(App().Session.rows[1].ticked);

  // A 32-bit library passes no PE check here: the loader refuses it, the rows stay.
  const std::wstring x86 = Data(L"x86\\named.dll");
  ASSERT_EQ(LoadProject(WriteText(folder, L"x86.prj", ProjectFor(x86, FileFingerprint(x86)))),
            LoadProjectResult::Loaded);
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_EQ(CurrentPath(), x86);
  EXPECT_EQ(App().LibraryHandle, nullptr);
  EXPECT_EQ(App().ModuleBase, 0u);
  EXPECT_EQ(App().Session.rows.size(), 2u);
}

TEST_F(ProjectTest, ChangedLibraryWarnsAndLoadsAnyway) {
  std::wstring upper = FileFingerprint(library);
  for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
  ASSERT_EQ(LoadProject(WriteText(folder, L"p.prj", ProjectFor(library, upper))), LoadProjectResult::Loaded);
  ASSERT_EQ(prompts.messages.size(), 1u) << "letter case counts";
  ExpectMessage(prompts.messages[0], L"Warning: lib.dll\nwas changed!", MB_OK, MB_ICONEXCLAMATION);
  EXPECT_EQ(App().Session.rows.size(), 2u);
  EXPECT_NE(App().LibraryHandle, nullptr);
}

TEST_F(ProjectTest, MovedLibraryNoKeepsThePathYesAsksForANewOne) {
  const std::wstring sha1 = FileFingerprint(library);
  const std::wstring gone = folder.File(L"gone.dll");
  const std::wstring project = WriteText(folder, L"p.prj", ProjectFor(gone, sha1));
  const std::wstring moved = gone + L"\nwas moved or deleted.\nload from other location?";

  prompts.messageAnswers = {IDNO};
  ASSERT_EQ(LoadProject(project), LoadProjectResult::Loaded);
  ASSERT_EQ(prompts.messages.size(), 2u);
  ExpectMessage(prompts.messages[0], moved, MB_YESNO, MB_ICONQUESTION);
  ExpectMessage(prompts.messages[1], L"Warning: gone.dll\nwas changed!", MB_OK, MB_ICONEXCLAMATION);
  EXPECT_TRUE(prompts.requesters.empty());
  EXPECT_EQ(CurrentPath(), gone);
  EXPECT_EQ(App().Session.rows.size(), 2u);
  EXPECT_EQ(App().LibraryHandle, nullptr);
  EXPECT_TRUE(App().Session.library.versionStrings[12].empty());

  // Yes: the library chosen anew, which matches the stored fingerprint.
  prompts.messages.clear();
  prompts.fileAnswers = {library};
  ASSERT_EQ(LoadProject(project), LoadProjectResult::Loaded);
  ASSERT_EQ(prompts.messages.size(), 1u);
  ASSERT_EQ(prompts.requesters.size(), 1u);
  EXPECT_EQ(prompts.requesters[0].title, L"Load DLL");
  EXPECT_EQ(prompts.requesters[0].initialPath, L"");
  EXPECT_EQ(prompts.requesters[0].filter,
            L"DLLs (*.dll, *.ocx, *.sys, *.exe)|*.dll;*.ocx;*.sys;*.exe|All Files (*.*)|*.*");
  EXPECT_EQ(CurrentPath(), library);
  EXPECT_NE(App().LibraryHandle, nullptr);
  EXPECT_EQ(App().Session.rows.size(), 2u);

  // Yes, then cancelled: no library and no rows.
  ASSERT_EQ(LoadProject(project), LoadProjectResult::NoLibrary);
  EXPECT_TRUE(CurrentPath().empty());
  EXPECT_TRUE(App().Session.rows.empty());
  EXPECT_EQ(App().LibraryHandle, nullptr);
}

TEST_F(ProjectTest, EmptyPathsFoldersAndEmptyFilesCountAsMoved) {
  prompts.messageAnswers = {IDNO};
  EXPECT_EQ(LoadProject(WriteText(folder, L"a.prj", ProjectFor(L"", L""))), LoadProjectResult::NoLibrary);
  ASSERT_EQ(prompts.messages.size(), 1u);
  ExpectMessage(prompts.messages[0], L"\nwas moved or deleted.\nload from other location?", MB_YESNO, MB_ICONQUESTION);
  EXPECT_TRUE(App().Session.rows.empty());

  const std::wstring empty = WriteText(folder, L"empty.dll", "");
  for (const std::wstring& dll : {folder.path(), empty}) {
    prompts.messages.clear();
    prompts.messageAnswers = {IDNO};
    // The stored fingerprint is empty, which is what an unreadable file gives.
    EXPECT_EQ(LoadProject(WriteText(folder, L"b.prj", ProjectFor(dll, L""))), LoadProjectResult::Loaded);
    ASSERT_GE(prompts.messages.size(), 1u) << Narrow(dll);
    EXPECT_EQ(prompts.messages[0].text, dll + L"\nwas moved or deleted.\nload from other location?");
  }
}

// A relative path in a project would be looked up along the loader's search
// path, perhaps finding another file than the one checked: it is made full.
TEST_F(ProjectTest, RelativeLibraryPathIsMadeFull) {
  ASSERT_TRUE(SetCurrentDirectoryW(folder.path().c_str()));
  ASSERT_EQ(LoadProject(WriteText(folder, L"r.prj", ProjectFor(L"lib.dll", FileFingerprint(library)))),
            LoadProjectResult::Loaded);
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_EQ(CurrentPath(), library);
}

TEST_F(ProjectTest, OversizedFileIsRefusedWithAMessage) {
  const std::wstring big = folder.File(L"big.prj");
  HANDLE h = CreateFileW(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size;
  size.QuadPart = (64ll << 20) + 1;
  SetFilePointerEx(h, size, nullptr, FILE_BEGIN);
  SetEndOfFile(h);
  CloseHandle(h);
  EXPECT_EQ(LoadProject(big), LoadProjectResult::Refused);
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0].buttons(), static_cast<UINT>(MB_OK));
  EXPECT_NE(prompts.messages[0].text.find(big), std::wstring::npos);
  EXPECT_TRUE(App().Session.rows.empty());
}

// The commands, drops and start-up that reach the project file.
class ProjectMainWindow : public testing::MainWindowFixture {
 protected:
  void TearDown() override {
    MainWindowFixture::TearDown();
    ResetState();
  }
  void Command(int id) { SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

  TempFolder folder;
  ScriptedPrompts prompts;
};

TEST_F(ProjectMainWindow, OpenProjectThenSaveFromTheFunctionsTab) {
  const std::wstring lib = Data(L"version_full.dll");
  prompts.fileAnswers = {WriteText(folder, L"p.prj", ProjectFor(lib, FileFingerprint(lib)))};
  Command(CmdOpenProject);
  EXPECT_TRUE(prompts.messages.empty());
  ASSERT_EQ(Main().functionGrid->GetRowCount(), 2);
  EXPECT_EQ(Main().functionGrid->GetCellText(1, 1), L"Two");
  EXPECT_EQ(Main().functionGrid->GetRowState(1) & 0xFF, static_cast<std::uint64_t>(kUnticked));

  const std::wstring target = folder.File(L"again.prj");
  prompts.fileAnswers = {target};
  Command(CmdSave);
  ASSERT_EQ(prompts.requesters.size(), 2u);
  EXPECT_EQ(prompts.requesters[1].initialPath, Data(L"version_full.prj"));
  const std::optional<std::string> saved = ReadBytes(target);
  ASSERT_TRUE(saved);
  EXPECT_NE(saved->find("[2]\r\nchecked = 0\r\nAlias = Two\r\n"), std::string::npos);
}

TEST_F(ProjectMainWindow, LoadEmptiesTheResourceTreeEvenWhenCancelled) {
  TVINSERTSTRUCTW item{};
  item.hInsertAfter = TVI_LAST;
  item.item.mask = TVIF_TEXT;
  item.item.pszText = const_cast<wchar_t*>(L"stale");
  ASSERT_NE(TreeView_InsertItem(Main().resourceTree, &item), nullptr);
  EXPECT_EQ(LoadProject(L""), LoadProjectResult::NoFile);
  EXPECT_EQ(TreeView_GetCount(Main().resourceTree), 0u);
}

TEST_F(ProjectMainWindow, DroppedProjectAndStartupArgumentAreLoaded) {
  const std::wstring lib = Data(L"named.dll");
  const std::wstring project = WriteText(folder, L"Drop.PRJ", ProjectFor(lib, FileFingerprint(lib)));
  HandleDroppedFiles({project});
  EXPECT_EQ(CurrentPath(), lib);
  EXPECT_EQ(Main().functionGrid->GetRowCount(), 2);
  EXPECT_TRUE(prompts.messages.empty());

  ResetState();
  App().Session.library.path = ToU16(project);
  OpenStartupFile();
  EXPECT_EQ(CurrentPath(), lib);
  EXPECT_EQ(App().Session.rows.size(), 2u);
}

}  // namespace
}  // namespace vantorel
