#include "platform/ico.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <array>

namespace vantorel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Ico(std::initializer_list<std::array<std::uint32_t, 5>> entries) {
  // entry: width, height, bits, size, offset
  Bytes b = {0, 0, 1, 0, static_cast<std::uint8_t>(entries.size()), 0};
  for (const auto& e : entries) {
    Bytes row(16, 0);
    row[0] = static_cast<std::uint8_t>(e[0]);
    row[1] = static_cast<std::uint8_t>(e[1]);
    row[6] = static_cast<std::uint8_t>(e[2]);
    for (int i = 0; i < 4; ++i) row[8 + i] = static_cast<std::uint8_t>(e[3] >> (8 * i));
    for (int i = 0; i < 4; ++i) row[12 + i] = static_cast<std::uint8_t>(e[4] >> (8 * i));
    b.insert(b.end(), row.begin(), row.end());
  }
  b.resize(200, 0xAA);
  return b;
}

TEST(IcoDirectory, PicksTheDeepestImageOfTheSize) {
  const Bytes ico = Ico({{16, 16, 24, 10, 60}, {16, 16, 32, 10, 70}, {32, 32, 32, 10, 80}, {0, 0, 32, 10, 90}});
  const auto entries = ReadIcoDirectory(ico);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[3].width, 256);
  const auto pick = PickIcoEntry(entries, 16);
  ASSERT_TRUE(pick);
  EXPECT_EQ(pick->bitCount, 32);
  EXPECT_EQ(pick->offset, 70u);
  EXPECT_FALSE(PickIcoEntry(entries, 48));
}

TEST(IcoDirectory, DropsWhatLiesOutsideAndRejectsBadHeaders) {
  const Bytes ico = Ico({{16, 16, 32, 10, 195}, {16, 16, 32, 0, 60}, {16, 16, 8, 10, 0xFFFFFFF8u}, {16, 16, 4, 5, 60}});
  const auto entries = ReadIcoDirectory(ico);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].bitCount, 4);

  Bytes cursor = Ico({{16, 16, 32, 10, 60}});
  cursor[2] = 2;
  EXPECT_TRUE(ReadIcoDirectory(cursor).empty());
  Bytes truncated = Ico({{16, 16, 32, 10, 60}});
  truncated[4] = 100;  // more entries than bytes
  EXPECT_TRUE(ReadIcoDirectory(truncated).empty());
  EXPECT_TRUE(ReadIcoDirectory(Bytes{0, 0, 1}).empty());
}

// The program's own command icons: 16 x 16 in 32 and 24 bits, and one
// image of each size a higher DPI asks for (20, 24, 32), so none is stretched.
TEST(IcoDirectory, CommandIconsHoldAnImageForEveryDpi) {
  const std::filesystem::path icons = std::filesystem::path(VANTOREL_SOURCE_DIR) / "src/app/icons";
  for (const char* name : {"new_instance", "open_library", "open_project", "save", "about", "exit", "import_header",
                           "include_folders"}) {
    std::ifstream in(icons / (std::string(name) + ".ico"), std::ios::binary);
    const Bytes ico{std::istreambuf_iterator<char>(in), {}};
    std::vector<int> sides;
    for (const auto& e : ReadIcoDirectory(ico)) {
      EXPECT_EQ(e.width, e.height) << name;
      sides.push_back(e.width);
    }
    EXPECT_EQ(sides, (std::vector<int>{16, 16, 20, 24, 32})) << name;
    for (const int side : {16, 20, 24, 32}) EXPECT_EQ(PickIcoEntry(ReadIcoDirectory(ico), side)->bitCount, 32) << name;
  }
}

}  // namespace
}  // namespace vantorel
