// Where start-up spends its time under Wine, whole processes taken in turns
// so that all meet the same machine load: per run, the minimal Win32 program
// (the anchor) and Vantorel.exe with a 16-export library (Wine's version.dll)
// and with the 65,535-export test library, each from CreateProcess to its
// visible window, then the traced build of the program with each library,
// which notes when every start-up step ends. Prints the median of each step
// (milliseconds since the process was created, and the step's own share
// since the step before it in that run) and the two start-to-visible ratios.
//   win_bench_startup_steps.exe [RUNS [VANTOREL_EXE [TRACED_EXE [OTHER_EXE [OTHER_TRACED_EXE]]]]]
// RUNS defaults to 20; the two programs to the ones this build made. An
// OTHER_EXE (another build of Vantorel.exe) is timed to visible in the same
// turns, for a before and after on one machine load, and an
// OTHER_TRACED_EXE (that build's traced program) has its steps noted in the
// same turns too.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/status_text.h"
#include "platform/edition.h"
#include "platform/text_win32.h"
#include "start_to_shown.h"

namespace {

using vantorel::bench::Median;

// One traced start: each step's name and when it ended.
using Trace = std::vector<std::pair<std::string, double>>;

double TimeVantorel(const std::wstring& exe, const std::wstring& library) {
  return vantorel::bench::TimeStartToShown(exe, library,
                                           vantorel::ToWide(vantorel::MainTitle(vantorel::ToU16(library))));
}

// The fields of one traced start with library, in the order they happened;
// empty when the run failed.
Trace TraceOnce(const std::wstring& exe, const std::wstring& library, const std::wstring& traceFile) {
  DeleteFileW(traceFile.c_str());
  SetEnvironmentVariableW(L"VANTOREL_TRACE_FILE", traceFile.c_str());
  std::wstring command = L"\"" + exe + L"\" \"" + library + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return {};
  if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  Trace trace;
  if (FILE* in = _wfopen(traceFile.c_str(), L"r")) {
    char name[64];
    double at;
    while (std::fscanf(in, " %63[^=]=%lf", name, &at) == 2) trace.emplace_back(name, at);
    std::fclose(in);
  }
  std::stable_sort(trace.begin(), trace.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
  return trace;
}

// Per step, in the order of their median times: when it ended and how long
// it took after the step before it.
void PrintTable(const char* title, const std::vector<Trace>& runs) {
  std::map<std::string, std::pair<std::vector<double>, std::vector<double>>> steps;
  for (const Trace& run : runs) {
    for (std::size_t i = 0; i < run.size(); ++i) {
      steps[run[i].first].first.push_back(run[i].second);
      steps[run[i].first].second.push_back(run[i].second - (i > 0 ? run[i - 1].second : 0.0));
    }
  }
  std::vector<std::pair<double, std::string>> order;
  for (const auto& [name, times] : steps) order.emplace_back(Median(times.first), name);
  std::sort(order.begin(), order.end());
  std::printf("%s, medians of %zu runs\n%-24s %9s %9s\n", title, runs.size(), "step", "ends, ms", "takes, ms");
  for (const auto& [at, name] : order) std::printf("%-24s %9.1f %9.1f\n", name.c_str(), at, Median(steps[name].second));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 20;
  const std::wstring exe = argc > 2 ? argv[2] : VANTOREL_EXE;
  const std::wstring traced = argc > 3 ? argv[3] : VANTOREL_TRACED_EXE;
  const std::wstring other = argc > 4 ? argv[4] : L"";
  const std::wstring otherTraced = argc > 5 ? argv[5] : L"";
  const bool x86 = vantorel::kEdition == vantorel::Edition::X86;
  const std::wstring few = x86 ? L"Z:\\usr\\lib\\i386-linux-gnu\\wine\\i386-windows\\version.dll"
                               : L"Z:\\usr\\lib\\x86_64-linux-gnu\\wine\\x86_64-windows\\version.dll";
  const std::wstring many = std::wstring(VANTOREL_TESTDATA) + (x86 ? L"\\x86" : L"") + L"\\many_exports.dll";
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring traceFile = std::wstring(temp) + L"vantorel_startup_steps.txt";

  std::vector<double> anchor, fewShown, manyShown, otherFew, otherMany;
  std::vector<Trace> fewTraces, manyTraces, otherFewTraces, otherManyTraces;
  for (int run = 0; run < runs; ++run) {
    // The two builds swap places every other turn: a start right after
    // another meets a different machine than one a few starts later.
    const bool otherFirst = run % 2 == 1;
    anchor.push_back(vantorel::bench::TimeStartToShown(VANTOREL_ANCHOR_EXE, L"", L"Minimal window"));
    auto timeThis = [&] {
      fewShown.push_back(TimeVantorel(exe, few));
      manyShown.push_back(TimeVantorel(exe, many));
    };
    auto timeOther = [&] {
      if (other.empty()) return;
      otherFew.push_back(TimeVantorel(other, few));
      otherMany.push_back(TimeVantorel(other, many));
    };
    if (otherFirst) timeOther();
    timeThis();
    if (!otherFirst) timeOther();
    auto trace = [&](const std::wstring& program, std::vector<Trace>& fews, std::vector<Trace>& manys) {
      if (program.empty()) return true;
      Trace f = TraceOnce(program, few, traceFile), m = TraceOnce(program, many, traceFile);
      if (f.empty() || m.empty()) return false;
      fews.push_back(std::move(f));
      manys.push_back(std::move(m));
      return true;
    };
    const bool traced1 = otherFirst ? trace(otherTraced, otherFewTraces, otherManyTraces)
                                    : trace(traced, fewTraces, manyTraces);
    const bool traced2 = otherFirst ? trace(traced, fewTraces, manyTraces)
                                    : trace(otherTraced, otherFewTraces, otherManyTraces);
    if (!traced1 || !traced2) {
      std::printf("run %d: a traced start gave no times\n", run + 1);
      return 1;
    }
    std::printf("run %2d: visible after: anchor %.3f s, 16 exports %.3f s, 65535 exports %.3f s\n", run + 1,
                anchor.back(), fewShown.back(), manyShown.back());
    std::fflush(stdout);
  }
  DeleteFileW(traceFile.c_str());
  std::printf("\n");
  PrintTable("16 exports (version.dll)", fewTraces);
  std::printf("\n");
  PrintTable("65,535 exports (many_exports.dll)", manyTraces);
  if (!otherTraced.empty()) {
    std::printf("\n");
    PrintTable("other build, 16 exports (version.dll)", otherFewTraces);
    std::printf("\n");
    PrintTable("other build, 65,535 exports (many_exports.dll)", otherManyTraces);
  }
  const double a = Median(anchor), f = Median(fewShown), m = Median(manyShown);
  std::printf("\nstart to visible, medians: anchor %.3f s, 16 exports %.3f s, 65535 exports %.3f s\n", a, f, m);
  if (a <= 0 || f <= 0 || m <= 0) {
    std::printf("a window never showed\n");
    return 1;
  }
  std::printf("ratio 16 exports / minimal window: %.2f (goal 1.5)\n", f / a);
  std::printf("ratio 65535 / 16 exports:          %.2f (goal 1.15)\n", m / f);
  if (!other.empty()) {
    const double of = Median(otherFew), om = Median(otherMany);
    std::printf("other build: 16 exports %.3f s, 65535 exports %.3f s; ratios %.2f and %.2f\n", of, om, of / a,
                om / of);
  }
  return 0;
}
