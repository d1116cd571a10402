// The keyboard of the grid: the list view's keys, Tab and Enter moving
// between cells, and the keys typed into the in-place editors. Where the
// current cell goes and what Space does are the rules' answers
// (grid_rules.h); this file turns key messages into them and asks the
// application through the events before anything changes.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "grid/grid_list_win32.h"
#include "grid/grid_rules.h"

namespace vantorel {
namespace {

constexpr const wchar_t* kListPointer = L"egrid_ListPointer";
// The editor's text is read up to this many characters for the key events.
constexpr int kEditorReadLimit = 1024;

bool KeyHeld(int key) { return GetKeyState(key) < 0; }

std::wstring EditorWindowText(HWND window) {
  std::wstring text(kEditorReadLimit + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::clamp(got, 0, kEditorReadLimit)));
  return text;
}

// The editor's selection, ordered and clamped to its text.
struct EditorSelection {
  std::size_t start = 0;
  std::size_t end = 0;
};
EditorSelection SelectionOf(HWND edit, std::size_t length) {
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EditorSelection selection{std::min<std::size_t>(start, length), std::min<std::size_t>(end, length)};
  if (selection.start > selection.end) std::swap(selection.start, selection.end);
  return selection;
}

std::optional<GridMove> MoveOfKey(WPARAM key) {
  switch (key) {
    case VK_LEFT:
      return GridMove::Left;
    case VK_RIGHT:
      return GridMove::Right;
    case VK_UP:
      return GridMove::Up;
    case VK_DOWN:
      return GridMove::Down;
    case VK_PRIOR:
      return GridMove::PageUp;
    case VK_NEXT:
      return GridMove::PageDown;
    case VK_HOME:
      return GridMove::Home;
    case VK_END:
      return GridMove::End;
    default:
      return std::nullopt;
  }
}

}  // namespace

bool GridList::MoveTo(GridCell target, std::int64_t value) {
  if (!model.HasCell(target.column, target.row)) return false;
  CellEvent focus;
  focus.row = target.row;
  focus.column = target.column;
  focus.value = value;
  if (Raise(GridEvent::CellFocus, focus) != 1 || !listWindow) return false;
  // The callback may have changed the rows; a target that went is no move.
  if (!model.HasCell(target.column, target.row)) return false;
  Commit();
  if (!listWindow || !model.HasCell(target.column, target.row)) return false;
  // Opening repaints the old and the new cell; the whole list only when a
  // larger block goes, since a full repaint per key is what makes it slow.
  const bool repaintAll = ShowsBlock() || model.selectionKind == 1 || model.selectionKind == 2;
  OpenCell(target.row, target.column + 1, true);
  if (model.selectionKind != 3) {
    model.block = BlockBetween(model, target, target, model.selectionKind);
    model.blockMode = 2;
  }
  if (repaintAll && !redrawOff) InvalidateRect(listWindow, nullptr, FALSE);
  return true;
}

void GridList::TabMove(bool backwards) {
  ReadColumnOrder();
  const GridCell from{model.editRow, model.editColumn};
  if (const auto target = TabTarget(model, from, backwards))
    MoveTo(*target, MoveKeyValue(backwards ? GridMove::Left : GridMove::Right));
}

void GridList::ArrowKey(GridMove move, bool ctrl, bool shift) {
  ReadColumnOrder();
  const std::int64_t page = std::max<std::int64_t>(SendMessageW(listWindow, LVM_GETCOUNTPERPAGE, 0, 0), 1);
  if (shift && HasBlock() && model.selectionKind != 3) {
    const GridCell corner{model.block.currentRow, model.block.currentColumn};
    const auto to = MoveTarget(model, corner, move, ctrl, page);
    if (!to) return;
    model.block = ExtendBlock(model, model.block, *to, model.selectionKind);
    SyncItemCount(true);
    SendMessageW(listWindow, LVM_ENSUREVISIBLE, static_cast<WPARAM>(to->row), FALSE);
    if (!redrawOff) InvalidateRect(listWindow, nullptr, FALSE);
    return;
  }
  GridCell from{model.editRow, model.editColumn};
  if (!HasCurrentCell() && HasBlock()) from = GridCell{model.block.currentRow, model.block.currentColumn};
  if (const auto target = MoveTarget(model, from, move, ctrl, page)) MoveTo(*target, MoveKeyValue(move));
}

