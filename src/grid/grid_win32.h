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
// the column header.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "grid/grid_handles_win32.h"
#include "grid/grid_model.h"

namespace vantorel {

enum class GridEvent : int {
  EditChar = 0,
  EditDelete = 1,
  EditDone = 2,
  CellFocus = 3,
  ColumnResize = 4,
  CellType = 5,
  CellFormat = 6,
  HeaderClick = 7,
  RightButtonUp = 8,
  BlockCleared = 9,
  ChoiceChanged = 10,
  ButtonClick = 11,
  LayoutChanged = 12,
  ClipboardQuery = 13,
  LeftButtonDown = 14,
  LeftButtonUp = 15,
  DoubleClick = 16,
  RightButtonDown = 17,
  DeleteQuery = 18,
  OwnerDraw = 19,
  TooltipQuery = 20,
  StripClick = 21,
  StripHeaderDrag = 22,
};

// The record handed to the callback. The grid clears it before each use and
// fills what the event needs; colours are 0x00BBGGRR, -1 = not set.
struct CellEvent {
  std::int64_t row = 0;     // -1 column header; strip: -1 its header cell, -10 no row
  std::int64_t column = 0;  // grid column; -1 the strip
  std::int64_t type = 0;    // cell type, answered to CellType
  HFONT font = nullptr;     // CellFormat
  std::int64_t backColour = 0;
  std::int64_t textColour = 0;
  std::int64_t align = 0;  // 0 left, 1 centre, 2 right
  std::int64_t keyColour = 0;
  std::wstring text;
  // Character or key, mouse-key state, clipboard action, layout change kind,
  // an image handle, or (OwnerDraw) the memory DC holding the cell's image.
  std::int64_t value = 0;
  std::int64_t x1 = 0;
  std::int64_t x2 = 0;
  std::int64_t borderColour = 0;
  std::int64_t drawFlags = 0;
  std::int64_t gradientTop = 0;
  std::int64_t gradientBottom = 0;
  std::int64_t link = 0;
  std::int64_t hotColour = 0;
  std::int64_t part = 0;  // StripClick: 1 icon A, 2 icon B
};

struct GridControl;

// The grid is null for an engine used without a GridControl.
using GridCallback = std::function<std::int64_t(GridControl* grid, GridEvent event, CellEvent& record)>;

namespace grid_flags {
// Engine flags (bits 0-13 of the creation flags).
inline constexpr std::int64_t kAskColumnResize = 0x1;
inline constexpr std::int64_t kDrawHeader = 0x4;
inline constexpr std::int64_t kWordWrap = 0x10;
inline constexpr std::int64_t kGridLines = 0x40;
inline constexpr std::int64_t kChoiceWritesAtOnce = 0x80;  // always set
inline constexpr std::int64_t kBlockWithoutLines = 0x100;
inline constexpr std::int64_t kFirstColumnStays = 0x200;
inline constexpr std::int64_t kTooltips = 0x400;
inline constexpr std::int64_t kEngineMask = 0x3FFF;
// Grid flags.
inline constexpr std::int64_t kOwnerDrawnStripHeader = 0x1000;
inline constexpr std::int64_t kBuiltInStripIcons = 0x2000;
inline constexpr std::int64_t kNoSortHeader = 0x4000;     // list view style LVS_NOSORTHEADER
inline constexpr std::int64_t kVisibleStyle = 0x8000;     // list view style bit 0x10000000
inline constexpr std::int64_t kShowSelAlways = 0x10000;   // list view style LVS_SHOWSELALWAYS
inline constexpr std::int64_t kBorderFlat = 0x20000;
inline constexpr std::int64_t kBorderRaised = 0x40000;
inline constexpr std::int64_t kBorderSingle = 0x80000;
inline constexpr std::int64_t kBorderDouble = 0x100000;
}  // namespace grid_flags

// The grid's table of operations, in its fixed order. Once the grid's
// windows are gone every operation fails quietly: getters answer -1 (0 for
// values, "" for texts) and setters do nothing.
class GridOperations {
 public:
  virtual ~GridOperations() = default;
  virtual void AddColumn(std::int64_t position, const std::wstring& title, std::int64_t width) = 0;
  virtual std::int64_t AddRow(std::int64_t position, const std::wstring& text, std::int64_t flag) = 0;
  virtual std::int64_t SetImage(std::int64_t index, HICON icon) = 0;
  virtual void SetRedraw(bool on, bool update) = 0;
  virtual void ClearRows() = 0;
  virtual void CopyBlock(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height) = 0;
  virtual void SetCallback(GridCallback callback) = 0;
  virtual void ClearBlock(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height) = 0;
  virtual void Free() = 0;
  virtual void ReservedA() = 0;
  virtual void SetBlock(std::int32_t column, std::int32_t row, std::int32_t width, std::int32_t height) = 0;
  virtual std::wstring GetCellText(std::int64_t column, std::int64_t row) = 0;
  virtual std::int64_t GetColumnOrder(std::span<std::int32_t> buffer) = 0;
  virtual std::int64_t GetHeight() = 0;
  virtual HWND GetWindow() = 0;
  virtual std::int64_t GetColumnCount() = 0;
  virtual std::int64_t GetRowCount() = 0;
  virtual std::int64_t GetRowValue(std::int64_t row) = 0;
  virtual std::uint64_t GetRowState(std::int64_t row) = 0;
  virtual std::int64_t GetCurrentColumn() = 0;
  virtual std::int64_t GetCurrentRow() = 0;
  virtual std::int64_t GetData() = 0;
  virtual std::int64_t GetWidth() = 0;
  virtual std::int64_t GetX() = 0;
  virtual std::int64_t GetY() = 0;
  virtual bool IsEditChanged() = 0;
  virtual void EndEdit() = 0;
  virtual void Hide(bool state) = 0;
  virtual void RefreshCell(std::int64_t column, std::int64_t row, bool update) = 0;
  virtual void EnsureCellVisible(std::int64_t column, std::int64_t row) = 0;
  virtual void Paste() = 0;
  virtual void RemoveColumn(std::int64_t column) = 0;
  virtual void RemoveRow(std::int64_t row) = 0;
  virtual void Resize(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height) = 0;
  virtual void SetCurrentCell(std::int64_t column, std::int64_t row, std::int64_t flag) = 0;
  virtual void ReservedB() = 0;
  virtual void SetCellText(std::int64_t column, std::int64_t row, const std::wstring& text) = 0;
  virtual void SetHeaderHeight(std::int64_t pixels) = 0;
  virtual void ResetColumnOrder() = 0;
  virtual void SetFont(HFONT font) = 0;
  virtual void ReservedC() = 0;
  virtual void SetColour(std::int64_t index, std::int64_t value) = 0;
  virtual void SetRowValue(std::int64_t row, std::int64_t value) = 0;
  virtual void SetStrip(std::int64_t width, std::int64_t gap) = 0;
  virtual void SetStripTextMargins(std::int64_t left, std::int64_t right) = 0;
  virtual void SetRowState(std::int64_t row, std::int64_t iconA, std::int64_t iconB, std::int64_t placeA,
                           std::int64_t placeB, bool redraw) = 0;
  virtual void SetData(std::int64_t value) = 0;
};

class GridList;

// One grid. Its fields are open for the grid's own procedures; the
// application uses the operations.
struct GridControl final : GridOperations {
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
  std::int64_t stripWidth = 0;
  std::int64_t stripGap = 0;
  grid_handles::UniqueImageList images;
  std::int64_t stripTextLeft = 6;
  std::int64_t stripTextRight = 6;
  std::int64_t pressedStripHeader = -2;  // -2 none, -1 the strip header, else a row
  bool pressedInside = false;
  // The rows' records live in the engine's model (row -1: the strip header's).
  // Brushes made for colour indexes 6 and 8; the shared ones are not owned.
  grid_handles::UniqueBrush ownEmptyAreaBrush;
  grid_handles::UniqueBrush ownStripBrush;
  bool redrawOff = false;    // the application filling with redraw off
  int stripTopIndex = -1;    // list top row the strip was last painted for
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
  // Not in the table: SetRedraw(true, false) after a bulk change, with `layout`
  // (column widths that depend on the new rows) run while the list is still
  // out of sight, so the next paint draws it, its header and its scroll bars once.
  void ResumeRedraw(const std::function<void()>& layout);

