#include "app/startup_win32.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include "analysis/pe_check.h"
#include "analysis/pe_check_win32.h"
#include "app/app_state_win32.h"
#include "app/command_line.h"
#include "app/icons_win32.h"
#include "app/main_window_win32.h"
#include "app/startup_trace.h"
#include "editor/editor_component_win32.h"
#include "platform/full_path_win32.h"
#include "platform/prompts_win32.h"
#include "platform/text_win32.h"

namespace vantorel {

namespace {

// What the window's first paint needs.
void PrepareWindowFacilities() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
  InitCommonControlsEx(&controls);
  ReportStartupStep(StartupStep::Facilities);

  AppState& app = App();
  for (int id = 0; id < kCommandCount; ++id) app.CommandIcons[id].reset(LoadCommandIcon(id));
  ReportStartupStep(StartupStep::Icons);

  app.LibraryHandle = nullptr;
  app.ModuleBase = 0;
  app.Session = {};
  app.GeneratedSource.clear();
}

bool oleReady = false;

// What the first paint does not use: OLE (the window accepts dropped files,
// and its drop target is registered after the first paint), the Resources
// page's text view and tree.
void PrepareHiddenFacilities() {
  // OLE rather than COM alone, for the drop target.
  if (!oleReady) oleReady = SUCCEEDED(OleInitialize(nullptr));
  AppState& app = App();
  if (!app.RichEdit) app.RichEdit.reset(LoadLibraryW(L"riched20.dll"));
  app.ShellIcons[0].reset(ExtractIconW(nullptr, L"shell32.dll", 0));
  app.ShellIcons[1].reset(ExtractIconW(nullptr, L"shell32.dll", 4));
  ReportStartupStep(StartupStep::HiddenFacilities);
}

}  // namespace

void PrepareProcess() {
  PrepareWindowFacilities();
  PrepareHiddenFacilities();
}

void ReadStartupArgument(const std::wstring& commandLine) {
  AppState& app = App();
  // Made full now: opening a library moves the current directory to its
  // folder, and the loader would look for a bare name along its own search
  // path (finding the system's copy first) rather than here.
  app.Session.library.path = ToU16(FullPathOf(ToWide(FirstArgument(ToU16(commandLine)))));
  if (app.Session.library.path.empty() || IsProjectPath(app.Session.library.path)) return;
  const int result = CheckPeFile(CurrentPath());
  if (result == AcceptedPeKind()) return;
  ShowError(ToWide(PeCheckMessage(result)));
  app.Session.library.path.clear();
}

void OpenStartupFile() {
  const std::wstring path = CurrentPath();
  if (path.empty()) return;
  if (IsProjectPath(ToU16(path))) {
    // Loading a project sets the current path itself.
    App().Session.library.path.clear();
    LoadProject(path);
    return;
  }
  LoadLibraryFile(path);
}

void ReleaseProcess() {
  ReleaseEditorComponent();
  AppState& app = App();
  for (auto& icon : app.ShellIcons) icon.reset();
  for (auto& icon : app.CommandIcons) icon.reset();
  ReleaseLibrary();
  app.RichEdit.reset();
  app.Session = {};
  app.GeneratedSource.clear();
  if (oleReady) OleUninitialize();
  oleReady = false;
}

int RunVantorel(const std::wstring& commandLine) {
  PrepareWindowFacilities();
  ReadStartupArgument(commandLine);
  ReportStartupStep(StartupStep::Argument);
  OpenStartupFile();
  ReportStartupStep(StartupStep::FileOpened);
  // After the file is open, so that the window's first display shows it.
  // The editor component and what else only the hidden pages use are made
  // ready once the window shows, before it handles its first event.
  RunMainWindow([] {
    PrepareHiddenFacilities();
    MapEditorComponent();
    ReportStartupStep(StartupStep::EditorMapped);
  });
  ReleaseProcess();
  return 0;
}

}  // namespace vantorel
