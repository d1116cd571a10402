// The function table: one row per export slot, as the user edits it, and
// the rule that turns an export name into an identifier. The grid shows
// these rows, and the generator, the project file and the selection count
// read them; nothing reads them back out of a control.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/exports.h"
#include "platform/edition.h"

namespace vantorel {

struct FunctionRow {
  std::u16string exportName;  // as the library's export table gives it; empty for a slot without one
  std::u16string alias;       // the identifier the generated source declares
  std::u16string parameters;  // parameter count in decimal, or "?" when not given
  std::u16string convention;  // calling convention label
  std::u16string comment;
  bool ticked = true;  // wanted in the generated source
};

// Rows keep the order in which they were added: slot order for a library,
// group order for a project.
using FunctionRows = std::vector<FunctionRow>;

// Derives an identifier from an export name, counting UTF-16 code units:
// _MessageBoxA@16 -> MessageBoxA, ?Func@@YAXXZ -> unc, 123abc -> abc,
// "my func" -> my_func, ??? -> "".
std::u16string MakeAlias(std::u16string_view name);

// The parameter count a stdcall-decorated name "_Name@N" tells: N / 4, since
// every argument takes a multiple of 4 bytes on the x86 stack. None for any
// other name: N not a plain decimal multiple of 4, no "_", more than one "@".
std::optional<unsigned> StdcallParameterCount(std::u16string_view name);

// The row a freshly opened library gets for an export name: its alias, "?"
// parameters, the edition's convention ("FASTCALL", or "STDCALL" in the x86
// edition, where "_Name@N" also gives N / 4 parameters), no comment, ticked.
FunctionRow MakeFunctionRow(std::u16string exportName, Edition edition = kEdition);

// Whether a row is declared with PrototypeC: a "CDECL" row in the x86
// edition. On x64 there is one convention, and every row is a Prototype.
bool IsCdeclRow(std::u16string_view conv, Edition edition = kEdition);

// Export names are bytes in the code page of the system that built the
// library; this makes them text.
using ExportNameDecoder = std::function<std::u16string(std::string_view bytes)>;

// The table of a freshly opened library: one such row per slot of its walked
// export table, in slot order, each name decoded once.
FunctionRows MakeFunctionRows(std::span<const ExportEntry> exports, const ExportNameDecoder& decode,
                              Edition edition = kEdition);

// The ticked rows: the selection count's number.
std::size_t CountTicked(std::span<const FunctionRow> rows);

}  // namespace vantorel
