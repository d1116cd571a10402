#include "app/main_window_win32.h"

#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <utility>

#include "analysis/version_info.h"
#include "app/app_state_win32.h"
#include "app/command_line.h"
#include "app/drop_target_win32.h"
#include "app/header_import_win32.h"
#include "app/link_label_win32.h"
#include "app/main_window_parts_win32.h"
#include "app/open_library_win32.h"
#include "app/pages/function_page_win32.h"
#include "app/pages/preview_page_win32.h"
#include "app/pages/resource_page_win32.h"
#include "app/pages/resource_preview_win32.h"
#include "app/splitter_win32.h"
#include "app/startup_trace.h"
#include "app/status_text.h"
#include "codegen/row_filter.h"
#include "editor/editor_win32.h"
#include "editor/preview_editor_win32.h"
#include "platform/dpi_win32.h"
#include "platform/launcher_win32.h"
#include "platform/resource_ids.h"
#include "platform/text_win32.h"

namespace vantorel {

namespace {

using namespace main_window_parts;

constexpr wchar_t kMainClass[] = L"VantorelMain";
constexpr UINT kClearTreeSelection = WM_APP + 1;
constexpr UINT kOpenDroppedFiles = WM_APP + 2;

MainWindow mainWindow;

HWND BuildStatusBar(HWND parent) {
  HWND bar = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(kIdStatus), GetModuleHandleW(nullptr), nullptr);
  if (!bar) return nullptr;
  SetStatusParts(bar);
  return bar;
}

// A status field's text, centred (a leading tab centres it).
void SetStatusText(int field, const std::wstring& text) {
  if (!mainWindow.status) return;
  const std::wstring centred = text.empty() ? text : L"\t" + text;
  SendMessageW(mainWindow.status, SB_SETTEXTW, static_cast<WPARAM>(field), reinterpret_cast<LPARAM>(centred.c_str()));
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  MainWindow& m = mainWindow;
  switch (msg) {
    case WM_CLOSE:
      EndLoop();
      return 0;
    case kClearTreeSelection:
      if (m.resourceTree) TreeView_SelectItem(m.resourceTree, nullptr);
      return 0;
    case kOpenDroppedFiles:
      // Taken as a whole first: opening may show a question whose own loop
      // delivers the next drop.
      for (const auto& paths : std::exchange(m.pendingDrops, {})) HandleDroppedFiles(paths);
      return 0;
    case WM_SIZE:
      if (m.window) LayoutMainWindow();
      return 0;
    case WM_DPICHANGED: {
      const GridPlace places[] = {KeepGridPlace(m.functionGrid.get()), KeepGridPlace(m.hexGrid.get())};
      // The new DPI first, so the size the window takes is laid out for it.
      ApplyMainWindowDpi(HIWORD(wp));
      const auto* suggested = reinterpret_cast<const RECT*>(lp);
      SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      LayoutMainWindow();
      for (const GridPlace& place : places) RestoreGridPlace(place);
      return 0;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      const HWND from = reinterpret_cast<HWND>(lp);
      if (from && from == m.linkLabel) {
        if (HIWORD(wp) == STN_CLICKED) CurrentLauncher().OpenAddress(kProjectAddress);
        return 0;
      }
      if (from && from == m.resourceSplitter && HIWORD(wp) == kSplitterMoved) {
        LayoutResourceViews();
        return 0;
      }
      if (id >= 0 && id < kCommandCount && (!from || from == m.toolbar)) RunCommand(id);
      if (id >= CmdFind && id <= CmdShowAll && !from) RunCommand(id);
      return 0;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lp);
      if (header->hwndFrom == m.tabPanel && header->code == TCN_SELCHANGE) {
        OnTabSwitched();
        return 0;
      }
      if (header->hwndFrom == m.resourceTree && header->code == NM_CLICK) {
        const DWORD at = GetMessagePos();
        OnResourceTreeClick({static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))});
        return 0;
      }
      if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lp);
        const auto id = static_cast<int>(info->hdr.idFrom);
        if (id >= 0 && id < kCommandCount) {
          info->lpszText = const_cast<wchar_t*>(CommandTooltip(id));
        }
        return 0;
      }
      break;
    }
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lp) == m.linkLabel) {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, kLinkColour);
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      if (item->CtlType == ODT_MENU) {
        item->itemWidth = static_cast<UINT>(Px(20));  // the icon and a gap before the text
        item->itemHeight = static_cast<UINT>(CommandIconSide());
        return TRUE;
      }
      break;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (item->CtlType == ODT_MENU) {
        DrawMenuIcon(*item);
        return TRUE;
      }
      break;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

