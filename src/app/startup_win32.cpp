#include "app/startup_win32.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include "analysis/pe_check.h"
#include "analysis/pe_check_win32.h"
#include "analysis/library_win32.h"
#include "app/app_state_win32.h"
#include "app/command_line.h"
#include "app/icons_win32.h"
#include "app/main_window_win32.h"
#include "editor/editor_component_win32.h"
#include "platform/full_path_win32.h"
#include "platform/prompts_win32.h"
#include "platform/text_win32.h"
#include "codegen/project_win32.h"

namespace vantorel {

void PrepareProcess() {
  // OLE rather than COM alone: the main window accepts dropped files.
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
  InitCommonControlsEx(&controls);
  if (!App().RichEdit) App().RichEdit.reset(LoadLibraryW(L"riched20.dll"));

  AppState& app = App();
  app.ShellIcons[0].reset(ExtractIconW(nullptr, L"shell32.dll", 0));
  app.ShellIcons[1].reset(ExtractIconW(nullptr, L"shell32.dll", 4));
  for (int id = 0; id < kCommandCount; ++id) app.CommandIcons[id].reset(LoadCommandIcon(id));

  app.CurrentPath.clear();
  app.LibraryHandle = nullptr;
  app.ModuleBase = 0;
  app.FunctionList.clear();
  app.LibraryInfo = {};
}

void ReadStartupArgument(const std::wstring& commandLine) {
  AppState& app = App();
  // Made full now: opening a library moves the current directory to its
  // folder, and the loader would look for a bare name along its own search
  // path (finding the system's copy first) rather than here.
  app.CurrentPath = FullPathOf(ToWide(FirstArgument(ToU16(commandLine))));
  if (app.CurrentPath.empty() || IsProjectPath(ToU16(app.CurrentPath))) return;
  const int result = CheckPeFile(app.CurrentPath);
  if (result == AcceptedPeKind()) return;
  ShowError(ToWide(PeCheckMessage(result)));
  app.CurrentPath.clear();
}

void OpenStartupFile() {
  AppState& app = App();
  if (app.CurrentPath.empty()) return;
  if (IsProjectPath(ToU16(app.CurrentPath))) {
    // Projects are loaded from a copy of the path; loading one sets the
    // current path itself.
    const std::wstring project = app.CurrentPath;
    app.CurrentPath.clear();
    LoadProject(project);
    return;
  }
  LoadLibraryFile(app.CurrentPath);
}

void ReleaseProcess() {
  ReleaseEditorComponent();
  AppState& app = App();
  for (auto& icon : app.ShellIcons) icon.reset();
  for (auto& icon : app.CommandIcons) icon.reset();
  ReleaseLibrary();
  app.RichEdit.reset();
  app.CurrentPath.clear();
  app.FunctionList.clear();
  OleUninitialize();
}

int RunVantorel(const std::wstring& commandLine) {
  PrepareProcess();
  ReadStartupArgument(commandLine);
  // After the check and before any file is opened.
  MapEditorComponent();
  OpenStartupFile();
  // After the file is open, so that the window's first display shows it.
  RunMainWindow();
  ReleaseProcess();
  return 0;
}

}  // namespace vantorel
