#include "codegen/function_grid_win32.h"

#include <commctrl.h>

#include <array>
#include <limits>
#include <memory>
#include <new>
#include <span>

#include "codegen/source_names.h"
#include "platform/text_win32.h"

namespace vantorel {

namespace {

constexpr std::int64_t kEvenRowColour = 0xDFFFFF;
constexpr std::int64_t kOddRowColour = 0xFCFEDB;

std::int64_t TickOf(GridControl& grid, std::int64_t row) { return static_cast<std::int64_t>(grid.GetRowState(row) & 0xFF); }

void SetTick(GridControl& grid, std::int64_t row, std::int64_t tick) { grid.SetRowState(row, tick, -1, -1, -1, true); }

// The row number in decimal, written into `buffer`: the runtime's wide
// formatting is a slow way to make 65,535 short numbers.
std::u16string_view RowNumberText(std::size_t number, std::span<char16_t, 20> buffer) {
  std::size_t at = buffer.size();
  do {
    buffer[--at] = static_cast<char16_t>(u'0' + number % 10);
    number /= 10;
  } while (number != 0);
  return {buffer.data() + at, buffer.size() - at};
}

// A filled table's texts as the grid's source answers them: every text in
// one buffer, so the copy costs one allocation instead of one per text,
// and owned, so the application may change or drop its list afterwards.
class FunctionGridTexts {
 public:
  // Null when the texts do not fit in memory or in 32-bit places.
  static std::shared_ptr<const FunctionGridTexts> Copy(const FunctionList& list) {
    std::size_t total = 0;
    for (const FunctionEntry& e : list)
      total += e.Alias.size() + e.Function.size() + e.Para.size() + e.Conv.size() + e.Comment.size();
    if (total > std::numeric_limits<std::uint32_t>::max()) return nullptr;
    try {
      auto texts = std::make_shared<FunctionGridTexts>();
      texts->pool_.reserve(total);
      texts->ends_.reserve(list.size() * kStored);
      for (const FunctionEntry& e : list) {
        for (const std::u16string* text : {&e.Alias, &e.Function, &e.Para, &e.Conv, &e.Comment}) {
          texts->pool_ += *text;
          texts->ends_.push_back(static_cast<std::uint32_t>(texts->pool_.size()));
        }
      }
      return texts;
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }

  // Grid column 0 is the row's number, 1-5 the entry's texts; the hidden
  // column is empty.
  GridText Cell(std::int64_t row, std::int64_t column) const {
    const auto rows = static_cast<std::int64_t>(ends_.size() / kStored);
    if (row < 0 || row >= rows || column < 0 || column > kStored) return {};
    if (column == 0) {
      std::array<char16_t, 20> number;
      return GridText(RowNumberText(static_cast<std::size_t>(row) + 1, number));
    }
    const std::size_t at = static_cast<std::size_t>(row) * kStored + static_cast<std::size_t>(column - 1);
    const std::size_t begin = at == 0 ? 0 : ends_[at - 1];
    return pool_.substr(begin, ends_[at] - begin);
  }

 private:
  static constexpr int kStored = 5;  // Alias, Function, Para, Conv, Comment
  std::u16string pool_;
  std::vector<std::uint32_t> ends_;  // where each text ends in the pool, kStored a row
};

// Row by row, each text stored in the grid: the way when the texts cannot
// be copied in one piece.
void FillCellByCell(GridControl& grid, const FunctionList& list) {
  const std::wstring noText;
  std::array<char16_t, 20> number;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const FunctionEntry& e = list[i];
    const auto row = static_cast<std::int64_t>(i);
    if (!grid.AddRow(row, noText, 1)) return;
    SetTick(grid, row, e.checked == 1 ? kTicked : kUnticked);
    grid.SetCellText(0, row, RowNumberText(i + 1, number));
    grid.SetCellText(1, row, std::u16string_view(e.Alias));
    grid.SetCellText(2, row, std::u16string_view(e.Function));
    grid.SetCellText(3, row, std::u16string_view(e.Para));
    grid.SetCellText(4, row, std::u16string_view(e.Conv));
    grid.SetCellText(5, row, std::u16string_view(e.Comment));
  }
}

// A ticked row the source declares under another name than its alias says
// so in its Alias tip: a line after the export's facts, or the only line
// under the export's name (the grid's titled form: title, character 7,
// lines separated by CR LF). Its name depends on the rows above it only.
void AddLoaderNameLine(std::wstring& tip, GridControl& grid, std::int64_t row, const std::wstring& function,
                       std::wstring_view libraryPath) {
  if (TickOf(grid, row) != kTicked) return;
  std::vector<SourceRow> rows(static_cast<std::size_t>(row) + 1);
  for (std::int64_t r = 0; r <= row; ++r) {
    SourceRow& source = rows[static_cast<std::size_t>(r)];
    source.ticked = TickOf(grid, r) == kTicked;
    if (!source.ticked) continue;
    source.alias = ToU16(grid.GetCellText(1, r));
    source.function = r == row ? ToU16(function) : ToU16(grid.GetCellText(2, r));
  }
  const std::u16string note = RenameNote(NameLoaderRows(rows, ToU16(libraryPath)).rows.back());
  if (note.empty()) return;
  tip += tip.empty() ? function + L"\a" : L"\r\n";
  tip += ToWide(note);
}

}  // namespace

void AddFunctionGridColumns(GridControl& grid) {
  grid.AddColumn(0, L"Nr:", 30);
  grid.AddColumn(1, L"Alias:", 220);
  grid.AddColumn(2, L"Function:", 220);
  grid.AddColumn(3, L"Para:", 50);
  grid.AddColumn(4, L"Conv:", 75);
  grid.AddColumn(5, L"Comment:", 0);
}

void FillFunctionGrid(GridControl& grid, const FunctionList& list) {
  grid.ClearRows();
  // A bulk fill with redraw on is quadratic in Wine's list view. After
  // ClearRows, which switches redraw back on when it is done.
  grid.SetRedraw(false, false);
  // The grid asks for a row's texts when it shows them, until the row is
  // written: storing 65,535 x 6 cells one call at a time cost more than
  // everything else between ClearRows and the first paint.
  const auto rows = static_cast<std::int64_t>(list.size());
  auto texts = FunctionGridTexts::Copy(list);
  if (texts && grid.AddSourceRows(rows, 1, [texts](std::int64_t row, std::int64_t column) {
        return texts->Cell(row, column);
      })) {
    for (std::int64_t row = 0; row < rows; ++row)
      SetTick(grid, row, list[static_cast<std::size_t>(row)].checked == 1 ? kTicked : kUnticked);
  } else {
    FillCellByCell(grid, list);
  }
  // The last column is stretched once the rows' scroll bar is there, and
  // before the paint, so the first paint is the only one.
  grid.ResumeRedraw([&grid] { StretchLastColumn(grid); });
  UpdateWindow(grid.listWindow);
  UpdateWindow(grid.containerWindow);
}

void StretchLastColumn(GridControl& grid) {
  HWND header = grid.headerWindow;
  HWND list = grid.listWindow;
  if (!header || !list || !IsWindow(list)) return;
  const int columns = Header_GetItemCount(header);
  if (columns > 0) ListView_SetColumnWidth(list, columns - 1, LVSCW_AUTOSIZE_USEHEADER);
}

std::vector<FunctionGridRow> ReadFunctionGrid(GridControl& grid) {
  // A cell still being edited counts: its text is committed before reading.
  grid.EndEdit();
  std::vector<FunctionGridRow> rows;
  const std::int64_t count = grid.GetRowCount();
  for (std::int64_t r = 0; r < count; ++r) {
    FunctionGridRow row;
    row.ticked = TickOf(grid, r) == kTicked;
    row.alias = grid.GetCellText(1, r);
    row.function = grid.GetCellText(2, r);
    row.para = grid.GetCellText(3, r);
    row.conv = grid.GetCellText(4, r);
    row.comment = grid.GetCellText(5, r);
    rows.push_back(std::move(row));
  }
  return rows;
}

std::int64_t CountTickedRows(GridControl& grid) {
  std::int64_t ticked = 0;
  const std::int64_t count = grid.GetRowCount();
  for (std::int64_t r = 0; r < count; ++r) ticked += TickOf(grid, r) == kTicked ? 1 : 0;
  return ticked;
}

std::int64_t OnFunctionGridEvent(GridControl* grid, GridEvent event, CellEvent& record,
                                 const std::function<void(std::int64_t)>& selectionChanged,
                                 const RowTipProvider& rowTip, std::wstring_view libraryPath) {
  if (!grid) return 1;
  switch (event) {
    case GridEvent::CellType:
      if (record.column == 0 || record.column == 2) {
        record.type = 1;
      } else if (record.column == 4) {
        record.type = 3;
        record.text = ToWide(kEditionTraits.conventions);
      }
      return 1;
    case GridEvent::CellFormat:
      if (record.column == 0 || record.column == 3) record.align = 2;
      if (record.row == -1 || record.column == -1) {
        record.gradientTop = 0xFFFFFF;
        record.gradientBottom = GetSysColor(COLOR_GRADIENTACTIVECAPTION);
      } else {
        record.backColour = record.row % 2 == 0 ? kEvenRowColour : kOddRowColour;
      }
      return 1;
    case GridEvent::EditChar:
      if (record.column == 3) {
        const bool digit = record.value >= L'0' && record.value <= L'9';
        return digit ? 1 : 0;
      }
      return 1;
    case GridEvent::EditDone:
      if (record.column == 1) {
        std::wstring text = record.text;
        if (text.empty()) text = grid->GetCellText(2, record.row);
        grid->SetCellText(1, record.row, ToWide(MakeAlias(ToU16(text))));
        return 0;
      }
      if (record.column == 3) {
        grid->SetCellText(3, record.row, record.text.empty() ? std::wstring(L"?") : record.text);
        return 0;
      }
      return 1;
    case GridEvent::StripClick: {
      if (record.row < 0) return 0;
      SetTick(*grid, record.row, 3 - TickOf(*grid, record.row));
      for (std::int64_t c = -1; c < kFunctionColumns; ++c) grid->RefreshCell(c, record.row, false);
      if (selectionChanged) selectionChanged(CountTickedRows(*grid));
      return 0;
    }
    case GridEvent::HeaderClick: {
      if (record.column != -1) return 1;
      std::int64_t ticked = 0;
      const std::int64_t count = grid->GetRowCount();
      for (std::int64_t r = 0; r < count; ++r) {
        if (TickOf(*grid, r) == kUnticked) {
          SetTick(*grid, r, kTicked);
          ++ticked;
        } else {
          SetTick(*grid, r, kUnticked);
        }
        grid->RefreshCell(-1, r, false);
      }
      if (selectionChanged) selectionChanged(ticked);
      return 1;
    }
    case GridEvent::TooltipQuery: {
      // The alias is made from the function's name: both cells tell about
      // the same export.
      if ((record.column != 1 && record.column != 2) || record.row < 0 || record.row >= grid->GetRowCount())
        return 0;
      const std::wstring function = grid->GetCellText(2, record.row);
      std::wstring text = rowTip ? rowTip(record.row, function) : std::wstring();
      if (record.column == 1) AddLoaderNameLine(text, *grid, record.row, function, libraryPath);
      if (text.empty()) return 0;
      record.text = std::move(text);
      record.value = 1;  // the information icon before the title
      record.x1 = kRowTipWidth;
      // The tip reads like the cells it explains.
      if (grid->listWindow)
        record.font = reinterpret_cast<HFONT>(SendMessageW(grid->listWindow, WM_GETFONT, 0, 0));
      return 1;
    }
    default:
      return 1;
  }
}

}  // namespace vantorel
