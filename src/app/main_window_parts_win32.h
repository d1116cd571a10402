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
HWND CreateContainer(HWND parent, int id, int x, int y, int width, int height, bool visible = true);
// Shift+Tab walks the controls of the current page: every container lets
// the focus search through it, and the controls a user works in are stops
// (a hidden page is skipped with its controls).
void OpenTabOrder();
int Height(HWND hwnd);
int CurrentTab();
// Height of the tab strip: where the display area starts.
int TabHeight();
void BuildResourcesPage(HWND page, int width, int height, int clientWidth);

// Sizes for the window's DPI: px96 pixels at 96 DPI scaled for it.
int Px(int px96);
// The fonts, icons and sizes that depend on the DPI, made for dpi.
void MakeDpiResources(int dpi);
// The default GUI font for the window's DPI.
HFONT UiFont();
// A command's icon at CommandIconSide() pixels (16, 20, 24 or 32).
HICON CommandIcon(int id);
int CommandIconSide();
// The status bar's fields 160, 200 and 150 (at 96 DPI) and the rest.
void SetStatusParts(HWND bar);
// The link label's container in the status bar, and the label in it.
void PlaceLinkLabel();
// Row height, header height, the grid's own sizes and (withStrip) the
// strip of a grid for the window's DPI.
void ScaleGridLook(GridControl& grid, bool withStrip);
// Where a grid stands: its current cell and top row. Setting its sizes and
// resizing it end an edit and forget the current cell; a DPI change puts
// both back.
struct GridPlace {
  GridControl* grid = nullptr;
  std::int64_t column = -1;
  std::int64_t row = -1;
  int top = 0;
};
GridPlace KeepGridPlace(GridControl* grid);
void RestoreGridPlace(const GridPlace& place);
ResourceViews Views();
// Layout step 3: the grids and views fill their containers.
void LayoutResourceViews();
void ShowCurrentPage();

// The command table: menu and toolbar, their icons and tooltips.
HMENU BuildMenu();
// Ctrl+F for Find.
HACCEL BuildAccelerators();
HWND BuildToolbar(HWND parent);
// The toolbar's images made anew at the command icons' current size.
void SetToolbarImages(HWND bar);
// The tooltip of a command's toolbar button (Save's changes with the page).
const wchar_t* CommandTooltip(int id);
// The icon of a menu item, drawn by the window whatever the menu theme.
void DrawMenuIcon(const DRAWITEMSTRUCT& item);
void EndLoop();

}  // namespace vantorel::main_window_parts
