// Opening libraries: the requester, the check, the mapping that runs
// nothing, the export listing from the mapped image and the version strings.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "analysis/exports.h"
#include "analysis/image_view.h"
#include "analysis/library_win32.h"
#include "analysis/version_resource.h"
#include "app/app_state_win32.h"
#include "platform/arena_new_win32.h"
#include "platform/block_arena.h"
#include "platform/text_win32.h"
#include "scripted_prompts.h"
#include "test_support.h"

namespace vantorel {
namespace {

using testing::ScriptedPrompts;

std::vector<std::uint8_t> ReadWholeFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The export names of a file laid out section by section, as raw bytes.
std::vector<std::string> FileExportNames(const std::wstring& path) {
  std::vector<std::string> names;
  const auto bytes = ReadWholeFile(path);
  const auto image = LayOutImage(bytes);
  if (!image) return names;
  for (const auto& e : ListExports(ImageView(*image))) names.push_back(e.name);
  return names;
}

std::string Narrow(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

class OpenLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t dir[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, dir);
    savedDirectory_ = dir;
  }
  void TearDown() override {
    ReleaseLibrary();
    App().Session = {};
    SetCurrentDirectoryW(savedDirectory_.c_str());
  }
  ScriptedPrompts prompts;
  std::wstring savedDirectory_;
};

TEST_F(OpenLibrary, LoadsListsAndReadsVersionStrings) {
  const std::wstring path = testing::OwnLibrary();
  EXPECT_EQ(LoadLibraryFile(path), 1);
  AppState& app = App();
  EXPECT_EQ(CurrentPath(), path);
  ASSERT_NE(app.LibraryHandle, nullptr);
  // The image base: the handle of a mapping made for reading has flags in
  // its low bits.
  EXPECT_EQ(app.ModuleBase, reinterpret_cast<std::uintptr_t>(app.LibraryHandle) & ~std::uintptr_t{3});
  EXPECT_EQ(*reinterpret_cast<const std::uint16_t*>(app.ModuleBase), 0x5A4D);
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_TRUE(prompts.requesters.empty()) << "a given path is not asked for";

  const auto names = FileExportNames(path);
  ASSERT_EQ(app.Session.rows.size(), names.size());
  ASSERT_FALSE(names.empty());
  for (std::size_t i = 0; i < names.size(); ++i) {
    const FunctionRow& f = app.Session.rows[i];
    EXPECT_EQ(Narrow(f.exportName), names[i]);
    EXPECT_EQ(f.alias, MakeAlias(f.exportName));
    EXPECT_EQ(f.parameters, u"?");
    EXPECT_EQ(f.convention, testing::FreshConvention());
    EXPECT_EQ(f.comment, u"");
    EXPECT_TRUE(f.ticked);
  }

  // The current directory follows the library's folder.
  wchar_t dir[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, dir);
  EXPECT_EQ(std::wstring(dir) + L"\\", path.substr(0, path.find_last_of(L'\\') + 1));

  // The system's version API and the portable reader agree.
  const auto portable = ReadFileVersionStrings(ReadWholeFile(path));
  for (std::size_t i = 0; i + 1 < kVersionKeyCount; ++i) {
    EXPECT_EQ(app.Session.library.versionStrings[i], TrimSpaces(portable.values[i])) << i;
  }
  EXPECT_FALSE(app.Session.library.versionStrings[kFileVersionIndex].empty());
  EXPECT_FALSE(app.Session.library.versionStrings[kLanguageIndex].empty());
}

TEST_F(OpenLibrary, CancellingTheRequesterLeavesNothingOpen) {
  LoadLibraryFile(testing::OwnLibrary());
  ASSERT_FALSE(App().Session.rows.empty());
  EXPECT_EQ(LoadLibraryFile(L""), 1);
  ASSERT_EQ(prompts.requesters.size(), 1u);
  EXPECT_FALSE(prompts.requesters[0].save);
  EXPECT_EQ(prompts.requesters[0].title, L"Load DLL");
  EXPECT_EQ(prompts.requesters[0].initialPath, L"");
  EXPECT_EQ(prompts.requesters[0].filter,
            L"DLLs (*.dll, *.ocx, *.sys, *.exe)|*.dll;*.ocx;*.sys;*.exe|All Files (*.*)|*.*");
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_TRUE(CurrentPath().empty());
  EXPECT_EQ(App().LibraryHandle, nullptr);
  EXPECT_EQ(App().ModuleBase, 0u);
  EXPECT_TRUE(App().Session.rows.empty());
}

TEST_F(OpenLibrary, ChosenLibraryOfTheOtherKindIsRefusedWithMessage) {
  prompts.fileAnswers.push_back(testing::OtherLibrary());
  LoadLibraryFile(L"");
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0].text, testing::WrongKindMessage());
  EXPECT_EQ(prompts.messages[0].caption, L"Vantorel");
  EXPECT_EQ(prompts.messages[0].style, static_cast<UINT>(MB_OK));
  EXPECT_TRUE(CurrentPath().empty());
  EXPECT_EQ(App().LibraryHandle, nullptr);
  EXPECT_TRUE(App().Session.rows.empty());
}

