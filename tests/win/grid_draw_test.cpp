// What the grid paints for its cells and header, read back pixel by pixel
// through WM_PRINTCLIENT.
#include "grid/strip_icons.h"
#include "grid_fixture.h"
#include "platform/dib_win32.h"

namespace vantorel {
namespace {

using grid_testing::CountObjects;
using grid_testing::Snapshot;
using grid_testing::TestGrid;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

RECT CellRect(TestGrid& t, std::int64_t row, std::int64_t column) {
  RECT r{};
  r.top = static_cast<LONG>(column + 1);
  r.left = LVIR_BOUNDS;
  SendMessageW(t.grid->listWindow, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  r.right = r.left + static_cast<LONG>(SendMessageW(t.grid->listWindow, LVM_GETCOLUMNWIDTH, column + 1, 0));
  return r;
}

Snapshot ShotOfList(TestGrid& t) { return Snapshot(t.grid->listWindow, 400, 250); }

// Columns (of the cell's left and right thirds) holding a pixel that is
// neither the background nor a line: where the text went.
struct InkSpread {
  bool left = false;
  bool right = false;
};
InkSpread FindInk(const Snapshot& shot, const RECT& cell, COLORREF background) {
  InkSpread ink;
  const int third = (cell.right - cell.left) / 3;
  for (int y = cell.top + 2; y < cell.bottom - 2; ++y)
    for (int x = cell.left + 1; x < cell.right - 2; ++x) {
      if (shot.At(x, y) == background) continue;
      if (x < cell.left + third) ink.left = true;
      if (x >= cell.right - third) ink.right = true;
    }
  return ink;
}

TEST(GridDraw, CellColoursGradientsAndAlignmentComeFromCellFormat) {
  TestGrid t(3);
  t.AddRows(3);
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& r) {
    if (event != GridEvent::CellFormat || r.row != 1) return;
    if (r.column == 0) {
      r.backColour = RGB(200, 0, 0);
      r.gradientTop = RGB(0, 0, 255);  // one end only: still solid
      r.align = 2;
    } else if (r.column == 1) {
      r.gradientTop = kBlack;
      r.gradientBottom = kWhite;
    }
  };
  Snapshot shot = ShotOfList(t);
  const RECT solid = CellRect(t, 1, 0);
  EXPECT_EQ(shot.At(solid.left + 2, solid.top + 2), RGB(200, 0, 0));
  const InkSpread right = FindInk(shot, solid, RGB(200, 0, 0));
  EXPECT_TRUE(right.right && !right.left) << "right-aligned text";
  const RECT plain = CellRect(t, 1, 2);
  const InkSpread left = FindInk(shot, plain, kWhite);
  EXPECT_TRUE(left.left && !left.right) << "left-aligned text by default";

  const RECT gradient = CellRect(t, 1, 1);
  const COLORREF top = shot.At(gradient.left + 2, gradient.top);
  const COLORREF bottom = shot.At(gradient.left + 2, gradient.bottom - 2);
  EXPECT_LT(GetRValue(top), 0x20);
  EXPECT_GT(GetRValue(bottom), 0xD0);
  EXPECT_EQ(GetRValue(top), GetBValue(top));
  // Grid lines along the right and bottom of each cell.
  EXPECT_EQ(shot.At(plain.left + 10, plain.bottom - 1), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(shot.At(solid.right - 1, solid.top + 10), GetSysColor(COLOR_BTNFACE));
}

TEST(GridDraw, BlockCellsAreSolidWithBlackOuterEdgesAndAGreyCorner) {
  TestGrid t(3);
  t.AddRows(4);
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& r) {
    if (event == GridEvent::CellFormat && r.row >= 0) {
      r.gradientTop = RGB(0, 255, 0);
      r.gradientBottom = RGB(0, 255, 0);
    }
  };
  t.grid->SetBlock(0, 1, 2, 2);
  {
    Snapshot shot = ShotOfList(t);
    const RECT inside = CellRect(t, 1, 1);
    EXPECT_EQ(shot.At(inside.left + 2, inside.top + 4), RGB(0xCE, 0xDB, 0xF1));
    const RECT corner = CellRect(t, 2, 1);
    EXPECT_EQ(shot.At(corner.left + 2, corner.top + 4), RGB(0x80, 0x80, 0x80));
    const RECT first = CellRect(t, 1, 0);
    EXPECT_EQ(shot.At(first.left, first.top + 8), kBlack);
    EXPECT_EQ(shot.At(first.left + 1, first.top + 8), kBlack);
    EXPECT_EQ(shot.At(first.left + 8, first.top), kBlack);
    const RECT outside = CellRect(t, 0, 2);
    EXPECT_EQ(shot.At(outside.left + 2, outside.top + 4), RGB(0, 255, 0)) << "gradient outside the block";
  }
  t.grid->SetColour(4, -1);
  Snapshot shot = ShotOfList(t);
  const RECT inside = CellRect(t, 1, 1);
  EXPECT_EQ(shot.At(inside.left + 2, inside.top + 4), kWhite) << "own colour, solid";
}

TEST(GridDraw, TickProgressAndCurrentFrame) {
  TestGrid t(3);
  t.AddRows(4);
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& r) {
    if (event != GridEvent::CellType) return;
    if (r.column == 0) {
      r.type = 5;
      r.text = L"Yes/No";
    } else if (r.column == 1) {
      r.type = 9;
    } else {
      r.type = 1;
    }
  };
  t.grid->SetCellText(0, 0, L"Yes");
  t.grid->SetCellText(0, 1, L"Maybe");
  t.grid->SetCellText(1, 0, L"150");
  t.grid->SetCellText(1, 1, L"");
  t.grid->SetCellText(1, 2, L"100");
  t.grid->SetCellText(1, 3, L"99");
  t.grid->SetCurrentCell(2, 1, 0);
  Snapshot shot = ShotOfList(t);
  auto centre = [&](std::int64_t row, std::int64_t column) {
    const RECT r = CellRect(t, row, column);
    return shot.At((r.left + r.right) / 2, (r.top + r.bottom - 1) / 2);
  };
  EXPECT_EQ(centre(0, 0), kBlack) << "ticked: the cross meets in the middle";
  EXPECT_EQ(centre(1, 0), kWhite) << "neither value: an empty box";
  {
    // ... and a box it is: its outline on all four sides of the centre.
    const RECT r = CellRect(t, 1, 0);
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom - 1) / 2;
    auto outlineAt = [&](int dx, int dy) {
      for (int step = 1; step < 9; ++step)
        if (shot.At(cx + dx * step, cy + dy * step) == kBlack) return true;
      return false;
    };
    EXPECT_TRUE(outlineAt(-1, 0) && outlineAt(1, 0) && outlineAt(0, -1) && outlineAt(0, 1));
  }
  EXPECT_EQ(t.grid->GetCellText(1, 1), L"0");
  // 150 is shown as 100, label and bar: the cell looks exactly like one of
  // "100" (below the first row's top line), and unlike one of "99".
  auto sameCell = [&](std::int64_t rowA, std::int64_t rowB) {
    const RECT a = CellRect(t, rowA, 1), b = CellRect(t, rowB, 1);
    for (int y = 2; y < a.bottom - a.top - 1; ++y)
      for (int x = 0; x < a.right - a.left; ++x)
        if (shot.At(a.left + x, a.top + y) != shot.At(b.left + x, b.top + y)) return false;
    return true;
  };
  EXPECT_TRUE(sameCell(0, 2)) << "150 drawn as 100";
  EXPECT_FALSE(sameCell(2, 3)) << "100 and 99 differ";
  const RECT current = CellRect(t, 1, 2);
  EXPECT_EQ(shot.At(current.left, current.top + 8), kBlack) << "frame of the current cell";
  EXPECT_EQ(shot.At(current.left + 8, current.top), kBlack);
}

