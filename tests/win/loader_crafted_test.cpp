// The in-memory loader with images built byte by byte: a tiny entry routine
// that counts its notifications, chosen imports, relocation sites of both
// kinds, and sections of every protection the loader sets.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "../core/editor_test_image.h"
#include "editor/image_layout.h"
#include "editor/memory_loader_win32.h"
#include "platform/edition.h"
#include "test_support.h"

namespace vantorel {
namespace {

using namespace testimage;

// What the crafted entry routine writes: calls per notification, the handle
// it was given; it answers with result.
struct EntryProbe {
  std::uint32_t calls[4] = {};
  std::int32_t result = 1;
  std::uint32_t unused = 0;
  std::uint64_t instance = 0;
};

// The images are of the process's own kind: x86-64 PE32+ in the 64-bit
// edition, i386 PE32 in the x86 one.
constexpr bool kPe32 = kEdition == Edition::X86;

// x86-64: mov rax,[rip+slot]; mov edx,edx; inc dword [rax+rdx*4];
// mov [rax+24],rcx; mov eax,[rax+16]; ret
// i386 (stdcall): mov eax,[slot]; mov edx,[esp+8]; inc dword [eax+edx*4];
// mov ecx,[esp+4]; mov [eax+24],ecx; mov eax,[eax+16]; ret 12. The slot's
// absolute address at offset 1 is a HIGHLOW site of its own.
std::vector<std::uint8_t> ProbeCode(std::uint32_t codeRva, std::uint32_t slotRva, std::uint64_t base) {
  if (kPe32) {
    std::vector<std::uint8_t> code = {0xA1, 0, 0, 0, 0, 0x8B, 0x54, 0x24, 0x08, 0xFF, 0x04, 0x90, 0x8B,
                                      0x4C, 0x24, 0x04, 0x89, 0x48, 0x18, 0x8B, 0x40, 0x10, 0xC2, 0x0C, 0x00};
    Put32(code, 1, base + slotRva);
    return code;
  }
  std::vector<std::uint8_t> code = {0x48, 0x8B, 0x05, 0, 0, 0, 0, 0x89, 0xD2, 0xFF, 0x04,
                                    0x90, 0x48, 0x89, 0x48, 0x18, 0x8B, 0x40, 0x10, 0xC3};
  Put32(code, 3, static_cast<std::uint32_t>(slotRva - (codeRva + 7)));
  return code;
}

constexpr std::uint64_t kHighLowValue = 0x12345678;
constexpr std::uint64_t kPlainValue = 0x1111222233334444;

class Crafted {
 public:
  explicit Crafted(const std::vector<ImportLibrary>& imports = {}, bool withEntry = true,
                   bool withRelocations = true) {
    b.pe32 = kPe32;
    b.preferredBase = kPe32 ? 0x5E550000 : 0x7E5500000000;
    code = b.AddSection(kCode);
    data = b.AddSection(kData);
    rdata = b.AddSection(kReadOnly);
    bss = b.AddSection(kReadOnlyBss, 0x2000);  // two pages without raw data
    idata = b.AddSection(kData);
    reloc = b.AddSection(kDiscardable);
    b.Data(code) = ProbeCode(b.Rva(code), b.Rva(data), b.preferredBase);
    if (withEntry) b.entryPoint = b.Rva(code);
    dir64Site = b.Rva(data) + 0x10;
    highLowSite = b.Rva(data) + 0x20;
    plainSite = b.Rva(data) + 0x28;
    rdataSite = b.Rva(rdata);
    Put64(b.Data(data), 0x10, b.preferredBase + dir64Site);
    Put32(b.Data(data), 0x20, kHighLowValue);
    Put64(b.Data(data), 0x28, kPlainValue);
    Put64(b.Data(rdata), 0, b.preferredBase + b.Rva(code));
    if (!imports.empty()) {
      table = BuildImports(b.Rva(idata), imports, true, kPe32);
      b.Data(idata) = table.bytes;
      b.SetDirectory(kImports, b.Rva(idata), table.descriptorsSize);
    } else {
      b.Data(idata).assign(16, 0);
    }
    if (withRelocations) {
      b.Data(reloc) = RelocationBlock(b.Rva(data), {0xA010, 0x3020});
      const auto second = RelocationBlock(b.Rva(rdata), {0xA000});
      b.Data(reloc).insert(b.Data(reloc).end(), second.begin(), second.end());
      if (kPe32) {
        const auto probeSlot = RelocationBlock(b.Rva(code), {0x3001});
        b.Data(reloc).insert(b.Data(reloc).end(), probeSlot.begin(), probeSlot.end());
      }
      b.SetDirectory(kRelocations, b.Rva(reloc), static_cast<std::uint32_t>(b.Data(reloc).size()));
    } else {
      b.Data(reloc).assign(16, 0);
    }
  }

  // The image bytes, with the probe's address in the data section's first
  // slot (an outside address: it takes no relocation).
  std::vector<std::uint8_t> Bytes(EntryProbe* probe) {
    Put64(b.Data(data), 0, reinterpret_cast<std::uint64_t>(probe));
    return b.Build();
  }

