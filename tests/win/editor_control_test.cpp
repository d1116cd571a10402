// The editor operations on real Scintilla controls from the mapped
// component: creation, margins, text in and out, the registry, and the
// behaviour on editors that do not exist.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "editor/editor_component_win32.h"
#include "editor/editor_win32.h"
#include "editor_host.h"

namespace vantorel {
namespace {

using testing::ClassExists;
using testing::TestHost;

constexpr int kEditor = 7;

LRESULT Sci(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendMessageW(GetEditorWindow(kEditor), message, wParam, lParam);
}

LRESULT TextWidth(int style, const char* sample) {
  return Sci(SCI_TEXTWIDTH, style, reinterpret_cast<LPARAM>(sample));
}

// What reaches the lexer seam.
struct LexerLog {
  struct Restyle {
    int number;
    std::int64_t first, last, end;
  };
  std::vector<Restyle> restyles;
  std::vector<std::pair<int, unsigned>> notifications;
};
LexerLog& Log() {
  static LexerLog log;
  return log;
}
void RecordRestyle(int number, std::int64_t first, std::int64_t last, std::int64_t end) {
  Log().restyles.push_back({number, first, last, end});
}
void RecordNotification(int number, const SCNotification& n) { Log().notifications.push_back({number, n.nmhdr.code}); }

class EditorControl : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(MapEditorComponent()); }
  static void TearDownTestSuite() {
    FreeEditor(kEditor);
    ReleaseEditorComponent();
  }
  void SetUp() override {
    Log() = {};
    SetEditorLexer({RecordRestyle, RecordNotification});
    ASSERT_NE(CreateEditor(kEditor, TestHost(), 0, 0, 500, 300, kEditorAutoMarginWidth), nullptr);
  }
  void TearDown() override {
    FreeEditor(kEditor);
    SetEditorLexer({});
  }
};

