// The keyword registry and the small text rules of the editor, without a
// window.
#include <gtest/gtest.h>

#include "editor/editor_state.h"

namespace vantorel {
namespace {

EditorState Fresh(int flags = kEditorAutoMarginWidth) {
  EditorState state;
  state.owner = 1;
  state.flags = flags;
  return state;
}

TEST(EditorKeywords, FoundInAnyCaseKeepingTheWrittenName) {
  EditorState state = Fresh();
  EXPECT_EQ(RegisterKeywords(state, u"Debug", 1, 0), 1);
  const KeywordEntry* upper = FindEditorKeyword(state, u"DEBUG");
  const KeywordEntry* lower = FindEditorKeyword(state, u" debug ");
  ASSERT_NE(upper, nullptr);
  EXPECT_EQ(upper, lower);
  EXPECT_EQ(upper->name, u"Debug");
  EXPECT_EQ(upper->style, 1);
  EXPECT_EQ(FindEditorKeyword(state, u"Debu"), nullptr);
  EXPECT_EQ(FindEditorKeyword(state, u"   "), nullptr);
}

TEST(EditorKeywords, CaseSensitiveEditorMatchesExactly) {
  EditorState state = Fresh(kEditorAutoMarginWidth | kEditorCaseSensitive);
  RegisterKeywords(state, u"Debug", 1, 0);
  EXPECT_NE(FindEditorKeyword(state, u"Debug"), nullptr);
  EXPECT_EQ(FindEditorKeyword(state, u"DEBUG"), nullptr);
  EXPECT_EQ(RegisterKeywords(state, u"DEBUG", 2, 0), 1);
  EXPECT_EQ(state.keywords.size(), 2u) << "two spellings, two entries";
}

TEST(EditorKeywords, RepeatedRegistrationOrsFlagsAndTakesTheLaterStyle) {
  EditorState state = Fresh();
  RegisterKeywords(state, u"Procedure", 1, KW_FOLD_OPEN);
  RegisterKeywords(state, u"PROCEDURE", 3, KW_PREFIX);
  ASSERT_EQ(state.keywords.size(), 1u);
  const KeywordEntry* entry = FindEditorKeyword(state, u"procedure");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->flags, KW_FOLD_OPEN | KW_PREFIX);
  EXPECT_EQ(entry->style, 3);
  EXPECT_EQ(entry->name, u"PROCEDURE") << "the name follows the latest spelling";
  RegisterKeywords(state, u"Procedure", -1, 0);
  EXPECT_EQ(entry->style, 3) << "style -1 keeps the style";
  EXPECT_EQ(entry->flags, KW_FOLD_OPEN | KW_PREFIX);
}

TEST(EditorKeywords, WordListsAreTrimmedAndSplitAtSpaces) {
  EditorState state = Fresh();
  EXPECT_EQ(RegisterKeywords(state, u"  If  Else EndIf ", 1, 0), 3) << "empty fields are not words";
  EXPECT_EQ(RegisterKeywords(state, u"For for FOR", 1, 0), 3);
  EXPECT_EQ(state.keywords.size(), 4u);
  EXPECT_EQ(RegisterKeywords(state, u"", 1, 0), 0);
  EXPECT_EQ(RegisterKeywords(state, u"    ", 1, 0), 0);
  EXPECT_NE(FindEditorKeyword(state, u"else"), nullptr);
  EXPECT_EQ(FindEditorKeyword(state, u"If Else"), nullptr) << "a lookup is one word";
  // Entries stay where they are while more are added.
  const KeywordEntry* first = FindEditorKeyword(state, u"if");
  std::u16string word = u"w";
  for (int i = 0; i < 500; ++i) RegisterKeywords(state, word += u'x', 1, 0);
  EXPECT_EQ(FindEditorKeyword(state, u"IF"), first);
  EXPECT_EQ(first->name, u"If");
}

TEST(EditorKeywords, CharacterClasses) {
  EditorState state = Fresh();
  EXPECT_EQ(AddCharClass(state, u"", u"", KW_TO_LINE_END, 2), 0);
  EXPECT_EQ(AddCharClass(state, u"\"", u"", KW_DELIMITED, 3), 0) << "a delimited run needs its closing text";
  EXPECT_TRUE(state.keywords.empty());

  EXPECT_EQ(AddCharClass(state, u"\"", u"\"", KW_DELIMITED, 3), 1);
  const KeywordEntry* quote = FindEditorKeyword(state, u"\"");
  ASSERT_NE(quote, nullptr);
  EXPECT_EQ(quote->closing, '"');
  EXPECT_EQ(quote->style, 3);

  EXPECT_EQ(AddCharClass(state, u"[", u"]]", KW_DELIMITED, 4), 1);
  EXPECT_EQ(FindEditorKeyword(state, u"[")->closing, ']') << "the first character closes";

  EXPECT_EQ(AddCharClass(state, u";", u"x", KW_TO_LINE_END, 2), 1);
  EXPECT_EQ(FindEditorKeyword(state, u";")->closing, 0) << "only delimited runs have a closing character";
  EXPECT_EQ(AddCharClass(state, u")", u"", 0, 6), 1);
  EXPECT_EQ(FindEditorKeyword(state, u")")->flags, 0u);
}

TEST(EditorKeywords, CaseFoldingBeyondAscii) {
  EXPECT_EQ(FoldKeywordCase(u"OpenLibrary_42"), u"openlibrary_42");
  EXPECT_EQ(FoldKeywordCase(u"ÄÖÜÀÞ×"), u"äöüàþ×");
  EXPECT_EQ(FoldKeywordCase(u"ŁĄŸŽ"), u"łąÿž");
  EXPECT_EQ(FoldKeywordCase(u"ΣΑΩ"), u"σαω");
  EXPECT_EQ(FoldKeywordCase(u"ПРИВЕТЁЂ"), u"приветёђ");
  EXPECT_EQ(FoldKeywordCase(u"日本"), u"日本");
  EditorState state = Fresh();
  RegisterKeywords(state, u"Größe", 1, 0);
  EXPECT_NE(FindEditorKeyword(state, u"GRÖßE"), nullptr);
}

TEST(EditorText, LineEndsAreDropped) {
  EXPECT_EQ(DropLineEnd("abc\r\n"), "abc");
  EXPECT_EQ(DropLineEnd("abc\n"), "abc");
  EXPECT_EQ(DropLineEnd("\r\n"), "");
  EXPECT_EQ(DropLineEnd(""), "");
  EXPECT_EQ(DropLineEnd("a\rb\n\n"), "a\rb") << "only trailing line ends go";
}

TEST(EditorText, LineNumberSampleHasOneNinePerDigit) {
  EXPECT_EQ(LineNumberSample(1), "9");
  EXPECT_EQ(LineNumberSample(9), "9");
  EXPECT_EQ(LineNumberSample(10), "99");
  EXPECT_EQ(LineNumberSample(99), "99");
  EXPECT_EQ(LineNumberSample(100), "999");
  EXPECT_EQ(LineNumberSample(1234567), "9999999");
}

TEST(EditorText, FontBySystemVersion) {
  EXPECT_EQ(EditorFontForVersion(1, 4), u"Courier New");   // Windows 98
  EXPECT_EQ(EditorFontForVersion(2, 4), u"Courier New");   // NT 4.0
  EXPECT_EQ(EditorFontForVersion(2, 5), u"Courier New");   // XP, Server 2003
  EXPECT_EQ(EditorFontForVersion(2, 6), u"Consolas");      // Vista, 7
  EXPECT_EQ(EditorFontForVersion(2, 10), u"Consolas");
  EXPECT_EQ(EditorFontForVersion(0, 0), u"Consolas");      // unrecognised
}

}  // namespace
}  // namespace vantorel
