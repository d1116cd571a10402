// The resource-directory walk over the test libraries and the hostile
// directories of tests/data/README.md.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/image_view.h"
#include "resources/resource_directory.h"

namespace vantorel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadTestFile(const std::string& name) {
  std::ifstream in(std::string(VANTOREL_TESTDATA) + "/" + name, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Text(const ResourceId& id) {
  return id.IsString() ? std::string(id.text.begin(), id.text.end()) : std::to_string(id.id);
}

// "type/name/language" per item, plus the bytes when they are readable.
struct Listing {
  std::vector<std::string> items;
  std::vector<std::string> data;
};

Listing List(const Bytes& image) {
  Listing out;
  const ImageView view(image.data(), image.size());
  for (const ResourceItem& item : ListResources(view)) {
    out.items.push_back(Text(item.type) + "/" + Text(item.name) + "/" + std::to_string(item.language));
    const auto bytes = ResourceBytes(view, item);
    out.data.push_back(bytes ? std::string(bytes->begin(), bytes->end()) : "<none>");
  }
  return out;
}

using Strings = std::vector<std::string>;

TEST(ResourceDirectory, ListsTheResourceLibraryInDirectoryOrder) {
  const auto image = LayOutImage(ReadTestFile("resources.dll"));
  ASSERT_TRUE(image) << "test data missing";
  const Listing l = List(*image);
  const Strings expected{"JPEG/QUADRANTS/1033", "PNG/QUADRANTS/1033", "1/1/1033",  "2/101/1033",
                         "3/1/1033",            "3/2/1033",           "3/3/1033",  "4/MAINMENU/1033",
                         "5/ABOUTBOX/1033",     "5/BROKENDIALOG/1033", "6/1/1031", "6/1/1033",
                         "6/2/1033",            "9/MAINACCEL/1033",   "10/1/1033", "12/1/1033",
                         "14/1/1033",           "16/1/1033",          "23/TESTPAGE/1033", "24/1/1033",
                         "240/1/1033",          "300/1/1033"};
  EXPECT_EQ(l.items, expected);
  EXPECT_EQ(l.data[14], std::string("RCDATA\x01\x02\x03\x04\x05\x06", 12));
  const auto png = ReadTestFile("images/quadrants.png");
  EXPECT_EQ(l.data[1], std::string(png.begin(), png.end()));
}

TEST(ResourceDirectory, NoDirectoryNoItems) {
  const auto image = LayOutImage(ReadTestFile("named.dll"));
  ASSERT_TRUE(image);
  EXPECT_TRUE(List(*image).items.empty());
  EXPECT_TRUE(List(Bytes(100, 0xFF)).items.empty());
}

struct HostileCase {
  const char* file;
  Strings items;
  Strings data;
};

class HostileResources : public ::testing::TestWithParam<HostileCase> {};

// The malformed files are laid out so that file offsets are RVAs: their
// bytes are the image, and nothing past them may be read (ASan watches).
TEST_P(HostileResources, BadEntriesDropTheRestSurvives) {
  const HostileCase& c = GetParam();
  const Bytes file = ReadTestFile(std::string("malformed/") + c.file);
  ASSERT_EQ(file.size(), 0x3000u) << "test data missing";
  const Listing l = List(file);
  EXPECT_EQ(l.items, c.items);
  EXPECT_EQ(l.data, c.data);
}

const Strings kValidItems{"VTDATA/1/1033", "10/DATA/1033", "23/1/1033"};
const Strings kValidData{"VT-DATA1", "\x01\x02\x03\x04", "<p>ok</p>"};

INSTANTIATE_TEST_SUITE_P(
    Files, HostileResources,
    ::testing::Values(
        HostileCase{"resources_valid.dll", kValidItems, kValidData},
        HostileCase{"resources_loop_self.dll", kValidItems, kValidData},
        HostileCase{"resources_loop_deep.dll", {"VTDATA/1/1033", "23/1/1033"}, {"VT-DATA1", "<p>ok</p>"}},
        HostileCase{"resources_count_huge.dll", kValidItems, kValidData},
        HostileCase{"resources_offset_past_end.dll", kValidItems, kValidData},
        HostileCase{"resources_data_past_end.dll",
                    {"VTDATA/1/1031", "VTDATA/1/1033", "10/DATA/1031", "10/DATA/1033", "23/1/1033"},
                    {"<none>", "VT-DATA1", "<none>", "\x01\x02\x03\x04", "<p>ok</p>"}},
        HostileCase{"resources_name_huge_length.dll", {"23/1/1033"}, {"<p>ok</p>"}}),
    [](const auto& info) {
      std::string name = info.param.file;
      return name.substr(0, name.find('.'));
    });

TEST(ResourceDirectory, BestGroupMemberIsLargestThenDeepest) {
  // 32x32 4 bpp (id 2), 16x16 32 bpp (id 1), 256x256 (width 0) 8 bpp (id 3), 256x256 32 bpp (id 4).
  const Bytes icons{0,  0,  1, 0, 4, 0,                                     //
                    32, 32, 16, 0, 1, 0, 4,  0, 0, 0, 0, 0, 2, 0,           //
                    16, 16, 0,  0, 1, 0, 32, 0, 0, 0, 0, 0, 1, 0,           //
                    0,  0,  0,  0, 1, 0, 8,  0, 0, 0, 0, 0, 3, 0,           //
                    0,  0,  0,  0, 1, 0, 32, 0, 0, 0, 0, 0, 4, 0};
  EXPECT_EQ(BestGroupMember(icons, false), 4);
  EXPECT_EQ(BestGroupMember(icons, true), std::nullopt) << "an icon group is not a cursor group";
  // Cursor entries hold words, the height doubled; a count past the end is capped.
  const Bytes cursors{0, 0, 2, 0, 0xFF, 0xFF, 32, 0, 64, 0, 1, 0, 1, 0, 0, 0, 0, 0, 9, 0};
  EXPECT_EQ(BestGroupMember(cursors, true), 9);
}

}  // namespace
}  // namespace vantorel
