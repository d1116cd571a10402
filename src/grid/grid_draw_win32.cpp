// The grid paints its own cells and header items: the list view's custom
// draw hands every visible sub-item and header item to these procedures,
// which ask the application for format and type and draw accordingly.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <optional>
#include <string>

#include "grid/grid_draw_win32.h"
#include "grid/grid_geometry.h"
#include "grid/grid_list_win32.h"
#include "grid/grid_rules.h"

namespace vantorel {

using grid_handles::SavedDc;
using grid_handles::SelectedObject;
using grid_handles::UniqueBitmap;
using grid_handles::UniqueDc;
using grid_handles::UniqueFont;

void FillGradient(HDC dc, const RECT& r, std::int64_t top, std::int64_t bottom) {
  auto vertex = [](LONG x, LONG y, std::int64_t colour) {
    TRIVERTEX v{};
    v.x = x;
    v.y = y;
    v.Red = static_cast<COLOR16>(GetRValue(static_cast<COLORREF>(colour)) << 8);
    v.Green = static_cast<COLOR16>(GetGValue(static_cast<COLORREF>(colour)) << 8);
    v.Blue = static_cast<COLOR16>(GetBValue(static_cast<COLORREF>(colour)) << 8);
    return v;
  };
  TRIVERTEX vertices[2] = {vertex(r.left, r.top, top), vertex(r.right, r.bottom, bottom)};
  GRADIENT_RECT rect{0, 1};
  GradientFill(dc, vertices, 2, &rect, 1, GRADIENT_FILL_RECT_V);
}

void FillColour(HDC dc, const RECT& r, COLORREF colour) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  SetDCBrushColor(dc, colour);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void FillCellBackground(HDC dc, const RECT& r, std::int64_t backColour, std::int64_t top, std::int64_t bottom) {
  if (top != -1 && bottom != -1)
    FillGradient(dc, r, top, bottom);
  else if (backColour != -1)
    FillColour(dc, r, static_cast<COLORREF>(backColour));
}

UINT AlignFlags(std::int64_t align) {
  if (align == 1) return DT_CENTER;
  if (align == 2) return DT_RIGHT;
  return DT_LEFT;
}

void DrawTurnedText(HDC dc, HFONT font, const std::wstring& text, const RECT& area, bool downwards) {
  LOGFONTW lf{};
  if (!font || !GetObjectW(font, sizeof(lf), &lf)) return;
  lf.lfEscapement = lf.lfOrientation = downwards ? 2700 : 900;
  UniqueFont turned(CreateFontIndirectW(&lf));
  if (!turned) return;
  SIZE size{};
  {
    SelectedObject upright(dc, font);
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  }
  const int length = area.bottom - area.top - 10;
  if (size.cx > length || size.cy > area.right - area.left) return;
  SelectedObject selected(dc, turned.get());
  const int centre = (area.left + area.right) / 2;
  if (downwards)
    TextOutW(dc, centre + size.cy / 2, area.top + 5, text.c_str(), static_cast<int>(text.size()));
  else
    TextOutW(dc, centre - size.cy / 2, area.bottom - 5, text.c_str(), static_cast<int>(text.size()));
}

void DrawCentredText(HDC dc, const std::wstring& text, RECT area, UINT flags) {
  RECT measured = area;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, flags | DT_CALCRECT);
  area.top += std::max<LONG>(0, ((area.bottom - area.top) - (measured.bottom - measured.top)) / 2);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, flags);
}

