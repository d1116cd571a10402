#pragma once
// The preview pane's read-only source editor, set up once while the main
// window is built.
#include <windows.h>

#include <string>

namespace vantorel {

// Creates editor 1 on the Preview page at (margin, margin) with the given
// size and configures its margins (for dpi), colours, font, tabs, styles and
// keyword registry; the window, or null when the editor component is not mapped.
HWND SetupPreviewEditor(HWND page, int margin, int width, int height, int dpi);
// At (5, 5) for 96 DPI.
inline HWND SetupPreviewEditor(HWND page, int width, int height) {
  return SetupPreviewEditor(page, 5, width, height, 96);
}
// The preview editor's line-number spacing, its padding and the fold
// margin made for another DPI (the fold box is drawn to the margin's width).
void ScalePreviewEditor(int dpi);

// "Consolas" from Windows Vista on, "Courier New" before, by the version the
// system reports about itself.
std::wstring PreviewEditorFont();

}  // namespace vantorel
