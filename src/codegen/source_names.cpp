#include "codegen/source_names.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

#include "platform/purebasic_names.h"

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

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return LowerAscii(x) == LowerAscii(y); });
}

// PureBasic's keywords and commands in one table (no word is both), so a
// row's name is lowered and hashed once. Open addressing over a fixed array
// that stays in the cache while 65,535 names are looked up.
class ReservedWords {
 public:
  ReservedWords() {
    for (const auto& [list, reason] : {std::pair{PureBasicKeywords(), kRenamedKeyword}, {PureBasicCommands(), kRenamedCommand}}) {
      for (std::string_view word : list) {
        if (word.size() > kLongest) continue;  // no name can be looked up as one
        slots_[SlotOf(word, Hash(word))] = {word, reason};
      }
    }
  }

  // kRenamedKeyword, kRenamedCommand, or 0 for neither.
  unsigned Find(std::u16string_view name) const {
    std::array<char, kLongest> lower;
    if (name.empty() || name.size() > lower.size()) return 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
      if (name[i] >= 0x80) return 0;
      lower[i] = static_cast<char>(LowerAscii(name[i]));
    }
    const std::string_view word(lower.data(), name.size());
    return slots_[SlotOf(word, Hash(word))].reason;
  }

 private:
  static constexpr std::size_t kLongest = 64;
  struct Entry {
    std::string_view word;  // empty: free
    unsigned reason = 0;
  };

  static std::uint64_t Hash(std::string_view word) {
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : word) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash ^ (hash >> 29);
  }
  // The word's slot, or the free one where it would go.
  std::size_t SlotOf(std::string_view word, std::uint64_t hash) const {
    for (std::size_t at = hash & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
      if (slots_[at].word.empty() || slots_[at].word == word) return at;
    }
  }

  std::array<Entry, 8192> slots_{};  // four times the words PureBasic has
};

const ReservedWords& Reserved() {
  static const ReservedWords words;
  return words;
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

// Why a name that holds only name characters is no name of its own: a
// leading digit, or one PureBasic or the loader has. 0 when it is free.
unsigned ReservedBy(std::u16string_view name, std::u16string_view procedure) {
  if (IsDigit(name[0])) return kRenamedLeadingDigit;
  if (name.size() == 1 && kTypeLetters.find(LowerAscii(name[0])) != std::u16string_view::npos) return kRenamedTypeLetter;
  if (const unsigned word = Reserved().Find(name)) return word;
  if (EqualIgnoringCase(name, kHandleName)) return kRenamedHandle;
  if (EqualIgnoringCase(name, procedure)) return kRenamedProcedure;
  return 0;
}

// The name PureBasic takes for an alias that is none as it stands, before
// the check against the names earlier rows took.
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
  const unsigned reserved = ReservedBy(name, procedure);
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

bool IsValidName(std::u16string_view alias, std::u16string_view procedure) {
  return !alias.empty() && alias.size() <= kMaxPureBasicName &&
         std::all_of(alias.begin(), alias.end(), IsNameCharacter) && ReservedBy(alias, procedure) == 0;
}

// A name's hash as PureBasic compares names: ASCII letters without case.
std::uint64_t FoldedHash(std::u16string_view name) {
  std::uint64_t hash = 14695981039346656037ull;
  for (char16_t c : name) hash = (hash ^ LowerAscii(c)) * 1099511628211ull;
  return hash ^ (hash >> 29);
}

// The names earlier rows took. Open addressing over row numbers, each slot
// with a part of its name's hash: 65,535 names cost one small allocation
// rather than one each, and a probe reads another row's name only when the
// hashes agree.
class TakenNames {
 public:
  TakenNames(std::span<const FunctionRow> rows, const std::vector<LoaderRow>& names)
      : rows_(rows), names_(names), slots_(std::bit_ceil(2 * rows.size() + 16)) {}

  bool Contains(std::u16string_view name) const { return slots_[SlotOf(name, FoldedHash(name))].row != 0; }
  // Takes the loader name of row `row`; false when it was taken already.
  bool Insert(std::size_t row) {
    const std::u16string_view name = LoaderName(names_[row], rows_[row]);
    const std::uint64_t hash = FoldedHash(name);
    Slot& slot = slots_[SlotOf(name, hash)];
    if (slot.row != 0) return false;
    slot = {static_cast<std::uint32_t>(hash >> 32), static_cast<std::uint32_t>(row + 1)};
    return true;
  }

 private:
  struct Slot {
    std::uint32_t tag = 0;  // the hash's upper half
    std::uint32_t row = 0;  // 1 + the row's number; 0: free
  };

  // The name's slot, or the free one where it would go.
  std::size_t SlotOf(std::u16string_view name, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t at = static_cast<std::size_t>(hash) & mask;; at = (at + 1) & mask) {
      const Slot& slot = slots_[at];
      if (slot.row == 0) return at;
      if (slot.tag == tag &&
          EqualIgnoringCase(LoaderName(names_[slot.row - 1], rows_[slot.row - 1]), name))
        return at;
    }
  }

  std::span<const FunctionRow> rows_;
  const std::vector<LoaderRow>& names_;
  std::vector<Slot> slots_;
};

}  // namespace

