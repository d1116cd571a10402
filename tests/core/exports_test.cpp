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
using Strings = std::vector<std::string>;

std::vector<ExportEntry> WalkFile(const Bytes& file) {
  auto image = LayOutImage(file);
  return image ? ListExports(ImageView(*image)) : std::vector<ExportEntry>{};
}

Strings Names(const std::vector<ExportEntry>& exports) {
  Strings names;
  for (const auto& e : exports) names.push_back(e.name);
  return names;
}

TEST(ListExports, SlotOrderOrdinalsEmptySlotsAndBothKinds) {
  ExportSpec spec;
  spec.base = 5;
  spec.functions = {0x1010, 0, 0x1030, 0x1040};
  // Sorted by name, which is not slot order; the name of the empty slot is not shown.
  spec.names = {{"Alpha", 3}, {"Beta", 0}, {"Ghost", 1}};
  for (bool is64 : {true, false}) {
    const auto exports = WalkFile(MakeExportDll(spec, nullptr, is64).bytes);
    EXPECT_EQ(Names(exports), (Strings{"Beta", "", "", "Alpha"}));
    ASSERT_EQ(exports.size(), 4u);
    EXPECT_EQ(exports[0].ordinal, 5u);
    EXPECT_EQ(exports[3].ordinal, 8u);
    EXPECT_EQ(exports[1].rva, 0u);
  }
  ExportSpec ordinalOnly;
  ordinalOnly.functions = {0x1010, 0x1020};
  EXPECT_EQ(Names(WalkFile(MakeExportDll(ordinalOnly).bytes)), (Strings{"", ""}));
}

TEST(ListExports, LastNameForASlotWins) {
  ExportSpec two;
  two.functions = {0x1010, 0x1020};
  two.names = {{"Zeta", 1}, {"Early", 0}, {"Aaa", 1}, {"Late", 0}};
  EXPECT_EQ(Names(WalkFile(MakeExportDll(two).bytes)), (Strings{"Late", "Aaa"}));

  std::mt19937 random(12345);
  for (int round = 0; round < 40; ++round) {
    ExportSpec spec;
    const int slots = 1 + static_cast<int>(random() % 40);
    for (int i = 0; i < slots; ++i) spec.functions.push_back(random() % 4 ? 0x1000 + 16 * i : 0);
    std::map<int, std::string> expected;
    for (int j = 0, names = static_cast<int>(random() % 60); j < names; ++j) {
      const int slot = static_cast<int>(random() % (slots + 3));  // some point past the last slot
      spec.names.emplace_back("f" + std::to_string(j), static_cast<std::uint16_t>(slot));
      if (slot < slots && spec.functions[slot] != 0) expected[slot] = spec.names.back().first;
    }
    const auto exports = WalkFile(MakeExportDll(spec).bytes);
    ASSERT_EQ(exports.size(), static_cast<std::size_t>(slots));
    for (int i = 0; i < slots; ++i) EXPECT_EQ(exports[i].name, expected.count(i) ? expected[i] : "") << round;
  }
}

TEST(ListExports, NothingListedWithoutAUsableDirectory) {
  ExportSpec spec;
  spec.functions = {0x1010};
  spec.names = {{"Only", 0}};
  auto withDirectoryAt = [&](std::size_t field, std::uint32_t value) {
    PeFile f = MakeExportDll(spec);
    testing::Put32(f.bytes, f.optionalHeader + field, value);
    return WalkFile(f.bytes);
  };
  EXPECT_TRUE(WalkFile(MakeExportDll(ExportSpec{}).bytes).empty()) << "NumberOfFunctions 0";
  EXPECT_TRUE(withDirectoryAt(112, 0).empty()) << "no directory";
  EXPECT_TRUE(withDirectoryAt(112, 0x200).empty()) << "in the headers, outside every section";
  EXPECT_TRUE(withDirectoryAt(112, 0x2900).empty()) << "in the gap after .text, inside the image";
  EXPECT_TRUE(withDirectoryAt(108, 0).empty()) << "NumberOfRvaAndSizes 0";
  EXPECT_EQ(withDirectoryAt(112, testing::kExportRva).size(), 1u);
}

