#include "resources/resource_names.h"

#include <array>
#include <string_view>

namespace vantorel {

std::u16string ResourceTypeName(std::uint32_t id) {
  static constexpr std::array<std::u16string_view, 24> kNames{
      u"Cursor",      u"Bitmap", u"Icon",  u"Menu",         u"Dialog",  u"String",  u"FontDir",    u"Font",
      u"Accelerator", u"RCData", u"MessageTable", u"Cursor Group", u"13", u"Icon Group", u"15",     u"Version",
      u"DlgInclude",  u"18",     u"PlugPlay", u"Vxd",       u"AniCursor", u"AniIcon", u"Html",     u"Manifest"};
  if (id == 0 || id > kNames.size()) return {};
  return std::u16string(kNames[id - 1]);
}

}  // namespace vantorel
