#include "analysis/image_view.h"

#include <algorithm>
#include <cstring>

namespace vantorel {

namespace {

constexpr std::uint16_t kMzSignature = 0x5A4D;
constexpr std::uint32_t kPeSignature = 0x00004550;
constexpr std::uint16_t kMagicPe32 = 0x010B;
constexpr std::uint16_t kMagicPe32Plus = 0x020B;
constexpr std::uint64_t kSectionHeaderSize = 40;

}  // namespace

void ImageView::MarkUnreadable(std::uint64_t offset, std::uint64_t length) {
  if (length == 0 || offset >= size()) return;
  Range range{offset, offset + std::min<std::uint64_t>(length, size() - offset)};
  // Keep the list sorted and merged, so ReadableFrom looks at one range.
  std::vector<Range> merged;
  merged.reserve(unreadable_.size() + 1);
  bool placed = false;
  for (const Range& r : unreadable_) {
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
  unreadable_ = std::move(merged);
}

std::uint64_t ImageView::ReadableFrom(std::uint64_t offset) const {
  if (offset >= size()) return 0;
  auto next = std::upper_bound(unreadable_.begin(), unreadable_.end(), offset,
                               [](std::uint64_t at, const Range& r) { return at < r.end; });
  if (next == unreadable_.end()) return size() - offset;
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

std::uint64_t PeHeaders::HeadersEnd() const {
  return std::max<std::uint64_t>(sizeOfHeaders, sectionTableOffset + sections.size() * kSectionHeaderSize);
}

bool PeHeaders::RvaInAnySection(std::uint64_t rva) const {
  return std::any_of(sections.begin(), sections.end(),
                     [rva](const PeSection& s) { return s.ContainsRva(rva); });
}

std::optional<PeHeaders> ReadPeHeaders(const ByteReader& bytes) {
  if (bytes.read16(0) != kMzSignature) return std::nullopt;
  auto lfanew = bytes.read32(0x3C);
  if (!lfanew || bytes.read32(*lfanew) != kPeSignature) return std::nullopt;

  PeHeaders h;
  h.ntOffset = *lfanew;
  const std::uint64_t fileHeader = std::uint64_t{*lfanew} + 4;
  const std::uint64_t optional = fileHeader + 20;
  auto machine = bytes.read16(fileHeader);
  auto sectionCount = bytes.read16(fileHeader + 2);
  auto optionalSize = bytes.read16(fileHeader + 16);
  auto characteristics = bytes.read16(fileHeader + 18);
  auto magic = bytes.read16(optional);
  if (!machine || !sectionCount || !optionalSize || !characteristics || !magic) return std::nullopt;
  if (*magic != kMagicPe32 && *magic != kMagicPe32Plus) return std::nullopt;
  h.is64 = *magic == kMagicPe32Plus;
  h.machine = *machine;
  h.characteristics = *characteristics;

  const std::uint64_t rvaCountOffset = optional + (h.is64 ? 108 : 92);
  auto sectionAlignment = bytes.read32(optional + 32);
  auto fileAlignment = bytes.read32(optional + 36);
  auto sizeOfImage = bytes.read32(optional + 56);
  auto sizeOfHeaders = bytes.read32(optional + 60);
  auto rvaCount = bytes.read32(rvaCountOffset);
  if (!sectionAlignment || !fileAlignment || !sizeOfImage || !sizeOfHeaders || !rvaCount) return std::nullopt;
  h.sectionAlignment = *sectionAlignment;
  h.fileAlignment = *fileAlignment;
  h.sizeOfImage = *sizeOfImage;
  h.sizeOfHeaders = *sizeOfHeaders;
  h.numberOfRvaAndSizes = *rvaCount;

  // Entries past NumberOfRvaAndSizes are not directories (the system ignores
  // them too); unreadable ones count as absent.
  const std::uint64_t directories = rvaCountOffset + 4;
  const unsigned usable = static_cast<unsigned>(std::min<std::uint32_t>(*rvaCount, kDirectoryCount));
  for (unsigned i = 0; i < usable; ++i) {
    auto rva = bytes.read32(directories + 8ull * i);
    auto size = bytes.read32(directories + 8ull * i + 4);
    if (rva && size) h.directories[i] = DataDirectory{*rva, *size};
  }

  const std::uint64_t table = optional + *optionalSize;
  h.sectionTableOffset = table;
  const std::uint64_t count =
      std::min<std::uint64_t>({*sectionCount, kMaxSections, bytes.countFitting(table, kSectionHeaderSize)});
  h.sections.reserve(static_cast<std::size_t>(count));
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t at = table + i * kSectionHeaderSize;
    PeSection s;
    std::memcpy(s.name.data(), bytes.data() + at, s.name.size());
    s.virtualSize = *bytes.read32(at + 8);
    s.virtualAddress = *bytes.read32(at + 12);
    s.sizeOfRawData = *bytes.read32(at + 16);
    s.pointerToRawData = *bytes.read32(at + 20);
    s.characteristics = *bytes.read32(at + 36);
    h.sections.push_back(s);
  }
  return h;
}

std::optional<std::uint32_t> ReadSizeOfImage(const ByteReader& headerPage) {
  auto headers = ReadPeHeaders(headerPage);
  if (!headers) return std::nullopt;
  return headers->sizeOfImage;
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

std::optional<std::span<const std::uint8_t>> FileRvaReader::spanUpTo(std::uint64_t rva,
                                                                     std::uint64_t maxLength) const {
  if (rva >= headers_->sizeOfImage) return std::nullopt;
  maxLength = std::min<std::uint64_t>(maxLength, headers_->sizeOfImage - rva);
  // Search from the back: where sections overlap, LayOutImage lets the later one win.
  for (auto it = headers_->sections.rbegin(); it != headers_->sections.rend(); ++it) {
    const PeSection& s = *it;
    if (!s.HasRawData() || rva < s.virtualAddress || rva - s.virtualAddress >= s.sizeOfRawData) continue;
    const std::uint64_t delta = rva - s.virtualAddress;
    const std::uint64_t offset = std::uint64_t{s.pointerToRawData} + delta;
    if (offset >= file_.size()) return std::nullopt;
    const std::uint64_t length =
        std::min<std::uint64_t>({maxLength, s.sizeOfRawData - delta, file_.size() - offset});
    return file_.span(offset, length);
  }
  const std::uint64_t headerEnd = std::min<std::uint64_t>(headers_->HeadersEnd(), file_.size());
  if (rva < headerEnd) return file_.span(rva, std::min(maxLength, headerEnd - rva));
  return std::nullopt;
}

std::optional<std::span<const std::uint8_t>> FileRvaReader::span(std::uint64_t rva,
                                                                 std::uint64_t length) const {
  auto bytes = spanUpTo(rva, length);
  if (!bytes || bytes->size() != length) return std::nullopt;
  return bytes;
}

}  // namespace vantorel
