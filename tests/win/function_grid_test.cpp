// The function grid's fill under Wine: afterwards the grid answers the table
// it was given, whatever happens to that table or to the rows, and fits its
// window.
#include "app/pages/function_page_win32.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/library_win32.h"
#include "grid/grid_clipboard.h"
#include "platform/code_page_win32.h"
#include "grid_fixture.h"
#include "test_support.h"

namespace vantorel {
namespace {

using Row = std::vector<std::u16string>;  // Nr to Comment

Row Cells(const std::u16string& number, const FunctionRow& e) {
  return {number, e.alias, e.exportName, e.parameters, e.convention, e.comment};
}

// What the grid shows in a row, Nr to Comment.
Row Shown(GridControl& grid, std::int64_t row) {
  Row cells;
  for (std::int64_t c = 0; c < kFunctionColumns; ++c) {
    const std::wstring text = grid.GetCellText(c, row);
    cells.emplace_back(text.begin(), text.end());
  }
  return cells;
}

TEST(FunctionGridFill, AnswersTheGivenTableThroughChangesAndFitsItsWindow) {
  HWND parent = grid_testing::MakeParent(800, 300);
  auto grid = GridControl::Create(parent, 0, 0, 780, 280, 20, 0x22045);
  ASSERT_TRUE(grid);
  grid->SetStrip(24, 1);
  AddFunctionGridColumns(*grid);

  std::vector<Row> expected;
  std::vector<bool> ticked;
  auto check = [&](const char* step) {
    ASSERT_EQ(grid->GetRowCount(), static_cast<std::int64_t>(expected.size())) << step;
    for (std::size_t r = 0; r < expected.size(); ++r) {
      const auto row = static_cast<std::int64_t>(r);
      EXPECT_EQ(Shown(*grid, row), expected[r]) << step << ", row " << r;
      EXPECT_EQ(grid->GetCellText(-1, row), L"") << step << ", row " << r;
      EXPECT_EQ(grid->GetRowState(row) & 0xFF, static_cast<std::uint64_t>(ticked[r] ? kTicked : kUnticked)) << step;
    }
    grid->CopyBlock(0, 0, kFunctionColumns, static_cast<std::int64_t>(expected.size()));
    const std::u16string copied = FormatGridBlock(expected);
    EXPECT_EQ(grid_testing::ClipboardText(), std::wstring(copied.begin(), copied.end())) << step;
    // The last column ends at the list's edge, its rows' scroll bar in place.
    grid_testing::PumpMessages();
    RECT client{};
    GetClientRect(grid->listWindow, &client);
    int right = 0;
    for (int c = 0; c <= kFunctionColumns; ++c) right += ListView_GetColumnWidth(grid->listWindow, c);
    EXPECT_EQ(right, client.right) << step;
    EXPECT_EQ(GetWindowLongW(grid->listWindow, GWL_STYLE) & WS_HSCROLL, 0) << step;
  };

  // More rows than the window shows; texts inside and beyond the strings'
  // inline size, empty ones, text outside the BMP, unticked rows.
  FunctionRows list;
  for (int i = 0; i < 40; ++i) {
    const std::u16string n(1, static_cast<char16_t>(u'A' + i % 26));
    FunctionRow e = MakeFunctionRow(i % 7 == 3 ? u"" : u"Export_" + n + u"_with_a_longer_name");
    if (i % 5 == 1) e.comment = u"\u20AC \U0001F600 comment " + n;
    if (i % 3 == 2) e.ticked = false;
    const std::string number = std::to_string(i + 1);
    expected.push_back(Cells(std::u16string(number.begin(), number.end()), e));
    ticked.push_back(e.ticked);
    list.push_back(e);
  }
  FillFunctionGrid(*grid, list);
  // The rows are the grid's own: the application may change or drop its list.
  for (FunctionRow& e : list) e = MakeFunctionRow(u"Changed");
  list = {};
  check("filled");

  grid->SetCellText(5, 4, std::wstring(L"written"));
  expected[4][5] = u"written";
  grid->SetRowState(2, kTicked, -1, -1, -1, true);
  ticked[2] = true;
  grid->RemoveRow(0);
  expected.erase(expected.begin());
  ticked.erase(ticked.begin());
  grid->AddRow(-1, L"", 1);
  grid->SetRowState(39, kUnticked, -1, -1, -1, true);
  grid->SetCellText(2, 39, std::wstring(L"Appended"));
  expected.push_back({u"", u"", u"Appended", u"", u"", u""});
  ticked.push_back(false);
  check("edited, removed and appended");

  // A second fill replaces every row, written ones included.
  const FunctionRows two{MakeFunctionRow(u"First"), MakeFunctionRow(u"Second")};
  FillFunctionGrid(*grid, two);
  expected = {Cells(u"1", two[0]), Cells(u"2", two[1])};
  ticked = {true, true};
  check("filled again");

  grid.reset();
  DestroyWindow(parent);
}

// A library named on the command line shows before its rows are made: the
// grid's texts, made from the walked names, are the rows' texts to the unit.
TEST(FunctionGridFill, FreshTextsAreTheTextsOfTheRowsMadeLater) {
  HWND parent = grid_testing::MakeParent(800, 300);
  auto grid = GridControl::Create(parent, 0, 0, 780, 280, 20, 0x22045);
  ASSERT_TRUE(grid);
  grid->SetStrip(24, 1);
  AddFunctionGridColumns(*grid);
  // Plain, decorated, C++, non-ASCII and forwarded names, unnamed slots.
  for (const wchar_t* name : {L"few_exports.dll", L"decorated.dll", L"cpp_exports.dll", L"ansi_names.dll",
                              L"forwarders.dll", L"gaps.dll", L"ordinal_only.dll"}) {
    LibraryState library;
    MapLibrary(library, testing::OwnTestData(name));
    const ExportTable table = WalkMappedExports(library.LibraryHandle, true);
    const FunctionRows rows = MakeFunctionRows(table.entries(), DecodeAnsi);
    FillFreshFunctionGrid(*grid, FreshFunctionGridTexts(table.entries(), DecodeAnsi));
    ReleaseLibrary(library);
    ASSERT_FALSE(rows.empty()) << name;
    ASSERT_EQ(grid->GetRowCount(), static_cast<std::int64_t>(rows.size())) << name;
    for (std::size_t r = 0; r < rows.size(); ++r) {
      const auto row = static_cast<std::int64_t>(r);
      const std::string number = std::to_string(r + 1);
      EXPECT_EQ(Shown(*grid, row), Cells(std::u16string(number.begin(), number.end()), rows[r]))
          << name << ", row " << r;
      EXPECT_EQ(grid->GetRowState(row) & 0xFF, static_cast<std::uint64_t>(kTicked)) << name;
    }
  }
  grid.reset();
  DestroyWindow(parent);
}

}  // namespace
}  // namespace vantorel
