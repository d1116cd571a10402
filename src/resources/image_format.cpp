#include "resources/image_format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace vantorel {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool Fits(Bytes b, std::uint64_t at, std::uint64_t count) { return at <= b.size() && count <= b.size() - at; }

// Little-endian value of n bytes at `at`; the caller has checked the range.
std::uint32_t Le(Bytes b, std::uint64_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n; i-- > 0;) v = (v << 8) | b[static_cast<std::size_t>(at) + static_cast<std::size_t>(i)];
  return v;
}

// Core (OS/2 1.x), info, the two undocumented mask-carrying sizes, V4, V5.
bool KnownHeaderSize(std::uint32_t size) {
  return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// One colour channel of a 16- or 32-bit pixel, given by its bit mask.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint64_t max = 0;

  Channel() = default;
  explicit Channel(std::uint32_t m) : mask(m) {
    if (mask) {
      shift = std::countr_zero(mask);
      max = mask >> shift;
    }
  }
  // Scaled to 0..255; a mask with gaps still stays within its maximum.
  std::uint8_t Scale(std::uint32_t pixel) const {
    if (!mask) return 0;
    return static_cast<std::uint8_t>(((std::uint64_t{(pixel & mask) >> shift} * 255) + max / 2) / max);
  }
};

struct DibLayout {
  std::uint64_t width = 0;
  std::uint64_t height = 0;  // picture rows, without an icon's mask rows
  bool topDown = false;
  unsigned bitCount = 0;
  std::uint32_t compression = kBiRgb;
  std::array<Channel, 4> channels;  // red, green, blue, alpha
  std::vector<std::array<std::uint8_t, 4>> palette;  // B, G, R, 255
  std::uint64_t tablesEnd = 0;  // where a packed DIB's pixels start
};

std::optional<DibLayout> ReadDibLayout(Bytes dib, bool icon) {
  if (!Fits(dib, 0, 4)) return std::nullopt;
  const std::uint32_t headerSize = Le(dib, 0, 4);
  if (!KnownHeaderSize(headerSize) || !Fits(dib, 0, headerSize)) return std::nullopt;

  DibLayout l;
  std::uint64_t colorsUsed = 0;
  std::uint64_t entrySize = 4;
  std::int64_t height = 0;
  if (headerSize == 12) {
    l.width = Le(dib, 4, 2);
    height = Le(dib, 6, 2);
    l.bitCount = Le(dib, 10, 2);
    entrySize = 3;
  } else {
    const auto width = static_cast<std::int32_t>(Le(dib, 4, 4));
    if (width <= 0) return std::nullopt;
    l.width = static_cast<std::uint64_t>(width);
    height = static_cast<std::int32_t>(Le(dib, 8, 4));
    l.bitCount = Le(dib, 14, 2);
    l.compression = Le(dib, 16, 4);
    colorsUsed = Le(dib, 32, 4);
  }
  if (height < 0) {
    l.topDown = true;
    height = -height;  // from a 32-bit value: no overflow in 64 bits
  }
  l.height = static_cast<std::uint64_t>(height);
  if (icon) {
    if (l.topDown) return std::nullopt;
    l.height /= 2;
  }
  if (!ImageSizeAllowed(l.width, l.height)) return std::nullopt;

  const unsigned bits = l.bitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return std::nullopt;
  const bool fields = l.compression == kBiBitfields || l.compression == kBiAlphaBitfields;
  switch (l.compression) {
    case kBiRgb:
      break;
    case kBiRle8:
    case kBiRle4:
      // RLE runs bottom-up by definition; Windows refuses top-down RLE.
      if (icon || l.topDown || bits != (l.compression == kBiRle8 ? 8u : 4u)) return std::nullopt;
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      if (icon || (bits != 16 && bits != 32)) return std::nullopt;
      break;
    default:
      return std::nullopt;  // embedded PNG/JPEG and anything unknown
  }

  std::uint64_t at = headerSize;
  std::array<std::uint32_t, 4> masks{};
  if (fields) {
    const int count = l.compression == kBiAlphaBitfields ? 4 : 3;
    if (headerSize >= 52) {
      // Newer headers carry the masks themselves, the alpha mask from 56 bytes.
      for (int i = 0; i < 3; ++i) masks[static_cast<std::size_t>(i)] = Le(dib, 40 + 4 * i, 4);
      if (headerSize >= 56) masks[3] = Le(dib, 52, 4);
    } else {
      if (!Fits(dib, at, 4u * count)) return std::nullopt;
      for (int i = 0; i < count; ++i) masks[static_cast<std::size_t>(i)] = Le(dib, at + 4 * i, 4);
      at += 4u * count;
    }
  } else if (bits == 16) {
    masks = {0x7C00, 0x03E0, 0x001F, 0};
  } else if (bits == 32) {
    // The top byte is "reserved", but icons and many files put alpha there;
    // an all-zero top byte is read as opaque later.
    masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
  }
  for (std::size_t i = 0; i < 4; ++i) l.channels[i] = Channel(masks[i]);

  const std::uint64_t maxColors = bits <= 8 ? (std::uint64_t{1} << bits) : 0;
  const std::uint64_t tableCount = colorsUsed ? colorsUsed : maxColors;
  if (!Fits(dib, at, tableCount * entrySize)) return std::nullopt;
  if (bits <= 8) {
    const std::uint64_t used = std::min(tableCount, maxColors);
    l.palette.reserve(static_cast<std::size_t>(used));
    for (std::uint64_t i = 0; i < used; ++i) {
      const std::uint64_t e = at + i * entrySize;
      l.palette.push_back({dib[e], dib[e + 1], dib[e + 2], 255});
    }
  }
  l.tablesEnd = at + tableCount * entrySize;
  return l;
}

