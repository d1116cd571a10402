// The saved form of the generated source: its default name beside the
// library and its bytes (UTF-8 with a byte order mark, CR LF line ends).
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/utf8.h"

namespace vantorel {

// The name proposed for the source of a library: the extension of the path's
// file part replaced by "pbi", or ".pbi" appended when the file part has no
// "."; a "." in a folder name is not an extension. "\" and "/" both separate.
// The path with the extension of its file part replaced (or appended when
// the file part has none).
std::u16string ReplaceFileExtension(std::u16string_view path, std::u16string_view extension);
std::u16string DefaultSourcePath(std::u16string_view libraryPath);

// The UTF-8 byte order mark every saved source starts with.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Appends one line of the saved file: the line as UTF-8, then CR LF.
void AppendSourceLine(std::string& out, std::u16string_view line);
// The whole saved file: the byte order mark, then each line followed by
// CR LF.
std::string EncodeSourceFile(std::span<const std::u16string> lines);

// The file the application saves for a generated text: the text split into
// lines as the preview editor splits it (CR LF, CR and LF each end a line,
// so the final LF leaves an empty last line), then encoded as above.
std::string EncodeSourceText(std::u16string_view text);

}  // namespace vantorel
