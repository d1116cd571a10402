// The lexer over arbitrary document bytes and a registry that includes
// nesting runs and odd closing characters: one masked style per byte, one
// level per line, never below the base.
#include "editor/highlighter.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

vantorel::EditorState MakeState(bool caseSensitive) {
  using namespace vantorel;
  EditorState state;
  state.flags = caseSensitive ? kEditorCaseSensitive : 0;
  AddCharClass(state, u";", u"", KW_TO_LINE_END, 2);
  AddCharClass(state, u"\"", u"\"", KW_DELIMITED, 3);
  AddCharClass(state, u"[", u"]", KW_DELIMITED, 3);
  AddCharClass(state, u"{", u"\n", KW_DELIMITED | KW_PREFIX, 7);
  AddCharClass(state, u"#", u"", KW_PREFIX, 5);
  AddCharClass(state, u"(", u"", KW_CALL_MARK, 6);
  AddCharClass(state, u".", u"", KW_CALL_MARK | KW_FOLD_OPEN, 40);
  RegisterKeywords(state, u"Debug If Größe", 1, 0);
  RegisterKeywords(state, u"Procedure Macro", 1, KW_FOLD_OPEN);
  RegisterKeywords(state, u"EndProcedure EndMacro", 1, KW_FOLD_CLOSE);
  state.delimiters = u"=+-*/%()[],.";
  state.numberStyle = 4;
  return state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const vantorel::EditorState states[2] = {MakeState(false), MakeState(true)};
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const vantorel::HighlightedText out = vantorel::HighlightText(states[data[0] & 1], text);
  if (out.styles.size() != text.size() || out.foldLevels.empty()) __builtin_trap();
  for (const char s : out.styles) {
    if (static_cast<unsigned char>(s) > vantorel::kStyleMask) __builtin_trap();
  }
  for (const int level : out.foldLevels) {
    if ((level & vantorel::kFoldLevelNumberMask) < vantorel::kFoldLevelBase) __builtin_trap();
  }
  return 0;
}
