#include "codegen/function_table.h"

#include <algorithm>
#include <string>

#include "analysis/stack_decoration.h"

namespace vantorel {

namespace {

// Letters, "@" to "Z" (which takes in "@" and "[" is not) and "_" end the
// skipping of leading characters in an undecorated name.
bool StartsIdentifier(char16_t c) {
  return (c >= 0x40 && c <= 0x5A) || (c >= u'a' && c <= u'z') || c == u'_';
}

bool KeptInAlias(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

}  // namespace

std::u16string MakeAlias(std::u16string_view name) {
  // One pass straight into the alias: a library opens with one alias per
  // export, tens of thousands of them.
  const auto ats = static_cast<std::size_t>(std::count(name.begin(), name.end(), u'@'));
  // Decorated: everything before the last "@" minus the "@"s themselves,
  // less as many leading characters as there were "@"s (for _Func@12 that
  // is the underscore). Otherwise: from the first character that can start
  // an identifier.
  const std::u16string_view text = ats > 0 ? name.substr(0, name.rfind(u'@')) : name;
  std::size_t skip = ats;
  bool leading = ats == 0;
  std::u16string alias;
  alias.reserve(text.size());
  for (char16_t c : text) {
    if (ats > 0) {
      if (c == u'@') continue;
      if (skip > 0) {
        --skip;
        continue;
      }
    } else if (leading) {
      if (!StartsIdentifier(c)) continue;
      leading = false;
    }
    if (c == u' ') c = u'_';
    if (KeptInAlias(c)) alias.push_back(c);
  }
  return alias;
}

std::optional<unsigned> StdcallParameterCount(std::u16string_view name) {
  const auto suffix = ReadStackSuffix(name);
  // "_" and at least one character of name before the only "@".
  if (!suffix || suffix->stem.size() < 2 || suffix->stem[0] != u'_' ||
      suffix->stem.find(u'@') != std::u16string_view::npos || suffix->bytes % 4 != 0)
    return std::nullopt;
  return suffix->bytes / 4;
}

FunctionRow MakeFunctionRow(std::u16string exportName, Edition edition) {
  FunctionRow row;
  row.alias = MakeAlias(exportName);
  row.parameters = u"?";
  // A cdecl export cannot be told from its name, so every row starts with
  // the convention of the system's own libraries.
  row.convention = TraitsOf(edition).convention;
  if (edition == Edition::X86) {
    if (auto count = StdcallParameterCount(exportName)) {
      const std::string digits = std::to_string(*count);
      row.parameters.assign(digits.begin(), digits.end());
    }
  }
  row.exportName = std::move(exportName);
  row.ticked = true;
  return row;
}

FunctionRows MakeFunctionRows(std::span<const ExportEntry> exports, const ExportNameDecoder& decode,
                              Edition edition) {
  FunctionRows rows;
  rows.reserve(exports.size());
  for (const ExportEntry& e : exports) rows.push_back(MakeFunctionRow(decode(e.name), edition));
  return rows;
}

std::size_t CountTicked(std::span<const FunctionRow> rows) {
  return static_cast<std::size_t>(std::count_if(rows.begin(), rows.end(), [](const FunctionRow& r) { return r.ticked; }));
}

bool IsCdeclRow(std::u16string_view conv, Edition edition) {
  if (edition != Edition::X86 || conv.size() != 5) return false;
  // Project files may have been edited by hand: the case of the label does
  // not matter.
  constexpr std::u16string_view kCdecl = u"CDECL";
  for (std::size_t i = 0; i < conv.size(); ++i) {
    const char16_t c = conv[i] >= u'a' && conv[i] <= u'z' ? static_cast<char16_t>(conv[i] - 32) : conv[i];
    if (c != kCdecl[i]) return false;
  }
  return true;
}

}  // namespace vantorel
