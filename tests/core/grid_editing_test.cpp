// The grid's editing without a window: the current cell and its editing
// session, keys, the mouse over cells, the strip and the header, driven
// through fakes of the list, its editors and the strip.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "grid/grid_cell_layout.h"
#include "grid/grid_core.h"

namespace vantorel {
namespace {

GridText T(const char* text) { return GridText(text, text + std::char_traits<char>::length(text)); }

class FakeList final : public GridListView {
 public:
  bool alive = true;
  int repaints = 0;
  std::int64_t page = 3;
  std::optional<GridCell> underPointer;
  bool leftHeld = false;
  bool captured = false;
  bool timer = false;
  GridText clipboard;
  std::optional<GridDragView> drag;
  std::vector<GridPoint> passedClicks;
  int tips = 0;

  bool Alive() const override { return alive; }
  void InvalidateCell(GridCell) override {}
  void InvalidateRow(std::int64_t) override {}
  void InvalidateAll() override { ++repaints; }
  void EnsureRowVisible(std::int64_t) override {}
  void EnsureCellVisible(GridCell) override {}
  void PlaceCurrentEditor() override {}
  std::int64_t PageRows() override { return page; }
  // Cells 100 x 20 from the origin.
  CellBox CellBoxOf(GridCell c) override {
    return CellBox{static_cast<int>(c.column * 100), static_cast<int>(c.row * 20), static_cast<int>(c.column * 100 + 100),
                   static_cast<int>(c.row * 20 + 20)};
  }
  std::optional<GridCell> CellUnderPointer() override { return underPointer; }
  bool LeftButtonHeld() override { return leftHeld; }
  void CaptureMouse() override { captured = true; }
  void ReleaseMouse() override { captured = false; }
  bool HasMouse() override { return captured; }
  void StartDragTimer() override { timer = true; }
  void StopDragTimer() override { timer = false; }
  std::optional<GridDragView> DragView() override { return drag; }
  void ScrollBy(int, int) override {}
  bool TrackLeave() override { return true; }
  void PassClickToEditor(GridPoint point, std::int64_t, bool) override { passedClicks.push_back(point); }
  void ShowTooltip(GridCell, const CellEvent&) override { ++tips; }
  void DestroyTooltip() override {}
  void FocusList() override {}
  void TakeFocus() override {}
  GridText ClipboardText() override { return clipboard; }
  bool SetClipboardText(const GridText& text) override {
    clipboard = text;
    return true;
  }
  bool SameOption(const GridText& a, const GridText& b) override {
    auto lower = [](GridText t) {
      for (char16_t& c : t) c = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
      return t;
    };
    return lower(a) == lower(b);
  }
};

class FakeEditors final : public GridEditorView {
 public:
  struct Box {
    GridText text;
    std::size_t start = 0, end = 0;
    std::vector<GridText> options;
    int chosen = -1;
    bool dropped = false;
  };
  std::map<GridEditor, Box> boxes;
  GridEditor focus = GridEditor::None;

