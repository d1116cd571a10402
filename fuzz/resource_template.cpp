// The menu and dialog template walks over arbitrary bytes, at each of the
// four alignments the platform may see them at. A walk that accepts must
// report no more controls than the cap and only names it really read, and
// stay walkable when controls are rewritten.
#include "resources/resource_template.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  for (std::size_t misalignment = 0; misalignment < 4; ++misalignment) {
    (void)vantorel::WalkMenuTemplate(bytes, misalignment);
    const auto facts = vantorel::WalkDialogTemplate(bytes, misalignment);
    if (!facts) continue;
    if (facts->controls > vantorel::kMaxDialogControls || facts->references.size() > facts->controls + 1) __builtin_trap();
    for (const auto& ref : facts->references)
      if (ref.name.text.size() * 2 > size) __builtin_trap();
    if (misalignment != 0) continue;
    // Rewrites, the input's bits picking each control's, keep the template
    // walkable with the same controls.
    std::vector<vantorel::ControlRewrite> rewrites(facts->items.size());
    for (std::size_t i = 0; i < rewrites.size(); ++i)
      rewrites[i] = static_cast<vantorel::ControlRewrite>((data[i % size] >> (i % 4 * 2)) % 3);
    const auto rewritten = vantorel::RewriteControls(bytes, *facts, rewrites);
    if (rewritten.size() > vantorel::kMaxTemplateBytes) continue;
    const auto again = vantorel::WalkDialogTemplate(rewritten);
    if (!again || again->controls != facts->controls) __builtin_trap();
  }
  return 0;
}
