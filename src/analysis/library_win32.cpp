#include "analysis/library_win32.h"

#include <algorithm>
#include <vector>

#include "analysis/exports.h"
#include "platform/edition.h"
#include "platform/readable_memory_win32.h"

namespace vantorel {

namespace {

// A library is only read, never run: mapped as an image (its sections at
// their RVAs, as the export and resource tables address them) with no
// import resolved, no entry point and no TLS callback called. A library's
// code could do anything inside this process.
constexpr DWORD kMapWithoutRunning = LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE;

// The mapping is made for a library of either kind, where running it would
// need the edition's own: the other kind is refused as the system refuses
// to load it, so the tool keeps answering as it always has (path and
// version strings, no exports).
HMODULE MapOwnKind(const std::wstring& path) {
  HMODULE library = LoadLibraryExW(path.c_str(), nullptr, kMapWithoutRunning);
  if (!library) return nullptr;
  const auto headers = ReadPeHeaders(ViewLoadedImage(library));
  if (headers && headers->is64 == kEditionTraits.opensPe32Plus) return library;
  FreeLibrary(library);
  return nullptr;
}

}  // namespace

void ReleaseLibrary(LibraryState& library) {
  if (library.LibraryHandle) FreeLibrary(library.LibraryHandle);
  library.LibraryHandle = nullptr;
  library.ModuleBase = 0;
}

std::uintptr_t ImageBaseOf(HMODULE library) {
  // The handle of a mapping made for reading carries flags in its low bits.
  return reinterpret_cast<std::uintptr_t>(library) & ~std::uintptr_t{3};
}

ImageView ViewLoadedImage(HMODULE library) {
  const auto* base = reinterpret_cast<const void*>(ImageBaseOf(library));
  if (!base) return {};
  // The headers' SizeOfImage, read from the readable start of the mapping
  // and cut to what is really mapped there.
  const std::size_t mapped = AllocationSize(base);
  const std::vector<MemoryRange> unreadable = UnreadableRanges(base, mapped);
  const std::size_t readable = unreadable.empty() ? mapped : unreadable.front().offset;
  const auto claimed = ReadSizeOfImage(ByteReader(base, readable));
  if (!claimed) return {};
  const std::size_t size = std::min<std::size_t>(*claimed, mapped);
  ImageView image(base, size);
  // A section may be mapped no-access: the view learns every such range, so
  // a walk over it fails there instead of faulting.
  for (const MemoryRange& r : unreadable) {
    if (r.offset < size) image.MarkUnreadable(r.offset, std::min(r.length, size - r.offset));
  }
  return image;
}

ExportTable WalkMappedExports(HMODULE library, bool rowsAreSlots) {
  const ImageView image = ViewLoadedImage(library);
  const auto headers = ReadPeHeaders(image);
  const bool pe32 = headers ? !headers->is64 : !kEditionTraits.opensPe32Plus;
  return ExportTable(ListExports(image), pe32, rowsAreSlots);
}

void MapLibrary(LibraryState& library, const std::wstring& path) {
  library.LibraryHandle = path.empty() ? nullptr : MapOwnKind(path);
  library.ModuleBase = ImageBaseOf(library.LibraryHandle);
}

}  // namespace vantorel
