// The export walk over arbitrary file bytes: laid out as an image, read from
// the file as its image without laying it out (which must list the same), and
// taken as an image directly (a file whose offsets equal its RVAs). It must
// answer within its caps and never read outside.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include <sanitizer/asan_interface.h>

#include "analysis/exports.h"
#include "analysis/file_image.h"
#include "analysis/image_view.h"
#include "file_like_source.h"
#include "platform/byte_source.h"

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

bool Same(const vantorel::ExportListing& a, const vantorel::ExportListing& b) {
  if (a.fault != b.fault || a.entries.size() != b.entries.size()) return false;
  for (std::size_t i = 0; i < a.entries.size(); ++i) {
    const auto &x = a.entries[i], &y = b.entries[i];
    if (x.ordinal != y.ordinal || x.rva != y.rva || x.name != y.name || x.forwarder != y.forwarder) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A small cap keeps a hostile SizeOfImage from exhausting the fuzzer's memory.
  if (auto image = vantorel::LayOutImage({data, size}, std::size_t{16} << 20)) {
    Check(vantorel::ListExports(vantorel::ImageView(*image)));
    // Sections without read, write and execute rights are mapped no-access by
    // the loader: marked in the view and poisoned, so a read there trips ASan.
    vantorel::ImageView view(*image);
    const auto headers = vantorel::ReadPeHeaders(view);
    const auto sections = headers ? headers->sections : std::vector<vantorel::PeSection>{};
    std::vector<std::pair<std::uint64_t, std::uint64_t>> holes;
    for (const auto& s : sections) {
      if (s.characteristics & 0xE0000000u || s.virtualAddress >= image->size()) continue;
      const std::uint64_t length = std::min<std::uint64_t>(s.VirtualExtent(), image->size() - s.virtualAddress);
      view.MarkUnreadable(s.virtualAddress, length);
      holes.emplace_back(s.virtualAddress, length);
    }
    for (auto [at, length] : holes) ASAN_POISON_MEMORY_REGION(image->data() + at, length);
    Check(vantorel::ListExports(view));
    for (auto [at, length] : holes) ASAN_UNPOISON_MEMORY_REGION(image->data() + at, length);

    // The command line's reading: the file's image read in small blocks
    // where the walk looks lists what the laid-out image lists with the
    // file's no-access sections marked.
    if (const auto fileHeaders = vantorel::ReadPeHeaders(vantorel::ByteReader(data, size))) {
      vantorel::ImageView marked(*image);
      vantorel::MarkNoAccessSections(marked, *fileHeaders);
      const FileLikeSource file(data, size);
      const vantorel::SourceReader reader(file, 61);
      const vantorel::FileImage fileImage(reader, *fileHeaders, std::size_t{16} << 20);
      if (!Same(vantorel::WalkExports(fileImage), vantorel::WalkExports(marked))) __builtin_trap();
    }
  }
  Check(vantorel::ListExports(vantorel::ImageView(data, size)));
  return 0;
}
