#pragma once
// The grid's notification protocol: the events it raises, the record it
// hands to the application's callback, and the flags a grid is made with.
// Every decision the application may take is asked through one callback.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The platform's font handle, as the application puts it into a record.
struct HFONT__;

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
  HFONT__* font = nullptr;  // CellFormat
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
// The in-place editors are made on first use or by MakeEditors.
inline constexpr std::int64_t kEditorsLater = 0x200000;
}  // namespace grid_flags

// The values EditDelete carries as its key: the Delete key's code, and for a
// cut and a paste over a selection the character their Ctrl shortcut types.
inline constexpr std::int64_t kDeleteKeyValue = 0x2E;
inline constexpr std::int64_t kCutKeyValue = 0x18;
inline constexpr std::int64_t kPasteKeyValue = 0x16;

// Texts cross to the application as the platform's wide strings, unit by unit.
inline std::wstring WideOf(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
inline std::u16string GridTextOf(std::wstring_view text) {
  std::u16string out(text.size(), u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) out[i] = static_cast<char16_t>(text[i]);
  return out;
}

// Hands events to the application's callback.
class GridNotifier {
 public:
  GridCallback callback;
  // What the callback is told the grid is; null for a bare engine and once
  // the grid's windows are gone.
  GridControl* grid = nullptr;
  // Callbacks running; a grid freed meanwhile keeps its engine until they return.
  int raising = 0;

  // The callback's answer, or 1 when there is none.
  std::int64_t Raise(GridEvent event, CellEvent& record);
  // A record of row and column alone, with an optional value.
  std::int64_t RaiseAt(GridEvent event, std::int64_t row, std::int64_t column, std::int64_t value = 0);
};

}  // namespace vantorel
