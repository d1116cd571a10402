// The export walk over arbitrary file bytes: laid out as an image, and taken
// as an image directly (a file whose offsets equal its RVAs). It must answer
// within its caps and never read outside.
#include <cstddef>
#include <cstdint>

#include "analysis/exports.h"
#include "analysis/image_view.h"

namespace {

void Check(const std::vector<vantorel::ExportEntry>& exports) {
  if (exports.size() > vantorel::kMaxExportSlots) __builtin_trap();
  for (const auto& e : exports) {
    if (e.name.size() > vantorel::kMaxExportNameLength) __builtin_trap();
    if (!e.name.empty() && e.rva == 0) __builtin_trap();
    if (e.name.find('\0') != std::string::npos) __builtin_trap();
    if (e.forwarder.size() > vantorel::kMaxExportNameLength) __builtin_trap();
    if (e.forwarder.find('\0') != std::string::npos) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A small cap keeps a hostile SizeOfImage from exhausting the fuzzer's memory.
  if (auto image = vantorel::LayOutImage({data, size}, std::size_t{16} << 20)) {
    Check(vantorel::ListExports(vantorel::ImageView(*image)));
  }
  Check(vantorel::ListExports(vantorel::ImageView(data, size)));
  return 0;
}