class PixelWriter {
 public:
  explicit PixelWriter(const DibLayout& l)
      : width_(l.width), height_(l.height), palette_(l.palette) {
    image_.width = static_cast<int>(l.width);
    image_.height = static_cast<int>(l.height);
    image_.bgra.assign(static_cast<std::size_t>(l.width * l.height * 4), 0);
  }
  std::uint8_t* Row(std::uint64_t y) { return image_.bgra.data() + y * width_ * 4; }
  void PutIndex(std::uint8_t* at, std::uint32_t index) {
    // An index past the table shows black, as GDI draws it.
    static constexpr std::array<std::uint8_t, 4> kBlack{0, 0, 0, 255};
    const auto& c = index < palette_.size() ? palette_[index] : kBlack;
    std::memcpy(at, c.data(), 4);
  }
  PixelImage& image() { return image_; }
  std::uint64_t width() const { return width_; }
  std::uint64_t height() const { return height_; }

 private:
  std::uint64_t width_;
  std::uint64_t height_;
  const std::vector<std::array<std::uint8_t, 4>>& palette_;
  PixelImage image_;
};

// Decodes bottom-up RLE4/RLE8 runs. Pixels the runs never reach (delta
// jumps, an early end) stay transparent; a stream cut short keeps what came.
// A run never continues onto the next row: what passes the row's end is
// dropped, as are codes after it until the end of the line, and only the
// pixels that land are visited, so a long stream on a small picture costs
// one step per code.
void DecodeRle(Bytes d, const DibLayout& l, PixelWriter& out) {
  const bool rle8 = l.compression == kBiRle8;
  std::uint64_t x = 0;
  std::uint64_t y = 0;
  // `count` pixels from x on; pixel i has the index indexAt(i).
  auto run = [&](unsigned count, auto indexAt) {
    if (x < out.width()) {
      std::uint8_t* row = out.Row(out.height() - 1 - y);
      const std::uint64_t landed = std::min<std::uint64_t>(count, out.width() - x);
      for (std::uint64_t i = 0; i < landed; ++i) out.PutIndex(row + (x + i) * 4, indexAt(static_cast<unsigned>(i)));
    }
    x += count;
  };
  std::size_t p = 0;
  while (y < out.height() && d.size() - p >= 2) {
    const unsigned count = d[p];
    const unsigned value = d[p + 1];
    p += 2;
    if (count) {
      run(count, [&](unsigned i) { return rle8 ? value : (i % 2 ? value & 15 : value >> 4); });
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta
      if (d.size() - p < 2) break;
      x += d[p];
      y += d[p + 1];
      p += 2;
    } else {  // absolute run, padded to a 16-bit boundary
      const std::size_t bytes = rle8 ? value : (value + 1) / 2;
      if (d.size() - p < bytes) break;
      const std::uint8_t* literal = d.data() + p;
      run(value, [&](unsigned i) { return rle8 ? literal[i] : (i % 2 ? literal[i / 2] & 15 : literal[i / 2] >> 4); });
      p += std::min(bytes + (bytes & 1), d.size() - p);
    }
  }
}

