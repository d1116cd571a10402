// The typed prototypes a C header gave the function table, kept beside the
// rows by export name: a row the header does not declare has none, and its
// source line is the untyped one it always was.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cheader/c_declarations.h"
#include "cheader/typed_prototype.h"
#include "codegen/function_table.h"
#include "platform/edition.h"

namespace vantorel {

// Keyed by the row's export name (its Function column).
using TypedPrototypes = std::map<std::u16string, TypedPrototype, std::less<>>;

// The prototype a row is declared with: the one kept for its export name
// while its Para still gives that prototype's parameter count. A count the
// user changed afterwards is the user's word, and the row is untyped again.
const TypedPrototype* TypedPrototypeOf(const TypedPrototypes& typed, std::u16string_view exportName,
                                       std::u16string_view para);

// The Conv label of a declared calling convention; empty for one PureBasic
// has no label for (thiscall, vectorcall).
std::u16string_view ConventionLabel(CallingConvention convention);

// Fills every row whose export the functions declare (by its name; in the x86
// edition also by a decorated _Name@N): Para becomes the declared parameter
// count, Conv the declared convention in the x86 edition, an empty Comment
// the declaration's comment ("variadic; ...", "struct by value: ..."), and
// typed gets the row's typed prototype. functions sorted by name, as an
// import leaves them. The number of rows filled.
std::size_t ApplyDeclarations(FunctionRows& rows, const std::vector<CFunction>& functions, TypedPrototypes& typed,
                              Edition edition = kEdition);

}  // namespace vantorel
