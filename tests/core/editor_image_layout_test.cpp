// The checked reading behind the in-memory loader, over images built byte by
// byte: what a good image yields, and that every damaged one is refused.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "editor/image_layout.h"
#include "editor_test_image.h"

namespace vantorel {
namespace {

using namespace testimage;

struct Sample {
  ImageBuilder builder;
  std::size_t code, data, bss, reloc;
};

// Code, data, an uninitialised section and a discardable relocation section.
Sample MakeSample() {
  Sample s;
  ImageBuilder& b = s.builder;
  s.code = b.AddSection(kCode);
  b.Data(s.code) = {0xB8, 0x01, 0x00, 0x00, 0x00, 0xC3};  // mov eax, 1; ret
  s.data = b.AddSection(kData);
  b.Data(s.data).assign(0x40, 0);
  s.bss = b.AddSection(kBss, 0x800);
  s.reloc = b.AddSection(kDiscardable);
  b.Data(s.reloc) = RelocationBlock(b.Rva(s.data), {0xA000});
  b.SetDirectory(kRelocations, b.Rva(s.reloc), static_cast<std::uint32_t>(b.Data(s.reloc).size()));
  b.entryPoint = b.Rva(s.code);
  return s;
}

TEST(EditorImageLayout, ReadsWhatTheLoaderUses) {
  Sample s = MakeSample();
  const auto bytes = s.builder.Build();
  const auto layout = ReadImageLayout(bytes);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->preferredBase, s.builder.preferredBase);
  EXPECT_EQ(layout->sizeOfImage, 0x5000u);
  EXPECT_EQ(layout->sizeOfHeaders, 0x400u);
  EXPECT_EQ(layout->ImageBaseOffset(), kOptionalHeader + 24u);
  EXPECT_EQ(layout->entryPoint, 0x1000u);
  EXPECT_EQ(layout->relocations.rva, 0x4000u);
  EXPECT_EQ(layout->relocations.size, 12u);
  ASSERT_EQ(layout->sections.size(), 4u);
  const ImageSection& code = layout->sections[0];
  EXPECT_EQ(code.virtualAddress, 0x1000u);
  EXPECT_EQ(code.rawOffset, 0x400u);
  EXPECT_EQ(code.rawSize, 0x200u);
  EXPECT_EQ(code.extent, 0x1000u) << "the larger of virtual and raw size";
  EXPECT_EQ(layout->sections[1].rawOffset, 0x600u);
  const ImageSection& bss = layout->sections[2];
  EXPECT_EQ(bss.rawSize, 0u);
  EXPECT_EQ(bss.extent, 0x800u) << "a section without raw data covers its virtual size";
  EXPECT_EQ(layout->sections[3].characteristics & kScnMemDiscardable, kScnMemDiscardable);
}

TEST(EditorImageLayout, EmptySectionCoversOneAlignment) {
  ImageBuilder b;
  b.AddSection(kData, 0);
  b.AddSection(kData);
  const auto layout = ReadImageLayout(b.Build());
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->sections[0].extent, 0x1000u);
}

TEST(EditorImageLayout, EveryTruncationIsRefused) {
  const auto bytes = MakeSample().builder.Build();
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + n);
    EXPECT_FALSE(ReadImageLayout(cut)) << "cut to " << n << " bytes";
  }
}

