#include "analysis/pe_check.h"

#include <algorithm>
#include <array>

namespace vantorel {

std::size_t MemoryByteSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (offset >= bytes_.size()) return 0;
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), bytes_.size() - offset));
  std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), n, out.begin());
  return n;
}

namespace {

// Bytes past the end of the file read as zero: a PE signature in the last
// bytes leaves Characteristics and Magic partly or wholly outside the file.
template <std::size_t N>
std::uint32_t ReadLittleEndian(const ByteSource& file, std::uint64_t offset) {
  std::array<std::uint8_t, N> buf{};
  file.ReadAt(offset, buf);
  std::uint32_t value = 0;
  for (std::size_t i = N; i-- > 0;) value = (value << 8) | buf[i];
  return value;
}

}  // namespace

int ClassifyPeImage(const ByteSource& file, std::string_view* reason) {
  auto invalid = [reason](std::string_view why) {
    if (reason) *reason = why;
    return kPeInvalid;
  };
  const std::uint64_t length = file.Size();
  if (length < 0x200) return invalid("shorter than 512 bytes");
  if (ReadLittleEndian<2>(file, 0) != 0x5A4D) return invalid("no MZ signature");
  const auto lfanew = static_cast<std::int32_t>(ReadLittleEndian<4>(file, 0x3C));
  if (lfanew < 0 || static_cast<std::uint64_t>(lfanew) > length - 4)
    return invalid("the PE header offset points outside the file");
  const auto pe = static_cast<std::uint64_t>(lfanew);
  if (ReadLittleEndian<4>(file, pe) != 0x00004550) return invalid("no PE signature");
  if ((ReadLittleEndian<2>(file, pe + 0x16) & 0x0002) == 0) return invalid("not marked as an executable image");
  switch (ReadLittleEndian<2>(file, pe + 0x18)) {
    case 0x010B: return kPe32;
    case 0x020B: return kPe32Plus;
    default: return invalid("unknown optional-header magic");
  }
}

}  // namespace vantorel

namespace vantorel {

int AcceptedPeKind(Edition edition) { return TraitsOf(edition).opensPe32Plus ? kPe32Plus : kPe32; }

std::u16string PeCheckMessage(int result, Edition edition) {
  switch (result) {
    case kPeUnreadable: return u"File is locked\ncan't load.";
    case kPeInvalid: return u"Isn't a valid PE-File\ncan't load.";
    case kPe32:
    case kPe32Plus:
      if (result == AcceptedPeKind(edition)) return {};
      return std::u16string(TraitsOf(edition).wrongKind);
    default: return {};
  }
}

}  // namespace vantorel
