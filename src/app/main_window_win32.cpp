#include "app/main_window_win32.h"

#include <commctrl.h>
#include <ole2.h>
#include <richedit.h>
#include <shellapi.h>

#include <algorithm>

#include "analysis/library_win32.h"
#include "analysis/version_info.h"
#include "analysis/version_info_win32.h"
#include "app/app_state_win32.h"
#include "app/command_line.h"
#include "platform/launcher_win32.h"
#include "app/link_label_win32.h"
#include "platform/resource_ids.h"
#include "app/splitter_win32.h"
#include "app/status_text.h"
#include "platform/text_win32.h"
#include "codegen/function_grid_win32.h"
#include "codegen/generate_source_win32.h"
#include "codegen/project_win32.h"
#include "codegen/save_source_win32.h"
#include "editor/editor_win32.h"
#include "editor/preview_editor_win32.h"
#include "resources/resource_preview_win32.h"
#include "resources/resource_view_win32.h"

namespace vantorel {

namespace {

constexpr wchar_t kMainClass[] = L"VantorelMain";
constexpr wchar_t kContainerClass[] = L"VantorelContainer";

// Control ids above the command ids 0-5, so WM_COMMAND tells them apart.
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

constexpr int kStatusWidths[] = {160, 200, 150};
constexpr UINT kClearTreeSelection = WM_APP + 1;

MainWindow mainWindow;

// ---------------------------------------------------------------------------
// Containers: plain windows that hand their children's reports to the main
// window, wherever they were moved.

LRESULT CALLBACK ContainerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
      if (mainWindow.window && hwnd != mainWindow.window) return SendMessageW(mainWindow.window, msg, wp, lp);
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

// ---------------------------------------------------------------------------
// Dropped files: an OLE drop target on the tab panel.

std::vector<std::wstring> PathsOf(HDROP drop) {
  std::vector<std::wstring> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    DragQueryFileW(drop, i, path.data(), length + 1);
    path.resize(length);
    paths.push_back(std::move(path));
  }
  return paths;
}

}  // namespace

class FileDropTarget final : public IDropTarget {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
      *out = static_cast<IDropTarget*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    // COM's own lifetime rule: the last reference frees the object.
    if (left == 0) std::unique_ptr<FileDropTarget>(this).reset();
    return left;
  }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    acceptable_ = data && data->QueryGetData(&format) == S_OK;
    *effect = Effect();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
    *effect = Effect();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    acceptable_ = false;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    *effect = Effect();
    if (*effect == DROPEFFECT_NONE || !data) return S_OK;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (data->GetData(&format, &medium) != S_OK) return S_OK;
    const std::vector<std::wstring> paths = PathsOf(static_cast<HDROP>(medium.hGlobal));
    ReleaseStgMedium(&medium);
    HandleDroppedFiles(paths);
    return S_OK;
  }

 private:
  DWORD Effect() const { return acceptable_ && mainWindow.dropsAccepted ? DROPEFFECT_COPY : DROPEFFECT_NONE; }
  ULONG references_ = 1;
  bool acceptable_ = false;
};

namespace {

// ---------------------------------------------------------------------------
// Menu and toolbar.

struct CommandText {
  int id;
  const wchar_t* menu;
  const wchar_t* tooltip;
};
constexpr CommandText kCommands[] = {
    {CmdNewInstance, L"New", L"New Instance"}, {CmdOpenLibrary, L"Open", L"Open DLL"},
    {CmdOpenProject, L"Open Project", L"Open Project"}, {CmdSave, L"Save", L""},
    {CmdAbout, L"About", L"About Vantorel"}, {CmdExit, L"Exit", L"Quit Vantorel"},
};

void AppendCommand(HMENU menu, int id) {
  MENUITEMINFOW item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_ID | MIIM_STRING | MIIM_BITMAP;
  item.wID = static_cast<UINT>(id);
  item.dwTypeData = const_cast<wchar_t*>(kCommands[id].menu);
  // The icon is drawn by the window (WM_DRAWITEM), whatever the menu theme.
  item.hbmpItem = HBMMENU_CALLBACK;
  InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &item);
}

HMENU BuildMenu() {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  HMENU help = CreatePopupMenu();
  if (!bar || !file || !help) {
    if (bar) DestroyMenu(bar);
    if (file) DestroyMenu(file);
    if (help) DestroyMenu(help);
    return nullptr;
  }
  AppendCommand(file, CmdNewInstance);
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendCommand(file, CmdOpenLibrary);
  AppendCommand(file, CmdOpenProject);
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendCommand(file, CmdSave);
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendCommand(file, CmdExit);
  AppendCommand(help, CmdAbout);
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
  EnableMenuItem(bar, CmdSave, MF_BYCOMMAND | MF_GRAYED);
  return bar;
}

