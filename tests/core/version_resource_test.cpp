#include "analysis/version_resource.h"

#include <gtest/gtest.h>

#include "pe_builder.h"

namespace vantorel {
namespace {

using testing::BuildVersionInfo;
using testing::Bytes;
using testing::StringTableSpec;

const StringTableSpec kEnglishStrings{u"040904B0",
                                      {{u"FileVersion", u"1.2.3.4"},
                                       {u"FileDescription", u"Test library"},
                                       {u"CompanyName", u"  Spaced Inc.  "},
                                       {u"ProductName", u"Vantorel Test"}}};

std::u16string Read(const Bytes& info, std::u16string_view key) { return ReadVersionString(info, key); }

TEST(VersionResource, FirstTranslationSelectsTheStringTable) {
  // A second translation that would find the strings is never consulted.
  const Bytes info = BuildVersionInfo({{0x0409, 0x04B0}, {0x0407, 0x04E4}},
                                      {kEnglishStrings, {u"040704E4", {{u"FileVersion", u"de"}}}});
  auto translation = ReadFirstTranslation(info);
  ASSERT_TRUE(translation);
  EXPECT_EQ(translation->language, 0x0409);
  EXPECT_EQ(translation->codePage, 0x04B0);
  EXPECT_EQ(Read(info, u"FileVersion"), u"1.2.3.4");
  EXPECT_EQ(Read(info, u"CompanyName"), u"  Spaced Inc.  ") << "trimming is the caller's";
  EXPECT_EQ(Read(info, u"LegalTrademarks"), u"");
  EXPECT_EQ(Read(info, u"Language"), u"") << "the caller names the language";
}

TEST(VersionResource, GermanTranslationWithEnglishStringsFindsNothing) {
  const Bytes info = BuildVersionInfo({{0x0407, 0x04E4}}, {kEnglishStrings});
  for (const auto& key : VersionKeys)
    EXPECT_EQ(Read(info, key.key), u"") << std::string(key.key.begin(), key.key.end());
  EXPECT_EQ(ReadFirstTranslation(info)->language, 0x0407);
}

TEST(VersionResource, CodePagesAreUnsignedUpperCaseHex) {
  EXPECT_EQ(StringFileInfoPath({0x0409, 0xFDE9}, u"FileVersion"), u"\\StringFileInfo\\0409FDE9\\FileVersion");
  EXPECT_EQ(StringFileInfoPath({0x0c0a, 0x0000}, u"X"), u"\\StringFileInfo\\0C0A0000\\X");
  const Bytes info = BuildVersionInfo({{0x0409, 0xFDE9}}, {{u"0409FDE9", {{u"ProductName", u"utf8 build"}}}});
  EXPECT_EQ(Read(info, u"ProductName"), u"utf8 build");
}

TEST(VersionResource, WithoutTranslationTableEverythingIsEmpty) {
  const Bytes info = BuildVersionInfo({}, {kEnglishStrings});
  EXPECT_FALSE(ReadFirstTranslation(info));
  EXPECT_EQ(Read(info, u"FileVersion"), u"");
  // The strings are still there for a direct query.
  EXPECT_EQ(QueryVersionString(info, u"\\StringFileInfo\\040904B0\\FileVersion"), u"1.2.3.4");
}

TEST(VersionResource, QueriesFollowTheSystemsPathRules) {
  // Keys compare without regard to case and empty path components are skipped.
  const Bytes info =
      BuildVersionInfo({{0x0409, 0x04B0}}, {{u"040904b0", {{u"FileVersion", u"lower-case table"}}}});
  EXPECT_EQ(Read(info, u"FileVersion"), u"lower-case table");
  EXPECT_EQ(QueryVersionString(info, u"\\\\stringfileinfo\\040904B0\\\\FILEVERSION\\"), u"lower-case table");
  EXPECT_FALSE(QueryVersionString(info, u"\\StringFileInfo\\040904B0\\FileVers"));
  EXPECT_FALSE(QueryVersionString(info, u"\\StringFileInfo\\040904B0\\FileVersionX"));
  auto root = QueryVersionValue(info, u"\\");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->length, 52) << "the root's value is the fixed file info";
}

TEST(VersionResource, ValuesStopAtTheStoredLengthOrTheFirstZero) {
  testing::VersionNode cut = testing::StringNode(u"FileVersion", std::u16string(u"1.0\0junk", 8));
  testing::VersionNode shortLength = testing::StringNode(u"ProductName", u"Truncated");
  shortLength.valueLength = 5;
  testing::VersionNode table{u"040904B0", {}, 0, 1, {cut, shortLength}};
  testing::VersionNode var{u"Translation", {0x09, 0x04, 0xB0, 0x04}, 4, 0, {}};
  testing::VersionNode root{u"VS_VERSION_INFO",
                            Bytes(52, 0),
                            52,
                            0,
                            {{u"StringFileInfo", {}, 0, 1, {table}}, {u"VarFileInfo", {}, 0, 1, {var}}}};
  const Bytes info = testing::SerializeVersionNode(root);
  EXPECT_EQ(Read(info, u"FileVersion"), u"1.0");
  EXPECT_EQ(Read(info, u"ProductName"), u"Trunc");
}

TEST(VersionResource, MalformedDataNeverReadsOutside) {
  const Bytes info = BuildVersionInfo({{0x0409, 0x04B0}}, {kEnglishStrings});
  // Every prefix: the lookups either find the full value or nothing.
  for (std::size_t n = 0; n < info.size(); ++n) {
    const Bytes prefix(info.begin(), info.begin() + static_cast<std::ptrdiff_t>(n));
    const std::u16string value = Read(prefix, u"FileVersion");
    EXPECT_TRUE(value.empty() || value == u"1.2.3.4") << n;
  }
  // A zero-length first child (StringFileInfo, right after the root's fixed
  // info at 0x5C) ends the search instead of looping.
  Bytes zeroLength = info;
  testing::Put16(zeroLength, 0x5C, 0);
  EXPECT_EQ(Read(zeroLength, u"FileVersion"), u"");
  // A root key with no terminator inside the data.
  Bytes unterminated(64, 'A');
  EXPECT_FALSE(QueryVersionValue(unterminated, u"\\VarFileInfo"));
  // A Translation value shorter than one entry.
  testing::VersionNode var{u"Translation", {0x09, 0x04}, 2, 0, {}};
  testing::VersionNode root{u"VS_VERSION_INFO", {}, 0, 0, {{u"VarFileInfo", {}, 0, 1, {var}}}};
  EXPECT_FALSE(ReadFirstTranslation(testing::SerializeVersionNode(root)));
}

TEST(FindVersionResource, LocatesTheResourceInAFilesBytes) {
  const Bytes english = BuildVersionInfo({{0x0409, 0x04B0}}, {kEnglishStrings});
  const Bytes german = BuildVersionInfo(
      {{0x0407, 0x04E4}}, {{u"040704E4", {{u"FileVersion", u"9.9"}, {u"ProductName", u"Deutsch"}}}});

  const Bytes file = testing::MakeVersionDll(testing::BuildVersionResourceSection({{0x0409, english}})).bytes;
  auto found = FindVersionResource(file);
  ASSERT_TRUE(found);
  EXPECT_EQ(Bytes(found->begin(), found->end()), english);

  const FileVersionStrings strings = ReadFileVersionStrings(file);
  EXPECT_EQ(strings.values[0], u"1.2.3.4");
  EXPECT_EQ(strings.values[7], u"  Spaced Inc.  ");
  EXPECT_EQ(strings.values[5], u"Vantorel Test");
  EXPECT_EQ(strings.values[kLanguageIndex], u"");
  EXPECT_EQ(strings.languageId, 0x0409);

  // Language choice: neutral first, then the preferred one, then the first listed.
  const Bytes two =
      testing::MakeVersionDll(testing::BuildVersionResourceSection({{0x0407, german}, {0x0409, english}}))
          .bytes;
  EXPECT_EQ(ReadFileVersionStrings(two).values[0], u"1.2.3.4");
  EXPECT_EQ(FindVersionResource(two, 0x0407)->size(), german.size());
  EXPECT_EQ(FindVersionResource(two, 0x0411)->size(), english.size()) << "US English before the first";
  const Bytes neutral =
      testing::MakeVersionDll(testing::BuildVersionResourceSection({{0x0409, english}, {0x0000, german}}))
          .bytes;
  EXPECT_EQ(ReadFileVersionStrings(neutral).values[5], u"Deutsch");
  const Bytes onlyGerman =
      testing::MakeVersionDll(testing::BuildVersionResourceSection({{0x0407, german}})).bytes;
  EXPECT_EQ(ReadFileVersionStrings(onlyGerman).values[0], u"9.9");
}

TEST(FindVersionResource, FilesWithoutUsableResourceGiveNothing) {
  const Bytes english = BuildVersionInfo({{0x0409, 0x04B0}}, {kEnglishStrings});
  testing::PeBuilder plain;
  plain.sections.push_back({".text", 0x1000, 0, Bytes(0x10, 1)});
  const Bytes noResources = plain.Build().bytes;
  EXPECT_FALSE(FindVersionResource(noResources));
  const FileVersionStrings none = ReadFileVersionStrings(noResources);
  for (const auto& v : none.values) EXPECT_EQ(v, u"");
  EXPECT_FALSE(none.languageId);
  EXPECT_FALSE(FindVersionResource(Bytes(600, 0)));

  const testing::PeFile good =
      testing::MakeVersionDll(testing::BuildVersionResourceSection({{0x0409, english}}));
  const std::size_t rsrc = good.rawOffsets[1];
  auto patched = [&](std::size_t at, std::uint32_t value) {
    Bytes b = good.bytes;
    testing::Put32(b, rsrc + at, value);
    return b;
  };
  EXPECT_FALSE(FindVersionResource(patched(16, 3))) << "no RT_VERSION type";
  EXPECT_FALSE(FindVersionResource(patched(24 + 16, 2))) << "name 1 is the only one looked for";
  EXPECT_FALSE(FindVersionResource(patched(20, 24))) << "type entry not pointing at a directory";
  EXPECT_FALSE(FindVersionResource(patched(20, 0xFFFFFFF0))) << "directory offset outside";
  EXPECT_FALSE(FindVersionResource(patched(14, 0))) << "empty root directory";
  // The data entry's address outside every section, or a size past the file.
  const std::size_t dataEntry = 24 + 24 + 24;
  EXPECT_FALSE(FindVersionResource(patched(dataEntry, 0x7FFFFFF0)));
  auto cut = FindVersionResource(patched(dataEntry + 4, 0x7FFFFFFF));
  ASSERT_TRUE(cut);
  EXPECT_LT(cut->size(), 0x10000u);
  // A whole file cut in the middle of its resources.
  for (std::size_t n = rsrc; n < good.bytes.size(); n += 7) {
    const Bytes prefix(good.bytes.begin(), good.bytes.begin() + static_cast<std::ptrdiff_t>(n));
    const std::u16string v = ReadFileVersionStrings(prefix).values[0];
    EXPECT_TRUE(v.empty() || v == u"1.2.3.4");
  }
}

TEST(VersionKeys, OrderAndTrimming) {
  EXPECT_EQ(VersionKeys[0].key, u"FileVersion");
  EXPECT_EQ(VersionKeys[7].key, u"CompanyName");
  EXPECT_FALSE(VersionKeys[8].listedWhenEmpty);
  EXPECT_FALSE(VersionKeys[11].listedWhenEmpty);
  EXPECT_EQ(VersionKeys[kLanguageIndex].key, u"Language");
  EXPECT_TRUE(VersionKeys[kLanguageIndex].listedWhenEmpty);
  EXPECT_EQ(TrimSpaces(u"  a b  "), u"a b");
  EXPECT_EQ(TrimSpaces(u"\ta\t"), u"\ta\t") << "only blanks are trimmed";
  EXPECT_EQ(TrimSpaces(u"   "), u"");
}

}  // namespace
}  // namespace vantorel