TEST_F(OpenLibrary, ChosenFileIsCheckedButGivenPathIsNot) {
  testing::TempFolder dir;
  const std::wstring text = dir.Write(L"notes.dll", std::vector<unsigned char>(2048, 'n'));
  prompts.fileAnswers.push_back(text);
  LoadLibraryFile(L"");
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0].text, L"Isn't a valid PE-File\ncan't load.");
  EXPECT_TRUE(CurrentPath().empty());

  // Given directly (a dropped file), the same file is not checked: the
  // loader refuses it, and the path stays with an empty list.
  LoadLibraryFile(text);
  EXPECT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(CurrentPath(), text);
  EXPECT_EQ(App().LibraryHandle, nullptr);
  EXPECT_EQ(App().ModuleBase, 0u);
  EXPECT_TRUE(App().Session.rows.empty());
}

TEST_F(OpenLibrary, RefusedLibraryStillHasItsVersionStrings) {
  // A library of the other kind given directly: the loader refuses it, but
  // its version resource is read from the file.
  const std::wstring zlib = (testing::kX86Edition ? testing::kWineLibraries64 : testing::kWineLibraries32) +
                            L"\\zlib1.dll";
  LoadLibraryFile(zlib);
  EXPECT_EQ(CurrentPath(), zlib);
  EXPECT_EQ(App().LibraryHandle, nullptr);
  EXPECT_TRUE(App().Session.rows.empty());
  EXPECT_EQ(App().Session.library.versionStrings[kFileVersionIndex], u"1.2.13");
  EXPECT_EQ(App().Session.library.versionStrings[5], u"zlib");
  EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(OpenLibrary, OpeningAnotherReleasesTheFirst) {
  // A library nothing else in this process loads: it is mapped, never
  // loaded as a module, and releasing it unmaps it.
  const std::wstring first = testing::kWineLibraries + L"\\hid.dll";
  ASSERT_EQ(GetModuleHandleW(L"hid.dll"), nullptr);
  LoadLibraryFile(first);
  ASSERT_NE(App().LibraryHandle, nullptr);
  EXPECT_EQ(GetModuleHandleW(L"hid.dll"), nullptr);
  const auto* base = reinterpret_cast<const void*>(App().ModuleBase);
  MEMORY_BASIC_INFORMATION mapping{};
  ASSERT_TRUE(VirtualQuery(base, &mapping, sizeof mapping));
  EXPECT_EQ(mapping.Type, static_cast<DWORD>(MEM_IMAGE)) << "laid out by section";
  LoadLibraryFile(testing::OwnLibrary());
  ASSERT_TRUE(VirtualQuery(base, &mapping, sizeof mapping));
  // Unmapped (Wine's 32-bit side keeps the range reserved).
  EXPECT_NE(mapping.State, static_cast<DWORD>(MEM_COMMIT));
  EXPECT_EQ(App().Session.library.path, ToU16(testing::OwnLibrary()));
}

// A large library's row texts come from a region of their own (the heap
// is slow under Wine), which goes with the rows and with nothing else:
// not with an edited row, not with a later library's rows.
TEST_F(OpenLibrary, RowTextsLiveAsLongAsTheRows) {
  const int held = block_arena::HeldRegions();
  LoadLibraryFile(testing::OwnTestData(L"many_exports.dll"));
  const FunctionRows& rows = App().Session.rows;
  ASSERT_EQ(rows.size(), 65535u);
  EXPECT_EQ(block_arena::HeldRegions(), held + 1);
  EXPECT_EQ(rows.back().exportName, u"Function_65535");
  EXPECT_EQ(rows.back().alias, u"Function_65535");
  EXPECT_EQ(rows.back().convention, testing::FreshConvention());
  App().Session.rows[7].alias = u"A longer alias than the region gave it room for";
  App().Session.rows[8].alias = u"short";
  LoadLibraryFile(testing::OwnTestData(L"few_exports.dll"));
  ASSERT_EQ(App().Session.rows.size(), 16u);
  EXPECT_EQ(block_arena::HeldRegions(), held + 1) << "the few rows' region";
  App().Session = {};
  EXPECT_EQ(block_arena::HeldRegions(), held);
  // A scope's thread takes its blocks from the region; another thread's
  // blocks are the heap's meanwhile.
  std::unique_ptr<std::u16string> made, elsewhere;
  {
    BlockArenaScope scope(1 << 16);
    made = std::make_unique<std::u16string>(u"a text of more than seven units");
    std::thread([&elsewhere] { elsewhere = std::make_unique<std::u16string>(u"a text of more than seven units"); })
        .join();
  }
  EXPECT_EQ(block_arena::HeldRegions(), held + 1) << "held by the block still out";
  made.reset();
  EXPECT_EQ(block_arena::HeldRegions(), held);
}

}  // namespace
}  // namespace vantorel
