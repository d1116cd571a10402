#pragma once
#include <windows.h>

namespace vantorel {

// The 16 x 16 image of a command icon (id 0-5) from the ICO data held in
// the program; null when the data is missing or holds no such image.
HICON LoadCommandIcon(int commandId);

}  // namespace vantorel
