// The version-resource reader over arbitrary bytes, both as the resource data
// itself (translation and string lookups) and as a whole PE file in which the
// resource has to be found first.
#include "analysis/version_resource.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);

  if (auto translation = vantorel::ReadFirstTranslation(bytes)) {
    const auto path = vantorel::StringFileInfoPath(*translation, u"FileVersion");
    if (path.size() != 16 + 8 + 1 + 11) __builtin_trap();
  }
  for (const auto& key : vantorel::VersionKeys) {
    const std::u16string value = vantorel::ReadVersionString(bytes, key.key);
    if (value.find(u'\0') != std::u16string::npos) __builtin_trap();
  }
  (void)vantorel::QueryVersionValue(bytes, u"\\");
  (void)vantorel::QueryVersionString(bytes, u"\\StringFileInfo\\040904b0\\ProductName");

  if (auto resource = vantorel::FindVersionResource(bytes)) {
    if (resource->data() < data || resource->data() + resource->size() > data + size) __builtin_trap();
  }
  const auto strings = vantorel::ReadFileVersionStrings(bytes);
  if (!strings.values[vantorel::kLanguageIndex].empty()) __builtin_trap();
  return 0;
}
