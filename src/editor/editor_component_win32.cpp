#include "editor/editor_component_win32.h"

#include <windows.h>

#include "platform/resource_ids.h"

namespace vantorel {
namespace {

std::unique_ptr<MappedImage>& Component() {
  static std::unique_ptr<MappedImage> component;
  return component;
}

}  // namespace

bool MapEditorComponent() {
  if (Component()) return true;
  // The image is read straight from the program's resources; it is never
  // written to disk.
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(IDR_EDITOR_IMAGE), RT_RCDATA);
  if (!found) return false;
  HGLOBAL loaded = LoadResource(self, found);
  const DWORD size = SizeofResource(self, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || size == 0) return false;
  Component() = LoadImageFromMemory({static_cast<const std::uint8_t*>(data), size});
  return Component() != nullptr;
}

void ReleaseEditorComponent() { FreeMappedImage(std::move(Component())); }

const MappedImage* EditorComponent() { return Component().get(); }

}  // namespace vantorel