bool RegisterClasses() {
  static const bool registered = [] {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW main{};
    main.cbSize = sizeof main;
    main.lpfnWndProc = MainProc;
    main.hInstance = instance;
    main.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_VANTOREL));
    // Shared: the system owns it and frees it with the module.
    main.hIconSm =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_VANTOREL), IMAGE_ICON, 16, 16, LR_SHARED));
    main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    main.lpszClassName = kMainClass;
    WNDCLASSEXW container = main;
    container.lpfnWndProc = ContainerProc;
    container.hIcon = container.hIconSm = nullptr;
    container.lpszClassName = kContainerClass;
    return RegisterClassExW(&main) != 0 && RegisterClassExW(&container) != 0;
  }();
  return registered;
}

// Pending creation events are handled before the window first shows.
void DiscardPendingEvents() {
  MSG msg;
  for (;;) {
    bool any = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) continue;
      any = true;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (!any) break;
    Sleep(1);
  }
}

// The part of the window its first paint shows: the frame with menu,
// toolbar and status bar, the tab panel with the filled Functions page, and
// the link label.
bool BuildVisibleWindow(const std::function<void()>& beforeFill) {
  if (!RegisterClasses()) return false;
  MainWindow& m = mainWindow;
  const HINSTANCE instance = GetModuleHandleW(nullptr);

  // 1. The window, hidden, with a client area of 820 x 560 (at 96 DPI)
  // under its menu; made for the DPI of the screen it starts on.
  m.menu = BuildMenu();
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  MakeDpiResources(SystemDpi());
  RECT frame{0, 0, Px(kClientWidth), Px(kClientHeight)};
  AdjustWindowRectEx(&frame, style, m.menu != nullptr, 0);
  m.window = CreateWindowExW(0, kMainClass, ToWide(MainTitle(u"")).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                             frame.right - frame.left, frame.bottom - frame.top, nullptr, m.menu, instance, nullptr);
  if (!m.window) {
    if (m.menu) DestroyMenu(m.menu);
    m.menu = nullptr;
    return false;
  }
  if (const int dpi = WindowDpi(m.window); dpi != m.dpi) {
    // Another monitor than the primary one: the frame is made for it.
    MakeDpiResources(dpi);
    RECT own{0, 0, Px(kClientWidth), Px(kClientHeight)};
    AdjustWindowRectEx(&own, style, m.menu != nullptr, 0);
    SetWindowPos(m.window, nullptr, 0, 0, own.right - own.left, own.bottom - own.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // 3-4. Toolbar and status bar; the window goes on without either.
  m.toolbar = BuildToolbar(m.window);
  m.status = BuildStatusBar(m.window);
  ReportStartupStep(StartupStep::WindowBuilt);

  // 5. The tab panel with the Functions page and its grid.
  RECT client;
  GetClientRect(m.window, &client);
  const int toolbarHeight = Height(m.toolbar);
  const int panelWidth = client.right;
  const int panelHeight = client.bottom - toolbarHeight - Height(m.status);
  m.tabPanel = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0,
                               toolbarHeight, panelWidth, panelHeight, m.window, reinterpret_cast<HMENU>(kIdTabs),
                               instance, nullptr);
  SendMessageW(m.tabPanel, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), FALSE);
  if (m.uiFont && m.status) SendMessageW(m.status, WM_SETFONT, reinterpret_cast<WPARAM>(m.uiFont), FALSE);

  const wchar_t* titles[] = {L"Functions", L"Preview", L"Resources"};
  for (int i = 0; i < 3; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(titles[i]);
    TabCtrl_InsertItem(m.tabPanel, i, &item);
  }
  RECT display{0, 0, panelWidth, panelHeight};
  TabCtrl_AdjustRect(m.tabPanel, FALSE, &display);
  // The other pages are made hidden once the window shows.
  const int functionsPage = kIdPage + static_cast<int>(kFunctionsTab);
  m.pages[kFunctionsTab] = CreateContainer(m.tabPanel, functionsPage, display.left, display.top,
                                           display.right - display.left, display.bottom - display.top);
  const int innerWidth = panelWidth - Px(20);
  const int innerHeight = panelHeight - TabHeight() - Px(15);
  // The hex grid's flags, and the rows' tips are asked for. Its editors
  // show only once a cell is edited: they are made after the first paint.
  m.functionGrid = GridControl::Create(m.pages[kFunctionsTab], Px(kPageMargin), Px(kPageMargin), innerWidth,
                                       innerHeight, Px(kGridRowHeight),
                                       0x22045 | grid_flags::kTooltips | grid_flags::kEditorsLater);
  if (m.functionGrid) {
    m.functionGrid->SetCallback([](GridControl* grid, GridEvent event, CellEvent& record) {
      return OnFunctionGridEvent(grid, event, record, App().Session.rows, UpdateSelectionCount, FunctionRowTip,
                                 App().Session.library.path, mainWindow.functionFilter.Shown());
    });
    m.functionGrid->SetColour(5, GetSysColor(COLOR_GRADIENTACTIVECAPTION));
    ScaleGridLook(*m.functionGrid, true);
    AddFunctionGridColumns(*m.functionGrid, m.dpi);
  }
  // 8. The link label, made in the window and moved into the status bar;
  // before the fill, which may wait for the session.
  m.handCursor = LoadCursorW(nullptr, IDC_HAND);
  m.linkContainer = CreateContainer(m.window, kIdLinkContainer, Px(10), Px(5), Px(140), Px(18));
  m.linkLabel = CreateLinkLabel(m.linkContainer, kIdLinkLabel, Px(1), Px(1), Px(130), Px(16), m.handCursor);
  if (m.linkLabel && m.uiFont) SendMessageW(m.linkLabel, WM_SETFONT, reinterpret_cast<WPARAM>(m.uiFont), FALSE);
  if (m.status) SetParent(m.linkContainer, m.status);
  PlaceLinkLabel();
  m.accelerators = BuildAccelerators();
  if (beforeFill) beforeFill();
  RefreshMainView();
  if (m.functionGrid) StretchLastColumn(*m.functionGrid);
  ShowCurrentPage();
  ReportStartupStep(StartupStep::FunctionsFilled);

  LayoutMainWindow();
  DiscardPendingEvents();
  return true;
}