// Every message the creation sends to the control, in order.
struct SentMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const SentMessage&) const = default;
};
std::vector<std::pair<HWND, SentMessage>>& Sent() {
  static std::vector<std::pair<HWND, SentMessage>> sent;
  return sent;
}
LRESULT CALLBACK RecordSent(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message >= 2000 && call->message < 5000) {
    Sent().push_back({call->hwnd, {call->message, call->wParam, call->lParam}});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(EditorControl, CreationSendsItsSetupInOrder) {
  FreeEditor(kEditor);
  Sent().clear();
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, RecordSent, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  HWND window = CreateEditor(kEditor, TestHost(), 0, 0, 500, 300, kEditorAutoMarginWidth);
  UnhookWindowsHookEx(hook);
  ASSERT_NE(window, nullptr);
  std::vector<SentMessage> sent;
  for (const auto& [hwnd, m] : Sent()) {
    if (hwnd == window) sent.push_back(m);
  }
  const LPARAM white = 0xFFFFFF;
  std::vector<SentMessage> expected = {
      {SCI_SETCODEPAGE, SC_CP_UTF8, 0},
      {SCI_SETILEXER, 0, 0},
      {SCI_SETMARGINWIDTHN, 1, 0},
      {SCI_SETMARGINSENSITIVEN, 2, 1},
      {SCI_SETMARGINMASKN, 2, 0xFE000000},
      {SCI_MARKERDEFINE, 31, SC_MARK_BOXMINUS}, {SCI_MARKERSETFORE, 31, white}, {SCI_MARKERSETBACK, 31, 0},
      {SCI_MARKERDEFINE, 30, SC_MARK_BOXPLUS}, {SCI_MARKERSETFORE, 30, white}, {SCI_MARKERSETBACK, 30, 0},
      {SCI_MARKERDEFINE, 29, SC_MARK_VLINE}, {SCI_MARKERSETBACK, 29, 0},
      {SCI_MARKERDEFINE, 28, SC_MARK_LCORNER}, {SCI_MARKERSETBACK, 28, 0},
      {SCI_MARKERDEFINE, 25, SC_MARK_BOXPLUSCONNECTED}, {SCI_MARKERSETBACK, 25, 0}, {SCI_MARKERSETFORE, 25, white},
      {SCI_MARKERDEFINE, 26, SC_MARK_BOXMINUSCONNECTED}, {SCI_MARKERSETBACK, 26, 0}, {SCI_MARKERSETFORE, 26, white},
      {SCI_MARKERDEFINE, 27, SC_MARK_TCORNER}, {SCI_MARKERSETBACK, 27, 0},
      {SCI_STYLECLEARALL, 0, 0},
      {SCI_GETLINECOUNT, 0, 0},
  };
  ASSERT_GE(sent.size(), expected.size() + 6);
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(sent[i], expected[i]) << "message " << i;
  // The margin is measured with "9" in the line-number style, then set.
  EXPECT_EQ(sent[expected.size()].message, static_cast<UINT>(SCI_TEXTWIDTH));
  EXPECT_EQ(sent[expected.size()].wParam, static_cast<WPARAM>(STYLE_LINENUMBER));
  const LPARAM width = TextWidth(STYLE_LINENUMBER, "9") + 10;
  const std::vector<SentMessage> tail = {
      {SCI_SETMARGINWIDTHN, 0, width},
      {SCI_AUTOCSETIGNORECASE, 1, 0},
      {SCI_CALLTIPUSESTYLE, 0, 0},
      {SCI_SETMARGINMASKN, 1, 1},
      {SCI_MARKERDEFINE, 0, SC_MARK_SHORTARROW},
  };
  ASSERT_EQ(sent.size(), expected.size() + 1 + tail.size());
  for (std::size_t i = 0; i < tail.size(); ++i) EXPECT_EQ(sent[expected.size() + 1 + i], tail[i]);
  EXPECT_EQ(Sci(SCI_GETTECHNOLOGY), SC_TECHNOLOGY_DEFAULT) << "GDI: Wine's DirectWrite measures nothing";
  ASSERT_NE(CreateEditor(kEditor, TestHost(), 0, 0, 500, 300, kEditorCaseSensitive), nullptr);
  EXPECT_EQ(Sci(SCI_AUTOCGETIGNORECASE), 0) << "a case-sensitive editor completes by case";
}

TEST_F(EditorControl, LineNumberMarginFollowsTheDigitCount) {
  SetLineNumberSpacing(kEditor, 10);
  SetEditorText(kEditor, L"1\n2\n3\n4\n5\n6\n7\n8\n9", 1);
  ASSERT_EQ(GetEditorLineCount(kEditor), 9);
  const LRESULT nine = Sci(SCI_GETMARGINWIDTHN, 0);
  EXPECT_EQ(nine, TextWidth(STYLE_LINENUMBER, "9") + 20);
  SetEditorText(kEditor, L"1\n2\n3\n4\n5\n6\n7\n8\n9\n10", 1);
  const LRESULT ten = Sci(SCI_GETMARGINWIDTHN, 0);
  EXPECT_EQ(ten, TextWidth(STYLE_LINENUMBER, "99") + 20);
  EXPECT_GT(ten, nine);

  // A modification that adds lines grows the margin at once.
  SetEditorText(kEditor, L"1\n2\n3\n4\n5\n6\n7\n8\n9", 1);
  ASSERT_EQ(Sci(SCI_GETMARGINWIDTHN, 0), nine);
  Sci(SCI_APPENDTEXT, 2, reinterpret_cast<LPARAM>("\nx"));
  EXPECT_EQ(Sci(SCI_GETMARGINWIDTHN, 0), ten);

  SetLineNumberSpacing(kEditor, -5);
  EXPECT_EQ(Sci(SCI_GETMARGINWIDTHN, 0), ten) << "negative spacing is ignored";
  SetLineNumberSpacing(kEditor, 0);
  EXPECT_EQ(Sci(SCI_GETMARGINWIDTHN, 0), ten - 10);
  SetEditorMarginWidth(kEditor, 0, 3);
  EXPECT_EQ(Sci(SCI_GETMARGINWIDTHN, 0), ten - 10) << "an automatic margin is not set by hand";
  SetEditorMarginWidth(kEditor, 2, 24);
  EXPECT_EQ(Sci(SCI_GETMARGINWIDTHN, 2), 24);
  SetEditorMarginWidth(kEditor, 2, -4);
  EXPECT_EQ(Sci(SCI_GETMARGINWIDTHN, 2), 0);
  // A larger line-number font widens the margin.
  SetEditorStyle(kEditor, STYLE_LINENUMBER, L"", 20, -1);
  EXPECT_EQ(Sci(SCI_GETMARGINWIDTHN, 0), TextWidth(STYLE_LINENUMBER, "99") + 10);
  EXPECT_GT(Sci(SCI_GETMARGINWIDTHN, 0), ten - 10);

  // Without the automatic width margin 0 is the caller's.
  ASSERT_NE(CreateEditor(kEditor, TestHost(), 0, 0, 500, 300, 0), nullptr);
  SetEditorMarginWidth(kEditor, 0, 33);
  SetEditorText(kEditor, std::wstring(120, L'\n'), 1);
  EXPECT_EQ(Sci(SCI_GETMARGINWIDTHN, 0), 33);
}

TEST_F(EditorControl, LinesComeWithoutTheirEnds) {
  SetEditorText(kEditor, L"abc\r\ndef\n", 0);
  ASSERT_EQ(GetEditorLineCount(kEditor), 3);
  EXPECT_EQ(GetEditorLine(kEditor, 0), L"abc");
  EXPECT_EQ(GetEditorLine(kEditor, 1), L"def");
  EXPECT_EQ(GetEditorLine(kEditor, 2), L"") << "the empty last line";
  EXPECT_EQ(GetEditorLine(kEditor, 3), L"") << "the line count is past the end";
  EXPECT_EQ(GetEditorLine(kEditor, -1), L"");
  SetEditorText(kEditor, L"", 0);
  EXPECT_EQ(GetEditorLineCount(kEditor), 1);
  EXPECT_EQ(GetEditorText(kEditor), L"");
  EXPECT_EQ(GetEditorLine(kEditor, 0), L"");
}

TEST_F(EditorControl, NonAsciiTextSurvivesAsUtf8) {
  const std::wstring text = L"Grüße, Ελληνικά, 日本語\nemoji \U0001F600 und €\n";
  SetEditorText(kEditor, text, 1);
  EXPECT_EQ(GetEditorText(kEditor), text);
  EXPECT_EQ(GetEditorLine(kEditor, 1), L"emoji \U0001F600 und €");
  const int utf8 = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                       nullptr);
  EXPECT_EQ(Sci(SCI_GETLENGTH), utf8) << "the document holds UTF-8";
}

