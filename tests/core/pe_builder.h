#pragma once
// Small PE files and version resources built in memory, so that each test
// states exactly the tables it walks. The files use distinct file offsets and
// RVAs, so a walk that confuses the two fails.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/byte_source.h"

namespace vantorel::testing {

using Bytes = std::vector<std::uint8_t>;

// Bytes reachable only through ReadAt, as a file's are; counts what is read.
class FileLikeSource final : public ByteSource {
 public:
  explicit FileLikeSource(const Bytes& bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override {
    if (offset >= bytes_.size()) return 0;
    const std::size_t n = std::min<std::size_t>(out.size(), bytes_.size() - static_cast<std::size_t>(offset));
    std::memcpy(out.data(), bytes_.data() + offset, n);
    read += n;
    return n;
  }
  mutable std::uint64_t read = 0;

 private:
  const Bytes& bytes_;
};

inline void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  if (b.size() < at + 4) b.resize(at + 4);
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void PutBytes(Bytes& b, std::size_t at, const Bytes& v) {
  if (b.size() < at + v.size()) b.resize(at + v.size());
  std::copy(v.begin(), v.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}
inline std::size_t AlignUp(std::size_t v, std::size_t a) { return (v + a - 1) / a * a; }

struct SectionSpec {
  std::string name;
  std::uint32_t virtualAddress = 0;
  std::uint32_t virtualSize = 0;  // 0: the data's size
  Bytes data;                     // raw data; empty = uninitialised (bss)
  std::uint32_t characteristics = 0x40000040;  // initialised data, readable
};

struct PeFile {
  Bytes bytes;
  std::size_t optionalHeader = 0;  // file offset of the optional header
  std::vector<SectionSpec> sections;
  std::vector<std::size_t> rawOffsets;  // file offset of each section's raw data (0 = none)

  // The file offset that holds the byte at rva, for poking hostile values.
  std::size_t OffsetOfRva(std::uint32_t rva) const {
    for (std::size_t i = 0; i < sections.size(); ++i) {
      const auto& s = sections[i];
      if (rva >= s.virtualAddress && rva < s.virtualAddress + s.data.size())
        return rawOffsets[i] + (rva - s.virtualAddress);
    }
    return rva;  // headers
  }
  void PokeRva32(std::uint32_t rva, std::uint32_t value) { Put32(bytes, OffsetOfRva(rva), value); }
};

// A PE32+ (or PE32) DLL: headers in the first 0x400 bytes, raw data at
// 0x200-aligned file offsets, sections at the RVAs given.
struct PeBuilder {
  bool is64 = true;
  std::array<std::pair<std::uint32_t, std::uint32_t>, 16> directories{};
  std::uint32_t sizeOfImage = 0;  // 0: end of the last section, 4 KiB aligned
  std::vector<SectionSpec> sections;

  PeFile Build() const {
    PeFile f;
    f.sections = sections;
    Bytes& b = f.bytes;
    b.assign(0x400, 0);
    const std::size_t nt = 0x80;
    Put16(b, 0, 0x5A4D);
    Put32(b, 0x3C, nt);
    Put32(b, nt, 0x4550);
    Put16(b, nt + 4, is64 ? 0x8664 : 0x14C);
    Put16(b, nt + 6, static_cast<std::uint16_t>(sections.size()));
    const std::size_t optionalSize = is64 ? 0xF0 : 0xE0;
    Put16(b, nt + 20, static_cast<std::uint16_t>(optionalSize));
    Put16(b, nt + 22, 0x2022);  // executable DLL
    const std::size_t opt = nt + 24;
    f.optionalHeader = opt;
    Put16(b, opt, is64 ? 0x20B : 0x10B);
    Put32(b, opt + 32, 0x1000);
    Put32(b, opt + 36, 0x200);
    std::size_t imageEnd = 0x1000;
    for (const auto& s : sections)
      imageEnd = std::max<std::size_t>(
          imageEnd, s.virtualAddress + std::max<std::size_t>(s.virtualSize, s.data.size()));
    Put32(b, opt + 56, sizeOfImage ? sizeOfImage : static_cast<std::uint32_t>(AlignUp(imageEnd, 0x1000)));
    Put32(b, opt + 60, 0x400);
    const std::size_t rvaCount = opt + (is64 ? 108 : 92);
    Put32(b, rvaCount, 16);
    for (std::size_t i = 0; i < 16; ++i) {
      Put32(b, rvaCount + 4 + 8 * i, directories[i].first);
      Put32(b, rvaCount + 8 + 8 * i, directories[i].second);
    }
    const std::size_t sectionTable = opt + optionalSize;
    std::size_t raw = 0x400;
    for (std::size_t i = 0; i < sections.size(); ++i) {
      const auto& s = sections[i];
      const std::size_t at = sectionTable + 40 * i;
      for (std::size_t c = 0; c < std::min<std::size_t>(8, s.name.size()); ++c)
        b[at + c] = static_cast<std::uint8_t>(s.name[c]);
      Put32(b, at + 8, s.virtualSize ? s.virtualSize : static_cast<std::uint32_t>(s.data.size()));
      Put32(b, at + 12, s.virtualAddress);
      const std::size_t rawSize = AlignUp(s.data.size(), 0x200);
      Put32(b, at + 16, static_cast<std::uint32_t>(rawSize));
      Put32(b, at + 20, s.data.empty() ? 0 : static_cast<std::uint32_t>(raw));
      Put32(b, at + 36, s.characteristics);
      f.rawOffsets.push_back(s.data.empty() ? 0 : raw);
      if (!s.data.empty()) {
        PutBytes(b, raw, s.data);
        b.resize(raw + rawSize, 0);
        raw += rawSize;
      }
    }
    return f;
  }
};

// --- export directories ----------------------------------------------------

struct ExportSpec {
  std::uint32_t base = 1;
  std::vector<std::uint32_t> functions;                      // slot addresses, 0 = empty slot
  std::vector<std::pair<std::string, std::uint16_t>> names;  // in name-table order: name, slot
};

// Where the pieces of an export section built by BuildExportSection sit.
struct ExportLayout {
  std::uint32_t directory = 0, functions = 0, names = 0, ordinals = 0, strings = 0;
};

inline Bytes BuildExportSection(const ExportSpec& spec, std::uint32_t sectionRva,
                                ExportLayout* layout = nullptr) {
  ExportLayout l;
  l.directory = sectionRva;
  l.functions = sectionRva + 40;
  l.names = l.functions + 4 * static_cast<std::uint32_t>(spec.functions.size());
  l.ordinals = l.names + 4 * static_cast<std::uint32_t>(spec.names.size());
  l.strings = static_cast<std::uint32_t>(AlignUp(l.ordinals + 2 * spec.names.size(), 4));
  Bytes b(l.strings - sectionRva, 0);
  Put32(b, 16, spec.base);
  Put32(b, 20, static_cast<std::uint32_t>(spec.functions.size()));
  Put32(b, 24, static_cast<std::uint32_t>(spec.names.size()));
  Put32(b, 28, l.functions);
  Put32(b, 32, l.names);
  Put32(b, 36, l.ordinals);
  for (std::size_t i = 0; i < spec.functions.size(); ++i)
    Put32(b, l.functions - sectionRva + 4 * i, spec.functions[i]);
  for (std::size_t j = 0; j < spec.names.size(); ++j) {
    Put32(b, l.names - sectionRva + 4 * j, sectionRva + static_cast<std::uint32_t>(b.size()));
    Put16(b, l.ordinals - sectionRva + 2 * j, spec.names[j].second);
    const std::string& name = spec.names[j].first;
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(0);
  }
  if (layout) *layout = l;
  return b;
}

inline constexpr std::uint32_t kTextRva = 0x1000;
inline constexpr std::uint32_t kExportRva = 0x3000;

// A DLL with a small code section and the export section at kExportRva.
inline PeFile MakeExportDll(const ExportSpec& spec, ExportLayout* layout = nullptr, bool is64 = true) {
  PeBuilder p;
  p.is64 = is64;
  p.sections.push_back({".text", kTextRva, 0x1800, Bytes(0x300, 0xCC)});
  Bytes edata = BuildExportSection(spec, kExportRva, layout);
  p.directories[0] = {kExportRva, static_cast<std::uint32_t>(edata.size())};
  p.sections.push_back({".edata", kExportRva, 0, std::move(edata)});
  return p.Build();
}

// --- version resources -----------------------------------------------------

struct VersionNode {
  std::u16string key;
  Bytes value;
  std::uint16_t valueLength = 0;
  std::uint16_t type = 0;
  std::vector<VersionNode> children;
};

inline Bytes Utf16Bytes(std::u16string_view text, bool terminate) {
  Bytes b;
  for (char16_t c : text) {
    b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  if (terminate) b.insert(b.end(), {0, 0});
  return b;
}

// Blocks start 4-aligned, so aligning within a block aligns from the root too.
inline Bytes SerializeVersionNode(const VersionNode& node) {
  Bytes b(6, 0);
  Put16(b, 2, node.valueLength);
  Put16(b, 4, node.type);
  const Bytes key = Utf16Bytes(node.key, true);
  b.insert(b.end(), key.begin(), key.end());
  b.resize(AlignUp(b.size(), 4), 0);
  b.insert(b.end(), node.value.begin(), node.value.end());
  for (const auto& child : node.children) {
    b.resize(AlignUp(b.size(), 4), 0);
    const Bytes c = SerializeVersionNode(child);
    b.insert(b.end(), c.begin(), c.end());
  }
  Put16(b, 0, static_cast<std::uint16_t>(b.size()));
  return b;
}

inline VersionNode StringNode(std::u16string key, std::u16string value) {
  VersionNode n{std::move(key), Utf16Bytes(value, true), 0, 1, {}};
  n.valueLength = static_cast<std::uint16_t>(value.size() + 1);
  return n;
}

struct StringTableSpec {
  std::u16string name;  // e.g. u"040904B0"
  std::vector<std::pair<std::u16string, std::u16string>> strings;
};

// VS_VERSIONINFO with a fixed-info block, the string tables and (unless
// translations is empty) a Translation entry listing them in order.
inline Bytes BuildVersionInfo(const std::vector<std::pair<std::uint16_t, std::uint16_t>>& translations,
                              const std::vector<StringTableSpec>& tables) {
  VersionNode root{u"VS_VERSION_INFO", Bytes(52, 0), 52, 0, {}};
  Put32(root.value, 0, 0xFEEF04BD);
  VersionNode stringInfo{u"StringFileInfo", {}, 0, 1, {}};
  for (const auto& t : tables) {
    VersionNode table{t.name, {}, 0, 1, {}};
    for (const auto& [key, value] : t.strings) table.children.push_back(StringNode(key, value));
    stringInfo.children.push_back(table);
  }
  root.children.push_back(stringInfo);
  if (!translations.empty()) {
    VersionNode var{u"Translation", {}, 0, 0, {}};
    for (const auto& [language, codePage] : translations) {
      const std::size_t at = var.value.size();
      Put16(var.value, at, language);
      Put16(var.value, at + 2, codePage);
    }
    var.valueLength = static_cast<std::uint16_t>(var.value.size());
    root.children.push_back(VersionNode{u"VarFileInfo", {}, 0, 1, {var}});
  }
  return SerializeVersionNode(root);
}

inline constexpr std::uint32_t kResourceRva = 0x5000;

// A resource section with one RT_VERSION resource (name 1) per language.
inline Bytes BuildVersionResourceSection(const std::vector<std::pair<std::uint16_t, Bytes>>& languages,
                                         std::uint32_t sectionRva = kResourceRva) {
  const std::size_t n = languages.size();
  Bytes b;
  auto directory = [&b](std::size_t at, std::size_t ids) {
    Put16(b, at + 14, static_cast<std::uint16_t>(ids));
  };
  // root (1 entry) | names (1 entry) | languages (n entries) | data entries | data
  const std::size_t names = 16 + 8, langs = names + 16 + 8, entries = langs + 16 + 8 * n;
  std::size_t data = entries + 16 * n;
  b.assign(data, 0);
  directory(0, 1);
  Put32(b, 16, 16);
  Put32(b, 20, 0x80000000u | static_cast<std::uint32_t>(names));
  directory(names, 1);
  Put32(b, names + 16, 1);
  Put32(b, names + 20, 0x80000000u | static_cast<std::uint32_t>(langs));
  directory(langs, n);
  for (std::size_t i = 0; i < n; ++i) {
    Put32(b, langs + 16 + 8 * i, languages[i].first);
    Put32(b, langs + 20 + 8 * i, static_cast<std::uint32_t>(entries + 16 * i));
    data = AlignUp(b.size(), 4);
    PutBytes(b, data, languages[i].second);
    Put32(b, entries + 16 * i, sectionRva + static_cast<std::uint32_t>(data));
    Put32(b, entries + 16 * i + 4, static_cast<std::uint32_t>(languages[i].second.size()));
  }
  return b;
}

inline PeFile MakeVersionDll(const Bytes& resourceSection) {
  PeBuilder p;
  p.sections.push_back({".text", kTextRva, 0, Bytes(0x100, 0xCC)});
  p.directories[2] = {kResourceRva, static_cast<std::uint32_t>(resourceSection.size())};
  p.sections.push_back({".rsrc", kResourceRva, 0, resourceSection});
  return p.Build();
}

}  // namespace vantorel::testing
