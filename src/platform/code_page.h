// Text of libraries that predate Unicode: export names are bytes in the
// ANSI code page of the system that built them. This decodes them the way
// MultiByteToWideChar does, without asking the system, so every caller on
// every platform shows the same names.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace vantorel {

// What a Western Windows system uses for ANSI text.
inline constexpr unsigned kWesternCodePage = 1252;
inline constexpr unsigned kUtf8CodePage = 65001;

// The single-byte Windows code pages (874, 1250 to 1258), ISO 8859-1
// (28591) and UTF-8 (65001), ascending.
std::span<const unsigned> SupportedCodePages();
bool IsSupportedCodePage(unsigned codePage);

// The bytes as UTF-16. A single-byte page maps every byte to one character,
// bytes the page leaves undefined included, as the system does; ill-formed
// UTF-8 becomes U+FFFD. An unsupported code page gives the empty
// string: check with IsSupportedCodePage first.
std::u16string DecodeCodePage(std::string_view bytes, unsigned codePage);

}  // namespace vantorel
