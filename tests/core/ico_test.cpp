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

// A 32-bit image of side x side: pixel (x, y) is 0xFF000000 | y << 8 | x,
// the mask marks the top-left pixel transparent. Both stored bottom row first.
Bytes Image32(int side, bool withMask) {
  Bytes b(40, 0);
  auto put = [&b](std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put(0, 40, 4);
  put(4, static_cast<std::uint32_t>(side), 4);
  put(8, static_cast<std::uint32_t>(2 * side), 4);
  put(12, 1, 2);
  put(14, 32, 2);
  for (int y = side - 1; y >= 0; --y) {
    for (int x = 0; x < side; ++x) {
      b.resize(b.size() + 4);
      put(b.size() - 4, 0xFF000000u | static_cast<std::uint32_t>(y) << 8 | static_cast<std::uint32_t>(x), 4);
    }
  }
  if (withMask) {
    const std::size_t stride = (static_cast<std::size_t>(side) + 31) / 32 * 4;
    const std::size_t at = b.size();
    b.resize(at + stride * static_cast<std::size_t>(side), 0);
    b[at + stride * static_cast<std::size_t>(side - 1)] = 0x80;  // the top row is stored last
  }
  return b;
}

TEST(IcoImage, DecodesOnly32BitImagesOfTheAskedSide) {
  for (const bool mask : {true, false}) {
    const auto pixels = DecodeIconImage32(Image32(20, mask), 20);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->argb[0], 0xFF000000u);
    EXPECT_EQ(pixels->argb[3 * 20 + 5], 0xFF000305u) << "top row first";
    EXPECT_EQ(pixels->transparent[0], mask ? 1 : 0) << "no mask: every pixel opaque";
    EXPECT_EQ(pixels->transparent[1], 0);
  }
  struct Case {
    const char* what;
    std::size_t at;
    std::uint8_t value;
  };
  for (const Case c : {Case{"another side", 4, 16}, Case{"not twice as high", 8, 20}, Case{"8 bits", 14, 8},
                       Case{"compressed", 16, 3}, Case{"another header", 0, 12}}) {
    Bytes image = Image32(20, true);
    image[c.at] = c.value;
    EXPECT_FALSE(DecodeIconImage32(image, 20)) << c.what;
  }
  Bytes truncated = Image32(20, false);
  truncated.pop_back();
  EXPECT_FALSE(DecodeIconImage32(truncated, 20));
  EXPECT_FALSE(DecodeIconImage32({}, 20));
}

}  // namespace
}  // namespace vantorel
