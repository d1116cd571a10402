#pragma once
// Recognising image data held in memory, and decoding the bitmap formats
// (BMP files, packed DIBs, icon and cursor images) without system help:
// resource bytes come from libraries nobody vetted, so every read here is
// checked against the buffer and every size against the caps below.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vantorel {

enum class ImageFormat {
  Unknown,
  Png,   // the 8-byte PNG signature
  Jpeg,  // SOI followed by a marker: FF D8 FF
  Bmp,   // a BMP file: "BM", then a known DIB header size at offset 14
  Dib,   // a packed DIB as a bitmap resource holds it: a known header size at 0
};

// What the bytes look like by their first few bytes; nothing is decoded.
ImageFormat SniffImageFormat(std::span<const std::uint8_t> bytes);

// The largest picture any decoder here makes (PNG, JPEG, BMP, DIB, icons
// and cursors alike): a side of at most 16384 pixels and at most 16 Mi
// pixels (4096 x 4096, 64 MiB of 32-bit pixels). Far beyond any picture a
// library carries, and small enough that a few bytes claiming a huge one
// cannot make the window thread allocate and fill hundreds of megabytes.
inline constexpr std::uint64_t kMaxImageSide = 16384;
inline constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 24;
inline constexpr std::uint64_t kMaxImageBytes = kMaxImagePixels * 4;
bool ImageSizeAllowed(std::uint64_t width, std::uint64_t height);

// A run-length stream sets at most 255 pixels with each 2-byte code; what
// it never reaches stays transparent. A compressed bitmap may therefore
// claim at most this many pixels per byte of its stream (and never fewer
// than kMinRlePixels, so small sparse pictures still show): a short stream
// claiming a huge picture would be mostly nothing at a large cost.
inline constexpr std::uint64_t kRlePixelsPerByte = 128;
inline constexpr std::uint64_t kMinRlePixels = 65536;

// A decoded picture: rows top-down, 4 bytes a pixel in the order B, G, R, A,
// colours premultiplied by alpha (what AlphaBlend wants). Opaque pictures
// have alpha 255 everywhere.
struct PixelImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgra;
};

// Multiplies B, G and R of every 4-byte pixel by its alpha (rounded).
void PremultiplyAlpha(std::span<std::uint8_t> bgra);

// Turns 4-byte C, M, Y, K pixels into opaque B, G, R, A in place. Adobe's
// writers store the inks inverted (0 = full ink), which `inverted` says.
void ConvertCmykToBgra(std::span<std::uint8_t> pixels, bool inverted);

// A BMP file: a 14-byte file header, then a DIB whose pixels start at the
// header's offset (or right after the colour table when that offset is bad).
std::optional<PixelImage> DecodeBmpFile(std::span<const std::uint8_t> bytes);

// A packed DIB (header, masks, colour table, pixels), as a bitmap resource
// holds it. 1, 4, 8, 16, 24 and 32 bits a pixel; uncompressed, bit fields
// and RLE4/RLE8 (runs clipped at the row's end, the work linear in the
// stream and the picture).
std::optional<PixelImage> DecodeDib(std::span<const std::uint8_t> bytes);

// The DIB of an icon or cursor image: the header's height counts both the
// colour rows and the 1-bit AND mask below them. Mask bits make pixels
// transparent unless the colour rows carry alpha of their own.
std::optional<PixelImage> DecodeIconDib(std::span<const std::uint8_t> bytes);

}  // namespace vantorel
