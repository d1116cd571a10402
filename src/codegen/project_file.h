// The project file: which library the work belongs to (path and SHA-1) and
// every row of the function table, as UTF-8 text of comment, group and key
// lines. This is the text form only; requesters and the library live in
// project_win32.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "codegen/function_table.h"
#include "codegen/typed_rows.h"

namespace vantorel {

// What a project file holds.
struct ProjectContent {
  std::u16string dll;   // the library's full path as saved
  std::u16string sha1;  // its fingerprint when saved; empty when it was unreadable
  FunctionRows rows;    // one per group, in file order
  TypedPrototypes typed;  // from the groups' "Prototype" keys, by their Function
};

// Limits for files from outside. Nothing the tool writes comes near them: a
// library has at most 65,535 exports, and a row of one is a few hundred bytes.
inline constexpr std::size_t kMaxProjectFileBytes = std::size_t{64} << 20;
inline constexpr std::size_t kMaxProjectRows = std::size_t{1} << 18;

// The file's bytes: byte order mark and CR LF, a comment, "DLL" and "SHA1",
// then groups "1", "2", ... with checked ("1" for a ticked row, else "0"),
// Alias, Function, Para, Conv, Comment. A line break inside a value would
// split it into lines of its own, so CR and LF in values are written as
// blanks. A row that typed holds a prototype for (an imported header's) adds
// "Prototype" after Comment, in the stored form (FormatTypedPrototype):
// older readers skip a key they do not know, and a project without one is
// written as it always was.
std::string WriteProjectText(std::u16string_view dll, std::u16string_view sha1, std::span<const FunctionRow> rows,
                             const TypedPrototypes* typed = nullptr);

// Reads a project file's bytes: UTF-8 after a byte order mark, otherwise one
// character per byte (ISO 8859-1). Missing keys read as empty, a missing
// "checked" as ticked, any value other than 1 as unticked; when a key repeats
// in one group the first one counts. Only group lines make rows, whatever
// their names. Empty when the bytes are above
// kMaxProjectFileBytes or hold more than kMaxProjectRows groups: such a file
// is refused whole rather than loaded in part.
std::optional<ProjectContent> ReadProjectText(std::string_view bytes);

// A "checked" value as a decimal integer: leading blanks and tabs, an
// optional sign, digits up to the first other character; 0 when no digit
// follows. Values beyond the range of int are clamped, so no long number can
// wrap around to 1.
int ParseCheckedValue(std::u16string_view value);

// The name proposed for a library's project: the extension of the path's file
// part replaced by "prj", or ".prj" appended when the file part has none.
// Empty for an empty path.
std::u16string DefaultProjectPath(std::u16string_view libraryPath);

}  // namespace vantorel
