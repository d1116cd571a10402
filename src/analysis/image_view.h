// Bounds-checked access to PE data: the parsed headers, and the image view in
// which an RVA is simply an offset (a library mapped by the system, or a file
// laid out section by section with LayOutImage).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/byte_reader.h"
#include "platform/pe_limits.h"

namespace vantorel {

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
  void MarkUnreadable(std::uint64_t offset, std::uint64_t length);
  // How many bytes from offset on can be read before an unreadable range or
  // the end of the image.
  std::uint64_t ReadableFrom(std::uint64_t offset) const;

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
  struct Range {
    std::uint64_t begin, end;
  };
  std::vector<Range> unreadable_;  // sorted by begin, merged
};

struct DataDirectory {
  std::uint32_t rva = 0;
  std::uint32_t size = 0;
};

struct PeSection {
  std::array<char, 8> name{};
  std::uint32_t virtualSize = 0;
  std::uint32_t virtualAddress = 0;
  std::uint32_t sizeOfRawData = 0;
  std::uint32_t pointerToRawData = 0;
  std::uint32_t characteristics = 0;

  // Uninitialised data has no bytes in the file, whatever SizeOfRawData says.
  bool HasRawData() const { return pointerToRawData != 0 && sizeOfRawData != 0; }
  // Linkers leave VirtualSize 0 in some images; the raw size then stands in.
  std::uint64_t VirtualExtent() const { return virtualSize ? virtualSize : sizeOfRawData; }
  bool ContainsRva(std::uint64_t rva) const {
    return rva >= virtualAddress && rva < virtualAddress + VirtualExtent();
  }
};

enum : unsigned {
  kDirectoryExport = 0,
  kDirectoryResource = 2,
  kDirectoryCount = 16,
};

struct PeHeaders {
  std::uint32_t ntOffset = 0;  // e_lfanew: where "PE\0\0" sits
  bool is64 = false;           // PE32+ optional header
  std::uint16_t machine = 0;
  std::uint16_t characteristics = 0;
  std::uint32_t sizeOfImage = 0;
  std::uint32_t sizeOfHeaders = 0;
  std::uint32_t sectionAlignment = 0;
  std::uint32_t fileAlignment = 0;
  std::uint32_t numberOfRvaAndSizes = 0;
  std::uint64_t sectionTableOffset = 0;
  std::array<DataDirectory, kDirectoryCount> directories{};  // zero beyond numberOfRvaAndSizes
  std::vector<PeSection> sections;                           // only the readable ones, at most kMaxSections

  bool RvaInAnySection(std::uint64_t rva) const;
  // Where the headers end for mapping purposes: SizeOfHeaders, stretched to
  // cover the section table when a file undersells it.
  std::uint64_t HeadersEnd() const;
};

// Reads the MZ and PE headers, the optional header (PE32 or PE32+) and the
// section table from the start of a file or of an image: both share the
// header layout. Empty when the signatures or the optional-header magic are
// wrong or the fixed fields do not fit.
std::optional<PeHeaders> ReadPeHeaders(const ByteReader& bytes);

// Marks every section whose characteristics grant neither read, write nor
// execute as unreadable in a view of the laid-out file: the loader maps such
// a section no-access, so a walk of the file sees what a walk of the loaded
// library sees.
void MarkNoAccessSections(ImageView& image, const PeHeaders& headers);

// The headers' claim of SizeOfImage, for building an ImageView over a module
// the system has mapped (its first page is always readable).
std::optional<std::uint32_t> ReadSizeOfImage(const ByteReader& headerPage);

inline constexpr std::size_t kDefaultMaxImageSize = std::size_t{512} << 20;

// Lays out a PE file's bytes as the loader would map them: the headers at 0,
// each section's raw data at its VirtualAddress, the rest zero (bss). Sizes
// are capped by the file, by SizeOfImage and by maxImageSize. Empty when the
// headers cannot be read or SizeOfImage is 0.
std::optional<std::vector<std::uint8_t>> LayOutImage(std::span<const std::uint8_t> file,
                                                     std::size_t maxImageSize = kDefaultMaxImageSize);

// Translates RVAs of a PE *file* (not laid out) to its bytes the way
// LayOutImage places them: a section's raw data at its VirtualAddress (a later
// section wins where two overlap), the headers at 0. Lets small structures be
// read without laying out a whole file. RVAs that would read as zero fill are
// not mapped.
class FileRvaReader {
 public:
  FileRvaReader(const ByteReader& file, const PeHeaders& headers) : file_(file), headers_(&headers) {}

  // The bytes from rva up to maxLength, cut where rva's region of the file ends.
  std::optional<std::span<const std::uint8_t>> spanUpTo(std::uint64_t rva, std::uint64_t maxLength) const;
  // Exactly length bytes at rva, or nothing.
  std::optional<std::span<const std::uint8_t>> span(std::uint64_t rva, std::uint64_t length) const;

 private:
  ByteReader file_;
  const PeHeaders* headers_;
};

}  // namespace vantorel
