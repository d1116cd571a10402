// Export names are outside input: the decoration readers and the demangler
// must end, stay in bounds and keep the tip's form whatever the name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "analysis/export_tip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the bitness and splits name from forwarder.
  const bool pe32 = data[0] & 1;
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t split = rest.find('\n');
  const std::string_view name = rest.substr(0, split);
  const std::string_view forwarder = split == std::string_view::npos ? std::string_view{} : rest.substr(split + 1);
  const vantorel::ExportFacts facts{name, 1, 0x1000, forwarder, pe32};
  const auto tip = vantorel::MakeExportTip(facts, nullptr);
  const std::string text = vantorel::FormatTitledTip(tip);
  // Exactly one title separator, whatever the name held.
  std::size_t separators = 0;
  for (char c : text) separators += c == '\a';
  if (separators != 1) std::abort();
  return 0;
}
