#include "resources/resource_directory.h"

#include <algorithm>
#include <unordered_set>

namespace vantorel {

namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::uint64_t kDirectoryHeaderSize = 16;
constexpr std::uint64_t kEntrySize = 8;

struct Entry {
  ResourceId id;
  std::uint32_t target = 0;  // offset of a subdirectory or of a data entry
  bool subdirectory = false;
};

class Walker {
 public:
  explicit Walker(const ByteReader& section) : section_(section) {}

  // The entries of the directory at offset, or nothing when it was walked
  // before (a loop or a shared subdirectory) or does not fit.
  std::vector<Entry> Directory(std::uint32_t offset) {
    std::vector<Entry> entries;
    if (!visited_.insert(offset).second) return entries;
    const auto named = section_.read16(std::uint64_t{offset} + 12);
    const auto ids = section_.read16(std::uint64_t{offset} + 14);
    if (!named || !ids) return entries;
    const std::uint64_t first = std::uint64_t{offset} + kDirectoryHeaderSize;
    std::uint64_t count = std::uint64_t{*named} + *ids;
    count = std::min(count, section_.countFitting(first, kEntrySize));
    for (std::uint64_t i = 0; i < count; ++i) {
      const auto nameField = section_.read32(first + i * kEntrySize);
      const auto target = section_.read32(first + i * kEntrySize + 4);
      if (!nameField || !target) break;
      Entry e;
      if (*nameField & kHighBit) {
        auto text = ReadName(*nameField & ~kHighBit);
        if (!text) continue;
        e.id.text = std::move(*text);
      } else {
        // Ids are 16-bit; a wider value is not one any lookup could find.
        if (*nameField > 0xFFFF) continue;
        e.id.id = static_cast<std::uint16_t>(*nameField);
      }
      e.subdirectory = (*target & kHighBit) != 0;
      e.target = *target & ~kHighBit;
      entries.push_back(std::move(e));
    }
    return entries;
  }

  const ByteReader& section() const { return section_; }

 private:
  // A counted UTF-16 string; none when empty, too long or cut off.
  std::optional<std::u16string> ReadName(std::uint32_t offset) const {
    const auto length = section_.read16(offset);
    if (!length || *length == 0 || *length > kMaxResourceNameLength) return std::nullopt;
    const auto chars = section_.span(std::uint64_t{offset} + 2, std::uint64_t{*length} * 2);
    if (!chars) return std::nullopt;
    std::u16string text(*length, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<char16_t>((*chars)[2 * i] | ((*chars)[2 * i + 1] << 8));
    }
    return text;
  }

  ByteReader section_;
  std::unordered_set<std::uint32_t> visited_;
};

}  // namespace

std::optional<ResourceSpan> FindResourceSpan(const ImageView& image) {
  const auto headers = ReadPeHeaders(image);
  if (!headers) return std::nullopt;
  const std::uint32_t rva = headers->directories[kDirectoryResource].rva;
  if (rva == 0) return std::nullopt;
  // Offsets in the directory are relative to its start and stay inside its
  // section: bound the walk by the section's end within the image.
  std::uint64_t end = 0;
  for (const auto& s : headers->sections) {
    if (s.ContainsRva(rva)) end = std::uint64_t{s.virtualAddress} + s.VirtualExtent();
  }
  end = std::min<std::uint64_t>(end, image.size());
  if (rva >= end) return std::nullopt;
  return ResourceSpan{rva, end};
}

std::vector<ResourceItem> ListResources(const ImageView& image) {
  std::vector<ResourceItem> items;
  const auto span = FindResourceSpan(image);
  if (!span) return items;
  const auto section = image.sub(span->begin, span->end - span->begin);
  if (!section) return items;

  Walker walker(*section);
  // Three levels by construction (type, name, language): a subdirectory
  // where a data entry belongs, or the reverse, drops that entry.
  for (const auto& type : walker.Directory(0)) {
    if (!type.subdirectory) continue;
    for (const auto& name : walker.Directory(type.target)) {
      if (!name.subdirectory) continue;
      for (const auto& language : walker.Directory(name.target)) {
        if (language.subdirectory || language.id.IsString()) continue;
        const auto dataRva = walker.section().read32(language.target);
        const auto size = walker.section().read32(std::uint64_t{language.target} + 4);
        if (!dataRva || !size) continue;
        items.push_back({type.id, name.id, language.id.id, *dataRva, *size});
        if (items.size() >= kMaxResourceItems) return items;
      }
    }
  }
  return items;
}

std::optional<std::span<const std::uint8_t>> ResourceBytes(const ImageView& image, const ResourceItem& item) {
  return image.span(item.dataRva, item.size);
}

std::optional<std::uint16_t> BestGroupMember(std::span<const std::uint8_t> group, bool cursor) {
  const ByteReader bytes(group);
  const auto type = bytes.read16(2);
  const auto count = bytes.read16(4);
  if (!type || !count || *type != (cursor ? 2 : 1)) return std::nullopt;
  // Directory entries of 14 bytes; icons keep width and height in a byte
  // each (0 = 256), cursors in a word each with the height doubled.
  constexpr std::uint64_t kHeader = 6;
  constexpr std::uint64_t kMemberSize = 14;
  const std::uint64_t n = std::min<std::uint64_t>(*count, bytes.countFitting(kHeader, kMemberSize));
  std::optional<std::uint16_t> best;
  std::uint64_t bestArea = 0;
  std::uint16_t bestDepth = 0;
  for (std::uint64_t i = 0; i < n; ++i) {
    const std::uint64_t at = kHeader + i * kMemberSize;
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    if (cursor) {
      width = *bytes.read16(at);
      height = *bytes.read16(at + 2) / 2;
    } else {
      width = *bytes.read8(at);
      height = *bytes.read8(at + 1);
      if (width == 0) width = 256;
      if (height == 0) height = 256;
    }
    const std::uint16_t depth = *bytes.read16(at + 6);
    const std::uint16_t id = *bytes.read16(at + 12);
    const std::uint64_t area = width * height;
    if (!best || area > bestArea || (area == bestArea && depth > bestDepth)) {
      best = id;
      bestArea = area;
      bestDepth = depth;
    }
  }
  return best;
}

}  // namespace vantorel
