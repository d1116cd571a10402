// The container lexer in a real control: styles and fold levels as the
// control stores them, styling on request, fold-margin clicks and lines the
// control needs shown.
#include "editor/highlighter.h"

#include <gtest/gtest.h>

#include <string>

#include "editor/editor_component_win32.h"
#include "editor/editor_win32.h"
#include "editor/preview_editor_win32.h"
#include "editor_host.h"

namespace vantorel {
namespace {

using testing::TestHost;

LRESULT Sci(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendMessageW(GetEditorWindow(kPreviewEditor), message, wParam, lParam);
}

std::string StylesOf(LRESULT from, LRESULT to) {
  std::string out;
  for (LRESULT p = from; p < to; ++p) out.push_back(static_cast<char>('0' + Sci(SCI_GETSTYLEAT, p)));
  return out;
}

constexpr wchar_t kSource[] =
    L"Procedure A()\n  x = GetFunction(h, \"a\")\nEndProcedure\n"
    L"Procedure B() ; #2\n  Macro M\n    y.5\n  EndMacro\nEndProcedure\n";

class Highlight : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(MapEditorComponent());
    ASSERT_NE(SetupPreviewEditor(TestHost(), 600, 400), nullptr);
  }
  static void TearDownTestSuite() {
    FreeEditor(kPreviewEditor);
    ReleaseEditorComponent();
    SetEditorLexer({});
  }
  void SetUp() override {
    SetEditorReadOnly(kPreviewEditor, 0);
    SetEditorText(kPreviewEditor, kSource, 0);
    SetEditorReadOnly(kPreviewEditor, 1);
    ASSERT_EQ(Sci(SCI_GETLINECOUNT), 9);
  }
  static LRESULT LineStart(int line) { return Sci(SCI_POSITIONFROMLINE, line); }
  static void ClickFoldMargin(int line) {
    const int x = static_cast<int>(Sci(SCI_GETMARGINWIDTHN, 0)) + 6;
    const int y = static_cast<int>(Sci(SCI_TEXTHEIGHT, 0)) * line + 3;
    Sci(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    Sci(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }
};

TEST_F(Highlight, StyledAndFoldedWhenSetAndOnRequest) {
  EXPECT_EQ(StylesOf(LineStart(1), LineStart(2)), "00000066666666666600033360");
  EXPECT_EQ(StylesOf(LineStart(5), LineStart(6)), "00000440");
  constexpr int B = kFoldLevelBase, H = kFoldLevelHeaderFlag;
  const int expected[] = {B | H, B + 1, B + 1, B | H, (B + 1) | H, B + 2, B + 2, B + 1, B};
  for (int line = 0; line < 9; ++line) EXPECT_EQ(Sci(SCI_GETFOLDLEVEL, line), expected[line]) << "line " << line;

  // Unstyle everything, then let the control ask up to the middle of a word.
  const LRESULT length = Sci(SCI_GETLENGTH);
  Sci(SCI_STARTSTYLING, 0);
  Sci(SCI_SETSTYLING, length, 0);
  Sci(SCI_STARTSTYLING, 0);
  const LRESULT end = LineStart(3) + 5;  // inside "Procedure"
  Sci(SCI_COLOURISE, 0, end);
  EXPECT_EQ(Sci(SCI_GETENDSTYLED), end);
  EXPECT_EQ(StylesOf(LineStart(2), LineStart(3) + 7),
            "1111111111110"
            "0000000");
  Sci(SCI_COLOURISE, 0, -1);
  EXPECT_EQ(Sci(SCI_GETENDSTYLED), length);
  EXPECT_EQ(StylesOf(LineStart(3), LineStart(4)), "1111111110666022220");
  EXPECT_EQ(Sci(SCI_GETFOLDLEVEL, 4), (B + 1) | H);
}

TEST_F(Highlight, FoldMarginClicksToggleHeadersOnly) {
  ClickFoldMargin(1);  // no header: nothing folds
  EXPECT_EQ(Sci(SCI_GETFOLDEXPANDED, 0), 1);
  EXPECT_EQ(Sci(SCI_GETLINEVISIBLE, 1), 1);
  ClickFoldMargin(0);
  EXPECT_EQ(Sci(SCI_GETFOLDEXPANDED, 0), 0);
  EXPECT_EQ(Sci(SCI_GETLINEVISIBLE, 1), 0);
  EXPECT_EQ(Sci(SCI_GETLINEVISIBLE, 3), 1);
  ClickFoldMargin(0);
  EXPECT_EQ(Sci(SCI_GETFOLDEXPANDED, 0), 1);
  EXPECT_EQ(Sci(SCI_GETLINEVISIBLE, 1), 1);
}

TEST_F(Highlight, LinesTheControlNeedsShown) {
  Sci(SCI_FOLDLINE, 3, SC_FOLDACTION_CONTRACT);
  Sci(SCI_FOLDLINE, 4, SC_FOLDACTION_CONTRACT);
  ASSERT_EQ(Sci(SCI_GETLINEVISIBLE, 4), 0);
  ASSERT_EQ(Sci(SCI_GETLINEVISIBLE, 5), 0);
  SCNotification n{};
  n.nmhdr.hwndFrom = GetEditorWindow(kPreviewEditor);
  n.nmhdr.code = SCN_NEEDSHOWN;
  n.position = LineStart(4) + 2;
  n.length = 0;
  SendMessageW(TestHost(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
  EXPECT_EQ(Sci(SCI_GETLINEVISIBLE, 4), 1);
  // Line 4 heads a deeper block, so its first inner line is shown with it.
  EXPECT_EQ(Sci(SCI_GETLINEVISIBLE, 5), 1);
  Sci(SCI_FOLDALL, SC_FOLDACTION_EXPAND);
}

}  // namespace
}  // namespace vantorel
