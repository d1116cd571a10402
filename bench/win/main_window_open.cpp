// Timing under Wine: opening a library with 65,535 exports from the command
// line until the window shows its filled grid, beside the same for a library
// with 16 exports, and the function grid's fill beside a bare list-view
// insert loop of the same rows.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/startup_win32.h"
#include "app/status_text.h"
#include "app/pages/function_page_win32.h"
#include "codegen/function_table.h"
#include "grid/grid_win32.h"
#include "platform/text_win32.h"
#include "start_to_shown.h"

namespace {

using vantorel::bench::Clock;
using vantorel::bench::Median;
using vantorel::bench::Seconds;

// Start to shown, for one run of the real program.
double TimeOpenFromCommandLine(const std::wstring& exe, const std::wstring& library) {
  return vantorel::bench::TimeStartToShown(exe, library, vantorel::ToWide(vantorel::MainTitle(vantorel::ToU16(library))));
}

vantorel::FunctionRows ManyEntries(int count) {
  vantorel::FunctionRows list;
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Function_%05d", i);
    list.push_back(vantorel::MakeFunctionRow(std::u16string(name, name + std::char_traits<char>::length(name))));
  }
  return list;
}

double TimeGridFill(HWND parent, const vantorel::FunctionRows& list) {
  auto grid = vantorel::GridControl::Create(parent, 0, 0, 780, 500, 20, 0x22045);
  if (!grid) return -1;
  grid->SetStrip(24, 1);
  vantorel::AddFunctionGridColumns(*grid);
  const auto start = Clock::now();
  vantorel::FillFunctionGrid(*grid, list);
  const double elapsed = Seconds(Clock::now() - start);
  grid.reset();
  return elapsed;
}

// The same rows straight into a report list view, redraw off as well.
double TimeBareListView(HWND parent, const vantorel::FunctionRows& list) {
  HWND lv = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 780, 500, parent, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  const wchar_t* titles[] = {L"", L"Nr:", L"Alias:", L"Function:", L"Para:", L"Conv:", L"Comment:"};
  for (int c = 0; c < 7; ++c) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = const_cast<wchar_t*>(titles[c]);
    col.cx = 80;
    ListView_InsertColumn(lv, c, &col);
  }
  const auto start = Clock::now();
  SendMessageW(lv, WM_SETREDRAW, FALSE, 0);
  for (std::size_t i = 0; i < list.size(); ++i) {
    const auto& e = list[i];
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<wchar_t*>(L"");
    ListView_InsertItem(lv, &item);
    const std::wstring texts[] = {std::to_wstring(i + 1), std::wstring(e.alias.begin(), e.alias.end()),
                                  std::wstring(e.exportName.begin(), e.exportName.end()),
                                  std::wstring(e.parameters.begin(), e.parameters.end()),
                                  std::wstring(e.convention.begin(), e.convention.end()),
                                  std::wstring(e.comment.begin(), e.comment.end())};
    for (int c = 0; c < 6; ++c) ListView_SetItemText(lv, static_cast<int>(i), c + 1, const_cast<wchar_t*>(texts[c].c_str()));
  }
  SendMessageW(lv, WM_SETREDRAW, TRUE, 0);
  const double elapsed = Seconds(Clock::now() - start);
  DestroyWindow(lv);
  return elapsed;
}

}  // namespace

// An optional argument names another build of the program to time, so two
// builds can be set side by side on one machine.
int wmain(int argc, wchar_t** argv) {
  const std::wstring exe = argc > 1 ? argv[1] : VANTOREL_EXE;
  // The edition's own kind: the 64-bit libraries, or their 32-bit builds in x86\.
  const std::wstring data = std::wstring(VANTOREL_TESTDATA) +
                            (vantorel::kEdition == vantorel::Edition::X86 ? L"\\x86" : L"") + L"\\";
  const std::wstring many = data + L"many_exports.dll", few = data + L"few_exports.dll";
  // Alternately, so both libraries meet the same machine load.
  constexpr int kOpenRuns = 7;
  std::vector<double> manyOpens, fewOpens;
  for (int run = 0; run < kOpenRuns; ++run) {
    fewOpens.push_back(TimeOpenFromCommandLine(exe, few));
    manyOpens.push_back(TimeOpenFromCommandLine(exe, many));
  }
  const auto print = [](const char* what, const std::vector<double>& runs) {
    std::printf("open from command line to shown grid, %s: median %.3f s (runs", what, Median(runs));
    for (double r : runs) std::printf(" %.3f", r);
    std::printf(")\n");
  };
  print("65535 exports", manyOpens);
  print("16 exports   ", fewOpens);
  const double openRatio = Median(fewOpens) > 0 ? Median(manyOpens) / Median(fewOpens) : -1.0;
  std::printf("ratio 65535 / 16 exports: %.2f\n", openRatio);

  vantorel::PrepareProcess();
  HWND host = CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 820, 560, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  const auto list = ManyEntries(65535);
  std::vector<double> grid, bare;
  for (int run = 0; run < 3; ++run) {
    grid.push_back(TimeGridFill(host, list));
    bare.push_back(TimeBareListView(host, list));
  }
  const double g = Median(grid), b = Median(bare);
  std::printf("function grid fill, 65535 rows x 6 columns: median %.3f s\n", g);
  std::printf("bare list-view insert loop, same rows:     median %.3f s\n", b);
  std::printf("ratio grid / bare: %.2f\n", b > 0 ? g / b : -1.0);
  DestroyWindow(host);
  vantorel::ReleaseProcess();
  const bool ok = Median(manyOpens) > 0 && openRatio > 0 && openRatio <= 1.3 && b > 0 && g / b <= 0.1 && g <= 0.05;
  std::printf("%s\n", ok ? "within the limits (open 1.3x, fill 50 ms and 0.1x)" : "OUTSIDE the limits (open 1.3x, fill 50 ms and 0.1x)");
  return ok ? 0 : 1;
}
