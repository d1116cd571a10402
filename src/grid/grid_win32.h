#pragma once
// The grid control: an editable table built on the list view. A container
// window holds the list view and, at its left, a row-header strip of tick
// boxes (column -1). The application holds a GridControl, gives it one
// callback and calls its operations; every decision it may take is asked
// through the callback with an event code and a CellEvent.
//
// Grid columns count from 0; inside the list view, list column 0 is a
// hidden column holding the row, so grid column c is list column c + 1.
// Column -1 is the strip (and the hidden column for cell texts); row -1 is
// the column header. The events, the record and the flags are in
// grid_events.h.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "grid/grid_draw_win32.h"
#include "grid/grid_events.h"
#include "grid/grid_handles_win32.h"
#include "grid/grid_model.h"
#include "grid/grid_operations.h"
#include "grid/grid_properties_win32.h"
#include "grid/grid_strip.h"
#include "grid/grid_view.h"

// The application's handles go into CellEvent and the operations as they are.
static_assert(std::is_same_v<HFONT, HFONT__*> && std::is_same_v<HWND, HWND__*> && std::is_same_v<HICON, HICON__*>);

namespace vantorel {

class GridList;

// One grid: the container window that holds the list and draws the
// row-header strip at its left. Its fields are open for the grid's own
// procedures; the application uses the operations.
struct GridControl final : GridOperations, GridStripView {
 private:
  struct Key {
    explicit Key() = default;
  };

 public:
  explicit GridControl(Key);
  // Builds a grid inside parent at (x, y); null when a window, the image
  // list or memory cannot be had (whatever was made is released).
  static std::unique_ptr<GridControl> Create(HWND parent, int x, int y, int width, int height, int rowHeight,
                                             std::int64_t flags);
  // Makes the in-place editors of a grid created with kEditorsLater now
  // rather than when a cell is first edited.
  void MakeEditors();
  // Runs Free.
  ~GridControl() override;
  GridControl(const GridControl&) = delete;
  GridControl& operator=(const GridControl&) = delete;

  std::int64_t flags = 0;
  int container = 0;
  HWND containerWindow = nullptr;
  WNDPROC oldContainerProc = nullptr;
  std::unique_ptr<GridList> list;
  int listId = 0;
  HWND listWindow = nullptr;
  bool listHidden = false;
  WNDPROC oldListProc = nullptr;
  WNDPROC oldHeaderProc = nullptr;
  HWND headerWindow = nullptr;
  HBRUSH emptyAreaBrush = nullptr;  // colour index 6
  HBRUSH stripBrush = nullptr;      // colour index 8
  grid_handles::UniqueImageList images;
  // Brushes made for colour indexes 6 and 8; the shared ones are not owned.
  grid_handles::UniqueBrush ownEmptyAreaBrush;
  grid_handles::UniqueBrush ownStripBrush;
  bool redrawOff = false;    // the application filling with redraw off
  int stripTopIndex = -1;    // list top row the strip was last painted for
  GridFontMetrics stripMetrics;
  StripImageCache stripImages;  // the images' pixels ready for the strip's paint
  // An engine freed while its callback ran stays until the grid goes, so
  // the procedures still on the stack find it intact.
  std::vector<std::unique_ptr<GridList>> retiredLists;

