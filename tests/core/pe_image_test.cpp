// The one header parser: how far it reads into damaged headers, and that it
// reads a file in blocks exactly as it reads the same bytes in memory, and
// no more of it than the headers need.
#include "platform/pe_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "pe_builder.h"
#include "platform/byte_source.h"

namespace vantorel {
namespace {

using testing::Bytes;
using testing::FileLikeSource;
using testing::PeBuilder;
using testing::Put16;
using testing::Put32;

constexpr std::size_t kNt = 0x80;
constexpr std::size_t kOptional = kNt + 24;

Bytes Sample() {
  PeBuilder p;
  p.sections.push_back({".text", 0x1000, 0x1800, Bytes(0x10, 1)});
  p.sections.push_back({".data", 0x3000, 0, Bytes(0x10, 2)});
  for (unsigned i = 0; i < kDirectoryCount; ++i) p.directories[i] = {0x1000 + i, 8 * i};
  return p.Build().bytes;
}

void ExpectSameScan(const PeHeaderScan& a, const PeHeaderScan& b, const std::string& what) {
  EXPECT_EQ(a.fault, b.fault) << what;
  EXPECT_EQ(a.headers.characteristics, b.headers.characteristics) << what;
  EXPECT_EQ(a.headers.magic, b.headers.magic) << what;
  EXPECT_EQ(a.headers.sizeOfImage, b.headers.sizeOfImage) << what;
  for (unsigned i = 0; i < kDirectoryCount; ++i) EXPECT_EQ(a.headers.directories[i].size, b.headers.directories[i].size) << what;
  ASSERT_EQ(a.headers.sections.size(), b.headers.sections.size()) << what;
  for (std::size_t i = 0; i < a.headers.sections.size(); ++i)
    EXPECT_EQ(a.headers.sections[i].virtualAddress, b.headers.sections[i].virtualAddress) << what;
}

// Each case: the damage, the fault, and what the fields before it read.
TEST(ScanPeHeaders, StopsAtTheFirstFaultAndReadsZerosPastTheEnd) {
  struct Case {
    std::string what;
    std::function<void(Bytes&)> damage;
    PeHeaderFault fault;
    std::uint16_t characteristics = 0x2022, magic = 0x20B;
    std::size_t sections = 2, directories = kDirectoryCount;
  };
  const Case cases[] = {
      {"sound", [](Bytes&) {}, PeHeaderFault::None},
      {"no MZ", [](Bytes& b) { b[1] = 'X'; }, PeHeaderFault::NoMzSignature, 0, 0, 0, 0},
      {"MZ header cut", [](Bytes& b) { b.resize(0x3E); }, PeHeaderFault::NtOffsetOutside, 0, 0, 0, 0},
      {"negative e_lfanew", [](Bytes& b) { Put32(b, 0x3C, 0x80000080); }, PeHeaderFault::NtOffsetOutside, 0, 0, 0, 0},
      {"e_lfanew 3 bytes before the end", [](Bytes& b) { Put32(b, 0x3C, static_cast<std::uint32_t>(b.size() - 3)); },
       PeHeaderFault::NtOffsetOutside, 0, 0, 0, 0},
      {"\"PE\\1\\0\"", [](Bytes& b) { b[kNt + 2] = 1; }, PeHeaderFault::NoPeSignature, 0, 0, 0, 0},
      {"ROM magic", [](Bytes& b) { Put16(b, kOptional, 0x107); }, PeHeaderFault::UnknownMagic, 0x2022, 0x107, 0, 0},
      // Cut inside Characteristics: its low byte is there, the high one reads as zero.
      {"cut in Characteristics", [](Bytes& b) { b.resize(kNt + 23); }, PeHeaderFault::Cut, 0x22, 0, 0, 0},
      {"cut in Magic", [](Bytes& b) { b.resize(kOptional + 1); }, PeHeaderFault::Cut, 0x2022, 0x0B, 0, 0},
      {"cut before NumberOfRvaAndSizes ends", [](Bytes& b) { b.resize(kOptional + 111); }, PeHeaderFault::Cut, 0x2022,
       0x20B, 0, 0},
      // The fixed fields whole, three directories and no section table.
      {"cut after three directories", [](Bytes& b) { b.resize(kOptional + 112 + 3 * 8 + 4); }, PeHeaderFault::None,
       0x2022, 0x20B, 0, 3},
      {"two directories declared", [](Bytes& b) { Put32(b, kOptional + 108, 2); }, PeHeaderFault::None, 0x2022, 0x20B,
       2, 2},
      {"65,535 sections claimed in a file of 8 KiB",
       [](Bytes& b) {
         Put16(b, kNt + 6, 0xFFFF);
         b.resize(0x2000);
       },
       PeHeaderFault::None, 0x2022, 0x20B, kMaxSections},
  };
  for (const Case& c : cases) {
    Bytes file = Sample();
    c.damage(file);
    const PeHeaderScan scan = ScanPeHeaders(ByteReader(file.data(), file.size()));
    EXPECT_EQ(scan.fault, c.fault) << c.what;
    EXPECT_EQ(scan.headers.characteristics, c.characteristics) << c.what;
    EXPECT_EQ(scan.headers.magic, c.magic) << c.what;
    EXPECT_EQ(scan.headers.sections.size(), c.sections) << c.what;
    std::size_t directories = 0;
    for (const DataDirectory& d : scan.headers.directories) directories += d.size != 0 || d.rva != 0;
    EXPECT_EQ(directories, c.directories) << c.what;
    EXPECT_EQ(ReadPeHeaders(ByteReader(file.data(), file.size())).has_value(), c.fault == PeHeaderFault::None);

    // Read from a file in blocks of any size, the scan is the same.
    const FileLikeSource source(file);
    for (std::size_t block : {std::size_t{7}, std::size_t{200}}) {
      const SourceReader reader(source, block);
      ExpectSameScan(ScanPeHeaders(reader), scan, c.what + ", blocks of " + std::to_string(block));
      EXPECT_FALSE(reader.failed());
    }
  }
}

// A file read through its reader: one block, however large the file.
TEST(ScanPeHeaders, ReadsOnlyTheBlockTheHeadersLieIn) {
  Bytes file = Sample();
  file.resize(std::size_t{4} << 20);
  const FileLikeSource source(file);
  EXPECT_EQ(ScanPeHeaders(SourceReader(source)).fault, PeHeaderFault::None);
  EXPECT_EQ(source.read, SourceReader::kDefaultBlockSize);
}

TEST(SourceReader, ReadsBlocksOnceAndTellsAShortFile) {
  Bytes bytes(100);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
  const FileLikeSource source(bytes);
  const SourceReader reader(source, 16);
  EXPECT_EQ(reader.spanUpTo(10, 50)->size(), 6u) << "cut where the block ends";
  EXPECT_EQ(reader.sub(14, 20)->read32(0), 0x11100F0Eu) << "across blocks";
  EXPECT_EQ(reader.upTo(90, 50).size(), 10u);
  EXPECT_FALSE(reader.sub(90, 11));
  EXPECT_FALSE(reader.spanUpTo(100, 1));
  const std::uint64_t read = source.read;
  reader.spanUpTo(0, 4);
  EXPECT_EQ(source.read, read) << "the first block is kept";
  EXPECT_FALSE(reader.failed());
  // Back and forth between blocks, as a walk goes between a table and its
  // strings: every byte is right and every block read once.
  const SourceReader jumps(source, 16);
  const std::uint64_t before = source.read;
  for (std::uint64_t offset : {70, 3, 70, 40, 3, 99, 40, 20, 70, 99, 3})
    EXPECT_EQ(jumps.spanUpTo(offset, 1)->front(), offset) << offset;
  EXPECT_EQ(source.read - before, 4u * 16 + 4) << "blocks 0, 1, 2, 4 and the last one's 4 bytes";

  // A file that shrank after its size was taken.
  class Shrunk final : public ByteSource {
   public:
    std::uint64_t Size() const override { return 64; }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override {
      return offset >= 40 ? 0 : std::min<std::size_t>(out.size(), 40 - offset);
    }
  } shrunk;
  const SourceReader cut(shrunk, 32);
  EXPECT_TRUE(cut.sub(0, 8));
  EXPECT_FALSE(cut.sub(36, 8));
  EXPECT_TRUE(cut.failed());
}

// Reads straight from the file: as much as it holds from any offset, never
// past its end; a file that cannot be opened reads as nothing.
TEST(FileByteSource, ReadsWhatTheFileHolds) {
  const std::filesystem::path path = std::filesystem::path(::testing::TempDir()) / "file_byte_source.bin";
  Bytes bytes(5000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 5000);
  const FileByteSource file(path);
  ASSERT_TRUE(file.IsOpen() && file.HasSize());
  EXPECT_EQ(file.Size(), 5000u);
  Bytes out(300);
  EXPECT_EQ(file.ReadAt(4000, out), 300u);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin() + 4000));
  EXPECT_EQ(file.ReadAt(4900, out), 100u) << "cut at the end";
  EXPECT_EQ(out[99], bytes[4999]);
  EXPECT_EQ(file.ReadAt(5000, out), 0u);
  std::filesystem::remove(path);
  const FileByteSource missing(path);
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_EQ(missing.ReadAt(0, out), 0u);
}

}  // namespace
}  // namespace vantorel