  ImageBuilder b;
  ImportTable table;
  std::size_t code, data, rdata, bss, idata, reloc;
  std::uint32_t dir64Site, highLowSite, plainSite, rdataSite;
};

template <class T>
T Read(const MappedImage& image, std::uint32_t rva) {
  T value;
  std::memcpy(&value, image.imageBase + rva, sizeof value);
  return value;
}

MEMORY_BASIC_INFORMATION Query(const void* at) {
  MEMORY_BASIC_INFORMATION info{};
  VirtualQuery(at, &info, sizeof info);
  return info;
}

// Holds an address range so that an image preferring it must move.
struct Taken {
  explicit Taken(std::uint64_t at) : p(VirtualAlloc(reinterpret_cast<void*>(at), 0x10000, MEM_RESERVE, PAGE_NOACCESS)) {}
  ~Taken() {
    if (p) VirtualFree(p, 0, MEM_RELEASE);
  }
  void* p;
};

TEST(LoaderCrafted, EntryRoutineGetsAttachThenDetachOnlyWhenItAccepted) {
  Crafted crafted;
  EntryProbe probe;
  auto image = LoadImageFromMemory(crafted.Bytes(&probe));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->initialised, 1);
  EXPECT_EQ(probe.calls[DLL_PROCESS_ATTACH], 1u);
  EXPECT_EQ(probe.calls[DLL_PROCESS_DETACH], 0u);
  EXPECT_EQ(probe.instance, reinterpret_cast<std::uint64_t>(image->imageBase)) << "the module handle is the base";
  FreeMappedImage(std::move(image));
  EXPECT_EQ(probe.calls[DLL_PROCESS_DETACH], 1u);
  EXPECT_TRUE(testing::AddressRangeFree(crafted.b.preferredBase, crafted.b.SizeOfImage()));

  probe = {};
  probe.result = 0;  // the routine refuses the attach
  EXPECT_FALSE(LoadImageFromMemory(crafted.Bytes(&probe)));
  EXPECT_EQ(probe.calls[DLL_PROCESS_ATTACH], 1u);
  EXPECT_EQ(probe.calls[DLL_PROCESS_DETACH], 0u);
  EXPECT_TRUE(testing::AddressRangeFree(crafted.b.preferredBase, crafted.b.SizeOfImage()));

  Crafted noEntry({}, /*withEntry=*/false);
  probe = {};
  image = LoadImageFromMemory(noEntry.Bytes(&probe));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->initialised, 0);
  FreeMappedImage(std::move(image));
  EXPECT_EQ(probe.calls[DLL_PROCESS_ATTACH] + probe.calls[DLL_PROCESS_DETACH], 0u)
      << "without an entry point the routine in the image is never called";
}

TEST(LoaderCrafted, SitesStayAtThePreferredBaseAndMoveWithTheImage) {
  Crafted crafted;
  EntryProbe probe;
  {
    auto image = LoadImageFromMemory(crafted.Bytes(&probe));
    ASSERT_TRUE(image);
    ASSERT_EQ(reinterpret_cast<std::uint64_t>(image->imageBase), crafted.b.preferredBase);
    EXPECT_EQ(Read<std::uint64_t>(*image, crafted.dir64Site), crafted.b.preferredBase + crafted.dir64Site);
    EXPECT_EQ(Read<std::uint32_t>(*image, crafted.highLowSite), kHighLowValue);
  }
  Taken taken(crafted.b.preferredBase);
  ASSERT_NE(taken.p, nullptr);
  auto image = LoadImageFromMemory(crafted.Bytes(&probe));
  ASSERT_TRUE(image);
  const std::uint64_t base = reinterpret_cast<std::uint64_t>(image->imageBase);
  ASSERT_NE(base, crafted.b.preferredBase);
  const std::uint64_t delta = base - crafted.b.preferredBase;
  EXPECT_EQ(Read<std::uint64_t>(*image, crafted.dir64Site), base + crafted.dir64Site) << "DIR64: the whole delta";
  EXPECT_EQ(Read<std::uint32_t>(*image, crafted.highLowSite), static_cast<std::uint32_t>(kHighLowValue + delta))
      << "HIGHLOW: the low half";
  EXPECT_EQ(Read<std::uint64_t>(*image, crafted.plainSite), kPlainValue) << "no entry, no change";
  EXPECT_EQ(Read<std::uint64_t>(*image, crafted.rdataSite), base + crafted.b.Rva(crafted.code))
      << "read-only sections are relocated before they are protected";
  EXPECT_EQ(probe.calls[DLL_PROCESS_ATTACH], 2u) << "the moved code runs";
}

TEST(LoaderCrafted, ImageThatCannotBeRelocatedAsNeededIsRefused) {
  Crafted unrelocatable({}, true, /*withRelocations=*/false);
  Crafted damaged;
  Put32(damaged.b.Data(damaged.reloc), 4, 0x1000);  // first block larger than the table
  Taken taken(damaged.b.preferredBase);
  for (Crafted* crafted : {&unrelocatable, &damaged}) {
    EntryProbe probe;
    EXPECT_FALSE(LoadImageFromMemory(crafted->Bytes(&probe)));
    EXPECT_EQ(probe.calls[DLL_PROCESS_ATTACH], 0u) << "refused before anything ran";
  }
}

