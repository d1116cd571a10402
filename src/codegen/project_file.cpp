#include "codegen/project_file.h"

#include <array>
#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

#include "codegen/source_file.h"
#include "platform/utf8.h"

namespace vantorel {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kHeaderComment = "; Vantorel project: the library and its function table";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// Keys are compared without regard to ASCII letter case; every key the file
// knows is ASCII, so other bytes never match.
bool KeyEquals(std::string_view key, std::string_view name) {
  if (key.size() != name.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i) {
    char a = key[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    char b = name[i];
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

std::u16string Decode(std::string_view bytes, bool utf8) {
  if (utf8) return Utf16FromUtf8(bytes);
  std::u16string text(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) text[i] = static_cast<unsigned char>(bytes[i]);
  return text;
}

void AppendValue(std::string& out, std::u16string_view value) {
  std::size_t start = 0;
  for (std::size_t i = 0; i <= value.size(); ++i) {
    if (i == value.size() || value[i] == u'\r' || value[i] == u'\n') {
      AppendUtf8(out, value.substr(start, i - start));
      if (i < value.size()) out += ' ';
      start = i + 1;
    }
  }
}

void AppendKey(std::string& out, std::string_view key, std::u16string_view value) {
  out += key;
  out += " = ";
  AppendValue(out, value);
  out += kCrLf;
}

// The row keys in the order they are written; index into FunctionRow below.
enum RowKey { kChecked, kAlias, kFunction, kPara, kConv, kComment, kRowKeyCount };
constexpr std::array<std::string_view, kRowKeyCount> kRowKeys{"checked", "Alias", "Function", "Para", "Conv", "Comment"};
// Written only for a row with a typed prototype, after the keys above.
constexpr std::string_view kPrototypeKey = "Prototype";

std::u16string* RowField(FunctionRow& row, int key) {
  switch (key) {
    case kAlias:
      return &row.alias;
    case kFunction:
      return &row.exportName;
    case kPara:
      return &row.parameters;
    case kConv:
      return &row.convention;
    case kComment:
      return &row.comment;
    default:
      return nullptr;
  }
}

}  // namespace

std::string WriteProjectText(std::u16string_view dll, std::u16string_view sha1, std::span<const FunctionRow> rows,
                             const TypedPrototypes* typed) {
  std::string out;
  out.reserve(128 + dll.size() * 3 + rows.size() * 96);
  out += kUtf8Bom;
  out += kCrLf;
  out += kHeaderComment;
  out += kCrLf;
  AppendKey(out, "DLL", dll);
  AppendKey(out, "SHA1", sha1);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const FunctionRow& row = rows[i];
    out += '[';
    out += std::to_string(i + 1);
    out += ']';
    out += kCrLf;
    AppendKey(out, kRowKeys[kChecked], row.ticked ? u"1" : u"0");
    AppendKey(out, kRowKeys[kAlias], row.alias);
    AppendKey(out, kRowKeys[kFunction], row.exportName);
    AppendKey(out, kRowKeys[kPara], row.parameters);
    AppendKey(out, kRowKeys[kConv], row.convention);
    AppendKey(out, kRowKeys[kComment], row.comment);
    if (!typed) continue;
    if (const auto it = typed->find(row.exportName); it != typed->end())
      AppendKey(out, kPrototypeKey, Utf16FromUtf8(FormatTypedPrototype(it->second)));
  }
  return out;
}

int ParseCheckedValue(std::u16string_view value) {
  std::size_t i = 0;
  while (i < value.size() && IsBlank(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == u'+' || value[i] == u'-')) negative = value[i++] == u'-';
  std::int64_t n = 0;
  for (; i < value.size() && value[i] >= u'0' && value[i] <= u'9'; ++i) {
    if (n <= std::int64_t{INT_MAX} + 1) n = n * 10 + (value[i] - u'0');
  }
  if (negative) n = -n;
  if (n > INT_MAX) return INT_MAX;
  if (n < INT_MIN) return INT_MIN;
  return static_cast<int>(n);
}

std::optional<ProjectContent> ReadProjectText(std::string_view bytes) {
  if (bytes.size() > kMaxProjectFileBytes) return std::nullopt;
  const bool utf8 = bytes.starts_with(kUtf8Bom);
  if (utf8) bytes.remove_prefix(kUtf8Bom.size());

  ProjectContent content;
  bool inGroup = false;
  unsigned seen = 0;  // one bit per key already read in the current group (or outside groups)
  constexpr unsigned kDllBit = 1, kSha1Bit = 2;
  constexpr unsigned kPrototypeBit = 1u << kRowKeyCount;
  // By row: the Function key may come after the prototype in a file edited by hand.
  std::vector<std::pair<std::size_t, TypedPrototype>> prototypes;

  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(pos, end - pos);
    pos = end + 1;

    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      // The group's name does not matter: every group is the next row.
      if (content.rows.size() >= kMaxProjectRows) return std::nullopt;
      content.rows.emplace_back();
      inGroup = true;
      seen = 0;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;  // not a key line of any kind
    std::string_view key = line.substr(0, equals);
    while (!key.empty() && IsBlank(key.back())) key.remove_suffix(1);
    std::string_view value = line.substr(equals + 1);
    while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
    // A path with a NUL inside would be shown as one file and opened as
    // another; every value ends at the first NUL, as it would in the system.
    value = value.substr(0, value.find('\0'));

    if (!inGroup) {
      if (!(seen & kDllBit) && KeyEquals(key, "DLL")) {
        content.dll = Decode(value, utf8);
        seen |= kDllBit;
      } else if (!(seen & kSha1Bit) && KeyEquals(key, "SHA1")) {
        content.sha1 = Decode(value, utf8);
        seen |= kSha1Bit;
      }
      continue;
    }
    if (!(seen & kPrototypeBit) && KeyEquals(key, kPrototypeKey)) {
      seen |= kPrototypeBit;
      if (auto prototype = ParseTypedPrototype(value)) prototypes.emplace_back(content.rows.size() - 1, std::move(*prototype));
      continue;
    }
    for (int k = 0; k < kRowKeyCount; ++k) {
      const unsigned bit = 1u << k;
      if ((seen & bit) || !KeyEquals(key, kRowKeys[k])) continue;
      seen |= bit;
      FunctionRow& row = content.rows.back();
      if (k == kChecked) {
        // Only 1 ticks a row; 0, 5 or a letter leave it unticked.
        row.ticked = ParseCheckedValue(Decode(value, utf8)) == 1;
      } else {
        *RowField(row, k) = Decode(value, utf8);
      }
      break;
    }
  }
  for (auto& [row, prototype] : prototypes) {
    const std::u16string& function = content.rows[row].exportName;
    if (!function.empty()) content.typed.emplace(function, std::move(prototype));
  }
  return content;
}

std::u16string DefaultProjectPath(std::u16string_view libraryPath) {
  if (libraryPath.empty()) return {};
  return ReplaceFileExtension(libraryPath, u"prj");
}

}  // namespace vantorel