std::optional<PixelImage> DecodeDibPixels(Bytes dib, const DibLayout& l, std::uint64_t pixelsAt, bool icon) {
  if (l.compression == kBiRle8 || l.compression == kBiRle4) {
    if (pixelsAt > dib.size()) return std::nullopt;
    const std::uint64_t stream = dib.size() - pixelsAt;
    if (l.width * l.height > std::max(kMinRlePixels, stream * kRlePixelsPerByte)) return std::nullopt;
    PixelWriter out(l);
    DecodeRle(dib.subspan(static_cast<std::size_t>(pixelsAt)), l, out);
    PremultiplyAlpha(out.image().bgra);
    return std::move(out.image());
  }

  PixelWriter out(l);
  const std::uint64_t bits = l.bitCount;
  const std::uint64_t stride = (l.width * bits + 31) / 32 * 4;
  // The last row's padding is often missing from files; it is never read.
  const std::uint64_t lastRow = (l.width * bits + 7) / 8;
  if (!Fits(dib, pixelsAt, stride * (l.height - 1) + lastRow)) return std::nullopt;

  const bool alphaChannel = l.channels[3].mask != 0;
  bool anyAlpha = false;
  for (std::uint64_t i = 0; i < l.height; ++i) {
    const std::uint8_t* src = dib.data() + pixelsAt + i * stride;
    std::uint8_t* dst = out.Row(l.topDown ? i : l.height - 1 - i);
    for (std::uint64_t x = 0; x < l.width; ++x, dst += 4) {
      if (bits <= 8) {
        const std::uint64_t bit = x * bits;
        const unsigned shift = static_cast<unsigned>(8 - bits - bit % 8);
        out.PutIndex(dst, (src[bit / 8] >> shift) & ((1u << bits) - 1));
        continue;
      }
      if (bits == 24) {
        dst[0] = src[x * 3];
        dst[1] = src[x * 3 + 1];
        dst[2] = src[x * 3 + 2];
        dst[3] = 255;
        continue;
      }
      const std::uint8_t* p = src + x * (bits / 8);
      std::uint32_t v = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8;
      if (bits == 32) v |= std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
      dst[0] = l.channels[2].Scale(v);
      dst[1] = l.channels[1].Scale(v);
      dst[2] = l.channels[0].Scale(v);
      dst[3] = alphaChannel ? l.channels[3].Scale(v) : 255;
      anyAlpha = anyAlpha || (alphaChannel && dst[3] != 0);
    }
  }
  std::vector<std::uint8_t>& px = out.image().bgra;
  // Writers that leave the alpha byte at zero mean opaque, not invisible.
  if (alphaChannel && !anyAlpha)
    for (std::size_t i = 3; i < px.size(); i += 4) px[i] = 255;

  if (icon && !anyAlpha) {
    const std::uint64_t maskStride = (l.width + 31) / 32 * 4;
    const std::uint64_t maskAt = pixelsAt + stride * l.height;
    // Some writers drop the mask of images that need none: then all shows.
    if (Fits(dib, maskAt, maskStride * (l.height - 1) + (l.width + 7) / 8)) {
      for (std::uint64_t i = 0; i < l.height; ++i) {
        const std::uint8_t* src = dib.data() + maskAt + i * maskStride;
        std::uint8_t* dst = out.Row(l.height - 1 - i);
        for (std::uint64_t x = 0; x < l.width; ++x, dst += 4) {
          if (!((src[x / 8] >> (7 - x % 8)) & 1)) continue;
          // Mask set over black is transparent; over a colour the screen
          // would be inverted, which on the view's light background is dark.
          const bool inverts = dst[0] || dst[1] || dst[2];
          dst[0] = dst[1] = dst[2] = 0;
          dst[3] = inverts ? 255 : 0;
        }
      }
    }
  }
  PremultiplyAlpha(px);
  return std::move(out.image());
}

}  // namespace

