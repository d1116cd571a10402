// A portable reader of the VS_VERSIONINFO resource: sub-block queries in the
// manner of the system's version API, the translation table, string lookup by
// the first translation, and locating the RT_VERSION resource in a PE file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "analysis/version_info.h"
#include "platform/byte_source.h"
#include "platform/pe_image.h"

namespace vantorel {

struct VersionTranslation {
  std::uint16_t language = 0;
  std::uint16_t codePage = 0;
};

// A block found by QueryVersionValue: where its value starts in the version
// data and the value length as stored (bytes for binary values, characters
// for text values; the resource compilers do not always agree).
struct VersionValue {
  std::size_t offset = 0;
  std::uint16_t length = 0;
  std::uint16_t type = 0;  // 1 = text, 0 = binary
};

// Looks up a sub-block path such as "\StringFileInfo\040904B0\FileVersion" in
// the version data. Components are separated by "\", empty ones are skipped,
// keys compare without regard to ASCII letter case. "\" alone is the root.
std::optional<VersionValue> QueryVersionValue(std::span<const std::uint8_t> versionInfo,
                                              std::u16string_view subBlock);

// The first entry of \VarFileInfo\Translation; nothing when the table is
// missing or shorter than one entry.
std::optional<VersionTranslation> ReadFirstTranslation(std::span<const std::uint8_t> versionInfo);

// "\StringFileInfo\LLLLCCCC\key" with both numbers as 4 upper-case hex digits.
std::u16string StringFileInfoPath(VersionTranslation translation, std::u16string_view key);

// The text value at subBlock: at most as many characters as its stored
// length, cut at the first zero. Nothing when the block is missing.
std::optional<std::u16string> QueryVersionString(std::span<const std::uint8_t> versionInfo,
                                                 std::u16string_view subBlock);

// One version string the way the application reads it: the first translation
// only, no fallback to others; empty on any failure. "Language" is not a
// string of the resource and reads as empty here: callers name the language
// id of ReadFirstTranslation themselves.
std::u16string ReadVersionString(std::span<const std::uint8_t> versionInfo, std::u16string_view key);

// The bytes of the RT_VERSION resource (type 16, name 1) of a PE file, cut to
// what the file holds. Language choice: neutral, then preferredLanguage, its
// primary language, US English, then the first one listed.
std::optional<std::span<const std::uint8_t>> FindVersionResource(std::span<const std::uint8_t> file,
                                                                 std::uint16_t preferredLanguage = 0x0409);
// The same in a file read through its reader, whose headers are known: only
// the resource directory's entries on the way and the resource are read. The
// bytes live as long as the reader.
std::optional<std::span<const std::uint8_t>> FindVersionResource(const SourceReader& file, const PeHeaders& headers,
                                                                 std::uint16_t preferredLanguage = 0x0409);

struct FileVersionStrings {
  VersionStrings values;                    // untrimmed; the "Language" slot stays empty
  std::optional<std::uint16_t> languageId;  // of the first translation, for naming by the caller
};

// All 13 version strings of a PE file's bytes, without any system help.
FileVersionStrings ReadFileVersionStrings(std::span<const std::uint8_t> file);
FileVersionStrings ReadFileVersionStrings(const SourceReader& file, const PeHeaders& headers);

}  // namespace vantorel
