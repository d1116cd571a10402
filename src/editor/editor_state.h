#pragma once
// The per-editor state and its keyword registry, without any window: the
// Win32 editor operations and the highlighter both work on these.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vantorel {

// Keyword flags, as the registration calls pass them.
inline constexpr std::uint64_t KW_DELIMITED = 0x1;      // opens a run that ends at the closing character
inline constexpr std::uint64_t KW_TO_LINE_END = 0x2;    // starts a run to the end of the line
inline constexpr std::uint64_t KW_PREFIX = 0x8;         // hands its style to the word after it
inline constexpr std::uint64_t KW_CALL_MARK = 0x10;     // the word before it takes its style
inline constexpr std::uint64_t KW_FOLD_OPEN = 0x1000000;
inline constexpr std::uint64_t KW_FOLD_CLOSE = 0x2000000;
// Any of these on a single character makes it a delimiter.
inline constexpr std::uint64_t kCharClassFlags = 0xFFFFF;

// Editor flags.
inline constexpr int kEditorAutoMarginWidth = 1;
inline constexpr int kEditorCaseSensitive = 2;

// The neutral style: written through the 5-bit style mask it lands as 0.
inline constexpr int kNeutralStyle = 32;

struct KeywordEntry {
  std::u16string name;  // as registered, in its written case
  int style = 0;
  std::uint64_t flags = 0;
  unsigned char closing = 0;  // KW_DELIMITED: the byte that ends the run
};

struct EditorState {
  int owner = 0;
  int flags = 0;
  int lineNumberSpacing = 0;
  // The DPI the editor's window is shown at: its margins' pixels follow it.
  int dpi = 96;
  std::u16string delimiters;
  int numberStyle = kNeutralStyle;
  // A deque keeps entries in place while the map points at them.
  std::deque<KeywordEntry> keywords;
  std::unordered_map<std::u16string, KeywordEntry*> keywordMap;
  // Working values of the highlighter.
  int foldDelta = 0;
  int foldLevel = 0;
  int runningStyle = 0;

  bool CaseSensitive() const { return (flags & kEditorCaseSensitive) != 0; }
};

// Lower case for keyword keys. Covers ASCII, Latin-1, Latin Extended-A,
// Greek and Cyrillic capitals; other characters are kept as they are.
std::u16string FoldKeywordCase(std::u16string_view text);

// Registers the space-separated words with a style (-1 keeps an existing
// entry's style) and flags (OR-ed into an existing entry's); the count of
// words registered.
int RegisterKeywords(EditorState& state, std::u16string_view words, int style, std::uint64_t flags);

// The entry of a word (spaces around it ignored; case folded unless the
// editor matches case), or null.
const KeywordEntry* FindEditorKeyword(const EditorState& state, std::u16string_view word);

// Registers a single character class; refused (0) for an empty character, or
// for KW_DELIMITED without a closing text. Returns the count registered.
int AddCharClass(EditorState& state, std::u16string_view character, std::u16string_view closing,
                 std::uint64_t flags, int style);

// A line as the control gives it, without its trailing CR and LF bytes.
std::string_view DropLineEnd(std::string_view line);

// The text the line-number margin is measured with: one "9" per decimal
// digit of the line count.
std::string LineNumberSample(std::int64_t lineCount);

// The editor font for a system version (platform id as the version API
// reports it): Courier New before Windows Vista, Consolas from Vista on and
// for anything unrecognised.
std::u16string_view EditorFontForVersion(unsigned platformId, unsigned major);

}  // namespace vantorel
