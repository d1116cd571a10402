#pragma once
// The grid's three in-place editors, made once per grid and kept out of
// sight until a cell of their type is current: the text box ("Edit"), the
// list choice (a drop-down-list "ComboBox") and the editable choice (a
// drop-down "ComboBox" whose inner "EDIT" shares the text box's procedure).
// Their messages become the keyboard's and the intake's events; they show,
// place and hand over the text as the editing session asks.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "grid/grid_view.h"

namespace vantorel {

class GridList;

// The text of a combo box's item; empty when it has none.
std::wstring ComboItemText(HWND combo, LRESULT index);

class GridEditors final : public GridEditorView {
 public:
  explicit GridEditors(GridList& list) : list_(list) {}
  GridEditors(const GridEditors&) = delete;
  GridEditors& operator=(const GridEditors&) = delete;

  HWND editBox = nullptr;
  HWND listChoice = nullptr;
  HWND editChoice = nullptr;
  HWND editChoiceEdit = nullptr;
  WNDPROC oldEditBoxProc = nullptr;
  WNDPROC oldChoiceEditProc = nullptr;
  WNDPROC oldListChoiceProc = nullptr;

  // Makes the editors inside the list view and takes over their procedures;
  // false when one cannot be made. With later, they are made by Make or
  // when an editor is first loaded, placed or focused: a window's first
  // display need not wait for three hidden controls.
  bool Create(bool later = false);
  bool Make();
  // The list view is going: the editors go with it.
  void Forget() { editBox = listChoice = editChoice = editChoiceEdit = nullptr; }
  // The window an editor is placed and focused as, and the one holding its
  // text (a combo box's inner edit); which editor a window is.
  HWND WindowOf(GridEditor editor) const;
  HWND TextWindowOf(GridEditor editor) const;
  GridEditor EditorOf(HWND window) const;
  // CBN_SELCHANGE, CBN_DROPDOWN and CBN_CLOSEUP from a choice.
  void OnChoiceNotify(HWND combo, UINT code);

  // GridEditorView.
  void HideEditors() override;
  void LoadEditor(GridEditor editor, const GridText& text, const std::vector<GridText>& options) override;
  void PlaceEditor(GridEditor editor, GridCell cell) override;
  void FocusEditor(GridEditor editor) override;
  bool EditorHasFocus() override;
  std::optional<GridText> EditorText(GridEditor editor) override;
  void SetEditorText(GridEditor editor, const GridText& text) override;
  void RestoreChoice(GridEditor editor, const GridText& text) override;
  GridEditorContent ReadEditor(GridEditor editor, std::size_t limit) override;
  void ReplaceSelection(GridEditor editor, const GridText& text) override;
  void ReplaceText(GridEditor editor, const GridText& text) override;
  void PasteOwn(GridEditor editor) override;
  bool ListDropped(GridEditor editor) override;
  void CloseList(GridEditor editor) override;

  static LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ListChoiceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  // The procedure under the grid's own for a text window, which takes text
  // without the grid's checks.
  WNDPROC OriginalProc(HWND window) const { return window == editBox ? oldEditBoxProc : oldChoiceEditProc; }
  // What every editor does alike: keeps Tab, Enter and the arrows from
  // dialog navigation, reports its mouse buttons for the current cell, ends
  // editing when the focus leaves the grid, and gives its procedure back.
  std::optional<LRESULT> CommonMessage(HWND window, WNDPROC old, UINT message, WPARAM wParam, LPARAM lParam);

  GridList& list_;
};

}  // namespace vantorel