TEST_F(EditorControl, ReadOnlyAndUndo) {
  SetEditorText(kEditor, L"first", 0);
  EXPECT_EQ(Sci(SCI_CANUNDO), 1) << "the history is kept unless reset";
  SetEditorText(kEditor, L"second", 1);
  EXPECT_EQ(Sci(SCI_CANUNDO), 0);
  SetEditorReadOnly(kEditor, 1);
  EXPECT_EQ(Sci(SCI_GETREADONLY), 1);
  SetEditorText(kEditor, L"third", 0);
  EXPECT_EQ(GetEditorText(kEditor), L"second") << "a read-only document keeps its text";
  SetEditorReadOnly(kEditor, 0);
  SetEditorText(kEditor, L"third", 0);
  EXPECT_EQ(GetEditorText(kEditor), L"third");
}

TEST_F(EditorControl, LexerRestylesOnRealChangesAndHearsTheControl) {
  EXPECT_EQ(AddEditorKeywords(kEditor, L"Debug If", 1, 0), 2);
  EXPECT_EQ(AddEditorKeywords(kEditor, L"   ", 1, 0), 0);
  EXPECT_EQ(AddEditorCharClass(kEditor, L"\"", L"", KW_DELIMITED, 3), 0) << "refused without closing text";
  EXPECT_EQ(AddEditorCharClass(kEditor, L"\"", L"\"", KW_DELIMITED, 3), 1);
  SetEditorDelimiters(kEditor, L"=+");
  SetEditorDelimiters(kEditor, L"=+");
  SetEditorNumberStyle(kEditor, 4);
  SetEditorNumberStyle(kEditor, 4);
  SetEditorText(kEditor, L"x", 0);
  ASSERT_EQ(Log().restyles.size(), 5u) << "keywords, char class, delimiters, number style, text";
  for (const auto& r : Log().restyles) {
    EXPECT_EQ(r.number, kEditor);
    EXPECT_EQ(r.first, 0);
    EXPECT_EQ(r.last, -1);
    EXPECT_EQ(r.end, -1);
  }
  EXPECT_EQ(RegisterKeywords(kEditor, L"Else", 1, 0), 1);
  EXPECT_EQ(Log().restyles.size(), 5u) << "plain registration does not restyle";

  EXPECT_EQ(GetEditorState(kEditor)->delimiters, u"=+");
  EXPECT_EQ(GetEditorState(kEditor)->numberStyle, 4);
  const KeywordEntry* debug = FindEditorKeyword(kEditor, L"DEBUG");
  ASSERT_NE(debug, nullptr);
  AddEditorKeywords(kEditor, L"debug", 5, KW_FOLD_OPEN);
  EXPECT_EQ(debug->flags, KW_FOLD_OPEN);
  EXPECT_EQ(debug->name, u"debug");
  EXPECT_EQ(FindEditorKeyword(kEditor, L"\"")->closing, '"');
  // The control's reports reach the lexer with the editor's number.
  ASSERT_FALSE(Log().notifications.empty());
  for (const auto& [number, code] : Log().notifications) EXPECT_EQ(number, kEditor);
  EXPECT_NE(std::find(Log().notifications.begin(), Log().notifications.end(), std::pair<int, unsigned>{kEditor, SCN_MODIFIED}),
            Log().notifications.end());
}

