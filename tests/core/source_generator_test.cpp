#include "codegen/source_generator.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "codegen/source_names.h"
#include "purebasic_checker.h"

namespace vantorel {
namespace {

const std::u16string kBanner =
    u";==========================================================================\n"
    u"; Generated with Vantorel - a tool by the Vantorel developers, 2026\n"
    u";==========================================================================\n"
    u"\n";

FunctionRow Row(std::u16string alias, std::u16string para, std::u16string comment = u"", bool ticked = true) {
  FunctionRow row;
  row.exportName = alias;
  row.alias = std::move(alias);
  row.parameters = std::move(para);
  row.comment = std::move(comment);
  row.ticked = ticked;
  return row;
}

std::vector<std::u16string> Lines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  for (std::size_t lf = text.find(u'\n'); lf != std::u16string::npos; lf = text.find(u'\n', start)) {
    lines.push_back(text.substr(start, lf - start));
    start = lf + 1;
  }
  EXPECT_EQ(start, text.size()) << "the text must end with LF";
  return lines;
}

// Test texts are ASCII; this makes them printable in failure messages.
std::string Narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }

// The Prototype line of a single ticked row with this Para.
std::u16string PrototypeFor(std::u16string para) {
  const std::vector<FunctionRow> rows{Row(u"Fn", std::move(para))};
  return Lines(BuildSourceText(rows, u"x.dll")).at(4);
}

TEST(SourceGenerator, WorkedExampleByteForByte) {
  std::vector<FunctionRow> rows{Row(u"MessageBoxW", u"4", u"show a box"), Row(u"GetForegroundWindow", u"0")};
  const std::u16string expected = kBanner +
                                  u"Prototype MessageBoxW(a, b, c, d); show a box\n"
                                  u"Prototype GetForegroundWindow()\n"
                                  u"\n"
                                  u"Global MessageBoxW.MessageBoxW\n"
                                  u"Global GetForegroundWindow.GetForegroundWindow\n"
                                  u"\n"
                                  u"Procedure.i user32_LoadDLL()\n"
                                  u"  Protected hDLL.i\n"
                                  u"\n"
                                  u"  hDLL = OpenLibrary(#PB_Any, \"user32.dll\")\n"
                                  u"  If hDLL <> 0\n"
                                  u"    MessageBoxW = GetFunction(hDLL, \"MessageBoxW\")\n"
                                  u"    GetForegroundWindow = GetFunction(hDLL, \"GetForegroundWindow\")\n"
                                  u"\n"
                                  u"    ProcedureReturn hDLL\n"
                                  u"  EndIf\n"
                                  u"\n"
                                  u"  ProcedureReturn #False\n"
                                  u"EndProcedure\n";
  EXPECT_EQ(BuildSourceText(rows, u"C:\\Libs\\user32.dll"), expected);
  EXPECT_EQ(expected.find(u'\r'), std::u16string::npos);

  // The rules are ";" and exactly 74 "=", and the credit names the authors
  // and the year.
  const std::vector<std::u16string> lines = Lines(expected);
  EXPECT_EQ(lines[0], u";" + std::u16string(74, u'='));
  EXPECT_EQ(lines[2], lines[0]);
  EXPECT_EQ(lines[1].rfind(u"; Generated with Vantorel", 0), 0u);
  EXPECT_NE(lines[1].find(u"the Vantorel developers"), std::u16string::npos);
  EXPECT_NE(lines[1].find(u"2026"), std::u16string::npos);
}

TEST(SourceGenerator, EmptyWithoutRowsOrWithoutTicks) {
  EXPECT_EQ(BuildSourceText({}, u"C:\\Libs\\user32.dll"), u"");
  EXPECT_EQ(BuildSourceText({}, u""), u"");
  const std::vector<FunctionRow> unticked{Row(u"A", u"1", u"", false), Row(u"B", u"2", u"c", false)};
  EXPECT_EQ(BuildSourceText(unticked, u"C:\\Libs\\user32.dll"), u"") << "no banner either";
}