ImageFormat SniffImageFormat(std::span<const std::uint8_t> bytes) {
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPngSignature, 8) == 0) return ImageFormat::Png;
  if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return ImageFormat::Jpeg;
  if (bytes.size() >= 18 && bytes[0] == 'B' && bytes[1] == 'M' && KnownHeaderSize(Le(bytes, 14, 4)))
    return ImageFormat::Bmp;
  if (bytes.size() >= 4 && KnownHeaderSize(Le(bytes, 0, 4))) return ImageFormat::Dib;
  return ImageFormat::Unknown;
}

bool ImageSizeAllowed(std::uint64_t width, std::uint64_t height) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
         width * height <= kMaxImagePixels;
}

void PremultiplyAlpha(std::span<std::uint8_t> bgra) {
  for (std::size_t i = 0; i + 4 <= bgra.size(); i += 4) {
    const unsigned a = bgra[i + 3];
    if (a == 255) continue;
    for (std::size_t c = 0; c < 3; ++c) bgra[i + c] = static_cast<std::uint8_t>((bgra[i + c] * a + 127) / 255);
  }
}

void ConvertCmykToBgra(std::span<std::uint8_t> pixels, bool inverted) {
  for (std::size_t i = 0; i + 4 <= pixels.size(); i += 4) {
    unsigned c = pixels[i], m = pixels[i + 1], y = pixels[i + 2], k = pixels[i + 3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    // Now 255 means no ink: each channel is what its ink and black let through.
    pixels[i] = static_cast<std::uint8_t>((y * k + 127) / 255);
    pixels[i + 1] = static_cast<std::uint8_t>((m * k + 127) / 255);
    pixels[i + 2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    pixels[i + 3] = 255;
  }
}

std::optional<PixelImage> DecodeBmpFile(std::span<const std::uint8_t> bytes) {
  if (!Fits(bytes, 0, 14) || bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
  const Bytes dib = bytes.subspan(14);
  const auto layout = ReadDibLayout(dib, false);
  if (!layout) return std::nullopt;
  // Trust the file's pixel offset only where it lies past the tables.
  const std::uint64_t offset = Le(bytes, 10, 4);
  std::uint64_t pixelsAt = layout->tablesEnd;
  if (offset >= 14 + layout->tablesEnd && offset < bytes.size()) pixelsAt = offset - 14;
  return DecodeDibPixels(dib, *layout, pixelsAt, false);
}

std::optional<PixelImage> DecodeDib(std::span<const std::uint8_t> bytes) {
  const auto layout = ReadDibLayout(bytes, false);
  if (!layout) return std::nullopt;
  return DecodeDibPixels(bytes, *layout, layout->tablesEnd, false);
}

std::optional<PixelImage> DecodeIconDib(std::span<const std::uint8_t> bytes) {
  const auto layout = ReadDibLayout(bytes, true);
  if (!layout) return std::nullopt;
  return DecodeDibPixels(bytes, *layout, layout->tablesEnd, true);
}

}  // namespace vantorel
