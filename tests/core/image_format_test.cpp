// Sniffing image bytes and decoding BMP data by hand: every depth and
// compression the reader accepts, the icon mask, and hostile headers.
#include "resources/image_format.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <climits>
#include <fstream>
#include <iterator>

namespace vantorel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Bgra = std::array<int, 4>;

void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A packed DIB with a 40-byte header, then `tables` (masks, palette), then pixels.
Bytes Dib(std::int32_t w, std::int32_t h, int bits, std::uint32_t compression, const Bytes& tables, const Bytes& pixels,
          std::uint32_t colorsUsed = 0) {
  Bytes b;
  for (std::uint32_t v : {40u, static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h)}) Put32(b, v);
  b.insert(b.end(), {1, 0, static_cast<std::uint8_t>(bits), 0});
  for (std::uint32_t v : {compression, 0u, 0u, 0u, colorsUsed, 0u}) Put32(b, v);
  b.insert(b.end(), tables.begin(), tables.end());
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

Bgra Px(const std::optional<PixelImage>& im, int x, int y) {
  const auto* p = im->bgra.data() + (static_cast<std::size_t>(y) * im->width + x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

constexpr Bgra kRed{0, 0, 255, 255}, kGreen{0, 255, 0, 255}, kBlack{0, 0, 0, 255}, kClear{0, 0, 0, 0};
const Bytes kRedGreen = {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0};  // black, red, green

TEST(ImageFormat, SniffsBySignature) {
  EXPECT_EQ(SniffImageFormat(Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), ImageFormat::Png);
  EXPECT_EQ(SniffImageFormat(Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0B}), ImageFormat::Unknown);
  EXPECT_EQ(SniffImageFormat(Bytes{0xFF, 0xD8, 0xFF}), ImageFormat::Jpeg);
  EXPECT_EQ(SniffImageFormat(Bytes{0xFF, 0xD8, 0x00}), ImageFormat::Unknown);
  Bytes bmp = {'B', 'M'};
  bmp.resize(14);
  Put32(bmp, 124);
  EXPECT_EQ(SniffImageFormat(bmp), ImageFormat::Bmp);
  bmp[14] = 41;
  EXPECT_EQ(SniffImageFormat(bmp), ImageFormat::Unknown);
  EXPECT_EQ(SniffImageFormat(Dib(1, 1, 24, 0, {}, {})), ImageFormat::Dib);
  EXPECT_EQ(SniffImageFormat(Bytes{}), ImageFormat::Unknown);
}

TEST(ImageFormat, SizeCapsAndPixelArithmetic) {
  EXPECT_TRUE(ImageSizeAllowed(16384, 1024));  // exactly the 16 Mi pixel cap
  EXPECT_FALSE(ImageSizeAllowed(16384, 1025));
  EXPECT_FALSE(ImageSizeAllowed(8192, 8192));
  EXPECT_FALSE(ImageSizeAllowed(16385, 1));
  EXPECT_FALSE(ImageSizeAllowed(0, 1));
  Bytes px = {200, 100, 50, 128, 9, 9, 9, 0, 7, 8, 9, 255};
  PremultiplyAlpha(px);
  EXPECT_EQ(px, (Bytes{100, 50, 25, 128, 0, 0, 0, 0, 7, 8, 9, 255}));
  Bytes cmyk = {0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 255, 0, 0, 128, 0};
  ConvertCmykToBgra(cmyk, false);  // no ink, full cyan, full black, half yellow
  EXPECT_EQ(cmyk, (Bytes{255, 255, 255, 255, 255, 255, 0, 255, 0, 0, 0, 255, 127, 255, 255, 255}));
  Bytes inverted = {255, 0, 255, 255};
  ConvertCmykToBgra(inverted, true);  // full magenta as Adobe stores it
  EXPECT_EQ(inverted, (Bytes{255, 0, 255, 255}));
}

TEST(ImageFormat, BmpFileDecodesAndEveryCutIsRefused) {
  std::ifstream in(VANTOREL_TESTDATA "/images/quadrants.bmp", std::ios::binary);
  const Bytes bmp(std::istreambuf_iterator<char>(in), {});
  const auto im = DecodeBmpFile(bmp);
  ASSERT_TRUE(im);
  ASSERT_EQ(im->width, 40);
  ASSERT_EQ(im->height, 20);
  EXPECT_EQ(Px(im, 0, 0), kRed);  // stored bottom-up, returned top-down
  // Rows are 120 bytes, so no padding may go missing: any cut loses pixels.
  for (std::size_t n = 0; n < bmp.size(); ++n) EXPECT_FALSE(DecodeBmpFile({bmp.data(), n})) << n;
}

TEST(ImageFormat, PaletteDepths) {
  const Bytes blueRed = {255, 0, 0, 0, 0, 0, 255, 0};
  const auto mono = DecodeDib(Dib(3, 2, 1, 0, blueRed, {0xA0, 0, 0, 0, 0x40, 0, 0, 0}));
  ASSERT_TRUE(mono);
  EXPECT_EQ(Px(mono, 0, 0), (Bgra{255, 0, 0, 255}));
  EXPECT_EQ(Px(mono, 0, 1), kRed);
  Bytes grays;
  for (std::uint8_t i = 0; i < 16; ++i) grays.insert(grays.end(), {i, i, i, 0});
  const auto four = DecodeDib(Dib(2, 1, 4, 0, grays, {0x3F, 0, 0, 0}));
  ASSERT_TRUE(four);
  EXPECT_EQ(Px(four, 0, 0), (Bgra{3, 3, 3, 255}));
  EXPECT_EQ(Px(four, 1, 0), (Bgra{15, 15, 15, 255}));
  // A short colour table: indices past it are black.
  const auto eight = DecodeDib(Dib(2, 1, 8, 0, kRedGreen, {1, 7, 0, 0}, 3));
  ASSERT_TRUE(eight);
  EXPECT_EQ(Px(eight, 0, 0), kRed);
  EXPECT_EQ(Px(eight, 1, 0), kBlack);
  // The 12-byte core header with 3-byte colour entries.
  const auto core = DecodeDib(Bytes{12, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 0, 255, 0, 0, 0, 255, 0x80, 0, 0, 0});
  ASSERT_TRUE(core);
  EXPECT_EQ(Px(core, 0, 0), kRed);
}

TEST(ImageFormat, BitFieldsAlphaAndRowOrder) {
  const auto rgb555 = DecodeDib(Dib(2, 1, 16, 0, {}, {0x00, 0x7C, 0x1F, 0x00}));
  ASSERT_TRUE(rgb555);
  EXPECT_EQ(Px(rgb555, 0, 0), kRed);
  EXPECT_EQ(Px(rgb555, 1, 0), (Bgra{255, 0, 0, 255}));
  Bytes masks;
  for (std::uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) Put32(masks, m);
  const auto rgb565 = DecodeDib(Dib(2, 1, 16, 3, masks, {0xE0, 0x07, 0x00, 0x80}));
  ASSERT_TRUE(rgb565);
  EXPECT_EQ(Px(rgb565, 0, 0), kGreen);
  EXPECT_EQ(Px(rgb565, 1, 0), (Bgra{0, 0, 132, 255}));  // 16 of 31, scaled
  // All-zero alpha bytes mean opaque; a negative height means top row first.
  const auto noAlpha = DecodeDib(Dib(1, -2, 32, 0, {}, {10, 20, 30, 0, 40, 50, 60, 0}));
  ASSERT_TRUE(noAlpha);
  EXPECT_EQ(Px(noAlpha, 0, 0), (Bgra{10, 20, 30, 255}));
  EXPECT_EQ(Px(noAlpha, 0, 1), (Bgra{40, 50, 60, 255}));
  const auto alpha = DecodeDib(Dib(1, 1, 32, 0, {}, {200, 100, 50, 128}));
  ASSERT_TRUE(alpha);
  EXPECT_EQ(Px(alpha, 0, 0), (Bgra{100, 50, 25, 128}));
}

TEST(ImageFormat, RunLengthStreams) {
  // Run of 3 red, end of line, absolute run of 3 green (padded), end of bitmap.
  const auto rle8 = DecodeDib(Dib(4, 2, 8, 1, kRedGreen, {3, 1, 0, 0, 0, 3, 2, 2, 2, 0, 0, 1}, 3));
  ASSERT_TRUE(rle8);
  EXPECT_EQ(Px(rle8, 0, 1), kRed);
  EXPECT_EQ(Px(rle8, 3, 1), kClear);  // never reached
  EXPECT_EQ(Px(rle8, 0, 0), kGreen);
  const auto delta = DecodeDib(Dib(4, 2, 8, 1, kRedGreen, {0, 2, 3, 1, 1, 2, 0, 1}, 3));
  ASSERT_TRUE(delta);
  EXPECT_EQ(Px(delta, 3, 0), kGreen);
  EXPECT_EQ(Px(delta, 0, 1), kClear);
  const auto cut = DecodeDib(Dib(4, 2, 8, 1, kRedGreen, {3, 1, 0}, 3));
  ASSERT_TRUE(cut);
  EXPECT_EQ(Px(cut, 2, 1), kRed);
  const auto rle4 = DecodeDib(Dib(4, 1, 4, 2, kRedGreen, {4, 0x12, 0, 1}, 3));
  ASSERT_TRUE(rle4);
  EXPECT_EQ(Px(rle4, 0, 0), kRed);
  EXPECT_EQ(Px(rle4, 1, 0), kGreen);
}

Bytes ReadMalformed(const char* name) {
  std::ifstream in(std::string(VANTOREL_TESTDATA "/malformed/") + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(ImageFormat, RunLengthBombsAndRunsPastTheRow) {
  // Runs end at the row: 255 red pixels on a 4-wide row fill it and no more.
  const auto valid = DecodeDib(ReadMalformed("rle8_valid.bin"));
  ASSERT_TRUE(valid);
  for (int y = 0; y < 4; ++y) EXPECT_EQ(Px(valid, 3, y), kRed) << y;
  // A run that leaves the row is not continued on the next one: the row
  // after it starts where its own codes put it.
  const auto clipped = DecodeDib(Dib(2, 2, 8, 1, kRedGreen, {5, 1, 1, 2, 0, 0, 1, 2, 0, 1}, 3));
  ASSERT_TRUE(clipped);
  EXPECT_EQ(Px(clipped, 1, 1), kRed);
  EXPECT_EQ(Px(clipped, 0, 0), kGreen);
  EXPECT_EQ(Px(clipped, 1, 0), kClear);
  const auto absolute = DecodeDib(Dib(2, 1, 4, 2, kRedGreen, {0, 5, 0x12, 0x12, 0x10, 0, 0, 1}, 3));
  ASSERT_TRUE(absolute);
  EXPECT_EQ(Px(absolute, 0, 0), kRed);
  EXPECT_EQ(Px(absolute, 1, 0), kGreen);

  // Claims beyond what the stream can paint, or beyond the pixel cap.
  EXPECT_FALSE(DecodeDib(ReadMalformed("rle8_claims_4096.bin")));
  EXPECT_FALSE(DecodeDib(ReadMalformed("rle4_claims_8192.bin")));
  EXPECT_TRUE(DecodeDib(Dib(256, 256, 8, 1, kRedGreen, {0, 1}, 3))) << "small sparse pictures still show";

  // 16 MiB of 255-pixel runs on a 1 x 1 picture: one step a run, not 255.
  const Bytes file = ReadMalformed("rle8_runs_past_row.bin");
  ASSERT_FALSE(file.empty());
  const Bytes runs(file.begin() + 48, file.end());
  Bytes stream;
  while (stream.size() < (std::size_t{16} << 20)) stream.insert(stream.end(), runs.begin(), runs.end());
  const Bytes dib = Dib(1, 1, 8, 1, kRedGreen, stream, 3);
  const auto start = std::chrono::steady_clock::now();
  const auto one = DecodeDib(dib);
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_TRUE(one);
  EXPECT_EQ(Px(one, 0, 0), kRed);
  EXPECT_LT(took, std::chrono::seconds(1));
}

TEST(ImageFormat, HostileHeadersAreRefused) {
  const Bytes pixel = {1, 2, 3, 0};
  Bytes badHeader = Dib(1, 1, 24, 0, {}, pixel);
  badHeader[0] = 41;
  Bytes shortMasks(8, 0xFF);
  for (const Bytes& dib : {Dib(100000, 1, 24, 0, {}, pixel), Dib(1, INT32_MIN, 24, 0, {}, pixel),
                           Dib(0, 1, 24, 0, {}, pixel), Dib(1, 1, 2, 0, {}, pixel), Dib(1, 1, 24, 4, {}, pixel),
                           Dib(1, -1, 8, 1, kRedGreen, {1, 1, 0, 1}, 3), Dib(1, 1, 8, 0, {}, pixel, 0xFFFFFFFF),
                           Dib(1, 1, 16, 3, shortMasks, {}), Dib(8193, 8193, 8, 1, kRedGreen, {0, 1}, 3), badHeader})
    EXPECT_FALSE(DecodeDib(dib));
  // A 3-byte row may lose its padding, not a pixel byte.
  const Bytes whole = Dib(1, 1, 24, 0, {}, pixel);
  EXPECT_TRUE(DecodeDib({whole.data(), whole.size() - 1}));
  EXPECT_FALSE(DecodeDib({whole.data(), whole.size() - 2}));
}

TEST(ImageFormat, IconMaskAndOwnAlpha) {
  Bytes palette = kRedGreen;
  palette.resize(64, 0);
  // 2x2 at 4 bits: colour rows (bottom first) then mask rows.
  const Bytes xorRows = {0x10, 0, 0, 0, 0x11, 0, 0, 0};
  Bytes maskedRows = xorRows;
  maskedRows.insert(maskedRows.end(), {0x40, 0, 0, 0, 0x80, 0, 0, 0});
  const auto icon = DecodeIconDib(Dib(2, 4, 4, 0, palette, maskedRows));
  ASSERT_TRUE(icon);
  ASSERT_EQ(icon->height, 2);
  EXPECT_EQ(Px(icon, 0, 0), kBlack);  // mask over red: the screen is inverted
  EXPECT_EQ(Px(icon, 1, 0), kRed);
  EXPECT_EQ(Px(icon, 0, 1), kRed);
  EXPECT_EQ(Px(icon, 1, 1), kClear);  // mask over black: transparent
  const auto noMask = DecodeIconDib(Dib(2, 4, 4, 0, palette, xorRows));
  ASSERT_TRUE(noMask);
  EXPECT_EQ(Px(noMask, 1, 1), kBlack);
  const auto ownAlpha = DecodeIconDib(Dib(1, 2, 32, 0, {}, {200, 100, 50, 128, 0x80, 0, 0, 0}));
  ASSERT_TRUE(ownAlpha);
  EXPECT_EQ(Px(ownAlpha, 0, 0), (Bgra{100, 50, 25, 128}));
}

}  // namespace
}  // namespace vantorel
