// The "@N" a 32-bit stdcall or fastcall name ends with ("_Name@N", "Name@N",
// "@Name@N"): N is the bytes its arguments take on the stack. The function
// table reads it for the x86 edition's parameter count and the export tips
// for theirs, from UTF-16 and from the library's own bytes: one reader, so
// the two never disagree about a name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vantorel {

template <class Char>
struct StackSuffix {
  std::basic_string_view<Char> stem;  // everything before the last "@"
  std::uint32_t bytes = 0;
};

// Compilers write N in decimal without leading zeros; nine digits already
// exceed any stack a call could take.
inline constexpr std::size_t kMaxStackSuffixDigits = 9;

// The stem and N of a name ending in "@N"; none when the last "@" is not
// followed by such a number.
template <class Char>
std::optional<StackSuffix<Char>> ReadStackSuffix(std::basic_string_view<Char> name) {
  const std::size_t at = name.rfind(Char('@'));
  if (at == std::basic_string_view<Char>::npos) return std::nullopt;
  const std::basic_string_view<Char> digits = name.substr(at + 1);
  if (digits.empty() || digits.size() > kMaxStackSuffixDigits || (digits.size() > 1 && digits[0] == Char('0')))
    return std::nullopt;
  std::uint32_t bytes = 0;
  for (Char c : digits) {
    if (c < Char('0') || c > Char('9')) return std::nullopt;
    bytes = bytes * 10 + static_cast<std::uint32_t>(c - Char('0'));
  }
  return StackSuffix<Char>{name.substr(0, at), bytes};
}

}  // namespace vantorel
