#include "app/status_text.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

TEST(SelectionCountText, PadsTheTickedNumberToTheTotalsDigits) {
  EXPECT_EQ(SelectionCountText(0, 0), u"   0 of 0 functions selected!");
  EXPECT_EQ(SelectionCountText(7, 123), u"   007 of 123 functions selected!");
  EXPECT_EQ(SelectionCountText(12, 12), u"   12 of 12 functions selected!");
  EXPECT_EQ(SelectionCountText(999, 1000), u"   0999 of 1000 functions selected!");
  EXPECT_EQ(SelectionCountText(0, 65535), u"   00000 of 65535 functions selected!");
  EXPECT_EQ(SelectionCountText(9, 10), u"   09 of 10 functions selected!");
}

TEST(MainTitle, NamesThePathWhenOpen) {
  EXPECT_EQ(MainTitle(u""), u"Vantorel");
  EXPECT_EQ(MainTitle(u"C:\\Libs\\user32.dll"), u"Vantorel - C:\\Libs\\user32.dll");
  // The x86 edition names itself, so a user can tell the two apart.
  EXPECT_EQ(MainTitle(u"", Edition::X86), u"Vantorel x86");
  EXPECT_EQ(MainTitle(u"C:\\a.dll", Edition::X86), u"Vantorel x86 - C:\\a.dll");
}

TEST(StatusFields, SizeAndVersionTexts) {
  EXPECT_EQ(FileSizeField(1024), u" Filesize: 1.00 KB");
  EXPECT_EQ(FileSizeField(1023), u" Filesize: 1023 Byte");
  EXPECT_EQ(FileSizeField(-1), u" Filesize: -1 Byte");
  EXPECT_EQ(FileVersionField(u""), u" FileVersion: ");
  EXPECT_EQ(FileVersionField(u"1.2.13"), u" FileVersion: 1.2.13");
}

}  // namespace
}  // namespace vantorel
