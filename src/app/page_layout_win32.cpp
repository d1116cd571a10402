// The layout of the main window's pages: containers, the Resources page
// with its two splitters, and the layout formulas for a client size.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <algorithm>

#include "app/app_state_win32.h"
#include "app/main_window_parts_win32.h"
#include "app/splitter_win32.h"
#include "app/pages/function_page_win32.h"

namespace vantorel {

namespace main_window_parts {

// Containers: plain windows that hand their children's reports to the main
// window, wherever they were moved.

LRESULT CALLBACK ContainerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
      if (Main().window && hwnd != Main().window) return SendMessageW(Main().window, msg, wp, lp);
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND CreateContainer(HWND parent, int id, int x, int y, int width, int height) {
  return CreateWindowExW(0, kContainerClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, x, y,
                         width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

void OpenTabOrder() {
  MainWindow& m = Main();
  auto through = [](HWND w) {
    if (w) SetWindowLongPtrW(w, GWL_EXSTYLE, GetWindowLongPtrW(w, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
  };
  auto stop = [](HWND w) {
    if (w) SetWindowLongPtrW(w, GWL_STYLE, GetWindowLongPtrW(w, GWL_STYLE) | WS_TABSTOP);
  };
  through(m.tabPanel);
  for (HWND page : m.pages) through(page);
  for (HWND w : {m.mainSplitter, m.resourceSplitter, m.hexContainer, m.viewContainer}) through(w);
  for (GridControl* grid : {m.functionGrid.get(), m.hexGrid.get()}) {
    if (!grid) continue;
    through(grid->GetWindow());
    stop(FindWindowExW(grid->GetWindow(), nullptr, WC_LISTVIEWW, nullptr));
  }
  for (HWND w : {m.editor, m.resourceTree, m.textView}) stop(w);
}

int Height(HWND hwnd) {
  RECT rc{};
  if (hwnd) GetWindowRect(hwnd, &rc);
  return rc.bottom - rc.top;
}

int CurrentTab() { return Main().tabPanel ? TabCtrl_GetCurSel(Main().tabPanel) : kFunctionsTab; }

// Height of the tab strip: where the display area starts.
int TabHeight() {
  RECT rc{0, 0, 400, 400};
  TabCtrl_AdjustRect(Main().tabPanel, FALSE, &rc);
  return rc.top;
}

// The Resources page.

void BuildResourcesPage(HWND page, int width, int height, int clientWidth) {
  MainWindow& m = Main();
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  m.resourceTree = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                                   WS_CHILD | WS_VISIBLE | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT |
                                       TVS_SHOWSELALWAYS,
                                   0, 0, 10, 10, page, reinterpret_cast<HMENU>(kIdTree), instance, nullptr);
  App().ResourceTree = m.resourceTree;
  SetResourceSource({&App(), &App().Session.library, &App().ShellIcons});

  m.hexContainer = CreateContainer(page, kIdHexContainer, 0, 0, 10, 10);
  m.hexGrid = GridControl::Create(m.hexContainer, 0, 0, 10, 10, 20, 0x22045);
  if (m.hexGrid) {
    m.hexGrid->SetColour(5, GetSysColor(COLOR_GRADIENTACTIVECAPTION));
    m.hexGrid->SetHeaderHeight(22);
    // 9 points: at 10 (8 pixels a character at 96 DPI) the 73 characters of
    // a row need more than the grid's width in the default window.
    HDC screen = GetDC(nullptr);
    const int pixels = -MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    m.hexFont = CreateFontW(pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_MODERN, L"Courier New");
    m.hexGrid->SetFont(m.hexFont);
    AddHexDumpColumns(*m.hexGrid);
  }

  m.viewContainer = CreateContainer(page, kIdViewContainer, 0, 0, 10, 10);
  m.imageView = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE, 0, 0, 10, 10,
                                m.viewContainer, reinterpret_cast<HMENU>(kIdImageView), instance, nullptr);
  ShowWindow(m.imageView, SW_HIDE);
  m.textView = CreateWindowExW(WS_EX_CLIENTEDGE, RICHEDIT_CLASSW, L"",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0, 0, 10, 10,
                               m.viewContainer, reinterpret_cast<HMENU>(kIdTextView), instance, nullptr);
  if (m.textView) SendMessageW(m.textView, EM_SETTARGETDEVICE, 0, 0);  // wrap at the view's width

  m.resourceSplitter = CreateSplitter(page, kIdResourceSplitter, 0, 0, 10, 10, m.hexContainer, m.viewContainer,
                                      false, false);
  SetSplitterMinimums(m.resourceSplitter, 0, 50);
  m.mainSplitter =
      CreateSplitter(page, kIdMainSplitter, 5, 5, width, height, m.resourceTree, m.resourceSplitter, true, true);
  SetSplitterMinimums(m.mainSplitter, 150, 0);
  SetSplitterPosition(m.mainSplitter, clientWidth / 4);
  SetSplitterPosition(m.resourceSplitter, 300);
}

ResourceViews Views() {
  return {Main().resourceTree, Main().hexGrid.get(), Main().imageView, Main().textView};
}

// Layout step 3: the grids and views fill their containers.
void LayoutResourceViews() {
  MainWindow& m = Main();
  RECT rc;
  if (m.hexContainer && m.hexGrid) {
    GetClientRect(m.hexContainer, &rc);
    m.hexGrid->Resize(0, 0, rc.right, rc.bottom);
  }
  if (m.viewContainer) {
    GetClientRect(m.viewContainer, &rc);
    if (m.imageView) MoveWindow(m.imageView, 0, 0, rc.right, rc.bottom, TRUE);
    if (m.textView) MoveWindow(m.textView, 0, 0, rc.right, rc.bottom, TRUE);
  }
}

void ShowCurrentPage() {
  const int current = CurrentTab();
  for (int i = 0; i < 3; ++i) {
    if (Main().pages[i]) ShowWindow(Main().pages[i], i == current ? SW_SHOW : SW_HIDE);
  }
}

}  // namespace main_window_parts

using namespace main_window_parts;

void LayoutMainWindow() {
  MainWindow& m = Main();
  if (!m.window) return;
  if (m.toolbar) SendMessageW(m.toolbar, TB_AUTOSIZE, 0, 0);
  if (m.status) {
    SendMessageW(m.status, WM_SIZE, 0, 0);
    // The last field's centred text moves with the width; without a full
    // repaint the bits copied along with the bar keep the old text beside it.
    RedrawWindow(m.status, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
  RECT client;
  GetClientRect(m.window, &client);
  const int toolbarHeight = Height(m.toolbar);
  const int panelWidth = client.right;
  const int panelHeight = std::max<int>(client.bottom - Height(m.status) - toolbarHeight, 0);
  if (!m.tabPanel) return;
  MoveWindow(m.tabPanel, 0, toolbarHeight, panelWidth, panelHeight, TRUE);
  RECT display{0, 0, panelWidth, panelHeight};
  TabCtrl_AdjustRect(m.tabPanel, FALSE, &display);
  for (HWND page : m.pages) {
    if (page) MoveWindow(page, display.left, display.top, display.right - display.left, display.bottom - display.top, TRUE);
  }
  const int innerWidth = std::max(panelWidth - 20, 0);
  const int innerHeight = std::max(panelHeight - TabHeight() - 15, 0);
  if (m.functionGrid) {
    // The filter bar, while shown, takes its height from the grid's bottom.
    const bool bar = m.filterBar && m.filterBar->Shown();
    const int gridHeight = bar ? std::max(innerHeight - kFilterBarHeight, 0) : innerHeight;
    m.functionGrid->Resize(5, 5, innerWidth, gridHeight);
    if (bar) m.filterBar->Move(5, 5 + gridHeight, innerWidth);
    StretchLastColumn(*m.functionGrid);
  }
  if (m.editor) MoveWindow(m.editor, 5, 5, innerWidth, innerHeight, TRUE);
  if (m.mainSplitter) MoveWindow(m.mainSplitter, 5, 5, innerWidth, innerHeight, TRUE);
  LayoutResourceViews();
}

}  // namespace vantorel
