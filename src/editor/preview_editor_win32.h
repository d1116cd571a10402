#pragma once
// The preview pane's read-only source editor, set up once while the main
// window is built.
#include <windows.h>

#include <string>

namespace vantorel {

// Creates editor 1 on the Preview page at (5, 5) with the given size and
// configures its margins, colours, font, tabs, styles and keyword registry;
// the window, or null when the editor component is not mapped.
HWND SetupPreviewEditor(HWND page, int width, int height);

// "Consolas" from Windows Vista on, "Courier New" before, by the version the
// system reports about itself.
std::wstring PreviewEditorFont();

}  // namespace vantorel
