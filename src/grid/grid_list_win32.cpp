#include "grid/grid_list_win32.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwchar>
#include <unordered_map>

#include "grid/grid_rules.h"

namespace vantorel {
namespace {

using grid_handles::SelectedObject;
using grid_handles::UniqueBrush;
using grid_handles::UniqueFont;

int ReadCommonControlsMajor() {
  HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  if (!comctl) return 5;
  auto get = reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
  if (!get) return 5;
  DLLVERSIONINFO info{};
  info.cbSize = sizeof(info);
  if (FAILED(get(&info))) return 5;
  return static_cast<int>(info.dwMajorVersion);
}

struct SharedOwned {
  UniqueBrush faceBrush;
  UniqueFont smallFont;
};

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

// Clipboard text through the clipboard's own lifetime rules.
class OpenedClipboard {
 public:
  explicit OpenedClipboard(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~OpenedClipboard() {
    if (open_) CloseClipboard();
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  explicit operator bool() const { return open_; }

 private:
  bool open_;
};

struct GlobalFreer {
  void operator()(HGLOBAL h) const { GlobalFree(h); }
};
using UniqueGlobal = std::unique_ptr<std::remove_pointer_t<HGLOBAL>, GlobalFreer>;

std::size_t PropertySlot(const wchar_t* name) {
  if (name == kGridProp || std::wcscmp(name, kGridProp) == 0) return 0;
  if (name == kListPointerProp || std::wcscmp(name, kListPointerProp) == 0) return 1;
  return 2;
}

std::unordered_map<HWND, std::array<HANDLE, 3>>& PropertyTable() {
  static std::unordered_map<HWND, std::array<HANDLE, 3>> table;
  return table;
}

}  // namespace

std::wstring WholeWindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

void SetGridProperty(HWND window, const wchar_t* name, HANDLE value) {
  SetPropW(window, name, value);
  PropertyTable()[window][PropertySlot(name)] = value;
}

void RemoveGridProperty(HWND window, const wchar_t* name) {
  RemovePropW(window, name);
  auto& table = PropertyTable();
  const auto entry = table.find(window);
  if (entry == table.end()) return;
  entry->second[PropertySlot(name)] = nullptr;
  if (std::all_of(entry->second.begin(), entry->second.end(), [](HANDLE h) { return h == nullptr; }))
    table.erase(entry);
}

HANDLE GridProperty(HWND window, const wchar_t* name) {
  const auto& table = PropertyTable();
  const auto entry = table.find(window);
  return entry == table.end() ? nullptr : entry->second[PropertySlot(name)];
}

GridShared& SharedGridState() {
  static SharedOwned owned;
  static GridShared shared = [] {
    GridShared s;
    owned.faceBrush.reset(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
    s.faceBrush = owned.faceBrush.get();
    s.whiteBrush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    s.nullBrush = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(7, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    owned.smallFont.reset(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH,
                                      L"Verdana"));
    s.smallFont = owned.smallFont.get();
    s.scrollBarWidth = GetSystemMetrics(SM_CXVSCROLL);
    s.commonControlsMajor = ReadCommonControlsMajor();
    return s;
  }();
  return shared;
}

std::unique_ptr<GridList> GridList::Create(HWND parent, int id, int x, int y, int width, int height, int rowHeight,
                                           DWORD extraStyle, std::int64_t engineFlags) {
  static const bool initialised = [] {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_WIN95_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)initialised;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  std::unique_ptr<GridList> list;
  try {
    list = std::make_unique<GridList>(Key{});
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  list->listId = id;
  list->flags = engineFlags;
  list->parent_ = parent;
  list->gridLineColour = GetSysColor(COLOR_BTNFACE);

  // A virtual list: the model holds the texts and the list view asks for
  // what it shows, so filling and emptying cost nothing in the list view.
  const DWORD style = (WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | LVS_REPORT | LVS_OWNERDATA | extraStyle) & ~WS_TABSTOP;
  list->listWindow = CreateWindowExW(0, WC_LISTVIEWW, L"", style, x, y, width, height, parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (!list->listWindow) return nullptr;
  HWND lv = list->listWindow;
  const LRESULT ex = SendMessageW(lv, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  SendMessageW(lv, LVM_SETEXTENDEDLISTVIEWSTYLE, static_cast<WPARAM>(-1),
               (ex | LVS_EX_HEADERDRAGDROP) & ~static_cast<LRESULT>(LVS_EX_TRACKSELECT));

  // The list view sizes its rows by its small images; a 1-pixel-wide image
  // list of the wanted height is the only way to set the row height. The
  // list view owns it from here and destroys it with itself: destroying it
  // now would leave the list view a dangling handle to measure rows with on
  // the next font change.
  HIMAGELIST rowSizer = ImageList_Create(1, std::max(rowHeight, 1), ILC_COLOR, 0, 1);
  if (!rowSizer) return nullptr;
  SendMessageW(lv, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rowSizer));

  // List column 0 only holds the row; it is never shown.
  LVCOLUMNW hidden{};
  hidden.mask = LVCF_WIDTH | LVCF_TEXT;
  hidden.cx = 0;
  hidden.pszText = const_cast<wchar_t*>(L"");
  if (SendMessageW(lv, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&hidden)) != 0) return nullptr;

  list->header = reinterpret_cast<HWND>(SendMessageW(lv, LVM_GETHEADER, 0, 0));
  if (!list->header) return nullptr;
  SetWindowLongPtrW(list->header, GWL_STYLE, GetWindowLongPtrW(list->header, GWL_STYLE) & ~HDS_FULLDRAG);
  if (HFONT font = reinterpret_cast<HFONT>(SendMessageW(list->header, WM_GETFONT, 0, 0))) {
    LOGFONTW lf{};
    if (GetObjectW(font, sizeof(lf), &lf) && lf.lfHeight != 0) list->headerHeight = std::abs(lf.lfHeight) + 5;
  }

  // The in-place editors, out of sight until a cell of their type is current.
  list->editBox = CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, kOutOfSight, kOutOfSight,
                                  10, 10, lv, nullptr, instance, nullptr);
  list->listChoice = CreateWindowExW(
      WS_EX_CLIENTEDGE, L"ComboBox", L"",
      WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_HASSTRINGS | CBS_AUTOHSCROLL | CBS_OWNERDRAWFIXED | WS_VSCROLL |
          WS_BORDER | WS_TABSTOP,
      kOutOfSight, kOutOfSight, 100, 350, lv, nullptr, instance, nullptr);
  list->editChoice = CreateWindowExW(
      WS_EX_CLIENTEDGE, L"ComboBox", L"",
      WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | CBS_HASSTRINGS | CBS_AUTOHSCROLL | WS_VSCROLL | WS_BORDER, kOutOfSight,
      kOutOfSight, 100, 350, lv, nullptr, instance, nullptr);
  if (!list->editBox || !list->listChoice || !list->editChoice) return nullptr;
  SendMessageW(list->editBox, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
  SendMessageW(list->listChoice, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), 15);
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  if (GetComboBoxInfo(list->editChoice, &info)) list->editChoiceEdit = info.hwndItem;
  if (!list->editChoiceEdit) list->editChoiceEdit = FindWindowExW(list->editChoice, nullptr, L"Edit", nullptr);

  SetGridProperty(lv, kListPointerProp, list.get());
  // The text box and the editable choice's inner edit share one procedure.
  SetGridProperty(list->editBox, kListPointerProp, list.get());
  list->oldEditBoxProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(list->editBox, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GridList::EditorProc)));
  if (list->editChoiceEdit) {
    SetGridProperty(list->editChoiceEdit, kListPointerProp, list.get());
    list->oldChoiceEditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list->editChoiceEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GridList::EditorProc)));
  }
  SetGridProperty(list->listChoice, kListPointerProp, list.get());
  list->oldListChoiceProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(list->listChoice, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GridList::ListChoiceProc)));
  list->oldListProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(lv, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GridList::ListProc)));
  list->oldHeaderProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(list->header, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GridList::HeaderProc)));
  // The parent is subclassed once, however many engines it holds; the
  // subclass stays until the parent goes.
  if (!GridProperty(parent, kOldParentProcProp)) {
    const LONG_PTR old =
        SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GridList::ParentProc));
    SetGridProperty(parent, kOldParentProcProp, reinterpret_cast<HANDLE>(old));
  }
  list->headerItems_ = SendMessageW(list->header, HDM_GETITEMCOUNT, 0, 0);
  list->ReadColumnOrder();
  return list;
}

