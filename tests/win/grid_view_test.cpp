// The list view as a view of the grid's model: a virtual list whose count
// follows the rows and whose texts come from the model, and the faults of
// keeping cell positions, guards and blocks across callbacks.
#include "grid_fixture.h"

#include <climits>

namespace vantorel {
namespace {

using grid_testing::Snapshot;
using grid_testing::TestGrid;
using grid_testing::SetClipboardText;

RECT CellRect(TestGrid& t, std::int64_t row, std::int64_t column) {
  RECT r{};
  r.top = static_cast<LONG>(column + 1);
  r.left = LVIR_BOUNDS;
  SendMessageW(t.grid->listWindow, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  r.right = r.left + static_cast<LONG>(SendMessageW(t.grid->listWindow, LVM_GETCOLUMNWIDTH, column + 1, 0));
  return r;
}

std::wstring ListText(HWND list, int row, int subItem) {
  wchar_t buffer[64]{};
  LVITEMW item{};
  item.iSubItem = subItem;
  item.pszText = buffer;
  item.cchTextMax = 64;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return buffer;
}

TEST(GridView, TheListViewCountsAndShowsTheModelsRows) {
  TestGrid t(2);
  GridControl& g = *t.grid;
  HWND lv = g.listWindow;
  EXPECT_TRUE(GetWindowLongPtrW(lv, GWL_STYLE) & LVS_OWNERDATA);
  struct Step {
    void (*change)(GridControl&);
    LRESULT count;
  };
  const Step steps[] = {
      {[](GridControl& grid) { grid.AddRow(-1, L"a", 1); }, 1},
      {[](GridControl& grid) { grid.AddRow(0, L"b", 1); }, 2},
      {[](GridControl& grid) { grid.RemoveRow(1); }, 1},
      {[](GridControl& grid) { grid.ClearRows(); }, 0},
      {[](GridControl& grid) {
         grid.SetRedraw(false, false);
         for (int i = 0; i < 5; ++i) grid.AddRow(-1, L"", 1);
         grid.SetRedraw(true, false);
       },
       5},
  };
  for (const Step& step : steps) {
    step.change(g);
    EXPECT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), step.count);
    EXPECT_EQ(g.GetRowCount(), step.count);
  }
  g.SetCellText(1, 3, L"from the model");
  g.SetCellText(-1, 3, L"hidden");
  EXPECT_EQ(ListText(lv, 3, 2), L"from the model");
  EXPECT_EQ(ListText(lv, 3, 0), L"hidden");
  // A text written while shown is repainted in its cell only.
  UpdateWindow(lv);
  g.SetCellText(0, 4, L"changed");
  RECT dirty{};
  ASSERT_TRUE(GetUpdateRect(lv, &dirty, FALSE));
  const RECT cell = CellRect(t, 4, 0);
  EXPECT_EQ(dirty.left, cell.left);
  EXPECT_EQ(dirty.top, cell.top);
  EXPECT_EQ(dirty.right, cell.right);
}

TEST(GridView, MovingTheCurrentCellRepaintsTheCellItLeaves) {
  TestGrid t(2);
  t.AddRows(5);
  GridControl& g = *t.grid;
  g.SetCurrentCell(0, 1, 0);
  UpdateWindow(g.listWindow);
  g.SetCurrentCell(1, 3, 0);
  HRGN dirty = CreateRectRgn(0, 0, 0, 0);
  GetUpdateRgn(g.listWindow, dirty, FALSE);
  const RECT left = CellRect(t, 1, 0);
  EXPECT_TRUE(PtInRegion(dirty, left.left + 2, left.top + 2)) << "the old frame goes";
  const RECT entered = CellRect(t, 3, 1);
  EXPECT_TRUE(PtInRegion(dirty, entered.left + 2, entered.top + 2));
  DeleteObject(dirty);
}

// The callback adds a row above the edited one while EditDone runs: the
// text still lands in the edited row, which has moved down.
TEST(GridView, CommitsAndPastesWriteTheirCellsAfterTheCallbackMovedRows) {
  for (bool paste : {false, true}) {
    TestGrid t(2);
    t.AddRows(3);
    GridControl& g = *t.grid;
    t.recorder.react = [](GridControl* grid, GridEvent event, CellEvent& record) {
      if (event == GridEvent::EditDone && record.row == 1) grid->AddRow(0, L"", 1);
    };
    if (paste) {
      SetClipboardText(L"new\r\nnext");
      g.SetCurrentCell(1, 1, 0);
      g.Paste();
    } else {
      g.SetCurrentCell(1, 1, 0);
      SetWindowTextW(g.list->editors.editBox, L"new");
      g.EndEdit();
    }
    SCOPED_TRACE(paste ? "paste" : "commit");
    EXPECT_EQ(g.GetCellText(1, 1), L"r0c1") << "the row that moved into place keeps its text";
    EXPECT_EQ(g.GetCellText(1, 2), L"new");
    if (paste) {
      EXPECT_EQ(g.GetCellText(1, 3), L"next");
    }
  }
}

TEST(GridView, FreeFromInsideACallbackLeavesAGridThatAnswersAsGone) {
  struct Case {
    GridEvent event;
    void (*provoke)(TestGrid&);
  };
  const Case cases[] = {
      {GridEvent::EditDone,
       [](TestGrid& t) {
         t.grid->SetCurrentCell(0, 0, 0);
         SetWindowTextW(t.grid->list->editors.editBox, L"x");
         t.grid->EndEdit();
       }},
      {GridEvent::CellFormat, [](TestGrid& t) { Snapshot shot(t.grid->listWindow, 200, 100); }},
      {GridEvent::StripClick,
       [](TestGrid& t) {
         const RECT item = t.ItemRect(0);
         SendMessageW(t.grid->containerWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, (item.top + item.bottom) / 2));
       }},
  };
  for (const Case& c : cases) {
    TestGrid t(2);
    t.AddRows(2);
    const GridEvent event = c.event;
    t.recorder.react = [event](GridControl* grid, GridEvent raised, CellEvent&) {
      if (raised == event && grid) grid->Free();
    };
    c.provoke(t);
    EXPECT_EQ(t.grid->GetRowCount(), -1) << static_cast<int>(event);
    EXPECT_EQ(t.grid->GetWindow(), nullptr);
    t.grid.reset();
  }
}