namespace {

constexpr std::int64_t kNoGridLines = 0x10000;

// A line along one side of r, `width` pixels into it.
RECT SideRect(const RECT& r, int side, int width) {
  switch (side) {
    case 0:
      return RECT{r.left, r.top, r.left + width, r.bottom};
    case 1:
      return RECT{r.left, r.top, r.right, r.top + width};
    case 2:
      return RECT{r.right - width, r.top, r.right, r.bottom};
    default:
      return RECT{r.left, r.bottom - width, r.right, r.bottom};
  }
}

void DrawDottedLine(HDC dc, const RECT& line, COLORREF colour) {
  const bool across = line.right - line.left > line.bottom - line.top;
  if (across) {
    for (LONG x = line.left; x < line.right; x += 2) SetPixelV(dc, x, line.top, colour);
  } else {
    for (LONG y = line.top; y < line.bottom; y += 2) SetPixelV(dc, line.left, y, colour);
  }
}

// A frame `width` pixels wide drawn inside r.
void FrameInside(HDC dc, const RECT& r, int width, COLORREF colour) {
  for (int side = 0; side < 4; ++side) FillColour(dc, SideRect(r, side, width), colour);
}

// Paints one off-screen image of the cell and copies it in one transfer, so
// the cell never flickers through its background.
class CellImage {
 public:
  // With cellCoordinates the image is drawn at the cell's own place (no
  // offsets in the painting code); else from (0, 0).
  CellImage(HDC target, const RECT& cell, bool cellCoordinates = true)
      : target_(target), cell_(cell), origin_(cellCoordinates ? POINT{cell.left, cell.top} : POINT{0, 0}),
        memory_(CreateCompatibleDC(target)),
        image_(CreateCompatibleBitmap(target, std::max<LONG>(cell.right - cell.left, 1),
                                      std::max<LONG>(cell.bottom - cell.top, 1))),
        selected_(memory_.get(), image_.get()) {
    // Drawn at the cell's own coordinates, so painting code needs no offsets.
    if (ok()) SetWindowOrgEx(memory_.get(), origin_.x, origin_.y, nullptr);
  }
  ~CellImage() {
    if (!ok()) return;
    BitBlt(target_, cell_.left, cell_.top, cell_.right - cell_.left, cell_.bottom - cell_.top, memory_.get(),
           origin_.x, origin_.y, SRCCOPY);
  }
  CellImage(const CellImage&) = delete;
  CellImage& operator=(const CellImage&) = delete;
  bool ok() const { return memory_ && image_; }
  HDC dc() const { return memory_.get(); }

 private:
  HDC target_;
  RECT cell_;
  POINT origin_;
  UniqueDc memory_;
  UniqueBitmap image_;
  SelectedObject selected_;
};

void DrawTickBox(HDC dc, const RECT& r, bool ticked, COLORREF ink) {
  const auto place = TickBoxIn(CellBox{r.left, r.top, r.right, r.bottom});
  if (!place) return;
  const RECT box{place->left, place->top, place->right, place->bottom};
  const int side = box.right - box.left;
  FillColour(dc, box, RGB(0, 0, 0));
  const RECT inside{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
  FillColour(dc, inside, RGB(255, 255, 255));
  if (!ticked) return;
  const int inset = side / 4;
  SelectedObject pen(dc, GetStockObject(DC_PEN));
  SetDCPenColor(dc, ink);
  const int x0 = box.left + inset, x1 = box.right - inset - 1;
  const int y0 = box.top + inset, y1 = box.bottom - inset - 1;
  // Two strokes one pixel apart give the 2-pixel lines without a wide pen.
  for (int shift = 0; shift < 2; ++shift) {
    MoveToEx(dc, x0 + shift, y0, nullptr);
    LineTo(dc, x1 + shift, y1 + 1);
    MoveToEx(dc, x0 + shift, y1, nullptr);
    LineTo(dc, x1 + shift, y0 - 1);
  }
}

// Label and bar of a progress cell; type 10 is the bar alone, filling the
// height the label and bar would take.
void DrawProgress(HDC dc, const RECT& r, int value, COLORREF ink, bool withLabel) {
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  SelectedObject font(dc, SharedGridState().smallFont);
  const std::wstring label = std::to_wstring(value) + L"%";
  SIZE size{};
  GetTextExtentPoint32W(dc, label.c_str(), static_cast<int>(label.size()), &size);
  const int barHeight = std::max<int>(size.cy / 2 + 2, 4);
  const int used = withLabel ? size.cy + barHeight : 2 * barHeight;
  const int spare = std::max(height - used, 0);
  const int gap = std::min(spare / 2, 20);
  int top = r.top + gap;
  if (withLabel) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ink);
    RECT text{r.left, top, r.right, top + size.cy};
    DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &text, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
    top += size.cy;
  }
  const int bottom = withLabel ? top + barHeight : std::min<int>(r.bottom - gap, top + 2 * barHeight);
  const RECT outline{r.left + 5, top, r.left + width - 5, bottom};
  FillColour(dc, outline, RGB(0, 0, 0));
  FillColour(dc, RECT{outline.left + 1, top + 1, outline.right - 1, bottom - 1}, RGB(255, 255, 255));
  const int fill = (width - 12) * value / 100 + 7;
  FillColour(dc, RECT{r.left + 6, top + 1, r.left + std::min(fill, width - 6), bottom - 1}, ink);
}

}  // namespace

