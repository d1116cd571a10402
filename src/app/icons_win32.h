#pragma once
#include <windows.h>

namespace vantorel {

// The side x side image of a command icon from the ICO data held in the
// program (16, 20, 24 and 32 pixels are there); null when the data is
// missing or holds no such image: an icon is never stretched.
HICON LoadCommandIcon(int commandId, int side = 16);

}  // namespace vantorel