TEST(GridView, PasteInsideEditDoneDoesNotNestCommits) {
  TestGrid t(2);
  t.AddRows(2);
  GridControl& g = *t.grid;
  SetClipboardText(L"p\tq");
  int depth = 0, deepest = 0;
  t.recorder.react = [&](GridControl* grid, GridEvent event, CellEvent&) {
    if (event != GridEvent::EditDone) return;
    deepest = std::max(deepest, ++depth);
    grid->Paste();
    --depth;
  };
  g.SetCurrentCell(0, 0, 0);
  SetWindowTextW(g.list->editors.editBox, L"typed");
  g.EndEdit();
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(t.recorder.Of(GridEvent::EditDone).size(), 1u);
  EXPECT_EQ(g.GetCellText(0, 0), L"typed");
  EXPECT_EQ(g.GetCellText(1, 0), L"r0c1");
}

TEST(GridView, WholeRowAndColumnBlocksShowBesideTheCurrentCell) {
  for (std::int64_t kind : {1, 2}) {
    TestGrid t(3);
    t.AddRows(3);
    t.grid->SetCurrentCell(1, 1, 0);
    t.grid->SetColour(7, kind);
    Snapshot shot(t.grid->listWindow, 400, 200);
    // Another cell of the row (kind 2) or of the column (kind 1).
    const RECT other = kind == 2 ? CellRect(t, 1, 0) : CellRect(t, 0, 1);
    EXPECT_EQ(shot.At(other.left + 3, other.top + 4), RGB(0xCE, 0xDB, 0xF1)) << "kind " << kind;
    const RECT outside = CellRect(t, 2, kind == 2 ? 2 : 0);
    EXPECT_EQ(shot.At(outside.left + 3, outside.top + 4), RGB(255, 255, 255));
  }
}

