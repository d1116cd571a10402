#include "platform/icon_strip_win32.h"

#include <cstring>
#include <vector>

#include "platform/dib_win32.h"

namespace vantorel {

bool AddIconStrip(HIMAGELIST images, std::span<const IconPixels> icons) {
  if (!images || icons.empty()) return false;
  const int side = icons.front().side;
  const auto n = static_cast<std::size_t>(side);
  for (const IconPixels& icon : icons) {
    if (icon.side != side || icon.argb.size() != n * n || icon.transparent.size() != n * n) return false;
  }
  const auto count = icons.size();
  const auto width = static_cast<int>(count * n);

  // Top row first, as the pixels are held.
  void* bits = nullptr;
  HBITMAP colours = CreateTopDownDib32(nullptr, width, side, &bits);
  if (!colours || !bits) {
    if (colours) DeleteObject(colours);
    return false;
  }
  auto* out = static_cast<std::uint32_t*>(bits);
  // A monochrome bitmap's rows are padded to 16 bits; 1 is transparent.
  const std::size_t maskStride = (static_cast<std::size_t>(width) + 15) / 16 * 2;
  std::vector<std::uint8_t> mask(maskStride * n, 0);
  for (std::size_t i = 0; i < count; ++i) {
    const IconPixels& icon = icons[i];
    for (std::size_t row = 0; row < n; ++row) {
      std::memcpy(out + row * static_cast<std::size_t>(width) + i * n, icon.argb.data() + row * n,
                  n * sizeof(std::uint32_t));
      for (std::size_t x = 0; x < n; ++x) {
        if (!icon.transparent[row * n + x]) continue;
        const std::size_t column = i * n + x;
        mask[row * maskStride + column / 8] |= static_cast<std::uint8_t>(0x80 >> (column % 8));
      }
    }
  }
  GdiFlush();
  HBITMAP masks = CreateBitmap(width, side, 1, 1, mask.data());
  const int first = masks ? ImageList_Add(images, colours, masks) : -1;
  if (masks) DeleteObject(masks);
  DeleteObject(colours);
  return first >= 0;
}

}  // namespace vantorel
