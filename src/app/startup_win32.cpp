#include "app/startup_win32.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include "analysis/library_win32.h"
#include "analysis/pe_check.h"
#include "analysis/pe_check_win32.h"
#include "app/app_state_win32.h"
#include "app/command_line.h"
#include "app/icons_win32.h"
#include "app/main_window_win32.h"
#include "app/open_library_win32.h"
#include "app/pages/function_page_win32.h"
#include "app/startup_trace.h"
#include "editor/editor_component_win32.h"
#include "platform/code_page_win32.h"
#include "platform/full_path_win32.h"
#include "platform/handles_win32.h"
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
  app.LibraryHandle = nullptr;
  app.ModuleBase = 0;
  app.Session = {};
  app.GeneratedSource.clear();
}

bool oleReady = false;

// What the first paint does not use: OLE (the window accepts dropped files,
// and its drop target is registered after the first paint), the menus'
// icons, the Resources page's text view and tree.
void PrepareHiddenFacilities() {
  // OLE rather than COM alone, for the drop target.
  if (!oleReady) oleReady = SUCCEEDED(OleInitialize(nullptr));
  AppState& app = App();
  // The menus' icons: the toolbar takes its images from the program's data.
  for (int id = 0; id < kCommandCount; ++id) {
    if (!app.CommandIcons[id]) app.CommandIcons[id].reset(LoadCommandIcon(id));
  }
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

namespace {

// A library named on the command line is opened beside the window's build:
// mapping it and walking its exports need no window. The thread maps and
// walks it into a state of its own and hands the window the file's facts
// and its rows' texts (made from the walked names as the grid asks for
// them), which the window shows; it makes the rows themselves only once the
// window shows, since for a large library that takes as long as making the
// controls, and slows them down beside them. The window takes the rows over
// before it handles its first event.
struct StartupOpening {
  std::wstring path;
  LibraryState library;
  LibraryInfo facts;
  std::shared_ptr<const FunctionGridTexts> texts;
  Session session;
  UniqueHandle walked{CreateEventW(nullptr, TRUE, FALSE, nullptr)};  // facts and texts are there
  UniqueHandle shown{CreateEventW(nullptr, TRUE, FALSE, nullptr)};   // the rows may be made
  HANDLE thread = nullptr;

  static DWORD WINAPI Run(void* self) {
    auto* opening = static_cast<StartupOpening*>(self);
    EnterFolderOf(opening->path);
    WalkedLibrary walked = WalkLibrary(opening->library, opening->path);
    opening->facts = walked.info;
    opening->texts = FreshFunctionGridTexts(walked.exports.entries(), DecodeAnsi);
    SetEvent(opening->walked.get());
    WaitForSingleObject(opening->shown.get(), INFINITE);
    opening->session = SessionOf(std::move(walked));
    return 0;
  }
};

// Starts opening the command line's library on a thread of its own; a
// project (which may ask questions) or a thread that cannot be had opens
// here and now, as OpenStartupFile does.
void BeginStartupFile(StartupOpening& opening) {
  const std::wstring path = CurrentPath();
  if (!path.empty() && !IsProjectPath(ToU16(path)) && opening.walked && opening.shown) {
    opening.path = path;
    opening.thread = CreateThread(nullptr, 0, &StartupOpening::Run, &opening, 0, nullptr);
    if (opening.thread) return;
  }
  OpenStartupFile();
  ReportStartupStep(StartupStep::FileOpened);
}

// What the window shows of the library before its rows exist.
void TakeWalkedLibrary(StartupOpening& opening) {
  if (!opening.thread) return;
  const HANDLE either[] = {opening.walked.get(), opening.thread};
  WaitForMultipleObjects(2, either, FALSE, INFINITE);
  AppState& app = App();
  // The resource tree does not exist yet: there is nothing to forget.
  ReleaseLibrary(app);
  static_cast<LibraryState&>(app) = opening.library;
  app.Session = {};
  app.Session.library = opening.facts;
  Main().freshTexts = std::move(opening.texts);
  ReportStartupStep(StartupStep::FileOpened);
}

// The rows, once made; `shown`: the window shows what it took so far.
void FinishStartupFile(StartupOpening& opening, bool shown) {
  if (!opening.thread) return;
  SetEvent(opening.shown.get());
  WaitForSingleObject(opening.thread, INFINITE);
  CloseHandle(opening.thread);
  opening.thread = nullptr;
  Session& session = App().Session;
  session = std::move(opening.session);
  // Texts that could not be made showed no rows.
  GridControl* grid = Main().functionGrid.get();
  if (shown && grid && grid->GetRowCount() != static_cast<std::int64_t>(session.rows.size())) RefreshMainView();
}

}  // namespace

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
  // The file is open before the window's first display, so that it shows
  // it. The editor component and what else only the hidden pages use are
  // made ready once the window shows, before it handles its first event.
  StartupOpening opening;
  BeginStartupFile(opening);
  RunMainWindow(
      [&opening] {
        SetEvent(opening.shown.get());
        PrepareHiddenFacilities();
        MapEditorComponent();
        ReportStartupStep(StartupStep::EditorMapped);
      },
      [&opening] { TakeWalkedLibrary(opening); }, [&opening] { FinishStartupFile(opening, true); });
  // A window that could not be made never asked for the library.
  FinishStartupFile(opening, false);
  ReleaseProcess();
  return 0;
}

}  // namespace vantorel
