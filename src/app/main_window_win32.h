#pragma once
// The main window: menu, toolbar, status bar, the three tab pages and
// everything on them, the layout, and the event loop that dispatches every
// user action.
#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app_state_win32.h"
#include "app/filter_bar_win32.h"
#include "app/pages/function_page_win32.h"
#include "grid/grid_win32.h"
#include "platform/dpi.h"

namespace vantorel {

enum CommandId : int {
  CmdNewInstance = 0,
  CmdOpenLibrary = 1,
  CmdOpenProject = 2,
  CmdSave = 3,
  CmdAbout = 4,
  CmdExit = 5,
  CmdImportHeader = 6,
  CmdIncludeFolders = 7,
  // The Edit menu's commands: no icons, no toolbar buttons.
  CmdFind = 100,
  CmdTickShown = 101,
  CmdUntickShown = 102,
  CmdShowAll = 103,
};

enum MainTab : int { kFunctionsTab = 0, kPreviewTab = 1, kResourcesTab = 2 };

// The client area at 96 DPI; other DPIs scale it.
inline constexpr int kClientWidth = 820;
inline constexpr int kClientHeight = 560;
// Sizes of the window's parts at 96 DPI.
inline constexpr int kStatusWidths[] = {160, 200, 150};
inline constexpr int kGridRowHeight = 20;
inline constexpr int kGridHeaderHeight = 22;
inline constexpr int kGridStripWidth = 24;
inline constexpr int kGridStripGap = 1;
inline constexpr int kPageMargin = 5;  // the pages' controls from the display area's edges

class FileDropTarget;

struct MainWindow {
  HWND window = nullptr;
  HMENU menu = nullptr;
  HWND toolbar = nullptr;
  HWND status = nullptr;
  HWND tabPanel = nullptr;
  std::array<HWND, 3> pages{};
  std::unique_ptr<GridControl> functionGrid;
  // Below the function grid while the filter is open.
  std::unique_ptr<FilterBar> filterBar;
  FunctionFilter functionFilter;
  // The grid's texts of a library whose rows are still being made (beside
  // the window, at start-up): the next fill shows them while the session
  // has no rows.
  std::shared_ptr<const FunctionGridTexts> freshTexts;
  HACCEL accelerators = nullptr;  // Ctrl+F
  HWND editor = nullptr;
  HWND resourceTree = nullptr;
  HWND hexContainer = nullptr;
  std::unique_ptr<GridControl> hexGrid;
  HWND viewContainer = nullptr;
  HWND imageView = nullptr;
  HWND textView = nullptr;
  HWND resourceSplitter = nullptr;
  HWND mainSplitter = nullptr;
  HWND linkContainer = nullptr;
  HWND linkLabel = nullptr;
  HCURSOR handCursor = nullptr;
  HIMAGELIST toolbarImages = nullptr;
  HFONT hexFont = nullptr;
  // The DPI everything is laid out for: the window's, or the one its last
  // WM_DPICHANGED announced.
  int dpi = kBaseDpi;
  // The default GUI font made for dpi when that is not the system's; null
  // while the stock font fits.
  HFONT uiFont = nullptr;
  // The fonts the controls were made with (for the system DPI) and their
  // copies made for dpi while it is another, each control's at its place.
  std::vector<std::pair<HWND, HFONT>> systemFonts;
  std::vector<HFONT> dpiFonts;
  // The command icons at the size dpi wants when that is not 16 pixels.
  std::array<UniqueIcon, kCommandCount> commandIcons;
  FileDropTarget* dropTarget = nullptr;  // COM object, released on teardown
  bool saveEnabled = false;
  std::wstring saveTooltip;
  // Held while the Preview tab is current: drops are refused then.
  bool dropsAccepted = true;
  // Dropped files waiting for the event loop, one list per drop.
  std::vector<std::vector<std::wstring>> pendingDrops;
};

// The one main window (empty before BuildMainWindow and after teardown).
MainWindow& Main();

// Builds the window hidden with every page, fills it once and discards
// pending events; the window, or null when it cannot be made.
HWND BuildMainWindow();
// Shows the window and dispatches events until the window is closed or
// Exit is chosen.
void RunEventLoop();
// After the loop: destroys the hand cursor, frees the preview editor and
// destroys the window and what it owns.
void TearDownMainWindow();
// Build, loop, teardown. beforeFill runs once the window's controls are
// made and before anything of the session is shown (the title, the rows,
// the status fields): the session may still be in the making until then.
// The window shows as soon as what its first paint shows is built;
// beforeHiddenParts then runs, the hidden pages are built, beforeEvents
// runs (the session's rows may be in the making until then), and only then
// does the loop handle the first event.
void RunMainWindow(const std::function<void()>& beforeHiddenParts = {}, const std::function<void()>& beforeFill = {},
                   const std::function<void()>& beforeEvents = {});

// Rebuilds grid, selection count, title, status fields, preview source and
// the Save command after a library or project was opened.
void RefreshMainView();
// Ends an edit still open in the function grid, so the rows hold it: before
// they are read, and before an open replaces them.
void EndFunctionGridEdit();
// Status field 1 for the given number of ticked rows and the current total.
void UpdateSelectionCount(std::int64_t ticked);
// Enables or disables menu item and toolbar button Save together; a disabled
// command has the empty tooltip.
void UpdateSaveCommand(bool enabled, const std::wstring& tooltip);
// The current tab after a switch: drops, regeneration and the Save command.
void OnTabSwitched();
// Files dropped onto the tab panel (ignored while the Preview tab is current):
// libraries and projects are opened as before, then headers imported.
void HandleDroppedFiles(const std::vector<std::wstring>& paths);
// Keeps the paths of a drop and has the event loop open them: the drop ends
// first, so a question the opening asks never holds up the program the files
// came from.
void QueueDroppedFiles(std::vector<std::wstring> paths);
// A left click on the resource tree at a screen position.
void OnResourceTreeClick(POINT screen);
// Runs one command of the menu or toolbar.
void RunCommand(int id);
// A key the main window takes before the focused control (Ctrl+F on the
// Functions tab); true when taken.
bool TranslateMainWindowKey(MSG& msg);
// The filter bar's events: the pattern typed, Tick/Untick shown, closed.
void FilterFunctions(const std::wstring& text);
void TickShownFunctions(bool ticked);
void CloseFunctionFilter();
// Edit > Find: the Functions tab current, the filter bar shown and focused.
void OpenFunctionFilter();
// The layout formulas for the current client size.
void LayoutMainWindow();
// Everything sized in pixels made for another DPI and laid out again: what
// WM_DPICHANGED asks for. The grids keep their rows, current cell and scroll.
void ApplyMainWindowDpi(int dpi);

}  // namespace vantorel
