#include "codegen/source_names.h"

#include <algorithm>
#include <array>
#include <unordered_set>

#include "codegen/purebasic_names.h"

namespace vantorel {

namespace {

constexpr std::u16string_view kProcedureSuffix = u"_LoadDLL";
constexpr std::u16string_view kHandleName = u"hdll";  // the procedure's Protected hDLL.i
// PureBasic's native types: a Prototype named like one is refused.
constexpr std::u16string_view kTypeLetters = u"abcdfilqsuw";

bool IsNameCharacter(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

std::u16string Lower(std::u16string_view name) {
  std::u16string lower(name);
  for (char16_t& c : lower) c = LowerAscii(c);
  return lower;
}

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return LowerAscii(x) == LowerAscii(y); });
}

// Names in the tables are lower-case ASCII; a name with any other character
// is none of them.
bool InTable(std::span<const std::string_view> table, std::u16string_view name) {
  std::array<char, 64> buffer;
  if (name.empty() || name.size() > buffer.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] >= 0x80) return false;
    buffer[i] = static_cast<char>(LowerAscii(name[i]));
  }
  return std::binary_search(table.begin(), table.end(), std::string_view(buffer.data(), name.size()));
}

// Every character a name cannot hold becomes one "_"; a surrogate pair is
// one character.
std::u16string ToNameCharacters(std::u16string_view text) {
  std::u16string name;
  name.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsNameCharacter(c)) {
      name.push_back(c);
      continue;
    }
    name.push_back(u'_');
    const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    if (pair) ++i;
  }
  return name;
}

std::u16string Decimal(std::size_t n) {
  const std::string digits = std::to_string(n);
  return {digits.begin(), digits.end()};
}

// Steps b to d for one alias: the name as PureBasic takes it, before the
// check against the names earlier rows took.
std::u16string ValidName(std::u16string_view alias, std::size_t position, std::u16string_view procedure,
                         unsigned& renamed) {
  std::u16string name;
  if (alias.empty()) {
    name = u"Export";
    name += Decimal(position);
    renamed |= kRenamedNoAlias;
  } else {
    name = ToNameCharacters(alias);
    if (name != alias) renamed |= kRenamedCharacters;
  }
  unsigned reserved = 0;
  if (IsDigit(name[0])) {
    reserved = kRenamedLeadingDigit;
  } else if (IsPureBasicKeyword(name)) {
    reserved = kRenamedKeyword;
  } else if (name.size() == 1 && kTypeLetters.find(LowerAscii(name[0])) != std::u16string_view::npos) {
    reserved = kRenamedTypeLetter;
  } else if (IsPureBasicCommand(name)) {
    reserved = kRenamedCommand;
  } else if (EqualIgnoringCase(name, kHandleName)) {
    reserved = kRenamedHandle;
  } else if (EqualIgnoringCase(name, procedure)) {
    reserved = kRenamedProcedure;
  }
  if (reserved != 0) name.insert(0, 1, u'_');
  renamed |= reserved;
  if (name.size() > kMaxPureBasicName) {
    name.resize(kCutPureBasicName);
    renamed |= kRenamedTooLong;
  }
  // "_7z_LoadDLL" for the alias 7z_LoadDLL of 7z.dll: still the procedure.
  while (EqualIgnoringCase(name, procedure)) {
    name.insert(0, 1, u'_');
    renamed |= kRenamedProcedure;
  }
  return name;
}

}  // namespace

bool IsPureBasicKeyword(std::u16string_view name) { return InTable(PureBasicKeywords(), name); }
bool IsPureBasicCommand(std::u16string_view name) { return InTable(PureBasicCommands(), name); }

std::optional<std::u16string> PureBasicLiteral(std::u16string_view text) {
  std::size_t escapes = 0;
  for (char16_t c : text) {
    if (c < 0x20) return std::nullopt;
    if (c == u'"' || c == u'\\') ++escapes;
  }
  // The limit counts what stands between the quotes, escapes included.
  if (text.size() + escapes > kMaxPureBasicLiteral) return std::nullopt;
  std::u16string literal;
  literal.reserve(text.size() + escapes + 3);
  if (escapes > 0) literal += u'~';
  literal += u'"';
  for (char16_t c : text) {
    if (c == u'"' || c == u'\\') literal += u'\\';
    literal += c;
  }
  literal += u'"';
  return literal;
}

std::u16string LoaderProcedureName(std::u16string_view libraryPath) {
  std::u16string base = ToNameCharacters(SourceBaseName(libraryPath));
  if (!base.empty() && IsDigit(base[0])) base.insert(0, 1, u'_');
  // A procedure name holds at most 128 characters, the suffix included.
  if (base.size() + kProcedureSuffix.size() > kMaxPureBasicName)
    base.resize(kMaxPureBasicName - kProcedureSuffix.size());
  return base + std::u16string(kProcedureSuffix);
}

LoaderNames NameLoaderRows(std::span<const SourceRow> rows, std::u16string_view libraryPath) {
  LoaderNames names;
  names.procedure = LoaderProcedureName(libraryPath);
  names.rows.resize(rows.size());
  std::unordered_set<std::u16string> taken;  // lower case
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const SourceRow& row = rows[i];
    if (!row.ticked) continue;
    LoaderRow& out = names.rows[i];
    if (row.function.empty()) {
      out.leftOut = LeftOut::NoFunctionName;
      ++names.leftOut;
      continue;
    }
    auto literal = PureBasicLiteral(row.function);
    if (!literal) {
      out.leftOut = LeftOut::NoLiteral;
      ++names.leftOut;
      continue;
    }
    out.literal = std::move(*literal);
    out.name = ValidName(row.alias, i + 1, names.procedure, out.renamed);
    if (!taken.insert(Lower(out.name)).second) {
      out.renamed |= kRenamedTaken;
      for (std::size_t n = 2;; ++n) {
        std::u16string suffix(1, u'_');
        suffix += Decimal(n);
        std::u16string candidate = out.name.substr(0, std::min(out.name.size(), kMaxPureBasicName - suffix.size()));
        candidate += suffix;
        if (taken.insert(Lower(candidate)).second) {
          out.name = std::move(candidate);
          break;
        }
      }
    }
    ++names.written;
    if (out.renamed != 0) ++names.renamed;
  }
  return names;
}

std::u16string RenameNote(const LoaderRow& row) {
  if (row.renamed == 0 || row.name.empty()) return {};
  static constexpr std::pair<unsigned, std::u16string_view> kReasons[] = {
      {kRenamedNoAlias, u"no alias"},
      {kRenamedCharacters, u"characters other than A-Z, a-z, 0-9 and _"},
      {kRenamedLeadingDigit, u"starts with a digit"},
      {kRenamedKeyword, u"same as a PureBasic keyword"},
      {kRenamedTypeLetter, u"same as a PureBasic type"},
      {kRenamedCommand, u"same as a PureBasic command"},
      {kRenamedHandle, u"same as the loader's hDLL"},
      {kRenamedProcedure, u"same as the loader procedure"},
      {kRenamedTooLong, u"longer than 128 characters"},
      {kRenamedTaken, u"an earlier row has the name"},
  };
  std::u16string note = u"loader name: " + row.name + u" (";
  bool first = true;
  for (const auto& [bit, text] : kReasons) {
    if ((row.renamed & bit) == 0) continue;
    if (!first) note += u"; ";
    note += text;
    first = false;
  }
  note += u')';
  return note;
}

}  // namespace vantorel
