#include "analysis/image_view.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "pe_builder.h"

namespace vantorel {
namespace {

using testing::Bytes;
using testing::PeBuilder;

TEST(ByteReader, ReadsLittleEndianAndFailsAtTheEdge) {
  const Bytes b = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
  const ByteReader r(b.data(), b.size());
  EXPECT_EQ(r.read16(0), 0x0201);
  EXPECT_EQ(r.read32(4), 0x08070605u);
  EXPECT_EQ(r.read64(0), 0x0807060504030201ull);
  EXPECT_EQ(r.read16(6), 0x0807);
  EXPECT_FALSE(r.read16(7));
  EXPECT_FALSE(r.read32(5));
  EXPECT_FALSE(r.read64(1));
  EXPECT_FALSE(r.read8(8));
  // Offsets near the top of the range must not wrap around to the start.
  constexpr auto top = std::numeric_limits<std::uint64_t>::max();
  EXPECT_FALSE(r.read32(top - 1));
  EXPECT_FALSE(r.span(top, 2));
  EXPECT_FALSE(r.span(2, top));
  EXPECT_FALSE(r.contains(9, 0));
  EXPECT_TRUE(r.contains(8, 0));
  EXPECT_EQ(r.countFitting(2, 4), 1u);
  EXPECT_EQ(r.countFitting(9, 4), 0u);
  EXPECT_FALSE(ByteReader().read8(0));
}

TEST(ByteReader, CStringsMustEndInsideTheData) {
  const std::string text("abc\0de", 6);
  const ByteReader r(text.data(), text.size());
  EXPECT_EQ(r.readCString(0), "abc");
  EXPECT_EQ(r.readCString(3), "");
  EXPECT_FALSE(r.readCString(4)) << "no terminator before the end";
  EXPECT_FALSE(r.readCString(6));
  EXPECT_EQ(r.readCString(0, 3), "abc") << "terminator right after maxLength bytes";
  EXPECT_FALSE(r.readCString(0, 2));
}

TEST(ReadPeHeaders, ReadsBothKindsAndRejectsBrokenHeaders) {
  PeBuilder p;
  p.sections.push_back({".text", 0x1000, 0x1800, Bytes(0x10, 1)});
  p.directories[0] = {0x1234, 0x56};
  Bytes file = p.Build().bytes;
  auto h = ReadPeHeaders(ByteReader(file.data(), file.size()));
  ASSERT_TRUE(h);
  EXPECT_TRUE(h->is64);
  EXPECT_EQ(h->sizeOfImage, 0x3000u);
  EXPECT_EQ(h->directories[0].rva, 0x1234u);
  ASSERT_EQ(h->sections.size(), 1u);
  EXPECT_EQ(h->sections[0].virtualSize, 0x1800u);
  EXPECT_TRUE(h->RvaInAnySection(0x27FF));
  EXPECT_FALSE(h->RvaInAnySection(0x2800));

  p.is64 = false;
  Bytes pe32 = p.Build().bytes;
  auto h32 = ReadPeHeaders(ByteReader(pe32.data(), pe32.size()));
  ASSERT_TRUE(h32);
  EXPECT_FALSE(h32->is64);
  EXPECT_EQ(h32->directories[0].rva, 0x1234u);

  Bytes badMagic = file;
  testing::Put16(badMagic, 0x80 + 24, 0x107);
  EXPECT_FALSE(ReadPeHeaders(ByteReader(badMagic.data(), badMagic.size())));
  Bytes badLfanew = file;
  testing::Put32(badLfanew, 0x3C, 0xFFFFFFF0);
  EXPECT_FALSE(ReadPeHeaders(ByteReader(badLfanew.data(), badLfanew.size())));
  EXPECT_FALSE(ReadPeHeaders(ByteReader(file.data(), 0x80 + 24 + 60)));

  // A section table claiming more entries than the file holds keeps the readable ones.
  Bytes manySections = file;
  testing::Put16(manySections, 0x80 + 6, 0xFFFF);
  auto hm = ReadPeHeaders(ByteReader(manySections.data(), manySections.size()));
  ASSERT_TRUE(hm);
  EXPECT_LE(hm->sections.size(), kMaxSections);
}

TEST(LayOutImage, PlacesSectionsAtTheirAddresses) {
  PeBuilder p;
  p.sections.push_back({".text", 0x1000, 0, Bytes(0x300, 0xAA)});
  p.sections.push_back({".bss", 0x2000, 0x800, {}});
  p.sections.push_back({".data", 0x3000, 0, Bytes(0x10, 0xBB)});
  auto file = p.Build();
  auto image = LayOutImage(file.bytes);
  ASSERT_TRUE(image);
  ASSERT_EQ(image->size(), 0x4000u);
  EXPECT_EQ((*image)[0], 'M');
  EXPECT_EQ((*image)[0x1000], 0xAA);
  EXPECT_EQ((*image)[0x12FF], 0xAA);
  EXPECT_EQ((*image)[0x1300], 0) << "the file pads .text to 0x400 with zeros";
  EXPECT_EQ((*image)[0x2000], 0) << "bss is zero";
  EXPECT_EQ((*image)[0x3000], 0xBB);

  // The same bytes through the file-offset translation.
  const ByteReader bytes(file.bytes.data(), file.bytes.size());
  auto headers = ReadPeHeaders(bytes);
  FileRvaReader rvas(bytes, *headers);
  auto text = rvas.span(0x1000, 0x300);
  ASSERT_TRUE(text);
  EXPECT_EQ((*text)[0], 0xAA);
  EXPECT_FALSE(rvas.span(0x2000, 4)) << "bss has no file bytes";
  EXPECT_EQ(rvas.spanUpTo(0x3000, 0x10000)->size(), 0x200u) << "cut at the raw data's end";
  EXPECT_EQ((*rvas.span(0x3C, 4))[0], 0x80) << "headers map to themselves";
}

TEST(LayOutImage, CapsEverySizeByFileAndImage) {
  PeBuilder p;
  p.sections.push_back({".text", 0x1000, 0, Bytes(0x400, 0xAA)});
  p.sections.push_back({".late", 0x9000, 0, Bytes(0x10, 0xCC)});
  auto file = p.Build();

  // Raw data claimed past the file's end is cut at the end.
  Bytes truncated(file.bytes.begin(), file.bytes.begin() + 0x500);
  auto image = LayOutImage(truncated);
  ASSERT_TRUE(image);
  EXPECT_EQ((*image)[0x10FF], 0xAA);
  EXPECT_EQ((*image)[0x1100], 0);

  // A section beyond SizeOfImage is left out; a huge SizeOfImage is capped.
  p.sizeOfImage = 0x2000;
  auto small = LayOutImage(p.Build().bytes);
  ASSERT_TRUE(small);
  EXPECT_EQ(small->size(), 0x2000u);
  p.sizeOfImage = 0xFFFFF000;
  auto capped = LayOutImage(p.Build().bytes, 0x10000);
  ASSERT_TRUE(capped);
  EXPECT_EQ(capped->size(), 0x10000u);
  EXPECT_EQ((*capped)[0x9000], 0xCC);

  p.sizeOfImage = 0;
  Bytes zeroImage = p.Build().bytes;
  testing::Put32(zeroImage, 0x80 + 24 + 56, 0);
  EXPECT_FALSE(LayOutImage(zeroImage));
  EXPECT_FALSE(LayOutImage(Bytes(100, 0)));
}

}  // namespace
}  // namespace vantorel
