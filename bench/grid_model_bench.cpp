// The grid model's side of a function-grid fill: 65,535 rows of six texts,
// emptied and filled again, without any window.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "grid/grid_model.h"

namespace {

void BM_GridModelFill(benchmark::State& state) {
  constexpr int kRows = 65535;
  std::vector<std::u16string> names;
  for (int i = 0; i < kRows; ++i) {
    const std::string n = "Function_" + std::to_string(i);
    names.emplace_back(n.begin(), n.end());
  }
  vantorel::GridModel model;
  for (int c = 0; c < 6; ++c) model.InsertColumn(-1);
  for (auto _ : state) {
    model.ClearRows();
    for (int r = 0; r < kRows; ++r) {
      model.InsertRow(r, u"", 0x80000000u);
      model.Row(r)->state |= 2;
      const std::string number = std::to_string(r + 1);
      model.SetText(0, r, std::u16string(number.begin(), number.end()));
      model.SetText(1, r, names[static_cast<std::size_t>(r)]);
      model.SetText(2, r, names[static_cast<std::size_t>(r)]);
      model.SetText(3, r, u"?");
      model.SetText(4, r, u"FASTCALL");
      model.SetText(5, r, u"");
    }
    benchmark::DoNotOptimize(model.RowCount());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_GridModelFill)->Unit(benchmark::kMillisecond);

}  // namespace
