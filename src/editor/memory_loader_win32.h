#pragma once
// Maps a DLL image held in memory into the process by hand, the way the
// system loader maps a file: sections, relocations, imports, page
// protections, the exception table (x86-64 only: x86 exception handling is
// frame-based and needs none) and the entry routine. The image is of the
// process's own kind: PE32+ in the 64-bit edition, PE32 in the x86 one. Used for the
// editor component, which travels inside the program and never touches disk.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace vantorel {

// One mapped image. Destroying it (FreeMappedImage, or dropping the pointer)
// sends the detach notification when the attach succeeded, removes the
// exception table, releases the imported libraries and the address space.
struct MappedImage {
  MappedImage() = default;
  MappedImage(const MappedImage&) = delete;
  MappedImage& operator=(const MappedImage&) = delete;
  ~MappedImage();

  // The mapped copy of the NT headers, inside the image (the process's own
  // layout: IMAGE_NT_HEADERS64 or IMAGE_NT_HEADERS32).
  const IMAGE_NT_HEADERS* headers = nullptr;
  // Start of the reserved region.
  unsigned char* imageBase = nullptr;
  std::uint32_t sizeOfImage = 0;
  // One per import descriptor processed, in descriptor order.
  std::vector<HMODULE> libraryHandles;
  // 1 once the entry routine has accepted DLL_PROCESS_ATTACH.
  int initialised = 0;
  // Full 64-bit address of each section, in section-table order; kept here
  // rather than in the headers, which the image's own runtime still reads.
  std::vector<unsigned char*> sectionAddresses;
  // RVA of the entry routine, 0 when the image has none.
  std::uint32_t entryPoint = 0;
  // The image's .pdata as registered with the exception dispatcher (x86-64).
  void* functionTable = nullptr;
  // Export directory, for FindMappedExport.
  std::uint32_t exportRva = 0;
  std::uint32_t exportSize = 0;
};

// Maps an image; null when it is malformed or cannot be mapped, when an
// import cannot be bound, or when its entry routine refuses the attach.
// Nothing is left behind on failure.
std::unique_ptr<MappedImage> LoadImageFromMemory(std::span<const std::uint8_t> image);

// Releases a mapped image; null is accepted and does nothing.
void FreeMappedImage(std::unique_ptr<MappedImage> image);

// The address of an export of a mapped image, which GetProcAddress cannot
// see; null when there is no such export.
void* FindMappedExport(const MappedImage& image, std::string_view name);

}  // namespace vantorel
