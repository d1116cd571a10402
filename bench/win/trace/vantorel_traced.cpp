// Vantorel.exe with its start-up steps timed: the same program and data, with
// an observer that notes when each step ends, in milliseconds since the
// system created the process. Once the window is ready for its first event
// it closes itself, and on exit appends one line of "step=ms" fields to the
// file named by VANTOREL_TRACE_FILE.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0602  // GetSystemTimePreciseAsFileTime
#include <windows.h>

#include <array>
#include <cstdio>

#include "app/main_window_win32.h"
#include "app/startup_trace.h"
#include "app/startup_win32.h"

namespace {

using vantorel::StartupStep;

constexpr int kSteps = static_cast<int>(StartupStep::Count);
const std::array<const char*, kSteps> kNames = {
    "common_controls", "argument_checked", "window_menu_bars", "library_opened",
    "function_grid",      "shown_painted",  "richedit_and_icons", "editor_mapped", "preview_page",
    "resources_page",     "resource_tree",  "ready_for_events",
};
// -1: the step did not happen.
std::array<double, kSteps> marks;
LARGE_INTEGER frequency, entered;
double enteredMs = 0;

double SinceCreation() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return enteredMs + static_cast<double>(now.QuadPart - entered.QuadPart) * 1000.0 /
                         static_cast<double>(frequency.QuadPart);
}

void Observe(StartupStep step) {
  if (step == StartupStep::Shown) {
    // Wine paints the children with the window; elsewhere they may wait in
    // the queue: done here at once, they are what the user first sees.
    RedrawWindow(vantorel::Main().window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  marks[static_cast<int>(step)] = SinceCreation();
  if (step == StartupStep::Ready) PostMessageW(vantorel::Main().window, WM_CLOSE, 0, 0);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&entered);
  FILETIME created, unused, now;
  GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
  GetSystemTimePreciseAsFileTime(&now);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  enteredMs = static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
  marks.fill(-1);
  vantorel::startupObserver = Observe;
  const int code = vantorel::RunVantorel(GetCommandLineW());
  wchar_t file[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"VANTOREL_TRACE_FILE", file, MAX_PATH) && file[0]) {
    if (FILE* out = _wfopen(file, L"a")) {
      std::fprintf(out, "WinMain_entered=%.3f", enteredMs);
      for (int i = 0; i < kSteps; ++i) {
        if (marks[i] >= 0) std::fprintf(out, " %s=%.3f", kNames[i], marks[i]);
      }
      std::fprintf(out, "\n");
      std::fclose(out);
    }
  }
  return code;
}
