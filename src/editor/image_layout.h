#pragma once
// Checking a PE image for mapping it by hand: PE32+ (x86-64) for the 64-bit
// edition, PE32 (i386) for the x86 edition. The headers come from the one
// header parser; every field is checked against the bytes it speaks of before
// anything trusts it; the Win32 loader only allocates, copies, protects and
// calls. No Windows headers here.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/edition.h"
#include "platform/pe_image.h"

namespace vantorel {

// Section characteristics the loader acts on.
inline constexpr std::uint32_t kScnMemDiscardable = 0x02000000;
inline constexpr std::uint32_t kScnMemNotCached = 0x04000000;
inline constexpr std::uint32_t kScnMemExecute = 0x20000000;
inline constexpr std::uint32_t kScnMemRead = 0x40000000;
inline constexpr std::uint32_t kScnMemWrite = 0x80000000;

// The headers of an image the loader can map into this process, checked
// field by field against the file, and what each section covers once mapped:
// the larger of its virtual and raw sizes, or one section alignment (clipped
// to the image) when both are 0.
struct ImageLayout : PeHeaders {
  std::vector<std::uint32_t> extents;  // one per section
};

// Checks the headers of a PE image held as file bytes for the given
// edition's process: an x86-64 PE32+ image for X64, an i386 PE32 one for
// X86; the other kind is refused. None when anything the loader would use
// lies outside the file or the image: headers, section table, raw data, the
// import, relocation and exception directories, the entry point (which must
// be in executable code). An x86 image's exception directory reads as absent.
std::optional<ImageLayout> ReadImageLayout(std::span<const std::uint8_t> file, Edition edition = kEdition);

// Adds delta to every DIR64 site (and the low half of delta to every HIGHLOW
// site) listed by the base-relocation directory of a mapped image. Absolute
// and unknown entry types are skipped. False when a block or a site lies
// outside the image; sites before the fault have been changed by then.
bool ApplyRelocations(std::span<std::uint8_t> image, DataDirectory directory, std::int64_t delta);

// One function an image imports and the address-table slot that receives it.
struct ImportedFunction {
  std::uint32_t slotRva = 0;
  bool byOrdinal = false;
  std::uint16_t ordinal = 0;
  std::string_view name;  // NUL-terminated inside the image when by name
};

struct ImportedLibrary {
  std::string_view name;  // NUL-terminated inside the image
  std::vector<ImportedFunction> functions;
};

// The import descriptors of a mapped image, in order, up to the first one
// whose Name is 0. Thunks are 64-bit with the ordinal flag in bit 63 in a
// PE32+ image, 32-bit with it in bit 31 in a PE32 one. None when a
// descriptor, a name or a thunk lies outside the image. The names point into
// the image.
std::optional<std::vector<ImportedLibrary>> ReadImports(std::span<const std::uint8_t> image,
                                                       DataDirectory directory, bool is64 = true);

// The RVA of an export found by name in a mapped image; none when absent,
// forwarded elsewhere, or when the export table is damaged.
std::optional<std::uint32_t> FindExportRva(std::span<const std::uint8_t> image, DataDirectory directory,
                                           std::string_view name);

// Page protection (PAGE_* value) for a section's execute, read and write
// characteristics, with PAGE_NOCACHE for a not-cached section.
std::uint32_t SectionProtection(std::uint32_t characteristics);

}  // namespace vantorel
