// The open library's export slots as the walk found them, kept so that the
// function grid can tell about a row when it is hovered. A freshly opened
// library's rows are made from the same walk, so row r is slot r; a
// project's rows may be in any order or name slots the library no longer
// has, so they are found by name, through an index made on the first such
// look-up and never at open time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "analysis/export_tip.h"
#include "analysis/exports.h"

namespace vantorel {

class ExportTable {
 public:
  ExportTable() = default;
  // rowsAreSlots: the rows shown were made from these entries, in slot order.
  ExportTable(std::vector<ExportEntry> entries, bool pe32, bool rowsAreSlots);

  const std::vector<ExportEntry>& entries() const { return entries_; }
  std::size_t size() const { return entries_.size(); }
  bool pe32() const { return pe32_; }

  // What is known of the export that row `row` names (bytes in the
  // library's code page): its slot when the row is that slot or the name is
  // in the table, else only the name (no ordinal). An unnamed row of a
  // project matches no slot: nothing tells which one it was. The views
  // point into the table and into `name`.
  ExportFacts FactsFor(std::size_t row, std::string_view name) const;

 private:
  std::vector<ExportEntry> entries_;
  bool pe32_ = false;
  bool rowsAreSlots_ = false;
  // Slots with a name, sorted by name and then slot; made on first need.
  mutable std::vector<std::uint32_t> byName_;
  mutable bool indexed_ = false;
};

}  // namespace vantorel
