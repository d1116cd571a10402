#pragma once
// The blue address in the status bar that opens the project's web page.
#include <windows.h>

namespace vantorel {

inline constexpr wchar_t kProjectAddress[] = L"https://vantorel.dev/";
inline constexpr COLORREF kLinkColour = 0xFF0000;  // pure blue, as 0x00BBGGRR

// Makes a static SS_NOTIFY text showing the address and subclasses it: the
// hand cursor over it ("cursor"), its previous procedure in "oldproc".
HWND CreateLinkLabel(HWND parent, int id, int x, int y, int width, int height, HCURSOR hand);

// The About message: caption "About Vantorel", OK only, no icon.
void ShowAbout(HWND owner);

}  // namespace vantorel
