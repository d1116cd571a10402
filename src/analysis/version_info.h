// The library facts the application keeps about the open library: the 13
// version strings in a fixed key order, plus its path and loaded image.
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
  std::u16string path;            // same as CurrentPath; empty = no library
  void* libraryHandle = nullptr;  // the handle of the library's mapping, null when it was not mapped
  std::uintptr_t moduleBase = 0;  // base of the mapped image, 0 when nothing is mapped
  VersionStrings versionStrings;  // trimmed, in VersionKeys order
};

// Removes leading and trailing blanks (U+0020 only) as stored version strings are.
std::u16string TrimSpaces(std::u16string_view text);

}  // namespace vantorel