COLORREF GridList::EmptyAreaColour() const {
  if (emptyAreaColour != -1) return static_cast<COLORREF>(emptyAreaColour);
  return SharedGridState().commonControlsMajor >= 6 ? RGB(255, 255, 255) : GetSysColor(COLOR_BTNFACE);
}

void GridList::EraseEmptyArea(HDC dc) {
  if (!listWindow || !dc) return;
  RECT client{};
  GetClientRect(listWindow, &client);
  LONG top = 0;
  if (header && IsWindowVisible(header)) {
    RECT h{};
    GetWindowRect(header, &h);
    top = h.bottom - h.top;
  }
  const COLORREF colour = EmptyAreaColour();
  const std::int64_t count = RowCount();
  if (count <= 0) {
    FillColour(dc, RECT{0, top, client.right, client.bottom}, colour);
    return;
  }
  RECT first{};
  first.left = LVIR_BOUNDS;
  RECT last{};
  last.left = LVIR_BOUNDS;
  const auto topIndex = SendMessageW(listWindow, LVM_GETTOPINDEX, 0, 0);
  const auto lastVisible = std::min<std::int64_t>(count - 1, topIndex + SendMessageW(listWindow, LVM_GETCOUNTPERPAGE, 0, 0));
  SendMessageW(listWindow, LVM_GETITEMRECT, static_cast<WPARAM>(topIndex), reinterpret_cast<LPARAM>(&first));
  SendMessageW(listWindow, LVM_GETITEMRECT, static_cast<WPARAM>(lastVisible), reinterpret_cast<LPARAM>(&last));
  const LONG rowsBottom = std::min(last.bottom, client.bottom);
  FillColour(dc, RECT{first.right, top, client.right, rowsBottom}, colour);
  FillColour(dc, RECT{0, rowsBottom, client.right, client.bottom}, colour);
}

LRESULT GridList::CustomDrawList(NMLVCUSTOMDRAW* draw) {
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      // Block membership goes by display position; read the order once per paint.
      ReadColumnOrder();
      measuredFont_ = nullptr;  // a font handle may have been reused since
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
      if (draw->iSubItem > 0) PaintCell(draw->nmcd.hdc, static_cast<std::int64_t>(draw->nmcd.dwItemSpec), draw->iSubItem);
      return CDRF_SKIPDEFAULT;
    default:
      return CDRF_DODEFAULT;
  }
}

int GridList::LineHeight(HDC dc, HFONT font) {
  if (font != measuredFont_ || measuredHeight_ <= 0) {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    measuredFont_ = font;
    measuredHeight_ = metrics.tmHeight;
  }
  return measuredHeight_;
}

