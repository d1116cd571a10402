#include "codegen/function_table.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(FunctionRow, FreshRowOfAnOpenedLibrary) {
  const FunctionRow e = MakeFunctionRow(u"_Func@12");
  EXPECT_EQ(e.exportName, u"_Func@12");
  EXPECT_EQ(e.alias, u"Func");
  EXPECT_EQ(e.parameters, u"?");
  EXPECT_EQ(e.convention, u"FASTCALL");
  EXPECT_EQ(e.comment, u"");
  EXPECT_TRUE(e.ticked);
  const FunctionRow unnamed = MakeFunctionRow(u"");
  EXPECT_EQ(unnamed.alias, u"");
  EXPECT_EQ(unnamed.parameters, u"?");
}

// The x86 edition starts every row as STDCALL and reads the parameter count
// from a stdcall decoration "_Name@N"; the 64-bit edition reads nothing.
TEST(FunctionRow, EditionsConventionAndStdcallParameterCount) {
  const struct {
    const char16_t* name;
    const char16_t* para;  // in the x86 edition
  } cases[] = {
      {u"_StdFunc@12", u"3"},    {u"_f@0", u"0"},           {u"_MessageBoxA@16", u"4"},
      {u"_big@1000", u"250"},    {u"_f@999999996", u"249999999"},
      {u"StdNoUnderscore@8", u"?"},  // not the decoration the convention has
      {u"@FastFunc@8", u"?"},        {u"?Func@@YAXXZ", u"?"},   {u"_a@b@4", u"?"},
      {u"_@4", u"?"},                {u"_f@", u"?"},            {u"_f@6", u"?"},
      {u"_f@012", u"?"},             {u"_f@1x", u"?"},          {u"_f@-4", u"?"},
      {u"_f@1000000000", u"?"},      {u"PlainName", u"?"},      {u"", u"?"},
  };
  for (const auto& c : cases) {
    const FunctionRow x86 = MakeFunctionRow(c.name, Edition::X86);
    EXPECT_EQ(x86.parameters, c.para) << std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name));
    EXPECT_EQ(x86.convention, u"STDCALL");
    EXPECT_EQ(x86.exportName, c.name);
    EXPECT_EQ(x86.alias, MakeAlias(c.name));
    EXPECT_TRUE(x86.ticked);
    const FunctionRow x64 = MakeFunctionRow(c.name, Edition::X64);
    EXPECT_EQ(x64.parameters, u"?");
    EXPECT_EQ(x64.convention, u"FASTCALL");
  }
}

TEST(FunctionRow, OnlyCdeclRowsOfTheX86EditionArePrototypeC) {
  for (const char16_t* conv : {u"CDECL", u"cdecl", u"CDecl"}) {
    EXPECT_TRUE(IsCdeclRow(conv, Edition::X86));
    EXPECT_FALSE(IsCdeclRow(conv, Edition::X64)) << "one convention on x64";
  }
  for (const char16_t* conv : {u"STDCALL", u"FASTCALL", u"", u" CDECL", u"CDECL ", u"CDECLX", u"CDEC"}) {
    EXPECT_FALSE(IsCdeclRow(conv, Edition::X86));
  }
}

}  // namespace
}  // namespace vantorel
