#include "codegen/function_table.h"

#include <algorithm>

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
  std::u16string text;
  std::size_t skip = 0;
  const auto ats = static_cast<std::size_t>(std::count(name.begin(), name.end(), u'@'));
  if (ats > 0) {
    // Decorated: keep everything before the last "@" minus the "@"s
    // themselves, then drop as many leading characters as there were "@"s
    // (for _Func@12 that is the underscore).
    const std::u16string_view undecorated = name.substr(0, name.rfind(u'@'));
    for (char16_t c : undecorated)
      if (c != u'@') text.push_back(c);
    skip = ats;
  } else {
    text.assign(name);
    while (skip < text.size() && !StartsIdentifier(text[skip])) ++skip;
  }
  text.erase(0, std::min(skip, text.size()));

  std::u16string alias;
  alias.reserve(text.size());
  for (char16_t c : text) {
    if (c == u' ') c = u'_';
    if (KeptInAlias(c)) alias.push_back(c);
  }
  return alias;
}

FunctionEntry MakeFunctionEntry(std::u16string name) {
  FunctionEntry entry;
  entry.Alias = MakeAlias(name);
  entry.Function = std::move(name);
  entry.Para = u"?";
  entry.Conv = u"FASTCALL";
  entry.checked = 1;
  return entry;
}

FunctionList MakeFunctionList(std::span<const std::u16string> exportNames) {
  FunctionList list;
  list.reserve(exportNames.size());
  for (const std::u16string& name : exportNames) list.push_back(MakeFunctionEntry(name));
  return list;
}

}  // namespace vantorel
