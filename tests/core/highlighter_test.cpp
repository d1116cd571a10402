// The lexer over the preview editor's registry: tokens and their styles, the
// rules of delimited runs, numbers, prefixes and calls, and fold levels.
#include "editor/highlighter.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace vantorel {
namespace {

using Tokens = std::vector<std::pair<std::string, int>>;

// The registry the preview editor is given.
EditorState PreviewState(int flags = 0) {
  EditorState state;
  state.flags = flags;
  AddCharClass(state, u";", u"", KW_TO_LINE_END, 2);
  AddCharClass(state, u"\"", u"\"", KW_DELIMITED, 3);
  AddCharClass(state, u"#", u"", KW_PREFIX, 5);
  AddCharClass(state, u"(", u"", KW_CALL_MARK, 6);
  AddCharClass(state, u")", u"", 0, 6);
  RegisterKeywords(state, u"Debug End If ElseIf Else EndIf For Global To Next Step ProcedureReturn", 1, 0);
  RegisterKeywords(state, u"Procedure Macro", 1, KW_FOLD_OPEN);
  RegisterKeywords(state, u"EndProcedure EndMacro", 1, KW_FOLD_CLOSE);
  state.delimiters = u"=+-*/%()[],.";
  state.numberStyle = 4;
  return state;
}

Tokens Lex(const EditorState& state, std::string_view line) {
  std::vector<StyleRun> runs;
  Highlighter(state).StyleLine(line, kFoldLevelBase, runs);
  Tokens tokens;
  std::size_t at = 0;
  for (const StyleRun& run : runs) {
    tokens.emplace_back(std::string(line.substr(at, run.length)), run.style);
    at += run.length;
  }
  EXPECT_EQ(at, line.size());
  return tokens;
}

TEST(Highlighter, TokensAndStyles) {
  const EditorState state = PreviewState();
  EXPECT_EQ(Lex(state, "DEBUG debug If"), (Tokens{{"DEBUG", 1}, {" ", 0}, {"debug", 1}, {" ", 0}, {"If", 1}}));
  EXPECT_EQ(Lex(state, "x = 1 ; note \"q\"\n"),
            (Tokens{{"x", 0}, {" ", 0}, {"=", 0}, {" ", 0}, {"1", 4}, {" ", 0}, {"; note \"q\"", 2}, {"\n", 0}}));
  EXPECT_EQ(Lex(state, "42,3.14+.5"), (Tokens{{"42", 4}, {",", 0}, {"3.14", 4}, {"+", 0}, {".5", 4}}));
  EXPECT_EQ(Lex(state, "#PB_Any"), (Tokens{{"#", 5}, {"PB_Any", 5}}));
  EXPECT_EQ(Lex(state, "# PB_Any"), (Tokens{{"#", 5}, {" ", 0}, {"PB_Any", 0}}));
  EXPECT_EQ(Lex(state, "GetFunction(hDLL, \"f\")"),
            (Tokens{{"GetFunction", 6}, {"(", 6}, {"hDLL", 0}, {",", 0}, {" ", 0}, {"\"f\"", 3}, {")", 6}}));
  EXPECT_EQ(Lex(state, "OpenLibrary (0"), (Tokens{{"OpenLibrary ", 6}, {"(", 6}, {"0", 4}}));
  EXPECT_EQ(Lex(state, "Debug(a  b"), (Tokens{{"Debug", 1}, {"(", 6}, {"a", 0}, {"  ", 0}, {"b", 0}}));
  EXPECT_EQ(Lex(state, "\"abc\r\n"), (Tokens{{"\"abc", 3}, {"\r", 0}, {"\n", 0}}));
  EXPECT_EQ(Lex(state, "\"a\"\"b\""), (Tokens{{"\"a\"", 3}, {"\"b\"", 3}}));
  // After "~" a backslash escapes: the literal ends at its real closing quote.
  EXPECT_EQ(Lex(state, "(~\"a\\\"b\\\\\")+\"c\\\"d"),
            (Tokens{{"(", 6}, {"~", 0}, {"\"a\\\"b\\\\\"", 3}, {")", 6}, {"+", 0}, {"\"c\\\"", 3}, {"d", 0}}));
  EXPECT_EQ(Lex(state, "1.2.3"), (Tokens{{"1", 0}, {".", 0}, {"2.3", 4}}));
  EXPECT_EQ(Lex(state, "2x x2 <> 0"),
            (Tokens{{"2x", 0}, {" ", 0}, {"x2", 0}, {" ", 0}, {"<>", 0}, {" ", 0}, {"0", 4}}));
  // Non-ASCII bytes never end a word.
  EXPECT_EQ(Lex(state, "gr\xC3\xBC\xC3\x9F(x"), (Tokens{{"gr\xC3\xBC\xC3\x9F", 6}, {"(", 6}, {"x", 0}}));
  EXPECT_EQ(Lex(state, "\xFF\xFE;x"), (Tokens{{"\xFF\xFE", 0}, {";x", 2}}));
}

TEST(Highlighter, RegistryVariants) {
  EditorState state = PreviewState(kEditorCaseSensitive);
  EXPECT_EQ(Lex(state, "Debug debug"), (Tokens{{"Debug", 1}, {" ", 0}, {"debug", 0}}));

  // Brackets that nest, a style beyond five bits, a non-ASCII keyword.
  state = PreviewState();
  AddCharClass(state, u"[", u"]", KW_DELIMITED, 3);
  RegisterKeywords(state, u"Größe", 33, 0);
  EXPECT_EQ(Lex(state, "[a[b]c]d [x\n"), (Tokens{{"[a[b]c]", 3}, {"d", 0}, {" ", 0}, {"[x", 3}, {"\n", 0}}));
  EXPECT_EQ(Lex(state,
                "GR\xC3\x96\xC3\x9F"
                "E"),
            (Tokens{{"GR\xC3\x96\xC3\x9F"
                     "E",
                     1}}));

  // A character registered without any class flag is no delimiter.
  state = EditorState{};
  RegisterKeywords(state, u"@", 2, 0);
  AddCharClass(state, u"!", u"", KW_CALL_MARK, 6);
  EXPECT_EQ(Lex(state, "a@b c!"), (Tokens{{"a@b", 0}, {" ", 0}, {"c", 6}, {"!", 6}}));
}

TEST(Highlighter, FoldLevels) {
  const EditorState state = PreviewState();
  constexpr int B = kFoldLevelBase, H = kFoldLevelHeaderFlag;
  EXPECT_EQ(HighlightText(state, "Procedure A()\n  x\n  Macro M\n  EndMacro\nEndProcedure\ny").foldLevels,
            (std::vector<int>{B | H, B + 1, (B + 1) | H, B + 2, B + 1, B}));
  // Open and close on one line, a stray close, two opens on one line.
  EXPECT_EQ(HighlightText(state, "Procedure a() : EndProcedure\nEndProcedure\nMacro a : Macro b\nx\n").foldLevels,
            (std::vector<int>{B, B, B | H, B + 2, B + 2}));
  // Inside a block a close may bring the level down only to the base.
  EXPECT_EQ(HighlightText(state, "Macro\nEndMacro EndMacro EndMacro\nx").foldLevels,
            (std::vector<int>{B | H, B + 1, B}));
  // Fold words inside comments, strings and after a prefix.
  EXPECT_EQ(HighlightText(state, "; Procedure\n\"Macro\"\n#Macro\n").foldLevels,
            (std::vector<int>{B, B, B | H, B + 1}));
  // Lines end at LF, CR LF or a lone CR, as the control cuts them.
  const HighlightedText text = HighlightText(state, "If\r\n1\r;\n");
  EXPECT_EQ(text.styles, std::string("\1\1\0\0\4\0\2\0", 8));
  EXPECT_EQ(text.foldLevels.size(), 4u);
}

}  // namespace
}  // namespace vantorel

namespace vantorel {
namespace {

// More openings than the control's 12-bit level can count stay at the top
// level instead of spilling into the flag bits.
TEST(HighlighterFolds, DeepNestingStaysWithinTheLevelBits) {
  EXPECT_EQ(NextFoldLevel(kFoldLevelNumberMask - 1, 5), kFoldLevelNumberMask);
  EXPECT_EQ(NextFoldLevel(kFoldLevelBase, 100000), kFoldLevelNumberMask);
  EXPECT_EQ(NextFoldLevel(kFoldLevelBase + 2, -5), kFoldLevelBase);
  EXPECT_EQ(StoredFoldLevel(NextFoldLevel(kFoldLevelBase, 100000), 1) & kFoldLevelNumberMask, kFoldLevelNumberMask);
}

}  // namespace
}  // namespace vantorel