  // The grid's own machinery (grid_win32.cpp, grid_strip_win32.cpp).
  bool Alive() const;
  GridRow* Row(std::int64_t row);  // -1 = the header row; null when missing
  std::int64_t RowTotal() const;   // rows of the model, 0 without an engine
  bool StartsGroup(std::int64_t row);
  void Layout();
  struct StripHit {
    std::int64_t row = -10;  // -1 the strip header, -10 no strip cell
    int part = 0;            // 1 icon A, 2 icon B
  };
  StripHit HitTestStrip(int x, int y);
  // Strip cell rectangle of a row's group (row -1: the strip header), in
  // container coordinates; empty when not on screen.
  RECT StripCellRect(std::int64_t row);
  void RefreshStrip();
  void RefreshStripCell(std::int64_t row);
  // A strip cell held pressed is let go without a click: the rows it
  // stands for are about to change, or the capture went elsewhere.
  void ForgetStripPress();
  void PaintStrip(HDC dc, const RECT& update);
  std::int64_t RaiseStripEvent(GridEvent event, std::int64_t row, std::int64_t value, std::int64_t part = 0);

  static LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK HeaderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  LRESULT OnContainerMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void OnStripMouse(UINT message, WPARAM wParam, int x, int y);
  void PaintStripCell(HDC dc, const RECT& cell, int cellHeight, std::int64_t row, bool pressed);
  void InvalidateList();
};

// Appends the 16 x 16 icons of a length-prefixed list of ICO files to an
// image list; false as soon as one cannot be loaded or appended.
bool AppendStripIcons(HIMAGELIST images, std::span<const std::uint8_t> data);

// Window property names shared by the grid's procedures.
inline constexpr wchar_t kGridProp[] = L"ExGRID_Prop";
inline constexpr wchar_t kListPointerProp[] = L"egrid_ListPointer";
inline constexpr wchar_t kOldParentProcProp[] = L"egrid_OldParentProc";

}  // namespace vantorel