void GridList::PaintCell(HDC screen, std::int64_t row, std::int64_t listColumn) {
  if (listColumn <= 0 || listColumn >= kMaxHeaderItems) return;
  RECT cell{};
  cell.top = static_cast<LONG>(listColumn);
  cell.left = LVIR_BOUNDS;
  if (!SendMessageW(listWindow, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell)))
    return;
  cell.right = cell.left + static_cast<LONG>(SendMessageW(listWindow, LVM_GETCOLUMNWIDTH, listColumn, 0));
  rowHeight = cell.bottom - cell.top;
  RECT client{};
  GetClientRect(listWindow, &client);
  RECT visible{};
  if (!IntersectRect(&visible, &cell, &client)) return;

  const std::int64_t column = listColumn - 1;
  CellEvent format = FormatRecord(row, column);
  Raise(GridEvent::CellFormat, format);
  const bool current = model.IsCurrent(column, row);
  const GridBlock& block = model.block;
  const bool blockCell = ShowsBlock() && InBlock(model, block, row, column);
  GridBlockEdges edges;
  if (blockCell) {
    if (row == block.currentRow && column == block.currentColumn) {
      format.backColour = 0x808080;
      format.textColour = 0xD8D8D8;
    } else if (blockColour != -1) {
      format.backColour = blockColour;
    }
    edges = BlockEdges(model, block, row, column);
    if (flags & grid_flags::kBlockWithoutLines) format.drawFlags |= kNoGridLines;
  }
  const bool blockEdge[4] = {edges.left, edges.top, edges.right, edges.bottom};
  CellEvent kind;
  kind.row = row;
  kind.column = column;
  kind.type = 0;
  Raise(GridEvent::CellType, kind);
  const std::int64_t type = kind.type;

  // Types 5-12 are painted whole (background, content and lines) into an
  // image of the cell and copied in one transfer, so they never flicker.
  std::optional<CellImage> offscreen;
  HDC dc = screen;
  if (type >= 5 && type <= 12) {
    offscreen.emplace(screen, cell);
    if (offscreen->ok()) dc = offscreen->dc();
  }
  SavedDc saved(dc);
  const std::int64_t count = RowCount();
  const bool lastColumn = displayPosition[static_cast<std::size_t>(listColumn)] == HeaderItemCount() - 1;
  const bool lastRow = row == count - 1;
  const int frame = static_cast<int>(std::clamp<std::int64_t>(currentFrameWidth, 0, 64));

  // Border lines first decide the content rectangle; they are drawn last.
  struct Line {
    RECT rect;
    COLORREF colour;
    bool dotted;
  };
  Line lines[4]{};
  int lineCount = 0;
  RECT content = cell;
  for (int side = 0; side < 4; ++side) {
    const auto bits = static_cast<int>((format.drawFlags >> (4 * side)) & 0xF);
    int width = 0;
    if ((bits & 7) || blockEdge[side]) {
      width = (blockEdge[side] || (bits & 4)) ? 2 : 1;
      const COLORREF colour = blockEdge[side] ? RGB(0, 0, 0) : static_cast<COLORREF>(format.borderColour);
      lines[lineCount++] = {SideRect(content, side, width), colour, width == 1 && !(bits & 1) && (bits & 2)};
    } else if ((flags & grid_flags::kGridLines) && !(format.drawFlags & kNoGridLines) && side >= 2) {
      // Grid lines run along the right and bottom sides, so neighbours never double them.
      width = 1;
      RECT line = SideRect(content, side, 1);
      if (side == 2 && lastColumn) OffsetRect(&line, -1, 0);
      lines[lineCount++] = {line, static_cast<COLORREF>(gridLineColour), false};
    }
    if (side == 0) content.left += width;
    if (side == 1) content.top += width;
    if (side == 2) content.right -= width;
    if (side == 3) content.bottom -= width;
  }

  const bool edited = current && type == 0;
  const bool solid = blockCell || edited;
  const std::int64_t gradientTop = solid ? -1 : format.gradientTop;
  const std::int64_t gradientBottom = solid ? -1 : format.gradientBottom;
  const COLORREF ink = static_cast<COLORREF>(format.textColour);
  HFONT font = format.font ? format.font : ListFont();
  const std::wstring text = ItemText(row, listColumn);
  const GridText options = GridTextOf(kind.text);

  FillCellBackground(dc, cell, format.backColour, gradientTop, gradientBottom);
  const int width = content.right - content.left, height = content.bottom - content.top;
  if (type <= 4) {
    const bool hot = row == hotRow && column == hotColumn && format.hotColour != -1;
    SetTextColor(dc, hot ? static_cast<COLORREF>(format.hotColour) : ink);
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, font);
    RECT area{content.left + 4 + frame, content.top + frame, content.right - 4 - frame, content.bottom - frame};
    if (format.drawFlags & 0x4000)
      area.bottom -= 2;
    else if (format.drawFlags & 0x3000)
      area.bottom -= 1;
    if (lastRow) area.bottom -= 1;
    if (type == 3 && (flags & grid_flags::kChoiceWritesAtOnce) && current) area.right -= 20;
    const bool plain = type == 3 || type == 4 || edited;
    const bool wrap = !plain && (flags & grid_flags::kWordWrap);
    const UINT drawing = (plain ? DT_LEFT : AlignFlags(format.align)) | (wrap ? DT_WORDBREAK : DT_SINGLELINE) |
                         DT_NOPREFIX | DT_END_ELLIPSIS;
    const std::wstring shown = text.empty() ? std::wstring(L" ") : text;
    // One line is as high as the font's cells: measured once per font, not per cell.
    int textHeight = 0;
    if (wrap) {
      RECT measured = area;
      DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &measured, drawing | DT_CALCRECT);
      textHeight = measured.bottom - measured.top;
    } else {
      textHeight = LineHeight(dc, font);
    }
    const int free = (content.bottom - content.top) - textHeight;
    int offset = std::max((free / 2) | 1, frame);
    if (flags & grid_flags::kGridLines) offset = std::max(offset, 1);
    area.top = content.top + offset;
    if (area.bottom > area.top && area.right > area.left)
      DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &area, drawing);
  } else {
    switch (type) {
      case 5:
      case 6:
        DrawTickBox(dc, content, TickShown(GridTextOf(text), options), ink);
        break;
      case 7: {
        auto bitmap = reinterpret_cast<HBITMAP>(static_cast<std::intptr_t>(kind.value));
        BITMAP facts{};
        if (!bitmap || !GetObjectW(bitmap, sizeof(facts), &facts) || facts.bmWidth > width) break;
        UniqueDc source(CreateCompatibleDC(dc));
        if (!source) break;
        SelectedObject picked(source.get(), bitmap);
        const int x = content.left + (width - facts.bmWidth) / 2, y = content.top + (height - facts.bmHeight) / 2;
        if (format.backColour == format.keyColour)
          BitBlt(dc, x, y, facts.bmWidth, facts.bmHeight, source.get(), 0, 0, SRCAND);
        else
          TransparentBlt(dc, x, y, facts.bmWidth, facts.bmHeight, source.get(), 0, 0, facts.bmWidth, facts.bmHeight,
                         static_cast<UINT>(format.keyColour));
        break;
      }
      case 8: {
        auto icon = reinterpret_cast<HICON>(static_cast<std::intptr_t>(kind.value));
        if (icon && kind.x1 < width && kind.x2 < height)
          DrawIconEx(dc, content.left + static_cast<int>((width - kind.x1) / 2),
                     content.top + static_cast<int>((height - kind.x2) / 2), icon, static_cast<int>(kind.x1),
                     static_cast<int>(kind.x2), 0, nullptr, DI_NORMAL);
        break;
      }
      case 9:
      case 10: {
        if (cell.right - cell.left < 29) break;
        if (text.empty()) SetItemText(row, listColumn, L"0");
        DrawProgress(dc, content, ProgressValue(GridTextOf(text)), ink, type == 9);
        break;
      }
      case 11: {
        const auto place = ButtonBoxIn(CellBox{content.left, content.top, content.right, content.bottom}, kind.x1, kind.x2);
        if (!place) break;
        const GridText caption16 = GridTextOf(text);
        const bool pressed = EndsPressed(caption16);
        RECT button{place->left, place->top, place->right, place->bottom};
        DrawFrameControl(dc, &button, DFC_BUTTON,
                         DFCS_BUTTONPUSH | (kind.value ? DFCS_FLAT : 0) | (pressed ? DFCS_PUSHED : 0));
        const std::wstring caption = WideOf(ReleasedText(caption16));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ink);
        SelectedObject captionFont(dc, font);
        RECT area{button.left + 5, button.top, button.right - 5, button.bottom};
        if (pressed) OffsetRect(&area, 1, 1);
        const UINT wrap = (flags & grid_flags::kWordWrap) ? DT_WORDBREAK : DT_SINGLELINE;
        DrawCentredText(dc, caption, area, AlignFlags(format.align) | wrap | DT_NOPREFIX | DT_END_ELLIPSIS);
        break;
      }
      case 12: {
        // The application draws into an image of the content alone, from (0, 0).
        CellImage owner(dc, content, false);
        if (!owner.ok()) break;
        BitBlt(owner.dc(), 0, 0, width, height, dc, content.left, content.top, SRCCOPY);
        CellEvent draw;
        draw.row = row;
        draw.column = column;
        draw.value = reinterpret_cast<std::intptr_t>(owner.dc());
        draw.x1 = width;
        draw.x2 = height;
        Raise(GridEvent::OwnerDraw, draw);
        break;
      }
      default:
        break;
    }
  }

  for (int i = 0; i < lineCount; ++i) {
    if (lines[i].dotted)
      DrawDottedLine(dc, lines[i].rect, lines[i].colour);
    else
      FillColour(dc, lines[i].rect, lines[i].colour);
  }
  if (current && type != 2 && type != 3 && type != 4 && frame > 0)
    FrameInside(dc, cell, frame, static_cast<COLORREF>(currentFrameColour));
  if (row == 0 && SharedGridState().commonControlsMajor < 6)
    FillColour(dc, RECT{cell.left, cell.top, cell.right, cell.top + 2}, GetSysColor(COLOR_BTNFACE));
}

