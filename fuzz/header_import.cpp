// The header importer over arbitrary bytes as a header's text, under small
// bounds: it must end within them, with a fault and nothing or with functions
// whose typed prototypes read back from their stored form.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cheader/header_import.h"
#include "cheader/typed_prototype.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  vantorel::HeaderImportOptions options;
  options.edition = data[0] & 1 ? vantorel::Edition::X86 : vantorel::Edition::X64;
  options.limits.maxTokens = 200000;
  options.limits.maxTextBytes = 1u << 20;
  options.limits.maxTime = std::chrono::milliseconds(2000);
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const vantorel::HeaderImport import = vantorel::ImportHeaderText(text, "/nonexistent/fuzz.h", options);
  if (import.fault != vantorel::HeaderFault::None && !import.functions.empty()) __builtin_trap();
  for (const vantorel::CFunction& f : import.functions) {
    if (f.name.empty() || f.text.size() > vantorel::kMaxDeclarationText) __builtin_trap();
    if (vantorel::FindDeclaration(import.functions, f.name) == nullptr) __builtin_trap();
    const vantorel::TypedPrototype prototype = vantorel::MakeTypedPrototype(f);
    const auto back = vantorel::ParseTypedPrototype(vantorel::FormatTypedPrototype(prototype));
    if (!back || !(*back == prototype)) __builtin_trap();
  }
  return 0;
}