  void HideEditors() override { focus = GridEditor::None; }
  void LoadEditor(GridEditor e, const GridText& text, const std::vector<GridText>& options) override {
    Box& b = boxes[e];
    b = Box{text, 0, 0, options, -1, false};
    const auto at = std::find(options.begin(), options.end(), text);
    if (at != options.end()) b.chosen = static_cast<int>(at - options.begin());
  }
  void PlaceEditor(GridEditor, GridCell) override {}
  void FocusEditor(GridEditor e) override { focus = e; }
  bool EditorHasFocus() override { return focus != GridEditor::None; }
  std::optional<GridText> EditorText(GridEditor e) override {
    const Box& b = boxes[e];
    if (e != GridEditor::ListChoice) return b.text;
    if (b.chosen < 0) return std::nullopt;
    return b.options[static_cast<std::size_t>(b.chosen)];
  }
  void SetEditorText(GridEditor e, const GridText& text) override { boxes[e].text = text; }
  void RestoreChoice(GridEditor e, const GridText& text) override {
    Box& b = boxes[e];
    b.dropped = false;
    const auto at = std::find(b.options.begin(), b.options.end(), text);
    b.chosen = at == b.options.end() ? -1 : static_cast<int>(at - b.options.begin());
    if (e == GridEditor::EditChoice) b.text = text;
  }
  GridEditorContent ReadEditor(GridEditor e, std::size_t limit) override {
    const Box& b = boxes[e];
    GridEditorContent c{b.text.substr(0, limit), b.start, b.end};
    c.start = std::min(c.start, c.text.size());
    c.end = std::min(c.end, c.text.size());
    return c;
  }
  void ReplaceSelection(GridEditor e, const GridText& text) override {
    Box& b = boxes[e];
    b.text = b.text.substr(0, b.start) + text + b.text.substr(b.end);
    b.start = b.end = b.start + text.size();
  }
  void ReplaceText(GridEditor e, const GridText& text) override {
    boxes[e].text = text;
    boxes[e].start = boxes[e].end = text.size();
  }
  void PasteOwn(GridEditor) override {}
  bool ListDropped(GridEditor e) override { return boxes[e].dropped; }
  void CloseList(GridEditor e) override { boxes[e].dropped = false; }
};

class FakeStrip final : public GridStripView {
 public:
  bool presses = true;
  bool captured = false;
  bool StripAlive() override { return true; }
  void RefreshStrip() override {}
  void RefreshStripCell(std::int64_t) override {}
  void CaptureStrip() override { captured = true; }
  void ReleaseStrip() override { captured = false; }
  bool StripCellsPress() override { return presses; }
  void FocusList() override {}
};

// A core of rows x columns with cell (c, r) = "rRcC". Each column answers
// CellType with its entry of `types` (text cells by default) and `options`;
// the events are recorded and answered from `answers` (1 when not listed).
struct Grid {
  FakeList list;
  FakeEditors editors;
  GridCore core{list, editors};
  std::map<std::int64_t, std::int64_t> types;
  std::map<std::int64_t, GridText> options;
  std::map<GridEvent, std::int64_t> answers;
  std::vector<std::pair<GridEvent, CellEvent>> events;
  std::function<void(GridEvent, CellEvent&)> react;