TEST_F(EditorControl, SettersThatTakeMinusOneOrFlags) {
  SetEditorColour(kEditor, EditorColourKind::CaretLine, 0x123456);
  EXPECT_EQ(Sci(SCI_GETCARETLINEBACK), 0x123456);
  SetEditorColour(kEditor, EditorColourKind::CaretLine, -1);
  EXPECT_EQ(Sci(SCI_GETCARETLINEVISIBLE), 0);
  SetEditorStyleColours(kEditor, 9, -1, 0x000011);
  EXPECT_EQ(Sci(SCI_STYLEGETFORE, 9), 0) << "-1 leaves the foreground";
  EXPECT_EQ(Sci(SCI_STYLEGETBACK, 9), 0x000011);
  SetEditorStyle(kEditor, 9, L"Courier New", 14, 0x100 | 0x200 | 4);
  SetEditorStyle(kEditor, 9, L"", -1, 0x200);
  EXPECT_EQ(Sci(SCI_STYLEGETBOLD, 9) + Sci(SCI_STYLEGETUNDERLINE, 9), 0) << "the three flags always go together";
  EXPECT_EQ(Sci(SCI_STYLEGETITALIC, 9), 1);
  EXPECT_EQ(Sci(SCI_STYLEGETSIZE, 9), 14);
  SetEditorTabs(kEditor, 3, 1);
  EXPECT_EQ(Sci(SCI_GETTABWIDTH), 3);
  EXPECT_EQ(Sci(SCI_GETUSETABS), 0);
}

TEST_F(EditorControl, DestroyedWindowTakesItsStateAlong) {
  HWND window = GetEditorWindow(kEditor);
  DestroyWindow(window);
  EXPECT_EQ(GetEditorWindow(kEditor), nullptr);
  EXPECT_EQ(GetEditorState(kEditor), nullptr);
  EXPECT_EQ(GetEditorLineCount(kEditor), 0);
  // The host no longer forwards anything for it and a new editor works.
  ASSERT_NE(CreateEditor(kEditor, TestHost(), 0, 0, 200, 100, kEditorAutoMarginWidth), nullptr);
  SetEditorText(kEditor, L"again", 0);
  EXPECT_EQ(GetEditorText(kEditor), L"again");
}

// Every operation on a number that denotes no editor does nothing.
void ExpectNothingHappens(int number) {
  EXPECT_EQ(GetEditorWindow(number), nullptr);
  EXPECT_EQ(GetEditorState(number), nullptr);
  SetEditorText(number, L"text", 1);
  EXPECT_EQ(GetEditorText(number), L"");
  EXPECT_EQ(GetEditorLine(number, 0), L"");
  EXPECT_EQ(GetEditorLineCount(number), 0);
  EXPECT_EQ(AddEditorKeywords(number, L"Debug", 1, 0), 0);
  EXPECT_EQ(AddEditorCharClass(number, L";", L"", KW_TO_LINE_END, 2), 0);
  EXPECT_EQ(RegisterKeywords(number, L"If", 1, 0), 0);
  EXPECT_EQ(FindEditorKeyword(number, L"Debug"), nullptr);
  SetEditorReadOnly(number, 1);
  SetEditorDelimiters(number, L"=");
  SetEditorNumberStyle(number, 4);
  SetLineNumberSpacing(number, 10);
  SetEditorMarginWidth(number, 2, 24);
  SetEditorColour(number, EditorColourKind::CaretLine, 0xFCFEDB);
  SetEditorColour(number, EditorColourKind::Background, 0xDFFFFF);
  SetEditorFont(number, L"Consolas", 10);
  SetEditorStyle(number, 1, L"Consolas", 10, 0x100);
  SetEditorStyleColours(number, 1, 0x800000, -1);
  SetEditorTabs(number, 2, 0);
  UpdateLineNumberMargin(number);
  FreeEditor(number);
}

TEST_F(EditorControl, OperationsOnAMissingEditorDoNothing) {
  Log() = {};
  ExpectNothingHappens(kEditor + 1);
  FreeEditor(kEditor);
  ExpectNothingHappens(kEditor);
  EXPECT_TRUE(Log().restyles.empty());
}

TEST(EditorWithoutComponent, NoClassNoEditor) {
  ASSERT_FALSE(ClassExists(L"Scintilla"));
  EXPECT_EQ(CreateEditor(kEditor, TestHost(), 0, 0, 100, 100, kEditorAutoMarginWidth), nullptr);
  ExpectNothingHappens(kEditor);
}

}  // namespace
}  // namespace vantorel
