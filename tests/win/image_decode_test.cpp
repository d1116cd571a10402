// Decoding the built test pictures and hostile variants of them into DIB
// sections: sizes, orientation and colours read back from the bits,
// refusals, and no GDI object left behind.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>  // jpeglib.h needs FILE
#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "resources/image_decode_win32.h"

namespace vantorel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Bgra = std::array<int, 4>;

Bytes ReadImage(const std::wstring& name) {
  std::ifstream in(std::filesystem::path(std::wstring(VANTOREL_TESTDATA) + L"\\images\\" + name), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Owns a decoded bitmap and reads its pixels back.
class Decoded {
 public:
  explicit Decoded(HBITMAP h) : h_(h) {
    if (h_ && GetObjectW(h_, sizeof(dib_), &dib_) != sizeof(dib_)) dib_ = {};
  }
  ~Decoded() {
    if (h_) DeleteObject(h_);
  }
  Decoded(const Decoded&) = delete;
  Decoded& operator=(const Decoded&) = delete;
  explicit operator bool() const { return h_ != nullptr; }
  SIZE Size() const { return {dib_.dsBm.bmWidth, dib_.dsBm.bmHeight}; }
  bool Is32Bit() const { return dib_.dsBmih.biBitCount == 32; }
  // Row 0 of the bits is the top row: GetObject reports the height as
  // positive either way, so the sampled colours are what prove the order.
  Bgra At(int x, int y) const {
    const auto* p = static_cast<const std::uint8_t*>(dib_.dsBm.bmBits) + y * dib_.dsBm.bmWidthBytes + x * 4;
    return {p[0], p[1], p[2], p[3]};
  }
  // The centres of the top-left, top-right, bottom-left and bottom-right quadrants.
  std::array<Bgra, 4> Quadrants() const {
    const int w = Size().cx, h = Size().cy;
    return {At(w / 4, h / 4), At(3 * w / 4, h / 4), At(w / 4, 3 * h / 4), At(3 * w / 4, 3 * h / 4)};
  }

 private:
  HBITMAP h_;
  DIBSECTION dib_{};
};

constexpr Bgra kRed{0, 0, 255, 255}, kGreen{0, 255, 0, 255}, kBlue{255, 0, 0, 255}, kWhite{255, 255, 255, 255};

void ExpectQuadrants(const Decoded& d, int w, int h, const Bgra& fourth, int tolerance = 0) {
  ASSERT_TRUE(d);
  EXPECT_TRUE(d.Is32Bit());
  ASSERT_EQ(d.Size().cx, w);
  ASSERT_EQ(d.Size().cy, h);
  const std::array<Bgra, 4> want{kRed, kGreen, kBlue, fourth};
  const auto got = d.Quadrants();
  for (std::size_t q = 0; q < 4; ++q)
    for (std::size_t c = 0; c < 4; ++c) EXPECT_LE(std::abs(got[q][c] - want[q][c]), tolerance) << "quadrant " << q;
}

TEST(ImageDecode, TestPicturesKeepSizeOrientationAndColours) {
  ExpectQuadrants(Decoded(DecodePngToBitmap(ReadImage(L"quadrants.png"))), 48, 32, {0, 0, 0, 0});
  // Half-transparent white comes back premultiplied.
  ExpectQuadrants(Decoded(DecodePngToBitmap(ReadImage(L"icon256.png"))), 256, 256, {128, 128, 128, 128});
  ExpectQuadrants(Decoded(DecodeJpegToBitmap(ReadImage(L"quadrants.jpg"))), 16, 16, kWhite, 2);
  // Through the sniffer, including the bottom-up BMP file.
  ExpectQuadrants(Decoded(DecodeImageToBitmap(ReadImage(L"quadrants.png"))), 48, 32, {0, 0, 0, 0});
  ExpectQuadrants(Decoded(DecodeImageToBitmap(ReadImage(L"quadrants.jpg"))), 16, 16, kWhite, 2);
  ExpectQuadrants(Decoded(DecodeImageToBitmap(ReadImage(L"quadrants.bmp"))), 40, 20, kWhite);
}

TEST(ImageDecode, WrongFormatOrNoBytesGiveNull) {
  const Bytes png = ReadImage(L"quadrants.png"), jpg = ReadImage(L"quadrants.jpg");
  EXPECT_FALSE(Decoded(DecodePngToBitmap(jpg)));
  EXPECT_FALSE(Decoded(DecodeJpegToBitmap(png)));
  EXPECT_FALSE(Decoded(DecodeImageToBitmap(ReadImage(L"quadrants.ico"))));
  EXPECT_FALSE(Decoded(DecodeImageToBitmap(ReadImage(L"arrow.cur"))));
  for (auto decode : {DecodePngToBitmap, DecodeJpegToBitmap, DecodeImageToBitmap, DecodeIconToBitmap, DecodeCursorToBitmap})
    EXPECT_FALSE(Decoded(decode({})));
}

// The image resources of the test library, as the resource view gets them.
TEST(ImageDecode, IconCursorAndBitmapResources) {
  HMODULE lib = LoadLibraryExW((std::wstring(VANTOREL_TESTDATA) + L"\\resources.dll").c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_TRUE(lib);
  auto bytes = [lib](int id, LPCWSTR type) {
    HRSRC r = FindResourceW(lib, MAKEINTRESOURCEW(id), type);
    const auto* p = r ? static_cast<const std::uint8_t*>(LockResource(LoadResource(lib, r))) : nullptr;
    return p ? std::span<const std::uint8_t>(p, SizeofResource(lib, r)) : std::span<const std::uint8_t>();
  };
  ExpectQuadrants(Decoded(DecodeIconToBitmap(bytes(1, RT_ICON))), 16, 16, kWhite);
  ExpectQuadrants(Decoded(DecodeIconToBitmap(bytes(2, RT_ICON))), 32, 32, kWhite);
  ExpectQuadrants(Decoded(DecodeIconToBitmap(bytes(3, RT_ICON))), 256, 256, {128, 128, 128, 128});
  ExpectQuadrants(Decoded(DecodeImageToBitmap(bytes(101, RT_BITMAP))), 40, 20, kWhite);
  const Decoded cursor(DecodeCursorToBitmap(bytes(1, RT_CURSOR)));
  ASSERT_TRUE(cursor);
  EXPECT_EQ(cursor.Size().cx, 32);
  EXPECT_EQ(cursor.Size().cy, 32);
  EXPECT_EQ(cursor.At(2, 3), (Bgra{0, 0, 0, 255}));  // the black tip
  EXPECT_EQ(cursor.At(31, 31), (Bgra{0, 0, 0, 0}));  // outside the arrow
  FreeLibrary(lib);
}

TEST(ImageDecode, TruncatedDataIsRefusedOrKeepsItsSize) {
  const Bytes png = ReadImage(L"quadrants.png");
  ASSERT_GT(png.size(), 12u);
  // Every cut inside the pixel data fails; only IEND (the last 12 bytes) may go.
  for (std::size_t n = 0; n < png.size(); ++n) {
    const Decoded d(DecodePngToBitmap({png.data(), n}));
    if (n < png.size() - 12) {
      EXPECT_FALSE(d) << n;
    }
    if (d) {
      EXPECT_EQ(d.Size().cx, 48) << n;
    }
  }
  const Bytes jpg = ReadImage(L"quadrants.jpg");
  const std::uint8_t kSos[] = {0xFF, 0xDA};
  const auto sos = std::search(jpg.begin(), jpg.end(), std::begin(kSos), std::end(kSos));
  ASSERT_NE(sos, jpg.end());
  for (std::size_t n = 0; n < jpg.size(); ++n) {
    const Decoded d(DecodeJpegToBitmap({jpg.data(), n}));
    // Without a scan header there is no picture; a cut scan is shown as far as it goes.
    if (n <= static_cast<std::size_t>(sos - jpg.begin())) {
      EXPECT_FALSE(d) << n;
    }
    if (d) {
      EXPECT_EQ(d.Size().cx, 16) << n;
    }
  }
}

TEST(ImageDecode, FlippedBitsAreCaughtOrHarmless) {
  Bytes png = ReadImage(L"quadrants.png");
  for (std::size_t i = 0; i < png.size(); ++i) {
    png[i] ^= 1u << (i % 8);
    // Every chunk up to IEND is covered by its CRC.
    if (i < png.size() - 12) {
      EXPECT_FALSE(Decoded(DecodePngToBitmap(png))) << i;
    }
    png[i] ^= 1u << (i % 8);
  }
  for (const wchar_t* name : {L"quadrants.jpg", L"quadrants.bmp"}) {
    Bytes data = ReadImage(name);
    for (std::size_t i = 0; i < data.size(); ++i)
      for (unsigned bit : {1u, 0x80u}) {
        data[i] ^= bit;
        Decoded d(DecodeImageToBitmap(data));
        data[i] ^= bit;
      }
  }
}

// A 16x16 JPEG made by libjpeg's own encoder from `components` bytes a
// pixel; `scans` replaces the default scan script.
Bytes EncodeJpeg(J_COLOR_SPACE space, int components, const Bytes& pixels, const std::vector<jpeg_scan_info>& scans = {}) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = c.image_height = 16;
  c.input_components = components;
  c.in_color_space = space;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  c.scan_info = scans.empty() ? nullptr : scans.data();
  c.num_scans = static_cast<int>(scans.size());
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < 16) {
    JSAMPROW row = const_cast<std::uint8_t*>(pixels.data()) + c.next_scanline * 16 * components;
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes jpeg(out, out + size);
  std::free(out);
  return jpeg;
}

TEST(ImageDecode, JpegColourSpacesAndScanCount) {
  // Full magenta and yellow, stored as Adobe does (255 = no ink), with the
  // Adobe marker libjpeg writes for CMYK.
  Bytes cmyk;
  for (int i = 0; i < 256; ++i) cmyk.insert(cmyk.end(), {255, 0, 0, 255});
  const Decoded red(DecodeJpegToBitmap(EncodeJpeg(JCS_CMYK, 4, cmyk)));
  const Decoded gray(DecodeJpegToBitmap(EncodeJpeg(JCS_GRAYSCALE, 1, Bytes(256, 100))));
  ASSERT_TRUE(red && gray);
  for (std::size_t c = 0; c < 4; ++c) {
    EXPECT_NEAR(red.At(5, 9)[c], kRed[c], 2);
    EXPECT_EQ(gray.At(9, 5)[c], c < 3 ? 100 : 255);
  }
  // Progressive: one scan per coefficient and bit (11 x 64) is far past any
  // real file and refused; a DC scan and one AC band decode.
  std::vector<jpeg_scan_info> scans;
  for (int k = 0; k < 64; ++k) {
    scans.push_back({1, {0}, k, k, 0, 10});
    for (int bit = 10; bit > 0; --bit) scans.push_back({1, {0}, k, k, bit, bit - 1});
  }
  EXPECT_FALSE(Decoded(DecodeJpegToBitmap(EncodeJpeg(JCS_GRAYSCALE, 1, Bytes(256, 100), scans))));
  scans = {{1, {0}, 0, 0, 0, 0}, {1, {0}, 1, 63, 0, 0}};
  EXPECT_TRUE(Decoded(DecodeJpegToBitmap(EncodeJpeg(JCS_GRAYSCALE, 1, Bytes(256, 100), scans))));
}

// A PNG with a valid header claiming the given size, and nothing behind it.
Bytes PngClaiming(std::uint32_t w, std::uint32_t h) {
  Bytes png = ReadImage(L"quadrants.png");
  for (int i = 0; i < 4; ++i) {
    png[16 + i] = static_cast<std::uint8_t>(w >> (24 - 8 * i));
    png[20 + i] = static_cast<std::uint8_t>(h >> (24 - 8 * i));
  }
  const auto crc = crc32(0, png.data() + 12, 17);
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  return png;
}

TEST(ImageDecode, HugeClaimsAreRefusedQuickly) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Decoded(DecodePngToBitmap(PngClaiming(100000, 100000))));
  EXPECT_FALSE(Decoded(DecodePngToBitmap(PngClaiming(16385, 1))));
  EXPECT_FALSE(Decoded(DecodePngToBitmap(PngClaiming(8193, 8193))));  // over 256 MiB
  Bytes jpg = ReadImage(L"quadrants.jpg");
  const std::uint8_t kSof0[] = {0xFF, 0xC0};
  const auto sof = std::search(jpg.begin(), jpg.end(), std::begin(kSof0), std::end(kSof0));
  ASSERT_NE(sof, jpg.end());
  std::fill(sof + 5, sof + 9, 0xEA);  // 60138 x 60138
  EXPECT_FALSE(Decoded(DecodeJpegToBitmap(jpg)));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  // The header patch itself is sound: the true size still decodes.
  EXPECT_TRUE(Decoded(DecodePngToBitmap(PngClaiming(48, 32))));
}

// Live GDI objects: GetGuiResources where it counts; Wine leaves it a stub
// but accepts a handle's table index as a handle.
long GdiObjects() {
  if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<long>(n);
  long count = 0;
  for (ULONG_PTR i = 1; i < 0x10000; ++i) count += GetObjectType(reinterpret_cast<HGDIOBJ>(i)) != 0;
  return count;
}

TEST(ImageDecode, NoGdiObjectOutlivesItsBitmap) {
  const Bytes png = ReadImage(L"quadrants.png"), jpg = ReadImage(L"quadrants.jpg"), bmp = ReadImage(L"quadrants.bmp");
  // Cut inside the pixel data, the PNG fails after its bitmap was made.
  const Bytes cutPng(png.begin(), png.end() - 30);
  const long before = GdiObjects();
  for (int i = 0; i < 100; ++i) {
    for (const Bytes* b : {&png, &jpg, &bmp, &cutPng}) {
      HBITMAP h = DecodeImageToBitmap(*b);
      if (h) DeleteObject(h);
    }
  }
  EXPECT_EQ(GdiObjects(), before);
}

}  // namespace
}  // namespace vantorel