  Grid(int rows, int columns) {
    for (int c = 0; c < columns; ++c) core.model.InsertColumn(-1);
    for (int r = 0; r < rows; ++r) {
      core.model.InsertRow(-1, u"", 0x80000000u);
      for (int c = 0; c < columns; ++c)
        core.model.SetText(c, r, T(("r" + std::to_string(r) + "c" + std::to_string(c)).c_str()));
    }
    core.notifier.callback = [this](GridControl*, GridEvent event, CellEvent& record) -> std::int64_t {
      if (event == GridEvent::CellType) {
        record.type = types.count(record.column) ? types[record.column] : 0;
        if (options.count(record.column)) record.text = WideOf(options[record.column]);
      }
      events.emplace_back(event, record);
      if (react) react(event, record);
      return answers.count(event) ? answers[event] : 1;
    };
  }
  GridText Text(std::int64_t column, std::int64_t row) const { return core.model.Text(column, row); }
  GridCell Current() const { return core.session.Current(); }
  FakeEditors::Box& Box() { return editors.boxes[core.session.editor]; }
  // The events except CellType and CellFormat, which are asked all the time.
  std::vector<GridEvent> Sequence() const {
    std::vector<GridEvent> out;
    for (const auto& e : events)
      if (e.first != GridEvent::CellType) out.push_back(e.first);
    return out;
  }
  std::vector<CellEvent> Of(GridEvent event) const {
    std::vector<CellEvent> out;
    for (const auto& e : events)
      if (e.first == event) out.push_back(e.second);
    return out;
  }
};

TEST(GridSession, TheSessionOpensCommitsVetoesAndRestores) {
  struct Case {
    const char* name;
    std::int64_t answer;   // to EditDone
    bool appRewrites;      // the application appends "!" to the committed text
    const char* kept;
  };
  const Case cases[] = {
      {"accepted", 1, false, "typed"},
      {"accepted and rewritten", 1, true, "typed!"},
      {"vetoed", 0, false, "r1c2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Grid g(3, 3);
    g.react = [&](GridEvent event, CellEvent& record) {
      if (event == GridEvent::EditDone && c.appRewrites) record.text += L"!";
    };
    g.answers[GridEvent::EditDone] = c.answer;
    g.core.SetCurrentCell(2, 1, true);
    EXPECT_EQ(g.Current(), (GridCell{1, 2}));
    EXPECT_EQ(g.core.session.editor, GridEditor::TextBox);
    EXPECT_EQ(g.editors.focus, GridEditor::TextBox);
    EXPECT_EQ(g.Box().text, u"r1c2");
    EXPECT_FALSE(g.core.session.Changed());
    g.Box().text = u"typed";
    EXPECT_TRUE(g.core.session.Changed());
    g.events.clear();
    g.core.SetCurrentCell(0, 0, true);  // moving on commits
    ASSERT_EQ(g.Of(GridEvent::EditDone).size(), 1u);
    EXPECT_EQ(g.Of(GridEvent::EditDone)[0].text, L"typed");
    EXPECT_EQ(g.Text(2, 1), T(c.kept));
    EXPECT_EQ(g.Current(), (GridCell{0, 0}));
  }

  // Escape gives the editor its start text back; the commit after finds no change.
  Grid g(2, 2);
  g.core.SetCurrentCell(1, 1, true);
  g.Box().text = u"scratch";
  g.core.keys.OnEditorKeyDown(GridEditor::TextBox, GridKey::Escape, {});
  EXPECT_EQ(g.Box().text, u"r1c1");
  g.events.clear();
  g.core.EndEditing();
  EXPECT_TRUE(g.Of(GridEvent::EditDone).empty());
  EXPECT_FALSE(g.core.session.HasCurrentCell());

  // A commit from inside EditDone does nothing; a row removed above the
  // edited one meanwhile leaves the text to the row it was typed into.
  g.core.SetCurrentCell(0, 1, true);
  g.Box().text = u"kept";
  g.react = [&](GridEvent event, CellEvent&) {
    if (event != GridEvent::EditDone) return;
    g.core.session.Commit();
    g.core.model.RemoveRow(0);
  };
  g.events.clear();
  g.core.session.Commit();
  EXPECT_EQ(g.Of(GridEvent::EditDone).size(), 1u);
  EXPECT_EQ(g.Text(0, 0), u"kept");
  EXPECT_EQ(g.core.model.RowCount(), 1);
}

TEST(GridSession, CellTypesOpenTheirEditorsAndChoicesReportChanges) {
  const std::string longText(kEditorTextLimit + 1, '7');
  struct Case {
    std::int64_t type;
    std::size_t length;
    GridEditor editor;
  };
  for (const Case& c : {Case{0, 5, GridEditor::TextBox}, Case{0, longText.size(), GridEditor::None},
                        Case{3, longText.size(), GridEditor::ListChoice}, Case{4, 5, GridEditor::EditChoice},
                        Case{4, longText.size(), GridEditor::None}, Case{1, 5, GridEditor::None},
                        Case{5, 5, GridEditor::None}, Case{11, 5, GridEditor::None}})
    EXPECT_EQ(EditorForCell(c.type, c.length), c.editor) << c.type << " " << c.length;
  EXPECT_EQ(SplitOptions(u"a\n\nb"), (std::vector<GridText>{u"a", u"", u"b"}));

  Grid g(2, 2);
  g.types[0] = 3;
  g.options[0] = u"cdecl\nstdcall";
  g.core.model.SetText(0, 0, u"cdecl");
  g.core.SetCurrentCell(0, 0, true);
  ASSERT_EQ(g.core.session.editor, GridEditor::ListChoice);
  EXPECT_EQ(g.Box().chosen, 0);
  // A choice made writes the cell at once and is reported; Escape takes it back.
  g.events.clear();
  g.core.session.OnChoiceMade(GridEditor::ListChoice, u"stdcall", true);
  EXPECT_EQ(g.Text(0, 0), u"stdcall");
  g.Box().chosen = 1;
  g.core.keys.OnListChoiceKeyDown(GridKey::Escape, {});
  EXPECT_EQ(g.Text(0, 0), u"cdecl");
  ASSERT_EQ(g.Of(GridEvent::ChoiceChanged).size(), 2u);
  EXPECT_EQ(g.Of(GridEvent::ChoiceChanged)[1].text, L"cdecl");
  // Text written by the application into the current cell becomes its start text.
  g.core.model.SetText(0, 0, u"stdcall");
  g.core.session.Follow(GridCell{0, 0});
  EXPECT_EQ(g.core.session.startText, u"stdcall");
  EXPECT_EQ(g.Box().chosen, 1);
}

TEST(GridKeyboardRules, KeysMoveThroughCellFocusAndCommitOrAreVetoed) {
  struct Case {
    const char* name;
    GridCell from;
    GridKey key;
    GridModifiers held;
    bool onRelease;  // Tab acts when it comes up
    GridCell to;
    std::int64_t value;  // CellFocus's key value
  };
  const Case cases[] = {
      {"right", {1, 1}, GridKey::Right, {}, false, {1, 2}, 4},
      {"left at the edge", {1, 0}, GridKey::Left, {}, false, {1, 0}, 3},
      {"down", {1, 1}, GridKey::Down, {}, false, {2, 1}, 6},
      {"page down", {0, 0}, GridKey::PageDown, {}, false, {3, 0}, 7},
      {"tab wraps to the next row", {1, 2}, GridKey::Tab, {}, true, {2, 0}, 4},
      {"shift tab wraps back", {1, 0}, GridKey::Tab, {false, true}, true, {0, 2}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const bool veto : {false, true}) {
      Grid g(5, 3);
      g.core.SetCurrentCell(c.from.column, c.from.row, true);
      g.Box().text = u"typed";
      g.events.clear();
      if (veto) g.answers[GridEvent::CellFocus] = 0;
      if (c.onRelease) {
        EXPECT_TRUE(g.core.keys.OnListKeyDown(c.key, c.held));
        EXPECT_EQ(g.Current(), c.from) << "not before the key comes up";
        g.core.keys.OnKeyUp(c.key, c.held);
      } else {
        g.core.keys.OnListKeyDown(c.key, c.held);
      }
      ASSERT_FALSE(g.Of(GridEvent::CellFocus).empty());
      EXPECT_EQ(g.Of(GridEvent::CellFocus)[0].value, c.value);
      EXPECT_EQ(g.Current(), veto ? c.from : c.to);
      const std::string before = "r" + std::to_string(c.from.row) + "c" + std::to_string(c.from.column);
      EXPECT_EQ(g.Text(c.from.column, c.from.row), veto ? T(before.c_str()) : GridText(u"typed"));
      std::vector<GridEvent> expected{GridEvent::CellFocus};
      if (!veto) expected.push_back(GridEvent::EditDone);
      EXPECT_EQ(g.Sequence(), expected);
    }
  }
  // Enter typed into the text box moves like Tab and never reaches the text;
  // the vertical keys leave the box for the row below.
  Grid g(3, 3);
  g.core.SetCurrentCell(0, 0, true);
  EXPECT_FALSE(g.core.keys.OnEditorChar(GridEditor::TextBox, u'\r', {}));
  EXPECT_EQ(g.Current(), (GridCell{0, 1}));
  EXPECT_FALSE(g.core.keys.OnEditorKeyDown(GridEditor::TextBox, GridKey::Down, {}));
  EXPECT_EQ(g.Current(), (GridCell{1, 1}));
  EXPECT_TRUE(g.core.keys.OnEditorKeyDown(GridEditor::TextBox, GridKey::Right, {})) << "the box's own";
}

TEST(GridKeyboardRules, BlocksClipboardSpaceAndButtonsFromTheKeyboard) {
  Grid g(4, 3);
  g.core.SetCurrentCell(1, 1, true);
  g.core.keys.OnListKeyDown(GridKey::Right, {});
  EXPECT_EQ(g.core.selection.block, (GridBlock{2, 1, 1, 1, 1, 2})) << "a move starts a one-cell block";
  g.events.clear();
  g.core.keys.OnListKeyDown(GridKey::Down, {false, true});
  g.core.keys.OnListKeyDown(GridKey::Left, {false, true});
  EXPECT_EQ(g.core.selection.block, (GridBlock{1, 1, 2, 2, 2, 1}));
  EXPECT_TRUE(g.Of(GridEvent::CellFocus).empty()) << "Shift moves the corner, not the cell";
  // Ctrl+C copies the block; a veto of the query leaves the clipboard alone.
  g.answers[GridEvent::ClipboardQuery] = 0;
  g.core.keys.OnListKeyDown(GridKey::C, {true, false});
  EXPECT_EQ(g.list.clipboard, u"");
  g.answers.erase(GridEvent::ClipboardQuery);
  g.core.keys.OnListKeyDown(GridKey::C, {true, false});
  EXPECT_EQ(g.list.clipboard, u"r1c1\tr1c2\r\nr2c1\tr2c2\r\n");
  // Delete asks DeleteQuery, then empties each cell through EditDone.
  g.answers[GridEvent::EditDone] = 0;
  g.react = [&](GridEvent event, CellEvent& record) {
    if (event == GridEvent::EditDone) g.answers[event] = record.column == 1 ? 1 : 0;
  };
  g.events.clear();
  g.core.keys.OnListKeyDown(GridKey::Delete, {});
  EXPECT_EQ(g.Of(GridEvent::DeleteQuery).size(), 1u);
  EXPECT_EQ(g.Text(1, 2), u"");
  EXPECT_EQ(g.Text(2, 2), u"r2c2") << "refused";
  g.react = nullptr;
  g.answers.clear();
  // Escape drops the block and reports it; Ctrl+A covers the grid and ends editing.
  g.events.clear();
  g.core.keys.OnListKeyDown(GridKey::Escape, {});
  EXPECT_FALSE(g.core.selection.HasBlock());
  EXPECT_EQ(g.Of(GridEvent::BlockCleared).size(), 1u);
  g.core.keys.OnListKeyDown(GridKey::A, {true, false});
  EXPECT_EQ(g.core.selection.block, (GridBlock{0, 0, 3, 4, 3, 2}));
  EXPECT_FALSE(g.core.session.HasCurrentCell());

  // Space ticks and steps the current cell without EditDone.
  g.types = {{0, 5}, {1, 9}, {2, 11}};
  g.options[0] = u"yes/no";
  g.core.model.SetText(0, 0, u"no");
  g.core.model.SetText(1, 0, u"50");
  g.core.model.SetText(2, 0, u"Go");
  for (const auto& [column, ctrl, after] : {std::tuple{0, false, u"yes"}, std::tuple{0, false, u"no"},
                                            std::tuple{1, false, u"51"}, std::tuple{1, true, u"50"}}) {
    g.core.SetCurrentCell(column, 0, true);
    g.events.clear();
    g.core.keys.OnListKeyDown(GridKey::Space, {ctrl, false});
    EXPECT_EQ(g.Text(column, 0), after);
    EXPECT_EQ(g.core.session.editText, after);
    EXPECT_TRUE(g.Of(GridEvent::EditDone).empty());
  }
  // Enter holds a button cell pressed however long; letting go clicks it.
  g.core.SetCurrentCell(2, 0, true);
  g.core.keys.OnListKeyDown(GridKey::Enter, {});
  g.core.keys.OnListKeyDown(GridKey::Enter, {});
  EXPECT_EQ(g.Text(2, 0), GridText(u"Go") + GridText(kPressedSuffix));
  g.core.keys.OnKeyUp(GridKey::Enter, {});
  EXPECT_EQ(g.Text(2, 0), u"Go");
  ASSERT_EQ(g.Of(GridEvent::ButtonClick).size(), 1u);
  EXPECT_EQ(g.Of(GridEvent::ButtonClick)[0].column, 2);
}

TEST(GridIntakeRules, TypingAndPastesAskEveryCharacter) {
  Grid g(2, 2);
  g.react = [&](GridEvent event, CellEvent& record) {
    if (event == GridEvent::EditChar) g.answers[event] = record.value >= u'0' && record.value <= u'9' ? 1 : 0;
  };
  g.core.SetCurrentCell(0, 0, true);
  EXPECT_TRUE(g.core.keys.OnEditorChar(GridEditor::TextBox, u'5', {}));
  EXPECT_FALSE(g.core.keys.OnEditorChar(GridEditor::TextBox, u'x', {}));
  // Backspace over a selection reports what goes.
  g.Box() = FakeEditors::Box{u"1234", 1, 3, {}, -1, false};
  g.events.clear();
  EXPECT_TRUE(g.core.keys.OnEditorChar(GridEditor::TextBox, u'\b', {}));
  ASSERT_EQ(g.Sequence(), std::vector<GridEvent>{GridEvent::EditDelete});
  EXPECT_EQ(g.Of(GridEvent::EditDelete)[0].text, L"23");
  // A paste keeps what typing could put there, at the caret.
  g.list.clipboard = u"7a8";
  g.Box() = FakeEditors::Box{u"12", 1, 1, {}, -1, false};
  g.core.intake.PasteIntoEditor(GridEditor::TextBox);
  EXPECT_EQ(g.Box().text, u"1782");
  EXPECT_EQ(g.core.session.editText, u"1782");
  // A paste into the grid writes from the current cell on through EditDone.
  g.list.clipboard = u"9\t8\r\n7";
  g.core.intake.Paste();
  EXPECT_EQ(g.Text(0, 0), u"9");
  EXPECT_EQ(g.Text(1, 0), u"8");
  EXPECT_EQ(g.Text(0, 1), u"7");
}

TEST(GridPointerRules, ClicksTicksButtonsAndDraggedBlocks) {
  Grid g(5, 3);
  g.types = {{1, 5}, {2, 11}};
  g.options[1] = u"on/off";
  g.core.SetCurrentCell(0, 0, true);
  g.Box().text = u"typed";
  // A click on another cell commits first, then asks CellFocus.
  g.events.clear();
  g.core.pointer.OnButtonDown(GridCell{2, 0}, GridPoint{50, 50}, 0, false);
  EXPECT_EQ(g.Sequence(),
            (std::vector<GridEvent>{GridEvent::LeftButtonDown, GridEvent::EditDone, GridEvent::CellFocus}));
  EXPECT_EQ(g.Current(), (GridCell{2, 0}));
  EXPECT_EQ(g.Text(0, 0), u"typed");
  g.answers[GridEvent::CellFocus] = 0;
  g.core.pointer.OnButtonDown(GridCell{4, 0}, GridPoint{50, 90}, 0, false);
  EXPECT_EQ(g.Current(), (GridCell{2, 0})) << "vetoed";
  g.answers.clear();
  // A click on the edited text cell places the caret; its button-up is that click's.
  g.core.pointer.OnButtonDown(GridCell{2, 0}, GridPoint{30, 50}, 0, false);
  ASSERT_EQ(g.list.passedClicks.size(), 1u);
  g.events.clear();
  g.core.pointer.OnEditorMouse(GridEditorMouse::LeftUp, 0);
  EXPECT_TRUE(g.events.empty());
  EXPECT_EQ(g.core.pointer.CursorOver(GridCell{2, 0}), GridCursor::IBeam);

  // The tick box of another cell toggles only through EditDone; beside it nothing toggles.
  const CellBox tick = *TickBoxIn(g.list.CellBoxOf(GridCell{3, 1}));
  const GridPoint onTick{(tick.left + tick.right) / 2, (tick.top + tick.bottom) / 2};
  g.core.model.SetText(1, 3, u"off");
  for (const std::int64_t answer : {0, 1}) {
    g.answers[GridEvent::EditDone] = answer;
    g.core.pointer.OnButtonDown(GridCell{3, 1}, onTick, 0, false);
    EXPECT_EQ(g.Text(1, 3), answer ? u"on" : u"off");
  }
  g.answers.clear();
  EXPECT_EQ(g.Current(), (GridCell{2, 0})) << "a tick click does not move";
  // A button cell carries the pressed suffix while held over it and clicks when let go there.
  const CellBox button = *ButtonBoxIn(g.list.CellBoxOf(GridCell{1, 2}), 0, 0);
  g.core.pointer.OnButtonDown(GridCell{1, 2}, GridPoint{button.left + 2, button.top + 2}, 0, false);
  EXPECT_TRUE(g.list.captured);
  g.core.pointer.OnMove(GridCell{1, 1});
  EXPECT_EQ(g.Text(2, 1), u"r1c2");
  g.core.pointer.OnMove(GridCell{1, 2});
  EXPECT_EQ(g.Text(2, 1), GridText(u"r1c2") + GridText(kPressedSuffix));
  g.events.clear();
  g.core.pointer.OnButtonUp();
  EXPECT_EQ(g.Of(GridEvent::ButtonClick).size(), 1u);
  EXPECT_FALSE(g.list.captured);

  // A press held on a cell drags a block to where the button is let go.
  g.list.leftHeld = true;
  g.list.underPointer = GridCell{3, 0};
  g.core.pointer.OnButtonDown(GridCell{3, 0}, GridPoint{50, 70}, 0, false);
  EXPECT_TRUE(g.list.timer);
  GridDragView view;
  view.count = 5;
  view.page = 5;
  view.itemHeight = 20;
  view.clientRight = 300;
  view.clientBottom = 100;
  view.columns = {{0, 0, 100}, {1, 100, 200}, {2, 200, 300}};
  view.pointer = GridPoint{150, 25};
  g.list.drag = view;
  g.core.pointer.OnButtonUp();
  EXPECT_EQ(g.core.selection.block, (GridBlock{0, 1, 2, 3, 1, 1}));
  EXPECT_FALSE(g.list.timer);
  // Shift+click spans the block from the current cell.
  g.core.pointer.OnButtonDown(GridCell{4, 2}, GridPoint{}, kMouseKeyShift, false);
  EXPECT_EQ(g.core.selection.block, (GridBlock{0, 3, 3, 2, 4, 2}));
}

TEST(GridPointerRules, LinkCellsAndTipsFollowThePointer) {
  Grid g(3, 3);
  g.types[2] = 2;
  g.core.look.flags = grid_flags::kTooltips;
  g.react = [](GridEvent event, CellEvent& record) {
    if (event == GridEvent::TooltipQuery && record.column == 0) record.text = L"tip";
  };
  g.core.pointer.OnMove(GridCell{1, 2});
  EXPECT_EQ(g.core.pointer.hotRow, 1);
  EXPECT_EQ(g.core.pointer.CursorOver(GridCell{1, 2}), GridCursor::Hand);
  g.core.model.SetText(2, 2, u"");
  g.core.pointer.OnMove(GridCell{2, 2});
  EXPECT_EQ(g.core.pointer.hotRow, -1) << "an empty link cell is no link";
  EXPECT_EQ(g.list.tips, 0);
  g.core.pointer.OnMove(GridCell{0, 0});
  EXPECT_EQ(g.list.tips, 1);
  g.core.pointer.OnMove(GridCell{0, 0});
  EXPECT_EQ(g.list.tips, 1) << "asked once per cell entered";
}

TEST(GridColumnOrder, OneRecordFollowsInsertsRemovalsAndDrags) {
  GridColumnOrder order;
  for (int i = 0; i < 3; ++i) order.Insert(-1);
  EXPECT_EQ(order.HeaderItems(), (std::vector<std::int32_t>{0, 1, 2, 3}));
  ASSERT_TRUE(order.SetHeaderOrder({0, 3, 1, 2}));
  EXPECT_EQ(order.Order(), (std::vector<std::int64_t>{2, 0, 1}));
  EXPECT_EQ(order.PositionOf(2), 0);
  EXPECT_EQ(order.HeaderPositionOf(3), 1);
  for (const std::vector<std::int32_t>& refused :
       {std::vector<std::int32_t>{0, 1, 2}, {0, 1, 1, 2}, {0, 1, 2, 4}, {-1, 1, 2, 3}})
    EXPECT_FALSE(order.SetHeaderOrder(refused));
  EXPECT_EQ(order.Order(), (std::vector<std::int64_t>{2, 0, 1})) << "unchanged by refusals";
  order.Insert(1);  // goes where its header item goes, the later ones renumbered
  EXPECT_EQ(order.HeaderItems(), (std::vector<std::int32_t>{0, 4, 2, 1, 3}));
  EXPECT_EQ(order.Order(), (std::vector<std::int64_t>{3, 1, 0, 2}));
  order.Remove(0);
  EXPECT_EQ(order.HeaderItems(), (std::vector<std::int32_t>{0, 3, 1, 2}));
  EXPECT_EQ(order.PositionOf(7), -1);
  EXPECT_EQ(GridColumnOrder::PinnedAfterDrag({2, 0, 3, 1}, false), (std::vector<std::int32_t>{0, 2, 3, 1}));
  EXPECT_EQ(GridColumnOrder::PinnedAfterDrag({2, 0, 3, 1}, true), (std::vector<std::int32_t>{0, 1, 2, 3}));
}

TEST(GridStripRules, CellsPressLikeButtonsAndClickWhenLetGoOverThemselves) {
  struct Case {
    const char* name;
    std::int64_t stripClickAnswer;
    bool presses;
    std::int64_t releasedOver;
    bool clicked;
  };
  const Case cases[] = {
      {"released over itself", 1, true, 0, true},
      {"released elsewhere", 1, true, 1, false},
      {"strip click refused", 0, true, 0, false},
      {"no sort header", 1, false, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Grid g(2, 1);
    FakeStrip view;
    view.presses = c.presses;
    g.core.strip.view = &view;
    g.answers[GridEvent::StripClick] = c.stripClickAnswer;
    g.core.strip.OnButtonDown(GridStripHit{0, 1}, 1);
    const bool held = c.stripClickAnswer != 0 && c.presses;
    EXPECT_EQ(g.core.strip.pressed, held ? 0 : -2);
    EXPECT_EQ(view.captured, held);
    g.core.strip.OnMove(GridStripHit{c.releasedOver, 0}, 1);
    EXPECT_EQ(g.core.strip.pressedInside, held && c.releasedOver == 0);
    g.core.strip.OnButtonUp(GridStripHit{c.releasedOver, 0}, 0);
    EXPECT_EQ(g.core.strip.pressed, -2);
    EXPECT_EQ(g.Of(GridEvent::HeaderClick).size(), c.clicked ? 1u : 0u);
  }
}

TEST(GridHeaderRules, DividersResizeOnlyWhenAllowedAndReportTheLayout) {
  for (const std::int64_t allowed : {0, 1}) {
    Grid g(2, 2);
    g.core.look.flags = grid_flags::kAskColumnResize;
    g.answers[GridEvent::ColumnResize] = allowed;
    g.core.SetCurrentCell(0, 0, true);
    g.core.header.OnMoveOver(2);
    EXPECT_EQ(g.core.header.Cursor(true), allowed ? GridCursor::Divider : GridCursor::Arrow);
    EXPECT_EQ(g.core.header.BeginResize(2, 3), allowed == 1);
    EXPECT_EQ(g.core.session.HasCurrentCell(), allowed == 0) << "a resize ends the edit";
    g.core.header.WidthChanged();
    g.core.header.FinishResize();
    const auto layout = g.Of(GridEvent::LayoutChanged);
    ASSERT_EQ(layout.size(), allowed ? 1u : 0u);
    if (allowed) EXPECT_EQ(layout[0].column * 10 + layout[0].value, 11);
  }
}

TEST(GridOperationsCore, RowChangesEndTheEditFirstAndWritesFollowTheEditedCell) {
  Grid g(3, 2);
  g.core.SetCurrentCell(1, 1, true);
  g.Box().text = u"pending";
  g.events.clear();
  ASSERT_TRUE(g.core.AddRow(0, u"", 1));
  EXPECT_EQ(g.Sequence(), std::vector<GridEvent>{GridEvent::EditDone});
  EXPECT_EQ(g.Text(1, 2), u"pending") << "committed to its row before the rows moved";
  EXPECT_FALSE(g.core.session.HasCurrentCell());
  EXPECT_FALSE(g.core.RemoveRow(4));
  EXPECT_FALSE(g.core.AddSourceRows(-1, 0, nullptr));
  // An application freeing the grid while the edit is committed stops the change.
  g.core.SetCurrentCell(0, 0, true);
  g.Box().text = u"x";
  g.react = [&](GridEvent event, CellEvent&) {
    if (event == GridEvent::EditDone) g.list.alive = false;
  };
  EXPECT_FALSE(g.core.RemoveRow(0));
  EXPECT_EQ(g.core.model.RowCount(), 4);
  g.list.alive = true;
  g.react = nullptr;

  // Text written into the edited cell becomes its start text, the type asked again.
  g.core.SetCurrentCell(0, 1, true);
  g.events.clear();
  EXPECT_TRUE(g.core.SetCellText(0, 1, std::u16string_view(u"from the application")));
  EXPECT_EQ(g.Box().text, u"from the application");
  EXPECT_FALSE(g.core.session.Changed());
  EXPECT_EQ(g.Of(GridEvent::CellType).size(), 1u);
  EXPECT_FALSE(g.core.SetCellText(2, 1, std::u16string_view(u"no such column")));
  // Colours 1-7 through their checks: the selection kind only 0-3.
  EXPECT_TRUE(g.core.SetColour(7, 2));
  EXPECT_FALSE(g.core.SetColour(7, 4));
  EXPECT_FALSE(g.core.SetColour(8, 0));
  EXPECT_EQ(g.core.selection.kind, 2);
  EXPECT_TRUE(g.core.SetRowState(0, {1, 2, 0, 0}));
  EXPECT_FALSE(g.core.SetRowState(0, {1, 2, 0, 0})) << "unchanged";
  EXPECT_FALSE(g.core.SetRowState(9, {1, 2, 0, 0}));
}

TEST(GridEditorPlace, EditorsSitInsideTheFrameOrFromTheCellsLeft) {
  const CellBox cell{100, 40, 200, 60};
  struct Case {
    GridEditor editor;
    int frame;
    bool writesAtOnce, classic;
    CellBox box;
  };
  for (const Case& c : {Case{GridEditor::TextBox, 1, true, false, {105, 41, 195, 59}},
                        Case{GridEditor::TextBox, 30, true, false, {134, 70, 166, 70}},
                        Case{GridEditor::ListChoice, 1, true, false, {100, 40, 200, 40 + grid_pixels::kChoiceHeight}},
                        Case{GridEditor::ListChoice, 1, false, true,
                             {100 + grid_pixels::kListChoiceLeft, 40, 200, 40 + grid_pixels::kListChoiceClassicHeight}}})
    EXPECT_EQ(EditorPlaceIn(c.editor, cell, c.frame, c.writesAtOnce, c.classic).box, c.box)
        << static_cast<int>(c.editor) << " frame " << c.frame;
  EXPECT_EQ(EditorPlaceIn(GridEditor::EditChoice, cell, 1, true, false).box.left, 100 + grid_pixels::kEditChoiceLeft);
}

}  // namespace
}  // namespace vantorel
