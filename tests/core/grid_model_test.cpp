// The grid's model and its rules, without any window: cells and rows as the
// operations change them, and where keys, blocks, Space, buttons and the
// clipboard take the cells.
#include <gtest/gtest.h>

#include <climits>

#include "grid/grid_geometry.h"
#include "grid/grid_model.h"
#include "grid/grid_rules.h"

namespace vantorel {
namespace {

// rows x columns, cell (c, r) = "rRcC" unless listed as empty.
GridModel Filled(int rows, int columns, std::vector<GridCell> empty = {}) {
  GridModel m;
  for (int c = 0; c < columns; ++c) m.InsertColumn(-1);
  for (int r = 0; r < rows; ++r) {
    m.InsertRow(-1, u"", 0x80000000u);
    for (int c = 0; c < columns; ++c) {
      const std::string t = "r" + std::to_string(r) + "c" + std::to_string(c);
      m.SetText(c, r, GridText(t.begin(), t.end()));
    }
  }
  for (GridCell e : empty) m.SetText(e.column, e.row, u"");
  return m;
}

TEST(GridModel, CellsRowsAndColumnsKeepTheirTextsThroughChanges) {
  GridModel m = Filled(3, 3);
  EXPECT_EQ(m.Text(-1, 0), u"") << "the hidden column";
  EXPECT_TRUE(m.SetText(-1, 0, u"hidden"));
  EXPECT_FALSE(m.SetText(3, 0, u"x"));
  EXPECT_FALSE(m.SetText(0, 3, u"x"));
  EXPECT_FALSE(m.SetText(-2, 0, u"x"));
  EXPECT_EQ(m.Text(-2, 0), u"");
  // A column inserted in the middle shifts the texts right of it.
  ASSERT_TRUE(m.InsertColumn(1));
  EXPECT_EQ(m.Text(0, 1), u"r1c0");
  EXPECT_EQ(m.Text(1, 1), u"");
  EXPECT_EQ(m.Text(2, 1), u"r1c1");
  EXPECT_EQ(m.Text(-1, 0), u"hidden");
  EXPECT_EQ(m.Order(), (std::vector<std::int64_t>{0, 1, 2, 3}));
  ASSERT_TRUE(m.RemoveColumn(1));
  EXPECT_EQ(m.Text(1, 1), u"r1c1");
  EXPECT_FALSE(m.RemoveColumn(3));
  // Rows go in at their position, outside the rows at the end; identities stay.
  const std::uint64_t id = m.RowId(1);
  EXPECT_EQ(m.InsertRow(0, u"top", 0), 0);
  EXPECT_EQ(m.InsertRow(99, u"end", 0), 4);
  EXPECT_EQ(m.InsertRow(-5, u"end2", 0), 5);
  EXPECT_EQ(m.Text(-1, 0), u"top");
  EXPECT_EQ(m.RowOfId(id), 2);
  EXPECT_EQ(m.Text(0, 2), u"r1c0");
  const std::uint64_t shape = m.Shape();
  ASSERT_TRUE(m.RemoveRow(0));
  EXPECT_NE(m.Shape(), shape);
  EXPECT_EQ(m.RowOfId(id), 1);
  EXPECT_FALSE(m.RemoveRow(5));
  EXPECT_EQ(m.Row(-1)->state, 0x80000000u) << "the strip header's record";
  EXPECT_EQ(m.Row(5), nullptr);
  // Texts written over and over leave the others intact as the pool is compacted.
  for (int i = 0; i < 20000; ++i) m.SetText(1, 3, i % 2 ? u"odd text" : u"even text");
  EXPECT_EQ(m.Text(1, 3), u"odd text");
  EXPECT_EQ(m.Text(2, 2), u"r2c2");
  EXPECT_EQ(m.Text(-1, 3), u"end");
  // At most 999 grid columns.
  GridModel wide;
  for (int c = 0; c < 1000; ++c) wide.InsertColumn(-1);
  EXPECT_EQ(wide.ColumnCount(), 999);
  // The header's order is taken only when it is one.
  EXPECT_TRUE(m.SetHeaderOrder({0, 3, 1, 2}));
  EXPECT_EQ(m.Order(), (std::vector<std::int64_t>{2, 0, 1}));
  EXPECT_EQ(m.PositionOf(2), 0);
  EXPECT_FALSE(m.SetHeaderOrder({0, 1, 1, 2}));
  EXPECT_FALSE(m.SetHeaderOrder({0, 1, 2}));
  EXPECT_FALSE(m.SetHeaderOrder({0, 1, 2, 4}));
  EXPECT_EQ(m.Order(), (std::vector<std::int64_t>{2, 0, 1}));
}

TEST(GridModel, SourceRowsAnswerUntilWritten) {
  GridModel m = Filled(1, 2);
  int asked = 0;
  ASSERT_TRUE(m.AppendSourceRows(100000, 0, [&asked](std::int64_t row, std::int64_t column) {
    ++asked;
    const std::string t = std::to_string(row) + ":" + std::to_string(column);
    return GridText(t.begin(), t.end());
  }));
  EXPECT_EQ(m.RowCount(), 100001);
  EXPECT_EQ(asked, 0) << "nothing is formatted ahead";
  EXPECT_EQ(m.Text(1, 99999), u"99998:1");
  EXPECT_EQ(m.Text(-1, 1), u"0:-1");
  EXPECT_EQ(m.Text(0, 0), u"r0c0");
  m.SetText(0, 2, u"mine");
  EXPECT_EQ(m.Text(0, 2), u"mine");
  EXPECT_EQ(m.Text(1, 2), u"1:1") << "the row's other cells keep their texts";
  m.InsertColumn(0);  // the source's columns no longer line up: its texts are kept
  EXPECT_EQ(m.Text(2, 3), u"2:1");
  m.ClearRows();
  EXPECT_EQ(m.RowCount(), 0);
}

TEST(GridRules, KeysMoveTheCurrentCell) {
  // Columns shown as 1, 2, 0; empty cells for the Ctrl jumps.
  GridModel m = Filled(6, 3, {{1, 1}, {2, 1}, {3, 1}, {0, 2}, {0, 0}});
  ASSERT_TRUE(m.SetHeaderOrder({0, 2, 3, 1}));
  struct Case {
    GridCell from;
    GridMove move;
    bool ctrl;
    GridCell to;
  };
  const Case cases[] = {
      {{2, 1}, GridMove::Up, false, {1, 1}},          {{0, 1}, GridMove::Up, false, {0, 1}},
      {{5, 1}, GridMove::Down, false, {5, 1}},        {{2, 1}, GridMove::PageDown, false, {5, 1}},
      {{4, 1}, GridMove::PageUp, false, {1, 1}},      {{3, 1}, GridMove::PageUp, false, {0, 1}},
      {{2, 1}, GridMove::Right, false, {2, 2}},       {{2, 0}, GridMove::Right, false, {2, 0}},
      {{2, 1}, GridMove::Left, false, {2, 1}},        {{2, 0}, GridMove::Left, false, {2, 2}},
      {{2, 0}, GridMove::Home, false, {2, 1}},        {{2, 1}, GridMove::End, false, {2, 0}},
      {{2, 0}, GridMove::Home, true, {0, 0}},         {{2, 0}, GridMove::End, true, {5, 0}},
      // Ctrl+Down stops at the first non-empty cell, or at the last row.
      {{0, 1}, GridMove::Down, true, {4, 1}},         {{4, 1}, GridMove::Down, true, {5, 1}},
      {{5, 1}, GridMove::Down, true, {5, 1}},         {{4, 1}, GridMove::Up, true, {0, 1}},
      // Ctrl+Right in display order 1, 2, 0; row 0 is empty beyond column 1: to the edge.
      {{2, 1}, GridMove::Right, true, {2, 2}},        {{2, 2}, GridMove::Right, true, {2, 0}},
      {{0, 1}, GridMove::Right, true, {0, 0}},        {{2, 0}, GridMove::Left, true, {2, 2}},
  };
  for (const Case& c : cases) {
    const auto to = MoveTarget(m, c.from, c.move, c.ctrl, 3);
    ASSERT_TRUE(to) << c.from.row << "," << c.from.column;
    EXPECT_EQ(*to, c.to) << "from " << c.from.row << "," << c.from.column << " key " << MoveKeyValue(c.move)
                         << (c.ctrl ? " ctrl" : "");
  }
  EXPECT_FALSE(MoveTarget(m, {6, 0}, GridMove::Up, false, 3)) << "not a cell";
  EXPECT_FALSE(MoveTarget(GridModel{}, {0, 0}, GridMove::Up, false, 3));
  // Tab in display order, wrapping round the grid both ways.
  EXPECT_EQ(*TabTarget(m, {2, 1}, false), (GridCell{2, 2}));
  EXPECT_EQ(*TabTarget(m, {2, 0}, false), (GridCell{3, 1}));
  EXPECT_EQ(*TabTarget(m, {5, 0}, false), (GridCell{0, 1}));
  EXPECT_EQ(*TabTarget(m, {3, 1}, true), (GridCell{2, 0}));
  EXPECT_EQ(*TabTarget(m, {0, 1}, true), (GridCell{5, 0}));
}

TEST(GridRules, BlocksSpanTheirCornersWhicheverWayTheyAreDragged) {
  GridModel m = Filled(5, 4);
  ASSERT_TRUE(m.SetHeaderOrder({0, 4, 1, 2, 3}));  // shown as 3, 0, 1, 2
  struct Case {
    GridCell fixed, moving;
    std::int64_t kind;
    GridBlock block;  // anchor column, anchor row, width, height, current row, current column
  };
  const Case cases[] = {
      {{1, 0}, {3, 1}, 0, {0, 1, 2, 3, 3, 1}},
      {{3, 1}, {1, 0}, 0, {0, 1, 2, 3, 1, 0}},  // dragged up and left
      {{2, 1}, {2, 3}, 0, {3, 2, 3, 1, 2, 3}},  // left past column 0 in display order
      {{2, 1}, {3, 0}, 1, {0, 0, 2, 5, 4, 0}},  // whole columns
      {{2, 1}, {0, 1}, 2, {3, 0, 4, 3, 0, 2}},  // whole rows, corner on the last shown column
      {{2, 1}, {9, 1}, 0, {}},                  // not a cell: no block
  };
  for (const Case& c : cases) {
    const GridBlock b = BlockBetween(m, c.fixed, c.moving, c.kind);
    EXPECT_EQ(b, c.block) << c.fixed.row << "," << c.fixed.column << " to " << c.moving.row << "," << c.moving.column;
    if (b.anchorColumn >= 0 && c.kind == 0) EXPECT_EQ(FixedCorner(m, b), c.fixed);
  }
  // Shift+arrows: the moving corner goes on, the fixed one stays.
  GridBlock b = BlockBetween(m, {2, 1}, {2, 1}, 0);
  b = ExtendBlock(m, b, {3, 2}, 0);
  b = ExtendBlock(m, b, {0, 0}, 0);
  EXPECT_EQ(b, (GridBlock{0, 0, 2, 3, 0, 0}));
  EXPECT_TRUE(InBlock(m, b, 1, 1));
  EXPECT_FALSE(InBlock(m, b, 1, 3)) << "column 3 is shown before column 0";
  EXPECT_FALSE(InBlock(m, b, 3, 0));
  const GridBlockEdges edges = BlockEdges(m, b, 2, 1);
  EXPECT_TRUE(!edges.left && !edges.top && edges.right && edges.bottom);
  // Ctrl+A: everything, corner at the last row and the last shown column.
  EXPECT_EQ(WholeGridBlock(m), (GridBlock{3, 0, 4, 5, 4, 2}));
  EXPECT_EQ(WholeGridBlock(GridModel{}), GridBlock{});
  // Blocks the application sets: refused outside the cells, cut at the edges.
  EXPECT_FALSE(CheckedBlock(m, 4, 0, 1, 1)) << "no such column";
  EXPECT_FALSE(CheckedBlock(m, -1, 0, 1, 1));
  EXPECT_FALSE(CheckedBlock(m, 0, 5, 1, 1));
  EXPECT_FALSE(CheckedBlock(m, 0, 0, 0, 1));
  EXPECT_FALSE(CheckedBlock(m, 0, 0, 1, -3));
  EXPECT_EQ(*CheckedBlock(m, 1, 3, 9, INT_MAX), (GridBlock{1, 3, 2, 2, 4, 2}));
  const GridBlockCells cells = BlockCells(m, 0, 3, 10, INT64_MAX);
  EXPECT_EQ(cells.firstRow, 3);
  EXPECT_EQ(cells.endRow, 5);
  EXPECT_EQ(cells.columns, (std::vector<std::int64_t>{0, 1, 2}));
  EXPECT_TRUE(BlockCells(m, 7, 0, 1, 1).columns.empty());
}

TEST(GridRules, SpaceTicksAndStepsAndButtonsCarryOneSuffix) {
  struct Case {
    std::int64_t type;
    const char16_t* text;
    const char16_t* options;
    bool ctrl;
    std::optional<GridText> result;
  };
  const Case cases[] = {
      {5, u"No", u"Yes/No", false, u"Yes"},   {5, u"Yes", u"Yes/No", false, u"No"},
      {5, u"Maybe", u"Yes/No", false, u"Yes"}, {5, u"", u"/x", false, u"x"},
      {5, u"on", u"on", false, u""},          {9, u"41", u"", false, u"42"},
      {9, u"100", u"", false, u"100"},        {9, u"150", u"", false, u"100"},
      {9, u"0", u"", true, u"0"},             {9, u"7", u"", true, u"6"},
      {9, u" -3x", u"", false, u"1"},         {9, u"", u"", false, std::nullopt},
      {0, u"a", u"", false, std::nullopt},    {6, u"Yes", u"Yes/No", false, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(SpaceText(c.type, c.text, c.options, c.ctrl), c.result) << c.type;
  EXPECT_TRUE(TickShown(u"Yes", u"Yes/No"));
  EXPECT_FALSE(TickShown(u"Maybe", u"Yes/No"));
  EXPECT_EQ(ProgressValue(u"99999999999999999999"), 100);
  EXPECT_EQ(ProgressValue(u"abc"), 0);
  EXPECT_EQ(PressedText(u"OK"), u"OK\\+");
  EXPECT_EQ(PressedText(u"OK\\+"), u"OK\\+") << "never twice";
  EXPECT_EQ(ReleasedText(u"OK\\+"), u"OK");
  EXPECT_EQ(ReleasedText(u"OK\\"), u"OK\\");
  EXPECT_FALSE(EndsPressed(u"+"));
}

TEST(GridRules, CopiedTextAndPastedCellsFollowDisplayOrder) {
  GridModel m = Filled(3, 3);
  // The example of the format: a TAB b CR LF c into (0, 0).
  EXPECT_EQ(PasteWrites(m, {0, 0}, u"a\tb\r\nc"),
            (std::vector<GridCellWrite>{{0, 0, u"a"}, {0, 1, u"b"}, {1, 0, u"c"}}));
  ASSERT_TRUE(m.SetHeaderOrder({0, 3, 1, 2}));  // shown as 2, 0, 1
  EXPECT_EQ(PasteWrites(m, {1, 0}, u"x\ty\tz\r\np\r\nq\r\nbeyond"),
            (std::vector<GridCellWrite>{{1, 0, u"x"}, {1, 1, u"y"}, {2, 0, u"p"}}));
  EXPECT_TRUE(PasteWrites(m, {3, 0}, u"x").empty());
  EXPECT_TRUE(PasteWrites(m, {0, 0}, u"").empty());
  const GridCell current{1, 0};
  EXPECT_EQ(BlockText(m, 2, 0, 2, 2, current, u"typing"), u"r0c2\tr0c0\r\nr1c2\ttyping\r\n");
  EXPECT_EQ(BlockText(m, 1, 2, 5, 5, current, u""), u"r2c1\r\n");
  EXPECT_EQ(BlockText(m, 5, 0, 1, 1, current, u""), u"");
}

// Text that arrives at once keeps what typing could put there, offered a
// character at a time in order, and only text cells take it as typed.
TEST(GridRules, ArrivingTextKeepsWhatTypingCouldPutThere) {
  const auto digits = [](char16_t c) { return c >= u'0' && c <= u'9'; };
  const auto all = [](char16_t) { return true; };
  const struct {
    const char16_t* arriving;
    bool digitsOnly;
    const char16_t* kept;
  } cases[] = {
      {u"x-1", true, u"1"},      {u"12\r\n34", true, u"12"},  {u"5\n6", false, u"5"},
      {u"a\tb\x1B\x7F", false, u"ab"}, {u"\x16" u"7", true, u"7"}, {u"", false, u""},
  };
  for (const auto& c : cases) {
    std::u16string offered;
    const GridText kept = TypedIntake(c.arriving, [&](char16_t ch) {
      offered.push_back(ch);
      return c.digitsOnly ? digits(ch) : all(ch);
    });
    EXPECT_EQ(kept, c.kept) << std::string(offered.begin(), offered.end());
    EXPECT_EQ(offered.find_first_of(u"\r\n\t\x1B\x7F\x16"), std::u16string::npos) << "never offered";
  }
  const CellIntake intakes[] = {CellIntake::Typed,  CellIntake::None, CellIntake::None,  CellIntake::Option,
                                CellIntake::Typed,  CellIntake::None, CellIntake::None,  CellIntake::None,
                                CellIntake::None,   CellIntake::None, CellIntake::None,  CellIntake::None,
                                CellIntake::None};
  for (std::int64_t type = 0; type <= 12; ++type) EXPECT_EQ(IntakeOf(type), intakes[type]) << type;
}

// Arguments from the programming interface at the ends of their range are
// cut like any other, never overflowing on the way.
TEST(GridRules, ExtremeArgumentsAreClamped) {
  const GridModel m = Filled(5, 3);
  const struct {
    std::int64_t row, height, firstRow, endRow;
  } blocks[] = {
      {INT64_MIN, 1, 0, 0},         {INT64_MIN, INT64_MAX, 0, 0}, {-2, 3, 0, 1},
      {-2, INT64_MAX, 0, 5},        {4, INT64_MAX, 4, 5},         {1, 2, 1, 3},
  };
  for (const auto& b : blocks) {
    const GridBlockCells cells = BlockCells(m, 0, b.row, INT64_MAX, b.height);
    EXPECT_EQ(cells.firstRow, b.firstRow) << b.row << " " << b.height;
    EXPECT_EQ(cells.endRow, b.endRow) << b.row << " " << b.height;
  }
  // A column added at a position: the header item after it, or appended.
  const std::int64_t items = 4;
  const std::pair<std::int64_t, std::int64_t> inserts[] = {
      {0, 1}, {2, 3}, {3, 4}, {-1, 4}, {INT64_MAX, 4}, {INT64_MIN, 4}};
  for (const auto& [position, item] : inserts) EXPECT_EQ(ColumnInsertItem(position, items), item) << position;
  EXPECT_EQ(ListLeftBesideStrip(24, 1, 500, 17), 25);
  EXPECT_EQ(ListLeftBesideStrip(INT64_MAX, INT64_MAX, 500, 17), std::nullopt);
  EXPECT_EQ(ListLeftBesideStrip(400, INT64_MAX, 500, 17), std::nullopt);
  // A tip's width: negative is no limit, 0 one pixel.
  const std::pair<std::int64_t, std::int64_t> tips[] = {{-1, -1}, {INT64_MIN, -1}, {0, 1}, {250, 250}, {INT64_MAX, 4096}};
  for (const auto& [x1, width] : tips) EXPECT_EQ(TooltipMaxWidth(x1), width) << x1;
}

}  // namespace
}  // namespace vantorel
