#include "app/icons_win32.h"

#include <span>

#include "app/app_state_win32.h"
#include "platform/ico.h"
#include "platform/resource_ids.h"

namespace vantorel {

namespace {

// The ICO file of a command as the program holds it; empty when missing.
std::span<const std::uint8_t> CommandIco(int commandId) {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(IDR_COMMAND_ICON_BASE + commandId), MAKEINTRESOURCEW(10));
  if (!found) return {};
  HGLOBAL loaded = LoadResource(self, found);
  const auto* bytes = static_cast<const std::uint8_t*>(loaded ? LockResource(loaded) : nullptr);
  if (!bytes) return {};
  return {bytes, SizeofResource(self, found)};
}

}  // namespace

std::optional<std::vector<IconPixels>> CommandIconPixels(int side) {
  std::vector<IconPixels> icons;
  for (int id = 0; id < kCommandCount; ++id) {
    const auto image = FindIcoImage(CommandIco(id), side, 32);
    auto pixels = image ? DecodeIconImage32(*image, side) : std::nullopt;
    if (!pixels) return std::nullopt;
    icons.push_back(std::move(*pixels));
  }
  return icons;
}

HICON LoadCommandIcon(int commandId, int side) {
  const std::span<const std::uint8_t> ico = CommandIco(commandId);
  if (ico.empty()) return nullptr;
  const auto entries = ReadIcoDirectory(ico);
  const auto entry = PickIcoEntry(entries, side);
  if (!entry) return nullptr;
  // CreateIconFromResourceEx wants a mutable pointer but does not write.
  return CreateIconFromResourceEx(const_cast<PBYTE>(ico.data() + entry->offset), entry->size, TRUE, 0x00030000, side,
                                  side, LR_DEFAULTCOLOR);
}

}  // namespace vantorel
