#pragma once
// Small DLL images built byte by byte (x86-64 PE32+, or i386 PE32 with pe32), for the loader's tests: every
// header field, section, relocation and import is chosen by the test.
// Portable: the native tests read them, the Windows tests map them.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vantorel::testimage {

inline void Put(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value, int width) {
  if (bytes.size() < at + width) bytes.resize(at + width);
  for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v) { Put(b, at, v, 2); }
inline void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v) { Put(b, at, v, 4); }
inline void Put64(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v) { Put(b, at, v, 8); }
inline std::uint64_t Get(const std::vector<std::uint8_t>& b, std::size_t at, int width) {
  std::uint64_t v = 0;
  for (int i = 0; i < width; ++i) v |= std::uint64_t{b[at + i]} << (8 * i);
  return v;
}

inline constexpr std::uint32_t kCode = 0x60000020;        // code, execute, read
inline constexpr std::uint32_t kData = 0xC0000040;        // initialised data, read, write
inline constexpr std::uint32_t kReadOnly = 0x40000040;    // initialised data, read
inline constexpr std::uint32_t kReadOnlyBss = 0x40000080; // uninitialised data, read
inline constexpr std::uint32_t kDiscardable = 0x42000040;

// Fixed places in every built image.
inline constexpr std::uint32_t kNtOffset = 0x80;
inline constexpr std::uint32_t kOptionalHeader = kNtOffset + 24;
inline constexpr std::uint32_t kSectionTable = kOptionalHeader + 240;  // PE32+; PE32 has 224 bytes
inline constexpr std::uint32_t kHeaderSize = 0x400;

enum Directory { kExports = 0, kImports = 1, kExceptions = 3, kRelocations = 5, kTls = 9 };

struct Section {
  std::uint32_t characteristics = kData;
  std::vector<std::uint8_t> data;  // raw data; empty means none
  std::uint32_t virtualSize = 0x1000;
};

class ImageBuilder {
 public:
  std::uint64_t preferredBase = 0x7FF7A0000000;
  std::uint32_t entryPoint = 0;
  bool pe32 = false;  // i386 PE32 instead of x86-64 PE32+
  std::array<std::array<std::uint32_t, 2>, 16> directories{};

  // Adds a section (its RVA follows from the virtual sizes before it) and
  // returns its index; Data(index) may be filled in later.
  std::size_t AddSection(std::uint32_t characteristics, std::uint32_t virtualSize = 0x1000) {
    sections_.push_back({characteristics, {}, virtualSize});
    return sections_.size() - 1;
  }
  std::uint32_t Rva(std::size_t index) const {
    std::uint32_t rva = 0x1000;
    for (std::size_t i = 0; i < index; ++i) rva += AlignUp(std::max<std::uint32_t>(sections_[i].virtualSize, 1), 0x1000);
    return rva;
  }
  std::vector<std::uint8_t>& Data(std::size_t index) { return sections_[index].data; }
  void SetDirectory(Directory d, std::uint32_t rva, std::uint32_t size) { directories[d] = {rva, size}; }
  std::uint32_t SizeOfImage() const { return Rva(sections_.size()); }

  std::vector<std::uint8_t> Build() const {
    std::vector<std::uint8_t> b(kHeaderSize, 0);
    Put16(b, 0, 0x5A4D);
    Put32(b, 0x3C, kNtOffset);
    Put32(b, kNtOffset, 0x00004550);
    Put16(b, kNtOffset + 4, pe32 ? 0x14C : 0x8664);
    Put16(b, kNtOffset + 6, sections_.size());
    Put16(b, kNtOffset + 20, pe32 ? 224 : 240);
    Put16(b, kNtOffset + 22, pe32 ? 0x2102 : 0x2022);  // executable, 32-bit machine or large addresses, DLL
    const std::uint32_t o = kOptionalHeader;
    Put16(b, o, pe32 ? 0x10B : 0x20B);
    Put32(b, o + 16, entryPoint);
    if (pe32) {
      Put32(b, o + 28, preferredBase);
    } else {
      Put64(b, o + 24, preferredBase);
    }
    Put32(b, o + 32, 0x1000);
    Put32(b, o + 36, 0x200);
    Put16(b, o + 40, 6);
    Put16(b, o + 48, 6);
    Put32(b, o + 56, SizeOfImage());
    Put32(b, o + 60, kHeaderSize);
    Put16(b, o + 68, 2);
    Put16(b, o + 70, 0x0160);
    const std::uint32_t count = pe32 ? o + 92 : o + 108;
    Put32(b, count, 16);
    for (int i = 0; i < 16; ++i) {
      Put32(b, count + 4 + i * 8, directories[i][0]);
      Put32(b, count + 4 + i * 8 + 4, directories[i][1]);
    }
    std::uint32_t raw = kHeaderSize;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
      const Section& s = sections_[i];
      const std::size_t h = SectionTable() + i * 40;
      const std::string name = ".s" + std::to_string(i);
      std::copy(name.begin(), name.end(), b.begin() + h);
      const std::uint32_t rawSize = AlignUp(static_cast<std::uint32_t>(s.data.size()), 0x200);
      Put32(b, h + 8, s.virtualSize);
      Put32(b, h + 12, Rva(i));
      Put32(b, h + 16, rawSize);
      Put32(b, h + 20, rawSize ? raw : 0);
      Put32(b, h + 36, s.characteristics);
      if (rawSize) {
        b.resize(raw + rawSize, 0);
        std::copy(s.data.begin(), s.data.end(), b.begin() + raw);
        raw += rawSize;
      }
    }
    return b;
  }

  std::uint32_t SectionTable() const { return kOptionalHeader + (pe32 ? 224 : 240); }
  static std::uint32_t AlignUp(std::uint32_t n, std::uint32_t a) { return (n + a - 1) / a * a; }

 private:
  std::vector<Section> sections_;
};

