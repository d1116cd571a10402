#pragma once
// Mapping a library for reading (never running it) and reading its export
// table from the mapping.
#include <windows.h>

#include <cstdint>
#include <string>

#include "analysis/export_table.h"
#include "analysis/image_view.h"

namespace vantorel {

// The mapping of the open library, the one place its handle and base are
// kept. The application holds the one instance.
struct LibraryState {
  // The handle of the open library's mapping, and its image base (the
  // handle without the flags the system keeps in its low bits).
  HMODULE LibraryHandle = nullptr;
  std::uintptr_t ModuleBase = 0;
};

// The image base behind a library handle: a mapping made for reading
// keeps flags in the handle's low bits. 0 for no handle.
std::uintptr_t ImageBaseOf(HMODULE library);

// The image the system mapped for a library (loaded or mapped for reading),
// with its pages that may not be read marked as such. Empty when no image
// is mapped there.
ImageView ViewLoadedImage(HMODULE library);

// The export table of a library the system has mapped, slot by slot. Its
// kind comes from its own headers; without readable ones, the kind the
// edition opens. rowsAreSlots: the function table is made from this walk.
ExportTable WalkMappedExports(HMODULE library, bool rowsAreSlots);

// Releases the open library, if any, and forgets its handle and base.
void ReleaseLibrary(LibraryState& library);

// Maps path as an image, laid out by section, without resolving its imports
// or calling its entry point (nothing when it is empty), and records the
// handle and the image base. A library of the other edition's kind is
// refused, as the system would refuse to load it: no handle.
void MapLibrary(LibraryState& library, const std::wstring& path);

}  // namespace vantorel
