// Importing <windows.h> with everything it includes, as reading a header for
// kernel32 does: the preprocessor over about 160 headers and the parser over
// the text they make.
#include <benchmark/benchmark.h>

#include "cheader/header_import.h"

namespace {

void BM_ImportWindowsH(benchmark::State& state) {
  vantorel::HeaderImportOptions options;
  options.edition = vantorel::Edition::X64;
  options.includeDirs = {"/usr/share/mingw-w64/include"};
  std::size_t functions = 0, files = 0;
  for (auto _ : state) {
    const vantorel::HeaderImport import = vantorel::ImportHeader("/usr/share/mingw-w64/include/windows.h", options);
    if (import.fault != vantorel::HeaderFault::None) state.SkipWithError("the import failed");
    functions = import.functions.size();
    files = import.filesRead;
  }
  state.counters["functions"] = static_cast<double>(functions);
  state.counters["headers"] = static_cast<double>(files);
}
BENCHMARK(BM_ImportWindowsH)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
