#pragma once
// Version strings and fingerprints of files on disk, through the system.
#include <string>

#include "analysis/version_info.h"

namespace vantorel {

// One value of a file's version resource, read anew through the version API:
// the first translation only; key "Language" gives the display name of its
// language. Empty whenever a step fails.
std::wstring GetVersionString(const std::wstring& path, const std::wstring& key);

// All 13 values in VersionKeys order, as GetVersionString gives them from
// one reading of the file, trimmed as LibraryInfo keeps them.
VersionStrings ReadVersionStrings(const std::wstring& path);

// The facts of a library file now: its path, size and version strings.
// Nothing for an empty path.
LibraryInfo ReadLibraryInfo(const std::wstring& path);

// The SHA-1 of the file's whole content as 40 lower-case hex digits; empty
// when the file cannot be opened (shared with readers only) or read.
std::wstring FileFingerprint(const std::wstring& path);

// The file's size as the file system tells it now; -1 when it cannot say.
long long CurrentFileSize(const std::wstring& path);

}  // namespace vantorel
