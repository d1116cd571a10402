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
// EditDelete's key for text a cut or a paste over a selection removes: the
// character its Ctrl shortcut types.
constexpr std::int64_t kCutKey = 0x18;
constexpr std::int64_t kPasteKey = 0x16;

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
  // CellFocus and EditDone handlers may add or remove rows: the target is
  // the same row found again by its identity afterwards; a target whose row
  // went, or a grid whose columns changed, is no move.
  const std::uint64_t targetId = model.RowId(target.row);
  const std::uint64_t shape = model.Shape();
  const std::int64_t columns = model.ColumnCount();
  auto targetStays = [&] {
    if (!listWindow || model.ColumnCount() != columns) return false;
    if (model.Shape() != shape) target.row = model.RowOfId(targetId);
    return model.HasCell(target.column, target.row);
  };
  CellEvent focus;
  focus.row = target.row;
  focus.column = target.column;
  focus.value = value;
  if (Raise(GridEvent::CellFocus, focus) != 1 || !targetStays()) return false;
  Commit();
  if (!targetStays()) return false;
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
  // Without a current cell a block's moving corner is where Tab starts, as
  // for the arrows.
  GridCell from{model.editRow, model.editColumn};
  if (!HasCurrentCell() && HasBlock()) from = GridCell{model.block.currentRow, model.block.currentColumn};
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
    EnsureCellVisible(to->row, to->column);
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
  if (openEditor_ == editBox) {
    SetWindowTextW(editBox, start.c_str());
  } else if (HWND combo = openEditor_) {
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
  if (code != CBN_SELCHANGE || !HasCurrentCell() || combo != openEditor_) return;
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
  EnsureCellVisible(model.block.currentRow, model.block.currentColumn);
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
        EmptyBlockCells(block.anchorColumn, block.anchorRow, block.width, block.height);
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
        EmptyBlockCells(block.anchorColumn, block.anchorRow, block.width, block.height);
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
    std::wstring going;
    if (selected)
      going = text.substr(selection.start, selection.end - selection.start);
    else if (selection.start > 0)
      going = text.substr(selection.start - 1, 1);
    result = RaiseEditDelete(std::move(going), character, selection.start, selection.end);
  }
  if (character != L'\b' && result != 0) {
    CellEvent typed;
    typed.row = model.editRow;
    typed.column = model.editColumn;
    typed.text = WideOf(model.editText);
    typed.value = character;
    typed.x1 = static_cast<std::int64_t>(selection.start);
    typed.x2 = static_cast<std::int64_t>(selection.end);
    result = Raise(GridEvent::EditChar, typed);
  }
  return result == 1;
}

bool GridList::AllowEditorDelete(HWND edit) {
  if (!HasCurrentCell()) return true;
  const std::wstring text = EditorWindowText(edit);
  const EditorSelection selection = SelectionOf(edit, text.size());
  std::wstring going;
  if (selection.end > selection.start)
    going = text.substr(selection.start, selection.end - selection.start);
  else if (selection.start < text.size())
    going = text.substr(selection.start, 1);
  return RaiseEditDelete(std::move(going), VK_DELETE, selection.start, selection.end) == 1;
}

std::int64_t GridList::RaiseEditDelete(std::wstring going, std::int64_t key, std::size_t start, std::size_t end) {
  CellEvent erase;
  erase.row = model.editRow;
  erase.column = model.editColumn;
  erase.text = std::move(going);
  erase.value = key;
  erase.x1 = static_cast<std::int64_t>(start);
  erase.x2 = static_cast<std::int64_t>(end);
  return Raise(GridEvent::EditDelete, erase);
}

bool GridList::AllowEditorCut(HWND edit, std::int64_t key) {
  if (!HasCurrentCell()) return true;
  const std::wstring text = WholeWindowText(edit);
  const EditorSelection selection = SelectionOf(edit, text.size());
  if (selection.end <= selection.start) return true;  // nothing goes
  return RaiseEditDelete(text.substr(selection.start, selection.end - selection.start), key, selection.start,
                         selection.end) == 1;
}

void GridList::PasteIntoEditor(HWND edit, WNDPROC old) {
  if (!HasCurrentCell()) {
    CallWindowProcW(old, edit, WM_PASTE, 0, 0);
    return;
  }
  const std::wstring arriving = ClipboardText();
  if (arriving.empty()) return;
  const std::wstring text = WholeWindowText(edit);
  const EditorSelection selection = SelectionOf(edit, text.size());
  if (selection.end > selection.start &&
      RaiseEditDelete(text.substr(selection.start, selection.end - selection.start), kPasteKey, selection.start,
                      selection.end) != 1)
    return;
  const std::wstring around = text.substr(0, selection.start) + text.substr(selection.end);
  const auto kept = OfferTyped(model.editRow, model.editColumn, around, selection.start, GridTextOf(arriving));
  if (!kept || kept->empty() || !HasCurrentCell()) return;
  // Straight to the box: this replacement needs no check of its own.
  CallWindowProcW(old, edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(kept->c_str()));
  model.editText = GridTextOf(WholeWindowText(edit));
}

void GridList::KeepTypable(HWND edit, WNDPROC old, const std::wstring& before) {
  if (!HasCurrentCell()) return;
  const std::wstring now = WholeWindowText(edit);
  if (now == before || GridTextOf(now) == model.startText) {
    model.editText = GridTextOf(now);
    return;
  }
  const auto kept = OfferTyped(model.editRow, model.editColumn, {}, 0, GridTextOf(now));
  if (!kept || !HasCurrentCell()) return;
  if (*kept != now) {
    CallWindowProcW(old, edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kept->c_str()));
    const auto end = static_cast<LPARAM>(kept->size());
    CallWindowProcW(old, edit, EM_SETSEL, static_cast<WPARAM>(end), end);
  }
  model.editText = GridTextOf(*kept);
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
      if (wParam == VK_INSERT && KeyHeld(VK_SHIFT) && !KeyHeld(VK_CONTROL)) {
        // Shift+Insert pastes, in the box itself past WM_PASTE.
        self->PasteIntoEditor(window, old);
        return 0;
      }
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
    case WM_PASTE:
      self->PasteIntoEditor(window, old);
      return 0;
    case WM_CUT:
    case WM_CLEAR: {
      if (!self->AllowEditorCut(window, message == WM_CUT ? kCutKey : VK_DELETE)) return 0;
      const LRESULT result = CallWindowProcW(old, window, message, wParam, lParam);
      if (self->HasCurrentCell()) self->model.editText = GridTextOf(WholeWindowText(window));
      return result;
    }
    case WM_UNDO:
    case EM_UNDO:
    case EM_REPLACESEL:
    case WM_CONTEXTMENU:
    case WM_IME_COMPOSITION: {
      // Text that came by a way other than typing is checked once it is in.
      const std::wstring before = WholeWindowText(window);
      const LRESULT result = CallWindowProcW(old, window, message, wParam, lParam);
      self->KeepTypable(window, old, before);
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
