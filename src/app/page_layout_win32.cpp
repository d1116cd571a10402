// The layout of the main window's pages: containers, the Resources page
// with its two splitters, and the layout formulas for a client size.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <algorithm>

#include "app/app_state_win32.h"
#include "app/icons_win32.h"
#include "app/main_window_parts_win32.h"
#include "app/splitter_win32.h"
#include "app/pages/function_page_win32.h"
#include "editor/preview_editor_win32.h"
#include "platform/dpi_win32.h"

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

HWND CreateContainer(HWND parent, int id, int x, int y, int width, int height, bool visible) {
  const DWORD style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0);
  return CreateWindowExW(0, kContainerClass, L"", style, x, y,
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

// Sizes, fonts and icons for the window's DPI.

namespace {

// The splitters' minimums at 96 DPI: the tree's width, the view's height.
constexpr int kTreeMinimum = 150;
constexpr int kViewMinimum = 50;
constexpr int kHexDumpHeight = 300;  // the hex dump's initial height
constexpr int kHexFontPoints = 9;

int CharacterAdvance(HFONT font) {
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, font);
  SIZE size{};
  GetTextExtentPoint32W(screen, L"0", 1, &size);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  return size.cx;
}

HFONT CreateHexFontOfHeight(int pixels) {
  return CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_MODERN, L"Courier New");
}

// Courier New at 9 points for dpi. Its characters' width is rounded to
// whole pixels, and at some DPIs that makes a row grow faster than the DPI
// (11 pixels at 144 where 96 has 7): there the next smaller pixel height is
// taken, so a row takes the room at every DPI it takes at 96.
HFONT CreateHexFont(int dpi) {
  int pixels = MulDiv(kHexFontPoints, dpi, 72);
  HFONT font = CreateHexFontOfHeight(pixels);
  if (!font || dpi == kBaseDpi) return font;
  HFONT at96 = CreateHexFontOfHeight(MulDiv(kHexFontPoints, kBaseDpi, 72));
  const int limit = at96 ? CharacterAdvance(at96) * dpi / kBaseDpi : 0;
  if (at96) DeleteObject(at96);
  for (int tries = 0; tries < 3 && limit > 0 && CharacterAdvance(font) > limit; ++tries) {
    HFONT smaller = CreateHexFontOfHeight(--pixels);
    if (!smaller) break;
    DeleteObject(font);
    font = smaller;
  }
  return font;
}

}  // namespace

int Px(int px96) { return Scale(px96, Main().dpi); }

void MakeDpiResources(int dpi) {
  MainWindow& m = Main();
  m.dpi = dpi;
  if (m.uiFont) DeleteObject(m.uiFont);
  m.uiFont = CreateFontForDpi(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), dpi);
  const int side = IconSideFor(dpi);
  for (int id = 0; id < kCommandCount; ++id) m.commandIcons[id].reset(side == 16 ? nullptr : LoadCommandIcon(id, side));
}

HFONT UiFont() { return Main().uiFont ? Main().uiFont : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

int CommandIconSide() { return IconSideFor(Main().dpi); }

HICON CommandIcon(int id) {
  if (id < 0 || id >= kCommandCount) return nullptr;
  if (HICON own = Main().commandIcons[id].get()) return own;
  return App().CommandIcons[id].get();
}

void SetStatusParts(HWND bar) {
  int edges[4];
  int right = 0;
  for (int i = 0; i < 3; ++i) edges[i] = right += Px(kStatusWidths[i]);
  edges[3] = -1;
  SendMessageW(bar, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(edges));
}

void PlaceLinkLabel() {
  MainWindow& m = Main();
  if (m.linkContainer) MoveWindow(m.linkContainer, Px(10), Px(5), Px(140), Px(18), TRUE);
  if (m.linkLabel) MoveWindow(m.linkLabel, Px(1), Px(1), Px(130), Px(16), TRUE);
}

void ScaleGridLook(GridControl& grid, bool withStrip) {
  grid.SetRowHeight(Px(kGridRowHeight));
  grid.SetHeaderHeight(Px(kGridHeaderHeight));
  grid.SetDpi(Main().dpi);
  if (withStrip) grid.SetStrip(Px(kGridStripWidth), Px(kGridStripGap));
}

GridPlace KeepGridPlace(GridControl* grid) {
  if (!grid) return {};
  return {grid, grid->GetCurrentColumn(), grid->GetCurrentRow(), ListView_GetTopIndex(grid->listWindow)};
}

void RestoreGridPlace(const GridPlace& place) {
  GridControl* grid = place.grid;
  if (!grid) return;
  if (place.column >= 0 && place.row >= 0) grid->SetCurrentCell(place.column, place.row, 0);
  const int now = ListView_GetTopIndex(grid->listWindow);
  RECT item{};
  if (now != place.top && ListView_GetItemRect(grid->listWindow, now, &item, LVIR_BOUNDS))
    ListView_Scroll(grid->listWindow, 0, (place.top - now) * (item.bottom - item.top));
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
  m.hexGrid = GridControl::Create(m.hexContainer, 0, 0, 10, 10, Px(kGridRowHeight), 0x22045);
  if (m.hexGrid) {
    m.hexGrid->SetColour(5, GetSysColor(COLOR_GRADIENTACTIVECAPTION));
    ScaleGridLook(*m.hexGrid, false);
    // 9 points: at 10 (8 pixels a character at 96 DPI) the 73 characters of
    // a row need more than the grid's width in the default window.
    m.hexFont = CreateHexFont(m.dpi);
    m.hexGrid->SetFont(m.hexFont);
    AddHexDumpColumns(*m.hexGrid, m.dpi);
  }

  m.viewContainer = CreateContainer(page, kIdViewContainer, 0, 0, 10, 10);
  m.imageView = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE, 0, 0, 10, 10,
                                m.viewContainer, reinterpret_cast<HMENU>(kIdImageView), instance, nullptr);
  ShowWindow(m.imageView, SW_HIDE);
  m.textView = CreateWindowExW(WS_EX_CLIENTEDGE, RICHEDIT_CLASSW, L"",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0, 0, 10, 10,
                               m.viewContainer, reinterpret_cast<HMENU>(kIdTextView), instance, nullptr);
  if (m.textView) SendMessageW(m.textView, EM_SETTARGETDEVICE, 0, 0);  // wrap at the view's width
  // The rich-edit control's own default font is made for 96 DPI whatever
  // the display: at any other it shows the window's GUI font.
  if (m.textView && m.dpi != kBaseDpi) SendMessageW(m.textView, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), FALSE);

  m.resourceSplitter = CreateSplitter(page, kIdResourceSplitter, 0, 0, 10, 10, m.hexContainer, m.viewContainer,
                                      false, false);
  ScaleSplitter(m.resourceSplitter, kBaseDpi, m.dpi, 0, kViewMinimum);
  m.mainSplitter = CreateSplitter(page, kIdMainSplitter, Px(kPageMargin), Px(kPageMargin), width, height,
                                  m.resourceTree, m.resourceSplitter, true, true);
  ScaleSplitter(m.mainSplitter, kBaseDpi, m.dpi, kTreeMinimum, 0);
  SetSplitterPosition(m.mainSplitter, clientWidth / 4);
  SetSplitterPosition(m.resourceSplitter, Px(kHexDumpHeight));
}

