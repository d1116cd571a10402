#include "analysis/file_facts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace vantorel {
namespace {

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

TEST(FormatFileSize, FollowsTheTable) {
  const std::pair<std::int64_t, const char*> table[] = {
      {0, "0 Byte"},
      {1023, "1023 Byte"},
      {1024, "1.00 KB"},
      {1536, "1.50 KB"},
      {1048575, "1024.00 KB"},
      {1048576, "1.00 MB"},
      {5368709120, "5.00 GB"},
      {-1, "-1 Byte"},
      {1099511627776, "1.00 TB"},
      {std::numeric_limits<std::int64_t>::max(), "8.00 EB"},
  };
  for (const auto& [size, text] : table) EXPECT_EQ(Narrow(FormatFileSize(size, 2)), text) << size;
  EXPECT_EQ(Narrow(FormatFileSize(1536, 0)), "2 KB");
  EXPECT_EQ(Narrow(FormatFileSize(1, 3)), "1 Byte");
}

// Both engines must give the FIPS 180 results; the extension engine only
// where the CPU has it.
std::vector<Sha1::Engine> Engines() {
  std::vector<Sha1::Engine> engines{Sha1::Engine::Portable};
  if (Sha1::ShaExtensionsAvailable()) engines.push_back(Sha1::Engine::ShaExtensions);
  return engines;
}

std::string HashOf(Sha1::Engine engine, std::string_view text) {
  Sha1 sha(engine);
  sha.Update({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
  return Narrow(DigestToHex(sha.Final()));
}

class Sha1Engines : public ::testing::TestWithParam<Sha1::Engine> {};

TEST_P(Sha1Engines, Fips180Vectors) {
  const Sha1::Engine engine = GetParam();
  EXPECT_EQ(Sha1(engine).engine(), engine);
  EXPECT_EQ(HashOf(engine, ""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(HashOf(engine, "abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(HashOf(engine, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
  Sha1 million(engine);
  const std::string thousand(1000, 'a');
  for (int i = 0; i < 1000; ++i)
    million.Update({reinterpret_cast<const std::uint8_t*>(thousand.data()), 1000});
  EXPECT_EQ(Narrow(DigestToHex(million.Final())), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST_P(Sha1Engines, AnySplitOfTheInputGivesTheSameDigest) {
  std::vector<std::uint8_t> data(1000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
  // Lengths around the 55/56/64-byte padding edges and across block ends,
  // fed in pieces that straddle the 64-byte blocks in every way.
  for (std::size_t length : {0, 1, 55, 56, 63, 64, 65, 119, 120, 128, 1000}) {
    Sha1 one(GetParam()), pieces(GetParam());
    one.Update({data.data(), length});
    const Sha1Digest reference = one.Final();
    for (std::size_t step : {1, 3, 63, 64, 65, 127}) {
      for (std::size_t at = 0; at < length; at += step)
        pieces.Update({data.data() + at, std::min(step, length - at)});
      EXPECT_EQ(pieces.Final(), reference) << "length " << length << " step " << step;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(All, Sha1Engines, ::testing::ValuesIn(Engines()), [](const auto& info) {
  return info.param == Sha1::Engine::Portable ? std::string("Portable") : std::string("ShaExtensions");
});

TEST(FingerprintStream, ReadsInFixedChunksUntilAShortRead) {
  const std::size_t total = 2 * kFingerprintChunkSize + 5;
  std::size_t delivered = 0;
  std::vector<std::size_t> asked;
  const auto digest = FingerprintStream([&](std::uint8_t* buffer, std::size_t capacity) -> std::int64_t {
    asked.push_back(capacity);
    const std::size_t n = std::min(capacity, total - delivered);
    std::fill(buffer, buffer + n, 'a');
    delivered += n;
    return static_cast<std::int64_t>(n);
  });
  EXPECT_EQ(asked, (std::vector<std::size_t>(3, kFingerprintChunkSize)));
  Sha1 sha;
  const std::vector<std::uint8_t> as(total, 'a');
  sha.Update(as);
  EXPECT_EQ(digest, DigestToHex(sha.Final()));

  EXPECT_EQ(Narrow(FingerprintStream([](std::uint8_t*, std::size_t) -> std::int64_t { return 0; })),
            "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  int calls = 0;
  EXPECT_EQ(FingerprintStream([&](std::uint8_t*, std::size_t capacity) -> std::int64_t {
              return ++calls == 1 ? static_cast<std::int64_t>(capacity) : -1;
            }),
            u"")
      << "a failed read gives no fingerprint";
}

TEST(FileFingerprintNative, HashesFilesAndRejectsTheUnreadable) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("vantorel-fp-" + std::to_string(std::random_device()()));
  std::filesystem::create_directories(dir);
  const auto abc = dir / "abc.bin";
  { std::ofstream(abc, std::ios::binary) << "abc"; }
  const auto empty = dir / "empty.bin";
  { std::ofstream(empty, std::ios::binary); }
  EXPECT_EQ(Narrow(FileFingerprintNative(abc.c_str())), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(Narrow(FileFingerprintNative(empty.c_str())), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(FileFingerprintNative((dir / "missing").c_str()), u"");
  EXPECT_EQ(FileFingerprintNative(dir.c_str()), u"");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vantorel