// What the first paint does not show: the function grid's editors and the
// filter bar (both hidden until used), the drop target, the Preview page's
// editor, the Resources page and its tree. Each goes onto a page that is
// hidden until its tab is chosen. Events are left to the loop: once the
// window shows, a close or a click may already wait among them.
void CompleteMainWindow() {
  MainWindow& m = mainWindow;
  if (m.functionGrid) {
    m.functionGrid->MakeEditors();
    m.filterBar = FilterBar::Create(m.pages[kFunctionsTab], {FilterFunctions, TickShownFunctions, CloseFunctionFilter});
    if (m.filterBar) m.filterBar->SetDpi(m.dpi, UiFont());
  }
  // COM reference counting owns the target from here; Release frees it.
  m.dropTarget = std::make_unique<FileDropTarget>().release();
  RegisterDragDrop(m.tabPanel, m.dropTarget);

  RECT client, panel;
  GetClientRect(m.window, &client);
  GetClientRect(m.tabPanel, &panel);
  RECT display = panel;
  TabCtrl_AdjustRect(m.tabPanel, FALSE, &display);
  for (int i : {kPreviewTab, kResourcesTab}) {
    if (m.pages[i]) continue;
    m.pages[i] = CreateContainer(m.tabPanel, kIdPage + i, display.left, display.top, display.right - display.left,
                                 display.bottom - display.top, i == CurrentTab());
  }
  const int innerWidth = std::max<int>(panel.right - Px(20), 0);
  const int innerHeight = std::max<int>(panel.bottom - TabHeight() - Px(15), 0);

  // 6. The Preview page's editor.
  m.editor = SetupPreviewEditor(m.pages[kPreviewTab], Px(kPageMargin), innerWidth, innerHeight, m.dpi);
  ReportStartupStep(StartupStep::PreviewBuilt);

  // 7. The Resources page.
  BuildResourcesPage(m.pages[kResourcesTab], innerWidth, innerHeight, client.right);
  LayoutResourceViews();
  OpenTabOrder();
  ReportStartupStep(StartupStep::ResourcesBuilt);

  // 9-10. The resource tree, then whatever is pending.
  EnumerateResources(Views());
  ReportStartupStep(StartupStep::ResourceTree);
}