  // Operations, in table order.
  void AddColumn(std::int64_t position, const std::wstring& title, std::int64_t width) override;
  std::int64_t AddRow(std::int64_t position, const std::wstring& text, std::int64_t flag) override;
  std::int64_t SetImage(std::int64_t index, HICON icon) override;
  void SetRedraw(bool on, bool update) override;
  void ClearRows() override;
  void CopyBlock(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height) override;
  void SetCallback(GridCallback callback) override;
  void ClearBlock(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height) override;
  void Free() override;
  void ReservedA() override {}
  void SetBlock(std::int32_t column, std::int32_t row, std::int32_t width, std::int32_t height) override;
  std::wstring GetCellText(std::int64_t column, std::int64_t row) override;
  std::int64_t GetColumnOrder(std::span<std::int32_t> buffer) override;
  std::int64_t GetHeight() override;
  HWND GetWindow() override;
  std::int64_t GetColumnCount() override;
  std::int64_t GetRowCount() override;
  std::int64_t GetRowValue(std::int64_t row) override;
  std::uint64_t GetRowState(std::int64_t row) override;
  std::int64_t GetCurrentColumn() override;
  std::int64_t GetCurrentRow() override;
  std::int64_t GetData() override;
  std::int64_t GetWidth() override;
  std::int64_t GetX() override;
  std::int64_t GetY() override;
  bool IsEditChanged() override;
  void EndEdit() override;
  void Hide(bool state) override;
  void RefreshCell(std::int64_t column, std::int64_t row, bool update) override;
  void EnsureCellVisible(std::int64_t column, std::int64_t row) override;
  void Paste() override;
  void RemoveColumn(std::int64_t column) override;
  void RemoveRow(std::int64_t row) override;
  void Resize(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height) override;
  void SetCurrentCell(std::int64_t column, std::int64_t row, std::int64_t flag) override;
  void ReservedB() override {}
  void SetCellText(std::int64_t column, std::int64_t row, const std::wstring& text) override;
  void SetHeaderHeight(std::int64_t pixels) override;
  void ResetColumnOrder() override;
  void SetFont(HFONT font) override;
  void ReservedC() override {}
  void SetColour(std::int64_t index, std::int64_t value) override;
  void SetRowValue(std::int64_t row, std::int64_t value) override;
  void SetStrip(std::int64_t width, std::int64_t gap) override;
  void SetStripTextMargins(std::int64_t left, std::int64_t right) override;
  void SetRowState(std::int64_t row, std::int64_t iconA, std::int64_t iconB, std::int64_t placeA,
                   std::int64_t placeB, bool redraw) override;
  void SetData(std::int64_t value) override;

  // Not in the table: SetCellText from the program's own UTF-16 text,
  // without a wide copy on the way (fills of thousands of cells).
  void SetCellText(std::int64_t column, std::int64_t row, std::u16string_view text);
  // Not in the table: appends `count` rows (flag as AddRow's) whose texts
  // come from `source` until written, for fills too big to store cell by
  // cell (a hex dump of megabytes). False when out of memory.
  bool AddSourceRows(std::int64_t count, std::int64_t flag, GridCellSource source);
  // Not in the table: every row replaced by `count` rows whose texts come
  // from `source` (ClearRows, then AddSourceRows), row r with iconA(r) as
  // its first strip icon (SetRowState's iconA). The old rows' memory is
  // kept for the new ones: a filter refills 65,535 rows at every keystroke.
  // False when out of memory.
  bool ReplaceSourceRows(std::int64_t count, std::int64_t flag, GridCellSource source,
                         const std::function<std::int64_t(std::int64_t row)>& iconA);
  // Not in the table: SetRedraw(true, false) after a bulk change, with `layout`
  // (column widths that depend on the new rows) run while the list is still
  // out of sight, so the next paint draws it, its header and its scroll bars once.
  void ResumeRedraw(const std::function<void()>& layout);
  // Not in the table: the rows' height in pixels, for another DPI; rows,
  // current cell and top row stay.
  void SetRowHeight(int pixels);
  // Not in the table: the DPI the grid is shown at. Its own pixel sizes
  // (insets, tick boxes, the default tooltip width, the strip's default text
  // margins) follow, and the built-in strip icons are drawn at the size the
  // DPI wants. The application sets row and header heights and the strip.
  void SetDpi(int dpi);
  int GetDpi() const;
  // The built-in strip icons drawn at side pixels (16, 20, 24 or 32) and
  // placed for that size; other sides are ignored.
  void SetStripIconSide(int side);

  // The grid's own machinery (grid_win32.cpp, grid_strip_win32.cpp).
  bool Alive() const;
  GridRow* Row(std::int64_t row);  // -1 = the header row; null when missing
  std::int64_t RowTotal() const;   // rows of the model, 0 without an engine
  void Layout();
  // Strip cell rectangle of a row's group (row -1: the strip header), in
  // container coordinates; empty when not on screen.
  RECT StripCellRect(std::int64_t row);
  void PaintStrip(HDC dc, const RECT& update);

  // GridStripView.
  bool StripAlive() override { return Alive(); }
  void RefreshStrip() override;
  void RefreshStripCell(std::int64_t row) override;
  void CaptureStrip() override;
  void ReleaseStrip() override;
  bool StripCellsPress() override;
  void FocusList() override;

  static LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK HeaderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  LRESULT OnContainerMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  GridStripRows StripRows();
  void InvalidateList();
};

// Appends the side x side icons of a length-prefixed list of ICO files to
// an image list; false as soon as one cannot be loaded or appended.
bool AppendStripIcons(HIMAGELIST images, std::span<const std::uint8_t> data, int side = 16);

}  // namespace vantorel
