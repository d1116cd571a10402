#pragma once
// Source editor controls: one Scintilla window per editor number, carrying
// its EditorState. An operation given a number that denotes no editor does
// nothing and returns 0 or the empty string. Text crosses this interface as
// UTF-16; the document inside the control is UTF-8.
#include <windows.h>

#include <Scintilla.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "editor/editor_state.h"

namespace vantorel {

// The preview pane's editor.
inline constexpr int kPreviewEditor = 1;

// The colouring side of the editors. The highlighter installs itself here;
// until then text stays unstyled and notifications only keep the
// line-number margin right.
struct EditorLexer {
  // Restyles lines first..last (-1 = the last line) up to a document
  // position (-1 = no limit).
  void (*restyleLines)(int number, std::int64_t first, std::int64_t last, std::int64_t end) = nullptr;
  // Every notification the control sends to its parent.
  void (*handleNotification)(int number, const SCNotification& notification) = nullptr;
};
void SetEditorLexer(const EditorLexer& lexer);

// Creates editor `number` (replacing one of that number) as a child of
// parent and configures it; the window, or null when the class "Scintilla"
// is missing or the window cannot be made. Flags: kEditorAutoMarginWidth,
// kEditorCaseSensitive.
HWND CreateEditor(int number, HWND parent, int x, int y, int width, int height, int flags);
// Destroys the control; its state goes with it.
void FreeEditor(int number);

// The window and the state of an editor, or null (for layout and for the
// highlighter).
HWND GetEditorWindow(int number);
EditorState* GetEditorState(int number);

void UpdateLineNumberMargin(int number);
void SetLineNumberSpacing(int number, int pixels);
void SetEditorMarginWidth(int number, int margin, int width);
// The DPI the editor is shown at: the line-number margin's padding follows it.
void SetEditorDpi(int number, int dpi);

enum class EditorColourKind { CaretLine, Background };
// Colours are 0xBBGGRR; -1 hides the caret line.
void SetEditorColour(int number, EditorColourKind kind, int colour);
void SetEditorFont(int number, std::wstring_view fontName, int size);
// Font flags: 0x100 bold, 0x200 italic, 4 underline; -1 leaves all three.
void SetEditorStyle(int number, int style, std::wstring_view fontName, int size, int fontFlags);
void SetEditorStyleColours(int number, int style, int fore, int back);
void SetEditorTabs(int number, int tabWidth, int useSpaces);

void SetEditorDelimiters(int number, std::wstring_view characters);
void SetEditorNumberStyle(int number, int style);
// Register words or one character class and restyle when anything was
// registered; the count registered.
int AddEditorKeywords(int number, std::wstring_view words, int style, std::uint64_t flags);
int AddEditorCharClass(int number, std::wstring_view character, std::wstring_view closing, std::uint64_t flags,
                       int style);
// Registers without restyling.
int RegisterKeywords(int number, std::wstring_view words, int style, std::uint64_t flags);
const KeywordEntry* FindEditorKeyword(int number, std::wstring_view word);

void SetEditorText(int number, std::wstring_view text, int resetUndo);
std::wstring GetEditorText(int number);
// A line without its line end; empty for a line that does not exist.
std::wstring GetEditorLine(int number, std::int64_t line);
std::int64_t GetEditorLineCount(int number);
void SetEditorReadOnly(int number, int flag);

}  // namespace vantorel