TEST(SourceGenerator, OnlyTickedRowsInRowOrderInEveryBlock) {
  std::vector<FunctionRow> rows{Row(u"One", u"1", u"", false), Row(u"Two", u"2"), Row(u"Three", u"?", u"", false),
                              Row(u"Four", u"?")};
  rows[1].exportName = u"_Two@8";
  const std::vector<std::u16string> lines = Lines(BuildSourceText(rows, u"lib.dll"));
  ASSERT_EQ(lines.size(), 23u);
  EXPECT_EQ(lines[4], u"Prototype Two(a, b)");
  EXPECT_EQ(lines[5], u"Prototype Four()");
  EXPECT_EQ(lines[6], u"");
  EXPECT_EQ(lines[7], u"Global Two.Two");
  EXPECT_EQ(lines[8], u"Global Four.Four");
  EXPECT_EQ(lines[15], u"    Two = GetFunction(hDLL, \"_Two@8\")") << "the export name, not the alias";
  EXPECT_EQ(lines[16], u"    Four = GetFunction(hDLL, \"Four\")");
  EXPECT_EQ(lines[17], u"");
}

// On x86 the convention decides the keyword: a CDECL row is a PrototypeC, any
// other (STDCALL, or FASTCALL from a project of the 64-bit edition) a
// Prototype. The 64-bit edition writes Prototype whatever the row says.
TEST(SourceGenerator, CdeclRowsArePrototypeCInTheX86EditionOnly) {
  std::vector<FunctionRow> rows{Row(u"Std", u"2"), Row(u"Cee", u"1", u"note"), Row(u"Fast", u"0"), Row(u"Low", u"")};
  rows[0].convention = u"STDCALL";
  rows[1].convention = u"CDECL";
  rows[2].convention = u"FASTCALL";
  rows[3].convention = u"cdecl";
  const auto x86 = Lines(BuildSourceText(rows, u"x.dll", Edition::X86));
  EXPECT_EQ(x86.at(4), u"Prototype Std(a, b)");
  EXPECT_EQ(x86.at(5), u"PrototypeC Cee(a); note");
  EXPECT_EQ(x86.at(6), u"Prototype Fast()");
  EXPECT_EQ(x86.at(7), u"PrototypeC Low()");
  EXPECT_EQ(x86.at(10), u"Global Cee.Cee") << "nothing else changes";
  const auto x64 = Lines(BuildSourceText(rows, u"x.dll", Edition::X64));
  for (std::size_t i = 4; i < 8; ++i) EXPECT_EQ(x64.at(i).rfind(u"Prototype ", 0), 0u) << i;
  EXPECT_EQ(x64.size(), x86.size());
}

TEST(SourceGenerator, ParameterListsFromParaText) {
  for (const char16_t* none : {u"?", u"0", u"00", u"", u"x2", u"-2"}) {
    EXPECT_EQ(PrototypeFor(none), u"Prototype Fn()") << "Para \"" << Narrow(none) << "\"";
  }
  EXPECT_EQ(PrototypeFor(u"1"), u"Prototype Fn(a)");
  EXPECT_EQ(PrototypeFor(u"2x"), u"Prototype Fn(a, b)");
  EXPECT_EQ(PrototypeFor(u"30"), u"Prototype Fn(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p, q, r, s, t, u, v, w, x, y, z)");
  EXPECT_EQ(PrototypeFor(u"%101"), u"Prototype Fn(a, b, c, d, e)");
}

TEST(SourceGenerator, CommentsAsWrittenAndRowsLeftOutOfEveryBlock) {
  std::vector<FunctionRow> rows{Row(u"Ab", u"1", u"x"), Row(u"Dup", u"?", u"\u00E9t\u00E9 \U0001F600"), Row(u"Gone", u"2")};
  rows[2].exportName.clear();
  const std::vector<std::u16string> lines = Lines(BuildSourceText(rows, u"lib.dll"));
  ASSERT_EQ(lines.size(), 23u);
  EXPECT_EQ(lines[4], u"Prototype Ab(a); x") << "the comment right after )";
  EXPECT_EQ(lines[5], u"Prototype Dup(); \u00E9t\u00E9 \U0001F600");
  EXPECT_EQ(lines[6], u"") << "a row without a function name is in no block";
  EXPECT_EQ(lines[9], u"");
  EXPECT_EQ(lines[16], u"    Dup = GetFunction(hDLL, \"Dup\")");
  EXPECT_EQ(lines[17], u"");
  // No row left to write: no text, as when none is ticked.
  rows[0].exportName = u"tab\there";
  rows[1].exportName = u"line\nbreak";
  EXPECT_EQ(BuildSourceText(rows, u"lib.dll"), u"");
}

// A ticked row with this alias and function name (the alias when not given).
FunctionRow Named(std::u16string alias, std::optional<std::u16string> function = std::nullopt) {
  FunctionRow row = Row(alias, u"?");
  if (function) row.exportName = std::move(*function);
  return row;
}