GridList::~GridList() {
  if (listWindow && IsWindow(listWindow)) {
    callback = nullptr;
    DestroyWindow(listWindow);
  }
}

std::int64_t GridList::Raise(GridEvent event, CellEvent& record) {
  if (!callback) return 1;
  GridControl* grid = listWindow ? static_cast<GridControl*>(GridProperty(listWindow, kGridProp)) : nullptr;
  // A copy: the callback may replace or remove itself.
  GridCallback call = callback;
  ++raising;
  const std::int64_t result = call(grid, event, record);
  --raising;
  return result;
}

void GridList::SyncItemCount(bool now) {
  if (!listWindow || (redrawOff && !now)) return;
  const std::int64_t rows = model.RowCount();
  if (SendMessageW(listWindow, LVM_GETITEMCOUNT, 0, 0) == rows) return;
  SendMessageW(listWindow, LVM_SETITEMCOUNT, static_cast<WPARAM>(std::min<std::int64_t>(rows, INT_MAX)),
               LVSICF_NOSCROLL);
}

void GridList::InvalidateCell(std::int64_t row, std::int64_t listColumn) {
  if (!listWindow || redrawOff || row < 0 || row >= model.RowCount()) return;
  RECT cell{};
  cell.top = static_cast<LONG>(listColumn);
  cell.left = LVIR_BOUNDS;
  if (!SendMessageW(listWindow, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell))) return;
  cell.right = cell.left + static_cast<LONG>(SendMessageW(listWindow, LVM_GETCOLUMNWIDTH, listColumn, 0));
  InvalidateRect(listWindow, &cell, FALSE);
}