void GridList::SpaceKey(bool ctrl) {
  if (!HasCurrentCell()) return;
  const std::int64_t row = model.editRow;
  const std::int64_t column = model.editColumn;
  CellEvent type;
  type.row = row;
  type.column = column;
  Raise(GridEvent::CellType, type);
  if (!model.IsCurrent(column, row)) return;
  const auto text = SpaceText(type.type, model.Text(column, row), GridTextOf(type.text), ctrl);
  if (!text) return;
  SetItemText(row, column + 1, WideOf(*text));
  model.editText = *text;
  InvalidateCell(row, column + 1);
}

void GridList::CancelEditor() {
  if (!HasCurrentCell()) return;
  const std::wstring start = WideOf(model.startText);
  switch (model.editType) {
    case 0:
      SetWindowTextW(editBox, start.c_str());
      break;
    case 3:
    case 4: {
      HWND combo = model.editType == 3 ? listChoice : editChoice;
      const std::wstring before = EditorText();
      SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
      const LRESULT found =
          SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(start.c_str()));
      SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
      if (combo == editChoice) SetWindowTextW(editChoice, start.c_str());
      if (before != start) {
        CellEvent changed;
        changed.row = model.editRow;
        changed.column = model.editColumn;
        changed.text = start;
        Raise(GridEvent::ChoiceChanged, changed);
      }
      break;
    }
    default:
      break;
  }
  model.editText = model.startText;
  if (HasCurrentCell() && model.Text(model.editColumn, model.editRow) != model.startText)
    SetItemText(model.editRow, model.editColumn + 1, start);
}

void GridList::OnChoiceNotify(HWND combo, UINT code) {
  if (code == CBN_DROPDOWN || code == CBN_CLOSEUP) {
    SharedGridState().comboDropped = code == CBN_DROPDOWN;
    return;
  }
  if (code != CBN_SELCHANGE || !HasCurrentCell() || combo != EditorFor(model.editType)) return;
  const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (index < 0) return;
  std::wstring chosen(static_cast<std::size_t>(std::max<LRESULT>(SendMessageW(combo, CB_GETLBTEXTLEN, index, 0), 0)) + 1,
                      L'\0');
  chosen.resize(static_cast<std::size_t>(
      std::max<LRESULT>(SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(chosen.data())), 0)));
  const GridText text = GridTextOf(chosen);
  if (text == model.editText) return;
  model.editText = text;
  if (combo == listChoice && (flags & grid_flags::kChoiceWritesAtOnce)) {
    SetItemText(model.editRow, model.editColumn + 1, chosen);
    InvalidateCell(model.editRow, model.editColumn + 1);
  }
  CellEvent changed;
  changed.row = model.editRow;
  changed.column = model.editColumn;
  changed.text = chosen;
  Raise(GridEvent::ChoiceChanged, changed);
}

void GridList::SelectAll() {
  if (model.RowCount() < 1 || model.ColumnCount() < 1 || model.selectionKind == 3) return;
  EndEditing();
  if (!listWindow) return;
  ReadColumnOrder();
  model.block = WholeGridBlock(model);
  model.blockMode = 2;
  SyncItemCount(true);
  SendMessageW(listWindow, LVM_ENSUREVISIBLE, static_cast<WPARAM>(model.block.currentRow), FALSE);
  if (!redrawOff) InvalidateRect(listWindow, nullptr, FALSE);
}

