#pragma once
// What the pieces of the main window share among themselves: the window
// itself, its page layout, its command table and its drop target. Nothing
// outside the main window needs this.
#include <windows.h>

#include "app/main_window_win32.h"
#include "app/pages/resource_page_win32.h"

namespace vantorel::main_window_parts {

inline constexpr wchar_t kContainerClass[] = L"VantorelContainer";

// Control ids above the command ids 0-7, so WM_COMMAND tells them apart.
enum : int {
  kIdToolbar = 1000,
  kIdStatus,
  kIdTabs,
  kIdPage,
  kIdTree = 1010,
  kIdHexContainer,
  kIdViewContainer,
  kIdImageView,
  kIdTextView,
  kIdResourceSplitter,
  kIdMainSplitter,
  kIdLinkContainer,
  kIdLinkLabel,
};

// Page layout: plain container windows that hand their children's reports
// to the main window wherever they were moved, the Resources page with its
// splitters, and the sizes the layout works from.
LRESULT CALLBACK ContainerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
HWND CreateContainer(HWND parent, int id, int x, int y, int width, int height);
// Shift+Tab walks the controls of the current page: every container lets
// the focus search through it, and the controls a user works in are stops
// (a hidden page is skipped with its controls).
void OpenTabOrder();
int Height(HWND hwnd);
int CurrentTab();
// Height of the tab strip: where the display area starts.
int TabHeight();
void BuildResourcesPage(HWND page, int width, int height, int clientWidth);
ResourceViews Views();
// Layout step 3: the grids and views fill their containers.
void LayoutResourceViews();
void ShowCurrentPage();

// The command table: menu and toolbar, their icons and tooltips.
HMENU BuildMenu();
// Ctrl+F for Find.
HACCEL BuildAccelerators();
HWND BuildToolbar(HWND parent);
// The tooltip of a command's toolbar button (Save's changes with the page).
const wchar_t* CommandTooltip(int id);
// The icon of a menu item, drawn by the window whatever the menu theme.
void DrawMenuIcon(const DRAWITEMSTRUCT& item);
void EndLoop();

}  // namespace vantorel::main_window_parts