LRESULT GridList::EditorColours(HDC dc, HWND editor) {
  if (editor == listChoice) return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  CellEvent format = FormatRecord(model.editRow, model.editColumn);
  format.backColour = 0xFFFFFF;
  format.textColour = 0;
  Raise(GridEvent::CellFormat, format);
  const auto back = static_cast<COLORREF>(format.backColour);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, back);
  SetTextColor(dc, static_cast<COLORREF>(format.textColour));
  // The editor fills with this brush in the same DC, so the DC's own brush
  // colour serves and no brush has to be made and kept.
  SetDCBrushColor(dc, back);
  return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
}

LRESULT GridList::CustomDrawHeader(NMCUSTOMDRAW* draw) {
  switch (draw->dwDrawStage) {
    case CDDS_PREPAINT:
      ReadColumnOrder();
      return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPREPAINT: {
      const auto item = static_cast<int>(draw->dwItemSpec);
      if (item > 0) PaintHeaderItem(draw->hdc, draw->rc, item, (draw->uItemState & CDIS_SELECTED) != 0);
      return CDRF_SKIPDEFAULT;
    }
    case CDDS_POSTPAINT: {
      // The header beyond its last item takes the empty-area colour.
      RECT client{};
      GetClientRect(header, &client);
      LONG right = 0;
      const std::int64_t count = HeaderItemCount();
      for (std::int64_t i = 0; i < count; ++i) {
        RECT r{};
        if (SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r)))
          right = std::max(right, r.right);
      }
      FillColour(draw->hdc, RECT{right, 0, client.right, client.bottom}, EmptyAreaColour());
      return CDRF_DODEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

void GridList::PaintHeaderItem(HDC dc, RECT rect, int item, bool pressed) {
  if (item <= 0 || item >= kMaxHeaderItems) return;
  HFONT headerFont = reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0));
  CellEvent format = FormatRecord(-1, item - 1);
  if (headerFont) format.font = headerFont;
  Raise(GridEvent::CellFormat, format);

  const bool modern = SharedGridState().commonControlsMajor >= 6;
  const bool framed = (flags & grid_flags::kDrawHeader) != 0;
  if (modern) rect.bottom -= 1;
  const std::int64_t count = std::min<std::int64_t>(HeaderItemCount(), kMaxHeaderItems);
  const std::int32_t position = displayPosition[static_cast<std::size_t>(item)];
  std::int32_t firstVisible = 0;
  for (std::int64_t p = 0; p < count; ++p)
    if (displayOrder[static_cast<std::size_t>(p)] > 0) {
      firstVisible = static_cast<std::int32_t>(p);
      break;
    }
  // Neighbouring items share the edge between them.
  RECT back = rect;
  if ((framed || !modern) && position != count - 1) back.right += 1;
  if (!framed && position != firstVisible) back.left -= 1;

  SavedDc saved(dc);
  if (framed) {
    FillCellBackground(dc, back, format.backColour, format.gradientTop, format.gradientBottom);
    FrameInside(dc, back, 1, static_cast<COLORREF>(headerFrameColour));
  } else {
    DrawFrameControl(dc, &back, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
  }

  wchar_t title[256] = {};
  HDITEMW info{};
  info.mask = HDI_TEXT;
  info.pszText = title;
  info.cchTextMax = static_cast<int>(std::size(title));
  SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info));
  const std::wstring text(title);
  if (text.empty()) return;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, static_cast<COLORREF>(format.textColour));
  HFONT font = format.font ? format.font : ListFont();
  SelectObject(dc, font);
  RECT area{rect.left + 6, rect.top, rect.right - 6, rect.bottom};
  if (pressed && !framed) OffsetRect(&area, 2, 1);
  if (format.value == 1 || format.value == 2)
    DrawTurnedText(dc, font, text, area, format.value == 1);
  else
    DrawCentredText(dc, text, area, AlignFlags(format.align) | DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS);
}

}  // namespace vantorel
