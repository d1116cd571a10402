#pragma once
#include <windows.h>

#include <optional>
#include <vector>

#include "platform/ico.h"

namespace vantorel {

// The side x side image of a command icon from the ICO data held in the
// program (16, 20, 24 and 32 pixels are there); null when the data is
// missing or holds no such image: an icon is never stretched.
HICON LoadCommandIcon(int commandId, int side = 16);

// The 32-bit side x side images of every command, in command order, for an
// image list; none when one command has no such image.
std::optional<std::vector<IconPixels>> CommandIconPixels(int side);

}  // namespace vantorel
