// The export walk on a generated image with 65,535 named exports, side by
// side with a straightforward implementation that scans the whole name table
// for every slot (the obvious reading of "the last name that points at the
// slot wins"). Both must give the same list; the linear walk should be far
// ahead.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/exports.h"
#include "analysis/image_view.h"

namespace {

using vantorel::ExportEntry;
using vantorel::ImageView;

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

constexpr std::uint32_t kExportCount = 65535;

// A laid-out PE32+ image: headers, then one section holding the export
// directory, its tables and the names. Names are in sorted order as linkers
// write them; their slots are a permutation so the two orders differ, and a
// few slots carry a second name so "last wins" is exercised.
std::vector<std::uint8_t> MakeImage() {
  constexpr std::uint32_t kSection = 0x1000;
  constexpr std::uint32_t kFunctions = kSection + 40;
  constexpr std::uint32_t kNames = kFunctions + 4 * kExportCount;
  constexpr std::uint32_t kOrdinals = kNames + 4 * kExportCount;
  constexpr std::uint32_t kStrings = kOrdinals + 2 * kExportCount + 2;
  std::vector<std::uint8_t> image(kStrings + 16 * kExportCount, 0);

  Put16(image, 0, 0x5A4D);
  Put32(image, 0x3C, 0x80);
  Put32(image, 0x80, 0x4550);
  Put16(image, 0x84, 0x8664);
  Put16(image, 0x86, 1);
  Put16(image, 0x94, 0xF0);
  Put16(image, 0x96, 0x2022);
  const std::size_t opt = 0x98;
  Put16(image, opt, 0x20B);
  Put32(image, opt + 56, static_cast<std::uint32_t>(image.size()));
  Put32(image, opt + 60, 0x400);
  Put32(image, opt + 108, 16);
  Put32(image, opt + 112, kSection);
  Put32(image, opt + 116, static_cast<std::uint32_t>(image.size() - kSection));
  const std::size_t section = opt + 0xF0;
  Put32(image, section + 8, static_cast<std::uint32_t>(image.size() - kSection));
  Put32(image, section + 12, kSection);

  Put32(image, kSection + 16, 1);
  Put32(image, kSection + 20, kExportCount);
  Put32(image, kSection + 24, kExportCount);
  Put32(image, kSection + 28, kFunctions);
  Put32(image, kSection + 32, kNames);
  Put32(image, kSection + 36, kOrdinals);

  std::uint32_t strings = kStrings;
  for (std::uint32_t j = 0; j < kExportCount; ++j) {
    Put32(image, kFunctions + 4 * j, 0x2000 + 16 * j);
    const std::uint16_t slot = static_cast<std::uint16_t>((j * 40504u) % kExportCount);
    // Every 1000th name points at the slot of the name before it instead.
    const std::uint16_t target =
        j % 1000 == 999 ? static_cast<std::uint16_t>(((j - 1) * 40504u) % kExportCount) : slot;
    char name[16];
    const int length = std::snprintf(name, sizeof name, "Fn%06u", j);
    Put32(image, kNames + 4 * j, strings);
    Put16(image, kOrdinals + 2 * j, target);
    std::copy(name, name + length + 1, image.begin() + strings);
    strings += static_cast<std::uint32_t>(length + 1);
  }
  return image;
}

// The per-slot scan of the whole name table, with the same checked reads.
std::vector<ExportEntry> ListExportsQuadratic(const ImageView& image) {
  std::vector<ExportEntry> exports;
  auto headers = vantorel::ReadPeHeaders(image);
  if (!headers) return exports;
  const std::uint32_t directory = headers->directories[vantorel::kDirectoryExport].rva;
  if (!headers->RvaInAnySection(directory) || !image.contains(directory, 40)) return exports;
  const std::uint32_t base = *image.read32(directory + 16);
  const std::uint32_t functionCount = *image.read32(directory + 20);
  const std::uint32_t nameCount = *image.read32(directory + 24);
  const std::uint32_t functions = *image.read32(directory + 28);
  const std::uint32_t names = *image.read32(directory + 32);
  const std::uint32_t ordinals = *image.read32(directory + 36);
  for (std::uint32_t i = 0; i < functionCount; ++i) {
    ExportEntry entry;
    entry.ordinal = base + i;
    entry.rva = image.read32(functions + 4ull * i).value_or(0);
    if (entry.rva != 0) {
      for (std::uint32_t j = 0; j < nameCount; ++j) {
        if (image.read16(ordinals + 2ull * j) != i) continue;
        auto name = image.readCString(image.read32(names + 4ull * j).value_or(0));
        entry.name = name ? std::string(*name) : std::string();
      }
    }
    exports.push_back(std::move(entry));
  }
  return exports;
}

const std::vector<std::uint8_t>& Image() {
  static const std::vector<std::uint8_t> image = [] {
    auto built = MakeImage();
    const ImageView view(built.data(), built.size());
    const auto linear = vantorel::ListExports(view);
    const auto quadratic = ListExportsQuadratic(view);
    bool same = linear.size() == quadratic.size() && linear.size() == kExportCount;
    for (std::size_t i = 0; same && i < linear.size(); ++i)
      same = linear[i].name == quadratic[i].name && linear[i].rva == quadratic[i].rva &&
             linear[i].ordinal == quadratic[i].ordinal;
    if (!same) {
      std::fprintf(stderr, "export walks disagree\n");
      std::abort();
    }
    return built;
  }();
  return image;
}

void BM_ExportWalkLinear(benchmark::State& state) {
  const ImageView view(Image().data(), Image().size());
  for (auto _ : state) benchmark::DoNotOptimize(vantorel::ListExports(view));
  state.SetItemsProcessed(state.iterations() * kExportCount);
}
BENCHMARK(BM_ExportWalkLinear)->Unit(benchmark::kMillisecond);

void BM_ExportWalkQuadraticReference(benchmark::State& state) {
  const ImageView view(Image().data(), Image().size());
  for (auto _ : state) benchmark::DoNotOptimize(ListExportsQuadratic(view));
  state.SetItemsProcessed(state.iterations() * kExportCount);
}
BENCHMARK(BM_ExportWalkQuadraticReference)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