ResourceViews Views() {
  return {Main().resourceTree, Main().hexGrid.get(), Main().imageView, Main().textView, IconSideFor(Main().dpi)};
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
  const int innerWidth = std::max(panelWidth - Px(20), 0);
  const int innerHeight = std::max(panelHeight - TabHeight() - Px(15), 0);
  const int margin = Px(kPageMargin);
  if (m.functionGrid) {
    // The filter bar, while shown, takes its height from the grid's bottom.
    const bool bar = m.filterBar && m.filterBar->Shown();
    const int barHeight = bar ? m.filterBar->Height() : 0;
    const int gridHeight = bar ? std::max(innerHeight - barHeight, 0) : innerHeight;
    m.functionGrid->Resize(margin, margin, innerWidth, gridHeight);
    if (bar) m.filterBar->Move(margin, margin + gridHeight, innerWidth);
    StretchLastColumn(*m.functionGrid);
  }
  if (m.editor) MoveWindow(m.editor, margin, margin, innerWidth, innerHeight, TRUE);
  if (m.mainSplitter) MoveWindow(m.mainSplitter, margin, margin, innerWidth, innerHeight, TRUE);
  LayoutResourceViews();
}

namespace {

// The controls' text fonts for dpi: those they were made with at the system
// DPI, copies of them scaled for any other.
void SetControlFonts(int dpi) {
  MainWindow& m = Main();
  if (m.systemFonts.empty()) {
    for (HWND w : {m.tabPanel, m.status, m.linkLabel, m.functionGrid ? m.functionGrid->listWindow : nullptr}) {
      if (w) m.systemFonts.emplace_back(w, reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)));
    }
  }
  std::vector<HFONT> made;
  for (const auto& [control, original] : m.systemFonts) {
    HFONT base = original ? original : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HFONT font = dpi == SystemDpi() ? original : CreateFontForDpi(base, dpi);
    if (font && font != original) made.push_back(font);
    if (m.functionGrid && control == m.functionGrid->listWindow) {
      m.functionGrid->SetFont(font);
    } else {
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
  }
  for (HFONT old : m.dpiFonts) DeleteObject(old);
  m.dpiFonts = std::move(made);
}

}  // namespace

void ApplyMainWindowDpi(int dpi) {
  MainWindow& m = Main();
  if (!m.window || dpi <= 0 || dpi == m.dpi) return;
  const int old = m.dpi;
  MakeDpiResources(dpi);
  SetControlFonts(dpi);
  if (m.toolbar) SetToolbarImages(m.toolbar);
  if (m.status) SetStatusParts(m.status);
  PlaceLinkLabel();
  if (m.functionGrid) {
    ScaleGridLook(*m.functionGrid, true);
    ScaleColumnWidths(*m.functionGrid, old, dpi);
  }
  if (m.filterBar) m.filterBar->SetDpi(dpi, UiFont());
  if (m.hexGrid) {
    HFONT hexFont = CreateHexFont(dpi);
    m.hexGrid->SetFont(hexFont);
    if (m.hexFont) DeleteObject(m.hexFont);
    m.hexFont = hexFont;
    ScaleGridLook(*m.hexGrid, false);
    FitHexDumpColumns(*m.hexGrid, dpi);
  }
  if (m.resourceTree) SetTreeImages(Views());
  if (m.textView) SendMessageW(m.textView, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), TRUE);
  if (m.resourceSplitter) ScaleSplitter(m.resourceSplitter, old, dpi, 0, kViewMinimum);
  if (m.mainSplitter) ScaleSplitter(m.mainSplitter, old, dpi, kTreeMinimum, 0);
  if (m.editor) ScalePreviewEditor(dpi);
  LayoutMainWindow();
}

}  // namespace vantorel
