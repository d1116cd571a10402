// UTF-16 <-> UTF-8, as the files and the editor's document need them.
#pragma once

#include <string>
#include <string_view>

namespace vantorel {

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD (EF BF BD).
std::string Utf8FromUtf16(std::u16string_view text);
// Appends the UTF-8 form of text to out (for building files piecewise).
void AppendUtf8(std::string& out, std::u16string_view text);
// UTF-8 to UTF-16. Every maximal ill-formed sequence (stray continuation
// bytes, truncated sequences, overlong forms, encoded surrogates, values
// above U+10FFFF) becomes one U+FFFD.
std::u16string Utf16FromUtf8(std::string_view bytes);

}  // namespace vantorel
