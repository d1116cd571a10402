// A file read as its image, as the command line reads libraries: whatever
// the block size, it lists and reads what the laid-out image holds with the
// file's no-access sections marked, and it reads little of the file.
#include "analysis/file_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "analysis/exports.h"
#include "analysis/version_resource.h"
#include "pe_builder.h"

namespace vantorel {
namespace {

using testing::Bytes;
using testing::ExportLayout;
using testing::ExportSpec;
using testing::FileLikeSource;
using testing::kExportRva;
using testing::PeFile;

constexpr std::size_t kCap = std::size_t{16} << 20;

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::optional<std::string> Text(std::optional<std::string_view> text) {
  return text ? std::optional<std::string>(*text) : std::nullopt;
}

void ExpectSameAsLaidOut(const Bytes& file, const std::string& what) {
  const auto headers = ReadPeHeaders(ByteReader(file.data(), file.size()));
  auto image = LayOutImage(file, kCap);
  if (!image) return;  // the command line refuses such a file before it reads the image
  ImageView view(*image);
  MarkNoAccessSections(view, *headers);
  const ExportListing expected = WalkExports(view);
  const FileVersionStrings versions = ReadFileVersionStrings(file);

  const FileLikeSource source(file);
  for (std::size_t block : {std::size_t{13}, SourceReader::kDefaultBlockSize}) {
    const SourceReader reader(source, block);
    const FileImage fileImage(reader, *headers, kCap);
    ASSERT_EQ(fileImage.size(), view.size()) << what;
    const ExportListing listed = WalkExports(fileImage);
    EXPECT_EQ(listed.fault, expected.fault) << what;
    ASSERT_EQ(listed.entries.size(), expected.entries.size()) << what;
    for (std::size_t i = 0; i < listed.entries.size(); ++i) {
      EXPECT_EQ(listed.entries[i].name, expected.entries[i].name) << what << " slot " << i;
      EXPECT_EQ(listed.entries[i].rva, expected.entries[i].rva) << what << " slot " << i;
      EXPECT_EQ(listed.entries[i].forwarder, expected.entries[i].forwarder) << what << " slot " << i;
    }
    // Reads at the seams of every extent and across the image.
    std::vector<std::uint64_t> offsets;
    for (const ImageExtent& e : PlanImage(*headers, file.size(), view.size()))
      for (std::uint64_t at : {e.rva, e.rva + e.length}) offsets.insert(offsets.end(), {at - 3, at - 1, at, at + 1});
    for (std::uint64_t at = 0; at < view.size(); at += std::max<std::uint64_t>(view.size() / 512, 1)) offsets.push_back(at);
    for (std::uint64_t at : offsets) {
      EXPECT_EQ(fileImage.read32(at), view.read32(at)) << what << " at " << at;
      EXPECT_EQ(Text(fileImage.readCString(at, 40)), Text(view.readCString(at, 40))) << what << " at " << at;
    }
    EXPECT_EQ(ReadFileVersionStrings(reader, *headers).values, versions.values) << what;
    EXPECT_FALSE(reader.failed()) << what;
  }
}

// Files whose sections overlap, leave gaps, run off the file or cover the
// headers, with export names placed where those seams lie.
TEST(FileImage, ListsAndReadsWhatTheLaidOutImageHolds) {
  ExportSpec spec;
  spec.functions = {0x1010, 0x1020, 0x1030, 0x1040};
  spec.names = {{"Alpha", 0}, {"Beta", 1}, {"Gamma", 2}, {"Delta", 3}};
  ExportLayout l;
  const PeFile plain = testing::MakeExportDll(spec, &l);
  auto build = [&](const std::function<void(testing::PeBuilder&)>& change) {
    testing::PeBuilder p;
    p.sections.push_back({".text", testing::kTextRva, 0x1800, Bytes(0x300, 0xCC)});
    const Bytes edata = testing::BuildExportSection(spec, kExportRva);
    p.directories[0] = {kExportRva, static_cast<std::uint32_t>(edata.size())};
    p.sections.push_back({".edata", kExportRva, 0, edata});
    change(p);
    return p.Build();
  };
  const std::vector<std::pair<std::string, Bytes>> cases = {
      {"plain", plain.bytes},
      {"a later section over the names",
       build([&](testing::PeBuilder& p) { p.sections.push_back({".over", l.strings + 2, 0, Bytes(0x10, 'Z')}); }).bytes},
      {"a name in zero fill",
       [&] {
         PeFile f = plain;
         f.PokeRva32(l.names, 0x1600);
         return f.bytes;
       }()},
      {"a name running into the next section",
       [&] {
         PeFile f = build([](testing::PeBuilder& p) {
           p.sections.push_back({".a", 0x5000, 0x200, Bytes(0x200, 'A')});
           p.sections.push_back({".b", 0x5200, 0, Bytes{'B', 'C', 0}});
         });
         f.PokeRva32(l.names + 4, 0x51F0);
         return f.bytes;
       }()},
      {"raw data cut by the end of the file", Bytes(plain.bytes.begin(), plain.bytes.end() - 0x1E8)},
      {"a section over the headers", build([](testing::PeBuilder& p) { p.sections.push_back({".hdr", 0, 0x200, Bytes(0x200, 0)}); }).bytes},
      {"SizeOfImage inside the headers", build([](testing::PeBuilder& p) { p.sizeOfImage = 0x300; }).bytes},
      {"names in a no-access section",
       build([](testing::PeBuilder& p) { p.sections[1].characteristics = 0x40; }).bytes},
  };
  for (const auto& [what, bytes] : cases) ExpectSameAsLaidOut(bytes, what);

  const std::filesystem::path data = VANTOREL_TESTDATA;
  for (const std::string name : {"named.dll", "forwarders.dll", "version_full.dll", "many_exports.dll", "x86/aliases.dll"})
    ExpectSameAsLaidOut(ReadFile(data / name), name);
  for (const auto& entry : std::filesystem::directory_iterator(data / "malformed"))
    ExpectSameAsLaidOut(ReadFile(entry.path()), entry.path().filename().string());
  const std::filesystem::path wine = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";
  for (const std::string name : {"kernel32.dll", "comctl32.dll", "version.dll"})
    ExpectSameAsLaidOut(ReadFile(wine / name), name);
}

// The export walk and the version resource of a 6 MB library read one block
// of headers and the blocks of two sections.
TEST(FileImage, ReadsOnlyWhereTheWalkLooks) {
  const Bytes file = ReadFile("/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/comctl32.dll");
  ASSERT_GT(file.size(), std::size_t{4} << 20);
  const FileLikeSource source(file);
  const SourceReader reader(source);
  const auto headers = ReadPeHeaders(*reader.sub(0, 4096));
  ASSERT_TRUE(headers);
  EXPECT_GT(WalkExports(FileImage(reader, *headers)).entries.size(), 100u);
  EXPECT_FALSE(ReadFileVersionStrings(reader, *headers).values[0].empty());
  EXPECT_LT(source.read, file.size() / 8);
}

}  // namespace
}  // namespace vantorel
