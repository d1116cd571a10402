// Generating the loader source for the largest export table (65,535 ticked
// rows), and turning that text into the bytes of a saved file.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "codegen/source_file.h"
#include "codegen/source_generator.h"

namespace {

using vantorel::FunctionRow;

constexpr int kRows = 65535;

const std::vector<FunctionRow>& Rows() {
  static const std::vector<FunctionRow> rows = [] {
    std::vector<FunctionRow> r(kRows);
    for (int i = 0; i < kRows; ++i) {
      const std::string n = std::to_string(i);
      const std::u16string name = u"ExportedFunction" + std::u16string(n.begin(), n.end());
      r[i].exportName = name;
      r[i].alias = name;
      // A mix of unknown, small and capped counts, and some comments.
      const std::string para = i % 3 == 0 ? "?" : std::to_string(i % 30);
      r[i].parameters.assign(para.begin(), para.end());
      if (i % 4 == 0) r[i].comment = u"returns a handle; see the header";
    }
    return r;
  }();
  return rows;
}

void BM_BuildSourceText(benchmark::State& state) {
  const std::vector<FunctionRow>& rows = Rows();
  std::size_t length = 0;
  for (auto _ : state) {
    const std::u16string text = vantorel::BuildSourceText(rows, u"C:\\Libraries\\huge_library.dll");
    length = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["rows"] = kRows;
  state.counters["chars"] = static_cast<double>(length);
}
BENCHMARK(BM_BuildSourceText)->Unit(benchmark::kMillisecond);

void BM_EncodeSourceFile(benchmark::State& state) {
  const std::u16string text = vantorel::BuildSourceText(Rows(), u"C:\\Libraries\\huge_library.dll");
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  for (std::size_t lf; (lf = text.find(u'\n', start)) != std::u16string::npos; start = lf + 1)
    lines.push_back(text.substr(start, lf - start));
  lines.push_back(text.substr(start));
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string file = vantorel::EncodeSourceFile(lines);
    bytes = file.size();
    benchmark::DoNotOptimize(file.data());
  }
  state.counters["lines"] = static_cast<double>(lines.size());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_EncodeSourceFile)->Unit(benchmark::kMillisecond);

}  // namespace
