#include "codegen/source_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>


namespace vantorel {
namespace {

TEST(SourceFileName, ExtensionOfTheFilePartBecomesPbi) {
  EXPECT_EQ(DefaultSourcePath(u"C:\\Libs\\user32.dll"), u"C:\\Libs\\user32.pbi");
  EXPECT_EQ(DefaultSourcePath(u"C:\\Libs\\a.b.dll"), u"C:\\Libs\\a.b.pbi");
  EXPECT_EQ(DefaultSourcePath(u"C:\\Libs\\mylib"), u"C:\\Libs\\mylib.pbi");
  EXPECT_EQ(DefaultSourcePath(u"C:\\my.libs\\mylib"), u"C:\\my.libs\\mylib.pbi") << "a folder's dot is no extension";
  EXPECT_EQ(DefaultSourcePath(u"/my.libs/mylib"), u"/my.libs/mylib.pbi");
  EXPECT_EQ(DefaultSourcePath(u"C:\\my.libs/x.ocx"), u"C:\\my.libs/x.pbi");
  EXPECT_EQ(DefaultSourcePath(u"C:\\Libs\\name."), u"C:\\Libs\\name.pbi") << "an empty extension is replaced too";
  EXPECT_EQ(DefaultSourcePath(u"user32.DLL"), u"user32.pbi");
  EXPECT_EQ(DefaultSourcePath(u"C:\\Libs\\"), u"C:\\Libs\\.pbi");
  EXPECT_EQ(DefaultSourcePath(u""), u".pbi");
}

TEST(SourceFileBytes, BomThenEveryLineWithCrLf) {
  EXPECT_EQ(EncodeSourceFile({}), "\xEF\xBB\xBF");
  const std::vector<std::u16string> lines{u"abc", u"", u"\u00E9\u20AC\U0001F600", u"  x"};
  EXPECT_EQ(EncodeSourceFile(lines),
            "\xEF\xBB\xBF"
            "abc\r\n"
            "\r\n"
            "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\r\n"
            "  x\r\n");
}

// A generated text is saved as its lines would be: every kind of line end,
// surrogates paired or not beside them, non-ASCII runs between ASCII ones.
TEST(SourceFileBytes, TextEncodesAsItsLines) {
  const char16_t hi = 0xD83D, lo = 0xDE00;
  const std::u16string texts[] = {
      u"",          u"abc",        u"a\r\nb\rc\nd", u"\r\n",        u"x\n",         u"\r\r\n\n\r",
      u"\u00E9t\u00E9\r\n\u20AC", {u'a', hi, lo, u'b'}, {hi, u'\r', lo}, {u'x', hi}, {lo, u'\n', hi, lo, hi},
  };
  for (const std::u16string& text : texts) {
    std::vector<std::u16string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] != u'\r' && text[i] != u'\n') {
        lines.back() += text[i];
        continue;
      }
      if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      lines.emplace_back();
    }
    EXPECT_EQ(EncodeSourceText(text), EncodeSourceFile(lines)) << Utf8FromUtf16(text);
  }
}

TEST(SourceUtf8, EncodesAllPlanesAndReplacesUnpairedSurrogates) {
  EXPECT_EQ(Utf8FromUtf16(u""), "");
  EXPECT_EQ(Utf8FromUtf16(u"A\u007F\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF"),
            "A\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
  const std::u16string lonelyHigh{u'a', char16_t(0xD83D), u'b'};
  const std::u16string lonelyLow{char16_t(0xDE00), u'c'};
  const std::u16string highAtEnd{u'x', char16_t(0xD800)};
  const std::u16string twoHighs{char16_t(0xD800), char16_t(0xD83D), char16_t(0xDE00)};
  const std::u16string reversed{char16_t(0xDE00), char16_t(0xD83D)};
  EXPECT_EQ(Utf8FromUtf16(lonelyHigh), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(Utf8FromUtf16(lonelyLow), "\xEF\xBF\xBD" "c");
  EXPECT_EQ(Utf8FromUtf16(highAtEnd), "x\xEF\xBF\xBD");
  EXPECT_EQ(Utf8FromUtf16(twoHighs), "\xEF\xBF\xBD\xF0\x9F\x98\x80") << "the second high pairs with the low";
  EXPECT_EQ(Utf8FromUtf16(reversed), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(SourceUtf8, DecodesWellFormedTextAndRoundTrips) {
  const std::u16string sample = u"abc \u00E9\u20AC\uFFFD\U0001F600\U0010FFFF\u0000z";
  EXPECT_EQ(Utf16FromUtf8(Utf8FromUtf16(sample)), sample);
  EXPECT_EQ(Utf16FromUtf8("\xEF\xBB\xBFx"), u"\uFEFFx") << "a BOM is text here; the file layer strips it";
}

TEST(SourceUtf8, EachMaximalIllFormedPieceBecomesOneReplacement) {
  struct Case {
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"\x80", u"\uFFFD"},
      {"a\xBF" "b", u"a\uFFFDb"},
      {"\xC0\x80", u"\uFFFD\uFFFD"},          // C0 never starts a sequence
      {"\xC1\xBF", u"\uFFFD\uFFFD"},
      {"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},  // overlong: E0 needs A0..BF
      {"\xE0\xA0", u"\uFFFD"},                // truncated at the end
      {"\xE2\x82" "A", u"\uFFFDA"},
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate
      {"\xED\x9F\xBF", u"\uD7FF"},
      {"\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xF0\x9F\x98", u"\uFFFD"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xF5\x80", u"\uFFFD\uFFFD"},
      {"\xFF", u"\uFFFD"},
  };
  for (const Case& c : cases) {
    const std::u16string got = Utf16FromUtf8(c.bytes);
    EXPECT_EQ(got, c.text) << "bytes of length " << c.bytes.size() << ", got " << got.size() << " units";
  }
}

}  // namespace
}  // namespace vantorel
