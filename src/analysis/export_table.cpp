#include "analysis/export_table.h"

#include <algorithm>
#include <utility>

namespace vantorel {

ExportTable::ExportTable(std::vector<ExportEntry> entries, bool pe32, bool rowsAreSlots)
    : entries_(std::move(entries)), pe32_(pe32), rowsAreSlots_(rowsAreSlots) {}

ExportFacts ExportTable::FactsFor(std::size_t row, std::string_view name) const {
  const auto factsOf = [this](const ExportEntry& e) {
    return ExportFacts{e.name, e.ordinal, e.rva, e.forwarder, pe32_};
  };
  // A fresh library's row is its slot: no search, and a name that two slots
  // share still finds its own.
  if (rowsAreSlots_ && row < entries_.size() && entries_[row].name == name) return factsOf(entries_[row]);
  if (name.empty()) return ExportFacts{{}, std::nullopt, 0, {}, pe32_};
  if (!indexed_) {
    byName_.clear();
    for (std::size_t i = 0; i < entries_.size(); ++i)
      if (!entries_[i].name.empty()) byName_.push_back(static_cast<std::uint32_t>(i));
    std::stable_sort(byName_.begin(), byName_.end(),
                     [this](std::uint32_t a, std::uint32_t b) { return entries_[a].name < entries_[b].name; });
    indexed_ = true;
  }
  const auto found = std::lower_bound(byName_.begin(), byName_.end(), name,
                                      [this](std::uint32_t slot, std::string_view n) { return entries_[slot].name < n; });
  if (found != byName_.end() && entries_[*found].name == name) return factsOf(entries_[*found]);
  return ExportFacts{name, std::nullopt, 0, {}, pe32_};
}

}  // namespace vantorel
