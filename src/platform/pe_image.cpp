#include "platform/pe_image.h"

#include <algorithm>
#include <cstring>

namespace vantorel {

namespace {

constexpr std::uint16_t kMzSignature = 0x5A4D;
constexpr std::uint64_t kMzHeaderSize = 64;
constexpr std::uint64_t kNtOffsetField = 0x3C;  // e_lfanew
constexpr std::uint32_t kPeSignature = 0x00004550;

// Offsets from e_lfanew: the signature, the file header, the optional header.
constexpr std::uint64_t kMachine = 4;
constexpr std::uint64_t kNumberOfSections = 6;
constexpr std::uint64_t kSizeOfOptionalHeader = 20;
constexpr std::uint64_t kCharacteristics = 22;
constexpr std::uint64_t kOptionalHeader = 24;
// Offsets within the optional header shared by PE32 and PE32+.
constexpr std::uint64_t kMagic = 0;
constexpr std::uint64_t kAddressOfEntryPoint = 16;
constexpr std::uint64_t kImageBasePe32 = 28;
constexpr std::uint64_t kImageBasePe32Plus = 24;
constexpr std::uint64_t kSectionAlignment = 32;
constexpr std::uint64_t kFileAlignment = 36;
constexpr std::uint64_t kSizeOfImage = 56;
constexpr std::uint64_t kSizeOfHeaders = 60;

constexpr std::uint64_t kDirectorySize = 8;
constexpr std::uint64_t kSectionHeaderSize = 40;
// The fixed headers at e_lfanew, up to the last data directory of PE32+.
constexpr std::uint64_t kFixedHeadersSize = kOptionalHeader + 112 + kDirectoryCount * kDirectorySize;

// The section table as far as the bytes hold it, at most kMaxSections.
void ReadSections(const ByteReader& table, std::uint64_t declared, std::vector<PeSection>& sections) {
  const std::uint64_t count =
      std::min<std::uint64_t>({declared, kMaxSections, table.countFitting(0, kSectionHeaderSize)});
  sections.reserve(static_cast<std::size_t>(count));
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t at = i * kSectionHeaderSize;
    PeSection s;
    std::memcpy(s.name.data(), table.data() + at, s.name.size());
    s.virtualSize = *table.read32(at + 8);
    s.virtualAddress = *table.read32(at + 12);
    s.sizeOfRawData = *table.read32(at + 16);
    s.pointerToRawData = *table.read32(at + 20);
    s.characteristics = *table.read32(at + 36);
    sections.push_back(s);
  }
}

}  // namespace

std::uint64_t PeHeaders::HeadersEnd() const {
  return std::max<std::uint64_t>(sizeOfHeaders, sectionTableOffset + sections.size() * kSectionHeaderSize);
}

bool PeHeaders::RvaInAnySection(std::uint64_t rva) const {
  return std::any_of(sections.begin(), sections.end(), [rva](const PeSection& s) { return s.ContainsRva(rva); });
}

