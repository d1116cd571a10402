#pragma once
// Painting helpers shared by the list cells, the header and the strip.
#include <windows.h>

#include <cstdint>
#include <string>

namespace vantorel {

// Vertical gradient over the whole rectangle, top colour to bottom colour.
void FillGradient(HDC dc, const RECT& r, std::int64_t top, std::int64_t bottom);
// Solid fill through the DC brush: no GDI object is made per cell.
void FillColour(HDC dc, const RECT& r, COLORREF colour);
// A cell's background: the gradient when both ends are set, else backColour.
void FillCellBackground(HDC dc, const RECT& r, std::int64_t backColour, std::int64_t top, std::int64_t bottom);
UINT AlignFlags(std::int64_t align);
// Text turned by 270 degrees (downwards, 5 pixels below the top) or 90
// degrees (upwards, 5 pixels above the bottom), centred across the area;
// left out when it does not fit.
void DrawTurnedText(HDC dc, HFONT font, const std::wstring& text, const RECT& area, bool downwards);
// Measures wrapped text and draws it centred vertically in the area.
void DrawCentredText(HDC dc, const std::wstring& text, RECT area, UINT flags);

}  // namespace vantorel