void GridList::InvalidateRow(std::int64_t row) {
  if (!listWindow || redrawOff || row < 0 || row >= model.RowCount()) return;
  RECT item{};
  item.left = LVIR_BOUNDS;
  if (!SendMessageW(listWindow, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item))) return;
  RECT client{};
  GetClientRect(listWindow, &client);
  item.left = client.left;
  item.right = client.right;
  InvalidateRect(listWindow, &item, FALSE);
}

CellEvent GridList::FormatRecord(std::int64_t row, std::int64_t column) const {
  CellEvent record;
  record.row = row;
  record.column = column;
  record.font = ListFont();
  record.backColour = (row == -1 || column == -1) ? GetSysColor(COLOR_BTNFACE) : 0xFFFFFF;
  record.textColour = 0;
  record.keyColour = 0xFFFFFF;
  record.gradientTop = -1;
  record.gradientBottom = -1;
  record.hotColour = -1;
  return record;
}

std::int64_t GridList::RowCount() const { return listWindow ? model.RowCount() : 0; }

std::int64_t GridList::HeaderItemCount() const { return header ? headerItems_ : 0; }

std::wstring GridList::ItemText(std::int64_t row, std::int64_t listColumn) const {
  if (!listWindow) return {};
  return WideOf(model.Text(listColumn - 1, row));
}

void GridList::SetItemText(std::int64_t row, std::int64_t listColumn, const std::wstring& text) {
  if (!listWindow || !model.SetTextUnits(listColumn - 1, row, std::wstring_view(text))) return;
  InvalidateCell(row, listColumn);
}

HFONT GridList::ListFont() const {
  return listWindow ? reinterpret_cast<HFONT>(SendMessageW(listWindow, WM_GETFONT, 0, 0)) : nullptr;
}

HWND GridList::EditorFor(std::int64_t type) const {
  switch (type) {
    case 0:
      return editBox;
    case 3:
      return listChoice;
    case 4:
      return editChoice;
    default:
      return nullptr;
  }
}