TEST(ListExports, HostileCountsAndAddressesStayInsideTheImage) {
  ExportSpec spec;
  spec.functions = {0x1010, 0x1020, 0x1030, 0x1040};
  spec.names = {{"A", 0}, {"B", 1}, {"C", 2}, {"Earlier", 3}, {"Broken", 3}};
  ExportLayout l;
  const PeFile file = MakeExportDll(spec, &l);
  const std::size_t imageSize = LayOutImage(file.bytes)->size();
  auto poked = [&](std::vector<std::pair<std::uint32_t, std::uint32_t>> pokes) {
    PeFile f = file;
    for (auto [rva, value] : pokes) f.PokeRva32(rva, value);
    return f.bytes;
  };

  auto huge = WalkFile(poked({{l.directory + 20, 0xFFFFFFFF}}));
  EXPECT_EQ(huge.size(), std::min<std::size_t>((imageSize - l.functions) / 4, kMaxExportSlots));
  EXPECT_EQ(Names({huge.begin(), huge.begin() + 4}), (Strings{"A", "B", "C", "Broken"}));
  EXPECT_EQ(WalkFile(poked({{l.directory + 24, 0xFFFFFFFF}})).size(), 4u);
  EXPECT_TRUE(WalkFile(poked({{l.directory + 28, 0x7FFFFFF0}})).empty()) << "address table outside";
  EXPECT_EQ(WalkFile(poked({{l.directory + 28, static_cast<std::uint32_t>(imageSize - 6)}})).size(), 1u)
      << "only whole slots before the end";
  EXPECT_EQ(Names(WalkFile(poked({{l.directory + 32, 0xFFFFFFFC}}))), Strings(4, ""));
  EXPECT_EQ(Names(WalkFile(poked({{l.directory + 36, 0xFFFFFFFE}}))), Strings(4, ""));

  // Names past the end or unterminated are dropped; an earlier name of the slot stands.
  Bytes image = *LayOutImage(poked({{l.names + 4, static_cast<std::uint32_t>(imageSize + 100)},
                                    {l.names + 8, static_cast<std::uint32_t>(imageSize - 3)},
                                    {l.names + 16, 0xFFFFFFFF}}));
  std::fill(image.end() - 3, image.end(), 'x');
  EXPECT_EQ(Names(ListExports(ImageView(image))), (Strings{"A", "", "", "Earlier"}));
  image.back() = 0;
  EXPECT_EQ(ListExports(ImageView(image))[2].name, "xx") << "terminated by the image's last byte";
  EXPECT_TRUE(ListExports(ImageView(image.data(), testing::kExportRva + 20)).empty()) << "view cut short";
}

TEST(ListExports, LongNamesAreCappedAndTheScanBudgeted) {
  ExportSpec spec;
  spec.functions = {0x1010, 0x1020};
  spec.names = {{std::string(kMaxExportNameLength, 'n'), 0}, {std::string(kMaxExportNameLength + 1, 'm'), 1}};
  const auto exports = WalkFile(MakeExportDll(spec).bytes);
  EXPECT_EQ(exports[0].name.size(), kMaxExportNameLength);
  EXPECT_EQ(exports[1].name, "");

  // Every one of 65,536 slots names the same long string: the budget ends
  // the work long before 65,536 copies of it are made.
  ExportSpec many;
  many.functions.assign(kMaxExportSlots, 0x1010);
  for (std::size_t i = 0; i < kMaxExportSlots; ++i)
    many.names.emplace_back("", static_cast<std::uint16_t>(i));
  ExportLayout l;
  Bytes image = *LayOutImage(MakeExportDll(many, &l).bytes);
  const auto longName = static_cast<std::uint32_t>(image.size());
  image.resize(image.size() + kMaxExportNameLength, 'q');
  image.back() = 0;
  for (std::size_t j = 0; j < kMaxExportSlots; ++j) testing::Put32(image, l.names + 4 * j, longName);
  std::size_t named = 0;
  for (const auto& e : ListExports(ImageView(image))) named += !e.name.empty();
  EXPECT_GT(named, 0u);
  EXPECT_LE(named * kMaxExportNameLength, kExportNameScanBudget);
}

}  // namespace
}  // namespace vantorel

namespace vantorel {
namespace {

// A slot whose address lies inside the export directory forwards to the
// string there; one just past the directory is code; a forwarder string that
// runs off the image is reported, not read.
TEST(WalkExports, ForwardersAndFaults) {
  ExportSpec spec;
  spec.functions = {0x1010, 0, 0};
  spec.names = {{"NTDLL.RtlSleep", 2}, {"Own", 0}, {"Sleep", 1}};
  ExportLayout l;
  MakeExportDll(spec, &l);  // where the strings will sit
  spec.functions = {0x1010, l.strings, 0};
  const PeFile file = MakeExportDll(spec, &l);
  auto walk = [](Bytes bytes) { return WalkExports(ImageView(*LayOutImage(bytes))); };

  const ExportListing sound = walk(file.bytes);
  EXPECT_EQ(sound.fault, ExportFault::None);
  ASSERT_EQ(sound.entries.size(), 3u);
  EXPECT_EQ(sound.entries[0].forwarder, "");
  EXPECT_EQ(sound.entries[1].name, "Sleep");
  EXPECT_EQ(sound.entries[1].forwarder, "NTDLL.RtlSleep");
  EXPECT_EQ(sound.entries[2].forwarder, "") << "an empty slot forwards nowhere";

  PeFile shrunk = file;  // the directory ends before the string: plain code
  testing::Put32(shrunk.bytes, shrunk.optionalHeader + 116, l.strings - testing::kExportRva);
  EXPECT_EQ(walk(shrunk.bytes).entries[1].forwarder, "");

  // The directory claims the whole address space; the slot points at the
  // image's last bytes, which hold no terminator.
  PeFile open = file;
  testing::Put32(open.bytes, open.optionalHeader + 116, 0xFFFFFFFF);
  Bytes image = *LayOutImage(open.bytes);
  std::fill(image.end() - 4, image.end(), 'x');
  testing::Put32(image, l.functions + 4, static_cast<std::uint32_t>(image.size() - 4));
  const ExportListing damaged = WalkExports(ImageView(image));
  EXPECT_EQ(damaged.fault, ExportFault::ForwarderUnreadable);
  EXPECT_EQ(damaged.entries[1].forwarder, "");
  EXPECT_EQ(DescribeExportFault(damaged.fault), "a forwarder string cannot be read");
}

}  // namespace
}  // namespace vantorel
