#pragma once
// The grid's editing engine: one report-mode list view whose own, header and
// parent procedures are replaced, plus three in-place editors kept out of
// sight until a cell of their type becomes current. It owns the current
// cell, the block selection, the clipboard and the notification protocol.
#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "grid/grid_model.h"
#include "grid/grid_rules.h"
#include "grid/grid_win32.h"

namespace vantorel {

inline std::wstring WideOf(const GridText& text) { return std::wstring(text.begin(), text.end()); }
inline GridText GridTextOf(const std::wstring& text) { return GridText(text.begin(), text.end()); }
// A window's whole text.
std::wstring WholeWindowText(HWND window);

// Process-wide pieces shared by every grid, made on the first Create.
struct GridShared {
  HBRUSH faceBrush = nullptr;   // solid COLOR_BTNFACE
  HBRUSH whiteBrush = nullptr;  // stock
  HBRUSH nullBrush = nullptr;   // stock
  HFONT smallFont = nullptr;    // "Verdana" 7 pt, for progress labels
  int scrollBarWidth = 0;       // SM_CXVSCROLL
  int commonControlsMajor = 5;  // from comctl32's DllGetVersion
  bool commitRunning = false;   // keeps a commit from recursing through EditDone
  bool comboDropped = false;
};
GridShared& SharedGridState();  // creates the shared pieces on first use

// Holds the commit guard for a scope and restores it however the scope is left.
class CommitGuard {
 public:
  CommitGuard() : shared_(SharedGridState()), was_(shared_.commitRunning) { shared_.commitRunning = true; }
  ~CommitGuard() { shared_.commitRunning = was_; }
  CommitGuard(const CommitGuard&) = delete;
  CommitGuard& operator=(const CommitGuard&) = delete;

 private:
  GridShared& shared_;
  bool was_;
};

// The grid's window properties ("ExGRID_Prop", "egrid_ListPointer",
// "egrid_OldParentProc"). They are set on the windows for anyone to read;
// the grid's own procedures read the same values from a table in the
// process, because reading a property can be a round trip to the window
// server (it is on Wine) and these procedures see every message.
void SetGridProperty(HWND window, const wchar_t* name, HANDLE value);
void RemoveGridProperty(HWND window, const wchar_t* name);
HANDLE GridProperty(HWND window, const wchar_t* name);

class GridList {
  struct Key {
    explicit Key() = default;
  };

 public:
  static constexpr int kMaxHeaderItems = 1000;
  // Where an editor waits while no cell of its type is current.
  static constexpr int kOutOfSight = -30000;
  // The longest text an editor opens with: what a user may type into a text
  // box at most.
  static constexpr std::size_t kEditorTextLimit = 32767;

  explicit GridList(Key) {}
  // Creates the list view inside parent (subclassing the parent once, however
  // many engines it holds) with the given row height; engineFlags are taken
  // as they are. Null when a window cannot be made.
  static std::unique_ptr<GridList> Create(HWND parent, int id, int x, int y, int width, int height, int rowHeight,
                                          DWORD extraStyle, std::int64_t engineFlags);
  // Destroys the list view when it is still there.
  ~GridList();
  GridList(const GridList&) = delete;
  GridList& operator=(const GridList&) = delete;

