#include "editor/memory_loader_win32.h"

#include <cstring>
#include <new>

#include "editor/image_layout.h"

namespace vantorel {
namespace {

static_assert(PAGE_NOACCESS == 0x01 && PAGE_READONLY == 0x02 && PAGE_READWRITE == 0x04 && PAGE_WRITECOPY == 0x08 &&
                  PAGE_EXECUTE == 0x10 && PAGE_EXECUTE_READ == 0x20 && PAGE_EXECUTE_READWRITE == 0x40 &&
                  PAGE_EXECUTE_WRITECOPY == 0x80 && PAGE_NOCACHE == 0x200,
              "SectionProtection speaks the system's page-protection values");

using EntryRoutine = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

EntryRoutine EntryOf(const MappedImage& image) {
  return reinterpret_cast<EntryRoutine>(image.imageBase + image.entryPoint);
}

std::span<std::uint8_t> Bytes(const MappedImage& image) { return {image.imageBase, image.sizeOfImage}; }

void CopySections(MappedImage& image, const ImageLayout& layout, std::span<const std::uint8_t> file) {
  image.sectionAddresses.reserve(layout.sections.size());
  for (std::size_t i = 0; i < layout.sections.size(); ++i) {
    const PeSection& s = layout.sections[i];
    unsigned char* at = image.imageBase + s.virtualAddress;
    if (s.sizeOfRawData == 0) {
      std::memset(at, 0, layout.extents[i]);
    } else {
      std::memcpy(at, file.data() + s.pointerToRawData, s.sizeOfRawData);
    }
    image.sectionAddresses.push_back(at);
  }
}

bool ResolveImports(MappedImage& image, const ImageLayout& layout) {
  const auto libraries = ReadImports(Bytes(image), layout.directories[kDirectoryImport], layout.is64);
  if (!libraries) return false;
  image.libraryHandles.reserve(libraries->size());
  for (const ImportedLibrary& library : *libraries) {
    HMODULE handle = LoadLibraryA(library.name.data());
    if (!handle) return false;
    image.libraryHandles.push_back(handle);
    for (const ImportedFunction& f : library.functions) {
      const FARPROC address =
          GetProcAddress(handle, f.byOrdinal ? MAKEINTRESOURCEA(f.ordinal) : f.name.data());
      std::memcpy(image.imageBase + f.slotRva, &address, sizeof address);
      if (!address) return false;
    }
  }
  return true;
}

void ProtectSections(const MappedImage& image, const ImageLayout& layout) {
  for (std::size_t i = 0; i < layout.sections.size(); ++i) {
    const PeSection& s = layout.sections[i];
    unsigned char* at = image.sectionAddresses[i];
    if (s.characteristics & kScnMemDiscardable) {
      VirtualFree(at, layout.extents[i], MEM_DECOMMIT);
      continue;
    }
    // The whole mapped extent, so that a section without raw data (.bss)
    // gets its protection too; the old protection is of no interest.
    DWORD old = 0;
    VirtualProtect(at, layout.extents[i], SectionProtection(s.characteristics), &old);
  }
}

// The function-table calls exist on x86-64 only; an x86 image unwinds
// through frames its code registers itself, so the layout there never has
// an exception directory and these do nothing.
#if defined(_WIN64)
bool AddExceptionTable(MappedImage& image, const ImageLayout& layout) {
  const DataDirectory exceptions = layout.directories[kDirectoryException];
  const std::uint32_t count = exceptions.size / sizeof(RUNTIME_FUNCTION);
  if (count == 0) return true;
  auto* table = reinterpret_cast<RUNTIME_FUNCTION*>(image.imageBase + exceptions.rva);
  if (!RtlAddFunctionTable(table, count, reinterpret_cast<DWORD64>(image.imageBase))) return false;
  image.functionTable = table;
  return true;
}
void DeleteExceptionTable(void* table) { RtlDeleteFunctionTable(static_cast<RUNTIME_FUNCTION*>(table)); }
#else
bool AddExceptionTable(MappedImage&, const ImageLayout&) { return true; }
void DeleteExceptionTable(void*) {}
#endif

std::unique_ptr<MappedImage> MapImage(std::span<const std::uint8_t> file) {
  const auto layout = ReadImageLayout(file);
  if (!layout) return nullptr;
  // Protections and the decommitted section work in whole pages; sections
  // sharing a page could not have their own.
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  if (layout->sectionAlignment < system.dwPageSize) return nullptr;

  auto image = std::make_unique<MappedImage>();
  void* base = VirtualAlloc(reinterpret_cast<void*>(static_cast<std::uintptr_t>(layout->imageBase)),
                            layout->sizeOfImage, MEM_RESERVE, PAGE_READWRITE);
  if (!base) base = VirtualAlloc(nullptr, layout->sizeOfImage, MEM_RESERVE, PAGE_READWRITE);
  if (!base) return nullptr;
  image->imageBase = static_cast<unsigned char*>(base);
  image->sizeOfImage = layout->sizeOfImage;
  if (!VirtualAlloc(base, layout->sizeOfImage, MEM_COMMIT, PAGE_READWRITE)) return nullptr;

  std::memcpy(image->imageBase, file.data(), layout->sizeOfHeaders);
  image->headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(image->imageBase + layout->ntOffset);
  // ImageBase is as wide as a pointer of the image's kind; little-endian, so
  // the low bytes of the 64-bit value are the 32-bit one.
  const auto actualBase = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(base));
  std::memcpy(image->imageBase + layout->ImageBaseOffset(), &actualBase, layout->ImageBaseWidth());
  image->entryPoint = layout->entryPoint;
  image->exportRva = layout->directories[kDirectoryExport].rva;
  image->exportSize = layout->directories[kDirectoryExport].size;