TEST(GridDraw, NoCurrentFrameOnHyperlinkAndChoiceCells) {
  TestGrid t(2);
  t.AddRows(2);
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& r) {
    if (event == GridEvent::CellType) r.type = r.column == 0 ? 2 : 3;
  };
  for (std::int64_t column : {0, 1}) {
    t.grid->SetCurrentCell(column, 1, 0);
    Snapshot shot = ShotOfList(t);
    const RECT cell = CellRect(t, 1, column);
    EXPECT_EQ(shot.At(cell.left, cell.top + 8), kWhite) << "column " << column;
  }
}

TEST(GridDraw, HeaderItemsTakeTheirGradientAndFrame) {
  TestGrid t(2);
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& r) {
    if (event == GridEvent::CellFormat && r.row == -1) {
      r.gradientTop = kWhite;
      r.gradientBottom = RGB(0, 0, 128);
    }
  };
  HWND header = t.grid->list->header;
  RECT item{};
  SendMessageW(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
  Snapshot shot(header, 400, 30);
  const COLORREF top = shot.At(item.left + 3, item.top + 1);
  const COLORREF bottom = shot.At(item.left + 3, item.bottom - 3);
  EXPECT_GT(GetRValue(top), 0xE0);
  EXPECT_LT(GetRValue(bottom), 0x30);
  EXPECT_GT(GetBValue(bottom), 0x70);
  EXPECT_EQ(shot.At(item.left, item.top + 5), RGB(0x80, 0x80, 0x80)) << "header frame colour";
}

