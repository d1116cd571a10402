#include "codegen/project_win32.h"

#include <optional>
#include <vector>

#include "analysis/version_info.h"
#include "analysis/version_info_win32.h"
#include "codegen/function_grid_win32.h"
#include "codegen/project_file.h"
#include "codegen/save_source_win32.h"
#include "platform/full_path_win32.h"
#include "platform/handles_win32.h"
#include "platform/prompts_win32.h"
#include "platform/text_win32.h"

namespace vantorel {

namespace {

constexpr wchar_t kCannotCreate[] = L"Can't save in this directory,\nselect another one?";

std::wstring WriteFailedMessage(const std::wstring& path) {
  return L"Can't write the project to\n" + path + L"\nNothing was saved; any previous file is unchanged.";
}
std::wstring WriteFailedInPlaceMessage(const std::wstring& path) {
  return L"Can't write the project to\n" + path + L"\nThe file may be incomplete.";
}

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

// A file, not a folder, holding at least one byte.
bool HasNonEmptyFile(const std::wstring& path) {
  if (path.empty()) return false;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  return data.nFileSizeHigh != 0 || data.nFileSizeLow != 0;
}

// The fingerprint of a file on disk; empty for anything else. A path from a
// project file may name a pipe or a device, where reading to the end could
// wait forever.
std::wstring DiskFileFingerprint(const std::wstring& path) {
  if (path.empty()) return {};
  {
    UniqueHandle probe(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    if (!probe || GetFileType(probe.get()) != FILE_TYPE_DISK) return {};
  }
  return FileFingerprint(path);
}

enum class ReadResult { Read, Unreadable, TooLarge };

ReadResult ReadWholeFile(const std::wstring& path, std::string& bytes) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file || GetFileType(file.get()) != FILE_TYPE_DISK) return ReadResult::Unreadable;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return ReadResult::Unreadable;
  if (static_cast<unsigned long long>(size.QuadPart) > kMaxProjectFileBytes) return ReadResult::TooLarge;
  // One byte more than the size, to notice a file that grew while it was read.
  bytes.assign(static_cast<std::size_t>(size.QuadPart) + 1, '\0');
  std::size_t have = 0;
  while (have < bytes.size()) {
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data() + have, static_cast<DWORD>(bytes.size() - have), &got, nullptr)) {
      return ReadResult::Unreadable;
    }
    if (got == 0) break;
    have += got;
  }
  if (have > kMaxProjectFileBytes) return ReadResult::TooLarge;
  bytes.resize(have);
  return ReadResult::Read;
}

// The release of step one: no library, no rows, no version strings, no
// resources, whatever happens next.
void ForgetLibrary(LibraryState& library, FunctionList& functions, const std::function<void()>& forgetResources) {
  functions.clear();
  if (forgetResources) forgetResources();
  library.CurrentPath.clear();
  ReleaseLibrary(library);
  library.LibraryInfo = {};
}

}  // namespace

SaveProjectResult SaveProject(GridControl* grid, const std::wstring& libraryPath) {
  const std::wstring currentPath = libraryPath;
  const std::wstring defaultName = ToWide(DefaultProjectPath(ToU16(currentPath)));
  std::string bytes;
  bool encoded = false;
  for (;;) {
    const std::wstring path = CurrentPrompts().AskSaveFile(GetActiveWindow(), L"", defaultName, kProjectFilter);
    if (path.empty()) return SaveProjectResult::Cancelled;
    if (!encoded) {
      FunctionList rows;
      if (grid) {
        for (FunctionGridRow& r : ReadFunctionGrid(*grid)) {
          FunctionEntry e;
          e.checked = r.ticked ? 1 : 0;
          e.Alias = ToU16(r.alias);
          e.Function = ToU16(r.function);
          e.Para = ToU16(r.para);
          e.Conv = ToU16(r.conv);
          e.Comment = ToU16(r.comment);
          rows.push_back(std::move(e));
        }
      }
      bytes = WriteProjectText(ToU16(currentPath), ToU16(DiskFileFingerprint(currentPath)), rows);
      encoded = true;
    }
    switch (WriteFileReplacing(path, bytes)) {
      case ReplaceResult::Written:
        return SaveProjectResult::Saved;
      case ReplaceResult::CannotCreate:
        if (!AskYesNo(kCannotCreate)) return SaveProjectResult::Cancelled;
        break;
      case ReplaceResult::WriteFailed:
        ShowError(WriteFailedMessage(path));
        return SaveProjectResult::Failed;
      case ReplaceResult::WriteFailedInPlace:
        ShowError(WriteFailedInPlaceMessage(path));
        return SaveProjectResult::Failed;
    }
  }
}

LoadProjectResult LoadProject(const std::wstring& requested, LibraryState& library, FunctionList& functions,
                              const std::function<void()>& forgetResources) {
  ForgetLibrary(library, functions, forgetResources);

  std::wstring file = requested;
  if (file.empty()) file = CurrentPrompts().AskOpenFile(GetActiveWindow(), L"", L"", kProjectFilter);
  if (file.empty()) return LoadProjectResult::NoFile;

  std::string bytes;
  switch (ReadWholeFile(file, bytes)) {
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

  SetLibraryPath(library, dll);

  // Letter case counts: the stored digest is compared as text.
  if (ToWide(project->sha1) != DiskFileFingerprint(dll)) ShowWarning(L"Warning: " + ShownPath(FilePart(dll)) + L"\nwas changed!");

  functions = std::move(project->rows);
  library.LibraryInfo.versionStrings = ReadVersionStrings(dll);
  LoadCurrentLibrary(library);
  return LoadProjectResult::Loaded;
}

}  // namespace vantorel