TEST(SourceGenerator, LoaderNamesFollowPureBasicsRules) {
  const std::u16string long200(200, u'x'), long128(128, u'y'), n8192(8192, u'n');
  struct Case {
    std::u16string path;
    std::vector<FunctionRow> rows;
    std::vector<std::u16string> fetches;  // the GetFunction lines, without their indent
  };
  const Case cases[] = {
      {u"ws2_32.dll",
       {Named(u"select"), Named(u"ReadFile"), Named(u"End"), Named(u"Global"), Named(u"openlibrary")},
       {u"_select = GetFunction(hDLL, \"select\")", u"_ReadFile = GetFunction(hDLL, \"ReadFile\")",
        u"_End = GetFunction(hDLL, \"End\")", u"_Global = GetFunction(hDLL, \"Global\")",
        u"_openlibrary = GetFunction(hDLL, \"openlibrary\")"}},
      {u"x.dll",
       {Named(u"d"), Named(u"W"), Named(u"e"), Named(u"hDLL"), Named(u"X_LoadDLL"), Named(u"2YAPEAX_K", u"??2@YAPEAX_K@Z")},
       {u"_d = GetFunction(hDLL, \"d\")", u"_W = GetFunction(hDLL, \"W\")", u"e = GetFunction(hDLL, \"e\")",
        u"_hDLL = GetFunction(hDLL, \"hDLL\")", u"_X_LoadDLL = GetFunction(hDLL, \"X_LoadDLL\")",
        u"_2YAPEAX_K = GetFunction(hDLL, \"??2@YAPEAX_K@Z\")"}},
      // Positions count every row, ticked or not; Export2 is then taken.
      {u"x.dll",
       {Row(u"One", u"?", u"", false), Named(u"", u"?"), Named(u"Export2"), Named(u"a-b c"), Named(u"\U0001F600\u00E9")},
       {u"Export2 = GetFunction(hDLL, \"?\")", u"Export2_2 = GetFunction(hDLL, \"Export2\")",
        u"a_b_c = GetFunction(hDLL, \"a-b c\")", u"__ = GetFunction(hDLL, \"\U0001F600\u00E9\")"}},
      {u"imm32.dll",
       {Named(u"Foo"), Named(u"FOO"), Named(u"FOO_2"), Named(u"foo")},
       {u"Foo = GetFunction(hDLL, \"Foo\")", u"FOO_2 = GetFunction(hDLL, \"FOO\")",
        u"FOO_2_2 = GetFunction(hDLL, \"FOO_2\")", u"foo_3 = GetFunction(hDLL, \"foo\")"}},
      // Cut to 120; a cut or 128-character name makes room for its suffix.
      {u"x.dll",
       {Named(long200), Named(long200 + u"z"), Named(long128), Named(long128, u"f")},
       {long200.substr(0, 120) + u" = GetFunction(hDLL, \"" + long200 + u"\")",
        long200.substr(0, 120) + u"_2 = GetFunction(hDLL, \"" + long200 + u"z\")",
        long128 + u" = GetFunction(hDLL, \"" + long128 + u"\")",
        long128.substr(0, 126) + u"_2 = GetFunction(hDLL, \"f\")"}},
      // The procedure's name, and the same name a second time.
      {u"C:\\7z.dll",
       {Named(u"7z_LoadDLL"), Named(u"_7z_LoadDLL")},
       {u"__7z_LoadDLL = GetFunction(hDLL, \"7z_LoadDLL\")", u"__7z_LoadDLL_2 = GetFunction(hDLL, \"_7z_LoadDLL\")"}},
      // A quote or backslash needs the escaping literal; a control character,
      // or a name longer than a literal holds, leaves its row out.
      {u"x.dll",
       {Named(u"Qt", u"a\"b\\c"), Named(u"plain"), Named(u"bad", u"bad\x1F"), Named(n8192),
        Named(u"over", std::u16string(8191, u'q') + u"\""), Named(u"over", std::u16string(8193, u'o'))},
       {u"Qt = GetFunction(hDLL, ~\"a\\\"b\\\\c\")", u"plain = GetFunction(hDLL, \"plain\")",
        n8192.substr(0, 120) + u" = GetFunction(hDLL, \"" + n8192 + u"\")"}},
  };
  for (const Case& c : cases) {
    std::vector<std::u16string> fetches, globals;
    for (const std::u16string& line : Lines(BuildSourceText(c.rows, c.path))) {
      if (line.find(u" = GetFunction(") != std::u16string::npos) fetches.push_back(line.substr(4));
      if (line.starts_with(u"Global ")) globals.push_back(line.substr(7));
    }
    EXPECT_EQ(fetches, c.fetches) << Narrow(c.path) << " " << Narrow(c.rows[0].alias.substr(0, 20));
    // The same name in the Global (and its Prototype) as in the GetFunction.
    ASSERT_EQ(globals.size(), fetches.size());
    for (std::size_t i = 0; i < fetches.size(); ++i) {
      const std::u16string name = fetches[i].substr(0, fetches[i].find(u' '));
      EXPECT_EQ(globals[i], name + u"." + name);
    }
  }
}

