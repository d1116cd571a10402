// The PE check over arbitrary bytes: it must answer, never read outside.
#include <cstddef>
#include <cstdint>

#include "analysis/pe_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int result = vantorel::ClassifyPeImage({data, size});
  if (result < -1 || result > 1) __builtin_trap();
  return 0;
}
