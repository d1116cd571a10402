#include "analysis/image_view.h"

#include <algorithm>
#include <cstring>

namespace vantorel {

void UnreadableRanges::Mark(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
  if (length == 0 || offset >= size) return;
  Range range{offset, offset + std::min<std::uint64_t>(length, size - offset)};
  // Keep the list sorted and merged, so ReadableFrom looks at one range.
  std::vector<Range> merged;
  merged.reserve(ranges_.size() + 1);
  bool placed = false;
  for (const Range& r : ranges_) {
    if (r.end < range.begin) {
      merged.push_back(r);
    } else if (range.end < r.begin) {
      if (!placed) merged.push_back(range);
      placed = true;
      merged.push_back(r);
    } else {
      range = {std::min(range.begin, r.begin), std::max(range.end, r.end)};
    }
  }
  if (!placed) merged.push_back(range);
  ranges_ = std::move(merged);
}

std::uint64_t UnreadableRanges::ReadableFrom(std::uint64_t offset, std::uint64_t size) const {
  if (offset >= size) return 0;
  auto next = std::upper_bound(ranges_.begin(), ranges_.end(), offset,
                               [](std::uint64_t at, const Range& r) { return at < r.end; });
  if (next == ranges_.end()) return size - offset;
  if (next->begin <= offset) return 0;
  return next->begin - offset;
}

std::optional<std::uint8_t> ImageView::read8(std::uint64_t offset) const {
  return contains(offset, 1) ? ByteReader::read8(offset) : std::nullopt;
}
std::optional<std::uint16_t> ImageView::read16(std::uint64_t offset) const {
  return contains(offset, 2) ? ByteReader::read16(offset) : std::nullopt;
}
std::optional<std::uint32_t> ImageView::read32(std::uint64_t offset) const {
  return contains(offset, 4) ? ByteReader::read32(offset) : std::nullopt;
}
std::optional<std::uint64_t> ImageView::read64(std::uint64_t offset) const {
  return contains(offset, 8) ? ByteReader::read64(offset) : std::nullopt;
}
std::optional<std::string_view> ImageView::readCString(std::uint64_t offset, std::size_t maxLength) const {
  // Searching for the terminator must stop at the hole, not fault in it.
  auto readable = ByteReader::sub(offset, ReadableFrom(offset));
  if (!readable) return std::nullopt;
  return readable->readCString(0, maxLength);
}
std::optional<std::span<const std::uint8_t>> ImageView::span(std::uint64_t offset, std::uint64_t length) const {
  return contains(offset, length) ? ByteReader::span(offset, length) : std::nullopt;
}
std::optional<ByteReader> ImageView::sub(std::uint64_t offset, std::uint64_t length) const {
  return contains(offset, length) ? ByteReader::sub(offset, length) : std::nullopt;
}

void MarkNoAccessSections(ImageView& image, const PeHeaders& headers) {
  constexpr std::uint32_t kMemoryAccess = 0xE0000000u;  // IMAGE_SCN_MEM_EXECUTE | _READ | _WRITE
  for (const PeSection& s : headers.sections)
    if (!(s.characteristics & kMemoryAccess)) image.MarkUnreadable(s.virtualAddress, s.VirtualExtent());
}

std::optional<std::vector<std::uint8_t>> LayOutImage(std::span<const std::uint8_t> file,
                                                     std::size_t maxImageSize) {
  const ByteReader bytes(file);
  auto headers = ReadPeHeaders(bytes);
  if (!headers || headers->sizeOfImage == 0) return std::nullopt;

  const std::uint64_t imageSize = std::min<std::uint64_t>(headers->sizeOfImage, maxImageSize);
  std::vector<std::uint8_t> image(static_cast<std::size_t>(imageSize), 0);

  // The walk reads the section table from the image, so the headers go in
  // whole even when SizeOfHeaders undersells them.
  const std::uint64_t headerBytes = std::min<std::uint64_t>({headers->HeadersEnd(), file.size(), imageSize});
  std::memcpy(image.data(), file.data(), static_cast<std::size_t>(headerBytes));

  for (const PeSection& s : headers->sections) {
    if (!s.HasRawData() || s.virtualAddress >= imageSize || s.pointerToRawData >= file.size()) continue;
    const std::uint64_t length = std::min<std::uint64_t>(
        {s.sizeOfRawData, imageSize - s.virtualAddress, file.size() - s.pointerToRawData});
    std::memcpy(image.data() + s.virtualAddress, file.data() + s.pointerToRawData,
                static_cast<std::size_t>(length));
  }
  return image;
}

}  // namespace vantorel