PeHeaderScan ScanPeHeaders(const ByteRanges& bytesAt) {
  PeHeaderScan scan;
  PeHeaders& h = scan.headers;
  auto stop = [&scan](PeHeaderFault fault) {
    scan.fault = fault;
    return scan;
  };

  const ByteReader mz = bytesAt(0, kMzHeaderSize);
  if (mz.read16(0) != kMzSignature) return stop(PeHeaderFault::NoMzSignature);
  // e_lfanew is signed: a set top bit points before the file.
  const auto lfanew = mz.read32(kNtOffsetField);
  if (!lfanew || *lfanew > 0x7FFFFFFFu) return stop(PeHeaderFault::NtOffsetOutside);
  h.ntOffset = *lfanew;

  const ByteReader nt = bytesAt(*lfanew, kFixedHeadersSize);
  if (nt.size() < 4) return stop(PeHeaderFault::NtOffsetOutside);
  if (nt.read32(0) != kPeSignature) return stop(PeHeaderFault::NoPeSignature);
  // Read from a zero-padded copy: a field past the end of the bytes reads as
  // zero, and how far the bytes went decides the fault.
  std::array<std::uint8_t, kFixedHeadersSize> fixed{};
  const std::uint64_t available = std::min<std::uint64_t>(nt.size(), fixed.size());
  std::memcpy(fixed.data(), nt.data(), static_cast<std::size_t>(available));
  const ByteReader f(fixed.data(), fixed.size());

  h.machine = *f.read16(kMachine);
  h.numberOfSections = *f.read16(kNumberOfSections);
  h.sizeOfOptionalHeader = *f.read16(kSizeOfOptionalHeader);
  h.characteristics = *f.read16(kCharacteristics);
  h.magic = *f.read16(kOptionalHeader + kMagic);
  if (available < kOptionalHeader + kMagic + 2) return stop(PeHeaderFault::Cut);
  if (h.magic != kMagicPe32 && h.magic != kMagicPe32Plus) return stop(PeHeaderFault::UnknownMagic);
  h.is64 = h.magic == kMagicPe32Plus;

  const std::uint64_t o = kOptionalHeader;
  const std::uint64_t directories = o + h.FixedOptionalHeaderSize();
  h.entryPoint = *f.read32(o + kAddressOfEntryPoint);
  h.imageBase = h.is64 ? *f.read64(o + kImageBasePe32Plus) : *f.read32(o + kImageBasePe32);
  h.sectionAlignment = *f.read32(o + kSectionAlignment);
  h.fileAlignment = *f.read32(o + kFileAlignment);
  h.sizeOfImage = *f.read32(o + kSizeOfImage);
  h.sizeOfHeaders = *f.read32(o + kSizeOfHeaders);
  h.numberOfRvaAndSizes = *f.read32(directories - 4);
  if (available < directories) return stop(PeHeaderFault::Cut);

  // Entries past NumberOfRvaAndSizes are not directories (the system ignores
  // them too); ones cut off by the end of the bytes count as absent.
  const unsigned usable = static_cast<unsigned>(std::min<std::uint32_t>(h.numberOfRvaAndSizes, kDirectoryCount));
  for (unsigned i = 0; i < usable; ++i) {
    const std::uint64_t at = directories + kDirectorySize * i;
    if (at + kDirectorySize <= available) h.directories[i] = {*f.read32(at), *f.read32(at + 4)};
  }

  const std::uint64_t table = o + h.sizeOfOptionalHeader;
  h.sectionTableOffset = *lfanew + table;
  const std::uint64_t wanted = std::min<std::uint64_t>(h.numberOfSections, kMaxSections) * kSectionHeaderSize;
  ReadSections(bytesAt(h.sectionTableOffset, wanted), h.numberOfSections, h.sections);
  return scan;
}

PeHeaderScan ScanPeHeaders(const ByteReader& bytes) {
  return ScanPeHeaders([&bytes](std::uint64_t offset, std::uint64_t length) {
    if (offset >= bytes.size()) return ByteReader();
    return *bytes.sub(offset, std::min<std::uint64_t>(length, bytes.size() - offset));
  });
}

PeHeaderScan ScanPeHeaders(const SourceReader& file) {
  return ScanPeHeaders([&file](std::uint64_t offset, std::uint64_t length) { return file.upTo(offset, length); });
}

std::optional<PeHeaders> ReadPeHeaders(const ByteReader& bytes) {
  PeHeaderScan scan = ScanPeHeaders(bytes);
  if (scan.fault != PeHeaderFault::None) return std::nullopt;
  return std::move(scan.headers);
}

std::optional<std::uint32_t> ReadSizeOfImage(const ByteReader& headerPage) {
  auto headers = ReadPeHeaders(headerPage);
  if (!headers) return std::nullopt;
  return headers->sizeOfImage;
}

}  // namespace vantorel