TEST(LoaderCrafted, ImportsByNameAndByOrdinalAreBound) {
  Crafted crafted({{"ws2_32.dll", {{"", 8}, {"htons"}}}, {"KERNEL32.dll", {{"GetTickCount"}}}});
  EntryProbe probe;
  auto image = LoadImageFromMemory(crafted.Bytes(&probe));
  ASSERT_TRUE(image);
  ASSERT_EQ(image->libraryHandles.size(), 2u);
  HMODULE ws2 = GetModuleHandleW(L"ws2_32.dll");
  EXPECT_EQ(image->libraryHandles[0], ws2);
  EXPECT_EQ(image->libraryHandles[1], GetModuleHandleW(L"kernel32.dll"));
  const auto& slots = crafted.table.slots;
  const auto byOrdinal = Read<FARPROC>(*image, slots[0][0]);
  EXPECT_EQ(byOrdinal, GetProcAddress(ws2, "htonl")) << "ordinal 8 of ws2_32 is htonl";
  using Swap32 = unsigned long(WINAPI*)(unsigned long);
  EXPECT_EQ(reinterpret_cast<Swap32>(reinterpret_cast<void*>(byOrdinal))(0x01020304ul), 0x04030201ul);
  EXPECT_EQ(Read<FARPROC>(*image, slots[0][1]), GetProcAddress(ws2, "htons"));
  EXPECT_EQ(Read<FARPROC>(*image, slots[1][0]), GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount"));
}

TEST(LoaderCrafted, ImportedLibrariesLiveExactlyAsLongAsTheImage) {
  ASSERT_EQ(GetModuleHandleW(L"wldap32.dll"), nullptr) << "the test needs a library nobody else holds";
  Crafted crafted({{"wldap32.dll", {{"ldap_initA"}}}});
  EntryProbe probe;
  auto image = LoadImageFromMemory(crafted.Bytes(&probe));
  ASSERT_TRUE(image);
  EXPECT_NE(GetModuleHandleW(L"wldap32.dll"), nullptr);
  FreeMappedImage(std::move(image));
  EXPECT_EQ(GetModuleHandleW(L"wldap32.dll"), nullptr);

  // A later import that fails releases the libraries loaded before it.
  for (const ImportLibrary& failing : std::vector<ImportLibrary>{{"KERNEL32.dll", {{"NoSuchFunctionAnywhere"}}},
                                                                 {"KERNEL32.dll", {{"", 0xFFF0}}},
                                                                 {"no_such_library_here.dll", {{"Anything"}}}}) {
    Crafted broken({{"wldap32.dll", {{"ldap_initA"}}}, failing});
    probe = {};
    EXPECT_FALSE(LoadImageFromMemory(broken.Bytes(&probe))) << failing.name;
    EXPECT_EQ(probe.calls[DLL_PROCESS_ATTACH], 0u);
    EXPECT_EQ(GetModuleHandleW(L"wldap32.dll"), nullptr) << failing.name;
  }
}

TEST(LoaderCrafted, SectionProtectionsAndTheDiscardedSection) {
  Crafted crafted;
  EntryProbe probe;
  auto image = LoadImageFromMemory(crafted.Bytes(&probe));
  ASSERT_TRUE(image);
  const auto at = [&](std::size_t section, std::uint32_t offset = 0) {
    return Query(image->imageBase + crafted.b.Rva(section) + offset);
  };
  EXPECT_EQ(at(crafted.code).Protect, static_cast<DWORD>(PAGE_EXECUTE_READ));
  EXPECT_EQ(at(crafted.data).Protect, static_cast<DWORD>(PAGE_READWRITE));
  EXPECT_EQ(at(crafted.rdata).Protect, static_cast<DWORD>(PAGE_READONLY));
  // A section without raw data is protected over all of its pages.
  EXPECT_EQ(at(crafted.bss).Protect, static_cast<DWORD>(PAGE_READONLY));
  EXPECT_EQ(at(crafted.bss, 0x1000).Protect, static_cast<DWORD>(PAGE_READONLY));
  EXPECT_EQ(Read<std::uint64_t>(*image, crafted.b.Rva(crafted.bss) + 0x1FF8), 0u) << "and zero-filled";
  const MEMORY_BASIC_INFORMATION discarded = at(crafted.reloc);
  EXPECT_EQ(discarded.State, static_cast<DWORD>(MEM_RESERVE)) << "the discardable section is decommitted";
  EXPECT_EQ(Query(image->imageBase).Protect, static_cast<DWORD>(PAGE_READWRITE)) << "the headers stay writable";
  FreeMappedImage(std::move(image));
  EXPECT_TRUE(testing::AddressRangeFree(crafted.b.preferredBase, crafted.b.SizeOfImage()));
}

}  // namespace
}  // namespace vantorel
