// Start to visible window under Wine, whole processes, taken in turns so all
// meet the same machine load: the minimal Win32 program (the anchor),
// Vantorel.exe opening Wine's 16-export version.dll, and Vantorel.exe opening
// the 65,535-export test library. Each run prints one line of seconds;
// after the last come the medians and the two ratios.
//   win_bench_startup_ratio.exe [RUNS [VANTOREL_EXE]]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "app/status_text.h"
#include "platform/edition.h"
#include "platform/text_win32.h"
#include "start_to_shown.h"

namespace {

double TimeVantorel(const std::wstring& exe, const std::wstring& library) {
  return vantorel::bench::TimeStartToShown(exe, library, vantorel::ToWide(vantorel::MainTitle(vantorel::ToU16(library))));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 7;
  const std::wstring exe = argc > 2 ? argv[2] : VANTOREL_EXE;
  const bool x86 = vantorel::kEdition == vantorel::Edition::X86;
  const std::wstring few = x86 ? L"Z:\\usr\\lib\\i386-linux-gnu\\wine\\i386-windows\\version.dll"
                               : L"Z:\\usr\\lib\\x86_64-linux-gnu\\wine\\x86_64-windows\\version.dll";
  const std::wstring many = std::wstring(VANTOREL_TESTDATA) + (x86 ? L"\\x86" : L"") + L"\\many_exports.dll";
  std::vector<double> anchor, fewOpens, manyOpens;
  for (int run = 0; run < runs; ++run) {
    anchor.push_back(vantorel::bench::TimeStartToShown(VANTOREL_ANCHOR_EXE, L"", L"Minimal window"));
    fewOpens.push_back(TimeVantorel(exe, few));
    manyOpens.push_back(TimeVantorel(exe, many));
    std::printf("run anchor %.4f version.dll %.4f many_exports.dll %.4f\n", anchor.back(), fewOpens.back(),
                manyOpens.back());
    std::fflush(stdout);
  }
  const double a = vantorel::bench::Median(anchor), f = vantorel::bench::Median(fewOpens),
               m = vantorel::bench::Median(manyOpens);
  std::printf("median anchor %.4f version.dll %.4f many_exports.dll %.4f\n", a, f, m);
  if (a <= 0 || f <= 0 || m <= 0) {
    std::printf("a window never showed\n");
    return 1;
  }
  std::printf("ratio start to visible, 16 exports / minimal window: %.2f\n", f / a);
  std::printf("ratio start to visible, 65535 / 16 exports: %.2f\n", m / f);
  return 0;
}
