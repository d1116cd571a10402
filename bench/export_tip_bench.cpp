// One export's tip, made when its row is hovered: the cost of the decoration
// readers and the demangler for the kinds of names libraries carry.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string_view>
#include <vector>

#include "analysis/export_table.h"
#include "analysis/export_tip.h"

namespace {

void BM_ExportTip(benchmark::State& state, std::string_view name) {
  const vantorel::ExportFacts facts{name, 1, 0x1040, {}, false};
  for (auto _ : state) benchmark::DoNotOptimize(vantorel::FormatTitledTip(vantorel::MakeExportTip(facts, nullptr)));
}

BENCHMARK_CAPTURE(BM_ExportTip, plain, std::string_view("GetTickCount"));
BENCHMARK_CAPTURE(BM_ExportTip, msvc_template,
                  std::string_view("?Copy@@YAXAEBV?$vector@HV?$allocator@H@std@@@std@@AEAV12@@Z"));
BENCHMARK_CAPTURE(BM_ExportTip, itanium_member, std::string_view("_ZNK2Vt7Archive4ReadEPvj"));

// A project's row over 65,535 exports: the first hover sorts the names once,
// every later one searches them.
std::vector<vantorel::ExportEntry> ManyExports() {
  std::vector<vantorel::ExportEntry> entries(65535);
  for (std::uint32_t i = 0; i < entries.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Function_%05u", 65535 - i);
    entries[i] = {i + 1, 0x1000 + 16 * i, name, {}};
  }
  return entries;
}

void BM_ProjectRowFirstHover(benchmark::State& state) {
  const auto entries = ManyExports();
  for (auto _ : state) {
    state.PauseTiming();
    const vantorel::ExportTable table(entries, false, false);
    state.ResumeTiming();
    benchmark::DoNotOptimize(table.FactsFor(0, "Function_32768"));
  }
}
BENCHMARK(BM_ProjectRowFirstHover)->Unit(benchmark::kMillisecond);

void BM_ProjectRowNextHover(benchmark::State& state) {
  const vantorel::ExportTable table(ManyExports(), false, false);
  table.FactsFor(0, "Function_00001");
  for (auto _ : state) benchmark::DoNotOptimize(table.FactsFor(0, "Function_32768"));
}
BENCHMARK(BM_ProjectRowNextHover);

}  // namespace
