#include "grid/strip_icons.h"

#include <array>

#include "platform/byte_reader.h"

namespace vantorel {
namespace {

// The icons are drawn here, pixel by pixel, at compile time, so the program
// carries finished ICO bytes and needs no image files.
constexpr int kSide = 16;
constexpr std::size_t kPixelBytes = kSide * kSide * 4;
constexpr std::size_t kMaskBytes = kSide * 4;  // 2 bytes of bits per row, padded to 4
constexpr std::size_t kImageBytes = 40 + kPixelBytes + kMaskBytes;
constexpr std::size_t kIcoBytes = 6 + 16 + kImageBytes;
constexpr std::size_t kDataBytes = kBuiltInStripIconCount * (4 + kIcoBytes) + 4;

constexpr std::uint32_t kClear = 0x00000000;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kBoxEdge = 0xFF404040;
constexpr std::uint32_t kBoxShade = 0xFFE6E6E6;
constexpr std::uint32_t kTick = 0xFF146E1E;
constexpr std::uint32_t kSmallBoxEdge = 0xFF808080;
constexpr std::uint32_t kSign = 0xFF000000;

using Pixels = std::array<std::uint32_t, kSide * kSide>;  // ARGB, row 0 at the top

constexpr void Box(Pixels& p, int left, int top, int right, int bottom, std::uint32_t edge, std::uint32_t fill) {
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x)
      p[y * kSide + x] = (x == left || x == right || y == top || y == bottom) ? edge : fill;
}

constexpr Pixels DrawIcon(int icon) {
  Pixels p{};
  p.fill(kClear);
  if (icon == kBuiltInStripIconCount - 1 || icon == kBuiltInStripIconCount) return p;  // the blanks
  if (icon == 1 || icon == 2) {
    Box(p, 2, 2, 14, 14, kBoxEdge, kWhite);
    for (int x = 3; x <= 13; ++x) p[3 * kSide + x] = kBoxShade;  // a hint of depth under the top edge
    if (icon == 2) {
      // A tick three pixels thick: a short stroke down, a long one up.
      constexpr int kTops[] = {7, 8, 9, 8, 7, 6, 5, 4, 3};
      for (int i = 0; i < 9; ++i)
        for (int dy = 0; dy < 3; ++dy) p[(kTops[i] + dy) * kSide + 4 + i] = kTick;
    }
    return p;
  }
  Box(p, 4, 4, 12, 12, kSmallBoxEdge, kWhite);
  for (int x = 6; x <= 10; ++x) p[8 * kSide + x] = kSign;
  if (icon == 3)
    for (int y = 6; y <= 10; ++y) p[y * kSide + 8] = kSign;
  return p;
}

constexpr void Put16(std::array<std::uint8_t, kDataBytes>& d, std::size_t& at, std::uint32_t v) {
  d[at++] = static_cast<std::uint8_t>(v);
  d[at++] = static_cast<std::uint8_t>(v >> 8);
}
constexpr void Put32(std::array<std::uint8_t, kDataBytes>& d, std::size_t& at, std::uint32_t v) {
  Put16(d, at, v & 0xFFFF);
  Put16(d, at, v >> 16);
}

constexpr std::array<std::uint8_t, kDataBytes> MakeIconData() {
  std::array<std::uint8_t, kDataBytes> d{};
  std::size_t at = 0;
  for (int icon = 1; icon <= kBuiltInStripIconCount; ++icon) {
    const Pixels p = DrawIcon(icon);
    Put32(d, at, kIcoBytes);
    // ICONDIR and its single entry.
    Put16(d, at, 0);
    Put16(d, at, 1);
    Put16(d, at, 1);
    d[at++] = kSide;
    d[at++] = kSide;
    d[at++] = 0;  // colour count
    d[at++] = 0;
    Put16(d, at, 1);   // planes
    Put16(d, at, 32);  // bits per pixel
    Put32(d, at, kImageBytes);
    Put32(d, at, 6 + 16);
    // BITMAPINFOHEADER: the height counts colour and mask rows together.
    Put32(d, at, 40);
    Put32(d, at, kSide);
    Put32(d, at, kSide * 2);
    Put16(d, at, 1);
    Put16(d, at, 32);
    Put32(d, at, 0);
    Put32(d, at, kPixelBytes + kMaskBytes);
    for (int i = 0; i < 4; ++i) Put32(d, at, 0);
    for (int y = kSide - 1; y >= 0; --y)  // bottom-up, BGRA
      for (int x = 0; x < kSide; ++x) {
        const std::uint32_t argb = p[y * kSide + x];
        d[at++] = static_cast<std::uint8_t>(argb);
        d[at++] = static_cast<std::uint8_t>(argb >> 8);
        d[at++] = static_cast<std::uint8_t>(argb >> 16);
        d[at++] = static_cast<std::uint8_t>(argb >> 24);
      }
    // The AND mask marks transparent pixels for whoever ignores alpha.
    for (int y = kSide - 1; y >= 0; --y) {
      std::uint32_t bits = 0;
      for (int x = 0; x < kSide; ++x)
        if ((p[y * kSide + x] >> 24) == 0) bits |= 0x8000u >> x;
      d[at++] = static_cast<std::uint8_t>(bits >> 8);
      d[at++] = static_cast<std::uint8_t>(bits);
      d[at++] = 0;
      d[at++] = 0;
    }
  }
  Put32(d, at, 0);
  return d;
}

constexpr std::array<std::uint8_t, kDataBytes> kIconData = MakeIconData();

}  // namespace

std::span<const std::uint8_t> BuiltInStripIconData() { return kIconData; }

std::optional<std::vector<std::span<const std::uint8_t>>> SplitLengthPrefixed(std::span<const std::uint8_t> data) {
  std::vector<std::span<const std::uint8_t>> blobs;
  std::size_t at = 0;
  while (true) {
    const auto count = ByteReader(data).read32(at);
    if (!count) return std::nullopt;
    at += 4;
    if (*count == 0) return blobs;
    if (*count > data.size() - at) return std::nullopt;
    blobs.push_back(data.subspan(at, *count));
    at += *count;
  }
}

}  // namespace vantorel
