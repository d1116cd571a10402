#include "grid/grid_editors_win32.h"

#include <commctrl.h>

#include <algorithm>

#include "grid/grid_input_win32.h"
#include "grid/grid_list_win32.h"

namespace vantorel {
namespace {

using grid_handles::SelectedObject;

template <typename Proc>
WNDPROC Subclass(HWND window, Proc proc) {
  return reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

GridEditorMouse EditorMouseOf(UINT message) {
  switch (message) {
    case WM_LBUTTONUP:
      return GridEditorMouse::LeftUp;
    case WM_LBUTTONDBLCLK:
      return GridEditorMouse::DoubleClick;
    case WM_RBUTTONDOWN:
      return GridEditorMouse::RightDown;
    case WM_CONTEXTMENU:
      return GridEditorMouse::ContextMenu;
    default:
      return GridEditorMouse::LeftDown;
  }
}

}  // namespace

std::wstring ComboItemText(HWND combo, LRESULT index) {
  if (index < 0) return {};
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT got =
      SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
  return text;
}

bool GridEditors::Create(bool later) { return later || Make(); }

bool GridEditors::Make() {
  if (editBox) return true;
  HWND lv = list_.listWindow;
  if (!lv) return false;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  const int away = grid_pixels::kOutOfSight;
  editBox = CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, away, away, 10, 10, lv, nullptr,
                            instance, nullptr);
  listChoice = CreateWindowExW(WS_EX_CLIENTEDGE, L"ComboBox", L"",
                               WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_HASSTRINGS | CBS_AUTOHSCROLL |
                                   CBS_OWNERDRAWFIXED | WS_VSCROLL | WS_BORDER | WS_TABSTOP,
                               away, away, 100, grid_pixels::kChoiceDroppedHeight, lv, nullptr, instance, nullptr);
  editChoice = CreateWindowExW(WS_EX_CLIENTEDGE, L"ComboBox", L"",
                               WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | CBS_HASSTRINGS | CBS_AUTOHSCROLL | WS_VSCROLL |
                                   WS_BORDER,
                               away, away, 100, grid_pixels::kChoiceDroppedHeight, lv, nullptr, instance, nullptr);
  if (!editBox || !listChoice || !editChoice) {
    for (HWND* made : {&editBox, &listChoice, &editChoice}) {
      if (*made) DestroyWindow(*made);
      *made = nullptr;
    }
    return false;
  }
  SendMessageW(editBox, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
  SendMessageW(listChoice, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), grid_pixels::kChoiceItemHeight);
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  if (GetComboBoxInfo(editChoice, &info)) editChoiceEdit = info.hwndItem;
  if (!editChoiceEdit) editChoiceEdit = FindWindowExW(editChoice, nullptr, L"Edit", nullptr);

