// The preview editor as set up for the Preview page: the style table and the
// registry read back from the control, and what it draws.
#include <gtest/gtest.h>

#include <cwchar>
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

class PreviewEditor : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(MapEditorComponent());
    ASSERT_NE(SetupPreviewEditor(TestHost(), 600, 400), nullptr);
  }
  static void TearDownTestSuite() {
    FreeEditor(kPreviewEditor);
    ReleaseEditorComponent();
  }
};

TEST_F(PreviewEditor, StylesMarginsAndModesAsReadFromTheControl) {
  struct Row {
    int style;
    int fore;
    int bold;
    int italic;
  };
  const Row table[] = {
      {0, 0x000000, 0, 0}, {1, 0x800000, 1, 0}, {2, 0x006400, 0, 1}, {3, 0x737373, 0, 0},
      {4, 0x0000FF, 0, 0}, {5, 0x3A34AE, 1, 0}, {6, 0xFF0000, 0, 0},
  };
  const std::wstring wide = PreviewEditorFont();
  const std::string font(wide.begin(), wide.end());
  for (const Row& r : table) {
    SCOPED_TRACE("style " + std::to_string(r.style));
    EXPECT_EQ(Sci(SCI_STYLEGETFORE, r.style), r.fore);
    EXPECT_EQ(Sci(SCI_STYLEGETBACK, r.style), 0xDFFFFF);
    EXPECT_EQ(Sci(SCI_STYLEGETBOLD, r.style), r.bold);
    EXPECT_EQ(Sci(SCI_STYLEGETITALIC, r.style), r.italic);
    EXPECT_EQ(Sci(SCI_STYLEGETUNDERLINE, r.style), 0);
    EXPECT_EQ(Sci(SCI_STYLEGETSIZE, r.style), 10);
    char name[64] = {};
    Sci(SCI_STYLEGETFONT, r.style, reinterpret_cast<LPARAM>(name));
    EXPECT_EQ(std::string(name), font);
  }
  EXPECT_EQ(Sci(SCI_STYLEGETBACK, STYLE_DEFAULT), 0xDFFFFF);
  // Wine reports Windows 7 by default.
  EXPECT_EQ(font, "Consolas");

  EXPECT_EQ(Sci(SCI_GETMARGINWIDTHN, 0),
            Sci(SCI_TEXTWIDTH, STYLE_LINENUMBER, reinterpret_cast<LPARAM>("9")) + 20);
  EXPECT_EQ(Sci(SCI_GETMARGINWIDTHN, 1), 0);
  EXPECT_EQ(Sci(SCI_GETMARGINWIDTHN, 2), 24);
  EXPECT_EQ(Sci(SCI_GETCARETLINEVISIBLE), 1);
  EXPECT_EQ(Sci(SCI_GETCARETLINEBACK), 0xFCFEDB);
  EXPECT_EQ(Sci(SCI_GETTABWIDTH), 2);
  EXPECT_EQ(Sci(SCI_GETUSETABS), 1);
  EXPECT_EQ(Sci(SCI_GETREADONLY), 1);
  RECT rect{};
  GetWindowRect(GetEditorWindow(kPreviewEditor), &rect);
  EXPECT_EQ(rect.right - rect.left, 600);
  EXPECT_EQ(rect.bottom - rect.top, 400);
}

TEST_F(PreviewEditor, RegistryForTheHighlighter) {
  const EditorState* state = GetEditorState(kPreviewEditor);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->delimiters, u"=+-*/%()[],.");
  EXPECT_EQ(state->numberStyle, 4);
  EXPECT_EQ(state->flags, kEditorAutoMarginWidth);
  struct Expected {
    const wchar_t* word;
    int style;
    std::uint64_t flags;
    unsigned char closing;
  };
  const Expected expected[] = {
      {L";", 2, KW_TO_LINE_END, 0},     {L"\"", 3, KW_DELIMITED, '"'},   {L"#", 5, KW_PREFIX, 0},
      {L"(", 6, KW_CALL_MARK, 0},       {L")", 6, 0, 0},                 {L"protected", 1, 0, 0},
      {L"PROTOTYPEC", 1, 0, 0},         {L"ProcedureReturn", 1, 0, 0},   {L"procedure", 1, KW_FOLD_OPEN, 0},
      {L"MACRO", 1, KW_FOLD_OPEN, 0},   {L"EndProcedure", 1, KW_FOLD_CLOSE, 0},
      {L"endmacro", 1, KW_FOLD_CLOSE, 0},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(std::string(e.word, e.word + std::wcslen(e.word)));
    const KeywordEntry* entry = FindEditorKeyword(kPreviewEditor, e.word);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->style, e.style);
    EXPECT_EQ(entry->flags, e.flags);
    EXPECT_EQ(entry->closing, e.closing);
  }
  EXPECT_EQ(state->keywords.size(), 5u + 15u + 2u + 2u);
  EXPECT_EQ(FindEditorKeyword(kPreviewEditor, L"debug")->name, u"Debug");
  EXPECT_EQ(FindEditorKeyword(kPreviewEditor, L"OpenLibrary"), nullptr);
}

TEST_F(PreviewEditor, DrawsTextOnItsBackground) {
  SetEditorReadOnly(kPreviewEditor, 0);
  SetEditorText(kPreviewEditor, L"Procedure Demo()\n  Debug 42\nEndProcedure\n", 0);
  SetEditorReadOnly(kPreviewEditor, 1);
  EXPECT_EQ(GetEditorText(kPreviewEditor), L"Procedure Demo()\n  Debug 42\nEndProcedure\n");
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 600, 400);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(GetEditorWindow(kPreviewEditor), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  const int lineHeight = static_cast<int>(Sci(SCI_TEXTHEIGHT, 0));
  const int textX = static_cast<int>(Sci(SCI_GETMARGINWIDTHN, 0) + Sci(SCI_GETMARGINWIDTHN, 2)) + 300;
  // The caret line shows only while the control has the focus, which a
  // hidden test window never gets.
  EXPECT_EQ(GetPixel(dc, textX, lineHeight / 2), static_cast<COLORREF>(0xDFFFFF));
  EXPECT_EQ(GetPixel(dc, textX, lineHeight * 6), static_cast<COLORREF>(0xDFFFFF));
  // Glyphs are drawn with a measured width: the first line is inked.
  int inked = 0;
  for (int x = static_cast<int>(Sci(SCI_GETMARGINWIDTHN, 0)) + 30; x < textX; ++x) {
    for (int y = 0; y < lineHeight; ++y) inked += GetPixel(dc, x, y) != 0xDFFFFF;
  }
  EXPECT_GT(inked, 20);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

}  // namespace
}  // namespace vantorel
