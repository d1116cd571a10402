// A PE file read at RVAs straight from its bytes, without laying it out:
// only what a walk reads comes from the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/image_view.h"
#include "platform/byte_source.h"
#include "platform/pe_image.h"
#include "platform/pe_limits.h"

namespace vantorel {

// File bytes placed in an image: length bytes from fileOffset at rva.
struct ImageExtent {
  std::uint64_t rva = 0;
  std::uint64_t length = 0;
  std::uint64_t fileOffset = 0;
};

// The file bytes an image of imageSize bytes holds, where LayOutImage puts
// them: the headers at 0, each section's raw data at its VirtualAddress, a
// later section winning where two overlap. Sorted by rva and without
// overlaps; the rest of the image is zero.
std::vector<ImageExtent> PlanImage(const PeHeaders& headers, std::uint64_t fileSize, std::uint64_t imageSize);

// The image LayOutImage would make of a file, with the sections the loader
// maps no-access unreadable (as MarkNoAccessSections marks them), read as an
// ImageView reads. The file is read only where the image is; what it fails
// to deliver reads as zero, and the file's reader says so (failed()).
class FileImage {
 public:
  FileImage(const SourceReader& file, const PeHeaders& headers, std::size_t maxImageSize = kMaxImageSize);

  std::uint64_t size() const { return size_; }
  std::uint64_t ReadableFrom(std::uint64_t offset) const { return unreadable_.ReadableFrom(offset, size_); }
  bool contains(std::uint64_t offset, std::uint64_t length) const { return length <= ReadableFrom(offset); }
  std::uint64_t countFitting(std::uint64_t offset, std::uint64_t elementSize) const {
    return elementSize == 0 ? 0 : ReadableFrom(offset) / elementSize;
  }
  std::optional<std::uint8_t> read8(std::uint64_t offset) const { return Read<std::uint8_t>(offset); }
  std::optional<std::uint16_t> read16(std::uint64_t offset) const { return Read<std::uint16_t>(offset); }
  std::optional<std::uint32_t> read32(std::uint64_t offset) const { return Read<std::uint32_t>(offset); }
  std::optional<std::uint64_t> read64(std::uint64_t offset) const { return Read<std::uint64_t>(offset); }
  // The text stays valid until the next readCString.
  std::optional<std::string_view> readCString(std::uint64_t offset, std::size_t maxLength = SIZE_MAX) const;
  // The bytes stay valid as long as the image.
  std::optional<ByteReader> sub(std::uint64_t offset, std::uint64_t length) const;

 private:
  // The extent holding rva, or the end of the zero fill rva lies in.
  const ImageExtent* ExtentAt(std::uint64_t rva, std::uint64_t& zeroEnd) const;
  // Fills out from the image; bytes the file fails to deliver read as zero
  // (the reader's failed() tells).
  void CopyOut(std::uint64_t offset, std::span<std::uint8_t> out) const;
  template <class T>
  std::optional<T> Read(std::uint64_t offset) const {
    if (!contains(offset, sizeof(T))) return std::nullopt;
    auto value = [](const std::uint8_t* bytes) {
      T v = 0;
      for (std::size_t i = 0; i < sizeof(T); ++i) v |= static_cast<T>(static_cast<T>(bytes[i]) << (8 * i));
      return v;
    };
    // Most reads lie within one extent and one block of the file.
    std::uint64_t zeroEnd = 0;
    const ImageExtent* e = last_ && offset - last_->rva < last_->length ? last_ : ExtentAt(offset, zeroEnd);
    if (e && offset - e->rva + sizeof(T) <= e->length) {
      auto bytes = file_.spanUpTo(e->fileOffset + (offset - e->rva), sizeof(T));
      if (bytes && bytes->size() == sizeof(T)) return value(bytes->data());
    }
    std::uint8_t bytes[sizeof(T)];
    CopyOut(offset, bytes);
    return value(bytes);
  }

  const SourceReader& file_;
  std::uint64_t size_;
  std::vector<ImageExtent> extents_;
  UnreadableRanges unreadable_;
  mutable const ImageExtent* last_ = nullptr;  // reads come in runs within one extent
  mutable std::string text_;
  mutable std::vector<std::unique_ptr<std::uint8_t[]>> joined_;
};

// Translates RVAs of a PE file to its bytes the way LayOutImage places them:
// a section's raw data at its VirtualAddress (a later section wins where two
// overlap), the headers at 0. Lets small structures be read without laying
// out a whole file. RVAs that would read as zero fill are not mapped.
class FileRvaReader {
 public:
  FileRvaReader(const SourceReader& file, const PeHeaders& headers) : file_(file), headers_(&headers) {}

  // The bytes from rva up to maxLength, cut where rva's region of the file ends.
  std::optional<std::span<const std::uint8_t>> spanUpTo(std::uint64_t rva, std::uint64_t maxLength) const;
  // Exactly length bytes at rva, or nothing.
  std::optional<std::span<const std::uint8_t>> span(std::uint64_t rva, std::uint64_t length) const;

 private:
  const SourceReader& file_;
  const PeHeaders* headers_;
};

}  // namespace vantorel
