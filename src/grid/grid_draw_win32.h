#pragma once
// The grid's painting: list cells and header items through the list view's
// custom draw, the editors' colours, the list choice's items, and the
// helpers the strip's painting shares.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "grid/grid_handles_win32.h"
#include "grid/grid_paint.h"

namespace vantorel {

class GridList;

// The canvas of the grid's painters (grid_paint.h) over a device context:
// `listFont` stands in for a null font, `images` are the strip's, and the
// font heights measured stay in `metrics` from one cell to the next.
struct GridFontMetrics {
  HFONT font = nullptr;
  int height = 0;
  int smallHeight = 0;
};
// The strip's images made ready for blending once: the image list's own
// drawing makes a bitmap and a DC for every image it draws, which cost more
// than everything else in a repaint of the strip. Draws the same pixels.
class StripImageCache {
 public:
  // Image `index` at (x, y) as ImageList_Draw with ILD_TRANSPARENT draws it;
  // false when the cache cannot (the caller lets the image list draw).
  bool Draw(HDC dc, HIMAGELIST images, int index, int x, int y);
  // The images changed.
  void Forget();

 private:
  bool Build(HIMAGELIST images, int count);
  HIMAGELIST source_ = nullptr;
  int count_ = -1;
  SIZE size_{};
  grid_handles::UniqueDc dc_;
  grid_handles::UniqueBitmap bitmap_;
  std::optional<grid_handles::SelectedObject> selected_;
  std::vector<bool> blended_;  // per image: it has alpha, so the image list blends it
};

// `cache`, when given, draws the strip's images.
std::unique_ptr<GridCanvas> MakeGridCanvas(HDC dc, HFONT listFont, HIMAGELIST images, GridFontMetrics& metrics,
                                           StripImageCache* cache = nullptr);

// Paints what the list view shows of the grid, asking the application for
// each cell's format and type.
class GridPainter {
 public:
  explicit GridPainter(GridList& list) : list_(list) {}
  GridPainter(const GridPainter&) = delete;
  GridPainter& operator=(const GridPainter&) = delete;

  LRESULT CustomDrawList(NMLVCUSTOMDRAW* draw);
  LRESULT CustomDrawHeader(NMCUSTOMDRAW* draw);
  // Fills the list's client area outside its rows and columns.
  void EraseEmptyArea(HDC dc);
  // WM_CTLCOLOREDIT from an editor: the current cell's colours.
  LRESULT EditorColours(HDC dc, HWND editor);
  // WM_DRAWITEM of the list choice's items.
  LRESULT DrawChoiceItem(const DRAWITEMSTRUCT& item);
  COLORREF EmptyAreaColour() const;

 private:
  void PaintCell(HDC dc, std::int64_t row, std::int64_t listColumn);
  void PaintHeaderItem(HDC dc, RECT rect, int item, bool pressed);

  GridList& list_;
  GridFontMetrics metrics_;
};

}  // namespace vantorel
