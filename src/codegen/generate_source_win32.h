#pragma once
// Putting the loader source for the function grid's ticked rows into the
// preview editor.
#include <string>

#include "grid/grid_win32.h"

namespace vantorel {

// Rebuilds the source from the grid's live rows and the library path and
// replaces the preview editor's text with it (read-only again afterwards).
// Without a grid the text is empty.
void GenerateSource(GridControl* grid, const std::wstring& currentPath);

}  // namespace vantorel
