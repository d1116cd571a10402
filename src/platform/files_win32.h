#pragma once
// Files the user names: writing one whole, so that a failure never leaves it
// half-written, reading one whole, and what is there.
#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace vantorel {

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

enum class ReadResult { Read, Unreadable, TooLarge };

// The whole content of a file on disk (not a pipe or a device, where
// reading to the end could wait forever), refused above maxBytes.
ReadResult ReadWholeDiskFile(const std::wstring& path, std::size_t maxBytes, std::string& bytes);

// Whether path names a file on disk (not a pipe or a device).
bool IsDiskFile(const std::wstring& path);

// A file, not a folder, holding at least one byte.
bool HasNonEmptyFile(const std::wstring& path);

}  // namespace vantorel
