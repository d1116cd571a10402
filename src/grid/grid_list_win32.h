#pragma once
// The grid's list of cells on screen: one report-mode list view (a virtual
// list: the model holds the texts) whose own, header and parent procedures
// are replaced. It turns their messages into the portable rules' events
// (grid_core.h) and shows what those decide: it is the rules' list view.
// The in-place editors and the painting are parts of their own.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "grid/grid_core.h"
#include "grid/grid_draw_win32.h"
#include "grid/grid_editors_win32.h"
#include "grid/grid_properties_win32.h"
#include "grid/grid_win32.h"

namespace vantorel {

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
  bool comboDropped = false;
};
GridShared& SharedGridState();  // creates the shared pieces on first use

class GridList final : public GridListView {
  struct Key {
    explicit Key() = default;
  };

 public:
  static constexpr int kMaxHeaderItems = 1000;

  explicit GridList(Key) : editors(*this), core(*this, editors), painter(*this) {}
  // Creates the list view inside parent (subclassing the parent once, however
  // many engines it holds) with the given row height; engineFlags are taken
  // as they are. Null when a window cannot be made.
  static std::unique_ptr<GridList> Create(HWND parent, int id, int x, int y, int width, int height, int rowHeight,
                                          DWORD extraStyle, std::int64_t engineFlags, bool editorsLater = false);
  // Destroys the list view when it is still there.
  ~GridList() override;
  GridList(const GridList&) = delete;
  GridList& operator=(const GridList&) = delete;

  GridEditors editors;
  // The grid's rules and state; the windows show them.
  GridCore core;
  GridPainter painter;
  int listId = 0;
  HWND listWindow = nullptr;
  HWND header = nullptr;
  HWND tooltip = nullptr;
  bool redrawOff = false;  // WM_SETREDRAW FALSE: the item count waits until it is back on
  // The procedures the engine's own ones replaced.
  WNDPROC oldListProc = nullptr;
  WNDPROC oldHeaderProc = nullptr;

  // The list view's item count follows the model's rows (deferred while
  // redraw is off: a fill would otherwise recount the list for every row),
  // unless the list view's geometry of the rows is needed now.
  void SyncItemCount(bool now = false);
  // Invalidates one cell (list column) when it may be on screen.
  void InvalidateListCell(std::int64_t row, std::int64_t listColumn);
  std::int64_t Raise(GridEvent event, CellEvent& record) { return core.notifier.Raise(event, record); }
  // The record a CellFormat starts from: the defaults before the application
  // has its say.
  CellEvent FormatRecord(std::int64_t row, std::int64_t column) const;
  std::int64_t RowCount() const;
  std::int64_t HeaderItemCount() const;
  HFONT ListFont() const;
  // The header's display order, told to the model.
  void ReadColumnOrder();
  // The cell at a point of the list's client area; none outside the cells.
  std::optional<GridCell> CellAt(POINT point) const;
  // A cell's rectangle (grid column) in the list; empty when it has none.
  RECT CellRect(std::int64_t row, std::int64_t column) const;

  // GridListView.
  bool Alive() const override { return listWindow != nullptr; }
  void InvalidateCell(GridCell cell) override { InvalidateListCell(cell.row, cell.column + 1); }
  void InvalidateRow(std::int64_t row) override;
  void InvalidateAll() override;
  void EnsureRowVisible(std::int64_t row) override;
  void EnsureCellVisible(GridCell cell) override;
  void PlaceCurrentEditor() override;
  std::int64_t PageRows() override;
  CellBox CellBoxOf(GridCell cell) override;
  std::optional<GridCell> CellUnderPointer() override;
  bool LeftButtonHeld() override;
  void CaptureMouse() override;
  void ReleaseMouse() override;
  bool HasMouse() override;
  void StartDragTimer() override;
  void StopDragTimer() override;
  std::optional<GridDragView> DragView() override;
  void ScrollBy(int dx, int dy) override;
  bool TrackLeave() override;
  void PassClickToEditor(GridPoint point, std::int64_t keys, bool doubleClick) override;
  void ShowTooltip(GridCell cell, const CellEvent& answer) override;
  void DestroyTooltip() override;
  void FocusList() override;
  void TakeFocus() override;
  GridText ClipboardText() override;
  bool SetClipboardText(const GridText& text) override;
  bool SameOption(const GridText& a, const GridText& b) override;

  // Focus going from the list or an editor to `to`: the edit ends when it
  // leaves the grid, unless the list shows its selection always.
  void OnFocusLeaving(HWND to);

  static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK HeaderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  std::optional<LRESULT> OnNotifyFromList(NMHDR* header);
  // The mouse (grid_mouse_win32.cpp): messages of the list view and of the
  // header; none leaves one to the window's own procedure.
  std::optional<LRESULT> OnListMouseMessage(UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> OnHeaderMouse(UINT message, WPARAM keys, LPARAM lParam);
  // The header item whose divider is at a point (0: none), and the item there.
  int DividerAt(POINT point);
  int HeaderItemAt(POINT point);
  void OnColumnDragged(int item);

  HWND parent_ = nullptr;
  std::int64_t headerItems_ = 0;
};

}  // namespace vantorel