TEST(SourceGenerator, LibraryNameGivesProcedureAndOpenLibraryLines) {
  const std::vector<FunctionRow> rows{Row(u"F", u"?")};
  struct Case {
    std::u16string path, procedure, open;
  };
  const std::u16string longBase(130, u'L');
  const Case cases[] = {
      {u"C:\\Libs\\mylib", u"Procedure.i mylib_LoadDLL()", u"  hDLL = OpenLibrary(#PB_Any, \"mylib\")"},
      {u"C:\\Libs\\a.b.dll", u"Procedure.i a_b_LoadDLL()", u"  hDLL = OpenLibrary(#PB_Any, \"a.b.dll\")"},
      {u"C:/Libs/fwd.dll", u"Procedure.i fwd_LoadDLL()", u"  hDLL = OpenLibrary(#PB_Any, \"fwd.dll\")"},
      {u"C:\\my.dir/sub\\x.ocx", u"Procedure.i x_LoadDLL()", u"  hDLL = OpenLibrary(#PB_Any, \"x.ocx\")"},
      {u"C:\\my.dir\\noext", u"Procedure.i noext_LoadDLL()", u"  hDLL = OpenLibrary(#PB_Any, \"noext\")"},
      {u"plain.dll", u"Procedure.i plain_LoadDLL()", u"  hDLL = OpenLibrary(#PB_Any, \"plain.dll\")"},
      {u"C:\\x\\.dll", u"Procedure.i _LoadDLL()", u"  hDLL = OpenLibrary(#PB_Any, \".dll\")"},
      {u"C:\\\u00C4\\\u00FCber.dll", u"Procedure.i _ber_LoadDLL()",
       u"  hDLL = OpenLibrary(#PB_Any, \"\u00FCber.dll\")"},
      {u"C:\\Libs\\vulkan-1.dll", u"Procedure.i vulkan_1_LoadDLL()", u"  hDLL = OpenLibrary(#PB_Any, \"vulkan-1.dll\")"},
      {u"/usr/lib/7z.so", u"Procedure.i _7z_LoadDLL()", u"  hDLL = OpenLibrary(#PB_Any, \"7z.so\")"},
      {u"/libs/say\"hi\".dll", u"Procedure.i say_hi__LoadDLL()",
       u"  hDLL = OpenLibrary(#PB_Any, ~\"say\\\"hi\\\".dll\")"},
      {u"/libs/" + longBase + u".dll", u"Procedure.i " + longBase.substr(0, 120) + u"_LoadDLL()",
       u"  hDLL = OpenLibrary(#PB_Any, \"" + longBase + u".dll\")"},
  };
  for (const Case& c : cases) {
    const std::vector<std::u16string> lines = Lines(BuildSourceText(rows, c.path));
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[8], c.procedure);
    EXPECT_EQ(lines[11], c.open);
  }
  // No literal can name a file with a control character in its name.
  EXPECT_EQ(BuildSourceText(rows, u"/libs/new\nline.dll"), u"");
}

// The table compiled from the word lists knows every word, in any case.
TEST(SourceGenerator, KnowsEveryKeywordAndCommandOfTheWordLists) {
  const auto words = purebasic_check::ReadWords(std::string(VANTOREL_SOURCE_DIR) + "/src/platform/purebasic_keywords.txt",
                                                std::string(VANTOREL_SOURCE_DIR) + "/src/platform/purebasic_commands.txt");
  ASSERT_EQ(words.keywords.size() + words.commands.size(), 1921u);
  for (const auto& [list, isWord] : {std::pair{&words.keywords, &IsPureBasicKeyword}, {&words.commands, &IsPureBasicCommand}}) {
    for (const std::string& word : *list) {
      std::u16string upper(word.begin(), word.end());
      for (char16_t& c : upper) c = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
      EXPECT_TRUE(isWord(std::u16string(word.begin(), word.end())) && isWord(upper)) << word;
    }
  }
  for (const char16_t* other : {u"", u"Selec", u"Selects", u"ReadFile_", u"Sélect", u"hDLL"}) {
    EXPECT_FALSE(IsPureBasicKeyword(other) || IsPureBasicCommand(other)) << Narrow(other);
  }
}

