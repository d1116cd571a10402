#include "editor/editor_win32.h"

#include <commctrl.h>

#include <map>
#include <memory>
#include <new>

#include "platform/dpi.h"
#include "platform/text_win32.h"

namespace vantorel {
namespace {

struct EditorControl {
  int number = 0;
  HWND window = nullptr;
  HWND parent = nullptr;
  EditorState state;
};

// Editor numbers to their controls. A control leaves the table when its
// window is destroyed, however that happens.
std::map<int, std::unique_ptr<EditorControl>>& Editors() {
  static std::map<int, std::unique_ptr<EditorControl>> editors;
  return editors;
}

EditorLexer& Lexer() {
  static EditorLexer lexer;
  return lexer;
}

EditorControl* Find(int number) {
  const auto found = Editors().find(number);
  if (found == Editors().end() || !IsWindow(found->second->window)) return nullptr;
  return found->second.get();
}

LRESULT Send(const EditorControl& e, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendMessageW(e.window, message, wParam, lParam);
}

void RestyleAll(const EditorControl& e) {
  if (Lexer().restyleLines) Lexer().restyleLines(e.number, 0, -1, -1);
}

std::string ToUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::wstring FromUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

void UpdateMargin(const EditorControl& e) {
  if (!(e.state.flags & kEditorAutoMarginWidth)) return;
  const std::string sample = LineNumberSample(Send(e, SCI_GETLINECOUNT));
  const LRESULT width = Send(e, SCI_TEXTWIDTH, STYLE_LINENUMBER, reinterpret_cast<LPARAM>(sample.c_str()));
  Send(e, SCI_SETMARGINWIDTHN, 0, width + e.state.lineNumberSpacing + Scale(10, e.state.dpi));
}

// The control reports to its parent; this hook on the parent hands the
// reports of one editor on.
LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
  if (message == WM_NOTIFY && lParam) {
    const auto& control = *reinterpret_cast<const EditorControl*>(data);
    const auto& notification = *reinterpret_cast<const SCNotification*>(lParam);
    if (notification.nmhdr.hwndFrom == control.window) {
      const int number = control.number;
      if (notification.nmhdr.code == SCN_MODIFIED && notification.linesAdded != 0) UpdateMargin(control);
      if (Lexer().handleNotification) Lexer().handleNotification(number, notification);
    }
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, ParentProc, id);
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK EditorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
  if (message != WM_NCDESTROY) return DefSubclassProc(hwnd, message, wParam, lParam);
  auto* control = reinterpret_cast<EditorControl*>(data);
  RemoveWindowSubclass(hwnd, EditorProc, id);
  RemoveWindowSubclass(control->parent, ParentProc, reinterpret_cast<UINT_PTR>(control));
  const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
  // The state lives exactly as long as its window.
  if (const auto found = Editors().find(control->number); found != Editors().end() && found->second.get() == control) {
    Editors().erase(found);
  }
  return result;
}

constexpr UINT_PTR kEditorSubclassId = 1;

struct FoldMarker {
  int marker;
  int symbol;
  int first;   // message sent first
  int second;  // 0 = none
};

// Boxed fold markers: white on black.
constexpr FoldMarker kFoldMarkers[] = {
    {SC_MARKNUM_FOLDEROPEN, SC_MARK_BOXMINUS, SCI_MARKERSETFORE, SCI_MARKERSETBACK},
    {SC_MARKNUM_FOLDER, SC_MARK_BOXPLUS, SCI_MARKERSETFORE, SCI_MARKERSETBACK},
    {SC_MARKNUM_FOLDERSUB, SC_MARK_VLINE, SCI_MARKERSETBACK, 0},
    {SC_MARKNUM_FOLDERTAIL, SC_MARK_LCORNER, SCI_MARKERSETBACK, 0},
    {SC_MARKNUM_FOLDEREND, SC_MARK_BOXPLUSCONNECTED, SCI_MARKERSETBACK, SCI_MARKERSETFORE},
    {SC_MARKNUM_FOLDEROPENMID, SC_MARK_BOXMINUSCONNECTED, SCI_MARKERSETBACK, SCI_MARKERSETFORE},
    {SC_MARKNUM_FOLDERMIDTAIL, SC_MARK_TCORNER, SCI_MARKERSETBACK, 0},
};

void SendMarkerColour(const EditorControl& e, int marker, int message) {
  if (message == 0) return;
  Send(e, message, marker, message == SCI_MARKERSETFORE ? 0xFFFFFF : 0x000000);
}

}  // namespace

void SetEditorLexer(const EditorLexer& lexer) { Lexer() = lexer; }

