#include "app/icons_win32.h"

#include <span>

#include "platform/ico.h"
#include "platform/resource_ids.h"

namespace vantorel {

HICON LoadCommandIcon(int commandId, int side) {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(IDR_COMMAND_ICON_BASE + commandId), MAKEINTRESOURCEW(10));
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(self, found);
  const auto* bytes = static_cast<const std::uint8_t*>(loaded ? LockResource(loaded) : nullptr);
  if (!bytes) return nullptr;
  const std::span<const std::uint8_t> ico(bytes, SizeofResource(self, found));
  const auto entries = ReadIcoDirectory(ico);
  const auto entry = PickIcoEntry(entries, side);
  if (!entry) return nullptr;
  // CreateIconFromResourceEx wants a mutable pointer but does not write.
  return CreateIconFromResourceEx(const_cast<PBYTE>(ico.data() + entry->offset), entry->size, TRUE, 0x00030000, side,
                                  side, LR_DEFAULTCOLOR);
}

}  // namespace vantorel
