// The keyword registry and the small text rules of the editor, without a
// window.
#include <gtest/gtest.h>

#include "editor/editor_state.h"

namespace vantorel {
namespace {

TEST(EditorKeywords, MatchedInAnyCaseUnlessCaseSensitive) {
  EditorState state;
  EXPECT_EQ(RegisterKeywords(state, u"  Debug  If ", 1, 0), 2) << "trimmed; empty fields are no words";
  const KeywordEntry* debug = FindEditorKeyword(state, u"DEBUG");
  ASSERT_NE(debug, nullptr);
  EXPECT_EQ(debug, FindEditorKeyword(state, u" debug "));
  EXPECT_EQ(debug->name, u"Debug");
  EXPECT_EQ(FindEditorKeyword(state, u"Debug If"), nullptr) << "a lookup is one word";
  EXPECT_EQ(RegisterKeywords(state, u"   ", 1, 0), 0);
  // Entries stay in place while many more are added.
  std::u16string word = u"w";
  for (int i = 0; i < 500; ++i) RegisterKeywords(state, word += u'x', 1, 0);
  EXPECT_EQ(FindEditorKeyword(state, u"debug"), debug);
  // Beyond ASCII the same folding applies to registration and lookup.
  RegisterKeywords(state, u"ÄÖÜß ΣΑ ПРИВЕТЁ Łódź", 1, 0);
  for (const char16_t* lower : {u"äöüß", u"σα", u"приветё", u"łódź"}) EXPECT_NE(FindEditorKeyword(state, lower), nullptr);

  EditorState exact;
  exact.flags = kEditorCaseSensitive;
  RegisterKeywords(exact, u"Debug DEBUG", 1, 0);
  EXPECT_EQ(exact.keywords.size(), 2u);
  EXPECT_EQ(FindEditorKeyword(exact, u"debug"), nullptr);
}

TEST(EditorKeywords, RepeatedRegistrationOrsFlagsAndTakesTheLaterStyle) {
  EditorState state;
  RegisterKeywords(state, u"Procedure", 1, KW_FOLD_OPEN);
  RegisterKeywords(state, u"PROCEDURE", 3, KW_PREFIX);
  RegisterKeywords(state, u"procedure", -1, 0);
  ASSERT_EQ(state.keywords.size(), 1u);
  const KeywordEntry& entry = state.keywords.front();
  EXPECT_EQ(entry.flags, KW_FOLD_OPEN | KW_PREFIX);
  EXPECT_EQ(entry.style, 3) << "-1 keeps the style";
  EXPECT_EQ(entry.name, u"procedure") << "the name follows the latest spelling";
}

TEST(EditorKeywords, CharacterClasses) {
  EditorState state;
  EXPECT_EQ(AddCharClass(state, u"", u"", KW_TO_LINE_END, 2), 0);
  EXPECT_EQ(AddCharClass(state, u"\"", u"", KW_DELIMITED, 3), 0) << "a delimited run needs its closing text";
  EXPECT_TRUE(state.keywords.empty());
  EXPECT_EQ(AddCharClass(state, u"[", u"]>", KW_DELIMITED, 3), 1);
  EXPECT_EQ(FindEditorKeyword(state, u"[")->closing, ']') << "the first character closes";
  EXPECT_EQ(AddCharClass(state, u";", u"x", KW_TO_LINE_END, 2), 1);
  EXPECT_EQ(FindEditorKeyword(state, u";")->closing, 0) << "only delimited runs have one";
}

TEST(EditorText, LineEndsDigitsAndFonts) {
  EXPECT_EQ(DropLineEnd("abc\r\n"), "abc");
  EXPECT_EQ(DropLineEnd("\r\n"), "");
  EXPECT_EQ(DropLineEnd("a\rb\n\n"), "a\rb");
  EXPECT_EQ(LineNumberSample(9), "9");
  EXPECT_EQ(LineNumberSample(10), "99");
  EXPECT_EQ(LineNumberSample(1000), "9999");
  EXPECT_EQ(EditorFontForVersion(1, 4), u"Courier New");  // Windows 98
  EXPECT_EQ(EditorFontForVersion(2, 5), u"Courier New");  // XP, Server 2003
  EXPECT_EQ(EditorFontForVersion(2, 6), u"Consolas");     // Vista and later
  EXPECT_EQ(EditorFontForVersion(0, 0), u"Consolas");     // unrecognised
}

}  // namespace
}  // namespace vantorel