  int listId = 0;
  HWND listWindow = nullptr;
  // The cells, the current cell and the block; the list view shows them.
  GridModel model;
  std::int64_t flags = 0;
  std::int64_t pressedButtonRow = -1;
  std::int64_t pressedButtonColumn = -1;
  std::array<std::int32_t, kMaxHeaderItems> displayOrder{};
  std::array<std::int32_t, kMaxHeaderItems> displayPosition{};
  std::int64_t headerFrameColour = 0x808080;  // colour index 1
  std::int64_t currentFrameColour = 0;        // 2
  std::int64_t currentFrameWidth = 1;         // 3
  std::int64_t blockColour = 0xF1DBCE;        // 4
  std::int64_t gridLineColour = 0;            // 5, COLOR_BTNFACE at creation
  std::int64_t emptyAreaColour = -1;          // 6
  HWND editBox = nullptr;
  HWND listChoice = nullptr;
  HWND editChoice = nullptr;
  HWND editChoiceEdit = nullptr;
  HWND header = nullptr;
  std::int64_t headerHeight = 20;
  GridCallback callback;
  HWND tooltip = nullptr;
  std::int64_t tooltipRow = -2;
  std::int64_t tooltipColumn = -2;
  std::int64_t hotRow = -1;
  std::int64_t hotColumn = -1;  // a grid column, unlike editColumn
  std::uint8_t columnsChanged = 0;
  std::uint8_t columnDragged = 0;
  int rowHeight = 0;  // item height as last seen
  bool redrawOff = false;  // WM_SETREDRAW FALSE: the item count waits until it is back on
  int raising = 0;         // callbacks running; Free keeps the engine until they return
  // The procedures the engine's own ones replaced.
  WNDPROC oldListProc = nullptr;
  WNDPROC oldHeaderProc = nullptr;
  WNDPROC oldEditBoxProc = nullptr;
  WNDPROC oldChoiceEditProc = nullptr;
  WNDPROC oldListChoiceProc = nullptr;

  // The list view's item count follows the model's rows (deferred while
  // redraw is off: a fill would otherwise recount the list for every row),
  // unless the list view's geometry of the rows is needed now.
  void SyncItemCount(bool now = false);
  // Invalidates one cell (list column) when it may be on screen.
  void InvalidateCell(std::int64_t row, std::int64_t listColumn);
  void InvalidateRow(std::int64_t row);

  // Notification: the callback's answer, or 1 when there is none.
  std::int64_t Raise(GridEvent event, CellEvent& record);
  // The record a CellFormat starts from: the defaults before the application
  // has its say.
  CellEvent FormatRecord(std::int64_t row, std::int64_t column) const;

  std::int64_t RowCount() const;
  std::int64_t HeaderItemCount() const;
  std::wstring ItemText(std::int64_t row, std::int64_t listColumn) const;
  void SetItemText(std::int64_t row, std::int64_t listColumn, const std::wstring& text);
  HFONT ListFont() const;

  // Editing state (in the model; editColumn there is a grid column).
  bool HasCurrentCell() const { return model.HasCurrentCell(); }
  bool HasBlock() const { return model.HasBlock(); }
  // Makes a cell current and opens its editor (types 0, 3, 4) over it.
  void OpenCell(std::int64_t row, std::int64_t listColumn, bool focus);
  // Commits the current cell's edit through EditDone.
  void Commit();
  // Drops the block (reporting BlockCleared), commits and closes the editor.
  void EndEditing();
  void DropBlock(bool report);
  // After a text was written into the cell being edited: that text becomes
  // its editor text and start text, and the cell's type is asked again.
  void FollowEditedCell(std::int64_t row, std::int64_t listColumn);
  void SetSelectionKind(std::int64_t kind);
  // The text the open editor holds (editText when no editor is open).
  std::wstring EditorText() const;

  // Header display order, refreshed from the list view into the model.
  void ReadColumnOrder();
  // Grid columns in header display order (the hidden column left out).
  std::vector<std::int64_t> ColumnsInDisplayOrder();
  // Whether block cells are painted as such: always without a current
  // cell, and with one when the block is more than that cell.
  bool ShowsBlock() const;
  bool CopyBlockToClipboard(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height);
  // Empties every cell of a block, as the application asks.
  void EmptyBlock(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height);
  // Delete and Ctrl+X: the block's text and editable choice cells are
  // emptied through EditDone, like pasted cells; the others keep their text.
  void EmptyBlockCells(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height);
  void PasteClipboard();
  // The grid's text on the clipboard; empty when there is none.
  std::wstring ClipboardText() const;

