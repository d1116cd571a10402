#pragma once
// The program's command line: the program path, then at most one file.
#include <string>
#include <string_view>

namespace vantorel {

// The first argument after the program path: arguments are separated by
// blanks (and tabs); double quotes group blanks into one argument and are not
// part of the value. Returns the empty string when there is none.
std::u16string FirstArgument(std::u16string_view commandLine);

// The extension of a path: the text after the last "." of its final
// component ("/" or "\" ends the search); empty when the component has none.
std::u16string_view PathExtension(std::u16string_view path);

// True when the path names a project file: its extension, lower-cased, is "prj".
bool IsProjectPath(std::u16string_view path);

// The command line that starts a copy of the program on one file.
std::u16string QuotedArgument(std::u16string_view path);

}  // namespace vantorel
