#pragma once
// Adding many icons to an image list at once.
#include <windows.h>
#include <commctrl.h>

#include <span>

#include "platform/ico.h"

namespace vantorel {

// Appends the icons, all of one side, to images in one step: one bitmap of
// their colours and one of their masks, side by side. Adding them one icon
// at a time costs the system a handful of drawing calls each, which a
// window's first display waits for. False when nothing could be added.
bool AddIconStrip(HIMAGELIST images, std::span<const IconPixels> icons);

}  // namespace vantorel