TEST(EditorImageLayout, DamagedHeadersAreRefused) {
  using Bytes = std::vector<std::uint8_t>;
  const std::uint32_t o = kOptionalHeader;
  const std::uint32_t sec0 = kSectionTable, sec1 = kSectionTable + 40;
  const std::vector<std::pair<std::string, std::function<void(Bytes&)>>> damages = {
      {"no MZ", [](Bytes& b) { b[0] = 'X'; }},
      {"negative e_lfanew", [](Bytes& b) { Put32(b, 0x3C, 0x80000000); }},
      {"e_lfanew past the end", [](Bytes& b) { Put32(b, 0x3C, static_cast<std::uint32_t>(b.size()) - 2); }},
      {"no PE signature", [](Bytes& b) { b[kNtOffset + 2] = 1; }},
      {"32-bit machine", [](Bytes& b) { Put16(b, kNtOffset + 4, 0x14C); }},
      {"PE32 magic", [o](Bytes& b) { Put16(b, o, 0x10B); }},
      {"optional header too short", [](Bytes& b) { Put16(b, kNtOffset + 20, 100); }},
      {"directories beyond the optional header", [](Bytes& b) { Put16(b, kNtOffset + 20, 112 + 8 * 4); }},
      {"section table past the headers", [](Bytes& b) { Put16(b, kNtOffset + 6, 30); }},
      {"headers larger than the file", [o](Bytes& b) { Put32(b, o + 60, static_cast<std::uint32_t>(b.size()) + 1); }},
      {"headers larger than the image", [o](Bytes& b) { Put32(b, o + 56, 0x300); }},
      {"section alignment 0", [o](Bytes& b) { Put32(b, o + 32, 0); }},
      {"section alignment not a power of two", [o](Bytes& b) { Put32(b, o + 32, 0x1800); }},
      {"image size 0", [o](Bytes& b) { Put32(b, o + 56, 0); }},
      {"image size absurd", [o](Bytes& b) { Put32(b, o + 56, 0xFFFFF000); }},
      {"section inside the headers", [sec1](Bytes& b) { Put32(b, sec1 + 12, 0x200); }},
      {"section at the image end", [sec1](Bytes& b) { Put32(b, sec1 + 12, 0x5000); }},
      {"section runs past the image", [sec1](Bytes& b) { Put32(b, sec1 + 8, 0x4001); }},
      {"raw data past the file", [sec1](Bytes& b) { Put32(b, sec1 + 20, static_cast<std::uint32_t>(b.size())); }},
      {"raw offset wraps 32 bits", [sec1](Bytes& b) { Put32(b, sec1 + 20, 0xFFFFFF00); }},
      {"raw size wraps 32 bits", [sec1](Bytes& b) { Put32(b, sec1 + 16, 0xFFFFFF00); }},
      {"imports past the image", [o](Bytes& b) { Put32(b, o + 112 + 8, 0x4F00), Put32(b, o + 112 + 12, 0x200); }},
      {"relocations wrap 32 bits", [o](Bytes& b) { Put32(b, o + 112 + 40, 0xFFFFF000), Put32(b, o + 112 + 44, 0x2000); }},
      {"exception table unaligned", [o](Bytes& b) { Put32(b, o + 112 + 24, 0x2002), Put32(b, o + 112 + 28, 12); }},
      {"entry point in data", [o](Bytes& b) { Put32(b, o + 16, 0x2000); }},
      {"entry point past the image", [o](Bytes& b) { Put32(b, o + 16, 0x9000); }},
      {"entry point in non-executable code", [sec0](Bytes& b) { Put32(b, sec0 + 36, kReadOnly); }},
  };
  const Bytes good = MakeSample().builder.Build();
  ASSERT_TRUE(ReadImageLayout(good));
  for (const auto& [what, damage] : damages) {
    Bytes bytes = good;
    damage(bytes);
    EXPECT_FALSE(ReadImageLayout(bytes)) << what;
  }
}

// A mapped image of 0x3000 bytes with relocation blocks at 0x2000.
struct Mapped {
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(0x3000, 0);
  ImageDirectory Place(const std::vector<std::vector<std::uint8_t>>& blocks) {
    std::uint32_t at = 0x2000;
    for (const auto& block : blocks) {
      std::copy(block.begin(), block.end(), bytes.begin() + at);
      at += static_cast<std::uint32_t>(block.size());
    }
    return {0x2000, at - 0x2000};
  }
};

TEST(EditorRelocations, AdjustEverySiteByItsKind) {
  Mapped m;
  Put64(m.bytes, 0x1010, 0x0000000100001000);
  Put32(m.bytes, 0x1020, 0x80001000);
  Put64(m.bytes, 0x1030, 0x1111111111111111);  // absolute entry: untouched
  Put64(m.bytes, 0x1040, 0x2222222222222222);  // unknown kind: untouched
  Put64(m.bytes, 0x1ff8, 0x0000000100002000);  // last 8 bytes of the page
  Put64(m.bytes, 0x2ff8, 0x0000000100003000);  // last 8 bytes of the image
  const auto dir = m.Place({RelocationBlock(0x1000, {0xA010, 0x3020, 0x0030, 0x4040, 0xAFF8}),
                            RelocationBlock(0x2000, {0xAFF8})});
  ASSERT_TRUE(ApplyRelocations(m.bytes, dir, 0x7FF500000000 - 0x100000000));
  EXPECT_EQ(Get(m.bytes, 0x1010, 8), 0x00007FF500001000u);
  EXPECT_EQ(Get(m.bytes, 0x1020, 4), 0x80001000u) << "the low half of this delta is 0";
  EXPECT_EQ(Get(m.bytes, 0x1030, 8), 0x1111111111111111u);
  EXPECT_EQ(Get(m.bytes, 0x1040, 8), 0x2222222222222222u);
  EXPECT_EQ(Get(m.bytes, 0x1ff8, 8), 0x00007FF500002000u);
  EXPECT_EQ(Get(m.bytes, 0x2ff8, 8), 0x00007FF500003000u);

  // A move downwards, with a HIGHLOW site that sees the low half change.
  Mapped down;
  Put32(down.bytes, 0x1100, 0x00403000);
  Put64(down.bytes, 0x1200, 0x0000000180403000);
  const auto dir2 = down.Place({RelocationBlock(0x1000, {0x3100, 0xA200})});
  ASSERT_TRUE(ApplyRelocations(down.bytes, dir2, -0x400000));
  EXPECT_EQ(Get(down.bytes, 0x1100, 4), 0x00003000u);
  EXPECT_EQ(Get(down.bytes, 0x1200, 8), 0x0000000180003000u);
}

