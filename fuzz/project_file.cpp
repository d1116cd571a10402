// The project reader over arbitrary bytes; whatever it accepts must come back
// the same after being written and read again, and the loader names its
// rows get are names PureBasic takes, each once.
#include "codegen/project_file.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>
#include <vector>

#include "codegen/source_names.h"

namespace {

std::u16string Lower(std::u16string_view name) {
  std::u16string lower(name);
  for (char16_t& c : lower) c = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
  return lower;
}

bool IsNameCharacter(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

void CheckLoaderNames(const vantorel::FunctionRows& source, std::u16string_view path) {
  const vantorel::LoaderNames names = vantorel::NameLoaderRows(source, path);
  std::set<std::u16string> taken{Lower(names.procedure), u"hdll"};
  for (std::size_t i = 0; i < source.size(); ++i) {
    if (!names.rows[i].written) continue;
    const std::u16string_view name = vantorel::LoaderName(names.rows[i], source[i]);
    if (name.empty() || name.size() > vantorel::kMaxPureBasicName || (name[0] >= u'0' && name[0] <= u'9') ||
        !std::all_of(name.begin(), name.end(), IsNameCharacter) || vantorel::IsPureBasicKeyword(name) ||
        vantorel::IsPureBasicCommand(name) || (name.size() == 1 && Lower(name).find_first_of(u"abcdfilqsuw") == 0) ||
        !vantorel::FitsPureBasicLiteral(source[i].exportName) ||
        !taken.insert(Lower(name)).second)
      __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto first = vantorel::ReadProjectText(bytes);
  if (!first) return 0;
  if (first->rows.size() > vantorel::kMaxProjectRows) __builtin_trap();
  CheckLoaderNames(first->rows, first->dll);
  const auto second = vantorel::ReadProjectText(vantorel::WriteProjectText(first->dll, first->sha1, first->rows));
  if (!second || second->dll != first->dll || second->sha1 != first->sha1) __builtin_trap();
  if (second->rows.size() != first->rows.size()) __builtin_trap();
  for (std::size_t i = 0; i < first->rows.size(); ++i) {
    const auto& a = first->rows[i];
    const auto& b = second->rows[i];
    if (a.ticked != b.ticked || a.alias != b.alias || a.exportName != b.exportName || a.parameters != b.parameters ||
        a.convention != b.convention || a.comment != b.comment) {
      __builtin_trap();
    }
  }
  return 0;
}
