// The grid paints its own cells and header items: the list view's custom
// draw hands every visible sub-item and header item to these procedures,
// which ask the application for format and type and draw accordingly.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "grid/grid_draw_win32.h"
#include "grid/grid_cell_layout.h"
#include "grid/grid_geometry.h"
#include "grid/grid_list_win32.h"
#include "grid/grid_rules.h"
#include "platform/dib_win32.h"

namespace vantorel {

namespace {

using grid_handles::SavedDc;
using grid_handles::SelectedObject;
using grid_handles::UniqueBitmap;
using grid_handles::UniqueDc;
using grid_handles::UniqueFont;

RECT RectOf(const CellBox& box) { return RECT{box.left, box.top, box.right, box.bottom}; }
CellBox BoxOf(const RECT& r) { return CellBox{r.left, r.top, r.right, r.bottom}; }

// Solid fill through the DC brush: no GDI object is made per cell.
void FillColour(HDC dc, const RECT& r, COLORREF colour) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  SetDCBrushColor(dc, colour);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// Vertical gradient over the whole rectangle, top colour to bottom colour.
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
  GdiGradientFill(dc, vertices, 2, &rect, 1, GRADIENT_FILL_RECT_V);
}

UINT TextFlags(const GridTextLayout& layout) {
  const UINT align = layout.align == 1 ? DT_CENTER : layout.align == 2 ? DT_RIGHT : DT_LEFT;
  return align | (layout.wrap ? DT_WORDBREAK : DT_SINGLELINE) | DT_NOPREFIX | (layout.ellipsis ? DT_END_ELLIPSIS : 0);
}

// Text turned by 270 degrees (downwards, 5 pixels below the top) or 90
// degrees (upwards, 5 pixels above the bottom), centred across the area;
// left out when it does not fit.
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

class GdiCanvas final : public GridCanvas {
 public:
  GdiCanvas(HDC dc, HFONT listFont, HIMAGELIST images, GridFontMetrics& metrics, StripImageCache* cache)
      : screen_(dc), dc_(dc), listFont_(listFont), images_(images), metrics_(metrics), cache_(cache) {}

