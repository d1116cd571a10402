#include "editor/preview_editor_win32.h"

#include "platform/dpi.h"
#include "platform/text_win32.h"
#include "editor/editor_state.h"
#include "editor/editor_win32.h"
#include "editor/highlighter_win32.h"

namespace vantorel {

std::wstring PreviewEditorFont() {
  // RtlGetVersion tells the truth whatever the manifest claims to support.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  const auto get = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  if (!get || get(&version) != 0) return ToWide(EditorFontForVersion(0, 0));
  return ToWide(EditorFontForVersion(version.dwPlatformId, version.dwMajorVersion));
}

namespace {

// The margins at 96 DPI: room beside the line numbers, the fold margin.
constexpr int kLineNumberSpacing = 10;
constexpr int kFoldMarginWidth = 24;

}  // namespace

void ScalePreviewEditor(int dpi) {
  constexpr int n = kPreviewEditor;
  SetEditorDpi(n, dpi);
  SetLineNumberSpacing(n, Scale(kLineNumberSpacing, dpi));
  SetEditorMarginWidth(n, 2, Scale(kFoldMarginWidth, dpi));
}

HWND SetupPreviewEditor(HWND page, int margin, int width, int height, int dpi) {
  constexpr int n = kPreviewEditor;
  SetEditorLexer(HighlighterLexer());
  HWND window = CreateEditor(n, page, margin, margin, width, height, kEditorAutoMarginWidth);
  if (!window) return nullptr;
  ScalePreviewEditor(dpi);
  SetEditorColour(n, EditorColourKind::CaretLine, 0xFCFEDB);
  SetEditorColour(n, EditorColourKind::Background, 0xDFFFFF);
  SetEditorFont(n, PreviewEditorFont(), 10);
  SetEditorTabs(n, 2, 0);

  constexpr int kBold = 0x100, kItalic = 0x200;
  SetEditorStyle(n, 1, L"", -1, kBold);
  SetEditorStyleColours(n, 1, 0x800000, -1);  // keywords: navy
  SetEditorStyle(n, 2, L"", -1, kItalic);
  SetEditorStyleColours(n, 2, 0x006400, -1);  // comments: dark green
  SetEditorStyleColours(n, 3, 0x737373, -1);  // strings: grey
  SetEditorStyleColours(n, 4, 0x0000FF, -1);  // numbers: red
  SetEditorStyleColours(n, 5, 0x3A34AE, -1);  // constants: crimson
  SetEditorStyle(n, 5, L"", -1, kBold);
  SetEditorStyleColours(n, 6, 0xFF0000, -1);  // calls: blue

  AddEditorCharClass(n, L";", L"", KW_TO_LINE_END, 2);
  AddEditorCharClass(n, L"\"", L"\"", KW_DELIMITED, 3);
  AddEditorCharClass(n, L"#", L"", KW_PREFIX, 5);
  AddEditorCharClass(n, L"(", L"", KW_CALL_MARK, 6);
  AddEditorCharClass(n, L")", L"", 0, 6);

  AddEditorKeywords(n,
                    L"Debug End If ElseIf Else EndIf For Global To Next Step Protected Prototype PrototypeC "
                    L"ProcedureReturn",
                    1, 0);
  AddEditorKeywords(n, L"Procedure Macro", 1, KW_FOLD_OPEN);
  AddEditorKeywords(n, L"EndProcedure EndMacro", 1, KW_FOLD_CLOSE);
  SetEditorDelimiters(n, L"=+-*/%()[],.");
  SetEditorNumberStyle(n, 4);
  SetEditorReadOnly(n, 1);
  return window;
}

}  // namespace vantorel
