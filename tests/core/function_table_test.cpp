#include "codegen/function_table.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

TEST(MakeAlias, DecoratedNamesLoseDecorationAndOneLeadingCharacterPerAt) {
  EXPECT_EQ(MakeAlias(u"_MessageBoxA@16"), u"MessageBoxA");
  EXPECT_EQ(MakeAlias(u"?Func@@YAXXZ"), u"unc");
  // Fastcall decoration has two "@"s, so two characters go, not just the "@".
  EXPECT_EQ(MakeAlias(u"@Fast@8"), u"st");
  EXPECT_EQ(MakeAlias(u"a@b@c"), u"") << "two characters skipped from \"ab\"";
  EXPECT_EQ(MakeAlias(u"@"), u"");
  // With an "@" the leading-character rule does not apply: digits stay.
  EXPECT_EQ(MakeAlias(u"_1st@4"), u"1st");
}

TEST(MakeAlias, PlainNamesSkipLeadingNonLettersThenKeepIdentifierCharacters) {
  EXPECT_EQ(MakeAlias(u"123abc"), u"abc");
  EXPECT_EQ(MakeAlias(u"my func"), u"my_func");
  EXPECT_EQ(MakeAlias(u"???"), u"");
  EXPECT_EQ(MakeAlias(u""), u"");
  EXPECT_EQ(MakeAlias(u"12345"), u"");
  EXPECT_EQ(MakeAlias(u"_start"), u"_start");
  EXPECT_EQ(MakeAlias(u"[x]y"), u"xy") << "\"[\" is not in the range that stops skipping";
  EXPECT_EQ(MakeAlias(u" lead"), u"lead") << "a leading blank is skipped, not turned into _";
  EXPECT_EQ(MakeAlias(u"a-b.c d"), u"abc_d");
}

TEST(MakeAlias, CountsUtf16CodeUnits) {
  // Non-ASCII letters are skipped at the start and dropped later.
  EXPECT_EQ(MakeAlias(u"\u00C4rger"), u"rger");
  EXPECT_EQ(MakeAlias(u"Gr\u00FC\u00DFe"), u"Gre");
  // A character outside the BMP is two code units, and an "@" skip of two
  // removes exactly that pair.
  EXPECT_EQ(MakeAlias(u"\U0001F600ok@@"), u"ok");
  EXPECT_EQ(MakeAlias(u"\U0001F600x"), u"x");
}

TEST(FunctionEntry, FreshEntryOfAnOpenedLibrary) {
  const FunctionEntry e = MakeFunctionEntry(u"_Func@12");
  EXPECT_EQ(e.Function, u"_Func@12");
  EXPECT_EQ(e.Alias, u"Func");
  EXPECT_EQ(e.Para, u"?");
  EXPECT_EQ(e.Conv, u"FASTCALL");
  EXPECT_EQ(e.Comment, u"");
  EXPECT_EQ(e.checked, 1);
  const FunctionEntry unnamed = MakeFunctionEntry(u"");
  EXPECT_EQ(unnamed.Alias, u"");
  EXPECT_EQ(unnamed.Para, u"?");
}

}  // namespace
}  // namespace vantorel
