// The function grid's tips, asked for through the real main window's grid
// callback in both editions (only the x86 edition counts stdcall sizes).
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "analysis/version_info_win32.h"
#include "app/app_state_win32.h"
#include "app/main_window_win32.h"
#include "app/pages/function_page_win32.h"
#include "codegen/project_file.h"
#include "grid/grid_list_win32.h"
#include "main_window_fixture.h"
#include "platform/text_win32.h"
#include "scripted_prompts.h"
#include "test_support.h"

namespace vantorel {
namespace {

using testing::kX86Edition;
using testing::OwnTestData;

const std::wstring kMethodTip =
    L"?Method@Widget@@QEAAHH@Z\apublic: int __cdecl Widget::Method(int)\r\nordinal: 0x0002\r\nparameters: 1 + this";
const std::wstring kStdFuncTip = kX86Edition ? L"_StdFunc@12\aordinal: 0x0006\r\nparameters: 3" : L"_StdFunc@12\aordinal: 0x0006";

class FunctionTips : public testing::MainWindowFixture {
 protected:
  // The grid's question as the mouse entering a cell raises it; the answer
  // without its RVA line (addresses are the linker's), empty for none.
  std::wstring Ask(std::int64_t row, std::int64_t column) {
    CellEvent record;
    record.row = row;
    record.column = column;
    record.x1 = 250;
    record.backColour = record.textColour = -1;
    if (Main().functionGrid->list->Raise(GridEvent::TooltipQuery, record) == 0) return {};
    EXPECT_EQ(record.value, 1) << "the information icon";
    EXPECT_EQ(record.x1, kRowTipWidth);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(Main().functionGrid->listWindow, WM_GETFONT, 0, 0));
    EXPECT_TRUE(font && record.font == font) << "the grid's font";
    return std::regex_replace(record.text, std::wregex(L"\r\nRVA: 0x[0-9A-F]{8}"), L"");
  }
  testing::ScriptedPrompts prompts;
};

TEST_F(FunctionTips, EveryKindOfExportThroughTheGridsCallback) {
  const struct {
    const wchar_t* library;
    std::int64_t row;
    std::wstring tip;
  } cases[] = {
      {L"decorated.dll", 1, kMethodTip},
      {L"decorated.dll", 5, kStdFuncTip},
      {L"cpp_exports.dll", 13,
       L"_ZNK2Vt7Archive4ReadEPvj\aVt::Archive::Read(void*, unsigned int) const\r\nordinal: 0x000E\r\n"
       L"parameters: 2 + this"},
      {L"forwarders.dll", 2, L"AllocateHeap\aordinal: 0x0003\r\nforwarded to NTDLL.RtlAllocateHeap"},
      {L"forwarders.dll", 5, L"(no name)\aordinal: 0x0006\r\nno name: exported by ordinal only"},
      {L"ansi_names.dll", 3, L"Preis\u20AC\aordinal: 0x0004"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.library << " row " << c.row);
    LoadLibraryFile(OwnTestData(c.library));
    RefreshMainView();
    EXPECT_EQ(Ask(c.row, 2), c.tip);
    EXPECT_EQ(Ask(c.row, 1), c.tip) << "the alias tells about the same export";
    for (std::int64_t column : {-1, 0, 3, 4, 5}) EXPECT_EQ(Ask(c.row, column), L"") << column;
  }
  EXPECT_EQ(Ask(Main().functionGrid->GetRowCount(), 2), L"");
  ReleaseLibrary();
  EXPECT_FALSE(App().Session.exports.has_value());
}

// A project's rows are found by name, in any order; a name the library lacks
// tells only what its decoration says, an unnamed row nothing.
TEST_F(FunctionTips, ProjectRowsAreFoundByName) {
  const std::wstring library = OwnTestData(L"decorated.dll");
  FunctionRows rows;
  for (const char16_t* name : {u"_StdFunc@12", u"?Method@Widget@@QEAAHH@Z", u"", u"_Gone@16", u"End"})
    rows.push_back(MakeFunctionRow(name));
  testing::TempFolder folder;
  const std::string text = WriteProjectText(ToU16(library), ToU16(FileFingerprint(library)), rows);
  ASSERT_EQ(LoadProject(folder.Write(L"tips.prj", {text.begin(), text.end()})), LoadProjectResult::Loaded);
  RefreshMainView();
  EXPECT_FALSE(App().Session.exports.has_value()) << "walked on the first tip, not when the project opens";
  EXPECT_EQ(Ask(0, 2), kStdFuncTip);
  EXPECT_EQ(Ask(1, 1), kMethodTip);
  EXPECT_EQ(Ask(2, 2), L"");
  EXPECT_EQ(Ask(3, 2), kX86Edition ? L"_Gone@16\aparameters: 4" : L"");
  // A keyword for an alias: its cell keeps it, its tip tells the loader's name.
  EXPECT_EQ(Ask(4, 1), L"End\aloader name: _End (same as a PureBasic keyword)");
  EXPECT_EQ(Ask(4, 2), L"");
  EXPECT_EQ(Main().functionGrid->GetCellText(1, 4), L"End");
}

// The Alias tip adds the loader's name after the export's facts where the
// source declares the row under another name, and only there.
TEST_F(FunctionTips, AliasTipNamesTheLoadersNameForARenamedRow) {
  LoadLibraryFile(testing::kWineLibraries + L"\\ws2_32.dll");
  RefreshMainView();
  GridControl& grid = *Main().functionGrid;
  std::int64_t select = -1, send = -1;
  for (std::int64_t row = 0; row < grid.GetRowCount(); ++row) {
    if (grid.GetCellText(2, row) == L"select") select = row;
    if (grid.GetCellText(2, row) == L"send") send = row;
  }
  ASSERT_GE(select, 0);
  ASSERT_GE(send, 0);
  const std::wstring tip = Ask(select, 1);
  EXPECT_TRUE(tip.starts_with(L"select\aordinal: ")) << tip;
  EXPECT_TRUE(tip.ends_with(L"\r\nloader name: _select (same as a PureBasic keyword)")) << tip;
  EXPECT_EQ(Ask(select, 2).find(L"loader name"), std::wstring::npos) << "the Function cell's tip is the export's";
  EXPECT_EQ(Ask(send, 1).find(L"loader name"), std::wstring::npos);
  // Unticked, the row is in no source: nothing to tell.
  CellEvent click;
  click.column = -1;
  click.row = select;
  grid.list->Raise(GridEvent::StripClick, click);
  ASSERT_EQ(grid.GetRowState(select) & 0xFF, static_cast<std::uint64_t>(kUnticked));
  EXPECT_EQ(Ask(select, 1).find(L"loader name"), std::wstring::npos);
}

}  // namespace
}  // namespace vantorel
