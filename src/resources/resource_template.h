// Menu and dialog templates walked the way the platform walks them when it
// builds a menu or a dialog. The platform follows a template to its end
// markers without knowing the resource's size, so a truncated or hostile
// one would be read beyond its bytes: each template is walked here over its
// bytes first, and shown only when the walk stays inside them. A dialog
// template also names resources the platform then loads by itself (its menu,
// the pictures of icon and bitmap controls); the walk reports them so they
// can be checked too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "resources/resource_directory.h"

namespace vantorel {

// Larger than any real menu or dialog; a hostile size is not walked.
inline constexpr std::size_t kMaxTemplateBytes = std::size_t{1} << 20;
// Deeper nesting than any real menu; it also keeps the platform's own
// recursion over the items shallow.
inline constexpr int kMaxMenuDepth = 16;
// More items or controls than any real menu or dialog; a template of tiny
// items could otherwise make the platform build tens of thousands of them.
inline constexpr std::size_t kMaxMenuItems = 4096;
inline constexpr std::size_t kMaxDialogControls = 1024;

// A resource the platform loads by name from the library while it builds a
// dialog: the menu named in the template, or the picture of a static
// control with SS_ICON (an icon group, or failing that a cursor group) or
// SS_BITMAP. A name given as ordinal 0 stands for no resource.
struct TemplateReference {
  enum class Kind { Menu, Icon, Bitmap };
  Kind kind = Kind::Menu;
  ResourceId name;
  bool operator==(const TemplateReference&) const = default;
};

// One control of a dialog template: its bytes run from its DWORD-aligned
// start to the end of its creation data as the platform steps over it; its
// title field lies in [titleBegin, titleEnd).
struct TemplateControl {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t titleBegin = 0;
  std::size_t titleEnd = 0;
  std::uint32_t style = 0;
  ResourceId windowClass;
  ResourceId title;
  // A static control showing the icon or bitmap its title names.
  std::optional<TemplateReference::Kind> picture;
};

struct DialogTemplateFacts {
  bool extended = false;          // the DIALOGEX layout
  std::size_t styleOffset = 0;    // where the dialog's style DWORD sits
  std::uint32_t style = 0;
  std::size_t controls = 0;
  std::vector<TemplateReference> references;
  std::vector<TemplateControl> items;  // one per control, in template order
};

// The platform aligns some fields by their address, not by their offset in
// the template: `misalignment` is the address of the first byte modulo 4
// (0 for a copy at a DWORD boundary, which is how templates are shown).
bool WalkMenuTemplate(std::span<const std::uint8_t> bytes, std::size_t misalignment = 0);
std::optional<DialogTemplateFacts> WalkDialogTemplate(std::span<const std::uint8_t> bytes,
                                                      std::size_t misalignment = 0);

// Whether a control class is one of the six the platform knows by ordinal
// (button, edit, static, list box, scroll bar, combo box). Other ordinals
// name no class at all.
bool IsPredefinedControlClass(const ResourceId& windowClass);

// The text a placeholder shows for a class: its name, or "#" and the
// ordinal.
std::u16string ControlClassText(const ResourceId& windowClass);

// What becomes of one control when a template is rewritten.
enum class ControlRewrite {
  Keep,
  // A framed static control of the same place, size, id and visibility whose
  // text is the class's name: a stand-in for a control whose class the
  // system does not know, which would fail the whole dialog.
  Placeholder,
  // The same control with an empty title: a picture static that loads no
  // picture, so that one can be given to it instead.
  WithoutTitle,
};

// The template of `facts` (walked over `bytes`, at a DWORD boundary) with
// control i rewritten as rewrites[i] says (kept when the list is shorter).
// Every other byte is kept.
std::vector<std::uint8_t> RewriteControls(std::span<const std::uint8_t> bytes, const DialogTemplateFacts& facts,
                                          const std::vector<ControlRewrite>& rewrites);

}  // namespace vantorel
