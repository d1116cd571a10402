// Every library of Wine's own folder of the edition's kind (several hundred
// files, some of which expect to be loaded by Wine alone and break the
// process's window system when their initialisers run) opened one after
// the other through the Open command of one real main window: each opens
// to its window, titled with it, its rows those of the file, without a
// message, and the window system works after the last.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/exports.h"
#include "analysis/image_view.h"
#include "analysis/library_win32.h"
#include "app/app_state_win32.h"
#include "app/main_window_win32.h"
#include "main_window_fixture.h"
#include "scripted_prompts.h"
#include "test_support.h"

namespace vantorel {
namespace {

// Shards run side by side, each with its own window, within ctest's time.
constexpr int kShards = 6;

const std::vector<std::wstring>& Libraries() {
  static const std::vector<std::wstring> files = [] {
    std::vector<std::wstring> dlls;
    // The pattern also matches by short names: "*.dll" finds avifile.dll16.
    for (auto& f : testing::FilesIn(testing::kWineLibraries, L"*.dll")) {
      if (f.size() > 4 && _wcsicmp(f.c_str() + f.size() - 4, L".dll") == 0) dlls.push_back(f);
    }
    return dlls;
  }();
  return files;
}

// The export names of the file laid out by hand, widened (Wine's are ASCII).
std::vector<std::u16string> FileExportNames(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  std::vector<std::u16string> names;
  if (const auto image = LayOutImage(bytes)) {
    for (const auto& e : ListExports(ImageView(*image))) names.emplace_back(e.name.begin(), e.name.end());
  }
  return names;
}

// The test environment switches Wine's .NET and HTML engines off
// (WINEDLLOVERRIDES "mscoree,mshtml="), and Wine then refuses every mapping
// of those two libraries, even one for reading. A ctest run of its own
// (win.sweep_engines) opens them with the engines as Wine ships them.
constexpr wchar_t kTestOverrides[] = L"mscoree,mshtml=";
bool EnginesSwitchedOff() {
  wchar_t overrides[64] = {};
  GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 64);
  return std::wstring(overrides) == kTestOverrides;
}
bool IsEngine(const std::wstring& path) {
  const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
  return _wcsicmp(name.c_str(), L"mscoree.dll") == 0 || _wcsicmp(name.c_str(), L"mshtml.dll") == 0;
}

std::wstring Title() {
  wchar_t text[1024] = {};
  GetWindowTextW(Main().window, text, 1024);
  return text;
}

// Opens the library through the Open command: it is the window's, titled
// with it, its rows those of the file, without a message.
void ExpectOpensToItsWindow(const std::wstring& path, testing::ScriptedPrompts& prompts) {
  SCOPED_TRACE(std::string(path.begin(), path.end()));
  prompts.fileAnswers.push_back(path);
  SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(CmdOpenLibrary, 0), 0);
  ASSERT_TRUE(prompts.messages.empty()) << prompts.messages.front().text;
  ASSERT_EQ(CurrentPath(), path);
  ASSERT_NE(App().LibraryHandle, nullptr);
  EXPECT_EQ(Title(), std::wstring(kEditionTraits.name.begin(), kEditionTraits.name.end()) + L" - " + path);
  std::vector<std::u16string> rows;
  for (const FunctionRow& f : App().Session.rows) rows.push_back(f.exportName);
  EXPECT_EQ(rows, FileExportNames(path));
  EXPECT_EQ(Main().functionGrid->GetRowCount(), static_cast<std::int64_t>(rows.size()));
}

class WineLibrarySweep : public testing::MainWindowFixture, public ::testing::WithParamInterface<int> {
 protected:
  testing::ScriptedPrompts prompts;
};

TEST_P(WineLibrarySweep, EachOpensToItsWindow) {
  ASSERT_GT(Libraries().size(), 500u);
  for (std::size_t i = static_cast<std::size_t>(GetParam()); i < Libraries().size(); i += kShards) {
    if (IsEngine(Libraries()[i]) && EnginesSwitchedOff()) continue;
    ExpectOpensToItsWindow(Libraries()[i], prompts);
    if (HasFatalFailure()) return;
  }
  // Still a working window system: a new window is made and answers.
  HWND probe = CreateWindowExW(0, L"STATIC", L"probe", WS_CHILD, 0, 0, 10, 10, Main().window, nullptr, nullptr, nullptr);
  ASSERT_NE(probe, nullptr);
  wchar_t text[8] = {};
  EXPECT_EQ(GetWindowTextW(probe, text, 8), 5);
  DestroyWindow(probe);
}

INSTANTIATE_TEST_SUITE_P(Shards, WineLibrarySweep, ::testing::Range(0, kShards));

class WineEngineLibraries : public testing::MainWindowFixture {
 protected:
  testing::ScriptedPrompts prompts;
};

TEST_F(WineEngineLibraries, OpenWhereWineHasThem) {
  if (EnginesSwitchedOff()) GTEST_SKIP() << "switched off here: win.sweep_engines opens them";
  int opened = 0;
  for (const std::wstring& path : Libraries()) {
    if (!IsEngine(path)) continue;
    ExpectOpensToItsWindow(path, prompts);
    ++opened;
  }
  EXPECT_EQ(opened, 2);
}

}  // namespace
}  // namespace vantorel
