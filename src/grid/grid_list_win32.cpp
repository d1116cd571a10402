#include "grid/grid_list_win32.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>

#include "grid/grid_input_win32.h"
#include "grid/grid_rules.h"

namespace vantorel {
namespace {

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

// Another program (a clipboard manager, a paste in another window) may hold
// the clipboard for a moment: a cut or paste waits for it briefly rather than
// doing nothing.
bool OpenClipboardSoon(HWND owner) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (OpenClipboard(owner)) return true;
    Sleep(4);
  }
  return false;
}

// Clipboard text through the clipboard's own lifetime rules.
class OpenedClipboard {
 public:
  explicit OpenedClipboard(HWND owner) : open_(OpenClipboardSoon(owner)) {}
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

}  // namespace

std::wstring WholeWindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
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
                                           DWORD extraStyle, std::int64_t engineFlags, bool editorsLater) {
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
  list->core.look.flags = engineFlags;
  list->parent_ = parent;
  list->core.look.gridLineColour = GetSysColor(COLOR_BTNFACE);

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
    if (GetObjectW(font, sizeof(lf), &lf) && lf.lfHeight != 0)
      list->core.look.headerHeight = std::abs(lf.lfHeight) + grid_pixels::kHeaderOverFont;
  }

  // The in-place editors, out of sight until a cell of their type is current.
  if (!list->editors.Create(editorsLater)) return nullptr;
  SetGridProperty(lv, kListPointerProp, list.get());
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
    core.notifier.callback = nullptr;
    DestroyWindow(listWindow);
  }
}

void GridList::SyncItemCount(bool now) {
  if (!listWindow || (redrawOff && !now)) return;
  const std::int64_t rows = core.model.RowCount();
  if (SendMessageW(listWindow, LVM_GETITEMCOUNT, 0, 0) == rows) return;
  SendMessageW(listWindow, LVM_SETITEMCOUNT, static_cast<WPARAM>(std::min<std::int64_t>(rows, INT_MAX)),
               LVSICF_NOSCROLL);
}

void GridList::InvalidateListCell(std::int64_t row, std::int64_t listColumn) {
  if (!listWindow || redrawOff || row < 0 || row >= core.model.RowCount()) return;
  RECT cell{};
  cell.top = static_cast<LONG>(listColumn);
  cell.left = LVIR_BOUNDS;
  if (!SendMessageW(listWindow, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell))) return;
  cell.right = cell.left + static_cast<LONG>(SendMessageW(listWindow, LVM_GETCOLUMNWIDTH, listColumn, 0));
  InvalidateRect(listWindow, &cell, FALSE);
}

void GridList::InvalidateRow(std::int64_t row) {
  if (!listWindow || redrawOff || row < 0 || row >= core.model.RowCount()) return;
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
  return FormatDefaults(row, column, ListFont(), GetSysColor(COLOR_BTNFACE));
}

void GridList::InvalidateAll() {
  if (listWindow && !redrawOff) InvalidateRect(listWindow, nullptr, FALSE);
}

std::int64_t GridList::RowCount() const { return listWindow ? core.model.RowCount() : 0; }

std::int64_t GridList::HeaderItemCount() const { return header ? headerItems_ : 0; }

HFONT GridList::ListFont() const {
  return listWindow ? reinterpret_cast<HFONT>(SendMessageW(listWindow, WM_GETFONT, 0, 0)) : nullptr;
}

std::int64_t GridList::PageRows() { return SendMessageW(listWindow, LVM_GETCOUNTPERPAGE, 0, 0); }

void GridList::EnsureRowVisible(std::int64_t row) {
  SyncItemCount(true);
  SendMessageW(listWindow, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

void GridList::ReadColumnOrder() {
  const std::int64_t count = std::min<std::int64_t>(HeaderItemCount(), kMaxHeaderItems);
  if (count <= 0) return;
  std::vector<std::int32_t> items(static_cast<std::size_t>(count));
  if (SendMessageW(listWindow, LVM_GETCOLUMNORDERARRAY, static_cast<WPARAM>(count),
                   reinterpret_cast<LPARAM>(items.data())))
    core.model.SetHeaderOrder(items);
}

GridText GridList::ClipboardText() {
  OpenedClipboard clipboard(listWindow);
  if (!clipboard) return {};
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (!data) return {};
  const auto* chars = static_cast<const char16_t*>(GlobalLock(data));
  if (!chars) return {};
  const SIZE_T capacity = GlobalSize(data) / sizeof(char16_t);
  GridText text(chars, std::find(chars, chars + capacity, u'\0'));
  GlobalUnlock(data);
  return text;
}

bool GridList::SetClipboardText(const GridText& text) {
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

bool GridList::SameOption(const GridText& a, const GridText& b) {
  const std::wstring left = WideOf(a);
  const std::wstring right = WideOf(b);
  return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                              static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

std::optional<LRESULT> GridList::OnNotifyFromList(NMHDR* header) {
  switch (header->code) {
    case NM_CUSTOMDRAW:
      return painter.CustomDrawList(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
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
        const GridText text = core.model.Text(item.iSubItem - 1, item.iItem);
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
      if (from && (from == self->editors.listChoice || from == self->editors.editChoice)) {
        self->editors.OnChoiceNotify(from, HIWORD(wParam));
        return 0;
      }
      break;
    }
    case WM_KEYDOWN:
      if (self->core.keys.OnListKeyDown(KeyOf(wParam), HeldModifiers())) return 0;
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
      if (self->core.keys.OnKeyUp(KeyOf(wParam), HeldModifiers())) return 0;
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
      self->painter.EraseEmptyArea(reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_CTLCOLOREDIT:
      return self->painter.EditorColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_NOTIFY: {
      auto* from = reinterpret_cast<NMHDR*>(lParam);
      if (!from || from->hwndFrom != self->header) break;
      switch (from->code) {
        case NM_CUSTOMDRAW:
          return self->painter.CustomDrawHeader(reinterpret_cast<NMCUSTOMDRAW*>(lParam));
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
        if (result) self->core.model.RemoveColumn(static_cast<std::int64_t>(wParam) - 1);
      } else if (result >= 1) {
        self->core.model.InsertColumn(result - 1);
      }
      self->ReadColumnOrder();
      return result;
    }
    case LVM_SETCOLUMNORDERARRAY: {
      // The model keeps the one record of the display order.
      const LRESULT result = CallWindowProcW(old, window, message, wParam, lParam);
      self->ReadColumnOrder();
      return result;
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (!item || item->hwndItem != self->editors.listChoice) break;
      return self->painter.DrawChoiceItem(*item);
    }
    case WM_NCDESTROY: {
      self->DestroyTooltip();
      self->core.pointer.StopDragging();
      RemoveGridProperty(window, kListPointerProp);
      if (GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&GridList::ListProc))
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
      self->listWindow = nullptr;
      self->header = nullptr;
      self->editors.Forget();
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
        layout->pwpos->cy = static_cast<int>(self->core.look.headerHeight);
        layout->prc->top = layout->pwpos->y + static_cast<int>(self->core.look.headerHeight);
      }
      return result;
    }
    case HDM_SETORDERARRAY: {
      const LRESULT result = CallWindowProcW(old, window, message, wParam, lParam);
      self->ReadColumnOrder();
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
