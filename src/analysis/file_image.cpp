#include "analysis/file_image.h"

#include <algorithm>
#include <cstring>

namespace vantorel {

namespace {

constexpr std::uint32_t kMemoryAccess = 0xE0000000u;  // IMAGE_SCN_MEM_EXECUTE | _READ | _WRITE

// Puts extent over what is there, cutting the older extents it covers.
void Place(std::vector<ImageExtent>& extents, const ImageExtent& extent) {
  if (extent.length == 0) return;
  const std::uint64_t end = extent.rva + extent.length;
  std::vector<ImageExtent> kept;
  kept.reserve(extents.size() + 2);
  for (const ImageExtent& x : extents) {
    const std::uint64_t xEnd = x.rva + x.length;
    if (xEnd <= extent.rva || x.rva >= end) {
      kept.push_back(x);
      continue;
    }
    if (x.rva < extent.rva) kept.push_back({x.rva, extent.rva - x.rva, x.fileOffset});
    if (xEnd > end) kept.push_back({end, xEnd - end, x.fileOffset + (end - x.rva)});
  }
  kept.push_back(extent);
  std::sort(kept.begin(), kept.end(), [](const ImageExtent& a, const ImageExtent& b) { return a.rva < b.rva; });
  extents = std::move(kept);
}

}  // namespace

std::vector<ImageExtent> PlanImage(const PeHeaders& headers, std::uint64_t fileSize, std::uint64_t imageSize) {
  std::vector<ImageExtent> extents;
  Place(extents, {0, std::min<std::uint64_t>({headers.HeadersEnd(), fileSize, imageSize}), 0});
  for (const PeSection& s : headers.sections) {
    if (!s.HasRawData() || s.virtualAddress >= imageSize || s.pointerToRawData >= fileSize) continue;
    const std::uint64_t length =
        std::min<std::uint64_t>({s.sizeOfRawData, imageSize - s.virtualAddress, fileSize - s.pointerToRawData});
    Place(extents, {s.virtualAddress, length, s.pointerToRawData});
  }
  return extents;
}

FileImage::FileImage(const SourceReader& file, const PeHeaders& headers, std::size_t maxImageSize)
    : file_(file),
      size_(std::min<std::uint64_t>(headers.sizeOfImage, maxImageSize)),
      extents_(PlanImage(headers, file.size(), size_)) {
  for (const PeSection& s : headers.sections)
    if (!(s.characteristics & kMemoryAccess)) unreadable_.Mark(s.virtualAddress, s.VirtualExtent(), size_);
}

const ImageExtent* FileImage::ExtentAt(std::uint64_t rva, std::uint64_t& zeroEnd) const {
  if (last_ && rva - last_->rva < last_->length) return last_;
  auto next = std::upper_bound(extents_.begin(), extents_.end(), rva,
                               [](std::uint64_t at, const ImageExtent& e) { return at < e.rva; });
  if (next != extents_.begin() && rva - std::prev(next)->rva < std::prev(next)->length) return last_ = &*std::prev(next);
  zeroEnd = next == extents_.end() ? size_ : next->rva;
  return nullptr;
}

void FileImage::CopyOut(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  while (done < out.size()) {
    const std::uint64_t at = offset + done;
    const std::uint64_t wanted = out.size() - done;
    std::uint64_t zeroEnd = 0;
    const ImageExtent* e = ExtentAt(at, zeroEnd);
    if (!e) {
      const std::size_t n = static_cast<std::size_t>(std::min(wanted, zeroEnd - at));
      std::memset(out.data() + done, 0, n);
      done += n;
      continue;
    }
    const std::uint64_t length = std::min(wanted, e->rva + e->length - at);
    auto bytes = file_.spanUpTo(e->fileOffset + (at - e->rva), length);
    if (!bytes) {
      // The file failed to deliver what its size promised; the reader
      // remembers, and the caller asks it.
      std::memset(out.data() + done, 0, static_cast<std::size_t>(length));
      done += static_cast<std::size_t>(length);
      continue;
    }
    std::memcpy(out.data() + done, bytes->data(), bytes->size());
    done += bytes->size();
  }
}

std::optional<std::string_view> FileImage::readCString(std::uint64_t offset, std::size_t maxLength) const {
  // As ImageView: the terminator must lie within maxLength + 1 bytes, before
  // an unreadable range or the end of the image.
  const std::uint64_t readable = ReadableFrom(offset);
  const std::uint64_t end = offset + (maxLength < readable ? std::uint64_t{maxLength} + 1 : readable);
  text_.clear();
  bool gathered = false;
  auto ended = [&] { return gathered ? std::string_view(text_) : std::string_view(); };
  for (std::uint64_t at = offset; at < end;) {
    std::uint64_t zeroEnd = 0;
    const ImageExtent* e = ExtentAt(at, zeroEnd);
    if (!e) return ended();  // zero fill ends the text
    auto bytes = file_.spanUpTo(e->fileOffset + (at - e->rva), std::min(end - at, e->rva + e->length - at));
    if (!bytes) return ended();  // a failed read reads as zero; the reader remembers
    const auto* zero = static_cast<const std::uint8_t*>(std::memchr(bytes->data(), 0, bytes->size()));
    const std::string_view piece(reinterpret_cast<const char*>(bytes->data()),
                                 zero ? static_cast<std::size_t>(zero - bytes->data()) : bytes->size());
    if (zero && !gathered) return piece;
    text_ += piece;
    gathered = true;
    if (zero) return std::string_view(text_);
    at += bytes->size();
  }
  return std::nullopt;
}

std::optional<ByteReader> FileImage::sub(std::uint64_t offset, std::uint64_t length) const {
  if (!contains(offset, length)) return std::nullopt;
  std::uint64_t zeroEnd = 0;
  const ImageExtent* e = ExtentAt(offset, zeroEnd);
  if (e && offset - e->rva + length <= e->length) {
    if (auto bytes = file_.sub(e->fileOffset + (offset - e->rva), length)) return bytes;
  }
  const auto n = static_cast<std::size_t>(length);
  std::uint8_t* bytes = joined_.emplace_back(std::make_unique_for_overwrite<std::uint8_t[]>(n)).get();
  CopyOut(offset, {bytes, n});
  return ByteReader(bytes, n);
}

std::optional<std::span<const std::uint8_t>> FileRvaReader::spanUpTo(std::uint64_t rva,
                                                                     std::uint64_t maxLength) const {
  if (rva >= headers_->sizeOfImage) return std::nullopt;
  maxLength = std::min<std::uint64_t>(maxLength, headers_->sizeOfImage - rva);
  auto bytesAt = [this](std::uint64_t offset, std::uint64_t length) -> std::optional<std::span<const std::uint8_t>> {
    auto bytes = file_.sub(offset, length);
    if (!bytes) return std::nullopt;
    return std::span<const std::uint8_t>(bytes->data(), bytes->size());
  };
  // Search from the back: where sections overlap, LayOutImage lets the later one win.
  for (auto it = headers_->sections.rbegin(); it != headers_->sections.rend(); ++it) {
    const PeSection& s = *it;
    if (!s.HasRawData() || rva < s.virtualAddress || rva - s.virtualAddress >= s.sizeOfRawData) continue;
    const std::uint64_t delta = rva - s.virtualAddress;
    const std::uint64_t offset = std::uint64_t{s.pointerToRawData} + delta;
    if (offset >= file_.size()) return std::nullopt;
    const std::uint64_t length =
        std::min<std::uint64_t>({maxLength, s.sizeOfRawData - delta, file_.size() - offset});
    return bytesAt(offset, length);
  }
  const std::uint64_t headerEnd = std::min<std::uint64_t>(headers_->HeadersEnd(), file_.size());
  if (rva < headerEnd) return bytesAt(rva, std::min(maxLength, headerEnd - rva));
  return std::nullopt;
}

std::optional<std::span<const std::uint8_t>> FileRvaReader::span(std::uint64_t rva,
                                                                 std::uint64_t length) const {
  auto bytes = spanUpTo(rva, length);
  if (!bytes || bytes->size() != length) return std::nullopt;
  return bytes;
}

}  // namespace vantorel
