#include "analysis/exports.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "analysis/image_view.h"
#include "pe_builder.h"

namespace vantorel {
namespace {

using testing::Bytes;
using testing::ExportLayout;
using testing::ExportSpec;
using testing::MakeExportDll;
using testing::PeFile;

std::vector<ExportEntry> WalkFile(const Bytes& file) {
  auto image = LayOutImage(file);
  if (!image) return {};
  return ListExports(ImageView(*image));
}

std::vector<std::string> Names(const std::vector<ExportEntry>& exports) {
  std::vector<std::string> names;
  for (const auto& e : exports) names.push_back(e.name);
  return names;
}

using Strings = std::vector<std::string>;

TEST(ListExports, OneEntryPerSlotInSlotOrderWithOrdinalsFromBase) {
  ExportSpec spec;
  spec.base = 5;
  spec.functions = {0x1010, 0x1020, 0x1030};
  // The name table is sorted by name, which is not slot order.
  spec.names = {{"Alpha", 2}, {"Beta", 0}, {"Gamma", 1}};
  const auto exports = WalkFile(MakeExportDll(spec).bytes);
  ASSERT_EQ(exports.size(), 3u);
  EXPECT_EQ(Names(exports), (Strings{"Beta", "Gamma", "Alpha"}));
  EXPECT_EQ(exports[0].ordinal, 5u);
  EXPECT_EQ(exports[2].ordinal, 7u);
  EXPECT_EQ(exports[1].rva, 0x1020u);
}

TEST(ListExports, OrdinalOnlyAndEmptySlots) {
  ExportSpec ordinalOnly;
  ordinalOnly.functions = {0x1010, 0x1020};
  EXPECT_EQ(Names(WalkFile(MakeExportDll(ordinalOnly).bytes)), (Strings{"", ""}));

  // A name pointing at an empty slot is not shown: the slot has no function.
  ExportSpec gaps;
  gaps.functions = {0x1010, 0, 0x1030, 0};
  gaps.names = {{"First", 0}, {"Ghost", 1}, {"Third", 2}};
  const auto exports = WalkFile(MakeExportDll(gaps).bytes);
  EXPECT_EQ(Names(exports), (Strings{"First", "", "Third", ""}));
  EXPECT_EQ(exports[1].rva, 0u);
}

TEST(ListExports, LastNameTableEntryForASlotWins) {
  ExportSpec spec;
  spec.functions = {0x1010, 0x1020};
  spec.names = {{"Zeta", 1}, {"Early", 0}, {"Aaa", 1}, {"Late", 0}};
  EXPECT_EQ(Names(WalkFile(MakeExportDll(spec).bytes)), (Strings{"Late", "Aaa"}));
}

TEST(ListExports, MatchesLastWinsOverRandomTables) {
  std::mt19937 random(12345);
  for (int round = 0; round < 50; ++round) {
    ExportSpec spec;
    const int slots = 1 + static_cast<int>(random() % 40);
    for (int i = 0; i < slots; ++i) spec.functions.push_back(random() % 4 ? 0x1000 + 16 * i : 0);
    std::map<int, std::string> expected;
    const int names = static_cast<int>(random() % 60);
    for (int j = 0; j < names; ++j) {
      // Some ordinals point past the last slot; they name nothing.
      const int slot = static_cast<int>(random() % (slots + 3));
      std::string name = "f" + std::to_string(j);
      spec.names.emplace_back(name, static_cast<std::uint16_t>(slot));
      if (slot < slots && spec.functions[slot] != 0) expected[slot] = name;
    }
    const auto exports = WalkFile(MakeExportDll(spec).bytes);
    ASSERT_EQ(exports.size(), static_cast<std::size_t>(slots));
    for (int i = 0; i < slots; ++i) {
      auto it = expected.find(i);
      EXPECT_EQ(exports[i].name, it == expected.end() ? "" : it->second)
          << "round " << round << " slot " << i;
    }
  }
}

TEST(ListExports, NothingListedWithoutAUsableDirectory) {
  ExportSpec spec;
  spec.functions = {0x1010};
  spec.names = {{"Only", 0}};

  ExportSpec none;
  EXPECT_TRUE(WalkFile(MakeExportDll(none).bytes).empty()) << "NumberOfFunctions 0";

  PeFile noDirectory = MakeExportDll(spec);
  testing::Put32(noDirectory.bytes, noDirectory.optionalHeader + 112, 0);
  EXPECT_TRUE(WalkFile(noDirectory.bytes).empty());

  // The directory must start inside a section; here it sits in the headers
  // region of the image, which no section covers.
  PeFile inHeaders = MakeExportDll(spec);
  testing::Put32(inHeaders.bytes, inHeaders.optionalHeader + 112, 0x200);
  EXPECT_TRUE(WalkFile(inHeaders.bytes).empty());

  // Past the last section but still inside SizeOfImage.
  testing::PeBuilder b;
  b.sections.push_back({".text", 0x1000, 0, Bytes(0x200, 0)});
  b.sizeOfImage = 0x10000;
  b.directories[0] = {0x8000, 40};
  EXPECT_TRUE(WalkFile(b.Build().bytes).empty());

  PeFile noDirectories = MakeExportDll(spec);
  testing::Put32(noDirectories.bytes, noDirectories.optionalHeader + 108, 0);
  EXPECT_TRUE(WalkFile(noDirectories.bytes).empty()) << "NumberOfRvaAndSizes 0";
}

TEST(ListExports, WalksPe32ImagesToo) {
  ExportSpec spec;
  spec.functions = {0x1010, 0x1020};
  spec.names = {{"A", 1}};
  EXPECT_EQ(Names(WalkFile(MakeExportDll(spec, nullptr, false).bytes)), (Strings{"", "A"}));
}

TEST(ListExports, HostileCountsAreCappedByTheImage) {
  ExportSpec spec;
  spec.functions = {0x1010, 0x1020};
  spec.names = {{"A", 0}, {"B", 1}};
  ExportLayout layout;
  PeFile file = MakeExportDll(spec, &layout);
  const Bytes image = *LayOutImage(file.bytes);

  PeFile huge = file;
  huge.PokeRva32(layout.directory + 20, 0xFFFFFFFF);
  auto exports = WalkFile(huge.bytes);
  // Every slot that fits before the image's end, never more than ordinals reach.
  EXPECT_EQ(exports.size(), std::min<std::size_t>((image.size() - layout.functions) / 4, kMaxExportSlots));
  EXPECT_EQ(exports[0].name, "A");
  EXPECT_EQ(exports[1].name, "B");

  // The name count runs the tables on through whatever follows them; what
  // that names is garbage, but it is read only inside the image.
  PeFile manyNames = file;
  manyNames.PokeRva32(layout.directory + 24, 0xFFFFFFFF);
  EXPECT_EQ(WalkFile(manyNames.bytes).size(), 2u);

  PeFile tableOutside = file;
  tableOutside.PokeRva32(layout.directory + 28, 0x7FFFFFF0);
  EXPECT_TRUE(WalkFile(tableOutside.bytes).empty());

  // The address table runs into the end of the image: only whole slots count.
  PeFile tableAtEnd = file;
  tableAtEnd.PokeRva32(layout.directory + 28, static_cast<std::uint32_t>(image.size() - 6));
  EXPECT_EQ(WalkFile(tableAtEnd.bytes).size(), 1u);

  PeFile namesOutside = file;
  namesOutside.PokeRva32(layout.directory + 32, 0xFFFFFFFC);
  EXPECT_EQ(Names(WalkFile(namesOutside.bytes)), (Strings{"", ""}));

  PeFile ordinalsOutside = file;
  ordinalsOutside.PokeRva32(layout.directory + 36, 0xFFFFFFFE);
  EXPECT_EQ(Names(WalkFile(ordinalsOutside.bytes)), (Strings{"", ""}));
}

TEST(ListExports, UnreadableNamesAreDroppedAndEarlierOnesStand) {
  ExportSpec spec;
  spec.functions = {0x1010, 0x1020, 0x1030, 0x1040};
  spec.names = {{"Keep", 0}, {"Lost", 1}, {"Cut", 2}, {"Earlier", 3}, {"Broken", 3}};
  ExportLayout layout;
  PeFile file = MakeExportDll(spec, &layout);
  const std::uint32_t imageSize = static_cast<std::uint32_t>(LayOutImage(file.bytes)->size());

  file.PokeRva32(layout.names + 4, imageSize + 100);  // past the end
  file.PokeRva32(layout.names + 16, 0xFFFFFFFF);      // the later of two names for slot 3
  // The name of slot 2 is made to run to the very end of the image without a zero.
  file.PokeRva32(layout.names + 8, imageSize - 3);
  auto image = *LayOutImage(file.bytes);
  std::fill(image.end() - 3, image.end(), 'x');
  EXPECT_EQ(Names(ListExports(ImageView(image))), (Strings{"Keep", "", "", "Earlier"}));

  // With a zero at the very last byte the same name is readable.
  image.back() = 0;
  EXPECT_EQ(ListExports(ImageView(image))[2].name, "xx");
}

TEST(ListExports, OverlongNamesReadAsNoName) {
  ExportSpec spec;
  spec.functions = {0x1010, 0x1020};
  spec.names = {{std::string(kMaxExportNameLength, 'n'), 0}, {std::string(kMaxExportNameLength + 1, 'm'), 1}};
  const auto exports = WalkFile(MakeExportDll(spec).bytes);
  ASSERT_EQ(exports.size(), 2u);
  EXPECT_EQ(exports[0].name.size(), kMaxExportNameLength);
  EXPECT_EQ(exports[1].name, "");
}

TEST(ListExports, ManySlotsSharingOneLongNameStayBounded) {
  // Every slot names the same long string: the scan budget must end the
  // work long before 65,536 copies of it are made.
  ExportSpec spec;
  spec.functions.assign(kMaxExportSlots, 0x1010);
  for (std::size_t i = 0; i < kMaxExportSlots; ++i)
    spec.names.emplace_back("", static_cast<std::uint16_t>(i));
  ExportLayout layout;
  PeFile file = MakeExportDll(spec, &layout);
  auto image = *LayOutImage(file.bytes);
  const std::size_t longName = image.size();
  image.resize(image.size() + kMaxExportNameLength, 'q');
  image.back() = 0;
  for (std::size_t j = 0; j < kMaxExportSlots; ++j)
    testing::Put32(image, layout.names + 4 * j, static_cast<std::uint32_t>(longName));

  const auto exports = ListExports(ImageView(image));
  ASSERT_EQ(exports.size(), kMaxExportSlots);
  std::size_t named = 0, nameBytes = 0;
  for (const auto& e : exports) {
    named += !e.name.empty();
    nameBytes += e.name.size();
  }
  EXPECT_GT(named, 0u);
  EXPECT_LT(named, kMaxExportSlots);
  EXPECT_LE(nameBytes, kExportNameScanBudget);
}

TEST(ListExports, LoadedImageViewAndLaidOutFileAgree) {
  // A file whose raw offsets equal its RVAs is already "loaded": the view over
  // the raw bytes must give the same list as the laid-out copy.
  ExportSpec spec;
  spec.functions = {0x1010, 0, 0x1030};
  spec.names = {{"x", 2}, {"y", 0}};
  PeFile file = MakeExportDll(spec);
  const Bytes image = *LayOutImage(file.bytes);
  const auto fromImage = ListExports(ImageView(image.data(), image.size()));
  EXPECT_EQ(Names(fromImage), (Strings{"y", "", "x"}));
  // A view cut short of the tables lists nothing rather than reading beyond it.
  EXPECT_TRUE(ListExports(ImageView(image.data(), testing::kExportRva + 20)).empty());
  EXPECT_TRUE(ListExports(ImageView()).empty());
}

}  // namespace
}  // namespace vantorel
