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

}  // namespace

std::vector<ExportEntry> ListExports(const ImageView& image) {
  std::vector<ExportEntry> exports;
  auto headers = ReadPeHeaders(image);
  if (!headers) return exports;

  const std::uint32_t directory = headers->directories[kDirectoryExport].rva;
  if (directory == 0 || !headers->RvaInAnySection(directory) ||
      !image.contains(directory, kExportDirectorySize))
    return exports;

  const std::uint32_t base = *image.read32(directory + kBase);
  const std::uint32_t functionCount = *image.read32(directory + kNumberOfFunctions);
  const std::uint32_t nameCount = *image.read32(directory + kNumberOfNames);
  const std::uint32_t functions = *image.read32(directory + kAddressOfFunctions);
  const std::uint32_t names = *image.read32(directory + kAddressOfNames);
  const std::uint32_t ordinals = *image.read32(directory + kAddressOfNameOrdinals);

  const std::size_t slots = static_cast<std::size_t>(
      std::min<std::uint64_t>({functionCount, image.countFitting(functions, 4), kMaxExportSlots}));
  if (slots == 0) return exports;

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
  std::vector<bool> named(slots, false);
  std::size_t budget = kExportNameScanBudget;
  for (std::uint64_t j = usableNames; j-- > 0 && budget > 0;) {
    const std::uint16_t slot = *image.read16(ordinals + 2 * j);
    if (slot >= slots || named[slot] || exports[slot].rva == 0) continue;
    const std::uint32_t nameRva = *image.read32(names + 4 * j);
    const std::size_t limit = std::min(kMaxExportNameLength, budget - 1);
    if (auto name = image.readCString(nameRva, limit)) {
      exports[slot].name.assign(*name);
      named[slot] = true;
      budget -= name->size() + 1;
    } else if (nameRva < image.size()) {
      budget -= std::min<std::size_t>(limit + 1, image.size() - nameRva);
    }
  }
  return exports;
}

}  // namespace vantorel
