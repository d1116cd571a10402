// The one reading of a PE image's headers: the MZ header, the file header,
// the optional header (PE32 or PE32+), the data directories and the section
// table. A file and an image mapped by the system share this layout, so the
// PE check, the export and resource walks, the editor component's loader and
// the command line all take their headers from here and read none
// themselves.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/byte_reader.h"
#include "platform/byte_source.h"
#include "platform/pe_limits.h"

namespace vantorel {

inline constexpr std::uint16_t kMagicPe32 = 0x010B;
inline constexpr std::uint16_t kMagicPe32Plus = 0x020B;
inline constexpr std::uint16_t kMachineI386 = 0x014C;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;
// IMAGE_FILE_EXECUTABLE_IMAGE: set in images, clear in object files.
inline constexpr std::uint16_t kFileExecutableImage = 0x0002;

struct DataDirectory {
  std::uint32_t rva = 0;
  std::uint32_t size = 0;
};

enum : unsigned {
  kDirectoryExport = 0,
  kDirectoryImport = 1,
  kDirectoryResource = 2,
  kDirectoryException = 3,
  kDirectoryBaseRelocation = 5,
  kDirectoryTls = 9,
  kDirectoryCount = 16,
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

struct PeHeaders {
  std::uint32_t ntOffset = 0;  // e_lfanew: where "PE\0\0" sits
  std::uint16_t machine = 0;
  std::uint16_t numberOfSections = 0;  // as declared; sections holds what could be read
  std::uint16_t sizeOfOptionalHeader = 0;
  std::uint16_t characteristics = 0;
  std::uint16_t magic = 0;
  bool is64 = false;  // PE32+ optional header
  std::uint32_t entryPoint = 0;
  std::uint64_t imageBase = 0;
  std::uint32_t sectionAlignment = 0;
  std::uint32_t fileAlignment = 0;
  std::uint32_t sizeOfImage = 0;
  std::uint32_t sizeOfHeaders = 0;
  std::uint32_t numberOfRvaAndSizes = 0;
  std::uint64_t sectionTableOffset = 0;
  std::array<DataDirectory, kDirectoryCount> directories{};  // zero beyond numberOfRvaAndSizes
  std::vector<PeSection> sections;                           // only the readable ones, at most kMaxSections

  bool RvaInAnySection(std::uint64_t rva) const;
  // Where the headers end for mapping purposes: SizeOfHeaders, stretched to
  // cover the section table when a file undersells it.
  std::uint64_t HeadersEnd() const;
  // The optional header's fields before the data directories.
  std::uint32_t FixedOptionalHeaderSize() const { return is64 ? 112 : 96; }
  // File offset and width of OptionalHeader.ImageBase: 64 bits at 24 in
  // PE32+, 32 bits at 28 in PE32 (after BaseOfData).
  std::uint64_t ImageBaseOffset() const { return std::uint64_t{ntOffset} + 24 + (is64 ? 24 : 28); }
  std::uint32_t ImageBaseWidth() const { return is64 ? 8 : 4; }
};

// The first thing that stopped the reading, in the order the headers are read.
enum class PeHeaderFault {
  None,
  NoMzSignature,
  NtOffsetOutside,  // e_lfanew is negative, or fewer than 4 bytes lie at it
  NoPeSignature,
  Cut,              // the file header or the optional header's fields before the directories end early
  UnknownMagic,     // neither PE32 nor PE32+
};

struct PeHeaderScan {
  // What could be read. Past a fault the fields keep their zeros, except that
  // the file header and the magic read as zero only where the bytes end: the
  // PE check tests the executable bit and the magic of a cut header.
  PeHeaders headers;
  PeHeaderFault fault = PeHeaderFault::None;
};

// Hands out up to length bytes at offset, fewer where the data ends.
using ByteRanges = std::function<ByteReader(std::uint64_t offset, std::uint64_t length)>;

// Reads the headers from the start of a file or of an image, asking only for
// the bytes they occupy: the MZ header, the fixed headers at e_lfanew and the
// section table.
PeHeaderScan ScanPeHeaders(const ByteRanges& bytesAt);
PeHeaderScan ScanPeHeaders(const ByteReader& bytes);
PeHeaderScan ScanPeHeaders(const SourceReader& file);

// The headers when the scan met no fault.
std::optional<PeHeaders> ReadPeHeaders(const ByteReader& bytes);

// The headers' claim of SizeOfImage, for building a view over a module the
// system has mapped (its first page is always readable).
std::optional<std::uint32_t> ReadSizeOfImage(const ByteReader& headerPage);

}  // namespace vantorel
