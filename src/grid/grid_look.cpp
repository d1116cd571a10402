#include "grid/grid_look.h"

namespace vantorel {

bool GridLook::SetColour(std::int64_t index, std::int64_t value) {
  const bool unset = value == -1;
  switch (index) {
    case 1:
      if (unset) return false;
      headerFrameColour = value;
      return true;
    case 2:
      if (unset) return false;
      currentFrameColour = value;
      return true;
    case 3:
      // The frame is drawn inside the cell and insets its text.
      if (value < 0 || value > grid_pixels::kMaxFrameWidth) return false;
      currentFrameWidth = value;
      return true;
    case 4:
      blockColour = value;
      return true;
    case 5:
      if (unset) return false;
      gridLineColour = value;
      return true;
    case 6:
      emptyAreaColour = value;
      return true;
    default:
      return false;
  }
}

bool GridLook::SetHeaderHeight(std::int64_t pixels) {
  if (pixels < 0 || pixels > grid_pixels::kMaxHeaderHeight) return false;
  headerHeight = pixels;
  return true;
}

}  // namespace vantorel
