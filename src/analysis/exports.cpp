#include "analysis/exports.h"

#include <algorithm>

namespace vantorel {

namespace {

// IMAGE_EXPORT_DIRECTORY field offsets.
constexpr std::uint64_t kBase = 16;
constexpr std::uint64_t kNumberOfFunctions = 20;
constexpr std::uint64_t kNumberOfNames = 24;
constexpr std::uint64_t kAddressOfFunctions = 28;
constexpr std::uint64_t kAddressOfNames = 32;
constexpr std::uint64_t kAddressOfNameOrdinals = 36;
constexpr std::uint64_t kExportDirectorySize = 40;

// A read that failed inside the image met a range the view marks
// unreadable; otherwise it ran past the end.
template <class Image>
ExportFault PastEndOrHidden(const Image& image, std::uint64_t offset, std::uint64_t length, ExportFault pastEnd) {
  return offset <= image.size() && length <= image.size() - offset ? ExportFault::TableInNoAccessSection : pastEnd;
}

// Reads one string of the table against the shared budget; notes why it
// could not be read.
template <class Image>
std::optional<std::string_view> ReadTableString(const Image& image, std::uint32_t rva, std::size_t& budget,
                                                ExportFault& fault, ExportFault unterminated) {
  const std::size_t limit = std::min(kMaxExportNameLength, budget - 1);
  auto text = image.readCString(rva, limit);
  if (text) {
    budget -= text->size() + 1;
    return text;
  }
  if (rva < image.size()) {
    budget -= std::min<std::size_t>(limit + 1, image.size() - rva);
    const std::uint64_t readable = image.ReadableFrom(rva);
    if (fault == ExportFault::None && readable <= limit && readable < image.size() - rva) {
      fault = ExportFault::TableInNoAccessSection;
    }
    if (fault == ExportFault::None) fault = limit < kMaxExportNameLength ? ExportFault::NameBudgetSpent : unterminated;
  } else if (fault == ExportFault::None) {
    fault = unterminated == ExportFault::ForwarderUnreadable ? unterminated : ExportFault::NameOutsideImage;
  }
  return std::nullopt;
}

// The headers as the image holds them, read through its readable prefix, so
// no read of the walk can reach a page the image marks unreadable.
template <class Image>
std::optional<PeHeaders> ReadImageHeaders(const Image& image) {
  const std::uint64_t prefix = image.ReadableFrom(0);
  PeHeaderScan scan = ScanPeHeaders([&image, prefix](std::uint64_t offset, std::uint64_t length) {
    if (offset >= prefix) return ByteReader();
    return image.sub(offset, std::min(length, prefix - offset)).value_or(ByteReader());
  });
  if (scan.fault != PeHeaderFault::None) return std::nullopt;
  return std::move(scan.headers);
}

template <class Image>
ExportListing Walk(const Image& image) {
  ExportListing listing;
  ExportFault& fault = listing.fault;
  std::vector<ExportEntry>& exports = listing.entries;
  auto headers = ReadImageHeaders(image);
  if (!headers) {
    fault = ExportFault::HeadersUnreadable;
    return listing;
  }
  const DataDirectory directoryEntry = headers->directories[kDirectoryExport];
  const std::uint32_t directory = directoryEntry.rva;
  if (directory == 0) return listing;
  if (!headers->RvaInAnySection(directory)) {
    fault = ExportFault::DirectoryOutsideSections;
    return listing;
  }
  if (!image.contains(directory, kExportDirectorySize)) {
    fault = PastEndOrHidden(image, directory, kExportDirectorySize, ExportFault::DirectoryPastImage);
    return listing;
  }

  const std::uint32_t base = *image.read32(directory + kBase);
  const std::uint32_t functionCount = *image.read32(directory + kNumberOfFunctions);
  const std::uint32_t nameCount = *image.read32(directory + kNumberOfNames);
  const std::uint32_t functions = *image.read32(directory + kAddressOfFunctions);
  const std::uint32_t names = *image.read32(directory + kAddressOfNames);
  const std::uint32_t ordinals = *image.read32(directory + kAddressOfNameOrdinals);

  const std::uint64_t fittingSlots = image.countFitting(functions, 4);
  if (functionCount > kMaxExportSlots) {
    fault = ExportFault::TooManySlots;
  } else if (functionCount > fittingSlots) {
    fault = PastEndOrHidden(image, functions, 4ull * functionCount, ExportFault::AddressTablePastImage);
  }
  const std::size_t slots =
      static_cast<std::size_t>(std::min<std::uint64_t>({functionCount, fittingSlots, kMaxExportSlots}));
  if (slots == 0) return listing;

  exports.resize(slots);
  for (std::size_t i = 0; i < slots; ++i) {
    exports[i].ordinal = base + static_cast<std::uint32_t>(i);
    exports[i].rva = *image.read32(functions + 4ull * i);
  }

  // One pass over the name table from its end: the first readable name met
  // for a slot is the last one in table order, so "the last name wins" holds
  // while each slot's name is read at most once. An entry whose name cannot
  // be read is dropped and leaves the slot to the entries before it.
  const std::uint64_t usableNames =
      std::min<std::uint64_t>({nameCount, image.countFitting(names, 4), image.countFitting(ordinals, 2)});
  if (usableNames < nameCount && fault == ExportFault::None) {
    fault = PastEndOrHidden(image, names, 4ull * nameCount, ExportFault::NameTablePastImage);
    if (fault != ExportFault::NameTablePastImage)
      fault = PastEndOrHidden(image, ordinals, 2ull * nameCount, ExportFault::NameTablePastImage);
  }
  std::vector<bool> named(slots, false);
  std::size_t budget = kExportNameScanBudget;
  for (std::uint64_t j = usableNames; j-- > 0 && budget > 0;) {
    const std::uint16_t slot = *image.read16(ordinals + 2 * j);
    if (slot >= slots) {
      if (fault == ExportFault::None) fault = ExportFault::OrdinalOutOfRange;
      continue;
    }
    if (named[slot] || exports[slot].rva == 0) continue;
    if (auto name = ReadTableString(image, *image.read32(names + 4 * j), budget, fault, ExportFault::NameUnterminated)) {
      exports[slot].name.assign(*name);
      named[slot] = true;
    }
  }

  // Forwarders share the budget: a hostile table could aim every slot at
  // one long string inside the directory.
  const std::uint64_t directoryEnd = std::uint64_t{directory} + directoryEntry.size;
  for (ExportEntry& e : exports) {
    if (e.rva < directory || e.rva >= directoryEnd) continue;
    if (budget == 0) {
      if (fault == ExportFault::None) fault = ExportFault::NameBudgetSpent;
      break;
    }
    if (auto target = ReadTableString(image, e.rva, budget, fault, ExportFault::ForwarderUnreadable))
      e.forwarder.assign(*target);
  }
  if (budget == 0 && fault == ExportFault::None) fault = ExportFault::NameBudgetSpent;
  return listing;
}

}  // namespace

std::string_view DescribeExportFault(ExportFault fault) {
  switch (fault) {
    case ExportFault::None: return "the export table is sound";
    case ExportFault::HeadersUnreadable: return "the PE headers cannot be read";
    case ExportFault::DirectoryOutsideSections: return "the export directory lies outside every section";
    case ExportFault::DirectoryPastImage: return "the export directory runs past the end of the image";
    case ExportFault::TooManySlots: return "the export address table claims more than 65,536 slots";
    case ExportFault::AddressTablePastImage: return "the export address table runs past the end of the image";
    case ExportFault::NameTablePastImage: return "the export name table runs past the end of the image";
    case ExportFault::OrdinalOutOfRange: return "an export name points past the last slot of the address table";
    case ExportFault::NameOutsideImage: return "an export name lies outside the image";
    case ExportFault::NameUnterminated: return "an export name is not terminated";
    case ExportFault::NameBudgetSpent: return "the export names are too long in total";
    case ExportFault::ForwarderUnreadable: return "a forwarder string cannot be read";
    case ExportFault::TableInNoAccessSection: return "part of the export table lies in a section that may not be read";
  }
  return "the export table is damaged";
}

std::vector<ExportEntry> ListExports(const ImageView& image) { return WalkExports(image).entries; }

ExportListing WalkExports(const ImageView& image) { return Walk(image); }

ExportListing WalkExports(const FileImage& image) { return Walk(image); }

}  // namespace vantorel