  void BeginCell(const CellBox& cell, bool offscreen) override {
    auto& frame = frames_.emplace_back(std::make_unique<Frame>(dc_));
    if (offscreen) {
      frame->image.emplace(dc_, RectOf(cell));
      if (frame->image->ok()) dc_ = frame->image->dc();
    }
    frame->saved.emplace(dc_);
  }
  void EndCell() override {
    if (frames_.empty()) return;
    dc_ = frames_.back()->outer;
    frames_.pop_back();
    font_ = nullptr;
  }
  void Clip(const CellBox& box) override { IntersectClipRect(dc_, box.left, box.top, box.right, box.bottom); }
  void Fill(const CellBox& box, std::int64_t colour) override {
    FillColour(dc_, RectOf(box), static_cast<COLORREF>(colour));
  }
  void Gradient(const CellBox& box, std::int64_t top, std::int64_t bottom) override {
    FillGradient(dc_, RectOf(box), top, bottom);
  }
  void DottedLine(const CellBox& line, std::int64_t colour) override {
    const auto ink = static_cast<COLORREF>(colour);
    if (line.right - line.left > line.bottom - line.top) {
      for (LONG x = line.left; x < line.right; x += 2) SetPixelV(dc_, x, line.top, ink);
    } else {
      for (LONG y = line.top; y < line.bottom; y += 2) SetPixelV(dc_, line.left, y, ink);
    }
  }
  void Line(int x0, int y0, int x1, int y1, std::int64_t colour) override {
    SelectedObject pen(dc_, GetStockObject(DC_PEN));
    SetDCPenColor(dc_, static_cast<COLORREF>(colour));
    MoveToEx(dc_, x0, y0, nullptr);
    LineTo(dc_, x1, y1);
  }
  void PushButton(const CellBox& box, bool pressed, bool flat) override {
    RECT button = RectOf(box);
    DrawFrameControl(dc_, &button, DFC_BUTTON, DFCS_BUTTONPUSH | (flat ? DFCS_FLAT : 0) | (pressed ? DFCS_PUSHED : 0));
  }
  void UseFont(HFONT__* font) override {
    font_ = font ? font : listFont_;
    SelectObject(dc_, font_);
  }
  void UseSmallFont() override {
    font_ = SharedGridState().smallFont;
    SelectObject(dc_, font_);
  }
  int LineHeight() override {
    // One line is as high as the font's cells: measured once per font, not per cell.
    const bool small = font_ == SharedGridState().smallFont;
    int& height = small ? metrics_.smallHeight : metrics_.height;
    if (height <= 0 || (!small && font_ != metrics_.font)) {
      TEXTMETRICW metrics{};
      GetTextMetricsW(dc_, &metrics);
      height = metrics.tmHeight;
      if (!small) metrics_.font = font_;
    }
    return height;
  }
  int TextHeight(const GridText& text, const CellBox& area, const GridTextLayout& layout) override {
    const std::wstring wide = WideOf(text);
    RECT measured = RectOf(area);
    DrawTextW(dc_, wide.c_str(), static_cast<int>(wide.size()), &measured, TextFlags(layout) | DT_CALCRECT);
    return measured.bottom - measured.top;
  }
  void Text(const GridText& text, const CellBox& area, const GridTextLayout& layout, std::int64_t colour) override {
    const std::wstring wide = WideOf(text);
    RECT r = RectOf(area);
    SetBkMode(dc_, TRANSPARENT);
    SetTextColor(dc_, static_cast<COLORREF>(colour));
    DrawTextW(dc_, wide.c_str(), static_cast<int>(wide.size()), &r, TextFlags(layout));
  }
  void TurnedText(HFONT__* font, const GridText& text, const CellBox& area, bool downwards,
                  std::int64_t colour) override {
    SetBkMode(dc_, TRANSPARENT);
    SetTextColor(dc_, static_cast<COLORREF>(colour));
    DrawTurnedText(dc_, font ? font : listFont_, WideOf(text), RectOf(area), downwards);
  }
  void Picture(std::int64_t handle, const CellBox& box, bool keyed, std::int64_t keyColour) override {
    auto bitmap = reinterpret_cast<HBITMAP>(static_cast<std::intptr_t>(handle));
    BITMAP facts{};
    const int width = box.right - box.left, height = box.bottom - box.top;
    if (!bitmap || !GetObjectW(bitmap, sizeof(facts), &facts) || facts.bmWidth > width) return;
    UniqueDc source(CreateCompatibleDC(dc_));
    if (!source) return;
    SelectedObject picked(source.get(), bitmap);
    const int x = box.left + (width - facts.bmWidth) / 2, y = box.top + (height - facts.bmHeight) / 2;
    if (!keyed)
      BitBlt(dc_, x, y, facts.bmWidth, facts.bmHeight, source.get(), 0, 0, SRCAND);
    else
      GdiTransparentBlt(dc_, x, y, facts.bmWidth, facts.bmHeight, source.get(), 0, 0, facts.bmWidth, facts.bmHeight,
                        static_cast<UINT>(keyColour));
  }
  void Icon(std::int64_t icon, int x, int y, int width, int height) override {
    DrawIconEx(dc_, x, y, reinterpret_cast<HICON>(static_cast<std::intptr_t>(icon)), width, height, 0, nullptr,
               DI_NORMAL);
  }
  void OwnerDrawn(const CellBox& box, const std::function<void(std::int64_t context)>& draw, bool fresh,
                  HFONT__* font) override {
    CellImage owner(dc_, RectOf(box), false);
    if (!owner.ok()) return;
    const RECT all{0, 0, box.right - box.left, box.bottom - box.top};
    std::optional<SelectedObject> chosen;
    if (fresh) {
      chosen.emplace(owner.dc(), font ? font : listFont_);
      FillRect(owner.dc(), &all, SharedGridState().faceBrush);
    } else {
      BitBlt(owner.dc(), 0, 0, all.right, all.bottom, dc_, box.left, box.top, SRCCOPY);
    }
    draw(reinterpret_cast<std::intptr_t>(owner.dc()));
  }
  int ImageCount() override { return images_ ? ImageList_GetImageCount(images_) : 0; }
  void StripImage(int index, int x, int y) override {
    if (!cache_ || !cache_->Draw(dc_, images_, index, x, y)) ImageList_Draw(images_, index, dc_, x, y, ILD_TRANSPARENT);
  }
  bool Classic() override { return SharedGridState().commonControlsMajor < 6; }
  std::int64_t FaceColour() override { return GetSysColor(COLOR_BTNFACE); }

 private:
  HDC screen_;
  HDC dc_;
  HFONT listFont_;
  HIMAGELIST images_;
  GridFontMetrics& metrics_;
  StripImageCache* cache_;
  HFONT font_ = nullptr;
  // The cells begun: the DC drawn on before, the image drawn into instead,
  // and the state to restore (destroyed in that order, restore first).
  struct Frame {
    explicit Frame(HDC before) : outer(before) {}
    HDC outer;
    std::optional<CellImage> image;
    std::optional<SavedDc> saved;
  };
  std::vector<std::unique_ptr<Frame>> frames_;
};

}  // namespace

std::unique_ptr<GridCanvas> MakeGridCanvas(HDC dc, HFONT listFont, HIMAGELIST images, GridFontMetrics& metrics,
                                           StripImageCache* cache) {
  return std::make_unique<GdiCanvas>(dc, listFont, images, metrics, cache);
}