void ShowMainWindow() {
  ShowWindow(mainWindow.window, SW_SHOWNORMAL);
  UpdateWindow(mainWindow.window);
}

}  // namespace

MainWindow& Main() { return mainWindow; }

HWND BuildMainWindow() {
  if (!BuildVisibleWindow({})) return nullptr;
  CompleteMainWindow();
  DiscardPendingEvents();
  return mainWindow.window;
}

namespace {

void ShowSelectionCount(std::int64_t ticked, std::int64_t total) {
  SetStatusText(1, ToWide(SelectionCountText(ticked, total)));
}

}  // namespace

void UpdateSelectionCount(std::int64_t ticked) {
  ShowSelectionCount(ticked, static_cast<std::int64_t>(App().Session.rows.size()));
}

void EndFunctionGridEdit() {
  if (mainWindow.functionGrid) mainWindow.functionGrid->EndEdit();
}

void RefreshMainView() {
  MainWindow& m = mainWindow;
  AppState& app = App();
  const Session& session = app.Session;
  ForgetFunctionRows(m.functionFilter);
  // At start-up the rows of the library named on the command line may still
  // be in the making: the grid shows its texts, all rows ticked as a fresh
  // library's are, and the rows come before the first event.
  if (m.freshTexts && session.rows.empty()) {
    const auto rows = static_cast<std::int64_t>(FunctionGridTextRows(*m.freshTexts));
    if (m.functionGrid) FillFreshFunctionGrid(*m.functionGrid, m.freshTexts);
    ShowSelectionCount(rows, rows);
  } else {
    if (m.functionGrid) RefillFunctionGrid(*m.functionGrid, session.rows, m.functionFilter);
    UpdateSelectionCount(static_cast<std::int64_t>(CountTicked(session.rows)));
  }
  m.freshTexts.reset();
  if (m.filterBar && m.functionFilter.open)
    m.filterBar->SetCount(ToWide(ShownCountText(m.functionFilter.view.Shown(), session.rows.size())));
  if (m.window) SetWindowTextW(m.window, ToWide(MainTitle(session.library.path)).c_str());
  if (session.library.path.empty()) {
    SetStatusText(2, L"");
    SetStatusText(3, L"");
  } else {
    SetStatusText(2, ToWide(FileSizeField(session.library.size)));
    SetStatusText(3, ToWide(FileVersionField(session.library.versionStrings[kFileVersionIndex])));
  }
  app.GeneratedSource = ShowGeneratedSource(session);
  switch (CurrentTab()) {
    case kPreviewTab:
      UpdateSaveCommand(!session.rows.empty(), L"Save Source");
      break;
    case kFunctionsTab:
      UpdateSaveCommand(m.functionGrid && m.functionGrid->GetRowCount() > 0, L"Save Project");
      break;
    default:
      break;
  }
}

