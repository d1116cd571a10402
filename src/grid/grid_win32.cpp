#include "grid/grid_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <new>

#include "grid/grid_geometry.h"
#include "grid/grid_list_win32.h"
#include "grid/grid_rules.h"
#include "grid/strip_icons.h"
#include "platform/dpi.h"
#include "platform/icon_strip_win32.h"

namespace vantorel {
namespace {

using grid_handles::SelectedObject;
using grid_handles::UniqueBitmap;
using grid_handles::UniqueBrush;
using grid_handles::UniqueDc;

constexpr wchar_t kContainerClass[] = L"VantorelGridContainer";

bool RegisterContainerClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    // The grid's own procedures go on top by subclassing, like on any other
    // window the grid takes over.
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kContainerClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

int NextControlId() {
  static int next = 0x6A00;
  return next++;
}

void ChooseBorder(std::int64_t flags, DWORD& style, DWORD& exStyle) {
  if (flags & grid_flags::kBorderFlat) {
    style |= WS_BORDER;
  } else if (flags & grid_flags::kBorderRaised) {
    style |= WS_DLGFRAME;
    exStyle |= WS_EX_WINDOWEDGE;
  } else if (flags & grid_flags::kBorderSingle) {
    exStyle |= WS_EX_STATICEDGE;
  } else if (flags & grid_flags::kBorderDouble) {
    exStyle |= WS_EX_CLIENTEDGE;
  }
}

template <typename Proc>
WNDPROC Subclass(HWND window, Proc proc) {
  return reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

// Position of a window in its parent's client coordinates.
RECT RectInParent(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Makes a list view lay out its header again. Not every list view does so
// when shown, or on a size message of the same size; all do on a real size
// change.
void RelayoutList(HWND list) {
  RECT r{};
  GetWindowRect(list, &r);
  const UINT keep = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(list, nullptr, 0, 0, r.right - r.left, r.bottom - r.top + 1, keep);
  SetWindowPos(list, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, keep);
}

}  // namespace

bool AppendStripIcons(HIMAGELIST images, std::span<const std::uint8_t> data, int side) {
  const auto icons = SplitLengthPrefixed(data);
  if (!icons || icons->empty()) return false;
  std::vector<IconPixels> pixels;
  pixels.reserve(icons->size());
  for (const auto ico : *icons) {
    const auto image = FindIcoImage(ico, side, 32);
    auto decoded = image ? DecodeIconImage32(*image, side) : std::nullopt;
    if (!decoded) return false;
    pixels.push_back(std::move(*decoded));
  }
  return AddIconStrip(images, pixels);
}

std::unique_ptr<GridControl> GridControl::Create(HWND parent, int x, int y, int width, int height, int rowHeight,
                                                 std::int64_t flags) {
  SharedGridState();  // the first grid makes the shared brushes and reads the scroll-bar width
  if (!parent || !RegisterContainerClass()) return nullptr;
  std::unique_ptr<GridControl> grid;
  try {
    grid = std::make_unique<GridControl>(Key{});
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  // From here an early return frees whatever was made: the destructor runs Free.
  grid->flags = flags;
  grid->images.reset(ImageList_Create(kStripIconSize, kStripIconSize, ILC_COLOR32 | ILC_MASK, 0, 255));
  if (!grid->images) return nullptr;
  if ((flags & grid_flags::kBuiltInStripIcons) && !AppendStripIcons(grid->images.get(), BuiltInStripIconData()))
    grid->images.reset();

  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  DWORD exStyle = 0;
  ChooseBorder(flags, style, exStyle);
  grid->container = NextControlId();
  grid->containerWindow =
      CreateWindowExW(exStyle, kContainerClass, L"", style, x, y, width, height, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(grid->container)), GetModuleHandleW(nullptr), nullptr);
  if (!grid->containerWindow) return nullptr;
  RECT client{};
  GetClientRect(grid->containerWindow, &client);

  DWORD listStyle = 0;
  if (flags & grid_flags::kNoSortHeader) listStyle |= LVS_NOSORTHEADER;
  if (flags & grid_flags::kVisibleStyle) listStyle |= 0x10000000;
  if (flags & grid_flags::kShowSelAlways) listStyle |= LVS_SHOWSELALWAYS;
  grid->listId = NextControlId();
  grid->list = GridList::Create(grid->containerWindow, grid->listId, 0, 0, client.right, client.bottom, rowHeight,
                                listStyle, (flags & grid_flags::kEngineMask) | grid_flags::kChoiceWritesAtOnce,
                                (flags & grid_flags::kEditorsLater) != 0);
  if (!grid->list) return nullptr;
  grid->listWindow = grid->list->listWindow;
  grid->headerWindow = grid->list->header;

  HWND lv = grid->listWindow;
  SetWindowLongPtrW(lv, GWL_EXSTYLE, GetWindowLongPtrW(lv, GWL_EXSTYLE) & ~WS_EX_CLIENTEDGE);
  SetWindowPos(lv, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(lv, SW_HIDE);
  ShowWindow(lv, SW_SHOW);

  for (HWND window : {grid->containerWindow, lv, grid->headerWindow}) SetGridProperty(window, kGridProp, grid.get());
  GridCore& core = grid->list->core;
  core.notifier.grid = grid.get();
  core.strip.view = grid.get();
  core.strip.flags = flags;
  grid->oldContainerProc = Subclass(grid->containerWindow, &GridControl::ContainerProc);
  grid->oldListProc = Subclass(lv, &GridControl::ListProc);
  grid->oldHeaderProc = Subclass(grid->headerWindow, &GridControl::HeaderProc);

  core.strip.pressed = -2;
  grid->SetColour(6, -1);
  grid->SetColour(8, -1);
  core.strip.textLeft = grid_pixels::kStripTextMargin;
  core.strip.textRight = grid_pixels::kStripTextMargin;
  core.model.Row(-1)->state = row_state::kGroupStart;
  // The header takes the grid's height only when the list view lays it out.
  RelayoutList(lv);
  return grid;
}

GridControl::GridControl(Key) {}

void GridControl::MakeEditors() {
  if (list) list->editors.Make();
}

GridControl::~GridControl() { Free(); }

// The grid's procedures clear these handles when their windows are
// destroyed, so they answer without asking the system.
bool GridControl::Alive() const {
  return list && containerWindow && listWindow && list->listWindow == listWindow;
}

GridRow* GridControl::Row(std::int64_t row) { return list ? list->core.model.Row(row) : nullptr; }

std::int64_t GridControl::RowTotal() const { return list ? list->core.model.RowCount() : 0; }

void GridControl::InvalidateList() {
  RedrawWindow(listWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE);
}

void GridControl::AddColumn(std::int64_t position, const std::wstring& title, std::int64_t width) {
  if (!Alive()) return;
  const std::int64_t items = list->HeaderItemCount();
  if (items >= GridList::kMaxHeaderItems) return;
  list->core.BeforeShapeChange();
  const std::int64_t index = ColumnInsertItem(position, items);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = const_cast<wchar_t*>(title.c_str());
  column.cx = static_cast<int>(width);
  SendMessageW(listWindow, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
  RefreshStrip();
}

std::int64_t GridControl::AddRow(std::int64_t position, const std::wstring& text, std::int64_t flag) {
  if (!Alive() || !list->core.AddRow(position, GridTextOf(text), flag) || !Alive()) return 0;
  // While the application fills with redraw off, SetRedraw counts and repaints once at the end.
  list->SyncItemCount();
  if (!redrawOff) {
    RedrawWindow(listWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
    RefreshStrip();
  }
  return 1;
}

bool GridControl::AddSourceRows(std::int64_t count, std::int64_t flag, GridCellSource source) {
  if (!Alive() || !list->core.AddSourceRows(count, flag, std::move(source)) || !Alive()) return false;
  list->SyncItemCount();
  if (!redrawOff) {
    RedrawWindow(listWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
    RefreshStrip();
  }
  return true;
}

bool GridControl::ReplaceSourceRows(std::int64_t count, std::int64_t flag, GridCellSource source,
                                    const std::function<std::int64_t(std::int64_t row)>& iconA) {
  if (!Alive()) return false;
  const bool replaced = list->core.ReplaceSourceRows(count, flag, std::move(source), iconA);
  if (!Alive()) return false;
  list->SyncItemCount();
  if (!redrawOff) InvalidateRect(listWindow, nullptr, TRUE);
  RefreshStrip();
  return replaced;
}

std::int64_t GridControl::SetImage(std::int64_t index, HICON icon) {
  if (!Alive() || !images) return -1;
  if (index >= ImageList_GetImageCount(images.get())) return -1;  // nothing there to replace
  const int result = ImageList_ReplaceIcon(images.get(), index < 0 ? -1 : static_cast<int>(index), icon);
  stripImages.Forget();
  if (index >= 0 && result >= 0) RefreshStrip();
  return result;
}

void GridControl::SetRedraw(bool on, bool update) {
  if (!Alive()) return;
  SendMessageW(listWindow, WM_SETREDRAW, on ? TRUE : FALSE, 0);
  redrawOff = !on;
  if (!on) return;
  InvalidateRect(listWindow, nullptr, TRUE);
  RefreshStrip();
  if (update) {
    UpdateWindow(listWindow);
    UpdateWindow(containerWindow);
  }
}

void GridControl::ResumeRedraw(const std::function<void()>& layout) {
  if (!Alive()) return;
  // Wine's list view draws its scroll bars the moment their range changes,
  // and its first paint with rows lays them out and draws them again: each
  // themed scroll bar costs more than all the visible cells. Out of sight,
  // the way Windows' own WM_SETREDRAW keeps a window, none of that is drawn.
  const bool shown = IsWindowVisible(listWindow) != FALSE;
  if (shown) DefWindowProcW(listWindow, WM_SETREDRAW, FALSE, 0);
  SetRedraw(true, false);
  if (layout && Alive()) layout();
  if (!Alive() || !shown) return;
  // A print into one pixel settles what the first paint would lay out.
  if (UniqueDc memory{CreateCompatibleDC(nullptr)}) {
    UniqueBitmap pixel(CreateBitmap(1, 1, 1, 32, nullptr));
    SelectedObject selected(memory.get(), pixel.get());
    SendMessageW(listWindow, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()), PRF_CLIENT);
  }
  if (!Alive()) return;
  DefWindowProcW(listWindow, WM_SETREDRAW, TRUE, 0);
  RedrawWindow(listWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void GridControl::ClearRows() {
  if (!Alive() || !list->core.ClearRows() || !Alive()) return;
  list->SyncItemCount();
  if (!redrawOff) InvalidateRect(listWindow, nullptr, TRUE);
  RefreshStrip();
}

void GridControl::CopyBlock(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height) {
  if (!Alive()) return;
  list->core.intake.CopyBlock(column, row, width, height);
}

void GridControl::SetCallback(GridCallback callback) {
  if (!Alive()) return;
  list->core.notifier.callback = std::move(callback);
  RedrawWindow(listWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_FRAME);
  RefreshStrip();
}

void GridControl::ClearBlock(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height) {
  if (!Alive()) return;
  list->core.intake.EmptyBlock(column, row, width, height);
}

void GridControl::Free() {
  // Nothing is asked of the application while the grid comes down.
  if (list) list->core.notifier.callback = nullptr;
  if (containerWindow && IsWindow(containerWindow)) DestroyWindow(containerWindow);
  containerWindow = nullptr;
  listWindow = nullptr;
  headerWindow = nullptr;
  // Freed from inside a callback, the engine's procedures are still on the
  // stack: it is kept, emptied, until the grid itself goes.
  if (list && list->core.notifier.raising > 0) {
    list->core.model.ClearRows();
    retiredLists.push_back(std::move(list));
  }
  list.reset();
  emptyAreaBrush = nullptr;
  stripBrush = nullptr;
  ownEmptyAreaBrush.reset();
  ownStripBrush.reset();
  stripImages.Forget();
  images.reset();
}

void GridControl::SetBlock(std::int32_t column, std::int32_t row, std::int32_t width, std::int32_t height) {
  if (!Alive() || !list->core.SetBlock(column, row, width, height)) return;
  InvalidateList();
}

std::wstring GridControl::GetCellText(std::int64_t column, std::int64_t row) {
  if (!Alive()) return {};
  return WideOf(list->core.model.Text(column, row));
}

std::int64_t GridControl::GetColumnOrder(std::span<std::int32_t> buffer) {
  if (!Alive()) return -1;
  const std::vector<std::int32_t>& items = list->core.model.Columns().HeaderItems();
  const std::int64_t count =
      std::min({list->HeaderItemCount(), static_cast<std::int64_t>(buffer.size()),
                static_cast<std::int64_t>(GridList::kMaxHeaderItems), static_cast<std::int64_t>(items.size())});
  std::copy_n(items.begin(), std::max<std::int64_t>(count, 0), buffer.begin());
  return count;
}

std::int64_t GridControl::GetHeight() {
  if (!Alive()) return -1;
  const RECT r = RectInParent(containerWindow);
  return r.bottom - r.top;
}

HWND GridControl::GetWindow() { return Alive() ? containerWindow : nullptr; }

std::int64_t GridControl::GetColumnCount() { return Alive() ? list->HeaderItemCount() - 1 : -1; }

std::int64_t GridControl::GetRowCount() { return Alive() ? list->core.model.RowCount() : -1; }

std::int64_t GridControl::GetRowValue(std::int64_t row) {
  if (!Alive()) return 0;
  const GridRow* r = Row(row);
  return r ? r->userValue : 0;
}

std::uint64_t GridControl::GetRowState(std::int64_t row) {
  if (!Alive()) return 0;
  const GridRow* r = Row(row);
  return r ? r->state : 0;
}

std::int64_t GridControl::GetCurrentColumn() {
  if (!Alive() || !list->core.session.HasCurrentCell()) return -1;
  return list->core.session.column;
}

std::int64_t GridControl::GetCurrentRow() {
  if (!Alive() || !list->core.session.HasCurrentCell()) return -1;
  return list->core.session.row;
}

std::int64_t GridControl::GetData() { return Alive() ? GetWindowLongPtrW(containerWindow, GWLP_USERDATA) : 0; }

std::int64_t GridControl::GetWidth() {
  if (!Alive()) return -1;
  const RECT r = RectInParent(containerWindow);
  return r.right - r.left;
}

std::int64_t GridControl::GetX() { return Alive() ? RectInParent(containerWindow).left : -1; }

std::int64_t GridControl::GetY() { return Alive() ? RectInParent(containerWindow).top : -1; }

bool GridControl::IsEditChanged() { return Alive() && list->core.session.Changed(); }

void GridControl::EndEdit() {
  if (Alive()) list->core.EndEditing();
}

void GridControl::Hide(bool state) {
  if (Alive()) ShowWindow(containerWindow, state ? SW_HIDE : SW_SHOW);
}

void GridControl::RefreshCell(std::int64_t column, std::int64_t row, bool update) {
  if (!Alive()) return;
  list->SyncItemCount(true);
  if (column == -1) {
    RefreshStripCell(row);
    if (update) UpdateWindow(containerWindow);
    return;
  }
  if (column < 0 || column >= list->HeaderItemCount() - 1) return;
  if (row == -1) {
    RECT item{};
    if (SendMessageW(headerWindow, HDM_GETITEMRECT, static_cast<WPARAM>(column + 1), reinterpret_cast<LPARAM>(&item)))
      InvalidateRect(headerWindow, &item, FALSE);
    if (update) UpdateWindow(headerWindow);
    return;
  }
  if (row < 0 || row >= list->RowCount()) return;
  RECT cell{};
  cell.top = static_cast<LONG>(column + 1);
  cell.left = LVIR_BOUNDS;
  if (!SendMessageW(listWindow, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell))) return;
  cell.right = cell.left + static_cast<LONG>(SendMessageW(listWindow, LVM_GETCOLUMNWIDTH, column + 1, 0));
  InvalidateRect(listWindow, &cell, FALSE);
  if (update) UpdateWindow(listWindow);
}

void GridControl::EnsureCellVisible(std::int64_t column, std::int64_t row) {
  if (Alive()) list->EnsureCellVisible(GridCell{row, column});
}

void GridControl::Paste() {
  if (Alive()) list->core.intake.Paste();
}

void GridControl::RemoveColumn(std::int64_t column) {
  if (!Alive() || column < 0 || column >= list->HeaderItemCount() - 1) return;
  list->core.BeforeShapeChange();
  SendMessageW(listWindow, LVM_DELETECOLUMN, static_cast<WPARAM>(column + 1), 0);
  RefreshStrip();
}

void GridControl::RemoveRow(std::int64_t row) {
  if (!Alive() || !list->core.RemoveRow(row) || !Alive()) return;
  list->SyncItemCount();
  if (!redrawOff) InvalidateRect(listWindow, nullptr, FALSE);
  RefreshStrip();
}

void GridControl::Resize(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height) {
  if (!Alive()) return;
  list->core.EndEditing();
  MoveWindow(containerWindow, static_cast<int>(x), static_cast<int>(y), static_cast<int>(width),
             static_cast<int>(height), TRUE);
  // The list keeps the container's full height; Layout places it sideways.
  RECT client{};
  GetClientRect(containerWindow, &client);
  const RECT current = RectInParent(listWindow);
  SetWindowPos(listWindow, nullptr, current.left, 0, std::max<LONG>(current.right - current.left, 0), client.bottom,
               SWP_NOZORDER | SWP_NOACTIVATE);
  Layout();
}

void GridControl::SetCurrentCell(std::int64_t column, std::int64_t row, std::int64_t flag) {
  if (Alive()) list->core.SetCurrentCell(column, row, flag != 0);
}

void GridControl::SetCellText(std::int64_t column, std::int64_t row, const std::wstring& text) {
  if (Alive()) list->core.SetCellText(column, row, std::wstring_view(text));
}

void GridControl::SetCellText(std::int64_t column, std::int64_t row, std::u16string_view text) {
  if (Alive()) list->core.SetCellText(column, row, text);
}

void GridControl::SetHeaderHeight(std::int64_t pixels) {
  if (!Alive() || pixels < 0 || pixels > grid_pixels::kMaxHeaderHeight) return;
  list->core.EndEditing();
  list->core.look.SetHeaderHeight(pixels);
  ShowWindow(listWindow, SW_HIDE);
  if (!listHidden) ShowWindow(listWindow, SW_SHOW);
  RelayoutList(listWindow);
  RefreshStrip();
}

void GridControl::ResetColumnOrder() {
  if (!Alive()) return;
  const std::vector<std::int32_t> order =
      GridColumnOrder::HeaderIdentity(std::min<std::int64_t>(list->HeaderItemCount(), GridList::kMaxHeaderItems));
  SendMessageW(listWindow, LVM_SETCOLUMNORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
  InvalidateRect(listWindow, nullptr, TRUE);
  InvalidateRect(headerWindow, nullptr, TRUE);
}

void GridControl::SetFont(HFONT font) {
  if (!Alive()) return;
  SendMessageW(listWindow, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  RefreshStrip();
}

void GridControl::SetColour(std::int64_t index, std::int64_t value) {
  if (!Alive()) return;
  GridShared& shared = SharedGridState();
  if (index == 8) {
    ownStripBrush.reset(value == -1 ? nullptr : CreateSolidBrush(static_cast<COLORREF>(value)));
    stripBrush = ownStripBrush ? ownStripBrush.get() : shared.faceBrush;
    RefreshStrip();
    return;
  }
  if (!list->core.SetColour(index, value)) return;
  if (index == 6) {
    ownEmptyAreaBrush.reset(value == -1 ? nullptr : CreateSolidBrush(static_cast<COLORREF>(value)));
    emptyAreaBrush = ownEmptyAreaBrush ? ownEmptyAreaBrush.get()
                                       : (shared.commonControlsMajor >= 6 ? shared.whiteBrush : shared.faceBrush);
    RefreshStrip();
  }
  InvalidateList();
}

void GridControl::SetRowValue(std::int64_t row, std::int64_t value) {
  if (!Alive()) return;
  if (GridRow* r = Row(row)) r->userValue = value;
}

void GridControl::SetStrip(std::int64_t width, std::int64_t gap) {
  if (!Alive() || !list->core.strip.SetSize(width, gap)) return;
  list->core.EndEditing();
  Layout();
}

void GridControl::SetStripTextMargins(std::int64_t left, std::int64_t right) {
  if (Alive() && list->core.strip.SetTextMargins(left, right)) RefreshStrip();
}

void GridControl::SetRowState(std::int64_t row, std::int64_t iconA, std::int64_t iconB, std::int64_t placeA,
                              std::int64_t placeB, bool redraw) {
  if (Alive() && list->core.SetRowState(row, {iconA, iconB, placeA, placeB}) && redraw) RefreshStripCell(row);
}

void GridControl::SetRowHeight(int pixels) {
  if (!Alive() || pixels < 1) return;
  int width = 0, height = 0;
  auto current = reinterpret_cast<HIMAGELIST>(SendMessageW(listWindow, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  if (current && ImageList_GetIconSize(current, &width, &height) && height == pixels) return;
  // As at creation: the list view sizes its rows by its small images.
  HIMAGELIST sizer = ImageList_Create(1, pixels, ILC_COLOR, 0, 1);
  if (!sizer) return;
  list->core.EndEditing();
  auto old = reinterpret_cast<HIMAGELIST>(
      SendMessageW(listWindow, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(sizer)));
  if (old && old != sizer) ImageList_Destroy(old);
  RelayoutList(listWindow);
  InvalidateList();
  RefreshStrip();
}

void GridControl::SetDpi(int dpi) {
  if (!Alive() || dpi <= 0) return;
  GridCore& core = list->core;
  const int old = core.look.dpi;
  core.look.dpi = dpi;
  // Strip text margins the application left at their default follow too.
  GridStrip& strip = core.strip;
  if (strip.textLeft == Scale(grid_pixels::kStripTextMargin, old)) strip.textLeft = core.look.Px(grid_pixels::kStripTextMargin);
  if (strip.textRight == Scale(grid_pixels::kStripTextMargin, old))
    strip.textRight = core.look.Px(grid_pixels::kStripTextMargin);
  SetStripIconSide(IconSideFor(dpi));
  InvalidateList();
  RefreshStrip();
}

int GridControl::GetDpi() const { return list ? list->core.look.dpi : kBaseDpi; }

void GridControl::SetStripIconSide(int side) {
  if (!Alive() || !(flags & grid_flags::kBuiltInStripIcons) || side == list->core.strip.icons.side) return;
  // Images the application added after the built-in ones exist at one size
  // only: such a grid keeps its icons as they are.
  if (images && ImageList_GetImageCount(images.get()) != kBuiltInStripIconCount) return;
  grid_handles::UniqueImageList fresh(ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 0, 255));
  if (!fresh || !AppendStripIcons(fresh.get(), BuiltInStripIconData(side), side)) return;
  images = std::move(fresh);
  list->core.strip.icons = StripIconMetricsFor(side);
  RefreshStrip();
}

void GridControl::SetData(std::int64_t value) {
  if (Alive()) SetWindowLongPtrW(containerWindow, GWLP_USERDATA, static_cast<LONG_PTR>(value));
}

void GridControl::Layout() {
  RECT client{};
  GetClientRect(containerWindow, &client);
  const GridStrip& strip = list->core.strip;
  const auto left = ListLeftBesideStrip(strip.width, strip.gap, client.right, SharedGridState().scrollBarWidth);
  const RECT current = RectInParent(listWindow);
  if (left) {
    SetWindowPos(listWindow, nullptr, *left, current.top, client.right - *left, current.bottom - current.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    listHidden = false;
  } else {
    ShowWindow(listWindow, SW_HIDE);
    listHidden = true;
  }
  RefreshStrip();
}

}  // namespace vantorel