  // The keyboard. A move asks CellFocus with the key's value and, accepted,
  // commits the current cell and opens the target; false when vetoed.
  bool MoveTo(GridCell target, std::int64_t value);
  // WM_KEYDOWN in the list view; false leaves the key to the list view.
  bool OnListKeyDown(WPARAM key);
  // Tab (or Enter in an editor): the next or previous cell, wrapping.
  void TabMove(bool backwards);
  // CBN_SELCHANGE, CBN_DROPDOWN and CBN_CLOSEUP from a choice editor.
  void OnChoiceNotify(HWND combo, UINT code);
  // Escape: the editor gets the start text back.
  void CancelEditor();
  // A paste into an editor (WM_PASTE, Shift+Insert): the clipboard's text
  // goes in over the selection as far as typing could put it there.
  void PasteIntoEditor(HWND edit, WNDPROC old);
  // After an editor's text changed by a way that is not typing (undo, its
  // context menu, an input method, a replacement sent from outside): text
  // other than the cell's own from before the edit keeps only what typing
  // could have put there.
  void KeepTypable(HWND edit, WNDPROC old, const std::wstring& before);
  // Text arriving at once, offered to EditChar character by character as if
  // typed at `caret` into `around`; the characters kept, or none when the
  // grid went away meanwhile.
  std::optional<std::wstring> OfferTyped(std::int64_t row, std::int64_t column, const std::wstring& around,
                                         std::size_t caret, std::u16string_view arriving);
  // Ctrl+A: the block covers the whole grid.
  void SelectAll();
  // A character typed into an editor: true when it may go in.
  bool AllowEditorChar(HWND edit, wchar_t character);
  // Delete pressed in an editor: true when it may go through.
  bool AllowEditorDelete(HWND edit);
  // A cut or clear of the editor's selection: true when it may go.
  bool AllowEditorCut(HWND edit, std::int64_t key);
  // EditDelete for the text about to go, with the key and the selection.
  std::int64_t RaiseEditDelete(std::wstring going, std::int64_t key, std::size_t start, std::size_t end);

  // The mouse (grid_mouse_win32.cpp). The cell at a point of the list's
  // client area, or under the cursor; none outside the cells.
  std::optional<GridCell> CellAt(POINT point) const;
  std::optional<GridCell> CellUnderCursor() const;
  RECT CellRect(std::int64_t row, std::int64_t column) const;
  // Mouse messages of the list view; none leaves one to the list view.
  std::optional<LRESULT> OnListMouseMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Mouse messages of the header; none leaves one to the header.
  std::optional<LRESULT> OnHeaderMouse(UINT message, WPARAM keys, LPARAM lParam);
  // An editor's mouse button or context menu reported for the current cell;
  // false keeps the message from the editor.
  bool OnEditorMouse(UINT message, WPARAM keys);
  // Focus going from the list or an editor to `to`.
  void OnFocusLeaving(HWND to);
  // The button cell held by the mouse or Enter is let go: ButtonClick when
  // it was let go over the button.
  void ReleaseButton();
  // The held button is forgotten without a click (rows changing under it,
  // the capture or the focus gone): its cell loses the pressed suffix.
  void ForgetPressedButton();
  // Tooltip, hot cell and the cell under the mouse forgotten (rows changed).
  void ForgetPointer();
  void DestroyTooltip();
  // The open editor follows its cell after a scroll or a column change; out
  // of sight (with its text and focus) while the cell is scrolled away.
  void PlaceCurrentEditor();
  // Scrolls the list so that a cell (grid column) is in view, sideways too.
  void EnsureCellVisible(std::int64_t row, std::int64_t column);

