#pragma once
// How a grid looks where the application has a say: the colours of indexes
// 1-6, the current cell's frame, the header's height and the engine flags
// the grid was made with. Painting reads these; SetColour and
// SetHeaderHeight write them through the checks here.
#include <cstdint>

#include "grid/grid_geometry.h"
#include "platform/dpi.h"

namespace vantorel {

struct GridLook {
  std::int64_t flags = 0;                      // engine flags
  std::int64_t headerFrameColour = 0x808080;   // colour index 1
  std::int64_t currentFrameColour = 0;         // 2
  std::int64_t currentFrameWidth = 1;          // 3, also added to every cell's text inset
  std::int64_t blockColour = 0xF1DBCE;         // 4, -1: block cells keep their own
  std::int64_t gridLineColour = 0;             // 5, the system's button face at creation
  std::int64_t emptyAreaColour = -1;           // 6, -1: the system's default
  std::int64_t headerHeight = grid_pixels::kDefaultHeaderHeight;
  // The DPI the grid is shown at: its own pixel sizes (grid_pixels, given
  // at 96 DPI) are scaled for it.
  int dpi = 96;

  bool Has(std::int64_t flag) const { return (flags & flag) != 0; }
  int Px(int px96) const { return Scale(px96, dpi); }
  // Indexes 1-6; false when the value is refused (-1 where it means
  // nothing, a frame too wide to draw inside a cell) and nothing changed.
  bool SetColour(std::int64_t index, std::int64_t value);
  // A negative or huge height would go into the header's layout as it is.
  bool SetHeaderHeight(std::int64_t pixels);
};

}  // namespace vantorel
