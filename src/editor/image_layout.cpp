#include "editor/image_layout.h"

#include "platform/byte_reader.h"
#include "platform/pe_limits.h"

#include <algorithm>

namespace vantorel {
namespace {

constexpr std::size_t kMaxNameLength = 4096;

// Every read goes through the shared checked reader; offsets are 64-bit so
// that offset + width never wraps.
bool Fits(std::span<const std::uint8_t> bytes, std::uint64_t offset, std::uint64_t length) {
  return ByteReader(bytes).contains(offset, length);
}

bool FitsImage(std::uint32_t sizeOfImage, DataDirectory d) {
  return std::uint64_t{d.rva} + d.size <= sizeOfImage;
}

std::optional<std::string_view> ReadCString(std::span<const std::uint8_t> bytes, std::uint64_t offset) {
  return ByteReader(bytes).readCString(offset, kMaxNameLength);
}

template <class T>
void Add(std::span<std::uint8_t> bytes, std::uint64_t offset, T delta) {
  T value = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(static_cast<T>(bytes[offset + i]) << (8 * i));
  value = static_cast<T>(value + delta);
  for (std::size_t i = 0; i < sizeof(T); ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::optional<ImageLayout> ReadImageLayout(std::span<const std::uint8_t> file, Edition edition) {
  PeHeaderScan scan = ScanPeHeaders(ByteReader(file));
  if (scan.fault != PeHeaderFault::None) return std::nullopt;
  ImageLayout layout;
  static_cast<PeHeaders&>(layout) = std::move(scan.headers);

  // An image of the other kind could not run in this process.
  const bool is64 = edition == Edition::X64;
  if (layout.is64 != is64 || layout.machine != (is64 ? kMachineAmd64 : kMachineI386)) return std::nullopt;
  if (layout.numberOfSections > kMaxSections) return std::nullopt;
  const std::uint64_t optional = std::uint64_t{layout.ntOffset} + 24;
  const std::uint32_t fixedOptionalHeader = layout.FixedOptionalHeaderSize();
  if (layout.sizeOfOptionalHeader < fixedOptionalHeader || !Fits(file, optional, layout.sizeOfOptionalHeader))
    return std::nullopt;
  const std::uint32_t directoryCount = std::min(layout.numberOfRvaAndSizes, 16u);
  if (fixedOptionalHeader + directoryCount * 8u > layout.sizeOfOptionalHeader) return std::nullopt;

  const std::uint32_t alignment = layout.sectionAlignment;
  if (alignment == 0 || (alignment & (alignment - 1)) != 0) return std::nullopt;
  if (layout.sizeOfImage == 0 || layout.sizeOfImage > kMaxImageSize) return std::nullopt;
  // The loader copies SizeOfHeaders bytes and reads the section table from
  // that copy, so the table must lie inside them.
  const std::uint64_t tableEnd = layout.sectionTableOffset + std::uint64_t{layout.numberOfSections} * 40;
  if (tableEnd > layout.sizeOfHeaders || layout.sizeOfHeaders > file.size() ||
      layout.sizeOfHeaders > layout.sizeOfImage) {
    return std::nullopt;
  }

  for (unsigned d : {kDirectoryImport, kDirectoryException, kDirectoryBaseRelocation}) {
    if (layout.directories[d].size != 0 && !FitsImage(layout.sizeOfImage, layout.directories[d])) return std::nullopt;
  }
  // RtlAddFunctionTable wants its entries 32-bit aligned. An x86 image has
  // no such table (its exception handling is frame-based): none is read.
  DataDirectory& exceptions = layout.directories[kDirectoryException];
  if (!is64) exceptions = {};
  if (exceptions.size != 0 && exceptions.rva % 4 != 0) return std::nullopt;

  layout.extents.reserve(layout.sections.size());
  for (const PeSection& s : layout.sections) {
    // Sections never overlap the headers: copying them would overwrite the
    // section table being walked.
    if (s.virtualAddress < layout.sizeOfHeaders || s.virtualAddress >= layout.sizeOfImage) return std::nullopt;
    const std::uint32_t room = layout.sizeOfImage - s.virtualAddress;
    std::uint32_t extent = std::max(s.virtualSize, s.sizeOfRawData);
    if (extent == 0) extent = std::min(alignment, room);
    if (extent > room) return std::nullopt;
    if (s.sizeOfRawData != 0 && !Fits(file, s.pointerToRawData, s.sizeOfRawData)) return std::nullopt;
    layout.extents.push_back(extent);
  }

  if (layout.entryPoint != 0) {
    bool inCode = false;
    for (std::size_t i = 0; i < layout.sections.size(); ++i) {
      const PeSection& s = layout.sections[i];
      inCode = inCode || ((s.characteristics & kScnMemExecute) && layout.entryPoint >= s.virtualAddress &&
                          layout.entryPoint - s.virtualAddress < layout.extents[i]);
    }
    if (!inCode) return std::nullopt;
  }
  return layout;
}

bool ApplyRelocations(std::span<std::uint8_t> image, DataDirectory directory, std::int64_t delta) {
  if (directory.size == 0) return true;
  const std::uint64_t end = std::uint64_t{directory.rva} + directory.size;
  if (end > image.size()) return false;
  std::uint64_t block = directory.rva;
  while (end - block >= 8) {
    const std::uint32_t page = *ByteReader(image).read32(block);
    const std::uint32_t blockSize = *ByteReader(image).read32(block + 4);
    if (page == 0) break;
    if (blockSize < 8 || blockSize > end - block) return false;
    const std::uint32_t entries = (blockSize - 8) / 2;
    for (std::uint32_t i = 0; i < entries; ++i) {
      const std::uint16_t entry = *ByteReader(image).read16(block + 8 + i * 2);
      const std::uint64_t site = std::uint64_t{page} + (entry & 0x0FFF);
      switch (entry >> 12) {
        case 3:  // HIGHLOW
          if (!Fits(image, site, 4)) return false;
          Add<std::uint32_t>(image, site, static_cast<std::uint32_t>(delta));
          break;
        case 10:  // DIR64
          if (!Fits(image, site, 8)) return false;
          Add<std::uint64_t>(image, site, static_cast<std::uint64_t>(delta));
          break;
        default:  // ABSOLUTE pads a block; other kinds do not occur in x86-64 images
          break;
      }
    }
    block += blockSize;
  }
  return true;
}

std::optional<std::vector<ImportedLibrary>> ReadImports(std::span<const std::uint8_t> image,
                                                       DataDirectory directory, bool is64) {
  const std::uint64_t thunkSize = is64 ? 8 : 4;
  const unsigned ordinalFlag = is64 ? 63 : 31;
  std::vector<ImportedLibrary> libraries;
  if (directory.size == 0) return libraries;
  // Descriptors run to one whose Name is 0, which may lie past the
  // directory's stated size; the image bounds them.
  for (std::uint64_t at = directory.rva;; at += 20) {
    if (!Fits(image, at, 20)) return std::nullopt;
    const std::uint32_t lookup = *ByteReader(image).read32(at);
    const std::uint32_t nameRva = *ByteReader(image).read32(at + 12);
    const std::uint32_t firstThunk = *ByteReader(image).read32(at + 16);
    if (nameRva == 0) break;
    // Without an address table there is nowhere to put the functions.
    if (firstThunk == 0) return std::nullopt;
    ImportedLibrary library;
    const auto name = ReadCString(image, nameRva);
    if (!name) return std::nullopt;
    library.name = *name;
    const std::uint64_t names = lookup != 0 ? lookup : firstThunk;
    for (std::uint64_t i = 0;; ++i) {
      const std::uint64_t thunk = names + i * thunkSize;
      std::optional<std::uint64_t> entry = ByteReader(image).read64(thunk);
      if (!is64) {
        const auto narrow = ByteReader(image).read32(thunk);
        entry = narrow ? std::optional<std::uint64_t>(*narrow) : std::nullopt;
      }
      if (!entry) return std::nullopt;
      if (*entry == 0) break;
      ImportedFunction f;
      const std::uint64_t slot = std::uint64_t{firstThunk} + i * thunkSize;
      if (!Fits(image, slot, thunkSize)) return std::nullopt;
      f.slotRva = static_cast<std::uint32_t>(slot);
      if ((*entry >> ordinalFlag) & 1) {
        f.byOrdinal = true;
        f.ordinal = static_cast<std::uint16_t>(*entry & 0xFFFF);
      } else {
        const auto function = ReadCString(image, *entry + 2);  // after the 16-bit hint
        if (!function) return std::nullopt;
        f.name = *function;
      }
      library.functions.push_back(f);
    }
    libraries.push_back(std::move(library));
  }
  return libraries;
}

std::optional<std::uint32_t> FindExportRva(std::span<const std::uint8_t> image, DataDirectory directory,
                                           std::string_view name) {
  if (directory.size < 40 || !Fits(image, directory.rva, directory.size)) return std::nullopt;
  const std::uint64_t d = directory.rva;
  const std::uint32_t functionCount = *ByteReader(image).read32(d + 20);
  const std::uint32_t nameCount = *ByteReader(image).read32(d + 24);
  const std::uint32_t functions = *ByteReader(image).read32(d + 28);
  const std::uint32_t names = *ByteReader(image).read32(d + 32);
  const std::uint32_t ordinals = *ByteReader(image).read32(d + 36);
  for (std::uint32_t i = 0; i < nameCount; ++i) {
    const auto nameRva = ByteReader(image).read32(std::uint64_t{names} + std::uint64_t{i} * 4);
    if (!nameRva) return std::nullopt;
    const auto candidate = ReadCString(image, *nameRva);
    if (!candidate) return std::nullopt;
    if (*candidate != name) continue;
    const auto index = ByteReader(image).read16(std::uint64_t{ordinals} + std::uint64_t{i} * 2);
    if (!index || *index >= functionCount) return std::nullopt;
    const auto rva = ByteReader(image).read32(std::uint64_t{functions} + std::uint64_t{*index} * 4);
    if (!rva || *rva == 0 || *rva >= image.size()) return std::nullopt;
    // An address inside the export directory names another library's export.
    if (*rva >= directory.rva && *rva - directory.rva < directory.size) return std::nullopt;
    return *rva;
  }
  return std::nullopt;
}

std::uint32_t SectionProtection(std::uint32_t characteristics) {
  // Indexed by [execute][read][write].
  static constexpr std::uint32_t kTable[2][2][2] = {
      {{0x01 /*NOACCESS*/, 0x08 /*WRITECOPY*/}, {0x02 /*READONLY*/, 0x04 /*READWRITE*/}},
      {{0x10 /*EXECUTE*/, 0x80 /*EXECUTE_WRITECOPY*/}, {0x20 /*EXECUTE_READ*/, 0x40 /*EXECUTE_READWRITE*/}},
  };
  std::uint32_t protection = kTable[(characteristics & kScnMemExecute) ? 1 : 0][(characteristics & kScnMemRead) ? 1 : 0]
                                   [(characteristics & kScnMemWrite) ? 1 : 0];
  if (characteristics & kScnMemNotCached) protection |= 0x200;  // PAGE_NOCACHE
  return protection;
}

}  // namespace vantorel