void StripImageCache::Forget() {
  selected_.reset();
  bitmap_.reset();
  dc_.reset();
  blended_.clear();
  source_ = nullptr;
  count_ = -1;
}

bool StripImageCache::Build(HIMAGELIST images, int count) {
  Forget();
  int width = 0, height = 0;
  if (!ImageList_GetIconSize(images, &width, &height) || width <= 0 || height <= 0 || count <= 0) return false;
  void* bits = nullptr;
  dc_.reset(CreateCompatibleDC(nullptr));
  bitmap_.reset(CreateTopDownDib32(nullptr, width * count, height, &bits));
  if (!dc_ || !bitmap_ || !bits) {
    Forget();
    return false;
  }
  auto* all = static_cast<std::uint32_t*>(bits);
  std::vector<std::uint32_t> image(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  BITMAPINFO one = TopDownDib32Info(width, height);
  for (int i = 0; i < count; ++i) {
    ICONINFO parts{};
    const HICON icon = ImageList_GetIcon(images, i, ILD_NORMAL);
    const bool read = icon && GetIconInfo(icon, &parts) && parts.hbmColor &&
                      [&] {
                        HDC screen = GetDC(nullptr);
                        const int lines = GetDIBits(screen, parts.hbmColor, 0, static_cast<UINT>(height), image.data(), &one,
                                                    DIB_RGB_COLORS);
                        ReleaseDC(nullptr, screen);
                        return lines == height;
                      }();
    if (parts.hbmColor) DeleteObject(parts.hbmColor);
    if (parts.hbmMask) DeleteObject(parts.hbmMask);
    if (icon) DestroyIcon(icon);
    // An image with any alpha is blended by the image list, premultiplied
    // the way it does it; the others it draws through their mask.
    const bool alpha = read && std::any_of(image.begin(), image.end(), [](std::uint32_t p) { return (p >> 24) != 0; });
    blended_.push_back(alpha);
    if (!alpha) continue;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const std::uint32_t p = image[static_cast<std::size_t>(y * width + x)];
        const std::uint32_t a = p >> 24;
        all[static_cast<std::size_t>(y) * static_cast<std::size_t>(width * count) + static_cast<std::size_t>(i * width + x)] =
            (p & 0xFF000000u) | (((p & 0x00FF00FFu) * a / 255) & 0x00FF00FFu) | (((p & 0x0000FF00u) * a / 255) & 0x0000FF00u);
      }
    }
  }
  selected_.emplace(dc_.get(), bitmap_.get());
  source_ = images;
  count_ = count;
  size_ = SIZE{width, height};
  return true;
}

bool StripImageCache::Draw(HDC dc, HIMAGELIST images, int index, int x, int y) {
  if (!images || index < 0) return false;
  const int count = ImageList_GetImageCount(images);
  if ((images != source_ || count != count_) && !Build(images, count)) return false;
  if (index >= count_ || !blended_[static_cast<std::size_t>(index)]) return false;
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  return GdiAlphaBlend(dc, x, y, size_.cx, size_.cy, dc_.get(), index * size_.cx, 0, size_.cx, size_.cy, blend) != FALSE;
}

COLORREF GridPainter::EmptyAreaColour() const {
  const std::int64_t colour = list_.core.look.emptyAreaColour;
  if (colour != -1) return static_cast<COLORREF>(colour);
  return SharedGridState().commonControlsMajor >= 6 ? RGB(255, 255, 255) : GetSysColor(COLOR_BTNFACE);
}

void GridPainter::EraseEmptyArea(HDC dc) {
  HWND lv = list_.listWindow;
  if (!lv || !dc) return;
  RECT client{};
  GetClientRect(lv, &client);
  LONG top = 0;
  if (list_.header && IsWindowVisible(list_.header)) {
    RECT h{};
    GetWindowRect(list_.header, &h);
    top = h.bottom - h.top;
  }
  const COLORREF colour = EmptyAreaColour();
  const std::int64_t count = list_.RowCount();
  if (count <= 0) {
    FillColour(dc, RECT{0, top, client.right, client.bottom}, colour);
    return;
  }
  RECT first{};
  first.left = LVIR_BOUNDS;
  RECT last{};
  last.left = LVIR_BOUNDS;
  const auto topIndex = SendMessageW(lv, LVM_GETTOPINDEX, 0, 0);
  const auto lastVisible = std::min<std::int64_t>(count - 1, topIndex + SendMessageW(lv, LVM_GETCOUNTPERPAGE, 0, 0));
  SendMessageW(lv, LVM_GETITEMRECT, static_cast<WPARAM>(topIndex), reinterpret_cast<LPARAM>(&first));
  SendMessageW(lv, LVM_GETITEMRECT, static_cast<WPARAM>(lastVisible), reinterpret_cast<LPARAM>(&last));
  const LONG rowsBottom = std::min(last.bottom, client.bottom);
  FillColour(dc, RECT{first.right, top, client.right, rowsBottom}, colour);
  FillColour(dc, RECT{0, rowsBottom, client.right, client.bottom}, colour);
}

