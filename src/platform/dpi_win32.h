#pragma once
// The DPI a window is shown at, and fonts made for it.
#include <windows.h>

#include "platform/dpi.h"

namespace vantorel {

// The DPI of the screen as the process started: what the stock fonts and
// the controls' own default fonts were made for.
int SystemDpi();
// The DPI of the monitor a window is on (GetDpiForWindow where the system
// has it, else the screen's LOGPIXELSY).
int WindowDpi(HWND window);
inline int ScaleFor(HWND window, int px96) { return Scale(px96, WindowDpi(window)); }

// A copy of a font made for the system DPI, its height scaled for dpi; null
// when dpi is the system DPI (the font as it is fits) or on failure. The
// caller owns the copy.
HFONT CreateFontForDpi(HFONT systemFont, int dpi);

}  // namespace vantorel