TEST(EditorRelocations, BlockWithPageZeroEndsTheTable) {
  Mapped m;
  Put64(m.bytes, 0x1010, 5);
  const auto dir = m.Place({RelocationBlock(0, {}), RelocationBlock(0x1000, {0xA010})});
  ASSERT_TRUE(ApplyRelocations(m.bytes, dir, 1));
  EXPECT_EQ(Get(m.bytes, 0x1010, 8), 5u);
}

TEST(EditorRelocations, DamagedTablesAreRefused) {
  const std::vector<std::pair<std::string, std::vector<std::vector<std::uint8_t>>>> damaged = {
      {"DIR64 site past the image", {RelocationBlock(0x2000, {0xAFFC})}},
      {"HIGHLOW site past the image", {RelocationBlock(0x2000, {0x3FFE})}},
      {"page far past the image", {RelocationBlock(0x7FFFF000, {0xA000})}},
  };
  for (const auto& [what, blocks] : damaged) {
    Mapped m;
    EXPECT_FALSE(ApplyRelocations(m.bytes, m.Place(blocks), 0x10000)) << what;
  }
  Mapped small;
  auto block = RelocationBlock(0x1000, {0xA000});
  Put32(block, 4, 4);  // shorter than its own header
  EXPECT_FALSE(ApplyRelocations(small.bytes, small.Place({block}), 1)) << "block size below 8";
  Mapped big;
  Put32(block, 4, 0x100);  // longer than the directory
  EXPECT_FALSE(ApplyRelocations(big.bytes, big.Place({block}), 1)) << "block past the directory";
  Mapped outside;
  EXPECT_FALSE(ApplyRelocations(outside.bytes, {0x2F00, 0x200}, 1)) << "directory past the image";
  Mapped none;
  EXPECT_TRUE(ApplyRelocations(none.bytes, {0x2F00, 0}, 1)) << "an empty directory is nothing to do";
}

TEST(EditorImports, DescriptorsNamesAndOrdinals) {
  for (const bool lookupTables : {true, false}) {
    std::vector<std::uint8_t> image(0x2000, 0);
    const auto table = BuildImports(0x1000, {{"KERNEL32.dll", {{"GetTickCount"}, {"Sleep"}}},
                                             {"WS2_32.dll", {{"", 8}, {"htons"}, {"", 0xFFFF}}}},
                                    lookupTables);
    std::copy(table.bytes.begin(), table.bytes.end(), image.begin() + 0x1000);
    const auto libraries = ReadImports(image, {0x1000, table.descriptorsSize});
    ASSERT_TRUE(libraries) << lookupTables;
    ASSERT_EQ(libraries->size(), 2u);
    const ImportedLibrary& k = (*libraries)[0];
    EXPECT_EQ(k.name, "KERNEL32.dll");
    ASSERT_EQ(k.functions.size(), 2u);
    EXPECT_EQ(k.functions[1].name, "Sleep");
    EXPECT_FALSE(k.functions[1].byOrdinal);
    EXPECT_EQ(k.functions[1].slotRva, table.slots[0][1]);
    const ImportedLibrary& w = (*libraries)[1];
    EXPECT_EQ(w.name, "WS2_32.dll");
    ASSERT_EQ(w.functions.size(), 3u);
    EXPECT_TRUE(w.functions[0].byOrdinal);
    EXPECT_EQ(w.functions[0].ordinal, 8);
    EXPECT_EQ(w.functions[1].name, "htons");
    EXPECT_EQ(w.functions[2].ordinal, 0xFFFF);
    EXPECT_EQ(w.functions[2].slotRva, table.slots[1][2]);
  }
}

