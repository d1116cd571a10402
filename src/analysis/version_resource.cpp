#include "analysis/version_resource.h"

#include <cstdio>
#include <vector>

#include "analysis/file_image.h"

namespace vantorel {

namespace {

constexpr std::uint64_t Align4(std::uint64_t offset) { return (offset + 3) & ~std::uint64_t{3}; }

char16_t FoldAscii(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// One block of the version tree: wLength, wValueLength, wType, a
// zero-terminated UTF-16 key, then the value and the children, each aligned to
// 4 bytes from the start of the version data.
struct Block {
  std::uint64_t offset = 0;
  std::uint16_t length = 0;
  std::uint16_t valueLength = 0;
  std::uint16_t type = 0;
  std::uint64_t value = 0;
  std::uint64_t children = 0;
};

std::optional<Block> ReadBlock(const ByteReader& data, std::uint64_t offset, std::uint64_t keyLength) {
  auto length = data.read16(offset);
  auto valueLength = data.read16(offset + 2);
  auto type = data.read16(offset + 4);
  if (!length || !valueLength || !type) return std::nullopt;
  Block b{offset, *length, *valueLength, *type, 0, 0};
  b.value = Align4(offset + 6 + 2 * (keyLength + 1));
  b.children = Align4(b.value + std::uint64_t{b.valueLength} * (b.type ? 2 : 1));
  return b;
}

// The root's key is not looked at, only measured; it must end inside the data.
std::optional<Block> ReadRoot(const ByteReader& data) {
  std::uint64_t keyLength = 0;
  for (;;) {
    auto c = data.read16(6 + 2 * keyLength);
    if (!c) return std::nullopt;
    if (*c == 0) break;
    ++keyLength;
  }
  return ReadBlock(data, 0, keyLength);
}

// Reads no more of a child's key than the comparison needs, so a long or
// unterminated key costs nothing extra.
bool KeyEquals(const ByteReader& data, std::uint64_t keyOffset, std::u16string_view key) {
  for (std::size_t i = 0; i < key.size(); ++i) {
    auto c = data.read16(keyOffset + 2 * i);
    if (!c || FoldAscii(static_cast<char16_t>(*c)) != FoldAscii(key[i])) return false;
  }
  return data.read16(keyOffset + 2 * key.size()) == 0;
}

std::optional<Block> FindChild(const ByteReader& data, const Block& parent, std::u16string_view key) {
  const std::uint64_t end = parent.offset + parent.length;
  std::uint64_t at = parent.children;
  // Each step moves forward by at least 4 bytes, so the loop ends.
  while (at < end && at < data.size()) {
    auto length = data.read16(at);
    if (!length) return std::nullopt;
    if (KeyEquals(data, at + 6, key)) return ReadBlock(data, at, key.size());
    if (*length == 0) return std::nullopt;
    at = Align4(at + *length);
  }
  return std::nullopt;
}

std::u16string Hex4(std::uint16_t value) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(value));
  return std::u16string(digits, digits + 4);
}

}  // namespace

std::optional<VersionValue> QueryVersionValue(std::span<const std::uint8_t> versionInfo,
                                              std::u16string_view subBlock) {
  const ByteReader data(versionInfo);
  auto block = ReadRoot(data);
  while (block && !subBlock.empty()) {
    const std::size_t slash = subBlock.find(u'\\');
    const std::u16string_view component = subBlock.substr(0, slash);
    subBlock = slash == std::u16string_view::npos ? std::u16string_view{} : subBlock.substr(slash + 1);
    if (component.empty()) continue;
    block = FindChild(data, *block, component);
  }
  if (!block) return std::nullopt;
  return VersionValue{static_cast<std::size_t>(block->value), block->valueLength, block->type};
}

std::optional<VersionTranslation> ReadFirstTranslation(std::span<const std::uint8_t> versionInfo) {
  auto value = QueryVersionValue(versionInfo, u"\\VarFileInfo\\Translation");
  if (!value || std::uint64_t{value->length} * (value->type ? 2 : 1) < 4) return std::nullopt;
  const ByteReader data(versionInfo);
  auto language = data.read16(value->offset);
  auto codePage = data.read16(std::uint64_t{value->offset} + 2);
  if (!language || !codePage) return std::nullopt;
  return VersionTranslation{*language, *codePage};
}

std::u16string StringFileInfoPath(VersionTranslation translation, std::u16string_view key) {
  std::u16string path = u"\\StringFileInfo\\";
  path += Hex4(translation.language);
  path += Hex4(translation.codePage);
  path += u'\\';
  path += key;
  return path;
}

std::optional<std::u16string> QueryVersionString(std::span<const std::uint8_t> versionInfo,
                                                 std::u16string_view subBlock) {
  auto value = QueryVersionValue(versionInfo, subBlock);
  if (!value) return std::nullopt;
  // The stored length counts characters here whatever wType says, as the
  // system's query reports it; the first zero ends the text in any case.
  const ByteReader data(versionInfo);
  std::u16string text;
  for (std::uint64_t i = 0; i < value->length; ++i) {
    auto c = data.read16(value->offset + 2 * i);
    if (!c || *c == 0) break;
    text.push_back(static_cast<char16_t>(*c));
  }
  return text;
}