bool GridList::OnListKeyDown(WPARAM key) {
  const bool ctrl = KeyHeld(VK_CONTROL);
  const bool shift = KeyHeld(VK_SHIFT);
  if (const auto move = MoveOfKey(key)) {
    ArrowKey(*move, ctrl, shift);
    return true;
  }
  const GridBlock block = model.block;
  auto query = [&](GridEvent event, std::int64_t value) {
    CellEvent record;
    record.row = block.anchorRow;
    record.column = block.anchorColumn;
    record.value = value;
    record.x1 = block.width;
    record.x2 = block.height;
    return Raise(event, record) != 0;
  };
  switch (key) {
    case 'A':
      if (!ctrl) return false;
      SelectAll();
      return true;
    case 'C':
      if (!ctrl) return false;
      if (HasBlock() && query(GridEvent::ClipboardQuery, 0))
        CopyBlockToClipboard(block.anchorColumn, block.anchorRow, block.width, block.height);
      return true;
    case 'X':
      if (!ctrl) return false;
      if (HasBlock() && query(GridEvent::ClipboardQuery, 1) &&
          CopyBlockToClipboard(block.anchorColumn, block.anchorRow, block.width, block.height))
        EmptyBlock(block.anchorColumn, block.anchorRow, block.width, block.height);
      return true;
    case 'V':
      if (!ctrl) return false;
      if (HasCurrentCell()) {
        CellEvent record;
        record.row = model.editRow;
        record.column = model.editColumn;
        record.value = 2;
        if (Raise(GridEvent::ClipboardQuery, record) != 0) PasteClipboard();
      }
      return true;
    case VK_DELETE:
      if (HasBlock() && query(GridEvent::DeleteQuery, 0))
        EmptyBlock(block.anchorColumn, block.anchorRow, block.width, block.height);
      return true;
    case VK_ESCAPE:
      CancelEditor();
      DropBlock(true);
      return true;
    case VK_SPACE:
      SpaceKey(ctrl);
      return true;
    case VK_RETURN: {
      if (!HasCurrentCell() || pressedButtonRow >= 0) return true;
      CellEvent type;
      type.row = model.editRow;
      type.column = model.editColumn;
      Raise(GridEvent::CellType, type);
      if (type.type != 11 || !HasCurrentCell()) return true;
      const GridText text = model.Text(model.editColumn, model.editRow);
      if (!EndsPressed(text)) SetItemText(model.editRow, model.editColumn + 1, WideOf(PressedText(text)));
      pressedButtonRow = model.editRow;
      pressedButtonColumn = model.editColumn;
      InvalidateCell(model.editRow, model.editColumn + 1);
      return true;
    }
    case VK_TAB:
      return true;  // acts on release
    default:
      return false;
  }
}

bool GridList::BlockKeyInEditor(WPARAM key) {
  // A block of more than the edited cell is what Ctrl+C, Ctrl+X and Delete
  // act on, wherever the focus is; on the cell alone they stay the editor's.
  if (!HasCurrentCell() || !ShowsBlock()) return false;
  const bool ctrl = KeyHeld(VK_CONTROL);
  if (!((ctrl && (key == 'C' || key == 'X')) || (!ctrl && key == VK_DELETE))) return false;
  swallowedChar_ = ctrl ? static_cast<wchar_t>(key - 'A' + 1) : 0;
  OnListKeyDown(key);
  return true;
}

bool GridList::ClosesDroppedList(HWND combo) {
  // Enter in an open list takes the highlighted option and closes the list,
  // as in any choice box; only then does Enter move on.
  if (!SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0)) return false;
  swallowedChar_ = L'\r';
  return true;
}

bool GridList::TakeSwallowedChar(wchar_t character) {
  if (swallowedChar_ == 0) return false;
  const bool same = character == swallowedChar_;
  swallowedChar_ = 0;
  return same;
}

bool GridList::OnKeyUp(WPARAM key) {
  if (key == VK_TAB) {
    TabMove(KeyHeld(VK_SHIFT));
    return true;
  }
  if (key == VK_RETURN && pressedButtonRow >= 0) {
    ReleaseButton();
    return true;
  }
  return false;
}

bool GridList::AllowEditorChar(HWND edit, wchar_t character) {
  if (!HasCurrentCell()) return true;
  const std::wstring text = EditorWindowText(edit);
  const EditorSelection selection = SelectionOf(edit, text.size());
  const bool selected = selection.end > selection.start;
  std::int64_t result = 1;
  if (character == L'\b' || selected) {
    CellEvent erase;
    erase.row = model.editRow;
    erase.column = model.editColumn;
    if (selected)
      erase.text = text.substr(selection.start, selection.end - selection.start);
    else if (selection.start > 0)
      erase.text = text.substr(selection.start - 1, 1);
    result = Raise(GridEvent::EditDelete, erase);
  }
  if (character != L'\b' && result != 0) {
    CellEvent typed;
    typed.row = model.editRow;
    typed.column = model.editColumn;
    typed.text = WideOf(model.editText);
    typed.value = character;
    result = Raise(GridEvent::EditChar, typed);
  }
  return result == 1;
}

bool GridList::AllowEditorDelete(HWND edit) {
  if (!HasCurrentCell()) return true;
  const std::wstring text = EditorWindowText(edit);
  const EditorSelection selection = SelectionOf(edit, text.size());
  CellEvent erase;
  erase.row = model.editRow;
  erase.column = model.editColumn;
  if (selection.end > selection.start)
    erase.text = text.substr(selection.start, selection.end - selection.start);
  else if (selection.start < text.size())
    erase.text = text.substr(selection.start, 1);
  return Raise(GridEvent::EditDelete, erase) == 1;
}