TEST(EditorImports, DamagedTablesAreRefused) {
  const auto table = BuildImports(0x1000, {{"KERNEL32.dll", {{"Sleep"}}}});
  auto fresh = [&] {
    std::vector<std::uint8_t> image(0x1000 + table.bytes.size(), 0);
    std::copy(table.bytes.begin(), table.bytes.end(), image.begin() + 0x1000);
    return image;
  };
  const ImageDirectory dir{0x1000, table.descriptorsSize};
  ASSERT_TRUE(ReadImports(fresh(), dir));

  const std::size_t d = 0x1000;  // the first descriptor
  std::vector<std::pair<std::string, std::function<void(std::vector<std::uint8_t>&)>>> damages = {
      {"library name outside", [&](auto& b) { Put32(b, d + 12, 0x10000); }},
      {"library name unterminated", [&](auto& b) { Put32(b, d + 12, b.size() - 1), b.back() = 'x'; }},
      {"lookup table outside", [&](auto& b) { Put32(b, d, b.size() - 4); }},
      {"address table outside", [&](auto& b) { Put32(b, d + 16, 0x7FFFFFF0); }},
      {"no address table", [&](auto& b) { Put32(b, d + 16, 0); }},
      {"hint and name outside",
       [&](auto& b) { Put64(b, Get(b, d, 4), b.size() - 2); }},
      {"name RVA with high bits", [&](auto& b) { Put64(b, Get(b, d, 4), 0x100001000ull); }},
  };
  for (const auto& [what, damage] : damages) {
    auto image = fresh();
    damage(image);
    EXPECT_FALSE(ReadImports(image, dir)) << what;
  }
  // Descriptors that never end run into the image's end.
  std::vector<std::uint8_t> endless(0x1000, 0);
  for (std::size_t at = 0x800; at + 20 <= endless.size(); at += 20) {
    Put32(endless, at + 12, 0x10);
    Put32(endless, at + 16, 0x20);  // an empty address table
  }
  endless[0x10] = 'x';
  EXPECT_FALSE(ReadImports(endless, {0x800, 20}));
  EXPECT_TRUE(ReadImports(endless, {0, 0}).value().empty()) << "no import directory";
}

TEST(EditorExports, FoundByNameUnlessForwardedOrDamaged) {
  std::vector<std::uint8_t> image(0x2000, 0);
  auto table = BuildExports(0x1000, {{"Alpha", 0x1800}, {"Beta", 0x1008}, {"Gamma", 0x0500}});
  std::copy(table.begin(), table.end(), image.begin() + 0x1000);
  const ImageDirectory dir{0x1000, static_cast<std::uint32_t>(table.size())};
  EXPECT_EQ(FindExportRva(image, dir, "Alpha"), 0x1800u);
  EXPECT_EQ(FindExportRva(image, dir, "Gamma"), 0x0500u);
  EXPECT_FALSE(FindExportRva(image, dir, "Delta"));
  EXPECT_FALSE(FindExportRva(image, dir, "alpha")) << "names match exactly";
  EXPECT_FALSE(FindExportRva(image, dir, "Beta")) << "an address inside the directory is a forwarder";
  EXPECT_FALSE(FindExportRva(image, {0x1000, 20}, "Alpha")) << "directory too small";
  Put16(image, 0x1000 + 40 + 3 * 8, 7);  // Alpha's ordinal index past the function count
  EXPECT_FALSE(FindExportRva(image, dir, "Alpha"));
  Put32(image, 0x1000 + 24, 0x40000000);  // name count far past the image
  EXPECT_FALSE(FindExportRva(image, dir, "Nothing"));
}

TEST(EditorSectionProtection, ExecuteReadWriteAndCaching) {
  EXPECT_EQ(SectionProtection(kCode), 0x20u);              // execute-read
  EXPECT_EQ(SectionProtection(kData), 0x04u);              // read-write
  EXPECT_EQ(SectionProtection(kReadOnly), 0x02u);          // read-only
  EXPECT_EQ(SectionProtection(kScnMemWrite), 0x08u);      // write without read: write-copy
  EXPECT_EQ(SectionProtection(kScnMemExecute), 0x10u);
  EXPECT_EQ(SectionProtection(0), 0x01u);
  EXPECT_EQ(SectionProtection(kCode | kScnMemWrite), 0x40u);
  EXPECT_EQ(SectionProtection(kReadOnly | kScnMemNotCached), 0x202u);
}

}  // namespace
}  // namespace vantorel
