#include "grid/grid_core.h"

#include <climits>

#include "grid/grid_geometry.h"

namespace vantorel {

GridCore::GridCore(GridListView& list, GridEditorView& editors)
    : session(model, notifier, selection, list, editors),
      intake(model, notifier, session, list, editors),
      button(model, notifier, session, list),
      keys(model, notifier, selection, session, intake, button, list, editors, [this] { EndEditing(); }),
      pointer(model, notifier, look, selection, session, button, list),
      header(notifier, look, list, [this] { EndEditing(); }),
      strip(model, notifier),
      list_(list) {}

void GridCore::EndEditing() {
  pointer.Forget();
  session.End();
}

void GridCore::BeforeShapeChange() {
  EndEditing();
  strip.ForgetPress();
}

void GridCore::SetCurrentCell(std::int64_t column, std::int64_t row, bool focus) {
  session.Commit();
  if (column >= 0 && column < model.ColumnCount()) session.Open(GridCell{row, column}, focus);
}

bool GridCore::SetBlock(std::int64_t column, std::int64_t row, std::int64_t width, std::int64_t height) {
  const auto block = CheckedBlock(model, column, row, width, height);
  if (!block) return false;
  selection.block = *block;
  return true;
}

bool GridCore::AddRow(std::int64_t position, std::u16string_view hiddenText, std::int64_t flag) {
  if (model.RowCount() >= INT_MAX) return false;
  BeforeShapeChange();
  return list_.Alive() && model.InsertRow(position, GridText(hiddenText), static_cast<std::uint64_t>(flag) << 31) >= 0;
}

bool GridCore::AddSourceRows(std::int64_t count, std::int64_t flag, GridCellSource source) {
  if (count < 0 || count > INT_MAX - model.RowCount()) return false;
  BeforeShapeChange();
  return list_.Alive() && model.AppendSourceRows(count, static_cast<std::uint64_t>(flag) << 31, std::move(source));
}

bool GridCore::RemoveRow(std::int64_t row) {
  if (row < 0 || row >= model.RowCount()) return false;
  // The current cell, the block and held buttons would point at other rows afterwards.
  BeforeShapeChange();
  return list_.Alive() && model.RemoveRow(row);
}

bool GridCore::ClearRows() {
  BeforeShapeChange();
  if (!list_.Alive()) return false;
  model.ClearRows();
  return true;
}

bool GridCore::ReplaceSourceRows(std::int64_t count, std::int64_t flag, GridCellSource source,
                                 const std::function<std::int64_t(std::int64_t row)>& iconA) {
  if (count < 0 || count > INT_MAX) return false;
  BeforeShapeChange();
  if (!list_.Alive()) return false;
  model.ClearRows(true);
  const auto base = static_cast<std::uint64_t>(flag) << 31;
  if (!model.AppendSourceRows(count, base, std::move(source))) return false;
  if (!iconA) return true;
  // Rows mostly share a few states: each is worked out once per run of it.
  std::int64_t lastIcon = -1;
  std::uint64_t lastState = base;
  for (std::int64_t row = 0; row < count; ++row) {
    const std::int64_t icon = iconA(row);
    if (icon != lastIcon) {
      lastState = ApplyRowStateChange(base, RowStateChange{icon, -1, -1, -1});
      lastIcon = icon;
    }
    model.Row(row)->state = lastState;
  }
  return true;
}

bool GridCore::SetRowState(std::int64_t row, const RowStateChange& change) {
  GridRow* record = model.Row(row);
  if (!record) return false;
  const std::uint64_t state = ApplyRowStateChange(record->state, change);
  if (state == record->state) return false;
  record->state = state;
  return true;
}

bool GridCore::SetColour(std::int64_t index, std::int64_t value) {
  if (index >= 1 && index <= 6) return look.SetColour(index, value);
  if (index != 7 || value < 0 || value > 3) return false;
  session.SetSelectionKind(value);
  return true;
}

}  // namespace vantorel
