#include "codegen/row_filter.h"

#include <algorithm>
#include <array>
#include <memory>

#include "analysis/msvc_decoration.h"

namespace vantorel {

namespace {

// Every UTF-16 unit's lower case, made once: the filter folds millions of
// units a keystroke, and a table look-up is the cheapest fold there is.
class CaseFold {
 public:
  CaseFold() {
    for (std::size_t c = 0; c < table_.size(); ++c) table_[c] = static_cast<char16_t>(c);
    auto shift = [this](char16_t first, char16_t last, char16_t by) {
      for (char16_t c = first; c <= last; ++c) table_[c] = static_cast<char16_t>(c + by);
    };
    // Latin: ASCII, Latin-1 (not the multiplication sign), Latin
    // Extended-A, where upper and lower case alternate.
    shift(u'A', u'Z', 0x20);
    shift(0xC0, 0xD6, 0x20);
    shift(0xD8, 0xDE, 0x20);
    auto pairs = [this](char16_t first, char16_t last) {
      for (char16_t c = first; c < last; c += 2) table_[c] = static_cast<char16_t>(c + 1);
    };
    pairs(0x100, 0x137);
    pairs(0x139, 0x148);
    pairs(0x14A, 0x177);
    table_[0x178] = 0xFF;
    pairs(0x179, 0x17E);
    // Greek and Cyrillic capitals.
    shift(0x391, 0x3A1, 0x20);
    shift(0x3A3, 0x3A9, 0x20);
    shift(0x400, 0x40F, 0x50);
    shift(0x410, 0x42F, 0x20);
    // Fullwidth Latin.
    shift(0xFF21, 0xFF3A, 0x20);
  }
  char16_t operator()(char16_t c) const { return table_[c]; }

