#include "editor/editor_state.h"

#include <algorithm>
#include <new>

namespace vantorel {
namespace {

std::u16string_view TrimSpaces(std::u16string_view text) {
  const auto first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  const auto last = text.find_last_not_of(u' ');
  return text.substr(first, last - first + 1);
}

std::u16string KeyOf(const EditorState& state, std::u16string_view word) {
  return state.CaseSensitive() ? std::u16string(word) : FoldKeywordCase(word);
}

// The map holds the entries as changeable; lookups from a const state share it.
KeywordEntry* LookUp(const EditorState& state, std::u16string_view word) {
  const std::u16string_view trimmed = TrimSpaces(word);
  if (trimmed.empty()) return nullptr;
  const auto found = state.keywordMap.find(KeyOf(state, trimmed));
  return found == state.keywordMap.end() ? nullptr : found->second;
}

char16_t FoldChar(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
  if (c < 0xC0) return c;
  if (c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);  // Latin-1, except ×
  if (c >= 0x100 && c <= 0x137 && c % 2 == 0 && c != 0x130) return static_cast<char16_t>(c + 1);
  if (c >= 0x139 && c <= 0x148 && c % 2 == 1) return static_cast<char16_t>(c + 1);
  if (c >= 0x14A && c <= 0x177 && c % 2 == 0) return static_cast<char16_t>(c + 1);
  if (c == 0x178) return 0xFF;
  if (c >= 0x179 && c <= 0x17E && c % 2 == 1) return static_cast<char16_t>(c + 1);
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 0x20);  // Greek
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 0x50);                // Cyrillic Ѐ-Џ
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 0x20);                // Cyrillic А-Я
  return c;
}

}  // namespace

std::u16string FoldKeywordCase(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& c : folded) c = FoldChar(c);
  return folded;
}

int RegisterKeywords(EditorState& state, std::u16string_view words, int style, std::uint64_t flags) {
  const std::u16string_view list = TrimSpaces(words);
  if (list.empty()) return 0;
  int count = 0;
  for (std::size_t start = 0; start <= list.size();) {
    const std::size_t space = std::min(list.find(u' ', start), list.size());
    const std::u16string_view field = list.substr(start, space - start);
    start = space + 1;
    // Two spaces in a row leave an empty field, which no lookup could find.
    if (field.empty()) continue;
    KeywordEntry* entry = nullptr;
    try {
      std::u16string key = KeyOf(state, field);
      if (auto found = state.keywordMap.find(key); found != state.keywordMap.end()) {
        entry = found->second;
      } else {
        state.keywords.emplace_back();
        try {
          state.keywordMap.emplace(std::move(key), &state.keywords.back());
        } catch (const std::bad_alloc&) {
          state.keywords.pop_back();
          continue;
        }
        entry = &state.keywords.back();
      }
      entry->name.assign(field);
    } catch (const std::bad_alloc&) {
      continue;  // this word is skipped, the others are still registered
    }
    if (style != -1) entry->style = style;
    entry->flags |= flags;
    ++count;
  }
  return count;
}

const KeywordEntry* FindEditorKeyword(const EditorState& state, std::u16string_view word) {
  return LookUp(state, word);
}

int AddCharClass(EditorState& state, std::u16string_view character, std::u16string_view closing,
                 std::uint64_t flags, int style) {
  if (character.empty()) return 0;
  if ((flags & KW_DELIMITED) && closing.empty()) return 0;
  const int count = RegisterKeywords(state, character, style, flags);
  if (count == 0 || !(flags & KW_DELIMITED)) return count;
  // The highlighter compares document bytes with it: one byte is kept.
  if (KeywordEntry* entry = LookUp(state, character)) entry->closing = static_cast<unsigned char>(closing.front());
  return count;
}

std::string_view DropLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  return line;
}

std::string LineNumberSample(std::int64_t lineCount) {
  int digits = 1;
  for (std::int64_t n = lineCount; n >= 10; n /= 10) ++digits;
  return std::string(static_cast<std::size_t>(digits), '9');
}

std::u16string_view EditorFontForVersion(unsigned platformId, unsigned major) {
  constexpr unsigned kWindows9x = 1, kWindowsNt = 2;
  if (platformId == kWindows9x || (platformId == kWindowsNt && major < 6)) return u"Courier New";
  return u"Consolas";
}

}  // namespace vantorel