// The Alias tip's line: the name and every reason.
TEST(SourceGenerator, RenameNotesNameEveryReason) {
  const std::vector<FunctionRow> rows{Named(u"select"), Named(u"ok"), Named(u""), Named(u"OK"), Named(u"9 lives")};
  const LoaderNames names = NameLoaderRows(rows, u"x.dll");
  EXPECT_EQ(names.written, 4u);
  EXPECT_EQ(names.renamed, 3u);
  EXPECT_EQ(names.leftOut, 1u);
  EXPECT_EQ(RenameNote(names.rows[0]), u"loader name: _select (same as a PureBasic keyword)");
  EXPECT_EQ(RenameNote(names.rows[1]), u"");
  EXPECT_EQ(RenameNote(names.rows[2]), u"") << "left out";
  EXPECT_EQ(RenameNote(names.rows[3]), u"loader name: OK_2 (an earlier row has the name)");
  EXPECT_EQ(RenameNote(names.rows[4]),
            u"loader name: _9_lives (characters other than A-Z, a-z, 0-9 and _; starts with a digit)");
}

TEST(SourceParameterCount, ReadsSignsBasesAndLeadingBlanks) {
  EXPECT_EQ(ReadParameterCount(u"?"), 0);
  EXPECT_EQ(ReadParameterCount(u""), 0);
  EXPECT_EQ(ReadParameterCount(u"0"), 0);
  EXPECT_EQ(ReadParameterCount(u"007"), 7);
  EXPECT_EQ(ReadParameterCount(u"12abc"), 12);
  EXPECT_EQ(ReadParameterCount(u" \t+3"), 3);
  EXPECT_EQ(ReadParameterCount(u"\t 9"), 9);
  EXPECT_EQ(ReadParameterCount(u"+ 3"), 0) << "no blank after the sign";
  EXPECT_EQ(ReadParameterCount(u"\n3"), 0) << "only blanks and tabs are skipped";
  EXPECT_EQ(ReadParameterCount(u"-2"), 0) << "a negative count declares no parameters";
  EXPECT_EQ(ReadParameterCount(u"$a"), 10);
  EXPECT_EQ(ReadParameterCount(u"$0B"), 11);
  EXPECT_EQ(ReadParameterCount(u"$1G"), 1);
  EXPECT_EQ(ReadParameterCount(u"+$f"), 15);
  EXPECT_EQ(ReadParameterCount(u"%101"), 5);
  EXPECT_EQ(ReadParameterCount(u"%1012"), 5) << "2 is no binary digit";
  EXPECT_EQ(ReadParameterCount(u"%2"), 0);
  EXPECT_EQ(ReadParameterCount(u"1$2"), 1);
  EXPECT_EQ(ReadParameterCount(u"\uFF13"), 0) << "full-width digits are not digits";
}

TEST(SourceParameterCount, CapsAtTwentySixWithoutOverflow) {
  EXPECT_EQ(ReadParameterCount(u"26"), 26);
  EXPECT_EQ(ReadParameterCount(u"27"), 26);
  EXPECT_EQ(ReadParameterCount(u"$1B"), 26);
  EXPECT_EQ(ReadParameterCount(u"%11010"), 26);
  // Longer than any integer type: must saturate, not wrap (UBSan watches).
  const std::u16string nines(400, u'9');
  EXPECT_EQ(ReadParameterCount(nines), 26);
  EXPECT_EQ(ReadParameterCount(u"-" + nines), 0);
  EXPECT_EQ(ReadParameterCount(u"$" + std::u16string(100, u'F')), 26);
  EXPECT_EQ(ReadParameterCount(u"%" + std::u16string(100, u'1')), 26);
  // 2^32 + 3 and 2^64 + 3 would read as 3 after a wrap.
  EXPECT_EQ(ReadParameterCount(u"4294967299"), 26);
  EXPECT_EQ(ReadParameterCount(u"18446744073709551619"), 26);
  EXPECT_EQ(ReadParameterCount(u"$10000000000000003"), 26);
}

}  // namespace
}  // namespace vantorel
