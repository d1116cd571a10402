// The facts kept about a library file: its path, its size and the 13
// version strings in a fixed key order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantorel {

struct VersionKey {
  std::u16string_view key;
  bool listedWhenEmpty;  // the version listing leaves the optional ones out when empty
};

inline constexpr std::size_t kVersionKeyCount = 13;

// The index of a key is its slot in LibraryInfo::versionStrings.
inline constexpr std::array<VersionKey, kVersionKeyCount> VersionKeys{{
    {u"FileVersion", true},
    {u"FileDescription", true},
    {u"LegalCopyright", true},
    {u"InternalName", true},
    {u"OriginalFilename", true},
    {u"ProductName", true},
    {u"ProductVersion", true},
    {u"CompanyName", true},
    {u"LegalTrademarks", false},
    {u"SpecialBuild", false},
    {u"PrivateBuild", false},
    {u"Comments", false},
    // Not a string of the resource: the display name of its language.
    {u"Language", true},
}};

inline constexpr std::size_t kFileVersionIndex = 0;
inline constexpr std::size_t kLanguageIndex = 12;

using VersionStrings = std::array<std::u16string, kVersionKeyCount>;

struct LibraryInfo {
  std::u16string path;            // the full path; empty = no library
  std::int64_t size = -1;         // bytes when it was opened; -1 when the file system could not say
  VersionStrings versionStrings;  // trimmed, in VersionKeys order
};

// Removes leading and trailing blanks (U+0020 only) as stored version strings are.
std::u16string TrimSpaces(std::u16string_view text);

}  // namespace vantorel
