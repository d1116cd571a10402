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

// The character shown for one byte: "." for 0 (it would end the cell's
// text), and for every other byte the character with that code, control
// characters included (bytes 128 to 255 as U+0080 to U+00FF). The grid
// draws them as glyphs: a tab, CR or LF neither moves nor wraps the row.
char16_t HexDumpCharacter(std::uint8_t byte);

// The title of the bytes column: each byte's offset digit stands over the
// last digit of that byte in every row, as wide as a full row's bytes.
std::u16string HexDumpBytesTitle();

// One row: at most kHexDumpRowBytes of bytes are used.
HexDumpRow FormatHexDumpRow(std::uint64_t offset, std::span<const std::uint8_t> bytes);

}  // namespace vantorel
