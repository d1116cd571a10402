// The resource-directory walk over arbitrary bytes, laid out as an image and
// taken as an image directly. It must stay within its caps and never read
// outside.
#include <cstddef>
#include <cstdint>

#include "analysis/image_view.h"
#include "resources/resource_directory.h"

namespace {

void Walk(const vantorel::ImageView& image) {
  const auto items = vantorel::ListResources(image);
  if (items.size() > vantorel::kMaxResourceItems) __builtin_trap();
  for (const auto& item : items) {
    if (item.type.text.size() > vantorel::kMaxResourceNameLength) __builtin_trap();
    if (item.name.text.size() > vantorel::kMaxResourceNameLength) __builtin_trap();
    if (auto bytes = vantorel::ResourceBytes(image, item)) {
      if (bytes->size() != item.size) __builtin_trap();
      vantorel::BestGroupMember(*bytes, false);
      vantorel::BestGroupMember(*bytes, true);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (auto image = vantorel::LayOutImage({data, size}, std::size_t{16} << 20)) Walk(vantorel::ImageView(*image));
  Walk(vantorel::ImageView(data, size));
  return 0;
}
