// The in-memory loader with the real editor component: where it lands, what
// it adjusts, that the component works from there, and that damage is
// refused without harm.
#include <gtest/gtest.h>

#include <Scintilla.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "editor/image_layout.h"
#include "editor/memory_loader_win32.h"
#include "editor_host.h"
#include "test_support.h"

namespace vantorel {
namespace {

using testing::ClassExists;
using testing::ComponentBytes;
using testing::TestHost;

std::optional<std::uint32_t> FileOffset(const ImageLayout& layout, std::uint64_t rva) {
  for (const PeSection& s : layout.sections) {
    if (rva >= s.virtualAddress && rva < std::uint64_t{s.virtualAddress} + s.sizeOfRawData) {
      return static_cast<std::uint32_t>(s.pointerToRawData + (rva - s.virtualAddress));
    }
  }
  return std::nullopt;
}

const PeSection* SectionOf(const ImageLayout& layout, std::uint64_t rva) {
  for (std::size_t i = 0; i < layout.sections.size(); ++i) {
    const PeSection& s = layout.sections[i];
    if (rva >= s.virtualAddress && rva < std::uint64_t{s.virtualAddress} + layout.extents[i]) return &s;
  }
  return nullptr;
}

template <class T>
T At(const void* base, std::uint64_t offset) {
  T value;
  std::memcpy(&value, static_cast<const std::uint8_t*>(base) + offset, sizeof value);
  return value;
}

struct SiteTally {
  int checked = 0;
  int wrong = 0;
};

// Walks the file's own relocation table and compares each address-sized
// site (DIR64 in the 64-bit component, HIGHLOW in the x86 one) of a
// read-only section (the runtime may legitimately rewrite writable data)
// with the file's value moved by delta.
SiteTally CompareSites(const MappedImage& image, std::span<const std::uint8_t> file, const ImageLayout& layout,
                       std::int64_t delta) {
  SiteTally tally;
  const int kind = layout.is64 ? IMAGE_REL_BASED_DIR64 : IMAGE_REL_BASED_HIGHLOW;
  const std::uint32_t start = FileOffset(layout, layout.directories[kDirectoryBaseRelocation].rva).value();
  for (std::uint32_t block = start; block < start + layout.directories[kDirectoryBaseRelocation].size;) {
    const auto page = At<std::uint32_t>(file.data(), block);
    const auto size = At<std::uint32_t>(file.data(), block + 4);
    if (page == 0 || size < 8) break;
    for (std::uint32_t i = 8; i + 2 <= size; i += 2) {
      const auto entry = At<std::uint16_t>(file.data(), block + i);
      if (entry >> 12 != kind) continue;
      const std::uint64_t rva = page + (entry & 0xFFF);
      const PeSection* section = SectionOf(layout, rva);
      const auto offset = FileOffset(layout, rva);
      if (!section || (section->characteristics & kScnMemWrite) || !offset) continue;
      ++tally.checked;
      // Addresses wrap at the pointer's width.
      if (At<std::uintptr_t>(image.imageBase, rva) !=
          static_cast<std::uintptr_t>(At<std::uintptr_t>(file.data(), *offset) + delta))
        ++tally.wrong;
    }
    block += size;
  }
  return tally;
}

// Creates a control of the mapped class and drives it, through messages and
// through the component's exported direct function.
void ExerciseScintilla(const MappedImage& image) {
  HWND sci = CreateWindowExW(0, L"Scintilla", L"", WS_CHILD | WS_VISIBLE, 0, 0, 400, 300, TestHost(), nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(sci, nullptr);
  SendMessageW(sci, SCI_SETTEXT, 0, reinterpret_cast<LPARAM>("alpha\nbeta\n"));
  EXPECT_EQ(SendMessageW(sci, SCI_GETLINECOUNT, 0, 0), 3);
  // On x86 the stdcall export carries its decoration.
  const auto direct = reinterpret_cast<SciFnDirect>(
      FindMappedExport(image, sizeof(void*) == 8 ? "Scintilla_DirectFunction" : "Scintilla_DirectFunction@16"));
  ASSERT_NE(direct, nullptr);
  const auto pointer = static_cast<sptr_t>(SendMessageW(sci, SCI_GETDIRECTPOINTER, 0, 0));
  EXPECT_EQ(direct(pointer, SCI_GETLENGTH, 0, 0), 11);
  EXPECT_EQ(direct(pointer, SCI_LINELENGTH, 1, 0), 5);
  EXPECT_GT(SendMessageW(sci, SCI_TEXTWIDTH, STYLE_DEFAULT, reinterpret_cast<LPARAM>("alpha")), 0);
  // Painting runs most of the drawing code, virtual calls included.
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 400, 300);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(sci, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  DestroyWindow(sci);
}

class LoaderComponent : public ::testing::Test {
 protected:
  void SetUp() override {
    file = ComponentBytes();
    ASSERT_FALSE(file.empty()) << "the editor image is linked into the tests";
    const auto read = ReadImageLayout(file);
    ASSERT_TRUE(read);
    layout = *read;
    ASSERT_FALSE(ClassExists(L"Scintilla")) << "nothing else may hold the component now";
  }
  std::span<const std::uint8_t> file;
  ImageLayout layout;
};

TEST_F(LoaderComponent, MapsAtItsPreferredBaseWithoutRelocatingAndReleasesEverything) {
  auto image = LoadImageFromMemory(file);
  ASSERT_TRUE(image);
  EXPECT_EQ(reinterpret_cast<std::uint64_t>(image->imageBase), layout.imageBase);
  EXPECT_EQ(image->initialised, 1);
  EXPECT_EQ(image->libraryHandles.size(), 8u) << "one handle per import descriptor";
  const SiteTally tally = CompareSites(*image, file, layout, 0);
  EXPECT_GT(tally.checked, 1000);
  EXPECT_EQ(tally.wrong, 0);
  EXPECT_TRUE(ClassExists(L"Scintilla")) << "registered by the component's entry routine";
  ExerciseScintilla(*image);
  void* base = image->imageBase;
  FreeMappedImage(std::move(image));
  EXPECT_FALSE(ClassExists(L"Scintilla")) << "the detach notification unregisters the class";
  EXPECT_TRUE(testing::AddressRangeFree(reinterpret_cast<std::uintptr_t>(base), layout.sizeOfImage));
  FreeMappedImage(nullptr);  // none is accepted
  // It maps again, as good as new.
  image = LoadImageFromMemory(file);
  ASSERT_TRUE(image);
  ExerciseScintilla(*image);
}

TEST_F(LoaderComponent, MapsElsewhereWhenItsBaseIsTakenAndStillWorks) {
  void* taken = VirtualAlloc(reinterpret_cast<void*>(layout.imageBase), 0x10000, MEM_RESERVE, PAGE_NOACCESS);
  ASSERT_EQ(reinterpret_cast<std::uint64_t>(taken), layout.imageBase);
  auto image = LoadImageFromMemory(file);
  ASSERT_TRUE(image);
  const auto base = reinterpret_cast<std::uint64_t>(image->imageBase);
  EXPECT_NE(base, layout.imageBase);
  EXPECT_EQ(image->headers->OptionalHeader.ImageBase, base);
  const SiteTally tally = CompareSites(*image, file, layout, static_cast<std::int64_t>(base - layout.imageBase));
  EXPECT_GT(tally.checked, 1000);
  EXPECT_EQ(tally.wrong, 0);
  ExerciseScintilla(*image);
  FreeMappedImage(std::move(image));
  VirtualFree(taken, 0, MEM_RELEASE);
}

TEST_F(LoaderComponent, SectionsKeepFullAddressesAndTheirProtection) {
  auto image = LoadImageFromMemory(file);
  ASSERT_TRUE(image);
  ASSERT_EQ(image->sectionAddresses.size(), layout.sections.size());
  int discarded = 0;
  for (std::size_t i = 0; i < layout.sections.size(); ++i) {
    const PeSection& s = layout.sections[i];
    EXPECT_EQ(image->sectionAddresses[i], image->imageBase + s.virtualAddress);
    MEMORY_BASIC_INFORMATION info{};
    ASSERT_TRUE(VirtualQuery(image->sectionAddresses[i], &info, sizeof info));
    if (s.characteristics & kScnMemDiscardable) {
      ++discarded;
      EXPECT_EQ(info.State, static_cast<DWORD>(MEM_RESERVE)) << "section " << i << " is decommitted";
      EXPECT_GE(info.RegionSize, layout.extents[i]);
    } else {
      EXPECT_EQ(info.State, static_cast<DWORD>(MEM_COMMIT));
      EXPECT_EQ(info.Protect, SectionProtection(s.characteristics)) << "section " << i;
    }
  }
  EXPECT_EQ(discarded, 1) << "the relocation section";
  // The section headers of the mapped copy are as in the file: the
  // component's runtime reads them to find its own sections.
  const auto* section = IMAGE_FIRST_SECTION(image->headers);
  EXPECT_EQ(section[0].Misc.VirtualSize, layout.sections[0].virtualSize);
  FreeMappedImage(std::move(image));
}

TEST_F(LoaderComponent, ExceptionThrownInsideIsCaughtInside) {
  auto image = LoadImageFromMemory(file);
  ASSERT_TRUE(image);
  HWND sci = CreateWindowExW(0, L"Scintilla", L"", WS_CHILD, 0, 0, 100, 100, TestHost(), nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(sci, nullptr);
  EXPECT_EQ(SendMessageW(sci, SCI_GETSTATUS, 0, 0), SC_STATUS_OK);
  // A petabyte (almost 2 GiB in the x86 edition's address space): operator
  // new throws, Scintilla's window procedure catches. Without the
  // registered exception table (x86-64) or the frames the component's
  // runtime registers itself (x86) this ends the process.
  const std::uint64_t huge = sizeof(WPARAM) == 8 ? std::uint64_t{1} << 50 : 0x7FFFFFF0;
  SendMessageW(sci, SCI_ALLOCATE, static_cast<WPARAM>(huge), 0);
  EXPECT_EQ(SendMessageW(sci, SCI_GETSTATUS, 0, 0), SC_STATUS_BADALLOC);
  DestroyWindow(sci);
  FreeMappedImage(std::move(image));
}

TEST_F(LoaderComponent, TruncatedOrDamagedImagesAreRefusedAndLeaveNothingBehind) {
  for (std::size_t n : {std::size_t{0}, std::size_t{2}, std::size_t{0x40}, std::size_t{0x3FF}, std::size_t{0x1000},
                        file.size() / 2, file.size() - 1}) {
    EXPECT_FALSE(LoadImageFromMemory(file.first(n))) << n << " bytes";
  }
  const std::uint32_t firstImport = FileOffset(layout, layout.directories[kDirectoryImport].rva).value();
  const std::uint32_t libraryName = FileOffset(layout, At<std::uint32_t>(file.data(), firstImport + 12)).value();
  const std::uint32_t lookup = FileOffset(layout, At<std::uint32_t>(file.data(), firstImport)).value();
  const std::uint32_t functionName = FileOffset(layout, At<std::uint32_t>(file.data(), lookup)).value() + 2;
  const std::uint32_t relocations = FileOffset(layout, layout.directories[kDirectoryBaseRelocation].rva).value();
  struct Damage {
    const char* what;
    std::uint32_t offset;
    std::vector<std::uint8_t> bytes;
    bool takeBase;  // relocations are only read when the image moves
  };
  const std::vector<Damage> damages = {
      {"first import library unknown", libraryName, {'N', 'O', 'P', 'E'}, false},
      {"first imported function unknown", functionName, {'Z', 'Z', 'Z'}, false},
      {"import name pointing out of the image", firstImport + 12, {0x00, 0x00, 0x00, 0x7F}, false},
      {"relocation block larger than its table", relocations + 4, {0xF0, 0xFF, 0x00, 0x00}, true},
  };
  std::vector<std::uint8_t> copy(file.begin(), file.end());
  for (const Damage& d : damages) {
    std::vector<std::uint8_t> bad = copy;
    std::copy(d.bytes.begin(), d.bytes.end(), bad.begin() + d.offset);
    void* taken = d.takeBase ? VirtualAlloc(reinterpret_cast<void*>(layout.imageBase), 0x10000, MEM_RESERVE,
                                            PAGE_NOACCESS)
                             : nullptr;
    EXPECT_FALSE(LoadImageFromMemory(bad)) << d.what;
    if (taken) VirtualFree(taken, 0, MEM_RELEASE);
    EXPECT_FALSE(ClassExists(L"Scintilla")) << d.what;
    if (!d.takeBase) {
      EXPECT_TRUE(testing::AddressRangeFree(layout.imageBase, layout.sizeOfImage))
          << d.what << ": the reservation is gone";
    }
  }
  // The undamaged copy still maps: the damage above was what failed.
  auto image = LoadImageFromMemory(copy);
  EXPECT_TRUE(image);
}

}  // namespace
}  // namespace vantorel
