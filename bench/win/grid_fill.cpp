// Filling a grid the way the function grid is filled (65,535 rows of 6
// columns, redraw off) against a bare list view doing the same inserts, side
// by side in one run. Prints the times and their ratio.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "grid/grid_win32.h"

namespace {

using vantorel::GridControl;

constexpr int kRows = 65535;
constexpr int kColumns = 6;
constexpr int kRounds = 5;

double Seconds() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Texts {
  std::vector<std::wstring> cells;  // row-major
  Texts() {
    cells.reserve(static_cast<std::size_t>(kRows) * kColumns);
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kColumns; ++c)
        cells.push_back(c == 0 ? std::to_wstring(r + 1) : L"Function_" + std::to_wstring(r) + L"_" + std::to_wstring(c));
  }
  const std::wstring& At(int r, int c) const { return cells[static_cast<std::size_t>(r) * kColumns + c]; }
};

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

struct Timing {
  double fill = 0;   // inserts with redraw off
  double total = 0;  // including switching redraw on and painting once
};

// The same columns as the grid's list view: a hidden one for the row, then six.
HWND MakeBareList(HWND parent) {
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 700, 500, parent,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  for (int c = 0; c <= kColumns; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = c == 0 ? 0 : 100;
    column.pszText = const_cast<wchar_t*>(L"Column");
    SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
  }
  return list;
}

Timing FillBare(HWND parent, const Texts& texts) {
  HWND list = MakeBareList(parent);
  Timing t;
  const double start = Seconds();
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (int r = 0; r < kRows; ++r) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = r;
    item.pszText = const_cast<wchar_t*>(L"");
    const auto at = SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int c = 0; c < kColumns; ++c) {
      LVITEMW sub{};
      sub.iSubItem = c + 1;
      sub.pszText = const_cast<wchar_t*>(texts.At(r, c).c_str());
      SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&sub));
    }
  }
  t.fill = Seconds() - start;
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  UpdateWindow(list);
  t.total = Seconds() - start;
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  DestroyWindow(list);
  PumpMessages();
  return t;
}

Timing FillGrid(HWND parent, const Texts& texts) {
  auto grid = GridControl::Create(parent, 0, 0, 700, 500, 20, 0x22045);
  if (!grid) return {};
  grid->SetHeaderHeight(22);
  grid->SetStrip(24, 1);
  for (int c = 0; c < kColumns; ++c) grid->AddColumn(c, L"Column", 100);
  Timing t;
  const double start = Seconds();
  grid->SetRedraw(false, false);
  for (int r = 0; r < kRows; ++r) {
    grid->AddRow(r, L"", 1);
    for (int c = 0; c < kColumns; ++c) grid->SetCellText(c, r, texts.At(r, c));
  }
  t.fill = Seconds() - start;
  grid->SetRedraw(true, true);
  t.total = Seconds() - start;
  grid->SetRedraw(false, false);
  grid.reset();
  PumpMessages();
  return t;
}

}  // namespace

int wmain() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  HWND host = CreateWindowExW(0, L"Static", L"grid fill", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                              760, 560, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  const Texts texts;
  std::vector<double> bare, grid, bareTotal, gridTotal;
  for (int round = 0; round < kRounds; ++round) {
    const Timing b = FillBare(host, texts);
    const Timing g = FillGrid(host, texts);
    bare.push_back(b.fill);
    grid.push_back(g.fill);
    bareTotal.push_back(b.total);
    gridTotal.push_back(g.total);
    std::printf("round %d: list view %.3f s (%.3f s with the first paint), grid %.3f s (%.3f s), ratio %.2f\n",
                round + 1, b.fill, b.total, g.fill, g.total, g.fill / b.fill);
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  std::printf("%d rows x %d columns, median of %d: list view %.3f s, grid %.3f s, ratio %.2f (with the first paint %.2f)\n",
              kRows, kColumns, kRounds, median(bare), median(grid), median(grid) / median(bare),
              median(gridTotal) / median(bareTotal));
  DestroyWindow(host);
  return 0;
}
