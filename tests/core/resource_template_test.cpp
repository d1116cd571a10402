// Menu and dialog templates walked as the platform walks them: the
// malformed set's templates at the alignments they are shown at, and every
// cut of a valid one.
#include "resources/resource_template.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vantorel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = TemplateReference::Kind;

Bytes Read(const std::string& name) {
  std::ifstream in(std::string(VANTOREL_TESTDATA "/malformed/") + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(ResourceTemplate, MalformedSetWalksAsThePlatformDoes) {
  struct Case {
    const char* file;
    bool dialog;
    std::size_t misalignment;
    bool accepted;
    std::vector<TemplateReference> references;
  };
  const std::vector<Case> cases = {
      {"template_menu_valid.bin", false, 0, true, {}},
      {"template_menu_valid.bin", false, 3, true, {}},  // plain menus have no alignment
      {"template_menu_unended.bin", false, 0, false, {}},
      {"template_menu_extended.bin", false, 0, true, {}},
      {"template_menu_extended.bin", false, 2, false, {}},  // text and items move by address
      {"template_menu_too_deep.bin", false, 0, false, {}},
      {"template_dialog_odd_data.bin", true, 0, true, {}},
      {"template_dialog_odd_data_trap.bin", true, 0, false, {}},
      {"template_dialog_misaligned_child.bin", true, 0, true, {}},
      {"template_dialog_misaligned_child.bin", true, 2, false, {}},
      {"template_dialog_extended.bin", true, 0, true,
       {{Kind::Menu, ResourceId{5, {}}}, {Kind::Icon, ResourceId{0, u"APPICON"}}}},
      {"template_dialog_too_many_controls.bin", true, 0, false, {}},
      {"template_dialog_pictures.bin", true, 0, true,
       {{Kind::Menu, ResourceId{0, u"MENU"}}, {Kind::Bitmap, ResourceId{42, {}}}, {Kind::Icon, ResourceId{0, u"PIC"}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " at +" + std::to_string(c.misalignment));
    const Bytes bytes = Read(c.file);
    ASSERT_FALSE(bytes.empty());
    if (!c.dialog) {
      EXPECT_EQ(WalkMenuTemplate(bytes, c.misalignment), c.accepted);
      continue;
    }
    const auto facts = WalkDialogTemplate(bytes, c.misalignment);
    ASSERT_EQ(facts.has_value(), c.accepted);
    if (facts) EXPECT_EQ(facts->references, c.references);
  }
}

TEST(ResourceTemplate, EveryCutOfAValidTemplateIsRefused) {
  for (const char* file : {"template_menu_extended.bin", "template_dialog_extended.bin", "template_dialog_odd_data.bin"}) {
    const Bytes bytes = Read(file);
    const bool dialog = std::string(file).find("dialog") != std::string::npos;
    for (std::size_t size = 0; size < bytes.size(); ++size) {
      const std::span<const std::uint8_t> cut(bytes.data(), size);
      EXPECT_FALSE(dialog ? WalkDialogTemplate(cut).has_value() : WalkMenuTemplate(cut)) << file << " cut at " << size;
    }
  }
}

}  // namespace
}  // namespace vantorel
