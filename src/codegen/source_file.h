// The saved form of the generated source: its default name beside the
// library and its bytes (UTF-8 with a byte order mark, CR LF line ends),
// plus the UTF-16 <-> UTF-8 conversions the files and the editor need.
#pragma once

#include <span>
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

// The name proposed for the source of a library: the extension of the path's
// file part replaced by "pbi", or ".pbi" appended when the file part has no
// "."; a "." in a folder name is not an extension. "\" and "/" both separate.
// The path with the extension of its file part replaced (or appended when
// the file part has none).
std::u16string ReplaceFileExtension(std::u16string_view path, std::u16string_view extension);
std::u16string DefaultSourcePath(std::u16string_view libraryPath);

// The UTF-8 byte order mark every saved source starts with.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Appends one line of the saved file: the line as UTF-8, then CR LF.
void AppendSourceLine(std::string& out, std::u16string_view line);
// The whole saved file: the byte order mark, then each line followed by
// CR LF.
std::string EncodeSourceFile(std::span<const std::u16string> lines);

}  // namespace vantorel