  // The text box and the editable choice's inner edit share one procedure.
  SetGridProperty(editBox, kListPointerProp, &list_);
  oldEditBoxProc = Subclass(editBox, &GridEditors::EditorProc);
  if (editChoiceEdit) {
    SetGridProperty(editChoiceEdit, kListPointerProp, &list_);
    oldChoiceEditProc = Subclass(editChoiceEdit, &GridEditors::EditorProc);
  }
  SetGridProperty(listChoice, kListPointerProp, &list_);
  oldListChoiceProc = Subclass(listChoice, &GridEditors::ListChoiceProc);
  return true;
}

HWND GridEditors::WindowOf(GridEditor editor) const {
  switch (editor) {
    case GridEditor::TextBox:
      return editBox;
    case GridEditor::ListChoice:
      return listChoice;
    case GridEditor::EditChoice:
      return editChoice;
    default:
      return nullptr;
  }
}

HWND GridEditors::TextWindowOf(GridEditor editor) const {
  return editor == GridEditor::EditChoice && editChoiceEdit ? editChoiceEdit : WindowOf(editor);
}

GridEditor GridEditors::EditorOf(HWND window) const {
  if (!window) return GridEditor::None;
  if (window == editBox) return GridEditor::TextBox;
  if (window == listChoice) return GridEditor::ListChoice;
  if (window == editChoice || window == editChoiceEdit) return GridEditor::EditChoice;
  return GridEditor::None;
}

void GridEditors::HideEditors() {
  HWND focus = GetFocus();
  for (HWND editor : {editBox, listChoice, editChoice}) {
    if (!editor) continue;
    if (focus == editor || IsChild(editor, focus)) SetFocus(list_.listWindow);
    if (editor != editBox) SendMessageW(editor, CB_SHOWDROPDOWN, FALSE, 0);
    SetWindowPos(editor, nullptr, grid_pixels::kOutOfSight, grid_pixels::kOutOfSight, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void GridEditors::LoadEditor(GridEditor editor, const GridText& text, const std::vector<GridText>& options) {
  Make();
  HWND window = WindowOf(editor);
  if (!window) return;
  const std::wstring shown = WideOf(text);
  if (editor == GridEditor::TextBox) {
    SetWindowTextW(window, shown.c_str());
    return;
  }
  SendMessageW(window, CB_RESETCONTENT, 0, 0);
  for (const GridText& option : options) {
    const std::wstring item = WideOf(option);
    SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  if (editor == GridEditor::EditChoice) {
    SetWindowTextW(window, shown.c_str());
    return;
  }
  SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  const LRESULT found =
      SendMessageW(window, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(shown.c_str()));
  if (found >= 0) SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
}

void GridEditors::PlaceEditor(GridEditor kind, GridCell at) {
  Make();
  HWND editor = WindowOf(kind);
  HWND lv = list_.listWindow;
  if (!editor || !lv) return;
  CellEvent format = list_.FormatRecord(at.row, at.column);
  list_.Raise(GridEvent::CellFormat, format);
  HFONT font = format.font ? format.font : list_.ListFont();
  RECT cell{};
  cell.top = static_cast<LONG>(at.column + 1);
  cell.left = LVIR_BOUNDS;
  if (!SendMessageW(lv, LVM_GETSUBITEMRECT, static_cast<WPARAM>(at.row), reinterpret_cast<LPARAM>(&cell))) return;
  cell.right = cell.left + static_cast<LONG>(SendMessageW(lv, LVM_GETCOLUMNWIDTH, at.column + 1, 0));
  SendMessageW(editor, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  const GridLook& look = list_.core.look;
  const GridEditorPlace place =
      EditorPlaceIn(kind, CellBox{cell.left, cell.top, cell.right, cell.bottom}, static_cast<int>(look.currentFrameWidth),
                    look.Has(grid_flags::kChoiceWritesAtOnce), SharedGridState().commonControlsMajor < 6, look.dpi);
  const CellBox& box = place.box;
  if (kind == GridEditor::ListChoice) {
    HDC dc = GetDC(lv);
    TEXTMETRICW tm{};
    {
      SelectedObject selected(dc, font);
      GetTextMetricsW(dc, &tm);
    }
    ReleaseDC(lv, dc);
    SendMessageW(editor, CB_SETITEMHEIGHT, 0, tm.tmHeight + 1);
    SendMessageW(editor, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), place.fieldHeight);
  }
  SetWindowPos(editor, HWND_TOP, box.left, box.top, box.right - box.left, box.bottom - box.top, SWP_NOACTIVATE);
  if (kind == GridEditor::TextBox) return;
  // Closed, a combo box is as high as its field: centred in the cell.
  RECT placed{};
  GetWindowRect(editor, &placed);
  SetWindowPos(editor, nullptr, box.left, cell.top + ((cell.bottom - cell.top) - (placed.bottom - placed.top)) / 2, 0,
               0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void GridEditors::FocusEditor(GridEditor editor) {
  Make();
  HWND window = WindowOf(editor);
  SetFocus(window ? window : list_.listWindow);
}

bool GridEditors::EditorHasFocus() {
  HWND focus = GetFocus();
  return focus && focus != list_.listWindow && IsChild(list_.listWindow, focus);
}

std::optional<GridText> GridEditors::EditorText(GridEditor editor) {
  HWND window = WindowOf(editor);
  if (!window) return std::nullopt;
  if (editor != GridEditor::ListChoice) return GridTextOf(WholeWindowText(window));
  const LRESULT selected = SendMessageW(window, CB_GETCURSEL, 0, 0);
  if (selected < 0) return std::nullopt;
  return GridTextOf(ComboItemText(window, selected));
}

void GridEditors::SetEditorText(GridEditor editor, const GridText& text) {
  if (HWND window = WindowOf(editor)) SetWindowTextW(window, WideOf(text).c_str());
}

void GridEditors::RestoreChoice(GridEditor editor, const GridText& text) {
  HWND combo = WindowOf(editor);
  if (!combo || editor == GridEditor::TextBox) return;
  const std::wstring start = WideOf(text);
  SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
  const LRESULT found =
      SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(start.c_str()));
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
  if (editor == GridEditor::EditChoice) SetWindowTextW(combo, start.c_str());
}

GridEditorContent GridEditors::ReadEditor(GridEditor editor, std::size_t limit) {
  GridEditorContent content;
  HWND window = TextWindowOf(editor);
  if (!window) return content;
  std::wstring text;
  if (limit == kWholeText) {
    text = WholeWindowText(window);
  } else {
    text.assign(limit + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::clamp(got, 0, static_cast<int>(limit))));
  }
  content.text = GridTextOf(text);
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(window, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  content.start = std::min<std::size_t>(start, content.text.size());
  content.end = std::min<std::size_t>(end, content.text.size());
  if (content.start > content.end) std::swap(content.start, content.end);
  return content;
}

void GridEditors::ReplaceSelection(GridEditor editor, const GridText& text) {
  HWND window = TextWindowOf(editor);
  if (!window) return;
  const std::wstring wide = WideOf(text);
  CallWindowProcW(OriginalProc(window), window, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wide.c_str()));
}

void GridEditors::ReplaceText(GridEditor editor, const GridText& text) {
  HWND window = TextWindowOf(editor);
  if (!window) return;
  const WNDPROC old = OriginalProc(window);
  const std::wstring wide = WideOf(text);
  CallWindowProcW(old, window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  const auto end = static_cast<LPARAM>(wide.size());
  CallWindowProcW(old, window, EM_SETSEL, static_cast<WPARAM>(end), end);
}

void GridEditors::PasteOwn(GridEditor editor) {
  if (HWND window = TextWindowOf(editor)) CallWindowProcW(OriginalProc(window), window, WM_PASTE, 0, 0);
}

bool GridEditors::ListDropped(GridEditor editor) {
  HWND combo = WindowOf(editor);
  return combo && editor != GridEditor::TextBox && SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0);
}

void GridEditors::CloseList(GridEditor editor) {
  HWND combo = WindowOf(editor);
  if (combo && editor != GridEditor::TextBox) SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
}

void GridEditors::OnChoiceNotify(HWND combo, UINT code) {
  if (code == CBN_DROPDOWN || code == CBN_CLOSEUP) {
    SharedGridState().comboDropped = code == CBN_DROPDOWN;
    return;
  }
  GridEditSession& session = list_.core.session;
  const GridEditor from = EditorOf(combo);
  if (code != CBN_SELCHANGE || !session.HasCurrentCell() || from != session.editor) return;
  const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (index < 0) return;
  session.OnChoiceMade(from, GridTextOf(ComboItemText(combo, index)),
                       list_.core.look.Has(grid_flags::kChoiceWritesAtOnce));
}

std::optional<LRESULT> GridEditors::CommonMessage(HWND window, WNDPROC old, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTTAB | DLGC_WANTALLKEYS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
      list_.core.pointer.OnEditorMouse(EditorMouseOf(message), static_cast<std::int64_t>(wParam));
      return std::nullopt;
    case WM_CONTEXTMENU:
      if (!list_.core.pointer.OnEditorMouse(GridEditorMouse::ContextMenu, 0)) return 0;
      return std::nullopt;
    case WM_KILLFOCUS: {
      const LRESULT result = CallWindowProcW(old, window, message, wParam, lParam);
      list_.OnFocusLeaving(reinterpret_cast<HWND>(wParam));
      return result;
    }
    case WM_NCDESTROY:
      RemoveGridProperty(window, kListPointerProp);
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

LRESULT CALLBACK GridEditors::EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* list = static_cast<GridList*>(GridProperty(window, kListPointerProp));
  if (!list) return DefWindowProcW(window, message, wParam, lParam);
  GridEditors& self = list->editors;
  GridCore& core = list->core;
  const WNDPROC old = self.OriginalProc(window);
  if (const auto done = self.CommonMessage(window, old, message, wParam, lParam)) return *done;
  const GridEditor editor = window == self.editBox ? GridEditor::TextBox : GridEditor::EditChoice;
  switch (message) {
    case WM_KEYDOWN:
      if (!core.keys.OnEditorKeyDown(editor, KeyOf(wParam), HeldModifiers())) return 0;
      break;
    case WM_KEYUP:
      if (wParam == VK_TAB && core.keys.OnKeyUp(GridKey::Tab, HeldModifiers())) return 0;
      break;
    case WM_CHAR: {
      if (!core.keys.OnEditorChar(editor, static_cast<char16_t>(wParam), HeldModifiers())) return 0;
      const LRESULT result = CallWindowProcW(old, window, message, wParam, lParam);
      core.keys.AfterEditorChar(editor);
      return result;
    }
    case WM_PASTE:
      core.intake.PasteIntoEditor(editor);
      return 0;
    case WM_CUT:
    case WM_CLEAR: {
      if (!core.intake.AllowCut(editor, message == WM_CUT ? kCutKeyValue : kDeleteKeyValue)) return 0;
      const LRESULT result = CallWindowProcW(old, window, message, wParam, lParam);
      core.session.TakeEditorText(editor, kWholeText);
      return result;
    }
    case WM_UNDO:
    case EM_UNDO:
    case EM_REPLACESEL:
    case WM_CONTEXTMENU:
    case WM_IME_COMPOSITION: {
      // Text that came by a way other than typing is checked once it is in.
      const GridText before = GridTextOf(WholeWindowText(window));
      const LRESULT result = CallWindowProcW(old, window, message, wParam, lParam);
      core.intake.KeepTypable(editor, before);
      return result;
    }
    default:
      break;
  }
  return CallWindowProcW(old, window, message, wParam, lParam);
}

LRESULT CALLBACK GridEditors::ListChoiceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* list = static_cast<GridList*>(GridProperty(window, kListPointerProp));
  if (!list) return DefWindowProcW(window, message, wParam, lParam);
  GridEditors& self = list->editors;
  GridKeyboard& keys = list->core.keys;
  const WNDPROC old = self.oldListChoiceProc;
  if (const auto done = self.CommonMessage(window, old, message, wParam, lParam)) return *done;
  switch (message) {
    case WM_KEYDOWN:
      if (!keys.OnListChoiceKeyDown(KeyOf(wParam), HeldModifiers())) return 0;
      break;
    case WM_KEYUP:
      if (wParam == VK_TAB && keys.OnKeyUp(GridKey::Tab, HeldModifiers())) return 0;
      break;
    case WM_CHAR:
      if (!keys.OnListChoiceChar(static_cast<char16_t>(wParam), HeldModifiers())) return 0;
      break;
    default:
      break;
  }
  return CallWindowProcW(old, window, message, wParam, lParam);
}

}  // namespace vantorel
