// The function table: one record per exported function, as the user edits it,
// and the rule that turns an export name into an identifier.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/edition.h"

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

// The parameter count a stdcall-decorated name "_Name@N" tells: N / 4, since
// every argument takes a multiple of 4 bytes on the x86 stack. None for any
// other name: N not a plain decimal multiple of 4, no "_", more than one "@".
std::optional<unsigned> StdcallParameterCount(std::u16string_view name);

// The entry a freshly opened library gets for an export name: its alias, "?"
// parameters, the edition's convention ("FASTCALL", or "STDCALL" in the x86
// edition, where "_Name@N" also gives N / 4 parameters), no comment, ticked.
FunctionEntry MakeFunctionEntry(std::u16string name, Edition edition = kEdition);

// Whether a row is declared with PrototypeC: a "CDECL" row in the x86
// edition. On x64 there is one convention, and every row is a Prototype.
bool IsCdeclRow(std::u16string_view conv, Edition edition = kEdition);

// The table of a freshly opened library: one such entry per export name,
// in the order given. The names move into the entries.
FunctionList MakeFunctionList(std::vector<std::u16string> exportNames);

}  // namespace vantorel
