// Finding rows in a big table: a pattern the user types, the rows it
// matches, and the view of those rows a grid shows. A view only chooses
// which rows are shown; the rows themselves stay in table order, and the
// source, the project file and the selection count always read all of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/export_tip.h"
#include "codegen/function_table.h"

namespace vantorel {

// What the user typed, ready to match. Without '*' or '?' it matches every
// text that contains it; with them it is a wildcard pattern ('*' any run of
// characters, '?' one) matched against the whole text. Case is ignored in
// both: letters of the Latin, Greek and Cyrillic alphabets match their other
// case.
class RowPattern {
 public:
  explicit RowPattern(std::u16string_view text);
  bool Empty() const { return folded_.empty(); }
  bool IsWildcard() const { return wildcard_; }
  bool Matches(std::u16string_view text) const;
  // Every text this one matches, the other matches too: the rows it shows
  // are among those the other showed (a substring typed further).
  bool Narrows(const RowPattern& other) const;

 private:
  std::u16string folded_;
  bool wildcard_ = false;
};

// A C++ export's name as a reader knows it, per row: MSVC names through
// `undecorateMsvc` (without one, the qualified name read from the
// decoration), Itanium names through the demangler; empty for rows whose
// name is not decorated. Made once per table: names do not change.
std::vector<std::u16string> UndecoratedNames(std::span<const FunctionRow> rows, MsvcUndecorator undecorateMsvc);

// Patterns of which any one match shows a row; none shows every row. A row
// matches on its export name, alias, comment or undecorated name.
class RowFilter {
 public:
  RowFilter() = default;
  explicit RowFilter(std::vector<RowPattern> patterns);
  // One pattern from what the user typed (empty: every row).
  static RowFilter FromText(std::u16string_view text);
  bool ShowsAll() const { return patterns_.empty(); }
  bool Matches(const FunctionRow& row, std::u16string_view undecorated) const;
  // Every row this filter shows, the other showed too.
  bool Narrows(const RowFilter& other) const;

 private:
  std::vector<RowPattern> patterns_;
};

// The rows a grid shows, by their position in the table, in table order:
// shown position <-> row index.
class RowView {
 public:
  // Every one of `total` rows.
  static RowView All(std::size_t total);
  // The rows `filter` matches; `undecorated` as UndecoratedNames gives (or
  // shorter: the rows past it have none).
  static RowView Filtered(std::span<const FunctionRow> rows, const RowFilter& filter,
                          std::span<const std::u16string> undecorated);
  // The same, testing only the rows `previous` shows: for a filter that
  // narrows the one `previous` was made with.
  static RowView Narrowed(const RowView& previous, std::span<const FunctionRow> rows, const RowFilter& filter,
                          std::span<const std::u16string> undecorated);

  bool ShowsAll() const { return all_; }
  std::size_t Shown() const { return all_ ? total_ : shown_.size(); }
  std::size_t Total() const { return total_; }
  // The row at a shown position; -1 outside the view.
  std::int64_t RowAt(std::int64_t position) const;
  // The shown position of a row; -1 when it is not shown.
  std::int64_t PositionOf(std::int64_t row) const;

 private:
  bool all_ = true;
  std::size_t total_ = 0;
  std::vector<std::uint32_t> shown_;  // row indexes, ascending; unused when all_
};

// "1,234 of 65,535 shown".
std::u16string ShownCountText(std::size_t shown, std::size_t total);

// Ticks or unticks exactly the rows the view shows; how many changed.
std::size_t TickShownRows(std::span<FunctionRow> rows, const RowView& view, bool ticked);

// The command line's choice of rows: with `only` given, a row stays ticked
// only when it matches it; then every row `except` matches is unticked.
// The rows' own ticks are the start (all ticked for a fresh library).
void TickOnlyAndExcept(std::span<FunctionRow> rows, const RowFilter& only, const RowFilter& except,
                       std::span<const std::u16string> undecorated);

}  // namespace vantorel