HWND BuildToolbar(HWND parent) {
  HWND bar = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                             WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(kIdToolbar), GetModuleHandleW(nullptr), nullptr);
  if (!bar) return nullptr;
  SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  mainWindow.toolbarImages = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, kCommandCount, 0);
  for (const auto& icon : App().CommandIcons) ImageList_AddIcon(mainWindow.toolbarImages, icon.get());
  SendMessageW(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(mainWindow.toolbarImages));
  auto button = [](int id) {
    TBBUTTON b{};
    b.iBitmap = id;
    b.idCommand = id;
    b.fsState = static_cast<BYTE>(id == CmdSave ? 0 : TBSTATE_ENABLED);
    b.fsStyle = BTNS_BUTTON;
    return b;
  };
  TBBUTTON separator{};
  separator.fsStyle = BTNS_SEP;
  const TBBUTTON buttons[] = {button(CmdNewInstance), separator, button(CmdOpenLibrary), button(CmdOpenProject),
                              separator, button(CmdSave), separator, button(CmdAbout), separator,
                              button(CmdExit)};
  SendMessageW(bar, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
  SendMessageW(bar, TB_AUTOSIZE, 0, 0);
  return bar;
}

HWND BuildStatusBar(HWND parent) {
  HWND bar = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(kIdStatus), GetModuleHandleW(nullptr), nullptr);
  if (!bar) return nullptr;
  int edges[4];
  int right = 0;
  for (int i = 0; i < 3; ++i) edges[i] = right += kStatusWidths[i];
  edges[3] = -1;
  SendMessageW(bar, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(edges));
  return bar;
}

// A status field's text, centred (a leading tab centres it).
void SetStatusText(int field, const std::wstring& text) {
  if (!mainWindow.status) return;
  const std::wstring centred = text.empty() ? text : L"\t" + text;
  SendMessageW(mainWindow.status, SB_SETTEXTW, static_cast<WPARAM>(field), reinterpret_cast<LPARAM>(centred.c_str()));
}

int Height(HWND hwnd) {
  RECT rc{};
  if (hwnd) GetWindowRect(hwnd, &rc);
  return rc.bottom - rc.top;
}

int CurrentTab() { return mainWindow.tabPanel ? TabCtrl_GetCurSel(mainWindow.tabPanel) : kFunctionsTab; }

// Height of the tab strip: where the display area starts.
int TabHeight() {
  RECT rc{0, 0, 400, 400};
  TabCtrl_AdjustRect(mainWindow.tabPanel, FALSE, &rc);
  return rc.top;
}

// ---------------------------------------------------------------------------
// The Resources page.

void BuildResourcesPage(HWND page, int width, int height, int clientWidth) {
  MainWindow& m = mainWindow;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  m.resourceTree = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                                   WS_CHILD | WS_VISIBLE | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT |
                                       TVS_SHOWSELALWAYS,
                                   0, 0, 10, 10, page, reinterpret_cast<HMENU>(kIdTree), instance, nullptr);
  App().ResourceTree = m.resourceTree;

  m.hexContainer = CreateContainer(page, kIdHexContainer, 0, 0, 10, 10);
  m.hexGrid = GridControl::Create(m.hexContainer, 0, 0, 10, 10, 20, 0x22045);
  if (m.hexGrid) {
    m.hexGrid->SetColour(5, GetSysColor(COLOR_GRADIENTACTIVECAPTION));
    m.hexGrid->SetHeaderHeight(22);
    HDC screen = GetDC(nullptr);
    const int pixels = -MulDiv(10, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    m.hexFont = CreateFontW(pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_MODERN, L"Courier New");
    m.hexGrid->SetFont(m.hexFont);
    m.hexGrid->AddColumn(0, L"Adress:", 95);
    m.hexGrid->AddColumn(1, L"  0   1   2   3   4   5   6   7   8   9   A   B   C   D   E   F", 340);
    m.hexGrid->AddColumn(2, L"", 145);
  }

  m.viewContainer = CreateContainer(page, kIdViewContainer, 0, 0, 10, 10);
  m.imageView = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE, 0, 0, 10, 10,
                                m.viewContainer, reinterpret_cast<HMENU>(kIdImageView), instance, nullptr);
  ShowWindow(m.imageView, SW_HIDE);
  LoadLibraryW(L"riched20.dll");  // stays loaded for the text view's life
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
  return {mainWindow.resourceTree, mainWindow.hexGrid.get(), mainWindow.imageView, mainWindow.textView};
}

