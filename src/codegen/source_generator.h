// The PureBasic loader source made from the ticked rows of the function
// grid: banner, one Prototype and one Global per function, and a procedure
// named after the library that opens it and fetches every address.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/edition.h"

namespace vantorel {

// One row of the function grid as the generator reads it: the Alias,
// Function, Para and Comment columns and whether its tick is set, and the
// Conv column, which only the x86 edition reads: its "CDECL" rows are
// declared with PrototypeC. On x64 every declaration is a plain Prototype.
struct SourceRow {
  std::u16string alias;
  std::u16string function;
  std::u16string para;
  std::u16string comment;
  bool ticked = true;
  std::u16string conv;
};

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
// Empty when no row is left to write.
std::u16string BuildSourceText(std::span<const SourceRow> rows, std::u16string_view libraryPath,
                               Edition edition = kEdition);
// The same with the rows' names already made (names of these rows and path).
struct LoaderNames;
std::u16string BuildSourceText(std::span<const SourceRow> rows, const LoaderNames& names,
                               std::u16string_view libraryPath, Edition edition = kEdition);

}  // namespace vantorel
