#pragma once
// The grid's table of operations, as the application calls them: the
// contract the window side fulfils, the platform's handles passed through
// as they are.
#include <cstdint>
#include <span>
#include <string>

#include "grid/grid_events.h"

// The platform's window and icon handles.
struct HWND__;
struct HICON__;

namespace vantorel {

// The grid's table of operations, in its fixed order. Once the grid's
// windows are gone every operation fails quietly: getters answer -1 (0 for
// values, "" for texts) and setters do nothing.
class GridOperations {
 public:
  virtual ~GridOperations() = default;
  virtual void AddColumn(std::int64_t position, const std::wstring& title, std::int64_t width) = 0;
  virtual std::int64_t AddRow(std::int64_t position, const std::wstring& text, std::int64_t flag) = 0;
  virtual std::int64_t SetImage(std::int64_t index, HICON__* icon) = 0;
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
  virtual HWND__* GetWindow() = 0;
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
  virtual void SetFont(HFONT__* font) = 0;
  virtual void ReservedC() = 0;
  virtual void SetColour(std::int64_t index, std::int64_t value) = 0;
  virtual void SetRowValue(std::int64_t row, std::int64_t value) = 0;
  virtual void SetStrip(std::int64_t width, std::int64_t gap) = 0;
  virtual void SetStripTextMargins(std::int64_t left, std::int64_t right) = 0;
  virtual void SetRowState(std::int64_t row, std::int64_t iconA, std::int64_t iconB, std::int64_t placeA,
                           std::int64_t placeB, bool redraw) = 0;
  virtual void SetData(std::int64_t value) = 0;
};

}  // namespace vantorel
