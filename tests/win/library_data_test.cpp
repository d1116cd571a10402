// Opening the project's own test libraries: export tables and version
// resources made to exercise one rule each.
#include <gtest/gtest.h>

#include <vector>

#include "analysis/library_win32.h"
#include "analysis/version_info.h"
#include "analysis/version_info_win32.h"
#include "app/app_state_win32.h"
#include "scripted_prompts.h"
#include "test_support.h"

namespace vantorel {
namespace {

using testing::OtherTestData;
using testing::OwnTestData;
std::wstring Data(const std::wstring& name) { return std::wstring(VANTOREL_TESTDATA) + L"\\" + name; }

class OpenTestLibrary : public ::testing::Test {
 protected:
  void TearDown() override {
    ReleaseLibrary();
    App().Session = {};
  }
  std::vector<std::u16string> Names() const {
    std::vector<std::u16string> names;
    for (const auto& f : App().Session.rows) names.push_back(f.exportName);
    return names;
  }
  const VersionStrings& Strings() const { return App().Session.library.versionStrings; }
  testing::ScriptedPrompts prompts;
};

TEST_F(OpenTestLibrary, RowsFollowTheAddressTable) {
  LoadLibraryFile(OwnTestData(L"named.dll"));
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"SubtractNumbers", u"AddNumbers", u"GetAnswer",
                                                  u"MultiplyNumbers", u"NegateNumber"}));
}

TEST_F(OpenTestLibrary, OrdinalOnlyExportsAreUnnamedTickedRows) {
  LoadLibraryFile(OwnTestData(L"ordinal_only.dll"));
  ASSERT_EQ(App().Session.rows.size(), 4u);
  for (const auto& f : App().Session.rows) {
    EXPECT_EQ(f.exportName, u"");
    EXPECT_EQ(f.alias, u"");
    EXPECT_EQ(f.parameters, u"?");
    EXPECT_EQ(f.convention, testing::FreshConvention());
    EXPECT_TRUE(f.ticked);
  }
}

TEST_F(OpenTestLibrary, EmptySlotsBecomeUnnamedRows) {
  LoadLibraryFile(OwnTestData(L"gaps.dll"));
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"GapOne", u"", u"", u"", u"GapFive", u"", u"", u"", u"GapNine"}));
}

TEST_F(OpenTestLibrary, SeveralNamesForOneSlotListTheLast) {
  LoadLibraryFile(OwnTestData(L"aliases.dll"));
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"First", u"Gamma", u"Last"}));
}

TEST_F(OpenTestLibrary, DecoratedNamesGetCleanAliases) {
  LoadLibraryFile(OwnTestData(L"decorated.dll"));
  ASSERT_EQ(App().Session.rows.size(), 6u);
  std::vector<std::u16string> aliases;
  for (const auto& f : App().Session.rows) aliases.push_back(f.alias);
  // As many leading characters go as the name has "@": only the stdcall form
  // with its underscore comes out whole.
  EXPECT_EQ(aliases, (std::vector<std::u16string>{u"unc", u"hodWidgetQEAAHH", u"stFunc", u"PlainName",
                                                    u"tdNoUnderscore", u"StdFunc"}));
  // The x86 edition reads the stdcall decoration: _StdFunc@12 pushes 12 bytes.
  std::vector<std::u16string> paras;
  for (const auto& f : App().Session.rows) paras.push_back(f.parameters);
  const std::u16string last = testing::kX86Edition ? u"3" : u"?";
  EXPECT_EQ(paras, (std::vector<std::u16string>{u"?", u"?", u"?", u"?", u"?", last}));
}

TEST_F(OpenTestLibrary, NamesAreReadInTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), 1252u) << "the expectations below are Windows-1252";
  LoadLibraryFile(OwnTestData(L"ansi_names.dll"));
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"Gr\u00F6\u00DFe", u"\u00C4pfel", u"Caf\u00E9",
                                                  u"Preis\u20AC", u"Plain"}));
  EXPECT_EQ(App().Session.rows[0].alias, u"Gre") << "letters outside A-Z are dropped";
}

TEST_F(OpenTestLibrary, FullVersionResourceTrimmedInKeyOrder) {
  LoadLibraryFile(OwnTestData(L"version_full.dll"));
  EXPECT_EQ(Strings()[0], u"1.2.3.4");
  EXPECT_EQ(Strings()[1], u"Library with a complete version resource");
  EXPECT_EQ(Strings()[2], u"\u00A9 Vantorel Test Data");
  EXPECT_EQ(Strings()[7], u"Vantorel Test Data");
  EXPECT_EQ(Strings()[8], u"Vantorel\u2122 is not a trademark");
  EXPECT_EQ(Strings()[11], u"Comments with spaces around");
  EXPECT_EQ(Strings()[kLanguageIndex], u"English");
  // GetVersionString itself does not trim.
  EXPECT_EQ(GetVersionString(OwnTestData(L"version_full.dll"), L"Comments"), L"  Comments with spaces around  ");
}