void OnTabSwitched() {
  MainWindow& m = mainWindow;
  ShowCurrentPage();
  switch (CurrentTab()) {
    case kFunctionsTab:
      m.dropsAccepted = true;
      UpdateSaveCommand(m.functionGrid && m.functionGrid->GetRowCount() > 0, L"Save Project");
      break;
    case kPreviewTab:
      m.dropsAccepted = false;
      // An edit still open in the grid counts.
      EndFunctionGridEdit();
      App().GeneratedSource = ShowGeneratedSource(App().Session);
      UpdateSaveCommand(!App().GeneratedSource.empty(), L"Save Source");
      break;
    default:
      m.dropsAccepted = true;
      UpdateSaveCommand(false, L"");
      break;
  }
}

namespace {

void OpenDroppedFiles(const std::vector<std::wstring>& paths) {
  if (paths.empty()) return;
  std::size_t first = 0;
  if (App().Session.library.path.empty()) {
    first = 1;
    EndFunctionGridEdit();
    // Dropped files are not checked: the loader's answer decides.
    if (IsProjectPath(ToU16(paths[0]))) {
      LoadProject(paths[0]);
    } else if (AcceptDroppedLibrary(paths[0])) {
      LoadLibraryFile(paths[0]);
    }
  }
  for (std::size_t i = first; i < paths.size(); ++i) CurrentLauncher().StartCopy(ToWide(QuotedArgument(ToU16(paths[i]))));
  if (first == 1) {
    RefreshMainView();
    EnumerateResources(Views());
  }
}

}  // namespace

void HandleDroppedFiles(const std::vector<std::wstring>& dropped) {
  if (dropped.empty() || !mainWindow.dropsAccepted) return;
  // Headers go into the table, after a library dropped with them is open.
  std::vector<std::wstring> paths, headers;
  for (const std::wstring& path : dropped) (IsHeaderPath(path) ? headers : paths).push_back(path);
  OpenDroppedFiles(paths);
  for (const std::wstring& header : headers) ImportHeaderFile(header);
}

void QueueDroppedFiles(std::vector<std::wstring> paths) {
  MainWindow& m = mainWindow;
  if (paths.empty() || !m.window) return;
  m.pendingDrops.push_back(std::move(paths));
  PostMessageW(m.window, kOpenDroppedFiles, 0, 0);
}

void OnResourceTreeClick(POINT screen) {
  MainWindow& m = mainWindow;
  if (!m.resourceTree) return;
  // The item under the mouse: the click may not have selected it, and
  // showing a resource clears the selection again.
  TVHITTESTINFO hit{};
  hit.pt = screen;
  ScreenToClient(m.resourceTree, &hit.pt);
  HTREEITEM item = TreeView_HitTest(m.resourceTree, &hit);
  if (!(hit.flags & TVHT_ONITEM)) item = nullptr;
  ShowResource(Views(), item);
  // The tree selects the clicked item after its notification: a shown
  // language item is deselected once that has happened.
  if (item && ResourceKeyOf(m.resourceTree, item)) PostMessageW(m.window, kClearTreeSelection, 0, 0);
}

