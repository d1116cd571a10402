#pragma once
// Saving the session as a project file and loading one back: the
// requesters, the question when the library has moved, the warning when it
// has changed, and mapping the library again (read, never run).
#include <functional>
#include <string>

#include "analysis/library_win32.h"
#include "codegen/session.h"

namespace vantorel {

inline constexpr wchar_t kProjectFilter[] = L"Vantorel prj (*.prj)|*.prj";

enum class SaveProjectResult {
  Saved,
  Cancelled,  // the requester was cancelled or the retry question answered No
  Failed,     // the file could not be written completely; the user was told
};

// The Save command on the Functions page: proposes the library's path with
// the extension "prj", asks for the file (again after Yes to the retry
// question when it cannot be created) and writes the library's path, its
// fingerprint computed now and the session's rows.
SaveProjectResult SaveProject(const Session& session);

enum class LoadProjectResult {
  Loaded,      // rows read and the library's path set; the library may still have been refused
  NoFile,      // no file chosen, or it could not be opened and read
  Refused,     // the file is beyond the reader's limits; the user was told
  NoLibrary,   // no library path: empty in the file, or the replacement was cancelled
};

// Releases the open library and empties the session and (through
// forgetResources) the resource views, asks for the project when file is
// empty, reads it, asks for a new place when the library is missing, warns
// when its fingerprint differs, and then makes the session of the file's
// rows and maps the library (no PE check, no export listing). The caller
// refreshes the view.
LoadProjectResult LoadProject(const std::wstring& file, LibraryState& library, Session& session,
                              const std::function<void()>& forgetResources);

}  // namespace vantorel
