// The function table: one record per exported function, as the user edits it,
// and the rule that turns an export name into an identifier.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

struct FunctionEntry {
  std::u16string Function;  // the export's name; empty for an export without one
  std::u16string Alias;     // the identifier the generated source uses
  std::u16string Para;      // parameter count in decimal, or "?" when not given
  std::u16string Conv;      // calling convention label
  std::u16string Comment;
  int checked = 1;  // 1 = ticked; any other value is not ticked
};

// Entries keep the order in which they were added.
using FunctionList = std::vector<FunctionEntry>;

// Derives an identifier from an export name, counting UTF-16 code units:
// _MessageBoxA@16 -> MessageBoxA, ?Func@@YAXXZ -> unc, 123abc -> abc,
// "my func" -> my_func, ??? -> "".
std::u16string MakeAlias(std::u16string_view name);

// The entry a freshly opened library gets for an export name: its alias, "?"
// parameters, "FASTCALL", no comment, ticked.
FunctionEntry MakeFunctionEntry(std::u16string name);

// The table of a freshly opened library: one such entry per export name,
// in the order given.
FunctionList MakeFunctionList(std::span<const std::u16string> exportNames);

}  // namespace vantorel
