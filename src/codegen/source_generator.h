// The PureBasic loader source made from the ticked rows of the function
// table: banner, one Prototype and one Global per function, and a procedure
// named after the library that opens it and fetches every address. Of a row
// it reads the alias, export name, parameters and comment, and the
// convention only in the x86 edition, where "CDECL" rows are declared with
// PrototypeC; on x64 every declaration is a plain Prototype.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "codegen/function_table.h"
#include "platform/edition.h"
#include "codegen/typed_rows.h"

namespace vantorel {

// The most parameters a prototype gets: one per letter a to z.
inline constexpr int kMaxSourceParameters = 26;

// The number at the start of a Para text, as the prototype's parameter
// count: blanks and tabs skipped, an optional sign, then decimal digits, "$"
// and hex digits or "%" and binary digits. No digits, and any count below 1,
// mean no parameters; counts above 26 are cut to 26. Result 0..26; digit
// strings of any length are fine.
int ReadParameterCount(std::u16string_view para);

// The text after the last "\" or "/" (the whole path without either).
std::u16string_view SourceFilePart(std::u16string_view path);
// The file part without the text after its last "." and without that ".".
std::u16string_view SourceBaseName(std::u16string_view path);

// The whole generated text, every line ending with LF: the ticked rows under
// the names NameLoaderRows gives them, the rows it leaves out in no block.
// Empty when no row is left to write. A row that typed holds a prototype for
// (TypedPrototypeOf) is declared with its types and parameter names.
std::u16string BuildSourceText(std::span<const FunctionRow> rows, std::u16string_view libraryPath,
                               Edition edition = kEdition, const TypedPrototypes* typed = nullptr);
// The same with the rows' names already made (names of these rows and path).
struct LoaderNames;
std::u16string BuildSourceText(std::span<const FunctionRow> rows, const LoaderNames& names,
                               std::u16string_view libraryPath, Edition edition = kEdition,
                               const TypedPrototypes* typed = nullptr);

}  // namespace vantorel
