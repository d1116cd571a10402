// One export's tip, made when its row is hovered: the cost of the decoration
// readers and the demangler for the kinds of names libraries carry.
#include <benchmark/benchmark.h>

#include <string_view>

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

}  // namespace