void GridList::HideEditors() {
  HWND focus = GetFocus();
  for (HWND editor : {editBox, listChoice, editChoice}) {
    if (!editor) continue;
    if (focus == editor || IsChild(editor, focus)) SetFocus(listWindow);
    if (editor != editBox) SendMessageW(editor, CB_SHOWDROPDOWN, FALSE, 0);
    SetWindowPos(editor, nullptr, kOutOfSight, kOutOfSight, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  openEditor_ = nullptr;
}

std::wstring GridList::EditorText() const {
  const std::wstring editText = WideOf(model.editText);
  if (!openEditor_) return editText;
  if (openEditor_ != listChoice) return WholeWindowText(openEditor_);
  const LRESULT selected = SendMessageW(listChoice, CB_GETCURSEL, 0, 0);
  return selected < 0 ? editText : ComboItemText(listChoice, selected);
}

void GridList::PlaceEditor(HWND editor, std::int64_t row, std::int64_t listColumn) {
  CellEvent format = FormatRecord(row, listColumn - 1);
  Raise(GridEvent::CellFormat, format);
  HFONT font = format.font ? format.font : ListFont();
  RECT cell{};
  cell.top = static_cast<LONG>(listColumn);
  cell.left = LVIR_BOUNDS;
  if (!SendMessageW(listWindow, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell)))
    return;
  cell.right = cell.left + static_cast<LONG>(SendMessageW(listWindow, LVM_GETCOLUMNWIDTH, listColumn, 0));
  const int cellWidth = cell.right - cell.left;
  const int cellHeight = cell.bottom - cell.top;
  rowHeight = cellHeight;
  SendMessageW(editor, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  const int frame = static_cast<int>(currentFrameWidth);
  if (editor == editBox) {
    const int inset = 4 + frame;
    SetWindowPos(editor, HWND_TOP, cell.left + inset, cell.top + frame, std::max(cellWidth - 2 * inset, 0),
                 std::max(cellHeight - 2 * frame, 0), SWP_NOACTIVATE);
    return;
  }
  const bool modern = SharedGridState().commonControlsMajor >= 6;
  int left = cell.left;
  if (editor == editChoice)
    left += 3;
  else if (!(flags & grid_flags::kChoiceWritesAtOnce))
    left += 2;
  const int width = std::max(editor == editChoice ? cellWidth - 5 : static_cast<int>(cell.right - left), 0);
  if (editor == listChoice) {
    HDC dc = GetDC(listWindow);
    TEXTMETRICW tm{};
    {
      SelectedObject selected(dc, font);
      GetTextMetricsW(dc, &tm);
    }
    ReleaseDC(listWindow, dc);
    SendMessageW(editor, CB_SETITEMHEIGHT, 0, tm.tmHeight + 1);
    SendMessageW(editor, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), std::min(16, cellHeight - 6));
  }
  const int heightGiven = modern ? 20 : (editor == listChoice ? 100 : 200);
  SetWindowPos(editor, HWND_TOP, left, cell.top, width, heightGiven, SWP_NOACTIVATE);
  RECT placed{};
  GetWindowRect(editor, &placed);
  const int closed = placed.bottom - placed.top;
  SetWindowPos(editor, nullptr, left, cell.top + (cellHeight - closed) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void GridList::OpenCell(std::int64_t row, std::int64_t listColumn, bool focus) {
  if (!listWindow || row < 0 || row >= RowCount() || listColumn < 1 || listColumn >= HeaderItemCount()) return;
  SyncItemCount(true);
  SendMessageW(listWindow, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  // The cell left behind loses its frame; the new one gets it.
  if (HasCurrentCell()) InvalidateCell(model.editRow, model.editColumn + 1);
  InvalidateRow(row);
  PrepareCell(row, listColumn, focus);
}

void GridList::PrepareCell(std::int64_t row, std::int64_t listColumn, bool focus) {
  model.editRow = row;
  model.editColumn = listColumn - 1;

  CellEvent type;
  type.row = row;
  type.column = listColumn - 1;
  Raise(GridEvent::CellType, type);
  if (!model.IsCurrent(listColumn - 1, row)) return;  // the callback moved on
  model.editType = type.type;
  model.startText = model.Text(listColumn - 1, row);
  model.editText = model.startText;
  const std::wstring startText = WideOf(model.startText);

  HideEditors();
  HWND editor = EditorFor(model.editType);
  // A text longer than anyone may type into a text box is not edited in
  // one (the box would take seconds to lay it out); a paste replaces it and
  // Delete empties it like any other.
  if (editor && editor != listChoice && model.startText.size() > kEditorTextLimit) editor = nullptr;
  openEditor_ = editor;
  if (editor == editBox) {
    SetWindowTextW(editBox, startText.c_str());
  } else if (editor) {
    SendMessageW(editor, CB_RESETCONTENT, 0, 0);
    // Options come one per line; an empty piece is an empty option.
    std::size_t from = 0;
    while (true) {
      const std::size_t lf = type.text.find(L'\n', from);
      const std::wstring piece = type.text.substr(from, lf == std::wstring::npos ? std::wstring::npos : lf - from);
      SendMessageW(editor, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(piece.c_str()));
      if (lf == std::wstring::npos) break;
      from = lf + 1;
    }
    if (editor == editChoice) {
      SetWindowTextW(editChoice, startText.c_str());
    } else {
      SendMessageW(listChoice, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
      const LRESULT found = SendMessageW(listChoice, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(startText.c_str()));
      if (found >= 0) SendMessageW(listChoice, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
    }
  }
  if (editor) PlaceEditor(editor, row, listColumn);
  if (focus) SetFocus(editor ? editor : listWindow);
}

void GridList::Commit() {
  if (SharedGridState().commitRunning || !HasCurrentCell()) return;
  model.editText = GridTextOf(EditorText());
  const std::int64_t row = model.editRow;
  const std::int64_t column = model.editColumn;
  if (model.editText == model.startText) {
    if (model.Text(column, row) != model.editText) SetItemText(row, column + 1, WideOf(model.editText));
    return;
  }
  // The callback may add or remove rows: the edited row is found again by
  // its identity afterwards, so no other row's cell is overwritten.
  const std::uint64_t rowId = model.RowId(row);
  const std::uint64_t shape = model.Shape();
  const std::int64_t columns = model.ColumnCount();
  CellEvent done;
  done.row = row;
  done.column = column;
  done.text = WideOf(model.editText);
  std::int64_t result = 0;
  {
    CommitGuard guard;
    result = Raise(GridEvent::EditDone, done);
  }
  std::int64_t at = row;
  if (model.Shape() != shape) {
    at = model.RowOfId(rowId);
    if (at < 0 || model.ColumnCount() != columns) return;  // the cell is gone
  }
  const bool stillCurrent = model.IsCurrent(column, at);
  // startText may have been replaced meanwhile by SetCellText on this cell.
  const std::wstring kept = result == 1 ? done.text : (stillCurrent ? WideOf(model.startText) : ItemText(at, column + 1));
  SetItemText(at, column + 1, kept);
  if (stillCurrent) {
    model.startText = GridTextOf(kept);
    model.editText = model.startText;
    if (openEditor_ == editBox || openEditor_ == editChoice) SetWindowTextW(openEditor_, kept.c_str());
  }
}

void GridList::DropBlock(bool report) {
  if (!HasBlock()) return;
  const GridBlock old = model.block;
  model.block = GridBlock{};
  model.blockMode = 0;
  if (listWindow && !redrawOff) InvalidateRect(listWindow, nullptr, FALSE);
  if (!report) return;
  CellEvent cleared;
  cleared.row = HasCurrentCell() ? model.editRow : old.anchorRow;
  cleared.column = HasCurrentCell() ? model.editColumn : old.anchorColumn;
  Raise(GridEvent::BlockCleared, cleared);
}

void GridList::EndEditing() {
  // Rows may be about to change under the pointer's tip and hot cell, and
  // under a held button.
  ForgetPointer();
  ForgetPressedButton();
  if (!HasCurrentCell() && !HasBlock()) return;
  DropBlock(true);
  Commit();
  HideEditors();
  if (HasCurrentCell()) InvalidateCell(model.editRow, model.editColumn + 1);
  model.ForgetCurrentCell();
}

void GridList::FollowEditedCell(std::int64_t row, std::int64_t listColumn) {
  if (!model.IsCurrent(listColumn - 1, row)) return;
  HWND focus = GetFocus();
  const bool editorHadFocus = focus && focus != listWindow && IsChild(listWindow, focus);
  // Re-opening reads the cell (which holds the text now), asks its type
  // again and puts the text into the editor as its start text.
  PrepareCell(row, listColumn, editorHadFocus);
}

void GridList::SetSelectionKind(std::int64_t kind) {
  if (kind < 0 || kind > 3) return;
  model.selectionKind = static_cast<std::uint8_t>(kind);
  if (kind == 3) {
    DropBlock(false);
    return;
  }
  if (!HasCurrentCell() || kind == 0) return;
  ReadColumnOrder();
  const GridCell current{model.editRow, model.editColumn};
  model.block = BlockBetween(model, current, current, kind);
  if (listWindow && !redrawOff) InvalidateRect(listWindow, nullptr, FALSE);
}

bool GridList::ShowsBlock() const {
  if (!HasBlock()) return false;
  if (!HasCurrentCell()) return true;
  return model.block.width > 1 || model.block.height > 1;
}

void GridList::ReadColumnOrder() {
  const std::int64_t count = std::min<std::int64_t>(HeaderItemCount(), kMaxHeaderItems);
  displayOrder.fill(0);
  displayPosition.fill(0);
  if (count <= 0) return;
  SendMessageW(listWindow, LVM_GETCOLUMNORDERARRAY, static_cast<WPARAM>(count),
               reinterpret_cast<LPARAM>(displayOrder.data()));
  for (std::int64_t position = 0; position < count; ++position) {
    const std::int32_t item = displayOrder[static_cast<std::size_t>(position)];
    if (item >= 0 && item < kMaxHeaderItems) displayPosition[static_cast<std::size_t>(item)] = static_cast<std::int32_t>(position);
  }
  model.SetHeaderOrder(std::vector<std::int32_t>(displayOrder.begin(), displayOrder.begin() + count));
}

std::vector<std::int64_t> GridList::ColumnsInDisplayOrder() {
  ReadColumnOrder();
  return model.Order();
}

bool GridList::CopyBlockToClipboard(std::int64_t column, std::int64_t row, std::int64_t width,
                                    std::int64_t height) {
  ReadColumnOrder();
  const GridBlockCells cells = BlockCells(model, column, row, width, height);
  if (cells.columns.empty() || cells.firstRow >= cells.endRow) return false;
  const std::u16string text = BlockText(model, column, row, width, height, GridTextOf(EditorText()));
  UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t)));
  if (!memory) return false;
  if (void* target = GlobalLock(memory.get())) {
    std::copy(text.begin(), text.end(), static_cast<char16_t*>(target));
    static_cast<char16_t*>(target)[text.size()] = u'\0';
    GlobalUnlock(memory.get());
  } else {
    return false;
  }
  OpenedClipboard clipboard(listWindow);
  if (!clipboard) return false;
  EmptyClipboard();
  if (!SetClipboardData(CF_UNICODETEXT, memory.get())) return false;
  memory.release();  // the clipboard owns it now
  return true;
}

void GridList::EmptyBlock(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height) {
  ReadColumnOrder();
  const GridBlockCells cells = BlockCells(model, column, row, width, height);
  for (std::int64_t r = cells.firstRow; r < cells.endRow; ++r)
    for (std::int64_t c : cells.columns) {
      SetItemText(r, c + 1, L"");
      FollowEditedCell(r, c + 1);
    }
}

void GridList::EmptyBlockCells(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height) {
  // From inside an EditDone handler the commits would nest.
  if (SharedGridState().commitRunning) return;
  Commit();
  if (!listWindow) return;
  ReadColumnOrder();
  const GridBlockCells cells = BlockCells(model, column, row, width, height);
  std::vector<GridCellWrite> writes;
  writes.reserve(static_cast<std::size_t>(cells.endRow - cells.firstRow) * cells.columns.size());
  for (std::int64_t r = cells.firstRow; r < cells.endRow; ++r)
    for (std::int64_t c : cells.columns) writes.push_back({r, c, {}});
  WriteArrivingCells(writes, true);
}

std::wstring GridList::ClipboardText() const {
  OpenedClipboard clipboard(listWindow);
  if (!clipboard) return {};
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (!data) return {};
  const auto* chars = static_cast<const wchar_t*>(GlobalLock(data));
  if (!chars) return {};
  const SIZE_T capacity = GlobalSize(data) / sizeof(wchar_t);
  std::wstring text(chars, std::find(chars, chars + capacity, L'\0'));
  GlobalUnlock(data);
  return text;
}

void GridList::PasteClipboard() {
  // A paste from inside an EditDone handler would nest commits.
  if (!HasCurrentCell() || SharedGridState().commitRunning) return;
  const std::wstring text = ClipboardText();
  if (text.empty()) return;
  Commit();
  if (!HasCurrentCell()) return;
  ReadColumnOrder();
  WriteArrivingCells(PasteWrites(model, GridCell{model.editRow, model.editColumn}, GridTextOf(text)), false);
}

namespace {

// A list choice takes one of its options only, spelt as the list has it.
std::optional<std::wstring> ListedOption(const std::wstring& options, const GridText& text) {
  const std::wstring wanted = WideOf(text);
  std::size_t from = 0;
  while (true) {
    const std::size_t lf = options.find(L'\n', from);
    const std::wstring option = options.substr(from, lf == std::wstring::npos ? std::wstring::npos : lf - from);
    if (CompareStringOrdinal(option.c_str(), static_cast<int>(option.size()), wanted.c_str(),
                             static_cast<int>(wanted.size()), TRUE) == CSTR_EQUAL)
      return option;
    if (lf == std::wstring::npos) return std::nullopt;
    from = lf + 1;
  }
}

}  // namespace

void GridList::WriteArrivingCells(const std::vector<GridCellWrite>& writes, bool emptying) {
  // Rows the callback adds or removes move the cells meant: each write finds
  // its row again by identity, and the writing stops when columns changed.
  const std::int64_t columns = model.ColumnCount();
  std::vector<std::uint64_t> ids;
  ids.reserve(writes.size());
  for (const GridCellWrite& write : writes) ids.push_back(model.RowId(write.row));
  const std::uint64_t shape = model.Shape();
  auto gone = [&] { return !listWindow || model.ColumnCount() != columns; };
  for (std::size_t i = 0; i < writes.size(); ++i) {
    const GridCellWrite& write = writes[i];
    auto rowNow = [&] { return model.Shape() == shape ? write.row : model.RowOfId(ids[i]); };
    std::int64_t row = rowNow();
    if (row < 0) continue;
    CellEvent type;
    type.row = row;
    type.column = write.column;
    Raise(GridEvent::CellType, type);
    if (gone()) return;
    std::optional<std::wstring> accepted;
    switch (IntakeOf(type.type)) {
      case CellIntake::Typed:
        accepted = OfferTyped(row, write.column, {}, 0, write.text);
        break;
      case CellIntake::Option:
        // A choice is left as it is by Delete and Ctrl+X: no option is nothing.
        if (!emptying) accepted = ListedOption(type.text, write.text);
        break;
      case CellIntake::None:
        break;  // cells without an editor are never written by the user
    }
    if (gone()) return;
    if (!accepted) continue;
    row = rowNow();
    if (row < 0) continue;
    CellEvent done;
    done.row = row;
    done.column = write.column;
    done.text = std::move(*accepted);
    std::int64_t result = 0;
    {
      CommitGuard guard;
      result = Raise(GridEvent::EditDone, done);
    }
    if (gone()) return;
    row = rowNow();
    if (result != 1 || row < 0) continue;
    SetItemText(row, write.column + 1, done.text);
    FollowEditedCell(row, write.column + 1);
  }
}

std::optional<std::wstring> GridList::OfferTyped(std::int64_t row, std::int64_t column, const std::wstring& around,
                                                 std::size_t caret, std::u16string_view arriving) {
  caret = std::min(caret, around.size());
  // One text for every character's record, grown by the characters kept, so
  // a long paste costs no copy of it per character; rebuilt only when the
  // application changed it.
  std::wstring current = around;
  std::wstring kept;
  const GridText result = TypedIntake(arriving, [&](char16_t character) {
    if (!listWindow) return false;
    const std::size_t at = caret + kept.size();
    if (current.size() != around.size() + kept.size())
      current = around.substr(0, caret) + kept + around.substr(caret);
    CellEvent typed;
    typed.row = row;
    typed.column = column;
    typed.text = std::move(current);
    typed.value = character;
    typed.x1 = typed.x2 = static_cast<std::int64_t>(at);
    const bool accepted = Raise(GridEvent::EditChar, typed) == 1;
    current = std::move(typed.text);
    if (!accepted) return false;
    kept.push_back(static_cast<wchar_t>(character));
    if (current.size() + 1 == around.size() + kept.size()) current.insert(at, 1, static_cast<wchar_t>(character));
    return true;
  });
  if (!listWindow) return std::nullopt;
  return WideOf(result);
}

std::optional<LRESULT> GridList::OnNotifyFromList(NMHDR* header) {
  switch (header->code) {
    case NM_CUSTOMDRAW:
      return CustomDrawList(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
    case LVN_COLUMNCLICK: {
      const auto* click = reinterpret_cast<NMLISTVIEW*>(header);
      if (click->iSubItem < 1) return 0;
      CellEvent record;
      record.row = -1;
      record.column = click->iSubItem - 1;
      Raise(GridEvent::HeaderClick, record);
      return 0;
    }
    case LVN_GETDISPINFOW: {
      // Only the text is asked: the grid paints itself.
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
      LVITEMW& item = info->item;
      if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const GridText text = model.Text(item.iSubItem - 1, item.iItem);
        const auto length = std::min<std::size_t>(text.size(), static_cast<std::size_t>(item.cchTextMax) - 1);
        std::copy_n(text.begin(), length, item.pszText);
        item.pszText[length] = L'\0';
      }
      return 0;
    }
    case LVN_ODFINDITEMW:
      return -1;  // no type-ahead search in a grid
    default:
      return std::nullopt;
  }
}

LRESULT CALLBACK GridList::ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<GridList*>(GridProperty(window, kListPointerProp));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  const WNDPROC old = self->oldListProc;
  if (const auto handled = self->OnListMouseMessage(message, wParam, lParam)) return *handled;
  switch (message) {
    case WM_USER + 1: {
      CellEvent record;
      record.row = -1;
      record.column = -1;
      record.value = 2;
      self->Raise(GridEvent::LayoutChanged, record);
      return 0;
    }
    case WM_GETDLGCODE:
      return DLGC_WANTTAB | DLGC_WANTALLKEYS;
    case WM_COMMAND: {
      HWND from = reinterpret_cast<HWND>(lParam);
      if (from && (from == self->listChoice || from == self->editChoice)) {
        self->OnChoiceNotify(from, HIWORD(wParam));
        return 0;
      }
      break;
    }
    case WM_KEYDOWN:
      if (self->OnListKeyDown(wParam)) return 0;
      break;
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL: {
      // The open editor moves with its cell.
      const LRESULT result = CallWindowProcW(old, window, message, wParam, lParam);
      self->PlaceCurrentEditor();
      return result;
    }
    case WM_KEYUP:
      if (self->OnKeyUp(wParam)) return 0;
      break;
    case WM_CHAR:
      // Keys act on WM_KEYDOWN; the list view's type-ahead has no place here.
      if (wParam < 32 || wParam == L' ') return 0;
      break;
    case WM_SETREDRAW: {
      self->redrawOff = wParam == FALSE;
      if (!self->redrawOff) self->SyncItemCount();
      break;
    }
    case WM_ERASEBKGND:
      // Cells paint themselves; only what lies outside them is filled here.
      self->EraseEmptyArea(reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_CTLCOLOREDIT:
      return self->EditorColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_NOTIFY: {
      auto* from = reinterpret_cast<NMHDR*>(lParam);
      if (!from || from->hwndFrom != self->header) break;
      switch (from->code) {
        case NM_CUSTOMDRAW:
          return self->CustomDrawHeader(reinterpret_cast<NMCUSTOMDRAW*>(lParam));
        case HDN_BEGINTRACKA:
        case HDN_BEGINTRACKW:
          return TRUE;  // the header procedure tracks dividers itself
        case HDN_ENDDRAG:
          PostMessageW(window, WM_USER + 2, static_cast<WPARAM>(reinterpret_cast<NMHEADERW*>(lParam)->iItem), 0);
          break;
        default:
          break;
      }
      break;
    }
    case LVM_INSERTCOLUMNA:
    case LVM_INSERTCOLUMNW:
    case LVM_DELETECOLUMN: {
      // Cell writes check columns against this count; asking the header
      // each time would double the cost of a fill.
      const LRESULT result = CallWindowProcW(old, window, message, wParam, lParam);
      if (self->header) self->headerItems_ = SendMessageW(self->header, HDM_GETITEMCOUNT, 0, 0);
      // The model follows the header's items; the hidden item 0 is not a column.
      if (message == LVM_DELETECOLUMN) {
        if (result) self->model.RemoveColumn(static_cast<std::int64_t>(wParam) - 1);
      } else if (result >= 1) {
        self->model.InsertColumn(result - 1);
      }
      return result;
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (!item || item->hwndItem != self->listChoice) break;
      if (item->itemID == static_cast<UINT>(-1)) return TRUE;
      CellEvent format = self->FormatRecord(self->model.editRow, self->model.editColumn);
      self->Raise(GridEvent::CellFormat, format);
      const bool selected = (item->itemState & (ODS_SELECTED | ODS_FOCUS)) != 0;
      FillRect(item->hDC, &item->rcItem,
               selected ? GetSysColorBrush(COLOR_HIGHLIGHT) : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      SetTextColor(item->hDC, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(0, 0, 0));
      SetBkMode(item->hDC, TRANSPARENT);
      SelectedObject font(item->hDC, format.font ? format.font : self->ListFont());
      std::wstring text = ComboItemText(self->listChoice, static_cast<LRESULT>(item->itemID));
      RECT area = item->rcItem;
      area.left += 2;
      DrawTextW(item->hDC, text.c_str(), static_cast<int>(text.size()), &area,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
      return TRUE;
    }
    case WM_NCDESTROY: {
      self->DestroyTooltip();
      self->StopBlockTracking();
      RemoveGridProperty(window, kListPointerProp);
      if (GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&GridList::ListProc))
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
      self->listWindow = nullptr;
      self->header = nullptr;
      self->editBox = self->listChoice = self->editChoice = self->editChoiceEdit = nullptr;
      self->tooltip = nullptr;
      break;
    }
    default:
      break;
  }
  return CallWindowProcW(old, window, message, wParam, lParam);
}

LRESULT CALLBACK GridList::HeaderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<GridList*>(GridProperty(GetParent(window), kListPointerProp));
  if (!self || self->header != window) return DefWindowProcW(window, message, wParam, lParam);
  const WNDPROC old = self->oldHeaderProc;
  if (const auto handled = self->OnHeaderMouse(message, wParam, lParam)) return *handled;
  switch (message) {
    case HDM_LAYOUT: {
      // The header is as high as the grid says, whatever its font.
      const LRESULT result = CallWindowProcW(old, window, message, wParam, lParam);
      auto* layout = reinterpret_cast<HDLAYOUT*>(lParam);
      if (layout && layout->prc && layout->pwpos) {
        layout->pwpos->cy = static_cast<int>(self->headerHeight);
        layout->prc->top = layout->pwpos->y + static_cast<int>(self->headerHeight);
      }
      return result;
    }
    case WM_NCDESTROY:
      if (GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&GridList::HeaderProc))
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
      self->header = nullptr;
      break;
    default:
      break;
  }
  return CallWindowProcW(old, window, message, wParam, lParam);
}

LRESULT CALLBACK GridList::ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto old = reinterpret_cast<WNDPROC>(GridProperty(window, kOldParentProcProp));
  if (!old) old = DefWindowProcW;
  switch (message) {
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (!header || !header->hwndFrom) break;
      auto* list = static_cast<GridList*>(GridProperty(header->hwndFrom, kListPointerProp));
      if (list && list->listWindow == header->hwndFrom && list->parent_ == window)
        if (const auto result = list->OnNotifyFromList(header)) return *result;
      break;
    }
    case WM_NCDESTROY:
      RemoveGridProperty(window, kOldParentProcProp);
      if (GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&GridList::ParentProc))
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
      break;
    default:
      break;
  }
  return CallWindowProcW(old, window, message, wParam, lParam);
}

}  // namespace vantorel