  static LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ListChoiceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK HeaderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  // Ctrl+C, Ctrl+X and Delete pressed in an editor while a larger block is
  // shown go to the block; the control character the key then types is
  // dropped.
  bool BlockKeyInEditor(WPARAM key);
  bool TakeSwallowedChar(wchar_t character);
  // Enter on a combo box whose list is open: the list closes with its choice.
  bool ClosesDroppedList(HWND combo);
  wchar_t swallowedChar_ = 0;
  // Shared by the list view and the editors: Tab, Escape and Enter on release.
  bool OnKeyUp(WPARAM key);
  void ArrowKey(GridMove move, bool ctrl, bool shift);
  void SpaceKey(bool ctrl);
  void PrepareCell(std::int64_t row, std::int64_t listColumn, bool focus);
  HWND EditorFor(std::int64_t type) const;
  void HideEditors();
  void PlaceEditor(HWND editor, std::int64_t row, std::int64_t listColumn);
  std::optional<LRESULT> OnNotifyFromList(NMHDR* header);
  // Painting (grid_draw_win32.cpp).
  LRESULT CustomDrawList(NMLVCUSTOMDRAW* draw);
  LRESULT CustomDrawHeader(NMCUSTOMDRAW* draw);
  void PaintCell(HDC dc, std::int64_t row, std::int64_t listColumn);
  void PaintHeaderItem(HDC dc, RECT rect, int item, bool pressed);
  // Fills the list's client area outside its rows and columns.
  void EraseEmptyArea(HDC dc);
  COLORREF EmptyAreaColour() const;
  // WM_CTLCOLOREDIT from an editor: the current cell's colours.
  LRESULT EditorColours(HDC dc, HWND editor);
  std::int64_t ListColumnFromGrid(std::int64_t column) const { return column + 1; }
  void OnListButtonDown(bool doubleClick, WPARAM keys, POINT point);
  void OnListButtonUp();
  void OnListMouseMove(POINT point);
  void OnListMouseLeave();
  bool OnListSetCursor();
  void OnRightButton(bool down, WPARAM keys, POINT point);
  void ClickTick(GridCell cell, const GridText& options);
  void PressButton(GridCell cell);
  void ShowButtonHeld(bool held);
  void StartBlockTracking(GridCell cell);
  void StopBlockTracking();
  void OnBlockTimer();
  // The dragged block's moving corner to the cell at a point of the list,
  // scrolling one step while the point is beyond the rows or columns.
  void ExtendDraggedBlock(POINT cursor, bool scroll);
  bool IsLinkCell(GridCell cell);
  void SetHotCell(GridCell cell);
  void ShowTooltip(GridCell cell);
  int DividerAt(POINT point);
  // LeftButtonDown or RightButtonUp for the header item at a point.
  void RaiseHeaderButton(GridEvent event, WPARAM keys, POINT point);
  bool DividerAllowed(int item);
  void FinishColumnResize();
  void OnColumnDragged(int item);
  // What a block of cells becomes: each write goes through CellType and the
  // cell's intake, then EditDone; with `emptying` only text cells take it.
  void WriteArrivingCells(const std::vector<GridCellWrite>& writes, bool emptying);

  // The height of one line of the font selected into dc (cached per font).
  int LineHeight(HDC dc, HFONT font);

  HWND parent_ = nullptr;
  std::int64_t headerItems_ = 0;
  HFONT measuredFont_ = nullptr;
  int measuredHeight_ = 0;
  // The mouse: a click the grid hands on to the text box is not reported
  // again by it; a block being dragged follows the cursor on a timer.
  HWND openEditor_ = nullptr;  // the editor holding the current cell's text, if any
  bool passingClick_ = false;
  bool passedClickUp_ = false;  // the button-up of a passed click is still to come
  bool blockTracking_ = false;
  bool leaveTracked_ = false;
  GridCell mouseCell_{-2, -2};  // the cell under the mouse as last seen
  bool dividerAllowed_ = false;
  int resizingItem_ = -1;       // header item whose divider is being dragged
  int resizeGrab_ = 0;          // where on the divider it was grabbed
  bool resized_ = false;
};

}  // namespace vantorel
