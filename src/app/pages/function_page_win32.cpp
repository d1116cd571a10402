#include "app/pages/function_page_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <span>

#include "analysis/export_tip_win32.h"
#include "codegen/source_names.h"
#include "platform/dpi.h"
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

// A cell of grid row `row` read from the table row the view shows there:
// column 0 its number in the table, 1-5 its texts. Empty for a row the
// table no longer has.
GridText RowCell(const FunctionRows& table, const RowView& view, std::int64_t row, std::int64_t column) {
  const std::int64_t index = view.RowAt(row);
  if (index < 0 || static_cast<std::uint64_t>(index) >= table.size()) return {};
  const FunctionRow& r = table[static_cast<std::size_t>(index)];
  switch (column) {
    case 0: {
      std::array<char16_t, 20> number;
      return GridText(RowNumberText(static_cast<std::size_t>(index) + 1, number));
    }
    case 1: return r.alias;
    case 2: return r.exportName;
    case 3: return r.parameters;
    case 4: return r.convention;
    case 5: return r.comment;
    default: return {};
  }
}

// Row by row, each text stored in the grid: the way when the texts cannot
// be copied in one piece.
void FillCellByCell(GridControl& grid, const FunctionRows& rows, const RowView& view) {
  const std::wstring noText;
  std::array<char16_t, 20> number;
  const auto shown = static_cast<std::int64_t>(view.Shown());
  for (std::int64_t row = 0; row < shown; ++row) {
    const auto index = static_cast<std::size_t>(view.RowAt(row));
    const FunctionRow& r = rows[index];
    if (!grid.AddRow(row, noText, 1)) return;
    SetTick(grid, row, r.ticked ? kTicked : kUnticked);
    grid.SetCellText(0, row, RowNumberText(index + 1, number));
    grid.SetCellText(1, row, std::u16string_view(r.alias));
    grid.SetCellText(2, row, std::u16string_view(r.exportName));
    grid.SetCellText(3, row, std::u16string_view(r.parameters));
    grid.SetCellText(4, row, std::u16string_view(r.convention));
    grid.SetCellText(5, row, std::u16string_view(r.comment));
  }
}

// The table row a grid row shows: the same index, or through the view of a
// filtered grid; -1 for none.
std::int64_t TableRowOf(const RowView* view, std::int64_t row) { return view ? view->RowAt(row) : row; }

// The table row a grid row shows; null for a grid row that shows none (rows
// the grid was given otherwise than by a fill).
FunctionRow* RowAt(FunctionRows& rows, std::int64_t row) {
  return row >= 0 && static_cast<std::uint64_t>(row) < rows.size() ? &rows[static_cast<std::size_t>(row)] : nullptr;
}

// The row's text a grid column shows; null for the number and the hidden column.
std::u16string* FieldOf(FunctionRow& row, std::int64_t column) {
  switch (column) {
    case 1: return &row.alias;
    case 2: return &row.exportName;
    case 3: return &row.parameters;
    case 4: return &row.convention;
    case 5: return &row.comment;
    default: return nullptr;
  }
}

// The export name of a grid row: its table row's, or for a row without one
// the grid's Function cell.
std::wstring ExportNameAt(GridControl& grid, FunctionRows& rows, std::int64_t row, std::int64_t tableRow) {
  if (const FunctionRow* r = RowAt(rows, tableRow)) return ToWide(r->exportName);
  return grid.GetCellText(2, row);
}

// A tick the grid shows, written into the row too.
void SetRowTick(GridControl& grid, FunctionRows& rows, std::int64_t row, std::int64_t tableRow, std::int64_t tick) {
  SetTick(grid, row, tick);
  if (FunctionRow* r = RowAt(rows, tableRow)) r->ticked = tick == kTicked;
}

