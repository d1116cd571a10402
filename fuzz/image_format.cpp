// The hand-written bitmap readers over arbitrary bytes: as a BMP file, a
// packed DIB and an icon image. Whatever they return must be a consistent,
// premultiplied picture within the caps.
#include "resources/image_format.h"

#include <cstddef>
#include <cstdint>

namespace {

void Check(const std::optional<vantorel::PixelImage>& image) {
  if (!image) return;
  if (!vantorel::ImageSizeAllowed(static_cast<std::uint64_t>(image->width), static_cast<std::uint64_t>(image->height)))
    __builtin_trap();
  if (image->bgra.size() != std::size_t{4} * static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height))
    __builtin_trap();
  for (std::size_t i = 0; i < image->bgra.size(); i += 4)
    for (std::size_t c = 0; c < 3; ++c)
      if (image->bgra[i + c] > image->bgra[i + 3]) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  (void)vantorel::SniffImageFormat(bytes);
  Check(vantorel::DecodeBmpFile(bytes));
  Check(vantorel::DecodeDib(bytes));
  Check(vantorel::DecodeIconDib(bytes));
  return 0;
}
