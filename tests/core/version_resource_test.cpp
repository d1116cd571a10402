#include "analysis/version_resource.h"

#include <gtest/gtest.h>

#include "pe_builder.h"

namespace vantorel {
namespace {

using testing::BuildVersionInfo;
using testing::Bytes;
using testing::StringTableSpec;

const StringTableSpec kEnglish{u"040904B0",
                               {{u"FileVersion", u"1.2.3.4"}, {u"CompanyName", u"  Spaced Inc.  "}}};

TEST(VersionResource, OnlyTheFirstTranslationCounts) {
  // The second translation would find strings; it is never consulted.
  const Bytes english = BuildVersionInfo({{0x0409, 0x04B0}, {0x0407, 0x04E4}},
                                         {kEnglish, {u"040704E4", {{u"FileVersion", u"de"}}}});
  EXPECT_EQ(ReadVersionString(english, u"FileVersion"), u"1.2.3.4");
  EXPECT_EQ(ReadVersionString(english, u"CompanyName"), u"  Spaced Inc.  ") << "trimming is the caller's";
  EXPECT_EQ(ReadVersionString(english, u"Comments"), u"");
  EXPECT_EQ(ReadVersionString(english, u"Language"), u"") << "the caller names the language";

  const Bytes german = BuildVersionInfo({{0x0407, 0x04E4}}, {kEnglish});
  for (const auto& key : VersionKeys) EXPECT_EQ(ReadVersionString(german, key.key), u"");
  EXPECT_EQ(ReadFirstTranslation(german)->language, 0x0407);
  EXPECT_EQ(ReadFirstTranslation(german)->codePage, 0x04E4);

  const Bytes untranslated = BuildVersionInfo({}, {kEnglish});
  EXPECT_FALSE(ReadFirstTranslation(untranslated));
  EXPECT_EQ(ReadVersionString(untranslated, u"FileVersion"), u"");
  EXPECT_EQ(QueryVersionString(untranslated, u"\\StringFileInfo\\040904B0\\FileVersion"), u"1.2.3.4");
}

TEST(VersionResource, PathsUseUnsignedUpperCaseHexAndCaseBlindKeys) {
  EXPECT_EQ(StringFileInfoPath({0x0409, 0xFDE9}, u"FileVersion"), u"\\StringFileInfo\\0409FDE9\\FileVersion");
  EXPECT_EQ(StringFileInfoPath({0x0c0a, 0}, u"X"), u"\\StringFileInfo\\0C0A0000\\X");
  const Bytes utf8 = BuildVersionInfo({{0x0409, 0xFDE9}}, {{u"0409FDE9", {{u"ProductName", u"utf8"}}}});
  EXPECT_EQ(ReadVersionString(utf8, u"ProductName"), u"utf8");

  // Some resource compilers write the table name in lower case; the system
  // matches keys without regard to case and skips empty path components.
  const Bytes lower = BuildVersionInfo({{0x0409, 0x04B0}}, {{u"040904b0", {{u"FileVersion", u"x"}}}});
  EXPECT_EQ(ReadVersionString(lower, u"FileVersion"), u"x");
  EXPECT_EQ(QueryVersionString(lower, u"\\\\stringfileinfo\\040904B0\\\\FILEVERSION\\"), u"x");
  EXPECT_FALSE(QueryVersionString(lower, u"\\StringFileInfo\\040904B0\\FileVers"));
  EXPECT_FALSE(QueryVersionString(lower, u"\\StringFileInfo\\040904B0\\FileVersionX"));
}

TEST(VersionResource, ValuesStopAtTheStoredLengthOrTheFirstZero) {
  testing::VersionNode cut = testing::StringNode(u"FileVersion", std::u16string(u"1.0\0junk", 8));
  testing::VersionNode shortLength = testing::StringNode(u"ProductName", u"Truncated");
  shortLength.valueLength = 5;
  testing::VersionNode var{u"Translation", {0x09, 0x04, 0xB0, 0x04}, 4, 0, {}};
  const testing::VersionNode root{
      u"VS_VERSION_INFO",
      Bytes(52, 0),
      52,
      0,
      {{u"StringFileInfo", {}, 0, 1, {{u"040904B0", {}, 0, 1, {cut, shortLength}}}},
       {u"VarFileInfo", {}, 0, 1, {var}}}};
  const Bytes info = testing::SerializeVersionNode(root);
  EXPECT_EQ(ReadVersionString(info, u"FileVersion"), u"1.0");
  EXPECT_EQ(ReadVersionString(info, u"ProductName"), u"Trunc");

  // Broken data: every prefix finds the whole value or nothing; a zero-length
  // first child (at 0x5C, after the fixed info) ends the search.
  const Bytes full = BuildVersionInfo({{0x0409, 0x04B0}}, {kEnglish});
  for (std::size_t n = 0; n < full.size(); ++n) {
    const std::u16string v = ReadVersionString(Bytes(full.begin(), full.begin() + n), u"FileVersion");
    EXPECT_TRUE(v.empty() || v == u"1.2.3.4") << n;
  }
  Bytes zeroLength = full;
  testing::Put16(zeroLength, 0x5C, 0);
  EXPECT_EQ(ReadVersionString(zeroLength, u"FileVersion"), u"");
}

TEST(FindVersionResource, LocatesTheResourceAndPicksALanguage) {
  const Bytes english = BuildVersionInfo({{0x0409, 0x04B0}}, {kEnglish});
  const Bytes german = BuildVersionInfo({{0x0407, 0x04E4}}, {{u"040704E4", {{u"FileVersion", u"9.9"}}}});
  auto dll = [](std::vector<std::pair<std::uint16_t, Bytes>> languages) {
    return testing::MakeVersionDll(testing::BuildVersionResourceSection(languages)).bytes;
  };
  const Bytes one = dll({{0x0409, english}});
  auto found = FindVersionResource(one);
  ASSERT_TRUE(found);
  EXPECT_EQ(Bytes(found->begin(), found->end()), english);
  const FileVersionStrings strings = ReadFileVersionStrings(one);
  EXPECT_EQ(strings.values[0], u"1.2.3.4");
  EXPECT_EQ(strings.values[7], u"  Spaced Inc.  ");
  EXPECT_EQ(strings.languageId, 0x0409);

  // Neutral first, then the preferred language, US English, the first listed.
  EXPECT_EQ(ReadFileVersionStrings(dll({{0x0407, german}, {0x0409, english}})).values[0], u"1.2.3.4");
  EXPECT_EQ(FindVersionResource(dll({{0x0407, german}, {0x0409, english}}), 0x0407)->size(), german.size());
  EXPECT_EQ(ReadFileVersionStrings(dll({{0x0409, english}, {0x0000, german}})).values[0], u"9.9");
  EXPECT_EQ(ReadFileVersionStrings(dll({{0x0411, german}})).values[0], u"9.9");

  // Broken directories give nothing; a size past the file is cut to it.
  auto patched = [&](std::size_t at, std::uint32_t value) {
    const testing::PeFile good =
        testing::MakeVersionDll(testing::BuildVersionResourceSection({{0x0409, english}}));
    Bytes b = good.bytes;
    testing::Put32(b, good.rawOffsets[1] + at, value);
    return b;
  };
  EXPECT_FALSE(FindVersionResource(patched(16, 3))) << "no RT_VERSION type";
  EXPECT_FALSE(FindVersionResource(patched(40, 2))) << "name 1 is the only one looked for";
  EXPECT_FALSE(FindVersionResource(patched(20, 24))) << "type entry not pointing at a directory";
  EXPECT_FALSE(FindVersionResource(patched(20, 0xFFFFFFF0))) << "directory offset outside";
  EXPECT_FALSE(FindVersionResource(patched(72, 0x7FFFFFF0))) << "data outside every section";
  EXPECT_LT(FindVersionResource(patched(76, 0x7FFFFFFF))->size(), 0x10000u);

  testing::PeBuilder plain;
  plain.sections.push_back({".text", 0x1000, 0, Bytes(0x10, 1)});
  const FileVersionStrings none = ReadFileVersionStrings(plain.Build().bytes);
  EXPECT_EQ(none.values, VersionStrings{});
  EXPECT_FALSE(none.languageId);
}

TEST(VersionKeys, OrderAndTrimming) {
  EXPECT_EQ(VersionKeys[0].key, u"FileVersion");
  EXPECT_EQ(VersionKeys[7].key, u"CompanyName");
  EXPECT_FALSE(VersionKeys[8].listedWhenEmpty);
  EXPECT_EQ(VersionKeys[kLanguageIndex].key, u"Language");
  EXPECT_EQ(TrimSpaces(u"  a b  "), u"a b");
  EXPECT_EQ(TrimSpaces(u"\ta\t"), u"\ta\t") << "only blanks are trimmed";
  EXPECT_EQ(TrimSpaces(u"   "), u"");
}

}  // namespace
}  // namespace vantorel