  CopySections(*image, *layout, file);
  const auto delta = static_cast<std::int64_t>(actualBase - layout->imageBase);
  if (delta != 0) {
    // An image that has to move but cannot be relocated would run with
    // every absolute address wrong.
    const DataDirectory relocations = layout->directories[kDirectoryBaseRelocation];
    if (relocations.size == 0 || (layout->characteristics & IMAGE_FILE_RELOCS_STRIPPED)) return nullptr;
    if (!ApplyRelocations(Bytes(*image), relocations, delta)) return nullptr;
  }
  if (!ResolveImports(*image, *layout)) return nullptr;
  ProtectSections(*image, *layout);
  // Before the entry routine: its runtime may already throw and catch.
  if (!AddExceptionTable(*image, *layout)) return nullptr;
  // The TLS directory is left alone: the MinGW runtime of the component uses
  // emulated thread-locals and runs its TLS initialisers from its own entry.
  if (image->entryPoint != 0) {
    if (!EntryOf(*image)(reinterpret_cast<HINSTANCE>(base), DLL_PROCESS_ATTACH, nullptr)) return nullptr;
    image->initialised = 1;
  }
  return image;
}

}  // namespace

MappedImage::~MappedImage() {
  if (initialised) {
    EntryOf(*this)(reinterpret_cast<HINSTANCE>(imageBase), DLL_PROCESS_DETACH, nullptr);
    initialised = 0;
  }
  if (functionTable) DeleteExceptionTable(functionTable);
  for (HMODULE handle : libraryHandles) FreeLibrary(handle);
  if (imageBase) VirtualFree(imageBase, 0, MEM_RELEASE);
}

std::unique_ptr<MappedImage> LoadImageFromMemory(std::span<const std::uint8_t> image) {
  try {
    return MapImage(image);
  } catch (const std::bad_alloc&) {
    // Whatever was mapped so far went with the record during unwinding.
    return nullptr;
  }
}

void FreeMappedImage(std::unique_ptr<MappedImage> image) { image.reset(); }

void* FindMappedExport(const MappedImage& image, std::string_view name) {
  const auto rva = FindExportRva(Bytes(image), {image.exportRva, image.exportSize}, name);
  return rva ? image.imageBase + *rva : nullptr;
}

}  // namespace vantorel