// A ticked row the source declares under another name than its alias says
// so in its Alias tip: a line after the export's facts, or the only line
// under the export's name (the grid's titled form: title, character 7,
// lines separated by CR LF). Its name depends on the rows above it only.
void AddLoaderNameLine(std::wstring& tip, const FunctionRows& rows, std::int64_t row, const std::wstring& function,
                       std::u16string_view libraryPath) {
  if (row < 0 || static_cast<std::uint64_t>(row) >= rows.size() || !rows[static_cast<std::size_t>(row)].ticked) return;
  const std::span<const FunctionRow> above(rows.data(), static_cast<std::size_t>(row) + 1);
  const std::u16string note = RenameNote(NameLoaderRows(above, libraryPath).rows.back());
  if (note.empty()) return;
  tip += tip.empty() ? function + L"\a" : L"\r\n";
  tip += ToWide(note);
}

}  // namespace

// A table's texts as the grid's source answers them, owned, so the
// application may change or drop its rows afterwards. Either copied from
// the rows, every text in one buffer (one allocation instead of one per
// text), or, for a freshly opened library whose rows are still to be made,
// made from its export names as they are asked for.
class FunctionGridTexts {
 public:
  // Null when the texts do not fit in memory or in 32-bit places.
  static std::shared_ptr<const FunctionGridTexts> Copy(const FunctionRows& rows) {
    std::size_t total = 0;
    for (const FunctionRow& r : rows)
      total += r.alias.size() + r.exportName.size() + r.parameters.size() + r.convention.size() + r.comment.size();
    if (total > std::numeric_limits<std::uint32_t>::max()) return nullptr;
    try {
      auto texts = std::make_shared<FunctionGridTexts>();
      texts->pool_.reserve(total);
      texts->ends_.reserve(rows.size() * kStored);
      for (const FunctionRow& r : rows) {
        for (const std::u16string* text : {&r.alias, &r.exportName, &r.parameters, &r.convention, &r.comment}) {
          texts->pool_ += *text;
          texts->ends_.push_back(static_cast<std::uint32_t>(texts->pool_.size()));
        }
      }
      return texts;
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }

  static std::shared_ptr<const FunctionGridTexts> OfExports(std::span<const ExportEntry> exports,
                                                            ExportNameDecoder decode) {
    std::size_t total = 0;
    for (const ExportEntry& e : exports) total += e.name.size();
    if (total > std::numeric_limits<std::uint32_t>::max()) return nullptr;
    try {
      auto texts = std::make_shared<FunctionGridTexts>();
      texts->names_.reserve(total);
      texts->nameEnds_.reserve(exports.size());
      for (const ExportEntry& e : exports) {
        texts->names_ += e.name;
        texts->nameEnds_.push_back(static_cast<std::uint32_t>(texts->names_.size()));
      }
      texts->decode_ = std::move(decode);
      return texts;
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }

  std::size_t Rows() const { return decode_ ? nameEnds_.size() : ends_.size() / kStored; }

  // Grid column 0 is the row's number, 1-5 the row's texts; the hidden
  // column is empty.
  GridText Cell(std::int64_t row, std::int64_t column) const {
    if (row < 0 || static_cast<std::uint64_t>(row) >= Rows() || column < 0 || column > kStored) return {};
    const auto at = static_cast<std::size_t>(row);
    if (column == 0) {
      std::array<char16_t, 20> number;
      return GridText(RowNumberText(at + 1, number));
    }
    if (decode_) return FreshCell(at, column);
    const std::size_t cell = at * kStored + static_cast<std::size_t>(column - 1);
    const std::size_t begin = cell == 0 ? 0 : ends_[cell - 1];
    return pool_.substr(begin, ends_[cell] - begin);
  }

 private:
  static constexpr int kStored = 5;  // Alias, Function, Para, Conv, Comment

  // The text the row made from this export name will hold.
  GridText FreshCell(std::size_t row, std::int64_t column) const {
    const std::size_t begin = row == 0 ? 0 : nameEnds_[row - 1];
    std::u16string name = decode_(std::string_view(names_).substr(begin, nameEnds_[row] - begin));
    if (column == 2) return name;
    FunctionRow fresh = MakeFunctionRow(std::move(name));
    switch (column) {
      case 1: return std::move(fresh.alias);
      case 3: return std::move(fresh.parameters);
      case 4: return std::move(fresh.convention);
      default: return std::move(fresh.comment);
    }
  }

  std::u16string pool_;
  std::vector<std::uint32_t> ends_;  // where each text ends in the pool, kStored a row
  std::string names_;                 // a fresh library's export names, as bytes
  std::vector<std::uint32_t> nameEnds_;
  ExportNameDecoder decode_;          // set for texts made from export names
};

std::shared_ptr<const FunctionGridTexts> FreshFunctionGridTexts(std::span<const ExportEntry> exports,
                                                                ExportNameDecoder decode) {
  return FunctionGridTexts::OfExports(exports, std::move(decode));
}

std::size_t FunctionGridTextRows(const FunctionGridTexts& texts) { return texts.Rows(); }

namespace {

// The grid's rows replaced by `rows` rows whose texts come from `source`
// and whose ticks from `tickOf`; false when the grid could not take them.
bool ReplaceFunctionGridRows(GridControl& grid, std::int64_t rows, GridCellSource source,
                             const std::function<std::int64_t(std::int64_t row)>& tickOf) {
  // A bulk fill with redraw on is quadratic in Wine's list view.
  grid.SetRedraw(false, false);
  return source && grid.ReplaceSourceRows(rows, 1, std::move(source), tickOf);
}

// Once the rows are in: the last column is stretched once the rows' scroll
// bar is there, and before the paint, so the first paint is the only one.
void ShowFunctionGridRows(GridControl& grid) {
  grid.ResumeRedraw([&grid] { StretchLastColumn(grid); });
  UpdateWindow(grid.listWindow);
  UpdateWindow(grid.containerWindow);
}

}  // namespace

void AddFunctionGridColumns(GridControl& grid, int dpi) {
  grid.AddColumn(0, L"Nr:", Scale(30, dpi));
  grid.AddColumn(1, L"Alias:", Scale(220, dpi));
  grid.AddColumn(2, L"Function:", Scale(220, dpi));
  grid.AddColumn(3, L"Para:", Scale(50, dpi));
  grid.AddColumn(4, L"Conv:", Scale(75, dpi));
  grid.AddColumn(5, L"Comment:", 0);
}

void ScaleColumnWidths(GridControl& grid, int fromDpi, int toDpi) {
  HWND header = grid.headerWindow;
  HWND list = grid.listWindow;
  if (!header || !list || fromDpi <= 0 || toDpi <= 0) return;
  // List column 0 is the grid's hidden one and stays at 0.
  const int columns = Header_GetItemCount(header);
  for (int c = 1; c < columns; ++c) {
    const int width = ListView_GetColumnWidth(list, c);
    ListView_SetColumnWidth(list, c, MulDiv(width, toDpi, fromDpi));
  }
}

void FillFunctionGrid(GridControl& grid, const FunctionRows& table, const RowView* shown) {
  // A view made for another table shows it whole.
  const bool viewed = shown && shown->Total() == table.size();
  auto view = std::make_shared<const RowView>(viewed ? *shown : RowView::All(table.size()));
  // The grid asks for a row's texts when it shows them, until the row is
  // written: storing 65,535 x 6 cells one call at a time cost more than
  // everything else between ClearRows and the first paint. Filtered, the
  // texts are read from the rows themselves: a copy of 65,535 rows at every
  // keystroke cost more than the rest of the refill.
  const auto rows = static_cast<std::int64_t>(view->Shown());
  GridCellSource source;
  if (viewed) {
    source = [&table, view](std::int64_t row, std::int64_t column) { return RowCell(table, *view, row, column); };
  } else if (auto texts = FunctionGridTexts::Copy(table)) {
    source = [texts](std::int64_t row, std::int64_t column) { return texts->Cell(row, column); };
  }
  const auto tickOf = [&table, view](std::int64_t row) {
    return table[static_cast<std::size_t>(view->RowAt(row))].ticked ? kTicked : kUnticked;
  };
  if (!ReplaceFunctionGridRows(grid, rows, std::move(source), tickOf)) {
    grid.ClearRows();
    FillCellByCell(grid, table, *view);
  }
  ShowFunctionGridRows(grid);
}

void FillFreshFunctionGrid(GridControl& grid, std::shared_ptr<const FunctionGridTexts> texts) {
  const auto rows = texts ? static_cast<std::int64_t>(texts->Rows()) : 0;
  GridCellSource source;
  if (texts) source = [texts](std::int64_t row, std::int64_t column) { return texts->Cell(row, column); };
  if (!ReplaceFunctionGridRows(grid, rows, std::move(source), [](std::int64_t) { return kTicked; }))
    grid.ClearRows();
  ShowFunctionGridRows(grid);
}

namespace {

// The grid shows `next` instead of what `filter` showed; the current row
// (`place`) stays current and in view when it is still shown.
void ShowView(GridControl& grid, const FunctionRows& rows, FunctionFilter& filter, RowView next, bool open,
              bool focusGrid, const FunctionGridPlace& place) {
  // An open edit is written into the row it belongs to before the rows move.
  grid.EndEdit();
  filter.view = std::move(next);
  filter.open = open;
  FillFunctionGrid(grid, rows, filter.Shown());
  const std::int64_t position = filter.open ? filter.view.PositionOf(place.row) : place.row;
  const std::int64_t column = place.column >= 0 ? place.column : 1;
  if (position >= 0 && position < grid.GetRowCount()) {
    grid.SetCurrentCell(column, position, focusGrid ? 1 : 0);
    grid.EnsureCellVisible(column, position);
  }
}

// The rows' undecorated names, made on the first filter of a table.
std::span<const std::u16string> UndecoratedOf(const FunctionRows& rows, FunctionFilter& filter) {
  if (!filter.undecoratedMade) {
    filter.undecorated = UndecoratedNames(rows, UndecorateMsvcName);
    filter.undecoratedMade = true;
  }
  return filter.undecorated;
}

}  // namespace

FunctionGridPlace CurrentFunctionRow(GridControl& grid, const FunctionFilter& filter) {
  const std::int64_t row = grid.GetCurrentRow();
  return {filter.Shown() ? filter.view.RowAt(row) : row, grid.GetCurrentColumn()};
}

void FilterFunctionGrid(GridControl& grid, const FunctionRows& rows, FunctionFilter& filter, std::u16string_view text,
                        std::optional<FunctionGridPlace> place) {
  const FunctionGridPlace current = place ? *place : CurrentFunctionRow(grid, filter);
  const auto undecorated = UndecoratedOf(rows, filter);
  RowFilter next = RowFilter::FromText(text);
  // Typing on narrows what is shown: only the rows shown so far are tested.
  const bool narrows = filter.open && filter.view.Total() == rows.size() && next.Narrows(filter.filter);
  RowView view = narrows ? RowView::Narrowed(filter.view, rows, next, undecorated)
                         : RowView::Filtered(rows, next, undecorated);
  filter.filter = std::move(next);
  ShowView(grid, rows, filter, std::move(view), true, false, current);
}

void ShowAllFunctionRows(GridControl& grid, const FunctionRows& rows, FunctionFilter& filter,
                         const FunctionGridPlace& place) {
  filter.filter = RowFilter();
  ShowView(grid, rows, filter, RowView::All(rows.size()), false, true, place);
}

void ForgetFunctionRows(FunctionFilter& filter) {
  filter.undecorated.clear();
  filter.undecoratedMade = false;
  filter.view = RowView::All(0);
}

void RefillFunctionGrid(GridControl& grid, const FunctionRows& rows, FunctionFilter& filter) {
  if (filter.open) filter.view = RowView::Filtered(rows, filter.filter, UndecoratedOf(rows, filter));
  FillFunctionGrid(grid, rows, filter.Shown());
}

std::size_t TickShownFunctionRows(GridControl& grid, FunctionRows& rows, const FunctionFilter& filter, bool ticked) {
  grid.EndEdit();
  const RowView all = RowView::All(rows.size());
  const RowView& view = filter.Shown() && filter.view.Total() == rows.size() ? filter.view : all;
  const std::size_t changed = TickShownRows(rows, view, ticked);
  // The grid's ticks follow without a repaint per row: one for the strip.
  const std::int64_t tick = ticked ? kTicked : kUnticked;
  const std::int64_t count = std::min<std::int64_t>(grid.GetRowCount(), static_cast<std::int64_t>(view.Shown()));
  for (std::int64_t row = 0; row < count; ++row) grid.SetRowState(row, tick, -1, -1, -1, false);
  grid.RefreshStrip();
  return changed;
}

void StretchLastColumn(GridControl& grid) {
  HWND header = grid.headerWindow;
  HWND list = grid.listWindow;
  if (!header || !list || !IsWindow(list)) return;
  const int columns = Header_GetItemCount(header);
  if (columns > 0) ListView_SetColumnWidth(list, columns - 1, LVSCW_AUTOSIZE_USEHEADER);
}

std::int64_t OnFunctionGridEvent(GridControl* grid, GridEvent event, CellEvent& record, FunctionRows& rows,
                                 const std::function<void(std::int64_t)>& selectionChanged,
                                 const RowTipProvider& rowTip, std::u16string_view libraryPath, const RowView* view) {
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
    case GridEvent::EditDone: {
      // The text the cell keeps: cleaned here and written (answer 0), or
      // taken by the grid as it is (answer 1). The row gets the same.
      std::u16string kept = ToU16(record.text);
      std::int64_t answer = 1;
      if (record.column == 1) {
        if (kept.empty()) kept = ToU16(ExportNameAt(*grid, rows, record.row, TableRowOf(view, record.row)));
        kept = MakeAlias(kept);
        grid->SetCellText(1, record.row, ToWide(kept));
        answer = 0;
      } else if (record.column == 3) {
        if (kept.empty()) kept.push_back(u'?');
        grid->SetCellText(3, record.row, ToWide(kept));
        answer = 0;
      }
      if (FunctionRow* row = RowAt(rows, TableRowOf(view, record.row))) {
        if (std::u16string* field = FieldOf(*row, record.column)) *field = std::move(kept);
      }
      return answer;
    }
    case GridEvent::ChoiceChanged:
      // A list choice shows its option in the cell at once; the row follows,
      // also when Escape brings the old option back.
      if (FunctionRow* row = RowAt(rows, TableRowOf(view, record.row))) {
        if (std::u16string* field = FieldOf(*row, record.column)) *field = ToU16(record.text);
      }
      return 1;
    case GridEvent::StripClick: {
      if (record.row < 0) return 0;
      SetRowTick(*grid, rows, record.row, TableRowOf(view, record.row), 3 - TickOf(*grid, record.row));
      for (std::int64_t c = -1; c < kFunctionColumns; ++c) grid->RefreshCell(c, record.row, false);
      if (selectionChanged) selectionChanged(static_cast<std::int64_t>(CountTicked(rows)));
      return 0;
    }
    case GridEvent::HeaderClick: {
      if (record.column != -1) return 1;
      std::int64_t ticked = 0;
      const std::int64_t count = grid->GetRowCount();
      for (std::int64_t r = 0; r < count; ++r) {
        if (TickOf(*grid, r) == kUnticked) {
          SetRowTick(*grid, rows, r, TableRowOf(view, r), kTicked);
          ++ticked;
        } else {
          SetRowTick(*grid, rows, r, TableRowOf(view, r), kUnticked);
        }
        grid->RefreshCell(-1, r, false);
      }
      // Rows the filter hides keep their ticks and still count.
      if (selectionChanged) selectionChanged(view ? static_cast<std::int64_t>(CountTicked(rows)) : ticked);
      return 1;
    }
    case GridEvent::TooltipQuery: {
      // The alias is made from the function's name: both cells tell about
      // the same export.
      if ((record.column != 1 && record.column != 2) || record.row < 0 || record.row >= grid->GetRowCount())
        return 0;
      const std::int64_t tableRow = TableRowOf(view, record.row);
      const std::wstring function = ExportNameAt(*grid, rows, record.row, tableRow);
      std::wstring text = rowTip ? rowTip(tableRow, function) : std::wstring();
      if (record.column == 1) AddLoaderNameLine(text, rows, tableRow, function, libraryPath);
      if (text.empty()) return 0;
      record.text = std::move(text);
      record.value = 1;  // the information icon before the title
      record.x1 = Scale(static_cast<int>(kRowTipWidth), grid->GetDpi());
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
