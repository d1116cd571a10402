#pragma once
// Saving the preview editor's text as a PureBasic source file: UTF-8 with a
// byte order mark, one CR LF line per editor line.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vantorel {

// How SaveSource reads the preview editor; bound to GetEditorText,
// GetEditorLineCount and GetEditorLine of editor 1. A member left empty
// reads as no text or no lines.
struct SourceLines {
  std::function<std::wstring()> text;
  std::function<std::int64_t()> lineCount;
  // A line without its line end.
  std::function<std::wstring(std::int64_t)> line;
};

inline constexpr wchar_t kSourceFilter[] = L"PB-Source (*.pb, *.pbi)|*.pb;*.pbi";

enum class SaveSourceResult {
  Saved,
  Empty,      // the editor holds no text; the user was told
  Cancelled,  // the requester was cancelled or the retry question answered No
  Failed,     // the file could not be written completely; the user was told
};

// The Save command on the Preview page: proposes the library's path with the
// extension "pbi", asks for the file, retries on a folder where nothing can
// be created, and writes the editor's lines.
SaveSourceResult SaveSource(const SourceLines& editor, const std::wstring& currentPath);

enum class ReplaceResult {
  Written,
  CannotCreate,  // the file can't be opened for writing, or nothing can be created beside it
  WriteFailed,   // writing or the final replace failed; the previous file is untouched
  WriteFailedInPlace,  // written directly (no temporary file possible) and failed: the file may be damaged
};

// Writes bytes as the whole content of path. The bytes go to a temporary file
// beside it first, which replaces path only once it is complete and flushed,
// so a failure never leaves path truncated or half-written. Where no
// temporary file can be made beside a target that can be opened for
// writing, the target is written directly.
ReplaceResult WriteFileReplacing(const std::wstring& path, std::string_view bytes);

}  // namespace vantorel
