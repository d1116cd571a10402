#include "app/project_win32.h"

#include <windows.h>

#include <optional>

#include "analysis/version_info_win32.h"
#include "app/open_library_win32.h"
#include "app/pages/save_file_win32.h"
#include "codegen/project_file.h"
#include "platform/files_win32.h"
#include "platform/full_path_win32.h"
#include "platform/prompts_win32.h"
#include "platform/text_win32.h"

namespace vantorel {

namespace {

std::wstring RefusedMessage(const std::wstring& path) {
  return L"Can't load the project file\n" + path + L"\nIt is too large to be a project.";
}

// No file name is longer than this; a longer value is shown cut short
// rather than laid out in a message box at any length.
constexpr std::size_t kLongestPath = 32767;

std::wstring ShownPath(const std::wstring& path) {
  return path.size() <= kLongestPath ? path : path.substr(0, 256) + L"...";
}

std::wstring FilePart(const std::wstring& path) {
  const std::size_t at = path.find_last_of(L"\\/");
  return at == std::wstring::npos ? path : path.substr(at + 1);
}

// "C:\..." or "\\server\..." (also with "/"): the stored form. Anything else
// would be found by the loader along its search path, possibly a different
// file from the one checked here.
bool IsFullPath(const std::wstring& path) {
  auto slash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  if (path.size() >= 2 && slash(path[0]) && slash(path[1])) return true;
  return path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
         path[1] == L':' && slash(path[2]);
}

// The fingerprint of a file on disk; empty for anything else. A path from a
// project file may name a pipe or a device, where reading to the end could
// wait forever.
std::wstring DiskFileFingerprint(const std::wstring& path) {
  return IsDiskFile(path) ? FileFingerprint(path) : std::wstring();
}

// The release of step one: no library, no rows, no version strings, no
// resources, whatever happens next.
void ForgetLibrary(LibraryState& library, Session& session, const std::function<void()>& forgetResources) {
  session = Session{};
  if (forgetResources) forgetResources();
  ReleaseLibrary(library);
}

}  // namespace

SaveProjectResult SaveProject(const Session& session) {
  const std::wstring libraryPath = ToWide(session.library.path);
  const std::wstring defaultName = ToWide(DefaultProjectPath(session.library.path));
  // The fingerprint is taken once a file is chosen: the library as it is now.
  const auto encode = [&] { 
    return WriteProjectText(session.library.path, ToU16(DiskFileFingerprint(libraryPath)), session.rows, &session.typed);
  };
  switch (SaveWithRequester(defaultName, kProjectFilter, L"project", encode)) {
    case SaveOutcome::Saved:
      return SaveProjectResult::Saved;
    case SaveOutcome::Cancelled:
      return SaveProjectResult::Cancelled;
    case SaveOutcome::Failed:
      break;
  }
  return SaveProjectResult::Failed;
}

LoadProjectResult LoadProject(const std::wstring& requested, LibraryState& library, Session& session,
                              const std::function<void()>& forgetResources) {
  ForgetLibrary(library, session, forgetResources);

  std::wstring file = requested;
  if (file.empty()) file = CurrentPrompts().AskOpenFile(GetActiveWindow(), L"", L"", kProjectFilter);
  if (file.empty()) return LoadProjectResult::NoFile;

  std::string bytes;
  switch (ReadWholeDiskFile(file, kMaxProjectFileBytes, bytes)) {
    case ReadResult::Read:
      break;
    case ReadResult::Unreadable:
      return LoadProjectResult::NoFile;
    case ReadResult::TooLarge:
      ShowError(RefusedMessage(file));
      return LoadProjectResult::Refused;
  }
  std::optional<ProjectContent> project = ReadProjectText(bytes);
  bytes = std::string();
  if (!project) {
    ShowError(RefusedMessage(file));
    return LoadProjectResult::Refused;
  }

  std::wstring dll = ToWide(project->dll);
  if (!dll.empty() && !IsFullPath(dll)) dll = FullPathOf(dll);
  if (!HasNonEmptyFile(dll) && AskYesNo(ShownPath(dll) + L"\nwas moved or deleted.\nload from other location?")) {
    dll = CurrentPrompts().AskOpenFile(GetActiveWindow(), L"Load DLL", L"", kLibraryFilter);
  }
  if (dll.empty()) return LoadProjectResult::NoLibrary;

  session.library.path = ToU16(dll);
  EnterFolderOf(dll);

  // Letter case counts: the stored digest is compared as text.
  if (ToWide(project->sha1) != DiskFileFingerprint(dll)) ShowWarning(L"Warning: " + ShownPath(FilePart(dll)) + L"\nwas changed!");

  session.library = ReadLibraryInfo(dll);
  session.rows = std::move(project->rows);
  session.typed = std::move(project->typed);
  session.projectPath = ToU16(file);
  // The export table is walked on first need: the rows come from the file.
  MapLibrary(library, dll);
  return LoadProjectResult::Loaded;
}

}  // namespace vantorel
