#include "analysis/library_win32.h"

#include <commctrl.h>
#include <psapi.h>

#include "analysis/exports.h"
#include "analysis/pe_check.h"
#include "analysis/pe_check_win32.h"
#include "analysis/version_info.h"
#include "analysis/version_info_win32.h"
#include "app/app_state_win32.h"
#include "platform/prompts_win32.h"
#include "platform/text_win32.h"

namespace vantorel {

namespace {

std::u16string FromAnsi(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
  return ToU16(wide);
}

// The folder part of a path, up to and including its last separator.
std::wstring FolderOf(const std::wstring& path) {
  const std::size_t at = path.find_last_of(L"\\/");
  return at == std::wstring::npos ? std::wstring() : path.substr(0, at + 1);
}

}  // namespace

void ReleaseLibrary() {
  AppState& app = App();
  if (app.LibraryHandle) FreeLibrary(app.LibraryHandle);
  app.LibraryHandle = nullptr;
  app.ModuleBase = 0;
  app.LibraryInfo.libraryHandle = nullptr;
  app.LibraryInfo.moduleBase = 0;
}

FunctionList ListLoadedExports(HMODULE library) {
  FunctionList list;
  MODULEINFO info{};
  if (!library || !K32GetModuleInformation(GetCurrentProcess(), library, &info, sizeof info)) return list;
  const ImageView image(info.lpBaseOfDll, info.SizeOfImage);
  for (const ExportEntry& e : ListExports(image)) list.push_back(MakeFunctionEntry(FromAnsi(e.name)));
  return list;
}

int LoadLibraryFile(const std::wstring& requested) {
  AppState& app = App();
  ReleaseLibrary();

  std::wstring path = requested;
  if (path.empty()) {
    path = CurrentPrompts().AskOpenFile(GetActiveWindow(), L"Load DLL", L"", kLibraryFilter);
    if (!path.empty()) {
      const int check = CheckPeFile(path);
      if (check != kPe32Plus) {
        ShowError(ToWide(PeCheckMessage(check)));
        path.clear();
      }
    }
  }

  app.CurrentPath = path;
  app.LibraryInfo.path = ToU16(path);
  const std::wstring folder = FolderOf(path);
  if (!folder.empty()) SetCurrentDirectoryW(folder.c_str());
  app.FunctionList.clear();
  if (app.ResourceTree) TreeView_DeleteAllItems(app.ResourceTree);

  app.LibraryHandle = path.empty() ? nullptr : LoadLibraryW(path.c_str());
  if (app.LibraryHandle) app.FunctionList = ListLoadedExports(app.LibraryHandle);

  if (!path.empty()) {
    for (std::size_t i = 0; i < kVersionKeyCount; ++i) {
      const std::wstring value = GetVersionString(path, std::wstring(VersionKeys[i].key.begin(), VersionKeys[i].key.end()));
      app.LibraryInfo.versionStrings[i] = TrimSpaces(ToU16(value));
    }
  }
  app.ModuleBase = reinterpret_cast<std::uintptr_t>(app.LibraryHandle);
  app.LibraryInfo.libraryHandle = app.LibraryHandle;
  app.LibraryInfo.moduleBase = app.ModuleBase;
  return 1;
}

}  // namespace vantorel
