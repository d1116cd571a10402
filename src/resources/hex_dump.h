// Row formatting of the hexadecimal dump: 16 bytes a row, an offset label,
// the bytes in hex and one character per byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vantorel {

inline constexpr std::size_t kHexDumpRowBytes = 16;

struct HexDumpRow {
  std::u16string label;  // "0000ABC0H:"
  std::u16string hex;    // "4D 5A 00 90", no trailing blank
  std::u16string chars;  // one character per byte
};

// The offset as 8 uppercase hex digits and "H:" (wider when it needs more).
std::u16string HexDumpLabel(std::uint64_t offset);

// The character shown for one byte. Control characters (C0, DEL, C1) show
// as "." like 0: in a one-line cell a tab or line break would break the row
// and the grid's copied text, and the C1 range has no glyphs in the font.
char16_t HexDumpCharacter(std::uint8_t byte);

// One row: at most kHexDumpRowBytes of bytes are used.
HexDumpRow FormatHexDumpRow(std::uint64_t offset, std::span<const std::uint8_t> bytes);

}  // namespace vantorel
