// The export-directory walk over an image view: one entry per slot of the
// export address table, in slot order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/file_image.h"
#include "analysis/image_view.h"

namespace vantorel {

struct ExportEntry {
  std::uint32_t ordinal = 0;  // Base + slot index (may exceed 16 bits when Base is hostile)
  std::uint32_t rva = 0;      // the slot's address; 0 for an empty slot
  std::string name;           // raw bytes in the library's code page; empty = no name
  // A slot whose address lies inside the export directory holds no code but
  // the text "LIBRARY.Name" (or "LIBRARY.#ordinal") there: the loader
  // resolves it in that library instead. Raw bytes; empty = not forwarded.
  std::string forwarder;
};

// The first thing found wrong with an export table. The walk still lists
// what survives it; a caller that must not work from a damaged table (a
// script generating code unattended) refuses the file instead.
enum class ExportFault {
  None,
  HeadersUnreadable,
  DirectoryOutsideSections,
  DirectoryPastImage,
  TooManySlots,
  AddressTablePastImage,
  NameTablePastImage,
  OrdinalOutOfRange,
  NameOutsideImage,
  NameUnterminated,
  NameBudgetSpent,
  ForwarderUnreadable,
  TableInNoAccessSection,
};

// A few words for a message, e.g. "the export address table runs past the end
// of the image".
std::string_view DescribeExportFault(ExportFault fault);

struct ExportListing {
  std::vector<ExportEntry> entries;
  ExportFault fault = ExportFault::None;
};

// Ordinals, and the slot numbers of the name-ordinal table, are 16-bit: no
// importer can reach a slot past this many, so the walk lists no more.
inline constexpr std::size_t kMaxExportSlots = 65536;
// A name not terminated within this many bytes reads as no name.
inline constexpr std::size_t kMaxExportNameLength = 32768;
// Bytes the walk may scan for names in total. Real tables use a few MB at
// most; the budget stops a hostile table from making every slot point at one
// huge string. Once it is spent the remaining slots read as unnamed.
inline constexpr std::size_t kExportNameScanBudget = std::size_t{64} << 20;

// Lists the exports of the image. Empty when the headers are not a PE image,
// there is no export directory, NumberOfFunctions is 0, or the directory
// starts outside every section or does not fit in the image. Each slot's name
// comes from the last name-table entry whose ordinal points at it; a slot
// whose address is 0 has no name. Counts are capped by what fits in the
// image. A name outside the image or unterminated is dropped, so the slot
// keeps the name of an earlier entry if it has a readable one.
std::vector<ExportEntry> ListExports(const ImageView& image);
// The same walk, also telling what it had to leave out.
ExportListing WalkExports(const ImageView& image);
// The walk of a file read as its image, without laying it out.
ExportListing WalkExports(const FileImage& image);

}  // namespace vantorel
