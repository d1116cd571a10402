#include "grid/strip_icons.h"

#include <algorithm>
#include <array>

#include "platform/byte_reader.h"

namespace vantorel {
namespace {

// The icons are drawn here, pixel by pixel, once per side, so the program
// carries finished ICO bytes and needs no image files. The drawing is given
// for 16 pixels and made anew at each side, lines and all, never stretched.
constexpr std::uint32_t kClear = 0x00000000;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kBoxEdge = 0xFF404040;
constexpr std::uint32_t kBoxShade = 0xFFE6E6E6;
constexpr std::uint32_t kTick = 0xFF146E1E;
constexpr std::uint32_t kSmallBoxEdge = 0xFF808080;
constexpr std::uint32_t kSign = 0xFF000000;

class Canvas {
 public:
  explicit Canvas(int side) : side_(side), pixels_(static_cast<std::size_t>(side) * side, kClear) {}
  int side() const { return side_; }
  // A coordinate of the 16-pixel drawing at this side.
  int At(int px16) const { return (px16 * side_ + 8) / 16; }
  // Lines one pixel wide at 16 and 20, wider from 24 on.
  int Line() const { return std::max(1, (side_ + 8) / 16); }
  void Put(int x, int y, std::uint32_t argb) {
    if (x >= 0 && y >= 0 && x < side_ && y < side_) pixels_[static_cast<std::size_t>(y) * side_ + x] = argb;
  }
  std::uint32_t Get(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * side_ + x]; }
  void Fill(int left, int top, int right, int bottom, std::uint32_t argb) {  // inclusive
    for (int y = top; y <= bottom; ++y)
      for (int x = left; x <= right; ++x) Put(x, y, argb);
  }
  // A box given by the 16-pixel drawing's inclusive corners.
  void Box(int left16, int top16, int right16, int bottom16, std::uint32_t edge, std::uint32_t fill) {
    const int l = At(left16), t = At(top16), r = At(right16 + 1) - 1, b = At(bottom16 + 1) - 1, w = Line();
    Fill(l, t, r, b, edge);
    Fill(l + w, t + w, r - w, b - w, fill);
  }

 private:
  int side_;
  std::vector<std::uint32_t> pixels_;  // ARGB, row 0 at the top
};

Canvas DrawIcon(int icon, int side) {
  Canvas c(side);
  if (icon == kBuiltInStripIconCount - 1 || icon == kBuiltInStripIconCount) return c;  // the blanks
  const int w = c.Line();
  if (icon == 1 || icon == 2) {
    c.Box(2, 2, 14, 14, kBoxEdge, kWhite);
    // A hint of depth under the top edge.
    c.Fill(c.At(2) + w, c.At(2) + w, c.At(15) - 1 - w, c.At(2) + 2 * w - 1, kBoxShade);
    if (icon == 2) {
      // A tick three pixels thick at 16: a short stroke down from (4, 7) to
      // (6, 9), a long one up to (12, 3).
      const int thick = c.At(3);
      for (int x = c.At(4); x < c.At(13); ++x) {
        const int x16times = x * 16;  // x in the 16-pixel drawing, times the side
        const int down = 7 * side + (x16times - 4 * side);
        const int up = 9 * side - (x16times - 6 * side);
        const int top = (std::min(down, up) + 8) / 16;
        for (int dy = 0; dy < thick; ++dy) c.Put(x, top + dy, kTick);
      }
    }
    return c;
  }
  c.Box(4, 4, 12, 12, kSmallBoxEdge, kWhite);
  const int middle = c.At(8), half = w / 2;
  c.Fill(c.At(6), middle - half, c.At(11) - 1, middle - half + w - 1, kSign);
  if (icon == 3) c.Fill(middle - half, c.At(6), middle - half + w - 1, c.At(11) - 1, kSign);
  return c;
}

void Put16(std::vector<std::uint8_t>& d, std::uint32_t v) {
  d.push_back(static_cast<std::uint8_t>(v));
  d.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& d, std::uint32_t v) {
  Put16(d, v & 0xFFFF);
  Put16(d, v >> 16);
}

std::vector<std::uint8_t> MakeIconData(int side) {
  const auto n = static_cast<std::uint32_t>(side);
  const std::uint32_t maskRow = (n + 31) / 32 * 4;  // bits padded to 4 bytes
  const std::uint32_t pixelBytes = n * n * 4;
  const std::uint32_t imageBytes = 40 + pixelBytes + maskRow * n;
  std::vector<std::uint8_t> d;
  for (int icon = 1; icon <= kBuiltInStripIconCount; ++icon) {
    const Canvas c = DrawIcon(icon, side);
    Put32(d, 6 + 16 + imageBytes);
    // ICONDIR and its single entry.
    Put16(d, 0);
    Put16(d, 1);
    Put16(d, 1);
    d.push_back(static_cast<std::uint8_t>(n));
    d.push_back(static_cast<std::uint8_t>(n));
    d.push_back(0);  // colour count
    d.push_back(0);
    Put16(d, 1);   // planes
    Put16(d, 32);  // bits per pixel
    Put32(d, imageBytes);
    Put32(d, 6 + 16);
    // BITMAPINFOHEADER: the height counts colour and mask rows together.
    Put32(d, 40);
    Put32(d, n);
    Put32(d, n * 2);
    Put16(d, 1);
    Put16(d, 32);
    Put32(d, 0);
    Put32(d, pixelBytes + maskRow * n);
    for (int i = 0; i < 4; ++i) Put32(d, 0);
    for (int y = side - 1; y >= 0; --y)  // bottom-up, BGRA
      for (int x = 0; x < side; ++x) Put32(d, c.Get(x, y));
    // The AND mask marks transparent pixels for whoever ignores alpha.
    for (int y = side - 1; y >= 0; --y) {
      std::vector<std::uint8_t> row(maskRow, 0);
      for (int x = 0; x < side; ++x)
        if ((c.Get(x, y) >> 24) == 0) row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
      d.insert(d.end(), row.begin(), row.end());
    }
  }
  Put32(d, 0);
  return d;
}

}  // namespace

std::span<const std::uint8_t> BuiltInStripIconData(int side) {
  static const std::array<std::vector<std::uint8_t>, 4> data = {MakeIconData(16), MakeIconData(20), MakeIconData(24),
                                                                MakeIconData(32)};
  switch (side) {
    case 16:
      return data[0];
    case 20:
      return data[1];
    case 24:
      return data[2];
    case 32:
      return data[3];
    default:
      return {};
  }
}

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
