#pragma once
// 32-bit device-independent bitmaps, top row first.
#include <windows.h>

namespace vantorel {

// The header of a 32-bit DIB of width x height (0xAARRGGBB, in memory
// order B, G, R, A), top row first.
inline BITMAPINFO TopDownDib32Info(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// A DIB section of that kind made for dc (null: the screen), its pixels in
// *bits. Null, and *bits null, when it cannot be made.
inline HBITMAP CreateTopDownDib32(HDC dc, int width, int height, void** bits) {
  const BITMAPINFO info = TopDownDib32Info(width, height);
  *bits = nullptr;
  return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

}  // namespace vantorel
