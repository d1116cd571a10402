#include "editor/highlighter.h"

#include <algorithm>

#include "platform/utf8.h"

namespace vantorel {
namespace {

bool IsBlank(unsigned char b) { return b == ' ' || b == '\t'; }
bool IsLineEnd(unsigned char b) { return b == '\r' || b == '\n'; }
bool IsDigit(unsigned char b) { return b >= '0' && b <= '9'; }

unsigned char Masked(int style) { return static_cast<unsigned char>(style & kStyleMask); }

}  // namespace

Highlighter::Highlighter(const EditorState& state) : state_(state) {
  // Only ASCII bytes can be delimiters: a byte of a multi-byte sequence is
  // part of a character, never a character of its own.
  for (unsigned b = 0; b < 0x80; ++b) {
    const auto c = static_cast<char16_t>(b);
    bool isDelimiter = IsLineEnd(static_cast<unsigned char>(b)) || state.delimiters.find(c) != std::u16string::npos;
    const KeywordEntry* entry = FindEditorKeyword(state, std::u16string_view(&c, 1));
    if (!isDelimiter && entry && (entry->flags & kCharClassFlags)) isDelimiter = true;
    delimiter_[b] = isDelimiter;
    delimiterEntry_[b] = isDelimiter ? entry : nullptr;
    endsWord_[b] = isDelimiter || IsBlank(static_cast<unsigned char>(b));
  }

  // Keys are already case-folded in the map, and folding leaves ASCII words
  // ASCII, so an ASCII word can only ever match an ASCII key. Bucketed by
  // length: most words of generated source are longer than any keyword.
  for (const auto& [key, entry] : state.keywordMap) {
    if (key.empty()) continue;
    if (!std::all_of(key.begin(), key.end(), [](char16_t c) { return c < 0x80; })) {
      hasNonAsciiKeys_ = true;
      continue;
    }
    if (asciiKeysByLength_.size() <= key.size()) asciiKeysByLength_.resize(key.size() + 1);
    asciiKeysByLength_[key.size()].push_back({std::string(key.begin(), key.end()), entry});
  }
}

const KeywordEntry* Highlighter::FindKeyword(std::string_view word) const {
  if (word.empty()) return nullptr;
  bool ascii = true;
  for (const char c : word) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (!ascii) return hasNonAsciiKeys_ ? FindEditorKeyword(state_, Utf16FromUtf8(word)) : nullptr;
  if (word.size() >= asciiKeysByLength_.size()) return nullptr;
  // Spaces never occur inside a word, so the registry's trimming changes nothing.
  const bool fold = !state_.CaseSensitive();
  const auto folded = [fold](char c) { return fold && c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c; };
  for (const AsciiKey& candidate : asciiKeysByLength_[word.size()]) {
    std::size_t i = 0;
    while (i < word.size() && folded(word[i]) == candidate.key[i]) ++i;
    if (i == word.size()) return candidate.entry;
  }
  return nullptr;
}

NumberScan Highlighter::ScanNumber(std::string_view bytes) const {
  std::size_t n = 0, digits = 0;
  bool dot = false;
  for (; n < bytes.size(); ++n) {
    const auto b = static_cast<unsigned char>(bytes[n]);
    if (b == '.') {
      if (dot) return {};
      dot = true;
    } else if (IsDigit(b)) {
      ++digits;
    } else {
      if (IsBlank(b) || IsDelimiter(b)) break;
      return {};
    }
  }
  if (n == 0) return {};
  return {n, digits};
}

Highlighter::Token Highlighter::NextToken(const unsigned char* bytes, std::size_t length, int& running,
                                            bool escapes) const {
  const int prefixStyle = running;
  const unsigned char first = bytes[0];

  if (IsBlank(first)) {
    std::size_t n = 1;
    while (n < length && IsBlank(bytes[n])) ++n;
    return {n, prefixStyle, nullptr};
  }

  if (IsDelimiter(first)) {
    const KeywordEntry* e = DelimiterEntry(first);
    running = kNeutralStyle;
    Token token{1, e ? e->style : kNeutralStyle, e};
    if (first == '.') {
      const NumberScan number = ScanNumber({reinterpret_cast<const char*>(bytes), length});
      if (number.digits != 0) return {number.length, state_.numberStyle, nullptr};
    }
    if (length > 1 && e) {
      if (e->flags & KW_DELIMITED) {
        int depth = 1;
        std::size_t n = 1;
        for (; n < length; ++n) {
          const unsigned char b = bytes[n];
          if (escapes && b == '\\' && n + 1 < length && !IsLineEnd(bytes[n + 1])) {
            ++n;
          } else if (b == e->closing) {
            if (--depth == 0) {
              ++n;
              break;
            }
          } else if (b == first) {
            ++depth;
          } else if (IsLineEnd(b)) {
            break;
          }
        }
        token.length = n;
      } else if (e->flags & KW_TO_LINE_END) {
        std::size_t n = length;
        while (n > 1 && IsLineEnd(bytes[n - 1])) --n;
        token.length = n;
      } else if (e->flags & KW_PREFIX) {
        if (!IsBlank(bytes[1])) running = e->style;
      }
    }
    return token;
  }

  if (const NumberScan number = ScanNumber({reinterpret_cast<const char*>(bytes), length}); number.length > 0) {
    running = kNeutralStyle;
    return {number.length, state_.numberStyle, nullptr};
  }

  std::size_t n = 1;
  while (n < length && !endsWord_[bytes[n]]) ++n;
  const KeywordEntry* mark = n < length ? DelimiterEntry(bytes[n]) : nullptr;
  const KeywordEntry* keyword = FindKeyword({reinterpret_cast<const char*>(bytes), n});

  if (prefixStyle != kNeutralStyle) {
    running = kNeutralStyle;
    return {n, prefixStyle, keyword};
  }
  if (keyword) return {n, keyword->style, keyword};
  std::size_t blanks = 0;
  if (!mark) {
    while (n + blanks < length && IsBlank(bytes[n + blanks])) ++blanks;
    if (n + blanks < length) mark = DelimiterEntry(bytes[n + blanks]);
  }
  // A word before a call mark, blanks between included, is a call.
  if (mark && (mark->flags & KW_CALL_MARK)) return {n + blanks, mark->style, nullptr};
  return {n, kNeutralStyle, nullptr};
}

int Highlighter::StyleLine(std::string_view line, int foldLevel, std::vector<StyleRun>& runs) const {
  runs.clear();
  const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
  int running = kNeutralStyle;
  int delta = 0;
  for (std::size_t pos = 0; pos < line.size();) {
    const Token token = NextToken(bytes + pos, line.size() - pos, running, pos > 0 && bytes[pos - 1] == '~');
    runs.push_back({token.length, Masked(token.style)});
    pos += token.length;
    if (!token.entry) continue;
    if (token.entry->flags & KW_FOLD_OPEN) ++delta;
    // A close with nothing open at the outermost level is not counted, so a
    // stray end keyword cannot push the following lines below the base.
    if ((token.entry->flags & KW_FOLD_CLOSE) && !(foldLevel <= kFoldLevelBase && delta == 0)) --delta;
  }
  return delta;
}

HighlightedText HighlightText(const EditorState& state, std::string_view text) {
  const Highlighter highlighter(state);
  HighlightedText out;
  out.styles.reserve(text.size());
  std::vector<StyleRun> runs;
  int level = kFoldLevelBase;
  std::size_t start = 0;
  while (true) {
    std::size_t end = start;
    while (end < text.size() && !IsLineEnd(static_cast<unsigned char>(text[end]))) ++end;
    if (end < text.size()) end += (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1;
    const int delta = highlighter.StyleLine(text.substr(start, end - start), level, runs);
    for (const StyleRun& run : runs) out.styles.append(run.length, static_cast<char>(run.style));
    out.foldLevels.push_back(StoredFoldLevel(level, delta));
    level = NextFoldLevel(level, delta);
    if (end == text.size() && (end == start || !IsLineEnd(static_cast<unsigned char>(text[end - 1])))) break;
    start = end;
  }
  return out;
}

}  // namespace vantorel