// One base-relocation block: entries are (type << 12) | offset; padded to a
// 32-bit boundary with an absolute entry as linkers do.
inline std::vector<std::uint8_t> RelocationBlock(std::uint32_t page, std::vector<std::uint16_t> entries) {
  if (entries.size() % 2) entries.push_back(0);
  std::vector<std::uint8_t> b;
  Put32(b, 0, page);
  Put32(b, 4, 8 + entries.size() * 2);
  for (std::size_t i = 0; i < entries.size(); ++i) Put16(b, 8 + i * 2, entries[i]);
  return b;
}

struct Import {
  std::string name;        // empty: by ordinal
  std::uint16_t ordinal = 0;
};
struct ImportLibrary {
  std::string name;
  std::vector<Import> functions;
};
struct ImportTable {
  std::vector<std::uint8_t> bytes;                // to place at the RVA given
  std::uint32_t descriptorsSize = 0;              // for the data directory
  std::vector<std::vector<std::uint32_t>> slots;  // RVA of each function's address slot
};

// The descriptors, lookup and address tables and names of an import section
// placed at rva. Without lookup tables the address table doubles as one.
// Thunks are 64-bit, or 32-bit with pe32.
inline ImportTable BuildImports(std::uint32_t rva, const std::vector<ImportLibrary>& libraries,
                                bool lookupTables = true, bool pe32 = false) {
  const std::size_t thunk = pe32 ? 4 : 8;
  ImportTable t;
  t.descriptorsSize = static_cast<std::uint32_t>((libraries.size() + 1) * 20);
  std::size_t at = t.descriptorsSize;
  std::vector<std::uint8_t>& b = t.bytes;
  b.resize(at, 0);
  std::vector<std::size_t> lookup(libraries.size()), address(libraries.size());
  for (std::size_t i = 0; i < libraries.size(); ++i) {
    const std::size_t tableSize = (libraries[i].functions.size() + 1) * thunk;
    lookup[i] = at;
    if (lookupTables) at += tableSize;
    address[i] = at;
    at += tableSize;
  }
  b.resize(at, 0);
  for (std::size_t i = 0; i < libraries.size(); ++i) {
    const std::size_t d = i * 20;
    if (lookupTables) Put32(b, d, rva + lookup[i]);
    Put32(b, d + 16, rva + address[i]);
    Put32(b, d + 12, rva + b.size());
    for (char c : libraries[i].name) b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(0);
    t.slots.emplace_back();
    for (std::size_t k = 0; k < libraries[i].functions.size(); ++k) {
      const Import& f = libraries[i].functions[k];
      std::uint64_t entry = (std::uint64_t{1} << (pe32 ? 31 : 63)) | f.ordinal;
      if (!f.name.empty()) {
        if (b.size() % 2) b.push_back(0);
        entry = rva + b.size();
        b.push_back(0);
        b.push_back(0);  // hint
        for (char c : f.name) b.push_back(static_cast<std::uint8_t>(c));
        b.push_back(0);
      }
      if (lookupTables) Put(b, lookup[i] + k * thunk, entry, static_cast<int>(thunk));
      Put(b, address[i] + k * thunk, entry, static_cast<int>(thunk));
      t.slots.back().push_back(static_cast<std::uint32_t>(rva + address[i] + k * thunk));
    }
  }
  return t;
}

}  // namespace vantorel::testimage