void RunEventLoop() {
  MainWindow& m = mainWindow;
  ShowMainWindow();
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    // The plain Tab key goes to the focused control (the editor takes it);
    // Shift+Tab still moves the focus backwards.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && (GetKeyState(VK_SHIFT) & 0x8000) &&
        !(GetKeyState(VK_CONTROL) & 0x8000) && IsChild(m.window, msg.hwnd)) {
      if (HWND previous = GetNextDlgTabItem(m.window, GetFocus(), TRUE)) SetFocus(previous);
      continue;
    }
    if (TranslateMainWindowKey(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool TranslateMainWindowKey(MSG& msg) {
  MainWindow& m = mainWindow;
  if (!m.accelerators || !m.window || CurrentTab() != kFunctionsTab) return false;
  if (msg.hwnd != m.window && !IsChild(m.window, msg.hwnd)) return false;
  return TranslateAcceleratorW(m.window, m.accelerators, &msg) != 0;
}

void FilterFunctions(const std::wstring& text) {
  MainWindow& m = mainWindow;
  if (!m.functionGrid || !m.filterBar) return;
  const FunctionRows& rows = App().Session.rows;
  FilterFunctionGrid(*m.functionGrid, rows, m.functionFilter, ToU16(text));
  m.filterBar->SetCount(ToWide(ShownCountText(m.functionFilter.view.Shown(), rows.size())));
}

void TickShownFunctions(bool ticked) {
  MainWindow& m = mainWindow;
  if (!m.functionGrid) return;
  FunctionRows& rows = App().Session.rows;
  TickShownFunctionRows(*m.functionGrid, rows, m.functionFilter, ticked);
  UpdateSelectionCount(static_cast<std::int64_t>(CountTicked(rows)));
}

void CloseFunctionFilter() {
  MainWindow& m = mainWindow;
  if (!m.functionGrid || !m.filterBar || (!m.functionFilter.open && !m.filterBar->Shown())) return;
  const FunctionGridPlace place = CurrentFunctionRow(*m.functionGrid, m.functionFilter);
  m.filterBar->Show(false);
  m.filterBar->ClearText();
  LayoutMainWindow();
  ShowAllFunctionRows(*m.functionGrid, App().Session.rows, m.functionFilter, place);
}

void OpenFunctionFilter() {
  MainWindow& m = mainWindow;
  if (!m.functionGrid || !m.filterBar) return;
  if (CurrentTab() != kFunctionsTab && m.tabPanel) {
    TabCtrl_SetCurSel(m.tabPanel, kFunctionsTab);
    OnTabSwitched();
  }
  if (!m.filterBar->Shown()) {
    const FunctionGridPlace place = CurrentFunctionRow(*m.functionGrid, m.functionFilter);
    m.filterBar->Show(true);
    LayoutMainWindow();
    FilterFunctionGrid(*m.functionGrid, App().Session.rows, m.functionFilter, ToU16(m.filterBar->Text()), place);
    m.filterBar->SetCount(
        ToWide(ShownCountText(m.functionFilter.view.Shown(), App().Session.rows.size())));
  } else {
    m.filterBar->Show(true);
  }
}

void TearDownMainWindow() {
  MainWindow& m = mainWindow;
  if (m.handCursor) {
    // The link label must not keep a cursor that is gone.
    if (m.linkLabel) RemovePropW(m.linkLabel, L"cursor");
    DestroyCursor(m.handCursor);
  }
  FreeEditor(kPreviewEditor);
  if (m.tabPanel) RevokeDragDrop(m.tabPanel);
  if (m.dropTarget) m.dropTarget->Release();
  m.filterBar.reset();
  m.functionGrid.reset();
  m.hexGrid.reset();
  if (m.accelerators) DestroyAcceleratorTable(m.accelerators);
  App().ResourceTree = nullptr;
  if (m.window) DestroyWindow(m.window);  // takes the menu and every child with it
  if (m.toolbarImages) ImageList_Destroy(m.toolbarImages);
  if (m.hexFont) DeleteObject(m.hexFont);
  if (m.uiFont) DeleteObject(m.uiFont);
  for (HFONT font : m.dpiFonts) DeleteObject(font);
  m = MainWindow{};
}

void RunMainWindow(const std::function<void()>& beforeHiddenParts, const std::function<void()>& beforeFill,
                   const std::function<void()>& beforeEvents) {
  if (!BuildVisibleWindow(beforeFill)) return;
  // The rest is made once the window shows, and before it handles a single
  // event: nobody can see or reach it earlier.
  ShowMainWindow();
  ReportStartupStep(StartupStep::Shown);
  if (beforeHiddenParts) beforeHiddenParts();
  CompleteMainWindow();
  // Wired here rather than in the build: a window built for a test must not
  // open a modal dialog on a click.
  SetResourcePreviews(MenuAndDialogPreviews(mainWindow.window));
  if (beforeEvents) beforeEvents();
  ReportStartupStep(StartupStep::Ready);
  RunEventLoop();
  SetResourcePreviews({});
  TearDownMainWindow();
}

}  // namespace vantorel
