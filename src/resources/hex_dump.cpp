#include "resources/hex_dump.h"

namespace vantorel {

namespace {
constexpr char16_t kDigits[] = u"0123456789ABCDEF";
}

std::u16string HexDumpLabel(std::uint64_t offset) {
  int digits = 8;
  while (digits < 16 && (offset >> (4 * digits)) != 0) ++digits;
  std::u16string label(static_cast<std::size_t>(digits), u'0');
  for (int i = digits - 1; i >= 0; --i, offset >>= 4) label[static_cast<std::size_t>(i)] = kDigits[offset & 0xF];
  return label + u"H:";
}

char16_t HexDumpCharacter(std::uint8_t byte) {
  if (byte == 0) return u'.';
  return static_cast<char16_t>(byte);  // Latin-1 maps straight onto U+0000-U+00FF
}

std::u16string HexDumpBytesTitle() {
  std::u16string title;
  for (std::size_t i = 0; i < kHexDumpRowBytes; ++i) {
    title += i == 0 ? u" " : u"  ";
    title += kDigits[i];
  }
  return title;
}

HexDumpRow FormatHexDumpRow(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (bytes.size() > kHexDumpRowBytes) bytes = bytes.first(kHexDumpRowBytes);
  HexDumpRow row;
  row.label = HexDumpLabel(offset);
  row.hex.reserve(bytes.size() * 3);
  row.chars.reserve(bytes.size());
  for (std::uint8_t b : bytes) {
    if (!row.hex.empty()) row.hex += u' ';
    row.hex += kDigits[b >> 4];
    row.hex += kDigits[b & 0xF];
    row.chars += HexDumpCharacter(b);
  }
  return row;
}

}  // namespace vantorel