std::u16string ReadVersionString(std::span<const std::uint8_t> versionInfo, std::u16string_view key) {
  auto translation = ReadFirstTranslation(versionInfo);
  if (!translation || key == VersionKeys[kLanguageIndex].key) return {};
  return QueryVersionString(versionInfo, StringFileInfoPath(*translation, key)).value_or(std::u16string{});
}

namespace {

constexpr std::uint32_t kSubdirectoryFlag = 0x80000000u;
constexpr std::uint32_t kVersionType = 16;
constexpr std::uint32_t kVersionName = 1;

struct ResourceEntry {
  std::uint32_t name;
  std::uint32_t target;
};

// The entries of the resource directory at offset (relative to the resource
// root), cut to what the file holds.
std::vector<ResourceEntry> ReadDirectory(const FileRvaReader& rvas, std::uint64_t root,
                                         std::uint64_t offset) {
  std::vector<ResourceEntry> entries;
  auto header = rvas.span(root + offset, 16);
  if (!header) return entries;
  const ByteReader h(*header);
  const std::uint64_t count = std::uint64_t{*h.read16(12)} + *h.read16(14);
  auto table = rvas.spanUpTo(root + offset + 16, count * 8);
  if (!table) return entries;
  const ByteReader t(*table);
  for (std::uint64_t i = 0; i < t.countFitting(0, 8); ++i)
    entries.push_back({*t.read32(8 * i), *t.read32(8 * i + 4)});
  return entries;
}

std::optional<ResourceEntry> FindById(const std::vector<ResourceEntry>& entries, std::uint32_t id) {
  for (const auto& e : entries)
    if (e.name == id) return e;
  return std::nullopt;
}

std::optional<std::uint64_t> Subdirectory(std::optional<ResourceEntry> entry) {
  if (!entry || !(entry->target & kSubdirectoryFlag)) return std::nullopt;
  return entry->target & ~kSubdirectoryFlag;
}

}  // namespace

std::optional<std::span<const std::uint8_t>> FindVersionResource(const SourceReader& file, const PeHeaders& headers,
                                                                 std::uint16_t preferredLanguage) {
  const std::uint64_t root = headers.directories[kDirectoryResource].rva;
  if (root == 0) return std::nullopt;
  const FileRvaReader rvas(file, headers);

  // Type, name, language: three fixed levels, so the walk cannot loop.
  auto names = Subdirectory(FindById(ReadDirectory(rvas, root, 0), kVersionType));
  if (!names) return std::nullopt;
  auto languages = Subdirectory(FindById(ReadDirectory(rvas, root, *names), kVersionName));
  if (!languages) return std::nullopt;
  const auto entries = ReadDirectory(rvas, root, *languages);
  if (entries.empty()) return std::nullopt;

  std::optional<ResourceEntry> chosen;
  for (std::uint32_t language : {0u, std::uint32_t{preferredLanguage}, preferredLanguage & 0x3FFu, 0x0409u}) {
    if ((chosen = FindById(entries, language))) break;
  }
  if (!chosen) chosen = entries.front();
  if (chosen->target & kSubdirectoryFlag) return std::nullopt;

  auto dataEntry = rvas.span(root + chosen->target, 16);
  if (!dataEntry) return std::nullopt;
  const ByteReader d(*dataEntry);
  auto data = rvas.spanUpTo(*d.read32(0), *d.read32(4));
  if (!data || data->empty()) return std::nullopt;
  return data;
}

std::optional<std::span<const std::uint8_t>> FindVersionResource(std::span<const std::uint8_t> file,
                                                                 std::uint16_t preferredLanguage) {
  auto headers = ReadPeHeaders(ByteReader(file));
  if (!headers) return std::nullopt;
  // Bytes in memory are handed out as they are: the span outlives the reader.
  const MemoryByteSource source(file);
  return FindVersionResource(SourceReader(source), *headers, preferredLanguage);
}

FileVersionStrings ReadFileVersionStrings(const SourceReader& file, const PeHeaders& headers) {
  FileVersionStrings result;
  auto resource = FindVersionResource(file, headers);
  if (!resource) return result;
  auto translation = ReadFirstTranslation(*resource);
  if (!translation) return result;
  result.languageId = translation->language;
  for (std::size_t i = 0; i < kVersionKeyCount; ++i) {
    if (i == kLanguageIndex) continue;
    result.values[i] =
        QueryVersionString(*resource, StringFileInfoPath(*translation, VersionKeys[i].key)).value_or(u"");
  }
  return result;
}

FileVersionStrings ReadFileVersionStrings(std::span<const std::uint8_t> file) {
  auto headers = ReadPeHeaders(ByteReader(file));
  if (!headers) return {};
  const MemoryByteSource source(file);
  return ReadFileVersionStrings(SourceReader(source), *headers);
}

std::u16string TrimSpaces(std::u16string_view text) {
  const auto first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  const auto last = text.find_last_not_of(u' ');
  return std::u16string(text.substr(first, last - first + 1));
}

}  // namespace vantorel