LRESULT GridPainter::CustomDrawList(NMLVCUSTOMDRAW* draw) {
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      metrics_.font = nullptr;  // a font handle may have been reused since
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

void GridPainter::PaintCell(HDC screen, std::int64_t row, std::int64_t listColumn) {
  if (listColumn <= 0 || listColumn >= GridList::kMaxHeaderItems) return;
  HWND lv = list_.listWindow;
  RECT cell{};
  cell.top = static_cast<LONG>(listColumn);
  cell.left = LVIR_BOUNDS;
  if (!SendMessageW(lv, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell))) return;
  cell.right = cell.left + static_cast<LONG>(SendMessageW(lv, LVM_GETCOLUMNWIDTH, listColumn, 0));
  RECT client{};
  GetClientRect(lv, &client);
  RECT visible{};
  if (!IntersectRect(&visible, &cell, &client)) return;
  const GridCell at{row, listColumn - 1};
  const auto canvas = MakeGridCanvas(screen, list_.ListFont(), nullptr, metrics_);
  PaintListCell(list_.core, *canvas, at, BoxOf(cell), list_.FormatRecord(at.row, at.column));
}

LRESULT GridPainter::EditorColours(HDC dc, HWND editor) {
  if (editor == list_.editors.listChoice) return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  CellEvent format = list_.FormatRecord(list_.core.session.row, list_.core.session.column);
  format.backColour = 0xFFFFFF;
  format.textColour = 0;
  list_.Raise(GridEvent::CellFormat, format);
  const auto back = static_cast<COLORREF>(format.backColour);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, back);
  SetTextColor(dc, static_cast<COLORREF>(format.textColour));
  // The editor fills with this brush in the same DC, so the DC's own brush
  // colour serves and no brush has to be made and kept.
  SetDCBrushColor(dc, back);
  return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
}

LRESULT GridPainter::DrawChoiceItem(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) return TRUE;
  CellEvent format = list_.FormatRecord(list_.core.session.row, list_.core.session.column);
  list_.Raise(GridEvent::CellFormat, format);
  const bool selected = (item.itemState & (ODS_SELECTED | ODS_FOCUS)) != 0;
  FillRect(item.hDC, &item.rcItem,
           selected ? GetSysColorBrush(COLOR_HIGHLIGHT) : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetTextColor(item.hDC, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(0, 0, 0));
  SetBkMode(item.hDC, TRANSPARENT);
  SelectedObject font(item.hDC, format.font ? format.font : list_.ListFont());
  std::wstring text = ComboItemText(list_.editors.listChoice, static_cast<LRESULT>(item.itemID));
  RECT area = item.rcItem;
  area.left += 2;
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &area,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  return TRUE;
}

LRESULT GridPainter::CustomDrawHeader(NMCUSTOMDRAW* draw) {
  switch (draw->dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPREPAINT: {
      const auto item = static_cast<int>(draw->dwItemSpec);
      if (item > 0) PaintHeaderItem(draw->hdc, draw->rc, item, (draw->uItemState & CDIS_SELECTED) != 0);
      return CDRF_SKIPDEFAULT;
    }
    case CDDS_POSTPAINT: {
      // The header beyond its last item takes the empty-area colour.
      RECT client{};
      GetClientRect(list_.header, &client);
      LONG right = 0;
      const std::int64_t count = list_.HeaderItemCount();
      for (std::int64_t i = 0; i < count; ++i) {
        RECT r{};
        if (SendMessageW(list_.header, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r)))
          right = std::max(right, r.right);
      }
      FillColour(draw->hdc, RECT{right, 0, client.right, client.bottom}, EmptyAreaColour());
      return CDRF_DODEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

void GridPainter::PaintHeaderItem(HDC dc, RECT rect, int item, bool pressed) {
  if (item <= 0 || item >= GridList::kMaxHeaderItems) return;
  HWND header = list_.header;
  CellEvent format = list_.FormatRecord(-1, item - 1);
  if (HFONT headerFont = reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0))) format.font = headerFont;
  wchar_t title[256] = {};
  HDITEMW info{};
  info.mask = HDI_TEXT;
  info.pszText = title;
  info.cchTextMax = static_cast<int>(std::size(title));
  SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info));
  const auto canvas = MakeGridCanvas(dc, list_.ListFont(), nullptr, metrics_);
  vantorel::PaintHeaderItem(list_.core, *canvas, BoxOf(rect), item, pressed, GridTextOf(title), format);
}

}  // namespace vantorel