// Recorded into a metafile, a cell of types 5-12 reaches the target in one
// block transfer of its whole rectangle, with nothing drawn there before or
// after.
TEST(GridView, PictureCellsReachTheScreenInOneCopy) {
  TestGrid t(3);
  t.AddRows(3);
  t.recorder.react = [](GridControl*, GridEvent event, CellEvent& r) {
    if (event != GridEvent::CellType || r.column == 0) return;
    static const std::int64_t types[3][2] = {{5, 9}, {11, 6}, {10, 12}};
    r.type = types[r.row][r.column - 1];
    r.text = L"Yes/No";
  };
  HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(recorder, nullptr);
  // The list view's own paint does not draw into a metafile: its custom-draw
  // notice for each cell is sent as it would be.
  for (int row = 0; row < 3; ++row)
    for (int column = 1; column < 3; ++column) {
      NMLVCUSTOMDRAW draw{};
      draw.nmcd.hdr.hwndFrom = t.grid->listWindow;
      draw.nmcd.hdr.idFrom = static_cast<UINT_PTR>(t.grid->listId);
      draw.nmcd.hdr.code = NM_CUSTOMDRAW;
      draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
      draw.nmcd.hdc = recorder;
      draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
      draw.iSubItem = column + 1;
      SendMessageW(GetParent(t.grid->listWindow), WM_NOTIFY, draw.nmcd.hdr.idFrom, reinterpret_cast<LPARAM>(&draw));
    }
  HENHMETAFILE file = CloseEnhMetaFile(recorder);
  struct Drawn {
    RECT bounds;
    bool copy;  // a block transfer from an image
  };
  std::vector<Drawn> drawn;
  EnumEnhMetaFile(
      nullptr, file,
      [](HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) -> int {
        auto& out = *reinterpret_cast<std::vector<Drawn>*>(data);
        switch (record->iType) {
          case EMR_BITBLT: {
            const auto* blt = reinterpret_cast<const EMRBITBLT*>(record);
            out.push_back({RECT{blt->xDest, blt->yDest, blt->xDest + blt->cxDest, blt->yDest + blt->cyDest},
                           blt->cbBmiSrc > 0});
            break;
          }
          case EMR_GRADIENTFILL:
          case EMR_EXTTEXTOUTW:
          case EMR_SETPIXELV:
          case EMR_FILLRGN:
          case EMR_PAINTRGN:
          case EMR_STRETCHDIBITS:
          case EMR_POLYLINE16: {
            // Each of these records starts with its bounds.
            const RECTL& b = reinterpret_cast<const EMRGRADIENTFILL*>(record)->rclBounds;
            out.push_back({RECT{b.left, b.top, b.right + 1, b.bottom + 1}, false});
            break;
          }
          default:
            break;
        }
        return 1;
      },
      &drawn, nullptr);
  DeleteEnhMetaFile(file);
  for (int row = 0; row < 3; ++row)
    for (int column = 1; column < 3; ++column) {
      const RECT cell = CellRect(t, row, column);
      const RECT inside{cell.left + 1, cell.top + 1, cell.right - 1, cell.bottom - 1};
      int copies = 0, others = 0;
      for (const Drawn& d : drawn) {
        RECT common{};
        if (!IntersectRect(&common, &d.bounds, &inside)) continue;
        if (d.copy && EqualRect(&d.bounds, &cell))
          ++copies;
        else
          ++others;
      }
      EXPECT_EQ(copies, 1) << row << "," << column;
      EXPECT_EQ(others, 0) << row << "," << column;
    }
}

TEST(GridView, OutOfRangeBlocksHeightsAndFrameWidthsAreRefused) {
  TestGrid t(3);
  t.AddRows(4);
  GridControl& g = *t.grid;
  const GridBlock none{};
  g.SetBlock(7, 0, 1, 1);  // no such column
  EXPECT_EQ(g.list->core.selection.block, none);
  g.SetBlock(0, 9, 1, 1);
  EXPECT_EQ(g.list->core.selection.block, none);
  g.SetBlock(1, 2, 5, INT_MAX);  // cut at the edges, no overflow
  EXPECT_EQ(g.list->core.selection.block, (GridBlock{1, 2, 2, 2, 3, 2}));
  {
    Snapshot shot(g.listWindow, 400, 200);
    const RECT first = CellRect(t, 2, 0);
    EXPECT_EQ(shot.At(first.left + 3, first.top + 4), RGB(255, 255, 255)) << "column 0 is not in it";
  }
  RECT header{};
  GetWindowRect(g.headerWindow, &header);
  g.SetHeaderHeight(-5);
  g.SetHeaderHeight(INT_MAX + 10LL);
  RECT after{};
  GetWindowRect(g.headerWindow, &after);
  EXPECT_EQ(after.bottom - after.top, header.bottom - header.top);
  g.SetColour(3, 3);
  g.SetColour(3, -7);
  g.SetColour(3, 1LL << 40);
  EXPECT_EQ(g.list->core.look.currentFrameWidth, 3);
}

}  // namespace
}  // namespace vantorel