TEST_F(OpenTestLibrary, FirstTranslationWithoutStringsGivesEmptyStrings) {
  LoadLibraryFile(OwnTestData(L"version_mismatch.dll"));
  for (std::size_t i = 0; i < kLanguageIndex; ++i) EXPECT_EQ(Strings()[i], u"") << i;
  EXPECT_EQ(Strings()[kLanguageIndex], u"German");
}

TEST_F(OpenTestLibrary, CodePageFde9IsFormattedUnsigned) {
  LoadLibraryFile(OwnTestData(L"version_utf8cp.dll"));
  EXPECT_EQ(Strings()[0], u"3.1.4.1");
  EXPECT_EQ(Strings()[1], u"Version strings under code page 65001");
  EXPECT_EQ(Strings()[11], u"");
}

TEST_F(OpenTestLibrary, NoVersionResourceGivesThirteenEmptyStrings) {
  App().Session.library.versionStrings[0] = u"left over";
  LoadLibraryFile(OwnTestData(L"named.dll"));
  for (const auto& s : Strings()) EXPECT_EQ(s, u"");
}

TEST_F(OpenTestLibrary, DroppedLibraryOfTheOtherKindKeepsPathAndVersions) {
  const std::wstring lib = OtherTestData(L"version_full.dll");
  LoadLibraryFile(lib);
  EXPECT_EQ(CurrentPath(), lib);
  EXPECT_EQ(App().LibraryHandle, nullptr);
  EXPECT_TRUE(App().Session.rows.empty());
  EXPECT_EQ(Strings()[0], u"1.2.3.4");
}

TEST(FileFingerprintWin, EdgeCases) {
  testing::TempFolder dir;
  EXPECT_EQ(FileFingerprint(dir.Write(L"empty", {})), L"da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(FileFingerprint(dir.Write(L"abc", {'a', 'b', 'c'})), L"a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(FileFingerprint(dir.path()), L"");
  EXPECT_EQ(FileFingerprint(dir.File(L"missing")), L"");
  EXPECT_EQ(CurrentFileSize(dir.File(L"missing")), -1);
  EXPECT_EQ(CurrentFileSize(dir.File(L"abc")), 3);
}

}  // namespace
}  // namespace vantorel

namespace vantorel {
namespace {

// Hostile export tables in libraries the system loader accepts: opening
// them lists what is sound and never reads outside the image.
TEST_F(OpenTestLibrary, MalformedLibrariesOpenWithoutHarm) {
  const auto files = testing::FilesIn(Data(L"malformed"), L"exports_*.dll");
  ASSERT_GE(files.size(), 10u);
  for (const auto& path : files) {
    LoadLibraryFile(path);
    EXPECT_EQ(CurrentPath(), path);
    EXPECT_LE(App().Session.rows.size(), 65536u) << std::string(path.begin(), path.end());
  }
  // The hostile files are 64-bit images: the x86 edition's loader refuses
  // them all, which the loop above has shown to be harmless.
  if (testing::kX86Edition) return;
  LoadLibraryFile(Data(L"malformed\\exports_valid.dll"));
  ASSERT_NE(App().LibraryHandle, nullptr) << "the control library loads";
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"Alpha", u"Beta", u"", u"Gamma"}));
  LoadLibraryFile(Data(L"malformed\\exports_dir_in_headers.dll"));
  if (App().LibraryHandle) {
    EXPECT_TRUE(App().Session.rows.empty()) << "a directory outside every section lists nothing";
  }

  // Tables in a section the loader maps no-access: a read there faults, so
  // the walk must go around them.
  const std::pair<const wchar_t*, std::vector<std::u16string>> noAccess[] = {
      {L"exports_unreadable_directory.dll", {}},
      {L"exports_unreadable_name_table.dll", {u"", u"", u"", u""}},
      {L"exports_unreadable_names.dll", {u"Alpha", u"", u"", u""}},
  };
  for (const auto& [file, names] : noAccess) {
    LoadLibraryFile(Data(std::wstring(L"malformed\\") + file));
    ASSERT_NE(App().LibraryHandle, nullptr) << std::string(file, file + wcslen(file));
    EXPECT_EQ(Names(), names) << std::string(file, file + wcslen(file));
  }
}

}  // namespace
}  // namespace vantorel
