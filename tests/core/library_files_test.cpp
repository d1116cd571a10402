// The export walk and the version reader over the libraries and malformed
// files the build writes into the test-data folder (see tests/data/README.md).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/exports.h"
#include "analysis/image_view.h"
#include "analysis/version_resource.h"

namespace vantorel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

Bytes ReadTestFile(const std::string& name) {
  std::ifstream in(std::string(VANTOREL_TESTDATA) + "/" + name, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Walks a file laid out as the loader maps it.
std::vector<ExportEntry> ExportsOf(const std::string& name) {
  auto image = LayOutImage(ReadTestFile(name));
  if (!image) return {};
  return ListExports(ImageView(*image));
}

Strings Names(const std::vector<ExportEntry>& exports) {
  Strings names;
  for (const auto& e : exports) names.push_back(e.name);
  return names;
}

class BothArchitectures : public ::testing::TestWithParam<std::string> {
 protected:
  std::vector<ExportEntry> Exports(const std::string& name) { return ExportsOf(GetParam() + name); }
};

TEST_P(BothArchitectures, ExportListsFollowTheAddressTable) {
  ASSERT_FALSE(ReadTestFile(GetParam() + "named.dll").empty()) << "test data missing";
  EXPECT_EQ(Names(Exports("named.dll")),
            (Strings{"SubtractNumbers", "AddNumbers", "GetAnswer", "MultiplyNumbers", "NegateNumber"}));

  const auto ordinalOnly = Exports("ordinal_only.dll");
  EXPECT_EQ(Names(ordinalOnly), (Strings(4, "")));
  ASSERT_EQ(ordinalOnly.size(), 4u);
  EXPECT_EQ(ordinalOnly[0].ordinal, 10u);
  EXPECT_EQ(ordinalOnly[3].ordinal, 13u);

  const auto gaps = Exports("gaps.dll");
  EXPECT_EQ(Names(gaps), (Strings{"GapOne", "", "", "", "GapFive", "", "", "", "GapNine"}));
  for (std::size_t i : {1, 2, 3, 5, 6, 7}) EXPECT_EQ(gaps[i].rva, 0u) << i;

  EXPECT_EQ(Names(Exports("aliases.dll")), (Strings{"First", "Gamma", "Last"}));
  EXPECT_EQ(Names(Exports("decorated.dll")),
            (Strings{"?Func@@YAXXZ", "?Method@Widget@@QEAAHH@Z", "@FastFunc@8", "PlainName",
                     "StdNoUnderscore@8", "_StdFunc@12"}));
  // Raw Windows-1252 bytes: the conversion belongs to the caller.
  EXPECT_EQ(Names(Exports("ansi_names.dll")), (Strings{"Gr\xF6\xDF"
                                                       "e",
                                                       "\xC4pfel", "Caf\xE9", "Preis\x80", "Plain"}));
  EXPECT_EQ(Names(Exports("version_full.dll")), (Strings{"GetAnswer"}));
  EXPECT_TRUE(Exports("resources.dll").empty()) << "no export directory";
}

TEST_P(BothArchitectures, VersionStringsByTheFirstTranslation) {
  const auto full = ReadFileVersionStrings(ReadTestFile(GetParam() + "version_full.dll"));
  const VersionStrings expected = {u"1.2.3.4",
                                   u"Library with a complete version resource",
                                   u"\u00A9 Vantorel Test Data",
                                   u"version_full",
                                   u"version_full.dll",
                                   u"Vantorel Test Libraries",
                                   u"1.2",
                                   u"Vantorel Test Data",
                                   u"Vantorel\u2122 is not a trademark",
                                   u"Special build 7",
                                   u"Private build for the tests",
                                   u"  Comments with spaces around  ",
                                   u""};
  for (std::size_t i = 0; i < kVersionKeyCount; ++i)
    EXPECT_EQ(full.values[i], expected[i])
        << std::string(VersionKeys[i].key.begin(), VersionKeys[i].key.end());
  EXPECT_EQ(full.languageId, 0x0409);

  const auto mismatch = ReadFileVersionStrings(ReadTestFile(GetParam() + "version_mismatch.dll"));
  for (const auto& v : mismatch.values) EXPECT_EQ(v, u"");
  EXPECT_EQ(mismatch.languageId, 0x0407);

  const auto utf8 = ReadFileVersionStrings(ReadTestFile(GetParam() + "version_utf8cp.dll"));
  EXPECT_EQ(utf8.values[0], u"3.1.4.1");
  EXPECT_EQ(utf8.values[1], u"Version strings under code page 65001");
  EXPECT_EQ(utf8.values[11], u"");

  EXPECT_EQ(ReadFileVersionStrings(ReadTestFile(GetParam() + "resources.dll")).values[0], u"4.0.0.0");
  const auto none = ReadFileVersionStrings(ReadTestFile(GetParam() + "named.dll"));
  EXPECT_FALSE(none.languageId);
  for (const auto& v : none.values) EXPECT_EQ(v, u"");
}

INSTANTIATE_TEST_SUITE_P(Libraries, BothArchitectures, ::testing::Values("", "x86/"),
                         [](const auto& info) { return info.param.empty() ? "x64" : "x86"; });

TEST(LibraryFiles, SixtyFiveThousandExports) {
  const auto exports = ExportsOf("many_exports.dll");
  ASSERT_EQ(exports.size(), 65535u);
  char expected[32];
  for (std::size_t i = 0; i < exports.size(); i += 4097) {
    std::snprintf(expected, sizeof expected, "Function_%05zu", i + 1);
    EXPECT_EQ(exports[i].name, expected);
  }
  EXPECT_EQ(exports.back().name, "Function_65535");
}

// The hostile export files have file offset = RVA, so both the laid-out copy
// and the raw bytes serve as image views; the answers must agree.
TEST(LibraryFiles, HostileExportDirectories) {
  const Strings control{"Alpha", "Beta", "", "Gamma"};
  const std::pair<const char*, Strings> cases[] = {
      {"exports_valid.dll", control},
      {"exports_count_zero.dll", {}},
      {"exports_name_outside_image.dll", {"Alpha", "", "", ""}},
      {"exports_name_unterminated.dll", {"Alpha", "Beta", "", ""}},
      {"exports_ordinal_out_of_range.dll", {"Alpha", "", "", "Gamma"}},
      {"exports_functions_outside.dll", {}},
      {"exports_names_outside.dll", {"", "", "", ""}},
      {"exports_dir_in_headers.dll", {}},
      {"exports_dir_past_image.dll", {}},
      {"exports_dir_straddles_end.dll", {}},
      {"exports_names_count_huge.dll", control},
  };
  for (const auto& [name, names] : cases) {
    const Bytes file = ReadTestFile(std::string("malformed/") + name);
    ASSERT_EQ(file.size(), 0x3000u) << name;
    EXPECT_EQ(Names(ListExports(ImageView(file.data(), file.size()))), names) << name;
    EXPECT_EQ(Names(ExportsOf(std::string("malformed/") + name)), names) << name;
  }

  const auto huge = ExportsOf("malformed/exports_count_huge.dll");
  EXPECT_EQ(huge.size(), (0x3000u - 0x2040u) / 4);
  EXPECT_EQ(Names(std::vector<ExportEntry>(huge.begin(), huge.begin() + 4)), control);
}

TEST(LibraryFiles, VersionBlobs) {
  const Bytes valid = ReadTestFile("malformed/version_valid.bin");
  ASSERT_EQ(valid.size(), 320u);
  EXPECT_EQ(ReadVersionString(valid, u"FileVersion"), u"1.2.3.4");
  EXPECT_EQ(ReadVersionString(valid, u"CompanyName"), u"Vantorel");

  EXPECT_EQ(ReadVersionString(ReadTestFile("malformed/version_zero_length.bin"), u"FileVersion"), u"");
  const std::u16string overrun =
      ReadVersionString(ReadTestFile("malformed/version_child_overruns.bin"), u"FileVersion");
  EXPECT_TRUE(overrun.empty() || overrun == u"1.2.3.4");
  const std::u16string company =
      ReadVersionString(ReadTestFile("malformed/version_value_length_huge.bin"), u"CompanyName");
  EXPECT_TRUE(company.empty() || company == u"Vantorel");
  EXPECT_EQ(ReadVersionString(ReadTestFile("malformed/version_truncated_key.bin"), u"CompanyName"), u"");
}

TEST(LibraryFiles, HeaderOnlyAndHostileResourceFilesGiveNoVersion) {
  for (const char* name : {"malformed/header_pe32plus.bin", "malformed/resources_loop_self.dll",
                           "malformed/resources_loop_deep.dll", "malformed/resources_count_huge.dll",
                           "malformed/resources_offset_past_end.dll", "malformed/resources_data_past_end.dll",
                           "malformed/resources_name_huge_length.dll", "malformed/empty.bin"}) {
    const Bytes file = ReadTestFile(name);
    EXPECT_FALSE(FindVersionResource(file)) << name;
    EXPECT_TRUE(ExportsOf(name).empty()) << name;
  }
}

}  // namespace
}  // namespace vantorel
