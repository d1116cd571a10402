#pragma once
// Reading the directory of an ICO file held in memory.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vantorel {

struct IcoEntry {
  int width = 0;   // 0 in the file means 256
  int height = 0;
  int bitCount = 0;
  std::uint32_t offset = 0;  // of the image data in the file
  std::uint32_t size = 0;
};

// The entries of an icon file whose images lie wholly inside the bytes;
// entries that point outside are dropped. Empty when the header is wrong.
std::vector<IcoEntry> ReadIcoDirectory(std::span<const std::uint8_t> ico);

// The entry of the given square size with the most colours, if any.
std::optional<IcoEntry> PickIcoEntry(std::span<const IcoEntry> entries, int size);

// The image bytes (BITMAPINFOHEADER onwards) of the first entry with the
// given square size and bit count; none when the file has no such entry
// inside its bytes.
std::optional<std::span<const std::uint8_t>> FindIcoImage(std::span<const std::uint8_t> ico, int size,
                                                          int bitCount);

}  // namespace vantorel

namespace vantorel {

// A 32-bit icon image as pixels: side x side, top row first, each 0xAARRGGBB,
// and its AND mask, one byte a pixel, 1 where the pixel is transparent.
struct IconPixels {
  int side = 0;
  std::vector<std::uint32_t> argb;
  std::vector<std::uint8_t> transparent;
};

// The pixels of an icon image (BITMAPINFOHEADER onwards) that is 32 bits a
// pixel, uncompressed and side x side; none for any other image. A missing
// AND mask leaves every pixel opaque, as the system reads such an image.
std::optional<IconPixels> DecodeIconImage32(std::span<const std::uint8_t> image, int side);

}  // namespace vantorel
