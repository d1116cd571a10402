#pragma once
// Live GDI and USER objects of this process, for leak checks in tests and
// the long-use harness. GetGuiResources where the system counts them; Wine
// leaves it a stub (0), so there the handle tables are walked instead: GDI
// objects, this process's windows, and icons and cursors.
#include <windows.h>

#include <vector>

namespace vantorel::testing {

struct ObjectTotals {
  long gdi = 0;
  long user = 0;
};

// The live objects by handle-table index, walked as on Wine: GDI objects,
// then this process's windows and its icons and cursors.
struct LiveObjects {
  std::vector<ULONG_PTR> gdi, user;
};

inline LiveObjects ListProcessObjects() {
  LiveObjects live;
  // Wine accepts a handle's table index with its upper word left 0.
  for (ULONG_PTR i = 1; i < 0x10000; ++i)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(i))) live.gdi.push_back(i);
  for (ULONG_PTR i = 0x20; i < 0x10000; i += 2) {
    HWND window = reinterpret_cast<HWND>(i);
    if (IsWindow(window)) {
      DWORD process = 0;
      GetWindowThreadProcessId(window, &process);
      if (process == GetCurrentProcessId()) live.user.push_back(i);
      continue;
    }
    ICONINFO info{};
    if (GetIconInfo(reinterpret_cast<HICON>(i), &info)) {
      live.user.push_back(i);
      if (info.hbmMask) DeleteObject(info.hbmMask);
      if (info.hbmColor) DeleteObject(info.hbmColor);
    }
  }
  return live;
}

inline ObjectTotals CountProcessObjects() {
  ObjectTotals counts;
  counts.gdi = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
  counts.user = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
  if (counts.gdi != 0 && counts.user != 0) return counts;
  const LiveObjects live = ListProcessObjects();
  return {static_cast<long>(live.gdi.size()), static_cast<long>(live.user.size())};
}

}  // namespace vantorel::testing