// Layout step 3: the grids and views fill their containers.
void LayoutResourceViews() {
  MainWindow& m = mainWindow;
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
    if (mainWindow.pages[i]) ShowWindow(mainWindow.pages[i], i == current ? SW_SHOW : SW_HIDE);
  }
}

void EndLoop() { PostQuitMessage(0); }

SourceLines PreviewEditorLines() {
  return {[] { return GetEditorText(kPreviewEditor); }, [] { return GetEditorLineCount(kPreviewEditor); },
          [](std::int64_t i) { return GetEditorLine(kPreviewEditor, i); }};
}

// A disabled command's icon: its pixels in grey at half strength.
void DrawDisabledIcon(HDC dc, int x, int y, HICON icon) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = 16;
  info.bmiHeader.biHeight = -16;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib) return;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, dib);
  DrawIconEx(memory, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
  auto* px = static_cast<std::uint8_t*>(bits);
  for (int i = 0; i < 16 * 16; ++i, px += 4) {
    // Premultiplied grey, half as opaque as the original pixel.
    const int alpha = px[3] / 2;
    const int grey = (px[0] * 11 + px[1] * 59 + px[2] * 30) / 100;
    const int shown = (grey / 2 + 96) * alpha / 255;
    px[0] = px[1] = px[2] = static_cast<std::uint8_t>(std::min(shown, alpha));
    px[3] = static_cast<std::uint8_t>(alpha);
  }
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(dc, x, y, 16, 16, memory, 0, 0, 16, 16, blend);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(dib);
}

void DrawMenuIcon(const DRAWITEMSTRUCT& item) {
  const UINT id = item.itemID;
  if (id >= static_cast<UINT>(kCommandCount)) return;
  HICON icon = App().CommandIcons[id].get();
  if (!icon) return;
  const int x = item.rcItem.left + 2;
  const int y = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - 16) / 2;
  if (item.itemState & (ODS_GRAYED | ODS_DISABLED)) {
    DrawDisabledIcon(item.hDC, x, y, icon);
  } else {
    DrawIconEx(item.hDC, x, y, icon, 16, 16, 0, nullptr, DI_NORMAL);
  }
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
    case WM_SIZE:
      if (m.window) LayoutMainWindow();
      return 0;
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
          info->lpszText = const_cast<wchar_t*>(id == CmdSave ? m.saveTooltip.c_str() : kCommands[id].tooltip);
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
        item->itemWidth = 20;  // the icon and a gap before the text
        item->itemHeight = 16;
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
    main.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_VANTOREL), IMAGE_ICON, 16, 16, 0));
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

}  // namespace

MainWindow& Main() { return mainWindow; }

