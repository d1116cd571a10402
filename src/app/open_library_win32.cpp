#include "app/open_library_win32.h"

#include <windows.h>

#include "analysis/pe_check.h"
#include "analysis/pe_check_win32.h"
#include "analysis/version_info_win32.h"
#include "platform/code_page_win32.h"
#include "platform/full_path_win32.h"
#include "platform/prompts_win32.h"
#include "platform/text_win32.h"

namespace vantorel {

void OpenLibrary(LibraryState& library, Session& session, const std::wstring& requested,
                 const std::function<void()>& forgetResources) {
  ReleaseLibrary(library);
  session = Session{};

  std::wstring path = requested;
  if (path.empty()) {
    path = CurrentPrompts().AskOpenFile(GetActiveWindow(), L"Load DLL", L"", kLibraryFilter);
    if (!path.empty()) {
      const int check = CheckPeFile(path);
      if (check != AcceptedPeKind()) {
        ShowError(ToWide(PeCheckMessage(check)));
        path.clear();
      }
    }
  }

  EnterFolderOf(path);
  if (forgetResources) forgetResources();
  MapLibrary(library, path);
  // The rows are made from this walk, one per slot in slot order; the
  // walked table stays for the tips.
  // A library the mapping refused keeps its facts: the title and status bar
  // show the file, with no rows.
  session = OpenedLibrarySession(ReadLibraryInfo(path), WalkMappedExports(library.LibraryHandle, true), DecodeAnsi);
}

bool AcceptDroppedLibrary(const std::wstring& path) {
  if (!kEditionTraits.checksDroppedFiles) return true;
  const int check = CheckPeFile(path);
  if (check != kPe32 && check != kPe32Plus) return true;
  if (check == AcceptedPeKind()) return true;
  ShowError(ToWide(PeCheckMessage(check)));
  return false;
}

}  // namespace vantorel
