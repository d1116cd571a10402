#include "grid_fixture.h"
#include "platform/dib_win32.h"
#include "test_support.h"

namespace vantorel::grid_testing {
namespace {

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kPing) return kPong;
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClasses() {
  static const bool done = [] {
    WNDCLASSW host{};
    host.lpfnWndProc = DefWindowProcW;
    host.hInstance = GetModuleHandleW(nullptr);
    host.lpszClassName = L"GridTestHost";
    host.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    RegisterClassW(&host);
    WNDCLASSW parent{};
    parent.lpfnWndProc = ParentProc;
    parent.hInstance = GetModuleHandleW(nullptr);
    parent.lpszClassName = L"GridTestParent";
    parent.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    RegisterClassW(&parent);
    return true;
  }();
  (void)done;
}

}  // namespace

HWND Host() {
  static HWND host = [] {
    RegisterClasses();
    HWND h = CreateWindowExW(0, L"GridTestHost", L"Grid tests", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 10, 10, 900,
                             700, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(h, SW_SHOWNOACTIVATE);
    return h;
  }();
  return host;
}

HWND MakeParent(int width, int height) {
  RegisterClasses();
  return CreateWindowExW(0, L"GridTestParent", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width, height,
                         Host(), nullptr, GetModuleHandleW(nullptr), nullptr);
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

TestGrid::TestGrid(int columns, std::int64_t flags, int width, int height) {
  parent = MakeParent(width + 20, height + 20);
  grid = GridControl::Create(parent, 5, 5, width, height, 20, flags);
  if (!grid) return;
  grid->SetCallback(recorder.Callback());
  grid->SetHeaderHeight(22);
  grid->SetStrip(24, 1);
  for (int c = 0; c < columns; ++c) grid->AddColumn(-1, L"Column " + std::to_wstring(c), 80);
}

TestGrid::~TestGrid() {
  grid.reset();
  if (IsWindow(parent)) DestroyWindow(parent);
}

void TestGrid::AddRows(int count, bool ticked) {
  // Filled with redraw off, as the application does: Wine's list view grows
  // slowly while it may paint.
  const bool toggle = !grid->redrawOff;
  if (toggle) grid->SetRedraw(false, false);
  const std::int64_t columns = grid->GetColumnCount();
  for (int i = 0; i < count; ++i) {
    const std::int64_t row = grid->GetRowCount();
    grid->AddRow(-1, L"", 1);
    grid->SetRowState(row, ticked ? 2 : 1, -1, -1, -1, false);
    for (std::int64_t c = 0; c < columns; ++c)
      grid->SetCellText(c, row, L"r" + std::to_wstring(row) + L"c" + std::to_wstring(c));
  }
  if (toggle) grid->SetRedraw(true, false);
}

RECT TestGrid::ItemRect(std::int64_t row) const {
  RECT r{};
  r.left = LVIR_BOUNDS;
  SendMessageW(grid->listWindow, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  return r;
}

ObjectCounts CountObjects() {
  ObjectCounts counts;
  counts.gdi = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
  counts.user = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
  if (counts.gdi != 0 && counts.user != 0) return counts;
  counts = {};
  // Wine accepts a handle's table index with its upper word left 0.
  for (ULONG_PTR i = 1; i < 0x10000; ++i)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(i))) ++counts.gdi;
  for (ULONG_PTR i = 0x20; i < 0x10000; i += 2) {
    HWND window = reinterpret_cast<HWND>(i);
    if (IsWindow(window)) {
      DWORD process = 0;
      GetWindowThreadProcessId(window, &process);
      if (process == GetCurrentProcessId()) ++counts.user;
      continue;
    }
    ICONINFO info{};
    if (GetIconInfo(reinterpret_cast<HICON>(i), &info)) {
      ++counts.user;
      if (info.hbmMask) DeleteObject(info.hbmMask);
      if (info.hbmColor) DeleteObject(info.hbmColor);
    }
  }
  return counts;
}

Snapshot::Snapshot(HWND window, int width, int height) : width_(width), height_(height) {
  HDC screen = GetDC(nullptr);
  dc_ = CreateCompatibleDC(screen);
  void* bits = nullptr;
  bitmap_ = CreateTopDownDib32(screen, width, height, &bits);
  ReleaseDC(nullptr, screen);
  bits_ = static_cast<std::uint32_t*>(bits);
  old_ = SelectObject(dc_, bitmap_);
  RECT all{0, 0, width, height};
  FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
  GdiFlush();
}

Snapshot::~Snapshot() {
  SelectObject(dc_, old_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

COLORREF Snapshot::At(int x, int y) const {
  if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  const std::uint32_t p = bits_[y * width_ + x];  // 0xAARRGGBB in memory order BGRA
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

bool OpenClipboardSoon() { return ::vantorel::testing::OpenClipboardSoon(); }

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboardSoon()) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void SetClipboardText(const std::wstring& text) {
  ASSERT_TRUE(OpenClipboardSoon());
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  auto* target = static_cast<wchar_t*>(GlobalLock(memory));
  std::copy(text.c_str(), text.c_str() + text.size() + 1, target);
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
}

}  // namespace vantorel::grid_testing
