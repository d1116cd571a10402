// Menu and dialog templates walked as the platform walks them: the
// malformed set's templates at the alignments they are shown at, every cut
// of a valid one, and controls rewritten.
#include "resources/resource_template.h"

#include <gtest/gtest.h>

#include <algorithm>
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

namespace vantorel {
namespace {

// Controls rewritten: placeholders are framed statics named by their class,
// each in its control's place, size and id; a control without its title is
// the same control with an empty title; the rest is kept byte for byte.
TEST(ResourceTemplate, RewrittenControlsKeepTheirPlaces) {
  constexpr std::uint32_t kVisible = 0x10000000, kBorder = 0x00800000, kChild = 0x40000000;
  const ResourceId kStatic{0x0082, {}};
  using Rewrite = ControlRewrite;
  for (const char* file : {"template_dialog_extended.bin", "template_dialog_odd_data.bin",
                           "template_dialog_pictures.bin", "template_dialog_misaligned_child.bin"}) {
    const Bytes bytes = Read(file);
    const auto facts = WalkDialogTemplate(bytes);
    ASSERT_TRUE(facts) << file;
    ASSERT_FALSE(facts->items.empty()) << file;
    // Where geometry and id sit in a control of either layout.
    const std::size_t geometry = facts->extended ? 12 : 8;
    const std::size_t idEnd = facts->extended ? 24 : 18;
    for (const std::size_t shift : {0u, 1u, 2u}) {
      SCOPED_TRACE(std::string(file) + " shift " + std::to_string(shift));
      std::vector<Rewrite> rewrites(facts->items.size());
      for (std::size_t i = 0; i < rewrites.size(); ++i) rewrites[i] = static_cast<Rewrite>((i + shift) % 3);
      const Bytes rewritten = RewriteControls(bytes, *facts, rewrites);
      const auto again = WalkDialogTemplate(rewritten);
      ASSERT_TRUE(again);
      ASSERT_EQ(again->items.size(), facts->items.size());
      EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + facts->items[0].begin, rewritten.begin()));
      for (std::size_t i = 0; i < rewrites.size(); ++i) {
        const TemplateControl& was = facts->items[i];
        const TemplateControl& is = again->items[i];
        const auto old = std::span(bytes).subspan(was.begin, was.end - was.begin);
        const auto now = std::span(rewritten).subspan(is.begin, is.end - is.begin);
        switch (rewrites[i]) {
          case Rewrite::Keep:
            EXPECT_TRUE(std::ranges::equal(old, now)) << "control " << i;
            break;
          case Rewrite::WithoutTitle:
            EXPECT_EQ(is.title, ResourceId{});
            EXPECT_EQ(is.windowClass, was.windowClass);
            EXPECT_TRUE(std::ranges::equal(old.first(was.titleBegin - was.begin), now.first(is.titleBegin - is.begin)));
            EXPECT_TRUE(std::ranges::equal(old.subspan(was.titleEnd - was.begin), now.subspan(is.titleEnd - is.begin)));
            break;
          case Rewrite::Placeholder:
            EXPECT_EQ(is.windowClass, kStatic);
            EXPECT_EQ(is.title, (ResourceId{0, ControlClassText(was.windowClass)}));
            EXPECT_EQ(is.style & (kChild | kBorder | kVisible), kChild | kBorder | (was.style & kVisible));
            EXPECT_TRUE(std::ranges::equal(old.subspan(geometry, idEnd - geometry), now.subspan(geometry, idEnd - geometry)))
                << "control " << i << " keeps its place, size and id";
            break;
        }
      }
    }
  }
}

TEST(ResourceTemplate, PredefinedClassesAndTheirNames) {
  const struct {
    ResourceId cls;
    bool predefined;
    std::u16string text;
  } cases[] = {
      {{0x0080, {}}, true, u"#128"},          {{0x0085, {}}, true, u"#133"},
      {{0x0005, {}}, true, u"#5"},            {{0x0086, {}}, false, u"#134"},
      {{0x0006, {}}, false, u"#6"},           {{0xC123, {}}, false, u"#49443"},
      {{0, u"Button"}, false, u"Button"},  // a name is the system's to find
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsPredefinedControlClass(c.cls), c.predefined) << c.cls.id;
    EXPECT_EQ(ControlClassText(c.cls), c.text) << c.cls.id;
  }
}

}  // namespace
}  // namespace vantorel