 private:
  std::array<char16_t, 0x10000> table_{};
};

const CaseFold& Fold() {
  static const auto fold = std::make_unique<CaseFold>();
  return *fold;
}

// Whether `text` contains the folded `needle`, case ignored.
bool ContainsFolded(std::u16string_view text, std::u16string_view needle, const CaseFold& fold) {
  if (needle.size() > text.size()) return false;
  const char16_t first = needle.front();
  const std::size_t last = text.size() - needle.size();
  for (std::size_t i = 0; i <= last; ++i) {
    if (fold(text[i]) != first) continue;
    std::size_t j = 1;
    while (j < needle.size() && fold(text[i + j]) == needle[j]) ++j;
    if (j == needle.size()) return true;
  }
  return false;
}

// The whole of `text` against the folded wildcard `pattern`. On a mismatch
// the last '*' takes one more character: linear in practice, and never
// worse than text x pattern.
bool WildcardMatchesFolded(std::u16string_view text, std::u16string_view pattern, const CaseFold& fold) {
  std::size_t t = 0, p = 0;
  std::size_t starAt = std::u16string_view::npos, resumeAt = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starAt = p++;
      resumeAt = t;
    } else if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == fold(text[t]))) {
      ++p;
      ++t;
    } else if (starAt != std::u16string_view::npos) {
      p = starAt + 1;
      t = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

std::u16string Widen(std::string_view bytes) {
  std::u16string text(bytes.size(), u'\0');
  std::transform(bytes.begin(), bytes.end(), text.begin(),
                 [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
  return text;
}

}  // namespace

RowPattern::RowPattern(std::u16string_view text) {
  const CaseFold& fold = Fold();
  folded_.reserve(text.size());
  for (char16_t c : text) folded_.push_back(fold(c));
  wildcard_ = folded_.find_first_of(u"*?") != std::u16string::npos;
}

bool RowPattern::Matches(std::u16string_view text) const {
  if (folded_.empty()) return true;
  return wildcard_ ? WildcardMatchesFolded(text, folded_, Fold()) : ContainsFolded(text, folded_, Fold());
}

bool RowPattern::Narrows(const RowPattern& other) const {
  if (other.folded_.empty()) return true;
  if (wildcard_ || other.wildcard_) return folded_ == other.folded_ && wildcard_ == other.wildcard_;
  return folded_.find(other.folded_) != std::u16string::npos;
}

std::vector<std::u16string> UndecoratedNames(std::span<const FunctionRow> rows, MsvcUndecorator undecorateMsvc) {
  std::vector<std::u16string> names(rows.size());
  std::string bytes;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::u16string& name = rows[i].exportName;
    if (name.size() < 2 || (name.front() != u'?' && !(name[0] == u'_' && name[1] == u'Z'))) continue;
    // Decorations are ASCII; a name with anything else is no C++ symbol.
    if (std::any_of(name.begin(), name.end(), [](char16_t c) { return c == 0 || c >= 0x80; })) continue;
    bytes.assign(name.begin(), name.end());
    std::string plain;
    if (name.front() == u'?')
      plain = undecorateMsvc ? undecorateMsvc(bytes) : MsvcQualifiedName(bytes);
    else
      plain = DemangleItanium(bytes);
    if (!plain.empty() && plain != bytes) names[i] = Widen(plain);
  }
  return names;
}

RowFilter::RowFilter(std::vector<RowPattern> patterns) {
  for (RowPattern& p : patterns)
    if (!p.Empty()) patterns_.push_back(std::move(p));
}

RowFilter RowFilter::FromText(std::u16string_view text) {
  std::vector<RowPattern> patterns;
  patterns.emplace_back(text);
  return RowFilter(std::move(patterns));
}

bool RowFilter::Matches(const FunctionRow& row, std::u16string_view undecorated) const {
  if (patterns_.empty()) return true;
  for (const RowPattern& p : patterns_) {
    if (p.Matches(row.exportName) || p.Matches(row.alias) || p.Matches(row.comment) ||
        (!undecorated.empty() && p.Matches(undecorated)))
      return true;
  }
  return false;
}

bool RowFilter::Narrows(const RowFilter& other) const {
  if (other.patterns_.empty()) return true;
  if (patterns_.empty()) return false;
  return std::all_of(patterns_.begin(), patterns_.end(), [&other](const RowPattern& mine) {
    return std::any_of(other.patterns_.begin(), other.patterns_.end(),
                       [&mine](const RowPattern& theirs) { return mine.Narrows(theirs); });
  });
}

RowView RowView::All(std::size_t total) {
  RowView view;
  view.total_ = total;
  return view;
}

RowView RowView::Filtered(std::span<const FunctionRow> rows, const RowFilter& filter,
                          std::span<const std::u16string> undecorated) {
  return Narrowed(All(rows.size()), rows, filter, undecorated);
}

RowView RowView::Narrowed(const RowView& previous, std::span<const FunctionRow> rows, const RowFilter& filter,
                          std::span<const std::u16string> undecorated) {
  RowView view;
  view.total_ = rows.size();
  if (filter.ShowsAll()) return view;
  view.all_ = false;
  auto test = [&](std::size_t row) {
    if (row >= rows.size()) return;
    const std::u16string_view plain = row < undecorated.size() ? std::u16string_view(undecorated[row]) : u"";
    if (filter.Matches(rows[row], plain)) view.shown_.push_back(static_cast<std::uint32_t>(row));
  };
  if (previous.all_ || previous.total_ != rows.size()) {
    for (std::size_t row = 0; row < rows.size(); ++row) test(row);
  } else {
    for (std::uint32_t row : previous.shown_) test(row);
  }
  return view;
}

std::int64_t RowView::RowAt(std::int64_t position) const {
  if (position < 0 || static_cast<std::uint64_t>(position) >= Shown()) return -1;
  return all_ ? position : shown_[static_cast<std::size_t>(position)];
}

std::int64_t RowView::PositionOf(std::int64_t row) const {
  if (row < 0 || static_cast<std::uint64_t>(row) >= total_) return -1;
  if (all_) return row;
  const auto at = std::lower_bound(shown_.begin(), shown_.end(), static_cast<std::uint64_t>(row));
  if (at == shown_.end() || *at != row) return -1;
  return at - shown_.begin();
}

std::u16string ShownCountText(std::size_t shown, std::size_t total) {
  auto grouped = [](std::size_t number) {
    std::u16string digits;
    int count = 0;
    do {
      if (count > 0 && count % 3 == 0) digits.push_back(u',');
      digits.push_back(static_cast<char16_t>(u'0' + number % 10));
      number /= 10;
      ++count;
    } while (number != 0);
    std::reverse(digits.begin(), digits.end());
    return digits;
  };
  return grouped(shown) + u" of " + grouped(total) + u" shown";
}

std::size_t TickShownRows(std::span<FunctionRow> rows, const RowView& view, bool ticked) {
  std::size_t changed = 0;
  const auto shown = static_cast<std::int64_t>(view.Shown());
  for (std::int64_t position = 0; position < shown; ++position) {
    const std::int64_t row = view.RowAt(position);
    if (row < 0 || static_cast<std::uint64_t>(row) >= rows.size()) continue;
    FunctionRow& r = rows[static_cast<std::size_t>(row)];
    if (r.ticked != ticked) {
      r.ticked = ticked;
      ++changed;
    }
  }
  return changed;
}

void TickOnlyAndExcept(std::span<FunctionRow> rows, const RowFilter& only, const RowFilter& except,
                       std::span<const std::u16string> undecorated) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    FunctionRow& row = rows[i];
    if (!row.ticked) continue;
    const std::u16string_view plain = i < undecorated.size() ? std::u16string_view(undecorated[i]) : u"";
    if (!only.ShowsAll() && !only.Matches(row, plain)) row.ticked = false;
    if (!except.ShowsAll() && except.Matches(row, plain)) row.ticked = false;
  }
}

}  // namespace vantorel
