// SHA-1 throughput: a 256 MB buffer through each engine, the same bytes as a
// file through the streamed fingerprint, and the system's sha1sum on that
// file in the same run (its digest must match ours).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "analysis/file_facts.h"

namespace {

using vantorel::Sha1;

constexpr std::size_t kSize = std::size_t{256} << 20;

const std::vector<std::uint8_t>& Buffer() {
  static const std::vector<std::uint8_t> buffer = [] {
    std::vector<std::uint8_t> b(kSize);
    std::uint64_t x = 0x9E3779B97F4A7C15ull;
    for (auto& byte : b) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      byte = static_cast<std::uint8_t>(x);
    }
    return b;
  }();
  return buffer;
}

// The buffer written once to a file; VANTOREL_SHA1_BENCH_FILE picks the place.
const std::string& BenchFile() {
  static const std::string path = [] {
    const char* chosen = std::getenv("VANTOREL_SHA1_BENCH_FILE");
    std::string p = chosen ? chosen : "/tmp/vantorel_sha1_bench.bin";
    std::FILE* f = std::fopen(p.c_str(), "wb");
    if (!f || std::fwrite(Buffer().data(), 1, Buffer().size(), f) != Buffer().size()) {
      std::fprintf(stderr, "cannot write %s\n", p.c_str());
      std::abort();
    }
    std::fclose(f);
    return p;
  }();
  return path;
}

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

void BM_Sha1Buffer(benchmark::State& state) {
  const auto engine = static_cast<Sha1::Engine>(state.range(0));
  if (engine == Sha1::Engine::ShaExtensions && !Sha1::ShaExtensionsAvailable()) {
    state.SkipWithError("no SHA extensions on this CPU");
    return;
  }
  const auto& buffer = Buffer();
  for (auto _ : state) {
    Sha1 sha(engine);
    sha.Update(buffer);
    benchmark::DoNotOptimize(sha.Final());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}
BENCHMARK(BM_Sha1Buffer)
    ->ArgName("engine")
    ->Arg(static_cast<int>(Sha1::Engine::Portable))
    ->Arg(static_cast<int>(Sha1::Engine::ShaExtensions))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_FileFingerprint(benchmark::State& state) {
  const auto engine = static_cast<Sha1::Engine>(state.range(0));
  if (engine == Sha1::Engine::ShaExtensions && !Sha1::ShaExtensionsAvailable()) {
    state.SkipWithError("no SHA extensions on this CPU");
    return;
  }
  const std::string& path = BenchFile();
  for (auto _ : state) benchmark::DoNotOptimize(vantorel::FileFingerprintNative(path.c_str(), engine));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSize));
}
BENCHMARK(BM_FileFingerprint)
    ->ArgName("engine")
    ->Arg(static_cast<int>(Sha1::Engine::Portable))
    ->Arg(static_cast<int>(Sha1::Engine::ShaExtensions))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// sha1sum as a child process on the same (cached) file, timed by wall clock.
void BM_Sha1sumTool(benchmark::State& state) {
  const std::string& path = BenchFile();
  const std::string ours = Narrow(vantorel::FileFingerprintNative(path.c_str()));
  const std::string command = "sha1sum '" + path + "'";
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    struct Closer {
      void operator()(std::FILE* f) const { pclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> pipe(popen(command.c_str(), "r"));
    char line[128] = {};
    if (!pipe || !std::fgets(line, sizeof line, pipe.get())) {
      state.SkipWithError("sha1sum did not run");
      return;
    }
    pipe.reset();
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (std::string(line).substr(0, 40) != ours) {
      state.SkipWithError("sha1sum disagrees with FileFingerprint");
      return;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSize));
}
BENCHMARK(BM_Sha1sumTool)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