HWND CreateEditor(int number, HWND parent, int x, int y, int width, int height, int flags) {
  FreeEditor(number);
  std::unique_ptr<EditorControl> owned;
  try {
    owned = std::make_unique<EditorControl>();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  HWND window = CreateWindowExW(WS_EX_CLIENTEDGE, L"Scintilla", L"", WS_CHILD | WS_VISIBLE, x, y, width, height,
                                parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(number)),
                                GetModuleHandleW(nullptr), nullptr);
  if (!window) return nullptr;
  EditorControl* control = owned.get();
  control->number = number;
  control->window = window;
  control->parent = GetParent(window);
  control->state.owner = number;
  control->state.flags = flags;
  control->state.delimiters.clear();
  control->state.numberStyle = kNeutralStyle;
  try {
    Editors()[number] = std::move(owned);
  } catch (const std::bad_alloc&) {
    DestroyWindow(window);
    return nullptr;
  }
  if (!SetWindowSubclass(window, EditorProc, kEditorSubclassId, reinterpret_cast<DWORD_PTR>(control)) ||
      !SetWindowSubclass(control->parent, ParentProc, reinterpret_cast<UINT_PTR>(control),
                         reinterpret_cast<DWORD_PTR>(control))) {
    RemoveWindowSubclass(window, EditorProc, kEditorSubclassId);
    Editors().erase(number);
    DestroyWindow(window);
    return nullptr;
  }

  const EditorControl& e = *control;
  Send(e, SCI_SETCODEPAGE, SC_CP_UTF8);
  // The container styles the text. Scintilla 5 dropped SCI_SETLEXER; an
  // empty ILexer is the same request.
  Send(e, SCI_SETILEXER, 0, 0);
  Send(e, SCI_SETMARGINWIDTHN, 1, 0);
  Send(e, SCI_SETMARGINSENSITIVEN, 2, 1);
  Send(e, SCI_SETMARGINMASKN, 2, static_cast<LPARAM>(static_cast<std::uint32_t>(SC_MASK_FOLDERS)));
  for (const FoldMarker& m : kFoldMarkers) {
    Send(e, SCI_MARKERDEFINE, m.marker, m.symbol);
    SendMarkerColour(e, m.marker, m.first);
    SendMarkerColour(e, m.marker, m.second);
  }
  Send(e, SCI_STYLECLEARALL);
  UpdateMargin(e);
  Send(e, SCI_AUTOCSETIGNORECASE, (flags & kEditorCaseSensitive) ? 0 : 1);
  Send(e, SCI_CALLTIPUSESTYLE, 0);
  Send(e, SCI_SETMARGINMASKN, 1, 1);
  Send(e, SCI_MARKERDEFINE, 0, SC_MARK_SHORTARROW);
  return window;
}

void FreeEditor(int number) {
  if (EditorControl* e = Find(number)) {
    DestroyWindow(e->window);  // the window's end takes the state with it
  } else {
    Editors().erase(number);  // a window destroyed behind our back
  }
}

HWND GetEditorWindow(int number) {
  const EditorControl* e = Find(number);
  return e ? e->window : nullptr;
}

EditorState* GetEditorState(int number) {
  EditorControl* e = Find(number);
  return e ? &e->state : nullptr;
}

void UpdateLineNumberMargin(int number) {
  if (const EditorControl* e = Find(number)) UpdateMargin(*e);
}

void SetLineNumberSpacing(int number, int pixels) {
  EditorControl* e = Find(number);
  if (!e || pixels < 0 || pixels == e->state.lineNumberSpacing) return;
  e->state.lineNumberSpacing = pixels;
  UpdateMargin(*e);
}

void SetEditorMarginWidth(int number, int margin, int width) {
  const EditorControl* e = Find(number);
  if (!e) return;
  // Margin 0 follows the line count while its width is automatic.
  if (margin == 0 && (e->state.flags & kEditorAutoMarginWidth)) return;
  Send(*e, SCI_SETMARGINWIDTHN, margin, width < 0 ? 0 : width);
}

void SetEditorDpi(int number, int dpi) {
  EditorControl* e = Find(number);
  if (!e || dpi <= 0 || dpi == e->state.dpi) return;
  e->state.dpi = dpi;
  UpdateMargin(*e);
}

void SetEditorColour(int number, EditorColourKind kind, int colour) {
  const EditorControl* e = Find(number);
  if (!e) return;
  switch (kind) {
    case EditorColourKind::CaretLine:
      if (colour == -1) {
        Send(*e, SCI_SETCARETLINEVISIBLE, 0);
      } else {
        Send(*e, SCI_SETCARETLINEBACK, colour);
        Send(*e, SCI_SETCARETLINEVISIBLE, 1);
      }
      break;
    case EditorColourKind::Background:
      Send(*e, SCI_STYLESETBACK, STYLE_DEFAULT, colour);
      Send(*e, SCI_STYLECLEARALL);
      break;
  }
}

void SetEditorStyle(int number, int style, std::wstring_view fontName, int size, int fontFlags) {
  const EditorControl* e = Find(number);
  if (!e) return;
  if (!fontName.empty()) {
    // Scintilla 5 reads face names as UTF-8.
    const std::string name = ToUtf8(fontName);
    Send(*e, SCI_STYLESETFONT, style, reinterpret_cast<LPARAM>(name.c_str()));
  }
  if (size != -1) Send(*e, SCI_STYLESETSIZE, style, size);
  if (fontFlags != -1) {
    Send(*e, SCI_STYLESETBOLD, style, (fontFlags & 0x100) ? 1 : 0);
    Send(*e, SCI_STYLESETITALIC, style, (fontFlags & 0x200) ? 1 : 0);
    Send(*e, SCI_STYLESETUNDERLINE, style, (fontFlags & 4) ? 1 : 0);
  }
  if (style == STYLE_LINENUMBER) UpdateMargin(*e);
}

