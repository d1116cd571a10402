#include "platform/ico.h"

namespace vantorel {

namespace {
std::uint32_t Le(std::span<const std::uint8_t> b, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n; i-- > 0;) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
  return v;
}
}  // namespace

std::vector<IcoEntry> ReadIcoDirectory(std::span<const std::uint8_t> ico) {
  std::vector<IcoEntry> entries;
  if (ico.size() < 6 || Le(ico, 0, 2) != 0 || Le(ico, 2, 2) != 1) return entries;
  const std::uint64_t count = Le(ico, 4, 2);
  if (6 + count * 16 > ico.size()) return entries;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::size_t at = static_cast<std::size_t>(6 + i * 16);
    IcoEntry e;
    e.width = ico[at] ? ico[at] : 256;
    e.height = ico[at + 1] ? ico[at + 1] : 256;
    e.bitCount = static_cast<int>(Le(ico, at + 6, 2));
    e.size = Le(ico, at + 8, 4);
    e.offset = Le(ico, at + 12, 4);
    if (e.size == 0 || std::uint64_t{e.offset} + e.size > ico.size()) continue;
    entries.push_back(e);
  }
  return entries;
}

std::optional<IcoEntry> PickIcoEntry(std::span<const IcoEntry> entries, int size) {
  std::optional<IcoEntry> best;
  for (const IcoEntry& e : entries) {
    if (e.width != size || e.height != size) continue;
    if (!best || e.bitCount > best->bitCount) best = e;
  }
  return best;
}

std::optional<std::span<const std::uint8_t>> FindIcoImage(std::span<const std::uint8_t> ico, int size,
                                                          int bitCount) {
  for (const IcoEntry& e : ReadIcoDirectory(ico)) {
    if (e.width == size && e.height == size && e.bitCount == bitCount) return ico.subspan(e.offset, e.size);
  }
  return std::nullopt;
}

}  // namespace vantorel

namespace vantorel {

std::optional<IconPixels> DecodeIconImage32(std::span<const std::uint8_t> image, int side) {
  constexpr std::size_t kHeader = 40;
  if (side <= 0 || side > 256 || image.size() < kHeader || Le(image, 0, 4) != kHeader) return std::nullopt;
  const auto width = static_cast<std::int32_t>(Le(image, 4, 4));
  const auto height = static_cast<std::int32_t>(Le(image, 8, 4));
  if (width != side || height != 2 * side || Le(image, 12, 2) != 1 || Le(image, 14, 2) != 32 ||
      Le(image, 16, 4) != 0)
    return std::nullopt;
  const auto n = static_cast<std::size_t>(side);
  const std::size_t colourBytes = n * n * 4;
  if (image.size() - kHeader < colourBytes) return std::nullopt;
  IconPixels out;
  out.side = side;
  out.argb.resize(n * n);
  out.transparent.assign(n * n, 0);
  // Both the colours and the mask are stored bottom row first.
  for (std::size_t row = 0; row < n; ++row) {
    const std::size_t from = kHeader + (n - 1 - row) * n * 4;
    for (std::size_t x = 0; x < n; ++x) out.argb[row * n + x] = Le(image, from + x * 4, 4);
  }
  const std::size_t maskStride = (n + 31) / 32 * 4;
  const std::size_t maskAt = kHeader + colourBytes;
  if (image.size() - maskAt >= maskStride * n) {
    for (std::size_t row = 0; row < n; ++row) {
      const std::size_t from = maskAt + (n - 1 - row) * maskStride;
      for (std::size_t x = 0; x < n; ++x) out.transparent[row * n + x] = (image[from + x / 8] >> (7 - x % 8)) & 1;
    }
  }
  return out;
}

}  // namespace vantorel
