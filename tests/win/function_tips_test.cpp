// The function grid's tips, asked for through the real main window's grid
// callback: each kind of export of the test libraries, a project whose rows
// are out of order or name exports the library lacks, and the cells that
// give no tip. The same test runs in both editions; only the x86 edition
// reads counts from stdcall sizes.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "analysis/version_info_win32.h"
#include "app/app_state_win32.h"
#include "app/main_window_win32.h"
#include "codegen/function_grid_win32.h"
#include "codegen/project_file.h"
#include "grid/grid_list_win32.h"
#include "main_window_fixture.h"
#include "platform/text_win32.h"
#include "platform/utf8.h"
#include "scripted_prompts.h"
#include "test_support.h"

namespace vantorel {
namespace {

using testing::kX86Edition;
using testing::OwnTestData;

class FunctionTips : public testing::MainWindowFixture {
 protected:
  GridControl& Grid() { return *Main().functionGrid; }

  // The grid's question for one cell, as the mouse entering it raises it;
  // the answer's text without its RVA line (addresses are the linker's).
  std::wstring Ask(std::int64_t row, std::int64_t column, std::int64_t* result = nullptr) {
    CellEvent record;
    record.row = row;
    record.column = column;
    record.x1 = 250;
    record.backColour = record.textColour = -1;
    const std::int64_t answer = Grid().list->Raise(GridEvent::TooltipQuery, record);
    if (result) *result = answer;
    if (answer == 0) return {};
    EXPECT_EQ(record.value, 1) << "the information icon";
    EXPECT_EQ(record.x1, kRowTipWidth);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(Grid().listWindow, WM_GETFONT, 0, 0));
    EXPECT_NE(font, nullptr);
    EXPECT_EQ(record.font, font);
    return std::regex_replace(record.text, std::wregex(L"\r\nRVA: 0x[0-9A-F]{8}"), L"");
  }

  testing::ScriptedPrompts prompts;
};

TEST_F(FunctionTips, EveryKindOfExportThroughTheGridsCallback) {
  const std::wstring x86Count = kX86Edition ? L"\r\nparameters: 3" : L"";
  const struct {
    const wchar_t* library;
    std::int64_t row;
    std::wstring tip;
  } cases[] = {
      {L"decorated.dll", 1,
       L"?Method@Widget@@QEAAHH@Z\apublic: int __cdecl Widget::Method(int)\r\nordinal: 0x0002\r\nparameters: 1 + this"},
      {L"decorated.dll", 5, L"_StdFunc@12\aordinal: 0x0006" + x86Count},
      {L"decorated.dll", 3, L"PlainName\aordinal: 0x0004"},
      {L"cpp_exports.dll", 13,
       L"_ZNK2Vt7Archive4ReadEPvj\aVt::Archive::Read(void*, unsigned int) const\r\nordinal: 0x000E\r\n"
       L"parameters: 2 + this"},
      {L"forwarders.dll", 2, L"AllocateHeap\aordinal: 0x0003\r\nforwarded to NTDLL.RtlAllocateHeap"},
      {L"forwarders.dll", 5, L"(no name)\aordinal: 0x0006\r\nno name: exported by ordinal only"},
      {L"gaps.dll", 1, L"(no name)\aordinal: 0x0002\r\nempty slot: no address"},
      {L"ansi_names.dll", 3, L"Preis\u20AC\aordinal: 0x0004"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8FromUtf16(ToU16(std::wstring(c.library) + L" row " + std::to_wstring(c.row))));
    LoadLibraryFile(OwnTestData(c.library));
    RefreshMainView();
    ASSERT_GT(Grid().GetRowCount(), c.row);
    EXPECT_EQ(Ask(c.row, 2), c.tip);
    EXPECT_EQ(Ask(c.row, 1), c.tip) << "the alias tells about the same export";
    for (std::int64_t column : {-1, 0, 3, 4, 5}) {
      std::int64_t result = -1;
      EXPECT_EQ(Ask(c.row, column, &result), L"") << column;
      EXPECT_EQ(result, 0) << column;
    }
  }
  // Past the last row, and once the library is released, nothing is left to tell.
  EXPECT_EQ(Ask(Grid().GetRowCount(), 2), L"");
  ReleaseLibrary();
  EXPECT_FALSE(App().Exports.has_value());
}

// A project's rows are found by name, in any order; a name the library no
// longer has tells only what its decoration says, and an unnamed row nothing.
TEST_F(FunctionTips, ProjectRowsAreFoundByName) {
  const std::wstring library = OwnTestData(L"decorated.dll");
  FunctionList rows;
  for (const char16_t* name : {u"_StdFunc@12", u"?Method@Widget@@QEAAHH@Z", u"", u"_Gone@16"})
    rows.push_back(MakeFunctionEntry(name));
  testing::TempFolder folder;
  const std::string text = WriteProjectText(ToU16(library), ToU16(FileFingerprint(library)), rows);
  const std::wstring project = folder.Write(L"tips.prj", std::vector<unsigned char>(text.begin(), text.end()));
  ASSERT_EQ(LoadProject(project), LoadProjectResult::Loaded);
  RefreshMainView();
  EXPECT_FALSE(App().Exports.has_value()) << "a project's library is walked on the first tip, not when it opens";
  ASSERT_EQ(Grid().GetRowCount(), 4);
  EXPECT_EQ(Ask(0, 2), L"_StdFunc@12\aordinal: 0x0006" + std::wstring(kX86Edition ? L"\r\nparameters: 3" : L""));
  EXPECT_EQ(Ask(1, 1),
            L"?Method@Widget@@QEAAHH@Z\apublic: int __cdecl Widget::Method(int)\r\nordinal: 0x0002\r\nparameters: 1 + this");
  EXPECT_EQ(Ask(2, 2), L"");
  EXPECT_EQ(Ask(3, 2), kX86Edition ? L"_Gone@16\aparameters: 4" : L"");
  EXPECT_TRUE(prompts.messages.empty());
}

}  // namespace
}  // namespace vantorel
