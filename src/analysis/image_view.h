// The image view, in which an RVA is simply an offset: a library mapped by the
// system, or a file laid out section by section with LayOutImage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/byte_reader.h"
#include "platform/pe_image.h"
#include "platform/pe_limits.h"

namespace vantorel {

// The ranges of an image that may not be read, sorted and merged.
class UnreadableRanges {
 public:
  // Marks [offset, offset + length) of an image of size bytes.
  void Mark(std::uint64_t offset, std::uint64_t length, std::uint64_t size);
  // How many bytes from offset on can be read before a marked range or the end.
  std::uint64_t ReadableFrom(std::uint64_t offset, std::uint64_t size) const;

 private:
  struct Range {
    std::uint64_t begin, end;
  };
  std::vector<Range> ranges_;
};

// A mapped image: base plus SizeOfImage; RVAs are offsets into it.
//
// A library may ask the loader to map a section with no access at all; a
// read there faults. Such ranges are marked, and every read of the view that
// touches one fails as a read past the end would. The reads below hide
// ByteReader's on purpose: code that takes an ImageView sees the holes, and
// what it passes on as a plain ByteReader (sub) never reaches into one.
class ImageView : public ByteReader {
 public:
  ImageView() = default;
  ImageView(const void* base, std::size_t sizeOfImage) : ByteReader(base, sizeOfImage) {}
  explicit ImageView(std::span<const std::uint8_t> image) : ByteReader(image) {}

  // Marks [offset, offset + length) as not readable.
  void MarkUnreadable(std::uint64_t offset, std::uint64_t length) { unreadable_.Mark(offset, length, size()); }
  // How many bytes from offset on can be read before an unreadable range or
  // the end of the image.
  std::uint64_t ReadableFrom(std::uint64_t offset) const { return unreadable_.ReadableFrom(offset, size()); }

  bool contains(std::uint64_t offset, std::uint64_t length) const { return length <= ReadableFrom(offset); }
  std::uint64_t countFitting(std::uint64_t offset, std::uint64_t elementSize) const {
    return elementSize == 0 ? 0 : ReadableFrom(offset) / elementSize;
  }
  std::optional<std::uint8_t> read8(std::uint64_t offset) const;
  std::optional<std::uint16_t> read16(std::uint64_t offset) const;
  std::optional<std::uint32_t> read32(std::uint64_t offset) const;
  std::optional<std::uint64_t> read64(std::uint64_t offset) const;
  std::optional<std::string_view> readCString(std::uint64_t offset, std::size_t maxLength = SIZE_MAX) const;
  std::optional<std::span<const std::uint8_t>> span(std::uint64_t offset, std::uint64_t length) const;
  std::optional<ByteReader> sub(std::uint64_t offset, std::uint64_t length) const;

 private:
  UnreadableRanges unreadable_;
};

// Marks every section whose characteristics grant neither read, write nor
// execute as unreadable in a view of the laid-out file: the loader maps such
// a section no-access, so a walk of the file sees what a walk of the loaded
// library sees.
void MarkNoAccessSections(ImageView& image, const PeHeaders& headers);

// Lays out a PE file's bytes as the loader would map them: the headers at 0,
// each section's raw data at its VirtualAddress, the rest zero (bss). Sizes
// are capped by the file, by SizeOfImage and by maxImageSize. Empty when the
// headers cannot be read or SizeOfImage is 0.
std::optional<std::vector<std::uint8_t>> LayOutImage(std::span<const std::uint8_t> file,
                                                     std::size_t maxImageSize = kMaxImageSize);

}  // namespace vantorel
