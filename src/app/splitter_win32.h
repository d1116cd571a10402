#pragma once
// A container whose two parts are divided by a bar the user drags.
#include <windows.h>

namespace vantorel {

// Notification code sent in WM_COMMAND to the splitter's parent after the
// divider moved (by the user or by SetSplitterPosition).
inline constexpr WORD kSplitterMoved = 0x5150;

// Creates a splitter holding first and second (made its children). With
// sideBySide the parts lie left and right of a vertical bar, else one above
// the other. showSeparator draws a line on the bar.
HWND CreateSplitter(HWND parent, int id, int x, int y, int width, int height, HWND first, HWND second,
                    bool sideBySide, bool showSeparator);
// Minimum sizes of the two parts along the divided axis.
void SetSplitterMinimums(HWND splitter, int firstMinimum, int secondMinimum);
// Places the divider (the first part's size), kept within the minimums.
void SetSplitterPosition(HWND splitter, int position);
int GetSplitterPosition(HWND splitter);
// The splitter shown at another DPI: the bar and the minimums (given at 96
// DPI) made for toDpi, the divider moved in proportion. Its parent lays
// the parts out again afterwards.
void ScaleSplitter(HWND splitter, int fromDpi, int toDpi, int firstMinimum96, int secondMinimum96);

}  // namespace vantorel
