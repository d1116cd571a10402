// The export walk and the version reader over the libraries and malformed
// files the build writes into the test-data folder (tests/data/README.md).
#include <gtest/gtest.h>

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

Strings NamesOf(const Bytes& image) {
  Strings names;
  for (const auto& e : ListExports(ImageView(image.data(), image.size()))) names.push_back(e.name);
  return names;
}

Strings LaidOutNames(const std::string& name) {
  auto image = LayOutImage(ReadTestFile(name));
  return image ? NamesOf(*image) : Strings{};
}

class Libraries : public ::testing::TestWithParam<std::string> {};

TEST_P(Libraries, ExportsAndVersionStrings) {
  const std::string dir = GetParam();
  ASSERT_FALSE(ReadTestFile(dir + "named.dll").empty()) << "test data missing";
  EXPECT_EQ(LaidOutNames(dir + "named.dll"),
            (Strings{"SubtractNumbers", "AddNumbers", "GetAnswer", "MultiplyNumbers", "NegateNumber"}));
  EXPECT_EQ(LaidOutNames(dir + "ordinal_only.dll"), Strings(4, ""));
  EXPECT_EQ(LaidOutNames(dir + "gaps.dll"),
            (Strings{"GapOne", "", "", "", "GapFive", "", "", "", "GapNine"}));
  EXPECT_EQ(LaidOutNames(dir + "aliases.dll"), (Strings{"First", "Gamma", "Last"}));
  EXPECT_EQ(LaidOutNames(dir + "ansi_names.dll"), (Strings{"Gr\xF6\xDF"
                                                           "e",
                                                           "\xC4pfel", "Caf\xE9", "Preis\x80", "Plain"}));

  const auto full = ReadFileVersionStrings(ReadTestFile(dir + "version_full.dll"));
  EXPECT_EQ(full.values[2], u"\u00A9 Vantorel Test Data");
  EXPECT_EQ(full.values[8], u"Vantorel\u2122 is not a trademark");
  EXPECT_EQ(full.values[11], u"  Comments with spaces around  ");
  EXPECT_EQ(full.languageId, 0x0409);
  const auto mismatch = ReadFileVersionStrings(ReadTestFile(dir + "version_mismatch.dll"));
  EXPECT_EQ(mismatch.values, VersionStrings{});
  EXPECT_EQ(mismatch.languageId, 0x0407);
  EXPECT_EQ(ReadFileVersionStrings(ReadTestFile(dir + "version_utf8cp.dll")).values[0], u"3.1.4.1");
  EXPECT_FALSE(ReadFileVersionStrings(ReadTestFile(dir + "named.dll")).languageId);
}

INSTANTIATE_TEST_SUITE_P(Built, Libraries, ::testing::Values("", "x86/"),
                         [](const auto& info) { return info.param.empty() ? "x64" : "x86"; });

// These files have file offset = RVA: the raw bytes are an image view too,
// and both walks must agree.
TEST(MalformedFiles, HostileExportDirectories) {
  const Strings control{"Alpha", "Beta", "", "Gamma"};
  const std::pair<const char*, Strings> cases[] = {
      {"exports_valid.dll", control},
      {"exports_count_zero.dll", {}},
      {"exports_names_count_huge.dll", control},
      {"exports_name_outside_image.dll", {"Alpha", "", "", ""}},
      {"exports_name_unterminated.dll", {"Alpha", "Beta", "", ""}},
      {"exports_ordinal_out_of_range.dll", {"Alpha", "", "", "Gamma"}},
      {"exports_functions_outside.dll", {}},
      {"exports_names_outside.dll", {"", "", "", ""}},
      {"exports_dir_in_headers.dll", {}},
      {"exports_dir_past_image.dll", {}},
      {"exports_dir_straddles_end.dll", {}},
  };
  for (const auto& [name, names] : cases) {
    const Bytes file = ReadTestFile(std::string("malformed/") + name);
    ASSERT_EQ(file.size(), 0x3000u) << name;
    EXPECT_EQ(NamesOf(file), names) << name;
    EXPECT_EQ(LaidOutNames(std::string("malformed/") + name), names) << name;
  }
  const Strings huge = LaidOutNames("malformed/exports_count_huge.dll");
  EXPECT_EQ(huge.size(), (0x3000u - 0x2040u) / 4);
  EXPECT_EQ(Strings(huge.begin(), huge.begin() + 4), control);
}

// The loader maps a section without read, write and execute rights
// no-access; the view marks it the same way here.
TEST(MalformedFiles, ExportTablesInNoAccessSections) {
  const std::pair<const char*, Strings> cases[] = {
      {"exports_unreadable_directory.dll", {}},
      {"exports_unreadable_name_table.dll", {"", "", "", ""}},
      {"exports_unreadable_names.dll", {"Alpha", "", "", ""}},
  };
  for (const auto& [name, names] : cases) {
    auto image = LayOutImage(ReadTestFile(std::string("malformed/") + name));
    ASSERT_TRUE(image) << name;
    EXPECT_EQ(LaidOutNames(std::string("malformed/") + name).size(), 4u) << name << ": readable, it lists all";
    ImageView view(*image);
    const auto headers = ReadPeHeaders(view);
    ASSERT_TRUE(headers) << name;
    MarkNoAccessSections(view, *headers);
    const ExportListing walk = WalkExports(view);
    Strings listed;
    for (const auto& e : walk.entries) listed.push_back(e.name);
    EXPECT_EQ(listed, names) << name;
    EXPECT_EQ(walk.fault, ExportFault::TableInNoAccessSection) << name;
  }
}

TEST(MalformedFiles, VersionBlobs) {
  const auto read = [](const char* name, std::u16string_view key) {
    return ReadVersionString(ReadTestFile(std::string("malformed/") + name), key);
  };
  EXPECT_EQ(read("version_valid.bin", u"CompanyName"), u"Vantorel");
  EXPECT_EQ(read("version_zero_length.bin", u"FileVersion"), u"");
  EXPECT_EQ(read("version_truncated_key.bin", u"CompanyName"), u"");
  // Clamped or rejected, but never read beyond the data (ASan watches).
  for (const auto& v : {read("version_child_overruns.bin", u"FileVersion"),
                       read("version_value_length_huge.bin", u"CompanyName")})
    EXPECT_TRUE(v.empty() || v == u"1.2.3.4" || v == u"Vantorel");
}

}  // namespace
}  // namespace vantorel
