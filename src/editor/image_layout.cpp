#include "editor/image_layout.h"

#include "platform/byte_reader.h"
#include "platform/pe_limits.h"

#include <algorithm>
#include <array>

namespace vantorel {
namespace {

constexpr std::uint32_t kPeSignature = 0x00004550;

// Where the two optional-header layouts differ.
struct OptionalHeaderShape {
  std::uint16_t machine;
  std::uint16_t magic;
  std::uint32_t fixedSize;       // fields before the data directories
  std::uint32_t imageBase;       // offset of ImageBase
  std::uint32_t imageBaseWidth;  // bytes
  std::uint32_t directoryCount;  // offset of NumberOfRvaAndSizes
};
constexpr OptionalHeaderShape kPe32PlusShape{0x8664, 0x20B, 112, 24, 8, 108};  // x86-64
constexpr OptionalHeaderShape kPe32Shape{0x014C, 0x10B, 96, 28, 4, 92};        // i386
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kMaxImageSize = 0x40000000;  // 1 GiB: far above any editor component
constexpr std::size_t kMaxNameLength = 4096;

// Every read goes through the shared checked reader; offsets are 64-bit so
// that offset + width never wraps.
bool Fits(std::span<const std::uint8_t> bytes, std::uint64_t offset, std::uint64_t length) {
  return ByteReader(bytes).contains(offset, length);
}

bool FitsImage(std::uint32_t sizeOfImage, ImageDirectory d) {
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
  const bool is64 = edition == Edition::X64;
  const OptionalHeaderShape& shape = is64 ? kPe32PlusShape : kPe32Shape;
  const std::uint32_t kFixedOptionalHeader = shape.fixedSize;
  if (ByteReader(file).read16(0) != 0x5A4D) return std::nullopt;
  const auto lfanew = ByteReader(file).read32(0x3C);
  // e_lfanew is signed; a negative one points before the file.
  if (!lfanew || static_cast<std::int32_t>(*lfanew) < 0) return std::nullopt;
  ImageLayout layout;
  layout.is64 = is64;
  layout.ntOffset = *lfanew;
  const std::uint64_t nt = *lfanew;
  if (ByteReader(file).read32(nt) != kPeSignature) return std::nullopt;

  // The offsets below are those of the edition's layout: an image of the
  // other kind would be read wrongly, and could not run in this process.
  const std::uint64_t fileHeader = nt + 4;
  const std::uint64_t optional = nt + 24;
  const auto machine = ByteReader(file).read16(fileHeader);
  const auto sectionCount = ByteReader(file).read16(fileHeader + 2);
  const auto optionalSize = ByteReader(file).read16(fileHeader + 16);
  const auto characteristics = ByteReader(file).read16(fileHeader + 18);
  if (!machine || !sectionCount || !optionalSize || !characteristics) return std::nullopt;
  if (*machine != shape.machine || *sectionCount > kMaxSections) return std::nullopt;
  if (*optionalSize < kFixedOptionalHeader || !Fits(file, optional, *optionalSize)) return std::nullopt;
  if (ByteReader(file).read16(optional) != shape.magic) return std::nullopt;
  layout.fileCharacteristics = *characteristics;

  layout.entryPoint = *ByteReader(file).read32(optional + 16);
  layout.preferredBase = is64 ? *ByteReader(file).read64(optional + shape.imageBase)
                              : *ByteReader(file).read32(optional + shape.imageBase);
  layout.sectionAlignment = *ByteReader(file).read32(optional + 32);
  layout.sizeOfImage = *ByteReader(file).read32(optional + 56);
  layout.sizeOfHeaders = *ByteReader(file).read32(optional + 60);
  const std::uint32_t directoryCount = std::min(*ByteReader(file).read32(optional + shape.directoryCount), 16u);
  if (kFixedOptionalHeader + directoryCount * 8u > *optionalSize) return std::nullopt;

  const std::uint32_t alignment = layout.sectionAlignment;
  if (alignment == 0 || (alignment & (alignment - 1)) != 0) return std::nullopt;
  if (layout.sizeOfImage == 0 || layout.sizeOfImage > kMaxImageSize) return std::nullopt;
  // The loader copies SizeOfHeaders bytes and reads the section table from
  // that copy, so the table must lie inside them.
  const std::uint64_t tableStart = optional + *optionalSize;
  const std::uint64_t tableEnd = tableStart + std::uint64_t{*sectionCount} * kSectionHeaderSize;
  if (tableEnd > layout.sizeOfHeaders || layout.sizeOfHeaders > file.size() ||
      layout.sizeOfHeaders > layout.sizeOfImage) {
    return std::nullopt;
  }

  std::array<ImageDirectory, 16> directories{};
  for (std::uint32_t i = 0; i < directoryCount; ++i) {
    directories[i].rva = *ByteReader(file).read32(optional + kFixedOptionalHeader + i * 8);
    directories[i].size = *ByteReader(file).read32(optional + kFixedOptionalHeader + i * 8 + 4);
  }
  layout.exports = directories[0];
  layout.imports = directories[1];
  layout.exceptions = directories[3];
  layout.relocations = directories[5];
  layout.tls = directories[9];
  for (const ImageDirectory& d : {layout.imports, layout.exceptions, layout.relocations}) {
    if (d.size != 0 && !FitsImage(layout.sizeOfImage, d)) return std::nullopt;
  }
  // RtlAddFunctionTable wants its entries 32-bit aligned. An x86 image has
  // no such table (its exception handling is frame-based): none is read.
  if (!is64) layout.exceptions = {};
  if (layout.exceptions.size != 0 && layout.exceptions.rva % 4 != 0) return std::nullopt;

  layout.sections.reserve(*sectionCount);
  for (std::uint32_t i = 0; i < *sectionCount; ++i) {
    const std::uint64_t at = tableStart + std::uint64_t{i} * kSectionHeaderSize;
    ImageSection s;
    s.virtualSize = *ByteReader(file).read32(at + 8);
    s.virtualAddress = *ByteReader(file).read32(at + 12);
    s.rawSize = *ByteReader(file).read32(at + 16);
    s.rawOffset = *ByteReader(file).read32(at + 20);
    s.characteristics = *ByteReader(file).read32(at + 36);
    // Sections never overlap the headers: copying them would overwrite the
    // section table being walked.
    if (s.virtualAddress < layout.sizeOfHeaders || s.virtualAddress >= layout.sizeOfImage) return std::nullopt;
    const std::uint32_t room = layout.sizeOfImage - s.virtualAddress;
    s.extent = std::max(s.virtualSize, s.rawSize);
    if (s.extent == 0) s.extent = std::min(alignment, room);
    if (s.extent > room) return std::nullopt;
    if (s.rawSize != 0 && !Fits(file, s.rawOffset, s.rawSize)) return std::nullopt;
    layout.sections.push_back(s);
  }

  if (layout.entryPoint != 0) {
    const bool inCode = std::any_of(layout.sections.begin(), layout.sections.end(), [&](const ImageSection& s) {
      return (s.characteristics & kScnMemExecute) && layout.entryPoint >= s.virtualAddress &&
             layout.entryPoint - s.virtualAddress < s.extent;
    });
    if (!inCode) return std::nullopt;
  }
  return layout;
}

bool ApplyRelocations(std::span<std::uint8_t> image, ImageDirectory directory, std::int64_t delta) {
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
                                                       ImageDirectory directory, bool is64) {
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

std::optional<std::uint32_t> FindExportRva(std::span<const std::uint8_t> image, ImageDirectory directory,
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
