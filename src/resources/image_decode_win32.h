#pragma once
// Decoding image data held in memory (resource bytes) into bitmaps the image
// view can draw with AlphaBlend.
//
// Every function returns a 32-bit top-down DIB section with premultiplied
// alpha (255 everywhere for opaque pictures) that the caller owns and frees
// with DeleteObject, or null when the bytes are not a picture it can read:
// truncated, corrupt, unsupported or larger than the caps of image_format.h.
#include <windows.h>

#include <cstdint>
#include <span>

#include "resources/image_format.h"

namespace vantorel {

HBITMAP DecodePngToBitmap(std::span<const std::uint8_t> bytes);
HBITMAP DecodeJpegToBitmap(std::span<const std::uint8_t> bytes);

// PNG, JPEG, a BMP file or a packed DIB (a bitmap resource), by its first bytes.
HBITMAP DecodeImageToBitmap(std::span<const std::uint8_t> bytes);

// The data of one icon image (an icon resource, or an image of an .ico
// file): PNG, or a DIB with an AND mask.
HBITMAP DecodeIconToBitmap(std::span<const std::uint8_t> bytes);

// The data of one cursor resource: the hot spot as two 16-bit values, then
// the image as for an icon.
HBITMAP DecodeCursorToBitmap(std::span<const std::uint8_t> bytes);

// A DIB section holding the picture's pixels.
HBITMAP BitmapFromPixels(const PixelImage& image);

}  // namespace vantorel
