// The header parser over arbitrary bytes, taken in memory and read as a file
// in small blocks (as the window's check and the command line read files):
// both readings agree, and the caps hold.
#include <cstddef>
#include <cstdint>

#include "file_like_source.h"
#include "platform/byte_source.h"
#include "platform/pe_image.h"

namespace {

bool Same(const vantorel::PeHeaderScan& a, const vantorel::PeHeaderScan& b) {
  const vantorel::PeHeaders &x = a.headers, &y = b.headers;
  if (a.fault != b.fault || x.ntOffset != y.ntOffset || x.characteristics != y.characteristics ||
      x.magic != y.magic || x.sizeOfImage != y.sizeOfImage || x.sections.size() != y.sections.size())
    return false;
  for (std::size_t i = 0; i < vantorel::kDirectoryCount; ++i)
    if (x.directories[i].rva != y.directories[i].rva || x.directories[i].size != y.directories[i].size) return false;
  for (std::size_t i = 0; i < x.sections.size(); ++i) {
    const vantorel::PeSection &s = x.sections[i], &t = y.sections[i];
    if (s.name != t.name || s.virtualSize != t.virtualSize || s.virtualAddress != t.virtualAddress ||
        s.sizeOfRawData != t.sizeOfRawData || s.pointerToRawData != t.pointerToRawData ||
        s.characteristics != t.characteristics)
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto inMemory = vantorel::ScanPeHeaders(vantorel::ByteReader(data, size));
  if (inMemory.headers.sections.size() > vantorel::kMaxSections) __builtin_trap();
  const FileLikeSource file(data, size);
  for (std::size_t block : {std::size_t{7}, std::size_t{64}, vantorel::SourceReader::kDefaultBlockSize}) {
    const vantorel::SourceReader reader(file, block);
    if (!Same(inMemory, vantorel::ScanPeHeaders(reader)) || reader.failed()) __builtin_trap();
  }
  return 0;
}
