#pragma once
// The Resources page: its tree and views, as the main window builds them.
#include <windows.h>

#include "grid/grid_win32.h"

namespace vantorel {

struct ResourceViews {
  HWND tree = nullptr;
  GridControl* hexGrid = nullptr;
  HWND imageView = nullptr;
  HWND textView = nullptr;
};

// Empties the views and the tree and lists the open library's resources
// into the tree.
void EnumerateResources(const ResourceViews& views);

}  // namespace vantorel
