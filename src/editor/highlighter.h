#pragma once
// The preview editor's lexer without any window: UTF-8 bytes of one line in,
// style runs and the line's fold delta out, driven by an editor's keyword
// registry, delimiters and number style.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "editor/editor_state.h"

namespace vantorel {

// Fold levels as the control stores them.
inline constexpr int kFoldLevelBase = 0x400;
inline constexpr int kFoldLevelNumberMask = 0x0FFF;
inline constexpr int kFoldLevelHeaderFlag = 0x2000;
// The control keeps style bytes as given; five bits is what this editor uses.
inline constexpr int kStyleMask = 31;

struct StyleRun {
  std::size_t length = 0;
  unsigned char style = 0;  // already masked
};

struct NumberScan {
  std::size_t length = 0;  // 0: the bytes do not start a numeric literal
  std::size_t digits = 0;
};

// One lexing pass over a registry. Building it answers every delimiter
// question and indexes the ASCII keywords up front, so tokenising asks no map
// per byte. The registry must outlive the pass and stay unchanged during it.
class Highlighter {
 public:
  explicit Highlighter(const EditorState& state);

  bool IsDelimiter(unsigned char byte) const { return delimiter_[byte]; }
  // The byte's registry entry while it is a delimiter, else null.
  const KeywordEntry* DelimiterEntry(unsigned char byte) const { return delimiterEntry_[byte]; }
  NumberScan ScanNumber(std::string_view bytes) const;
  // The registry entry of a word (UTF-8), or null.
  const KeywordEntry* FindKeyword(std::string_view word) const;

  // Styles one line (its line-end bytes included) into runs, replacing the
  // contents of runs; foldLevel is the level at the start of the line (no
  // flags). Returns the line's fold delta.
  int StyleLine(std::string_view line, int foldLevel, std::vector<StyleRun>& runs) const;

 private:
  struct Token {
    std::size_t length;
    int style;
    const KeywordEntry* entry;
  };
  // escapes: the run follows a "~", so inside it a backslash takes the next
  // character along (PureBasic's ~"a\"b" is one literal).
  Token NextToken(const unsigned char* bytes, std::size_t length, int& running, bool escapes) const;

  struct AsciiKey {
    std::string key;  // case-folded like the registry's key
    const KeywordEntry* entry;
  };

  const EditorState& state_;
  bool delimiter_[256] = {};
  bool endsWord_[256] = {};  // blank or delimiter
  const KeywordEntry* delimiterEntry_[256] = {};
  std::vector<std::vector<AsciiKey>> asciiKeysByLength_;
  bool hasNonAsciiKeys_ = false;
};

// The level stored for a line that starts at level with the given fold delta,
// and the level the next line starts at.
inline int StoredFoldLevel(int level, int delta) { return level | (delta > 0 ? kFoldLevelHeaderFlag : 0); }
// The control keeps a level in 12 bits: deeper nesting stays at the top
// instead of spilling into the flag bits.
inline int NextFoldLevel(int level, int delta) {
  const long long next = static_cast<long long>(level) + delta;
  if (next < kFoldLevelBase) return kFoldLevelBase;
  return next > kFoldLevelNumberMask ? kFoldLevelNumberMask : static_cast<int>(next);
}

// A whole text lexed from its first line, lines cut at LF, CR LF or a lone CR
// as the control cuts them: one style byte per text byte and one stored fold
// level per line (a text ending in a line end has an empty last line).
struct HighlightedText {
  std::string styles;
  std::vector<int> foldLevels;
};
HighlightedText HighlightText(const EditorState& state, std::string_view text);

}  // namespace vantorel
