// The resource directory of an image view, walked with every read checked:
// one item per language entry, in directory order (named entries first, then
// ids ascending in a well-formed file). Built for directories from untrusted
// libraries: each subdirectory is walked at most once, counts are capped by
// what fits, and entries that point outside are dropped while the rest of
// the tree survives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/image_view.h"

namespace vantorel {

// A type or name: an integer id, or a string.
struct ResourceId {
  std::uint16_t id = 0;   // when text is empty
  std::u16string text;    // a string identifier; never empty for one

  bool IsString() const { return !text.empty(); }
  bool operator==(const ResourceId&) const = default;
};

struct ResourceItem {
  ResourceId type;
  ResourceId name;
  std::uint16_t language = 0;
  std::uint32_t dataRva = 0;
  std::uint32_t size = 0;
};

// Longest string identifier kept; longer ones drop their entry.
inline constexpr std::size_t kMaxResourceNameLength = 1024;
// Most items listed; real libraries have a few thousand at most.
inline constexpr std::size_t kMaxResourceItems = 65536;

// Where the walk may read: from the resource directory to the end of the
// section it starts in (cut at the image's end). Empty when the image has no
// resource directory or it does not start inside a section.
struct ResourceSpan {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
};
std::optional<ResourceSpan> FindResourceSpan(const ImageView& image);

// Empty when the image has no resource directory or it does not start
// inside a section.
std::vector<ResourceItem> ListResources(const ImageView& image);

// The item's bytes, when they lie wholly inside the image.
std::optional<std::span<const std::uint8_t>> ResourceBytes(const ImageView& image, const ResourceItem& item);

// The id of the member image a group icon or group cursor resource would
// show best: the largest, then the deepest. Empty when the group is
// malformed or has no members.
std::optional<std::uint16_t> BestGroupMember(std::span<const std::uint8_t> group, bool cursor);

}  // namespace vantorel