HWND BuildMainWindow() {
  if (!RegisterClasses()) return nullptr;
  MainWindow& m = mainWindow;
  const HINSTANCE instance = GetModuleHandleW(nullptr);

  // 1. The window, hidden, with a client area of 820 x 560 under its menu.
  m.menu = BuildMenu();
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, m.menu != nullptr, 0);
  m.window = CreateWindowExW(0, kMainClass, L"Vantorel", style, CW_USEDEFAULT, CW_USEDEFAULT,
                             frame.right - frame.left, frame.bottom - frame.top, nullptr, m.menu, instance, nullptr);
  if (!m.window) {
    if (m.menu) DestroyMenu(m.menu);
    m.menu = nullptr;
    return nullptr;
  }

  // 3-4. Toolbar and status bar; the window goes on without either.
  m.toolbar = BuildToolbar(m.window);
  m.status = BuildStatusBar(m.window);
  AppState& app = App();
  if (m.status && !app.CurrentPath.empty()) {
    SetStatusText(2, ToWide(FileSizeField(CurrentFileSize(app.CurrentPath))));
  }

  // 5. The tab panel with the Functions page and its grid.
  RECT client;
  GetClientRect(m.window, &client);
  const int toolbarHeight = Height(m.toolbar);
  const int panelWidth = client.right;
  const int panelHeight = client.bottom - toolbarHeight - Height(m.status);
  m.tabPanel = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0,
                               toolbarHeight, panelWidth, panelHeight, m.window, reinterpret_cast<HMENU>(kIdTabs),
                               instance, nullptr);
  SendMessageW(m.tabPanel, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  // COM reference counting owns the target from here; Release frees it.
  m.dropTarget = std::make_unique<FileDropTarget>().release();
  RegisterDragDrop(m.tabPanel, m.dropTarget);

  const wchar_t* titles[] = {L"Functions", L"Preview", L"Resources"};
  for (int i = 0; i < 3; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(titles[i]);
    TabCtrl_InsertItem(m.tabPanel, i, &item);
  }
  RECT display{0, 0, panelWidth, panelHeight};
  TabCtrl_AdjustRect(m.tabPanel, FALSE, &display);
  for (int i = 0; i < 3; ++i) {
    m.pages[i] = CreateContainer(m.tabPanel, kIdPage + i, display.left, display.top, display.right - display.left,
                                 display.bottom - display.top);
  }
  const int innerWidth = panelWidth - 20;
  const int innerHeight = panelHeight - TabHeight() - 15;
  m.functionGrid = GridControl::Create(m.pages[kFunctionsTab], 5, 5, innerWidth, innerHeight, 20, 0x22045);
  if (m.functionGrid) {
    m.functionGrid->SetCallback([](GridControl* grid, GridEvent event, CellEvent& record) {
      return OnFunctionGridEvent(grid, event, record, UpdateSelectionCount);
    });
    m.functionGrid->SetColour(5, GetSysColor(COLOR_GRADIENTACTIVECAPTION));
    m.functionGrid->SetHeaderHeight(22);
    m.functionGrid->SetStrip(24, 1);
    AddFunctionGridColumns(*m.functionGrid);
  }
  RefreshMainView();
  if (m.functionGrid) StretchLastColumn(*m.functionGrid);

  // 6. The Preview page's editor.
  m.editor = SetupPreviewEditor(m.pages[kPreviewTab], innerWidth, innerHeight);

  // 7. The Resources page.
  BuildResourcesPage(m.pages[kResourcesTab], innerWidth, innerHeight, client.right);
  ShowCurrentPage();

  // 8. The link label, made in the window and moved into the status bar.
  m.handCursor = LoadCursorW(nullptr, IDC_HAND);
  m.linkContainer = CreateContainer(m.window, kIdLinkContainer, 10, 5, 140, 18);
  m.linkLabel = CreateLinkLabel(m.linkContainer, kIdLinkLabel, 1, 1, 130, 16, m.handCursor);
  if (m.status) {
    SetParent(m.linkContainer, m.status);
    MoveWindow(m.linkContainer, 10, 5, 140, 18, TRUE);
  }

  // 9-10. The resource tree, then whatever is pending.
  EnumerateResources(Views());
  LayoutMainWindow();
  DiscardPendingEvents();
  return m.window;
}

void LayoutMainWindow() {
  MainWindow& m = mainWindow;
  if (!m.window) return;
  if (m.toolbar) SendMessageW(m.toolbar, TB_AUTOSIZE, 0, 0);
  if (m.status) SendMessageW(m.status, WM_SIZE, 0, 0);
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
    m.functionGrid->Resize(5, 5, innerWidth, innerHeight);
    StretchLastColumn(*m.functionGrid);
  }
  if (m.editor) MoveWindow(m.editor, 5, 5, innerWidth, innerHeight, TRUE);
  if (m.mainSplitter) MoveWindow(m.mainSplitter, 5, 5, innerWidth, innerHeight, TRUE);
  LayoutResourceViews();
}

