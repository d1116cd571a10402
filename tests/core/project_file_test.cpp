#include "codegen/project_file.h"
#include "codegen/source_generator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantorel {
namespace {

using namespace std::string_literals;

// A row as a project file holds it: "checked" 1 is the only tick.
FunctionRow Row(int checked, std::u16string alias, std::u16string function, std::u16string para,
                std::u16string conv, std::u16string comment) {
  return {std::move(function), std::move(alias), std::move(para), std::move(conv), std::move(comment), checked == 1};
}

const std::string kHeader =
    "\xEF\xBB\xBF\r\n"
    "; Vantorel project: the library and its function table\r\n";

void ExpectRow(const FunctionRow& r, int checked, std::u16string_view alias, std::u16string_view function,
               std::u16string_view para, std::u16string_view conv, std::u16string_view comment) {
  EXPECT_EQ(r.ticked, checked == 1);
  EXPECT_EQ(r.alias, alias);
  EXPECT_EQ(r.exportName, function);
  EXPECT_EQ(r.parameters, para);
  EXPECT_EQ(r.convention, conv);
  EXPECT_EQ(r.comment, comment);
}

TEST(ProjectFileWrite, HeaderKeysAndOneGroupPerRowInOrder) {
  EXPECT_EQ(WriteProjectText(u"C:\\Libs\\user32.dll", u"", {}),
            kHeader + "DLL = C:\\Libs\\user32.dll\r\nSHA1 = \r\n")
      << "an empty table gives the four lines only; an empty value keeps the blank after '='";

  const std::vector<FunctionRow> rows{
      Row(1, u"MessageBoxW", u"MessageBoxW", u"4", u"FASTCALL", u"zeigt \u00FCber \u20AC"),
      Row(5, u"", u"", u"?", u"FASTCALL", u"  two = signs ; here"),
      Row(1, u"Beep", u"Beep", u"2", u"FASTCALL", u"line\r\nbreak\n"),
  };
  EXPECT_EQ(WriteProjectText(u"C:\\Libs\\user32.dll", u"0123456789abcdef0123456789abcdef01234567", rows),
            kHeader +
                "DLL = C:\\Libs\\user32.dll\r\n"
                "SHA1 = 0123456789abcdef0123456789abcdef01234567\r\n"
                "[1]\r\nchecked = 1\r\nAlias = MessageBoxW\r\nFunction = MessageBoxW\r\nPara = 4\r\n"
                "Conv = FASTCALL\r\nComment = zeigt \xC3\xBC" "ber \xE2\x82\xAC\r\n"
                "[2]\r\nchecked = 0\r\nAlias = \r\nFunction = \r\nPara = ?\r\nConv = FASTCALL\r\n"
                "Comment =   two = signs ; here\r\n"
                "[3]\r\nchecked = 1\r\nAlias = Beep\r\nFunction = Beep\r\nPara = 2\r\nConv = FASTCALL\r\n"
                "Comment = line  break \r\n")
      << "checked other than 1 is written as 0; line breaks inside a value become blanks";
}

TEST(ProjectFileRead, ReadsBackWhatWasWrittenExceptLeadingBlanks) {
  const std::vector<FunctionRow> rows{
      Row(1, u"A\u00E9", u"\U0001F600fn", u"3", u"FASTCALL", u"  padded  "),
      Row(0, u"B", u"B", u"?", u"FASTCALL", u""),
      Row(1, u"C", u"C", u"0", u"", u"x=y"),
  };
  const auto read = ReadProjectText(WriteProjectText(u"Z:\\tmp\\\u65E5\u672C.dll", u"abc", rows));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->dll, u"Z:\\tmp\\\u65E5\u672C.dll");
  EXPECT_EQ(read->sha1, u"abc");
  ASSERT_EQ(read->rows.size(), 3u);
  ExpectRow(read->rows[0], 1, u"A\u00E9", u"\U0001F600fn", u"3", u"FASTCALL", u"padded  ");
  ExpectRow(read->rows[1], 0, u"B", u"B", u"?", u"FASTCALL", u"");
  ExpectRow(read->rows[2], 1, u"C", u"C", u"0", u"", u"x=y");

  const auto empty = ReadProjectText(WriteProjectText(u"", u"", {}));
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->rows.empty());
  EXPECT_EQ(empty->dll, u"");
}

// A project saved by one edition opens in the other: the Conv text travels
// as it is, and only the x86 edition's source makes a CDECL row a PrototypeC.
TEST(ProjectFileRead, ConventionsOfEitherEditionSurvive) {
  const std::vector<FunctionRow> rows{Row(1, u"S", u"_S@8", u"2", u"STDCALL", u""),
                                        Row(1, u"C", u"C", u"1", u"CDECL", u""),
                                        Row(1, u"F", u"F", u"?", u"FASTCALL", u"")};
  const auto read = ReadProjectText(WriteProjectText(u"C:\\x.dll", u"", rows));
  ASSERT_TRUE(read);
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(read->rows[i].convention, rows[i].convention);
  const FunctionRows& source = read->rows;
  const std::u16string x86 = BuildSourceText(source, read->dll, Edition::X86);
  // S, C and F are native type letters: PureBasic takes them with "_" only.
  EXPECT_NE(x86.find(u"\nPrototype _S(a, b)\nPrototypeC _C(a)\nPrototype _F()\n"), std::u16string::npos);
  EXPECT_EQ(BuildSourceText(source, read->dll, Edition::X64).find(u"PrototypeC"), std::u16string::npos);
}

