// Rows of the hexadecimal dump and the resource type names.
#include <gtest/gtest.h>

#include <vector>

#include "resources/hex_dump.h"
#include "resources/resource_names.h"

namespace vantorel {
namespace {

TEST(HexDump, RowsOfSixteenAndShortLast) {
  std::vector<std::uint8_t> bytes(20);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0x41 + i);
  const HexDumpRow first = FormatHexDumpRow(0, bytes);
  EXPECT_EQ(first.label, u"00000000H:");
  EXPECT_EQ(first.hex, u"41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50");
  EXPECT_EQ(first.chars, u"ABCDEFGHIJKLMNOP");
  const HexDumpRow last = FormatHexDumpRow(16, std::span(bytes).subspan(16));
  EXPECT_EQ(last.label, u"00000010H:");
  EXPECT_EQ(last.hex, u"51 52 53 54");
  EXPECT_EQ(last.chars, u"QRST");
  EXPECT_EQ(HexDumpLabel(0x100000000ull), u"100000000H:") << "wider offsets keep every digit";
}

TEST(HexDump, EachTitleDigitStandsOverItsByte) {
  // Bytes 00 to 0F end in their own offset digit: wherever the title has a
  // digit, a full row has that same digit below it.
  std::vector<std::uint8_t> offsets(16);
  for (std::size_t i = 0; i < offsets.size(); ++i) offsets[i] = static_cast<std::uint8_t>(i);
  const std::u16string hex = FormatHexDumpRow(0, offsets).hex;
  const std::u16string title = HexDumpBytesTitle();
  ASSERT_EQ(title.size(), hex.size());
  int digits = 0;
  for (std::size_t at = 0; at < title.size(); ++at) {
    if (title[at] == u' ') continue;
    ++digits;
    EXPECT_EQ(title[at], hex[at]) << at;
  }
  EXPECT_EQ(digits, 16);
}

TEST(HexDump, EveryByteButZeroIsItsOwnCharacter) {
  const std::vector<std::uint8_t> bytes{0x4D, 0x5A, 0x00, 0x90, 0x09, 0x0A, 0x0D, 0x01, 0x7F, 0xA0, 0xE9, 0xFF, 0x20};
  const HexDumpRow row = FormatHexDumpRow(0, bytes);
  EXPECT_EQ(row.hex, u"4D 5A 00 90 09 0A 0D 01 7F A0 E9 FF 20");
  EXPECT_EQ(row.chars, u"MZ.\u0090\t\n\r\u0001\u007F\u00A0\u00E9\u00FF ");
  for (int b = 1; b < 256; ++b) EXPECT_EQ(HexDumpCharacter(static_cast<std::uint8_t>(b)), static_cast<char16_t>(b));
}

TEST(ResourceNames, PredefinedTypesUpTo24) {
  EXPECT_EQ(ResourceTypeName(1), u"Cursor");
  EXPECT_EQ(ResourceTypeName(12), u"Cursor Group");
  EXPECT_EQ(ResourceTypeName(13), u"13");
  EXPECT_EQ(ResourceTypeName(24), u"Manifest");
  EXPECT_EQ(ResourceTypeName(0), u"");
  EXPECT_EQ(ResourceTypeName(25), u"");
}

}  // namespace
}  // namespace vantorel