void UpdateSaveCommand(bool enabled, const std::wstring& tooltip) {
  MainWindow& m = mainWindow;
  m.saveEnabled = enabled;
  m.saveTooltip = enabled ? tooltip : std::wstring();
  if (m.menu) EnableMenuItem(m.menu, CmdSave, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
  if (m.toolbar) SendMessageW(m.toolbar, TB_ENABLEBUTTON, CmdSave, MAKELPARAM(enabled ? TRUE : FALSE, 0));
}

void UpdateSelectionCount(std::int64_t ticked) {
  const auto total = static_cast<std::int64_t>(App().FunctionList.size());
  SetStatusText(1, ToWide(SelectionCountText(ticked, total)));
}

void RefreshMainView() {
  MainWindow& m = mainWindow;
  AppState& app = App();
  if (m.functionGrid) FillFunctionGrid(*m.functionGrid, app.FunctionList);
  const auto ticked = std::count_if(app.FunctionList.begin(), app.FunctionList.end(),
                                    [](const FunctionEntry& e) { return e.checked == 1; });
  UpdateSelectionCount(ticked);
  if (m.window) SetWindowTextW(m.window, ToWide(MainTitle(ToU16(app.CurrentPath))).c_str());
  if (app.CurrentPath.empty()) {
    SetStatusText(2, L"");
    SetStatusText(3, L"");
  } else {
    SetStatusText(2, ToWide(FileSizeField(CurrentFileSize(app.CurrentPath))));
    SetStatusText(3, ToWide(FileVersionField(app.LibraryInfo.versionStrings[kFileVersionIndex])));
  }
  GenerateSource(m.functionGrid.get(), app.CurrentPath);
  switch (CurrentTab()) {
    case kPreviewTab:
      UpdateSaveCommand(!app.FunctionList.empty(), L"Save Source");
      break;
    case kFunctionsTab:
      UpdateSaveCommand(m.functionGrid && m.functionGrid->GetRowCount() > 0, L"Save Project");
      break;
    default:
      break;
  }
  if (m.functionGrid) StretchLastColumn(*m.functionGrid);
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
      GenerateSource(m.functionGrid.get(), App().CurrentPath);
      UpdateSaveCommand(!GetEditorText(kPreviewEditor).empty(), L"Save Source");
      break;
    default:
      m.dropsAccepted = true;
      UpdateSaveCommand(false, L"");
      break;
  }
}

void HandleDroppedFiles(const std::vector<std::wstring>& paths) {
  if (paths.empty() || !mainWindow.dropsAccepted) return;
  AppState& app = App();
  std::size_t first = 0;
  if (app.CurrentPath.empty()) {
    first = 1;
    // Dropped files are not checked: the loader's answer decides.
    if (IsProjectPath(ToU16(paths[0]))) {
      LoadProject(paths[0]);
    } else {
      LoadLibraryFile(paths[0]);
    }
  }
  for (std::size_t i = first; i < paths.size(); ++i) CurrentLauncher().StartCopy(ToWide(QuotedArgument(ToU16(paths[i]))));
  if (first == 1) {
    RefreshMainView();
    EnumerateResources(Views());
  }
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

void RunCommand(int id) {
  switch (id) {
    case CmdNewInstance:
      CurrentLauncher().StartCopy(L"");
      break;
    case CmdOpenLibrary:
      LoadLibraryFile(L"");
      RefreshMainView();
      EnumerateResources(Views());
      break;
    case CmdOpenProject:
      LoadProject(L"");
      RefreshMainView();
      EnumerateResources(Views());
      break;
    case CmdSave:
      if (CurrentTab() == kFunctionsTab) SaveProject(mainWindow.functionGrid.get());
      if (CurrentTab() == kPreviewTab) SaveSource(PreviewEditorLines(), App().CurrentPath);
      break;
    case CmdAbout:
      ShowAbout(mainWindow.window);
      break;
    case CmdExit:
      EndLoop();
      break;
    default:
      break;
  }
}

void RunEventLoop() {
  MainWindow& m = mainWindow;
  ShowWindow(m.window, SW_SHOWNORMAL);
  UpdateWindow(m.window);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    // The plain Tab key goes to the focused control (the editor takes it);
    // Shift+Tab still moves the focus backwards.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && (GetKeyState(VK_SHIFT) & 0x8000) &&
        !(GetKeyState(VK_CONTROL) & 0x8000) && IsChild(m.window, msg.hwnd)) {
      if (HWND previous = GetNextDlgTabItem(m.window, GetFocus(), TRUE)) SetFocus(previous);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
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
  m.functionGrid.reset();
  m.hexGrid.reset();
  App().ResourceTree = nullptr;
  if (m.window) DestroyWindow(m.window);  // takes the menu and every child with it
  if (m.toolbarImages) ImageList_Destroy(m.toolbarImages);
  if (m.hexFont) DeleteObject(m.hexFont);
  m = MainWindow{};
}

void RunMainWindow() {
  if (!BuildMainWindow()) return;
  // Wired here rather than in the build: a window built for a test must not
  // open a modal dialog on a click.
  SetResourcePreviews(MenuAndDialogPreviews(mainWindow.window));
  RunEventLoop();
  SetResourcePreviews({});
  TearDownMainWindow();
}

}  // namespace vantorel