bool IsPureBasicKeyword(std::u16string_view name) { return Reserved().Find(name) == kRenamedKeyword; }
bool IsPureBasicCommand(std::u16string_view name) { return Reserved().Find(name) == kRenamedCommand; }

bool FitsPureBasicLiteral(std::u16string_view text) {
  // The limit counts what stands between the quotes, escapes included.
  std::size_t length = text.size();
  for (char16_t c : text) {
    if (c < 0x20) return false;
    if (c == u'"' || c == u'\\') ++length;
  }
  return length <= kMaxPureBasicLiteral;
}

void AppendPureBasicLiteral(std::u16string& out, std::u16string_view text) {
  if (text.find_first_of(u"\"\\") == std::u16string_view::npos) {
    out += u'"';
    out += text;
    out += u'"';
    return;
  }
  out += u"~\"";
  for (char16_t c : text) {
    if (c == u'"' || c == u'\\') out += u'\\';
    out += c;
  }
  out += u'"';
}

std::u16string LoaderProcedureName(std::u16string_view libraryPath) {
  std::u16string base = ToNameCharacters(SourceBaseName(libraryPath));
  if (!base.empty() && IsDigit(base[0])) base.insert(0, 1, u'_');
  // A procedure name holds at most 128 characters, the suffix included.
  if (base.size() + kProcedureSuffix.size() > kMaxPureBasicName)
    base.resize(kMaxPureBasicName - kProcedureSuffix.size());
  return base + std::u16string(kProcedureSuffix);
}

LoaderNames NameLoaderRows(std::span<const FunctionRow> rows, std::u16string_view libraryPath) {
  LoaderNames names;
  names.procedure = LoaderProcedureName(libraryPath);
  names.rows.resize(rows.size());
  // Each row's own name first; most aliases are names as they stand and
  // cost no copy.
  std::vector<std::uint64_t> hashes;
  hashes.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const FunctionRow& row = rows[i];
    if (!row.ticked) continue;
    LoaderRow& out = names.rows[i];
    if (row.exportName.empty() || !FitsPureBasicLiteral(row.exportName)) {
      out.leftOut = row.exportName.empty() ? LeftOut::NoFunctionName : LeftOut::NoLiteral;
      ++names.leftOut;
      continue;
    }
    out.written = true;
    ++names.written;
    if (!IsValidName(row.alias, names.procedure)) out.rename = ValidName(row.alias, i + 1, names.procedure, out.renamed);
    hashes.push_back(FoldedHash(LoaderName(out, row)));
  }
  // Then the names a row shares with an earlier one, which a table of the
  // names taken finds in row order; when no two hashes agree there are none,
  // and a sort costs less than the table's scattered reads.
  std::sort(hashes.begin(), hashes.end());
  if (std::adjacent_find(hashes.begin(), hashes.end()) != hashes.end()) {
    TakenNames taken(rows, names.rows);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      LoaderRow& out = names.rows[i];
      if (!out.written || taken.Insert(i)) continue;
      std::u16string name(LoaderName(out, rows[i]));
      for (std::size_t n = 2;; ++n) {
        std::u16string suffix(1, u'_');
        suffix += Decimal(n);
        std::u16string candidate = name.substr(0, std::min(name.size(), kMaxPureBasicName - suffix.size()));
        candidate += suffix;
        if (!taken.Contains(candidate)) {
          out.rename = std::move(candidate);
          break;
        }
      }
      out.renamed |= kRenamedTaken;
      taken.Insert(i);
    }
  }
  for (const LoaderRow& out : names.rows) names.renamed += out.written && out.renamed != 0 ? 1 : 0;
  return names;
}

std::u16string RenameNote(const LoaderRow& row) {
  if (!row.written || row.renamed == 0) return {};
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
  std::u16string note = u"loader name: " + row.rename + u" (";
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
