#include "analysis/image_view.h"

#include <gtest/gtest.h>

#include <limits>

#include "analysis/file_image.h"
#include "pe_builder.h"

namespace vantorel {
namespace {

using testing::Bytes;
using testing::PeBuilder;

TEST(ByteReader, FailsInsteadOfReadingPastTheEnd) {
  const Bytes b = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
  const ByteReader r(b.data(), b.size());
  EXPECT_EQ(r.read32(4), 0x08070605u);
  EXPECT_EQ(r.read64(0), 0x0807060504030201ull);
  EXPECT_EQ(r.read16(6), 0x0807);
  EXPECT_FALSE(r.read16(7));
  EXPECT_FALSE(r.read64(1));
  // Offsets near the top of the range must not wrap around to the start.
  constexpr auto top = std::numeric_limits<std::uint64_t>::max();
  EXPECT_FALSE(r.read32(top - 1));
  EXPECT_FALSE(r.span(2, top));
  EXPECT_EQ(r.countFitting(2, 4), 1u);

  const std::string text("abc\0de", 6);
  const ByteReader t(text.data(), text.size());
  EXPECT_EQ(t.readCString(0), "abc");
  EXPECT_FALSE(t.readCString(4)) << "no terminator before the end";
  EXPECT_EQ(t.readCString(0, 3), "abc") << "terminator right after maxLength bytes";
  EXPECT_FALSE(t.readCString(0, 2));
}

TEST(ImageView, ReadsStopAtUnreadableRanges) {
  std::string bytes(64, 'a');
  bytes[20] = '\0';
  ImageView v(bytes.data(), bytes.size());
  v.MarkUnreadable(30, 4);
  v.MarkUnreadable(16, 2);
  v.MarkUnreadable(32, 6);   // overlaps and extends [30, 34)
  v.MarkUnreadable(60, 100);  // clipped at the end
  v.MarkUnreadable(18, 0);    // empty: no effect
  const struct {
    std::uint64_t offset, readable;
  } cases[] = {{0, 16}, {15, 1}, {16, 0}, {17, 0}, {18, 12}, {29, 1}, {30, 0}, {37, 0},
               {38, 22}, {59, 1}, {60, 0}, {64, 0}, {1000, 0}};
  for (const auto& c : cases) EXPECT_EQ(v.ReadableFrom(c.offset), c.readable) << c.offset;

  EXPECT_EQ(v.read32(12), 0x61616161u);
  EXPECT_FALSE(v.read32(13)) << "last byte in the hole";
  EXPECT_FALSE(v.read8(31));
  EXPECT_FALSE(v.span(10, 10));
  EXPECT_FALSE(v.sub(38, 23));
  EXPECT_EQ(v.sub(38, 22)->size(), 22u);
  EXPECT_EQ(v.countFitting(18, 4), 3u);
  EXPECT_EQ(v.readCString(18), "aa") << "terminated before the hole";
  EXPECT_FALSE(v.readCString(21)) << "the terminator search stops at the hole";
  EXPECT_FALSE(v.readCString(40)) << "and at the next one";
}

TEST(ReadPeHeaders, ReadsBothKindsAndRejectsBrokenHeaders) {
  PeBuilder p;
  p.sections.push_back({".text", 0x1000, 0x1800, Bytes(0x10, 1)});
  p.directories[0] = {0x1234, 0x56};
  for (bool is64 : {true, false}) {
    p.is64 = is64;
    const Bytes file = p.Build().bytes;
    auto h = ReadPeHeaders(ByteReader(file.data(), file.size()));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->is64, is64);
    EXPECT_EQ(h->sizeOfImage, 0x3000u);
    EXPECT_EQ(h->directories[0].rva, 0x1234u);
    EXPECT_TRUE(h->RvaInAnySection(0x27FF));
    EXPECT_FALSE(h->RvaInAnySection(0x2800));
  }
  Bytes file = p.Build().bytes;
  auto broken = [&](std::size_t at, std::uint32_t value) {
    Bytes b = file;
    testing::Put32(b, at, value);
    return ReadPeHeaders(ByteReader(b.data(), b.size()));
  };
  EXPECT_FALSE(broken(0x80 + 24, 0x107)) << "ROM magic";
  EXPECT_FALSE(broken(0x3C, 0xFFFFFFF0)) << "e_lfanew outside";
  EXPECT_LE(broken(0x80 + 4, 0xFFFF0000)->sections.size(), kMaxSections) << "65,535 sections claimed";
  EXPECT_FALSE(ReadPeHeaders(ByteReader(file.data(), 0x80 + 24 + 60))) << "optional header cut";
}

TEST(LayOutImage, PlacesSectionsAndCapsEverySize) {
  PeBuilder p;
  p.sections.push_back({".text", 0x1000, 0, Bytes(0x300, 0xAA)});
  p.sections.push_back({".bss", 0x2000, 0x800, {}});
  p.sections.push_back({".data", 0x9000, 0, Bytes(0x10, 0xBB)});
  const auto file = p.Build();
  auto image = LayOutImage(file.bytes);
  ASSERT_TRUE(image);
  ASSERT_EQ(image->size(), 0xA000u);
  EXPECT_EQ((*image)[0x12FF], 0xAA);
  EXPECT_EQ((*image)[0x1300], 0);
  EXPECT_EQ((*image)[0x2000], 0) << "bss is zero";
  EXPECT_EQ((*image)[0x9000], 0xBB);

  // File-offset translation sees the same bytes without laying out.
  const auto headers = *ReadPeHeaders(ByteReader(file.bytes.data(), file.bytes.size()));
  const MemoryByteSource source(file.bytes);
  const SourceReader reader(source);
  const FileRvaReader rvas(reader, headers);
  EXPECT_EQ((*rvas.span(0x12FF, 1))[0], 0xAA);
  EXPECT_FALSE(rvas.span(0x2000, 4)) << "bss has no file bytes";
  EXPECT_EQ(rvas.spanUpTo(0x9000, 0x10000)->size(), 0x200u) << "cut at the raw data's end";

  // Raw data past the file's end is cut; SizeOfImage and the caller's limit cap the image.
  const Bytes truncated(file.bytes.begin(), file.bytes.begin() + 0x500);
  EXPECT_EQ((*LayOutImage(truncated))[0x1100], 0);
  EXPECT_EQ((*LayOutImage(truncated))[0x10FF], 0xAA);
  p.sizeOfImage = 0x2000;
  EXPECT_EQ(LayOutImage(p.Build().bytes)->size(), 0x2000u);
  p.sizeOfImage = 0xFFFFF000;
  EXPECT_EQ(LayOutImage(p.Build().bytes, 0x10000)->size(), 0x10000u);
  p.sizeOfImage = 0;
  Bytes zeroImage = p.Build().bytes;
  testing::Put32(zeroImage, 0x80 + 24 + 56, 0);
  EXPECT_FALSE(LayOutImage(zeroImage));
}

}  // namespace
}  // namespace vantorel
