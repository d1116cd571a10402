#include "platform/purebasic_names.h"

#include <algorithm>
#include <string>

namespace vantorel {

bool IsPureBasicReservedWord(std::string_view name) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  const auto has = [&](std::span<const std::string_view> words) {
    return std::binary_search(words.begin(), words.end(), std::string_view(lower));
  };
  return has(PureBasicKeywords()) || has(PureBasicCommands());
}

}  // namespace vantorel
