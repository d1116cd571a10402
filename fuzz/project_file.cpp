// The project reader over arbitrary bytes; whatever it accepts must come back
// the same after being written and read again.
#include "codegen/project_file.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto first = vantorel::ReadProjectText(bytes);
  if (!first) return 0;
  if (first->rows.size() > vantorel::kMaxProjectRows) __builtin_trap();
  const auto second = vantorel::ReadProjectText(vantorel::WriteProjectText(first->dll, first->sha1, first->rows));
  if (!second || second->dll != first->dll || second->sha1 != first->sha1) __builtin_trap();
  if (second->rows.size() != first->rows.size()) __builtin_trap();
  for (std::size_t i = 0; i < first->rows.size(); ++i) {
    const auto& a = first->rows[i];
    const auto& b = second->rows[i];
    if ((a.checked == 1) != (b.checked == 1) || a.Alias != b.Alias || a.Function != b.Function ||
        a.Para != b.Para || a.Conv != b.Conv || a.Comment != b.Comment) {
      __builtin_trap();
    }
  }
  return 0;
}
