#include "analysis/pe_check.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

namespace vantorel {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A header that passes every test, with the PE header at lfanew.
Bytes Header(std::size_t length, std::uint32_t lfanew = 0x80, std::uint16_t magic = 0x20B,
             std::uint16_t characteristics = 0x2022) {
  Bytes b(length, 0);
  Put16(b, 0, 0x5A4D);
  Put32(b, 0x3C, lfanew);
  Put32(b, lfanew, 0x4550);
  Put16(b, lfanew + 0x16, characteristics);
  Put16(b, lfanew + 0x18, magic);
  return b;
}

int Classify(const Bytes& b) { return ClassifyPeImage(b); }
// Which test failed, and so where the check stopped reading.
std::string_view Reason(const Bytes& b) {
  std::string_view reason;
  ClassifyPeImage(b, &reason);
  return reason;
}

TEST(ClassifyPeImage, MagicDecidesTheKind) {
  EXPECT_EQ(Classify(Header(512)), kPe32Plus);
  EXPECT_EQ(Classify(Header(512, 0x80, 0x10B)), kPe32);
  EXPECT_EQ(Classify(Header(512, 0x80, 0x107)), kPeInvalid) << "ROM image";
  EXPECT_EQ(Classify(Header(512, 0x80, 0)), kPeInvalid);
}

TEST(ClassifyPeImage, LengthBoundaryIs512) {
  Bytes b = Header(512);
  EXPECT_EQ(Classify(b), kPe32Plus);
  b.pop_back();
  EXPECT_EQ(Classify(b), kPeInvalid);
  EXPECT_EQ(Classify({}), kPeInvalid);
}

TEST(ClassifyPeImage, SignaturesAreRequired) {
  Bytes noMz = Header(1024);
  noMz[1] = 'X';
  EXPECT_EQ(Classify(noMz), kPeInvalid);
  Bytes noPe = Header(1024);
  noPe[0x81] = 'X';
  EXPECT_EQ(Classify(noPe), kPeInvalid);
  Bytes peWithoutZeros = Header(1024);
  peWithoutZeros[0x82] = 1;  // "PE\1\0" is not the signature
  EXPECT_EQ(Classify(peWithoutZeros), kPeInvalid);
}

TEST(ClassifyPeImage, ExecutableBitIsRequired) {
  EXPECT_EQ(Classify(Header(512, 0x80, 0x20B, 0x2020)), kPeInvalid) << "an object file, not an image";
  EXPECT_EQ(Classify(Header(512, 0x80, 0x20B, 0x0002)), kPe32Plus) << "the DLL bit is not needed";
}

TEST(ClassifyPeImage, LfanewBounds) {
  // lfanew = length - 4 passes the bound (greater-than): the signature there
  // is read, and the fields after it lie past the end and read as zero, so
  // the executable-bit test fails.
  const std::size_t len = 600;
  Bytes atEnd(len, 0);
  Put16(atEnd, 0, 0x5A4D);
  Put32(atEnd, 0x3C, len - 4);
  Put32(atEnd, len - 4, 0x4550);
  EXPECT_EQ(Classify(atEnd), kPeInvalid);
  EXPECT_EQ(Reason(atEnd), "not marked as an executable image");

  // length - 3 fails the bound: nothing after e_lfanew is read.
  Put32(atEnd, 0x3C, len - 3);
  EXPECT_EQ(Classify(atEnd), kPeInvalid);
  EXPECT_EQ(Reason(atEnd), "the PE header offset points outside the file");

  // A set top bit is a negative offset, not a large one.
  Bytes negative = Header(1024);
  Put32(negative, 0x3C, 0x80000080);
  EXPECT_EQ(Classify(negative), kPeInvalid);
  EXPECT_EQ(Reason(negative), "the PE header offset points outside the file");
}

// Partly present fields: Characteristics complete, Magic cut off at the end.
TEST(ClassifyPeImage, MissingBytesReadAsZero) {
  const std::size_t len = 0x200;
  const std::uint32_t lfanew = len - 0x18;  // Magic would start at the end
  Bytes b(len, 0);
  Put16(b, 0, 0x5A4D);
  Put32(b, 0x3C, lfanew);
  Put32(b, lfanew, 0x4550);
  Put16(b, lfanew + 0x16, 0x0002);
  EXPECT_EQ(Classify(b), kPeInvalid) << "magic beyond the end reads as 0";
  // One byte of magic present (0x0B), the high byte missing: 0x000B is no magic.
  Bytes c(len + 1, 0);
  std::copy(b.begin(), b.end(), c.begin());
  c[len] = 0x0B;
  EXPECT_EQ(Classify(c), kPeInvalid);
}

TEST(PeCheckMessage, TextsOfTheThreeFailures) {
  EXPECT_EQ(PeCheckMessage(kPeUnreadable), u"File is locked\ncan't load.");
  EXPECT_EQ(PeCheckMessage(kPeInvalid), u"Isn't a valid PE-File\ncan't load.");
  EXPECT_EQ(PeCheckMessage(kPe32), u"Isn't a valid 64Bit-File\nuse Vantorel_x86.exe");
  EXPECT_EQ(PeCheckMessage(kPe32Plus), u"");
}

// The x86 edition mirrors the 64-bit one: it opens PE32 and sends PE32+ to
// the other edition; the other two messages are shared.
TEST(PeCheckMessage, EachEditionSendsTheOtherKindToTheOtherEdition) {
  EXPECT_EQ(AcceptedPeKind(Edition::X64), kPe32Plus);
  EXPECT_EQ(AcceptedPeKind(Edition::X86), kPe32);
  EXPECT_EQ(PeCheckMessage(kPe32Plus, Edition::X86), u"Isn't a valid 32Bit-File\nuse Vantorel.exe");
  EXPECT_EQ(PeCheckMessage(kPe32, Edition::X86), u"");
  EXPECT_EQ(PeCheckMessage(kPe32, Edition::X64), u"Isn't a valid 64Bit-File\nuse Vantorel_x86.exe");
  for (int shared : {kPeUnreadable, kPeInvalid}) {
    EXPECT_EQ(PeCheckMessage(shared, Edition::X86), PeCheckMessage(shared, Edition::X64));
  }
}

// A file read at offsets, as the Windows check reads it.
int ClassifyFile(const std::filesystem::path& p) {
  const FileByteSource file(p);
  return ClassifyPeImage(ScanPeHeaders(SourceReader(file)), file.Size());
}

// Wine's own libraries, a corpus nobody here wrote: every one is PE32+.
TEST(ClassifyPeImage, WineCorpus) {
  const std::filesystem::path wine = "/usr/lib/x86_64-linux-gnu/wine";
  int pe64 = 0, elf = 0;
  for (const auto& e : std::filesystem::directory_iterator(wine / "x86_64-windows")) {
    EXPECT_EQ(ClassifyFile(e.path()), kPe32Plus) << e.path();
    ++pe64;
  }
  for (const auto& e : std::filesystem::directory_iterator(wine / "x86_64-unix")) {
    EXPECT_EQ(ClassifyFile(e.path()), kPeInvalid) << e.path();
    ++elf;
  }
  EXPECT_GT(pe64, 500);
  EXPECT_GT(elf, 10);
  EXPECT_EQ(ClassifyFile(wine / "i386-windows" / "zlib1.dll"), kPe32);
}

}  // namespace
}  // namespace vantorel
