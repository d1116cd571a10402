// The keyboard on the function grid of 65,535 rows under Wine: Page Down
// from the first row to the last, Down through the first 1,000 rows (each
// key a CellFocus, a commit and a newly opened editor), then Ctrl+A and
// Ctrl+C over the whole table. Each figure is the wall time of the key
// messages and the paints they cause; prints the figures.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "app/startup_win32.h"
#include "app/pages/function_page_win32.h"
#include "codegen/function_table.h"
#include "grid/grid_win32.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRows = 65535;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

void Key(HWND window, UINT key, bool ctrl = false) {
  BYTE state[256]{};
  GetKeyboardState(state);
  state[VK_CONTROL] = ctrl ? 0x80 : 0;
  SetKeyboardState(state);
  SendMessageW(window, WM_KEYDOWN, key, 1);
  SendMessageW(window, WM_KEYUP, key, 0xC0000001);
  state[VK_CONTROL] = 0;
  SetKeyboardState(state);
  PumpMessages();
}

}  // namespace

int wmain() {
  vantorel::PrepareProcess();
  HWND host = CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 820,
                              560, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  // The table the grid shows and writes its edits into; it outlives the grid.
  vantorel::FunctionRows list;
  auto grid = vantorel::GridControl::Create(host, 0, 0, 800, 520, 20, 0x22045);
  if (!grid) return 1;
  grid->SetCallback([&list](vantorel::GridControl* g, vantorel::GridEvent event, vantorel::CellEvent& record) {
    return vantorel::OnFunctionGridEvent(g, event, record, list, [](std::int64_t) {});
  });
  grid->SetHeaderHeight(22);
  grid->SetStrip(24, 1);
  vantorel::AddFunctionGridColumns(*grid);
  for (int i = 1; i <= kRows; ++i) {
    const std::string name = "Function_" + std::to_string(i);
    list.push_back(vantorel::MakeFunctionRow(std::u16string(name.begin(), name.end())));
  }
  vantorel::FillFunctionGrid(*grid, list);
  PumpMessages();
  HWND lv = grid->listWindow;

  grid->SetCurrentCell(1, 0, 1);
  PumpMessages();
  auto start = Clock::now();
  int pages = 0;
  while (grid->GetCurrentRow() < kRows - 1 && pages < kRows) {
    Key(lv, VK_NEXT);
    ++pages;
  }
  const double pageDown = Since(start);
  const bool pageOk = grid->GetCurrentRow() == kRows - 1;

  grid->SetCurrentCell(1, 0, 1);
  PumpMessages();
  start = Clock::now();
  for (int i = 0; i < 1000; ++i) Key(lv, VK_DOWN);
  const double down = Since(start);
  const bool downOk = grid->GetCurrentRow() == 1000;

  start = Clock::now();
  Key(lv, 'A', true);
  const double selectAll = Since(start);
  start = Clock::now();
  Key(lv, 'C', true);
  const double copy = Since(start);
  std::size_t copied = 0;
  if (OpenClipboard(nullptr)) {
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) copied = GlobalSize(data) / sizeof(wchar_t);
    CloseClipboard();
  }

  std::printf("Page Down through %d rows: %d keys, %.3f s (%.3f ms a key), last row reached: %s\n", kRows, pages,
              pageDown, 1000 * pageDown / std::max(pages, 1), pageOk ? "yes" : "no");
  std::printf("Down through 1,000 rows: %.3f s (%.3f ms a key), row 1000 reached: %s\n", down, down, downOk ? "yes" : "no");
  std::printf("Ctrl+A %.3f s, Ctrl+C %.3f s (%zu characters on the clipboard)\n", selectAll, copy, copied);
  grid.reset();
  DestroyWindow(host);
  return downOk && pageOk ? 0 : 1;
}