void SetEditorFont(int number, std::wstring_view fontName, int size) {
  const EditorControl* e = Find(number);
  if (!e) return;
  SetEditorStyle(number, STYLE_DEFAULT, fontName, size, -1);
  Send(*e, SCI_STYLECLEARALL);
  UpdateMargin(*e);
}

void SetEditorStyleColours(int number, int style, int fore, int back) {
  const EditorControl* e = Find(number);
  if (!e) return;
  if (fore != -1) Send(*e, SCI_STYLESETFORE, style, fore);
  if (back != -1) Send(*e, SCI_STYLESETBACK, style, back);
}

void SetEditorTabs(int number, int tabWidth, int useSpaces) {
  const EditorControl* e = Find(number);
  if (!e) return;
  Send(*e, SCI_SETTABWIDTH, tabWidth);
  Send(*e, SCI_SETUSETABS, 1 - useSpaces);
}

void SetEditorDelimiters(int number, std::wstring_view characters) {
  EditorControl* e = Find(number);
  if (!e) return;
  std::u16string wanted = ToU16(characters);
  if (wanted == e->state.delimiters) return;
  e->state.delimiters = std::move(wanted);
  RestyleAll(*e);
}

void SetEditorNumberStyle(int number, int style) {
  EditorControl* e = Find(number);
  if (!e || style == e->state.numberStyle) return;
  e->state.numberStyle = style;
  RestyleAll(*e);
}

int RegisterKeywords(int number, std::wstring_view words, int style, std::uint64_t flags) {
  EditorControl* e = Find(number);
  return e ? RegisterKeywords(e->state, ToU16(words), style, flags) : 0;
}

int AddEditorKeywords(int number, std::wstring_view words, int style, std::uint64_t flags) {
  EditorControl* e = Find(number);
  if (!e) return 0;
  const int count = RegisterKeywords(e->state, ToU16(words), style, flags);
  if (count > 0) RestyleAll(*e);
  return count;
}

int AddEditorCharClass(int number, std::wstring_view character, std::wstring_view closing, std::uint64_t flags,
                       int style) {
  EditorControl* e = Find(number);
  if (!e) return 0;
  const int count = AddCharClass(e->state, ToU16(character), ToU16(closing), flags, style);
  if (count > 0) RestyleAll(*e);
  return count;
}

const KeywordEntry* FindEditorKeyword(int number, std::wstring_view word) {
  const EditorControl* e = Find(number);
  return e ? FindEditorKeyword(e->state, ToU16(word)) : nullptr;
}

void SetEditorText(int number, std::wstring_view text, int resetUndo) {
  const EditorControl* e = Find(number);
  if (!e) return;
  try {
    const std::string utf8 = ToUtf8(text);
    Send(*e, SCI_SETTEXT, 0, reinterpret_cast<LPARAM>(utf8.c_str()));
  } catch (const std::bad_alloc&) {
    return;  // the document keeps its old text
  }
  if (resetUndo) Send(*e, SCI_EMPTYUNDOBUFFER);
  RestyleAll(*e);
}

std::wstring GetEditorText(int number) {
  const EditorControl* e = Find(number);
  if (!e) return {};
  const auto length = static_cast<std::size_t>(Send(*e, SCI_GETLENGTH));
  if (length == 0) return {};
  try {
    std::string buffer(length + 1, '\0');
    Send(*e, SCI_GETTEXT, length + 1, reinterpret_cast<LPARAM>(buffer.data()));
    return FromUtf8(std::string_view(buffer.c_str()));
  } catch (const std::bad_alloc&) {
    return {};
  }
}

std::wstring GetEditorLine(int number, std::int64_t line) {
  const EditorControl* e = Find(number);
  if (!e || line < 0 || line >= Send(*e, SCI_GETLINECOUNT)) return {};
  const auto length = static_cast<std::size_t>(Send(*e, SCI_LINELENGTH, static_cast<WPARAM>(line)));
  if (length == 0) return {};
  try {
    std::string buffer(length + 1, '\0');
    Send(*e, SCI_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(buffer.data()));
    return FromUtf8(DropLineEnd(std::string_view(buffer.data(), length)));
  } catch (const std::bad_alloc&) {
    return {};
  }
}

std::int64_t GetEditorLineCount(int number) {
  const EditorControl* e = Find(number);
  return e ? Send(*e, SCI_GETLINECOUNT) : 0;
}

void SetEditorReadOnly(int number, int flag) {
  if (const EditorControl* e = Find(number)) Send(*e, SCI_SETREADONLY, flag);
}

}  // namespace vantorel
