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