TEST(ProjectFileRead, LineRulesDefaultsAndCase) {
  const auto read = ReadProjectText(
      "\xEF\xBB\xBF"
      "ALIAS = not a row\n"  // keys outside groups are not rows
      " \t; comment with DLL = nothing\r"
      "\tdll\t =\t  C:\\x.dll \r\n"
      "Sha1=ABC\r\n"
      "DLL = second one loses\r\n"
      "\r\n\r\n"
      "[b]\r\n"
      "Alias = first\r\n"
      "  alias = second\r\n"  // a repeated key: the first counts
      "FUNCTION=f\r\n"
      "no equals sign here\r\n"
      "DLL = inside a group\r\n"
      "unknown = key\r\n"
      "[a\r\n"  // no closing bracket: still a group
      "checked = 0\r\n"
      "Comment = c\0hidden\r\n"
      "[]\n"
      "Para =\n"
      "checked = x"s);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->dll, u"C:\\x.dll ") << "leading blanks and tabs go, trailing ones stay";
  EXPECT_EQ(read->sha1, u"ABC");
  ASSERT_EQ(read->rows.size(), 3u) << "groups in file order, whatever their names";
  ExpectRow(read->rows[0], 1, u"first", u"f", u"", u"", u"");
  ExpectRow(read->rows[1], 0, u"", u"", u"", u"", u"c");
  ExpectRow(read->rows[2], 0, u"", u"", u"", u"", u"");
}

TEST(ProjectFileRead, WithoutByteOrderMarkEveryByteIsOneCharacter) {
  const auto latin = ReadProjectText("DLL = C:\\caf\xE9.dll\r\n[1]\r\nAlias = \xC3\xA9\x80\r\n");
  ASSERT_TRUE(latin);
  EXPECT_EQ(latin->dll, u"C:\\caf\u00E9.dll");
  ASSERT_EQ(latin->rows.size(), 1u);
  EXPECT_EQ(latin->rows[0].alias, u"\u00C3\u00A9\u0080");

  const auto utf8 = ReadProjectText("\xEF\xBB\xBF[1]\r\nAlias = \xC3\xA9\xFF\r\n");
  ASSERT_TRUE(utf8);
  EXPECT_EQ(utf8->rows[0].alias, u"\u00E9\uFFFD") << "ill-formed UTF-8 reads as U+FFFD";
}

TEST(ProjectFileRead, CheckedValues) {
  EXPECT_EQ(ParseCheckedValue(u"1"), 1);
  EXPECT_EQ(ParseCheckedValue(u" \t+1"), 1);
  EXPECT_EQ(ParseCheckedValue(u"1abc"), 1);
  EXPECT_EQ(ParseCheckedValue(u"5"), 5);
  EXPECT_EQ(ParseCheckedValue(u"-3"), -3);
  EXPECT_EQ(ParseCheckedValue(u"x1"), 0);
  EXPECT_EQ(ParseCheckedValue(u"-"), 0);
  EXPECT_EQ(ParseCheckedValue(u""), 0);
  EXPECT_EQ(ParseCheckedValue(u"4294967297"), 2147483647) << "clamped, never wrapped round to 1";
  EXPECT_EQ(ParseCheckedValue(u"-99999999999999999999999"), -2147483647 - 1);
  EXPECT_EQ(ParseCheckedValue(u"0000000000000000000001"), 1);
}

TEST(ProjectFileRead, LimitsRefuseTheWholeFile) {
  std::string many;
  for (std::size_t i = 0; i < kMaxProjectRows; ++i) many += "[\n";
  const auto atLimit = ReadProjectText(many);
  ASSERT_TRUE(atLimit);
  EXPECT_EQ(atLimit->rows.size(), kMaxProjectRows);
  EXPECT_FALSE(ReadProjectText(many + "[x]"));

  std::string huge(kMaxProjectFileBytes + 1, ' ');
  EXPECT_FALSE(ReadProjectText(huge));
  huge.pop_back();
  EXPECT_TRUE(ReadProjectText(huge));
}

TEST(ProjectFileName, ExtensionOfTheFilePartBecomesPrj) {
  EXPECT_EQ(DefaultProjectPath(u"C:\\Libs\\user32.dll"), u"C:\\Libs\\user32.prj");
  EXPECT_EQ(DefaultProjectPath(u"C:\\my.libs\\mylib"), u"C:\\my.libs\\mylib.prj");
  EXPECT_EQ(DefaultProjectPath(u"C:\\Libs\\a.b.ocx"), u"C:\\Libs\\a.b.prj");
  EXPECT_EQ(DefaultProjectPath(u""), u"");
}

}  // namespace
}  // namespace vantorel