namespace {

// What every in-place editor does alike: it keeps Tab, Enter and the arrows
// from dialog navigation, reports its mouse buttons for the current cell,
// ends editing when the focus leaves the grid, and gives its procedure back.
std::optional<LRESULT> CommonEditorMessage(GridList& self, HWND window, WNDPROC old, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTTAB | DLGC_WANTALLKEYS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
      self.OnEditorMouse(message, wParam);
      return std::nullopt;
    case WM_CONTEXTMENU:
      if (!self.OnEditorMouse(message, 0)) return 0;
      return std::nullopt;
    case WM_KILLFOCUS: {
      const LRESULT result = CallWindowProcW(old, window, message, wParam, lParam);
      self.OnFocusLeaving(reinterpret_cast<HWND>(wParam));
      return result;
    }
    case WM_NCDESTROY:
      RemoveGridProperty(window, kListPointer);
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace

LRESULT CALLBACK GridList::EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<GridList*>(GridProperty(window, kListPointer));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  const WNDPROC old = window == self->editBox ? self->oldEditBoxProc : self->oldChoiceEditProc;
  if (const auto done = CommonEditorMessage(*self, window, old, message, wParam, lParam)) return *done;
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) {
        self->CancelEditor();
        return 0;
      }
      if (wParam == VK_RETURN && window == self->editChoiceEdit && self->ClosesDroppedList(self->editChoice)) break;
      if (wParam == VK_TAB || wParam == VK_RETURN) return 0;
      if (self->BlockKeyInEditor(wParam)) return 0;
      if (wParam == VK_DELETE && !self->AllowEditorDelete(window)) return 0;
      // A one-line text box has no use for the vertical keys: they move
      // between rows as they do in the list.
      if (window == self->editBox &&
          (wParam == VK_UP || wParam == VK_DOWN || wParam == VK_PRIOR || wParam == VK_NEXT)) {
        self->ArrowKey(*MoveOfKey(wParam), KeyHeld(VK_CONTROL), KeyHeld(VK_SHIFT));
        return 0;
      }
      break;
    case WM_KEYUP:
      if (wParam == VK_TAB && self->OnKeyUp(wParam)) return 0;
      break;
    case WM_CHAR: {
      const auto character = static_cast<wchar_t>(wParam);
      if (character == L'\t' || character == 27 || self->TakeSwallowedChar(character)) return 0;
      if (character == L'\r' || character == L'\n') {
        // Enter moves on like Tab, which commits through CellFocus.
        self->TabMove(KeyHeld(VK_SHIFT));
        return 0;
      }
      if (!self->AllowEditorChar(window, character)) return 0;
      const LRESULT result = CallWindowProcW(old, window, message, wParam, lParam);
      if (self->HasCurrentCell()) self->model.editText = GridTextOf(EditorWindowText(window));
      return result;
    }
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO: {
      const LRESULT result = CallWindowProcW(old, window, message, wParam, lParam);
      if (self->HasCurrentCell()) self->model.editText = GridTextOf(EditorWindowText(window));
      return result;
    }
    default:
      break;
  }
  return CallWindowProcW(old, window, message, wParam, lParam);
}

LRESULT CALLBACK GridList::ListChoiceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<GridList*>(GridProperty(window, kListPointer));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  const WNDPROC old = self->oldListChoiceProc;
  if (const auto done = CommonEditorMessage(*self, window, old, message, wParam, lParam)) return *done;
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) {
        self->CancelEditor();
        if (SendMessageW(window, CB_GETDROPPEDSTATE, 0, 0)) SendMessageW(window, CB_SHOWDROPDOWN, FALSE, 0);
        return 0;
      }
      if (wParam == VK_RETURN && self->ClosesDroppedList(window)) break;
      if (wParam == VK_TAB || wParam == VK_RETURN) return 0;
      if (self->BlockKeyInEditor(wParam)) return 0;
      break;
    case WM_KEYUP:
      if (wParam == VK_TAB && self->OnKeyUp(wParam)) return 0;
      break;
    case WM_CHAR:
      if (self->TakeSwallowedChar(static_cast<wchar_t>(wParam))) return 0;
      if (wParam == L'\r' || wParam == L'\n') {
        self->TabMove(KeyHeld(VK_SHIFT));
        return 0;
      }
      if (wParam == L'\t' || wParam == 27) return 0;
      break;
    default:
      break;
  }
  return CallWindowProcW(old, window, message, wParam, lParam);
}

}  // namespace vantorel
