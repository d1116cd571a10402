#pragma once
// Sizes are given in pixels at 96 DPI, the display every layout was drawn
// for, and scaled to the DPI of the window that shows them.
namespace vantorel {

inline constexpr int kBaseDpi = 96;

// px96 at dpi, rounded as MulDiv(px96, dpi, 96) rounds: half away from zero.
// A DPI that is not positive leaves the size as it is.
constexpr int Scale(int px96, int dpi) {
  if (dpi <= 0 || dpi == kBaseDpi) return px96;
  const long long product = static_cast<long long>(px96) * dpi;
  const long long half = kBaseDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kBaseDpi : -((-product + half) / kBaseDpi));
}

// The side of the icon images drawn for a 16-pixel icon at dpi: the nearest
// size an icon resource holds (16, 20, 24, 32), so nothing is stretched.
constexpr int IconSideFor(int dpi) {
  const int wanted = Scale(16, dpi);
  constexpr int kSides[] = {16, 20, 24, 32};
  int best = kSides[0];
  for (const int side : kSides)
    if (side <= wanted) best = side;
  return best;
}

}  // namespace vantorel