TEST(GridDraw, PaintingMakesNoLastingObjects) {
  TestGrid t(3);
  t.AddRows(6);
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& r) {
    if (event == GridEvent::CellType && r.column == 1) r.type = r.row % 2 ? 9 : 11;
  };
  { Snapshot warm = ShotOfList(t); }
  const auto before = CountObjects();
  for (int i = 0; i < 5; ++i) Snapshot shot = ShotOfList(t);
  EXPECT_EQ(CountObjects().gdi, before.gdi);
}

TEST(GridDraw, EditorsTakeTheCurrentCellsColours) {
  TestGrid t(2);
  t.AddRows(2);
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& r) {
    if (event == GridEvent::CellFormat && r.row == 1 && r.column == 1) {
      r.backColour = RGB(10, 20, 30);
      r.textColour = RGB(200, 100, 50);
    }
  };
  t.grid->SetCurrentCell(1, 1, 0);
  GridList& list = t.list();
  HDC dc = CreateCompatibleDC(nullptr);
  const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(
      list.listWindow, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(list.editors.editBox)));
  EXPECT_EQ(GetBkColor(dc), RGB(10, 20, 30));
  EXPECT_EQ(GetTextColor(dc), RGB(200, 100, 50));
  ASSERT_NE(brush, nullptr);
  RECT one{0, 0, 1, 1};
  HDC screen = GetDC(nullptr);
  HBITMAP pixel = CreateCompatibleBitmap(screen, 1, 1);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, pixel);
  FillRect(dc, &one, brush);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(10, 20, 30));
  SelectObject(dc, old);
  DeleteObject(pixel);
  const auto choice = SendMessageW(list.listWindow, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                   reinterpret_cast<LPARAM>(list.editors.listChoice));
  EXPECT_EQ(reinterpret_cast<HGDIOBJ>(choice), GetStockObject(NULL_BRUSH));
  DeleteDC(dc);
}

// Wine reports common controls 5.81 even with the version-6 manifest; the
// other path is taken here by pretending.
TEST(GridDraw, FirstRowTopLineOnlyBeforeCommonControlsSix) {
  TestGrid t(1);
  t.AddRows(2);
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& r) {
    if (event == GridEvent::CellFormat && r.row >= 0) r.backColour = RGB(0, 0, 200);
  };
  GridShared& shared = SharedGridState();
  const int real = shared.commonControlsMajor;
  const RECT first = CellRect(t, 0, 0);
  shared.commonControlsMajor = 5;
  {
    Snapshot shot = ShotOfList(t);
    EXPECT_EQ(shot.At(first.left + 10, first.top + 1), GetSysColor(COLOR_BTNFACE));
  }
  shared.commonControlsMajor = 6;
  {
    Snapshot shot = ShotOfList(t);
    EXPECT_EQ(shot.At(first.left + 10, first.top + 1), RGB(0, 0, 200));
  }
  shared.commonControlsMajor = real;
}

}  // namespace
}  // namespace vantorel

namespace vantorel {
namespace {

// 32-bit pixels of a DIB section, drawn into through its DC.
struct Pixels {
  explicit Pixels(int size) : width(size) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateTopDownDib32(nullptr, size, size, reinterpret_cast<void**>(&bits));
    old = SelectObject(dc, bitmap);
    // A background of every shade, so each blended pixel is tested.
    for (int i = 0; i < size * size; ++i) bits[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0x00FFFFFFu;
  }
  ~Pixels() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  std::vector<std::uint32_t> All() const { return {bits, bits + width * width}; }
  int width;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  std::uint32_t* bits = nullptr;
};

TEST(StripImageCache, DrawsTheImageListsOwnPixels) {
  grid_handles::UniqueImageList images(ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 16));
  ASSERT_TRUE(AppendStripIcons(images.get(), BuiltInStripIconData()));
  const int count = ImageList_GetImageCount(images.get());
  ASSERT_GT(count, 1);
  StripImageCache cache;
  int blended = 0;
  for (int i = 0; i < count; ++i) {
    Pixels listed(24), cached(24);
    ASSERT_TRUE(ImageList_Draw(images.get(), i, listed.dc, 3, 5, ILD_TRANSPARENT));
    if (cache.Draw(cached.dc, images.get(), i, 3, 5))
      ++blended;
    else
      ImageList_Draw(images.get(), i, cached.dc, 3, 5, ILD_TRANSPARENT);
    GdiFlush();
    EXPECT_EQ(listed.All(), cached.All()) << "image " << i;
  }
  EXPECT_GE(blended, 2) << "the tick boxes have alpha and are drawn from the cache";
  EXPECT_FALSE(cache.Draw(Pixels(24).dc, images.get(), count, 0, 0)) << "no such image";
}

}  // namespace
}  // namespace vantorel
