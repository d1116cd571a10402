// A paste of 1 MB of text into one cell of the function grid under Wine:
// Ctrl+V in the list into a Comment cell (every character offered to
// EditChar, the commit through EditDone, the cell and its open editor
// showing the result, and the paint that follows), and the same text into
// a Para cell, which keeps its digits only. Each figure is the best of five
// rounds, the median beside it; prints the figures. Exit code 1 when a
// paste did not keep what it should.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "app/startup_win32.h"
#include "app/pages/function_page_win32.h"
#include "codegen/function_table.h"
#include "grid/grid_win32.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kPasteBytes = 1 << 20;  // UTF-16 text of one cell: 1 Mi characters
constexpr int kRounds = 5;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

bool SetClipboard(const std::wstring& text) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  if (auto* target = memory ? static_cast<wchar_t*>(GlobalLock(memory)) : nullptr) {
    std::copy(text.c_str(), text.c_str() + text.size() + 1, target);
    GlobalUnlock(memory);
  }
  const bool set = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  return set;
}

void CtrlV(HWND window) {
  BYTE state[256]{};
  GetKeyboardState(state);
  state[VK_CONTROL] = 0x80;
  SetKeyboardState(state);
  SendMessageW(window, WM_KEYDOWN, 'V', 1);
  SendMessageW(window, WM_KEYUP, 'V', 0xC0000001);
  state[VK_CONTROL] = 0;
  SetKeyboardState(state);
}

struct Figure {
  double best = 0;
  double median = 0;
};

// Pastes into (column, row) kRounds times, each time from a cell emptied
// first; the time runs from the key to the end of the paint it causes.
Figure TimePaste(vantorel::GridControl& grid, std::int64_t column, std::int64_t row) {
  std::vector<double> rounds;
  for (int i = 0; i < kRounds; ++i) {
    grid.EndEdit();
    grid.SetCellText(column, row, L"");
    grid.SetCurrentCell(column, row, 1);
    PumpMessages();
    const auto start = Clock::now();
    CtrlV(grid.listWindow);
    UpdateWindow(grid.listWindow);
    PumpMessages();
    rounds.push_back(Since(start));
  }
  std::sort(rounds.begin(), rounds.end());
  return {rounds.front(), rounds[rounds.size() / 2]};
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // An optional argument: another number of characters to paste.
  const std::size_t size = argc > 1 ? static_cast<std::size_t>(std::wcstoul(argv[1], nullptr, 10)) : kPasteBytes;
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
  for (int i = 1; i <= 100; ++i) {
    const std::string name = "Function_" + std::to_string(i);
    list.push_back(vantorel::MakeFunctionRow(std::u16string(name.begin(), name.end())));
  }
  vantorel::FillFunctionGrid(*grid, list);
  PumpMessages();

  // Words and digits, as a long note pasted from elsewhere might be.
  std::wstring text;
  text.reserve(size);
  const std::wstring piece = L"param 42, flags 0x7F; ";
  while (text.size() < size) text += piece;
  text.resize(size);
  if (!SetClipboard(text)) return 1;
  std::size_t digits = 0;
  for (wchar_t c : text) digits += c >= L'0' && c <= L'9' ? 1 : 0;

  const Figure comment = TimePaste(*grid, 5, 3);
  const bool commentOk = grid->GetCellText(5, 3) == text;
  const Figure para = TimePaste(*grid, 3, 4);
  const bool paraOk = grid->GetCellText(3, 4).size() == digits;

  std::printf("Ctrl+V of %zu characters into a Comment cell: best %.3f s, median %.3f s, kept whole: %s\n",
              text.size(), comment.best, comment.median, commentOk ? "yes" : "no");
  std::printf("Ctrl+V of %zu characters into a Para cell: best %.3f s, median %.3f s, %zu digits kept: %s\n",
              text.size(), para.best, para.median, digits, paraOk ? "yes" : "no");
  grid.reset();
  DestroyWindow(host);
  return commentOk && paraOk ? 0 : 1;
}
