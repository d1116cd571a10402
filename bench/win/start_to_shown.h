// Whole-process start-up timing under Wine: from CreateProcess until the
// program shows a top-level window with the expected title.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace vantorel::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct ShownSearch {
  DWORD pid;
  std::wstring title;
  HWND found;
};

inline BOOL CALLBACK FindShown(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<ShownSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t text[1024] = {};
  if (pid == s->pid && IsWindowVisible(hwnd) && GetWindowTextW(hwnd, text, 1024) && s->title == text) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// Seconds from starting exe with argument (none when empty) until its window
// titled title is visible, -1 when it never shows; the window is then closed
// and the process waited for, so runs do not overlap.
inline double TimeStartToShown(const std::wstring& exe, const std::wstring& argument, const std::wstring& title) {
  std::wstring command = L"\"" + exe + L"\"";
  if (!argument.empty()) command += L" \"" + argument + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const auto start = Clock::now();
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  ShownSearch search{pi.dwProcessId, title, nullptr};
  while (!search.found && Seconds(Clock::now() - start) < 60) {
    EnumWindows(FindShown, reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(2);
  }
  const double elapsed = Seconds(Clock::now() - start);
  if (search.found) PostMessageW(search.found, WM_CLOSE, 0, 0);
  WaitForSingleObject(pi.hProcess, 30000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return search.found ? elapsed : -1;
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace vantorel::bench
