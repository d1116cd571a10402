// The checked reading behind the in-memory loader, over images built byte by
// byte: what a good image yields, and that damaged ones are refused.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "editor/image_layout.h"
#include "editor_test_image.h"

namespace vantorel {
namespace {

using namespace testimage;
using Bytes = std::vector<std::uint8_t>;

// Code with the entry point, data, a section without raw data and a
// discardable relocation section.
Bytes Sample() {
  ImageBuilder b;
  b.Data(b.AddSection(kCode)) = {0xB8, 0x01, 0x00, 0x00, 0x00, 0xC3};  // mov eax, 1; ret
  b.Data(b.AddSection(kData)).assign(0x40, 0);
  b.AddSection(kReadOnlyBss, 0x800);
  const std::size_t reloc = b.AddSection(kDiscardable);
  b.Data(reloc) = RelocationBlock(b.Rva(1), {0xA000});
  b.SetDirectory(kRelocations, b.Rva(reloc), 12);
  b.entryPoint = 0x1000;
  return b.Build();
}

TEST(EditorImageLayout, ReadsWhatTheLoaderUses) {
  const auto layout = ReadImageLayout(Sample());
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->imageBase, ImageBuilder{}.preferredBase);
  EXPECT_EQ(layout->sizeOfImage, 0x5000u);
  EXPECT_EQ(layout->entryPoint, 0x1000u);
  EXPECT_EQ(layout->directories[kDirectoryBaseRelocation].rva, 0x4000u);
  ASSERT_EQ(layout->sections.size(), 4u);
  EXPECT_EQ(layout->sections[1].pointerToRawData, 0x600u);
  EXPECT_EQ(layout->extents[0], 0x1000u) << "the larger of virtual and raw size";
  EXPECT_EQ(layout->sections[2].sizeOfRawData, 0u);
  EXPECT_EQ(layout->extents[2], 0x800u) << "without raw data: the virtual size";
}

TEST(EditorImageLayout, TruncatedOrDamagedImagesAreRefused) {
  const Bytes good = Sample();
  for (std::size_t n = 0; n < good.size(); ++n) {
    EXPECT_FALSE(ReadImageLayout(Bytes(good.begin(), good.begin() + n))) << "cut to " << n << " bytes";
  }
  constexpr std::uint32_t o = kOptionalHeader, sec0 = kSectionTable, sec1 = kSectionTable + 40;
  const std::vector<std::pair<std::string, std::function<void(Bytes&)>>> damages = {
      {"negative e_lfanew", [](Bytes& b) { Put32(b, 0x3C, 0x80000000); }},
      {"e_lfanew past the end", [](Bytes& b) { Put32(b, 0x3C, b.size() - 2); }},
      {"32-bit machine", [](Bytes& b) { Put16(b, kNtOffset + 4, 0x14C); }},
      {"PE32 magic", [](Bytes& b) { Put16(b, o, 0x10B); }},
      {"directories beyond the optional header", [](Bytes& b) { Put16(b, kNtOffset + 20, 112 + 8 * 4); }},
      {"section table past the headers", [](Bytes& b) { Put16(b, kNtOffset + 6, 30); }},
      {"headers larger than the image", [](Bytes& b) { Put32(b, o + 56, 0x300); }},
      {"section alignment not a power of two", [](Bytes& b) { Put32(b, o + 32, 0x1800); }},
      {"section inside the headers", [](Bytes& b) { Put32(b, sec1 + 12, 0x200); }},
      {"section runs past the image", [](Bytes& b) { Put32(b, sec1 + 8, 0x4001); }},
      {"raw offset wraps 32 bits", [](Bytes& b) { Put32(b, sec1 + 20, 0xFFFFFF00); }},
      {"imports past the image", [](Bytes& b) { Put32(b, o + 120, 0x4F00), Put32(b, o + 124, 0x200); }},
      {"relocations wrap 32 bits", [](Bytes& b) { Put32(b, o + 152, 0xFFFFF000), Put32(b, o + 156, 0x2000); }},
      {"entry point in data", [](Bytes& b) { Put32(b, o + 16, 0x2000); }},
      {"entry point in non-executable code", [](Bytes& b) { Put32(b, sec0 + 36, kReadOnly); }},
  };
  for (const auto& [what, damage] : damages) {
    Bytes bytes = good;
    damage(bytes);
    EXPECT_FALSE(ReadImageLayout(bytes)) << what;
  }
}

// 0x3000 bytes of mapped image with the relocation table at 0x2000.
DataDirectory PlaceBlocks(Bytes& image, const std::vector<Bytes>& blocks) {
  image.resize(0x3000);
  std::size_t at = 0x2000;
  for (const Bytes& block : blocks) std::copy(block.begin(), block.end(), image.begin() + at), at += block.size();
  return {0x2000, static_cast<std::uint32_t>(at - 0x2000)};
}

TEST(EditorRelocations, EachSiteAdjustedByItsKind) {
  Bytes m;
  const auto dir = PlaceBlocks(m, {RelocationBlock(0x1000, {0xA010, 0x3020, 0x0030, 0x4030, 0xAFF8}),
                                   RelocationBlock(0x2000, {0xAFF8}), RelocationBlock(0, {0xA010})});
  Put64(m, 0x1010, 0x100001000);
  Put32(m, 0x1020, 0x00403000);
  Put64(m, 0x1030, 0x1111111111111111);  // absolute and unknown entries leave it
  Put64(m, 0x1FF8, 0x100002000);         // last 8 bytes of a page
  Put64(m, 0x2FF8, 0x100003000);         // last 8 bytes of the image
  ASSERT_TRUE(ApplyRelocations(m, dir, 0x7FF500000000 - 0x100400000));
  EXPECT_EQ(Get(m, 0x1010, 8), 0x7FF4FFC01000u);
  EXPECT_EQ(Get(m, 0x1020, 4), 0x00003000u) << "HIGHLOW takes the low half of the delta";
  EXPECT_EQ(Get(m, 0x1030, 8), 0x1111111111111111u);
  EXPECT_EQ(Get(m, 0x1FF8, 8), 0x7FF4FFC02000u);
  EXPECT_EQ(Get(m, 0x2FF8, 8), 0x7FF4FFC03000u);
  EXPECT_EQ(Get(m, 0x10, 8), 0u) << "a page-0 block ends the table";
}

TEST(EditorRelocations, HighLowSitesOfAnX86ImageWrapAt32Bits) {
  Bytes m;
  const auto dir = PlaceBlocks(m, {RelocationBlock(0x1000, {0x3010, 0x3014})});
  Put32(m, 0x1010, 0x10001000);
  Put32(m, 0x1014, 0x00000010);
  // Moved down, as a 32-bit delta seen from 64 bits is negative.
  ASSERT_TRUE(ApplyRelocations(m, dir, std::int64_t{0x00400000} - 0x10000000));
  EXPECT_EQ(Get(m, 0x1010, 4), 0x00401000u);
  EXPECT_EQ(Get(m, 0x1014, 4), 0xF0400010u) << "wraps like the 32-bit address it is";
  EXPECT_EQ(Get(m, 0x1018, 4), 0u) << "nothing beyond the site is touched";
}

TEST(EditorRelocations, DamagedTablesAreRefused) {
  Bytes shortBlock = RelocationBlock(0x1000, {0xA000}), longBlock = shortBlock;
  Put32(shortBlock, 4, 4);
  Put32(longBlock, 4, 0x100);
  const std::vector<std::pair<std::string, std::vector<Bytes>>> damaged = {
      {"DIR64 site past the image", {RelocationBlock(0x2000, {0xAFFC})}},
      {"HIGHLOW site past the image", {RelocationBlock(0x2000, {0x3FFE})}},
      {"page far past the image", {RelocationBlock(0x7FFFF000, {0xA000})}},
      {"block shorter than its header", {shortBlock}},
      {"block longer than the table", {longBlock}},
  };
  for (const auto& [what, blocks] : damaged) {
    Bytes m;
    EXPECT_FALSE(ApplyRelocations(m, PlaceBlocks(m, blocks), 0x10000)) << what;
  }
  Bytes m(0x3000);
  EXPECT_FALSE(ApplyRelocations(m, {0x2F00, 0x200}, 1)) << "table past the image";
}

TEST(EditorImports, NamesOrdinalsAndSlots) {
  for (const bool lookupTables : {true, false}) {
    const auto table = BuildImports(0x1000, {{"KERNEL32.dll", {{"Sleep"}}}, {"WS2_32.dll", {{"", 8}, {"htons"}}}},
                                    lookupTables);
    Bytes image(0x1000);
    image.insert(image.end(), table.bytes.begin(), table.bytes.end());
    const auto libraries = ReadImports(image, {0x1000, table.descriptorsSize});
    ASSERT_TRUE(libraries) << lookupTables;
    ASSERT_EQ(libraries->size(), 2u);
    EXPECT_EQ((*libraries)[0].name, "KERNEL32.dll");
    EXPECT_EQ((*libraries)[0].functions[0].name, "Sleep");
    const auto& ws2 = (*libraries)[1].functions;
    ASSERT_EQ(ws2.size(), 2u);
    EXPECT_TRUE(ws2[0].byOrdinal);
    EXPECT_EQ(ws2[0].ordinal, 8);
    EXPECT_EQ(ws2[1].name, "htons");
    EXPECT_EQ(ws2[1].slotRva, table.slots[1][1]);
  }
}

// The x86 edition maps an i386 PE32 image: 32-bit ImageBase after BaseOfData,
// directories after a 96-byte fixed header, no exception table, and 32-bit
// thunks whose ordinal flag is bit 31. Each edition refuses the other kind.
TEST(EditorImageLayout, EachEditionReadsItsOwnKindOnly) {
  ImageBuilder b;
  b.pe32 = true;
  b.preferredBase = 0x6F400000;
  b.Data(b.AddSection(kCode)) = {0xB8, 0x01, 0x00, 0x00, 0x00, 0xC2, 0x0C, 0x00};  // mov eax, 1; ret 12
  const std::size_t idata = b.AddSection(kData);
  const auto table = BuildImports(b.Rva(idata), {{"KERNEL32.dll", {{"Sleep"}, {"", 0x8001}}}}, true, true);
  b.Data(idata) = table.bytes;
  b.SetDirectory(kImports, b.Rva(idata), table.descriptorsSize);
  b.SetDirectory(kExceptions, b.Rva(idata), 12);  // nonsense that an x86 image never uses
  b.entryPoint = 0x1000;
  const Bytes pe32 = b.Build();

  const auto layout = ReadImageLayout(pe32, Edition::X86);
  ASSERT_TRUE(layout);
  EXPECT_FALSE(layout->is64);
  EXPECT_EQ(layout->imageBase, 0x6F400000u);
  EXPECT_EQ(layout->ImageBaseOffset(), kOptionalHeader + 28u);
  EXPECT_EQ(layout->ImageBaseWidth(), 4u);
  EXPECT_EQ(layout->directories[kDirectoryImport].rva, b.Rva(idata));
  EXPECT_EQ(layout->directories[kDirectoryException].size, 0u) << "x86 exception handling is frame-based";
  ASSERT_EQ(layout->sections.size(), 2u);
  EXPECT_EQ(layout->sections[1].virtualAddress, 0x2000u);

  EXPECT_FALSE(ReadImageLayout(pe32, Edition::X64));
  EXPECT_FALSE(ReadImageLayout(Sample(), Edition::X86));
  ASSERT_TRUE(ReadImageLayout(Sample(), Edition::X64));
  EXPECT_EQ(ReadImageLayout(Sample(), Edition::X64)->ImageBaseWidth(), 8u);

  Bytes image(b.SizeOfImage());
  std::copy(table.bytes.begin(), table.bytes.end(), image.begin() + b.Rva(idata));
  const auto imports = ReadImports(image, layout->directories[kDirectoryImport], false);
  ASSERT_TRUE(imports);
  ASSERT_EQ(imports->size(), 1u);
  const auto& functions = (*imports)[0].functions;
  ASSERT_EQ(functions.size(), 2u);
  EXPECT_EQ(functions[0].name, "Sleep");
  EXPECT_EQ(functions[0].slotRva, table.slots[0][0]);
  EXPECT_TRUE(functions[1].byOrdinal);
  EXPECT_EQ(functions[1].ordinal, 0x8001) << "bit 31 is the flag; bit 15 belongs to the ordinal";
  EXPECT_EQ(functions[1].slotRva, table.slots[0][0] + 4) << "32-bit thunks";

  // Damage is refused as in PE32+: these offsets are PE32's own.
  const std::uint32_t o = kOptionalHeader;
  const std::vector<std::pair<std::string, std::function<void(Bytes&)>>> damages = {
      {"x86-64 machine", [](Bytes& x) { Put16(x, kNtOffset + 4, 0x8664); }},
      {"PE32+ magic", [&](Bytes& x) { Put16(x, o, 0x20B); }},
      {"directories beyond the optional header", [](Bytes& x) { Put16(x, kNtOffset + 20, 96 + 8 * 4); }},
      {"imports past the image", [&](Bytes& x) { Put32(x, o + 104, 0x2F00), Put32(x, o + 108, 0x200); }},
  };
  for (const auto& [what, damage] : damages) {
    Bytes bytes = pe32;
    damage(bytes);
    EXPECT_FALSE(ReadImageLayout(bytes, Edition::X86)) << what;
  }
}

TEST(EditorImports, DamagedTablesAreRefused) {
  const auto table = BuildImports(0x1000, {{"KERNEL32.dll", {{"Sleep"}}}});
  const DataDirectory dir{0x1000, table.descriptorsSize};
  const std::size_t d = 0x1000;
  const std::vector<std::pair<std::string, std::function<void(Bytes&)>>> damages = {
      {"library name outside", [&](Bytes& b) { Put32(b, d + 12, 0x10000); }},
      {"library name unterminated", [&](Bytes& b) { Put32(b, d + 12, b.size() - 1), b.back() = 'x'; }},
      {"lookup table runs off the end", [&](Bytes& b) { Put32(b, d, b.size() - 4); }},
      {"address table outside", [&](Bytes& b) { Put32(b, d + 16, 0x7FFFFFF0); }},
      {"no address table", [&](Bytes& b) { Put32(b, d + 16, 0); }},
      {"name RVA with high bits", [&](Bytes& b) { Put64(b, Get(b, d, 4), 0x100001000ull); }},
      {"descriptors without end",
       [&](Bytes& b) {
         b[0x10] = 'x';
         for (std::size_t at : {d, d + 20}) Put32(b, at, 0), Put32(b, at + 12, 0x10), Put32(b, at + 16, 0x20);
         b.resize(d + 40);
       }},
  };
  for (const auto& [what, damage] : damages) {
    Bytes image(0x1000);
    image.insert(image.end(), table.bytes.begin(), table.bytes.end());
    damage(image);
    EXPECT_FALSE(ReadImports(image, dir)) << what;
  }
}

}  // namespace
}  // namespace vantorel
