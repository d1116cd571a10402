// The menu and dialog template walks over arbitrary bytes, at each of the
// four alignments the platform may see them at. A walk that accepts must
// report no more controls than the cap and only names it really read.
#include "resources/resource_template.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  for (std::size_t misalignment = 0; misalignment < 4; ++misalignment) {
    (void)vantorel::WalkMenuTemplate(bytes, misalignment);
    const auto facts = vantorel::WalkDialogTemplate(bytes, misalignment);
    if (!facts) continue;
    if (facts->controls > vantorel::kMaxDialogControls || facts->references.size() > facts->controls + 1) __builtin_trap();
    for (const auto& ref : facts->references)
      if (ref.name.text.size() * 2 > size) __builtin_trap();
  }
  return 0;
}
