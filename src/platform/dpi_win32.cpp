#include "platform/dpi_win32.h"

namespace vantorel {

int SystemDpi() {
  static const int dpi = [] {
    HDC screen = GetDC(nullptr);
    const int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
    if (screen) ReleaseDC(nullptr, screen);
    return value > 0 ? value : kBaseDpi;
  }();
  return dpi;
}

int WindowDpi(HWND window) {
  // Windows 10 1607 and later; looked up so the program still starts on 7.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (window && getDpiForWindow) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  HDC dc = GetDC(window);
  const int value = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
  if (dc) ReleaseDC(window, dc);
  return value > 0 ? value : SystemDpi();
}

HFONT CreateFontForDpi(HFONT systemFont, int dpi) {
  const int system = SystemDpi();
  if (!systemFont || dpi <= 0 || dpi == system) return nullptr;
  LOGFONTW lf{};
  if (!GetObjectW(systemFont, sizeof lf, &lf)) return nullptr;
  lf.lfHeight = MulDiv(lf.lfHeight, dpi, system);
  lf.lfWidth = MulDiv(lf.lfWidth, dpi, system);
  return CreateFontIndirectW(&lf);
}

}  // namespace vantorel
