// The Resources page of the real main window: the tree of a library's
// resources and what a click on one of its items shows.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/library_win32.h"
#include "app/app_state_win32.h"
#include "app/main_window_win32.h"
#include "app/startup_win32.h"
#include "grid/grid_list_win32.h"
#include "editor/editor_component_win32.h"
#include "app/pages/resource_page_win32.h"
#include "grid_fixture.h"
#include "main_window_fixture.h"
#include "scripted_prompts.h"

namespace vantorel {
namespace {

std::wstring Data(const std::wstring& name) { return std::wstring(VANTOREL_TESTDATA) + L"\\" + name; }

ResourceViews Views() { return {Main().resourceTree, Main().hexGrid.get(), Main().imageView, Main().textView}; }

std::wstring ItemText(HTREEITEM item) {
  wchar_t text[512] = {};
  TVITEMW data{};
  data.mask = TVIF_TEXT;
  data.hItem = item;
  data.pszText = text;
  data.cchTextMax = 512;
  TreeView_GetItem(Main().resourceTree, &data);
  return text;
}

// Every item in display order, indented by two blanks a level.
std::vector<std::wstring> TreeLines() {
  std::vector<std::wstring> lines;
  HWND tree = Main().resourceTree;
  auto walk = [&](auto& self, HTREEITEM item, int level) -> void {
    for (; item; item = TreeView_GetNextSibling(tree, item)) {
      lines.push_back(std::wstring(2 * level, L' ') + ItemText(item));
      self(self, TreeView_GetChild(tree, item), level + 1);
    }
  };
  walk(walk, TreeView_GetRoot(tree), 0);
  return lines;
}

// The item reached by texts, one level each.
HTREEITEM FindItem(const std::vector<std::wstring>& path) {
  HWND tree = Main().resourceTree;
  HTREEITEM item = TreeView_GetRoot(tree);
  HTREEITEM found = nullptr;
  for (const auto& text : path) {
    found = nullptr;
    for (; item; item = TreeView_GetNextSibling(tree, item)) {
      if (ItemText(item) == text) {
        found = item;
        break;
      }
    }
    if (!found) return nullptr;
    item = TreeView_GetChild(tree, found);
  }
  return found;
}

std::wstring TextViewText() {
  const int length = GetWindowTextLengthW(Main().textView);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(Main().textView, text.data(), length + 1);
  text.resize(wcslen(text.c_str()));
  std::wstring lines;  // line breaks as plain LF, however the rich edit reports them
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r') {
      lines += L'\n';
      if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else {
      lines += text[i];
    }
  }
  return lines;
}

// The window's own visibility: the test's main window stays hidden.
bool Shown(HWND view) { return (GetWindowLongW(view, GWL_STYLE) & WS_VISIBLE) != 0; }

HBITMAP ShownImage() {
  return reinterpret_cast<HBITMAP>(SendMessageW(Main().imageView, STM_GETIMAGE, IMAGE_BITMAP, 0));
}

class ResourceViewTest : public testing::MainWindowFixture {
 protected:
  void Open(const std::wstring& path) {
    LoadLibraryFile(path);
    RefreshMainView();
    EnumerateResources(Views());
  }
  // A click: the item becomes selected, then the page shows it.
  void Click(HTREEITEM item) {
    ASSERT_NE(item, nullptr);
    TreeView_SelectItem(Main().resourceTree, item);
    ShowResource(Views(), item);
  }
  GridControl& Hex() { return *Main().hexGrid; }
  std::wstring Cell(int column, int row) { return Hex().GetCellText(column, row); }

  testing::ScriptedPrompts prompts;
};

TEST_F(ResourceViewTest, TreeListsTypesNamesAndLanguages) {
  Open(Data(L"resources.dll"));
  std::vector<std::wstring> types;
  for (HTREEITEM t = TreeView_GetRoot(Main().resourceTree); t; t = TreeView_GetNextSibling(Main().resourceTree, t)) {
    types.push_back(ItemText(t));
  }
  const std::vector<std::wstring> expected{L"JPEG",   L"PNG",         L"Cursor", L"Bitmap",       L"Icon",
                                           L"Menu",   L"Dialog",      L"String", L"Accelerator",  L"RCData",
                                           L"Cursor Group", L"Icon Group", L"Version", L"Html", L"Manifest"};
  EXPECT_EQ(types, expected) << "types above 24 (240, 300) are left out";
  const std::vector<std::wstring> lines = TreeLines();
  const std::vector<std::wstring> strings{L"String", L"  1", L"    1031", L"    1033", L"  2", L"    1033"};
  EXPECT_NE(std::search(lines.begin(), lines.end(), strings.begin(), strings.end()), lines.end());
  EXPECT_EQ(App().ModuleBase, reinterpret_cast<std::uintptr_t>(App().LibraryHandle) & ~std::uintptr_t{3});
}

TEST_F(ResourceViewTest, EveryFillReplacesTreeKeysAndViews) {
  Open(Data(L"resources.dll"));
  Click(FindItem({L"Version", L"1", L"1033"}));
  ASSERT_GT(Hex().GetRowCount(), 0);
  ASSERT_NE(TextViewText(), L"");
  Open(Data(L"named.dll"));  // no resources
  EXPECT_TRUE(TreeLines().empty());
  EXPECT_EQ(Hex().GetRowCount(), 0);
  EXPECT_EQ(TextViewText(), L"");

  Open(Data(L"resources.dll"));
  Click(FindItem({L"Icon Group", L"1", L"1033"}));
  ASSERT_NE(ShownImage(), nullptr);
  Open(Data(L"malformed\\resources_valid.dll"));
  EXPECT_EQ(ShownImage(), nullptr);
  const std::vector<std::wstring> expected{L"VTDATA", L"  1",    L"    1033", L"RCData",
                                           L"  DATA", L"    1033", L"Html",   L"  1", L"    1033"};
  EXPECT_EQ(TreeLines(), expected);
  // The third item was the JPEG's language item before; now it is VTDATA's.
  Click(FindItem({L"VTDATA", L"1", L"1033"}));
  ASSERT_EQ(Hex().GetRowCount(), 1);
  EXPECT_EQ(Cell(2, 0), L"VT-DATA1");

  ReleaseLibrary();
  EnumerateResources(Views());
  EXPECT_TRUE(TreeLines().empty());
  EXPECT_EQ(Hex().GetRowCount(), 0);
}

TEST_F(ResourceViewTest, DumpShowsTheClickedItemsOwnBytes) {
  Open(Data(L"resources.dll"));
  HTREEITEM item = FindItem({L"RCData", L"1", L"1033"});
  for (int click = 0; click < 2; ++click) {  // the selection is cleared, so a second click shows it again
    Click(item);
    ASSERT_EQ(Hex().GetRowCount(), 1) << click;
    EXPECT_EQ(Cell(0, 0), L"00000000H:");
    EXPECT_EQ(Cell(1, 0), L"52 43 44 41 54 41 01 02 03 04 05 06");
    EXPECT_EQ(Cell(2, 0), L"RCDATA\x01\x02\x03\x04\x05\x06") << "control characters are shown as themselves";
    EXPECT_EQ(TreeView_GetSelection(Main().resourceTree), nullptr);
  }
  CellEvent type;
  type.column = 1;
  Main().hexGrid->list->Raise(GridEvent::CellType, type);
  EXPECT_EQ(type.type, 1) << "no cell of the dump is editable";

  // A name item clears the dump and keeps its selection.
  HTREEITEM name = FindItem({L"RCData", L"1"});
  Click(name);
  EXPECT_EQ(Hex().GetRowCount(), 0);
  EXPECT_EQ(TreeView_GetSelection(Main().resourceTree), name);

  // Found by its string name: 500 bytes, 31 full rows and 4 bytes.
  Click(FindItem({L"Dialog", L"ABOUTBOX", L"1033"}));
  ASSERT_EQ(Hex().GetRowCount(), 32);
  EXPECT_EQ(Cell(0, 31), L"000001F0H:");
  EXPECT_EQ(Cell(1, 31).size(), 11u);

  // Each language item dumps its own language.
  Click(FindItem({L"String", L"1", L"1031"}));
  EXPECT_NE((Cell(2, 0) + Cell(2, 1)).find(L"H.a.l.l.o"), std::wstring::npos);
  Click(FindItem({L"String", L"1", L"1033"}));
  EXPECT_NE((Cell(2, 0) + Cell(2, 1)).find(L"H.e.l.l.o"), std::wstring::npos);
}

// Every column holds its widest content and its title in the grid's own
// font; a tab, CR or LF in the character column is one character cell like
// any other: what follows stays where it would be and on the same line.
TEST_F(ResourceViewTest, HexDumpRowsShowWholeAndControlCharactersInPlace) {
  GridControl& g = Hex();
  HDC dc = GetDC(g.listWindow);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(g.listWindow, WM_GETFONT, 0, 0)));
  auto extent = [dc](const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  };
  const struct {
    int column;
    std::wstring content;
  } widest[] = {{0, L"0000FFF0H:"},
                {1, L"FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF"},
                {2, std::wstring(16, L'W')},
                {2, std::wstring(16, L'\u00FF')}};
  for (const auto& w : widest) {
    const int width = static_cast<int>(SendMessageW(g.listWindow, LVM_GETCOLUMNWIDTH, w.column + 1, 0));
    EXPECT_GE(width, extent(w.content) + 8) << w.column;  // the cell keeps 4 pixels each side
    wchar_t title[128] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT;
    item.pszText = title;
    item.cchTextMax = 128;
    SendMessageW(g.headerWindow, HDM_GETITEMW, static_cast<WPARAM>(w.column + 1), reinterpret_cast<LPARAM>(&item));
    EXPECT_GE(width, extent(title) + 12) << w.column << ": the title fits on one line";
  }
  SelectObject(dc, old);
  ReleaseDC(g.listWindow, dc);

  // Row 0 starts with a tab, CR and LF, row 1 with three dots; the rest is alike.
  std::vector<std::uint8_t> bytes(32);
  const char* tail = "ABCDEFGHIJKLM";
  const std::uint8_t starts[2][3] = {{9, 13, 10}, {'.', '.', '.'}};
  for (int r = 0; r < 2; ++r) {
    std::copy(starts[r], starts[r] + 3, bytes.begin() + 16 * r);
    std::copy(tail, tail + 13, bytes.begin() + 16 * r + 3);
  }
  g.Resize(0, 0, 1200, 300);
  ShowHexDump(g, bytes);
  EXPECT_EQ(Cell(2, 0), L"\t\r\nABCDEFGHIJKLM");
  RECT cells[2]{};
  for (int r = 0; r < 2; ++r) {
    cells[r].top = 3;
    cells[r].left = LVIR_BOUNDS;
    SendMessageW(g.listWindow, LVM_GETSUBITEMRECT, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&cells[r]));
    cells[r].right = cells[r].left + static_cast<LONG>(SendMessageW(g.listWindow, LVM_GETCOLUMNWIDTH, 3, 0));
  }
  const grid_testing::Snapshot shot(g.listWindow, 1200, 300);
  // Rows alternate their colours: ink is what differs from the row's own
  // background, taken beyond the text's end.
  auto ink = [&](int r, int x, int y) {
    return shot.At(x, cells[r].top + y) != shot.At(cells[r].right - 3, cells[r].top + 2);
  };
  const int character = (cells[0].right - cells[0].left - 8) / 16;
  int inked = 0;
  for (int x = cells[0].left + 4 + 3 * character; x < cells[0].right - 4; ++x) {
    for (int y = 3; y < cells[0].bottom - cells[0].top - 3; ++y) {  // inside any frame
      ASSERT_EQ(ink(0, x, y), ink(1, x, y)) << "at " << x << ", " << y;
      inked += ink(0, x, y);
    }
  }
  EXPECT_GT(inked, 50) << "the letters are drawn";
}

// In the window's default size a row shows whole beside the tree: address,
// 16 bytes and 16 characters, with room left for the vertical scroll bar;
// each digit of the bytes' title stands over its byte.
TEST_F(ResourceViewTest, HexDumpFitsTheDefaultWindowWithEachTitleDigitOverItsByte) {
  GridControl& g = Hex();
  std::vector<std::uint8_t> bytes(4096);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
  ShowHexDump(g, bytes);
  RECT client{};
  GetClientRect(g.listWindow, &client);
  int total = 0;
  for (int item = 1; item <= 3; ++item)
    total += static_cast<int>(SendMessageW(g.listWindow, LVM_GETCOLUMNWIDTH, item, 0));
  EXPECT_LE(total, client.right) << "a row needs no scrolling sideways";
  EXPECT_NE(GetWindowLongPtrW(g.listWindow, GWL_STYLE) & WS_VSCROLL, 0) << "the rows' scroll bar is in";

  // Where the text of the title and of row 0 (00 01 ... 0F) starts, and how
  // far into it each digit stands, in the header's and the list's own fonts.
  auto advance = [](HWND window, const std::wstring& text) {
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return static_cast<int>(size.cx);
  };
  wchar_t title[128] = {};
  HDITEMW item{};
  item.mask = HDI_TEXT;
  item.pszText = title;
  item.cchTextMax = 128;
  SendMessageW(g.headerWindow, HDM_GETITEMW, 2, reinterpret_cast<LPARAM>(&item));
  RECT titleItem{};
  SendMessageW(g.headerWindow, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&titleItem));
  const std::wstring titleText = title;
  const std::wstring hex = Cell(1, 0);
  ASSERT_EQ(hex.substr(0, 5), L"00 01");
  const RECT cell = g.list->CellRect(0, 1);
  int digits = 0;
  for (std::size_t at = 0; at < titleText.size(); ++at) {
    if (titleText[at] == L' ') continue;
    ++digits;
    const int titleX = titleItem.left + 6 + advance(g.headerWindow, titleText.substr(0, at));
    const int byteX = cell.left + 5 + advance(g.listWindow, hex.substr(0, at));
    EXPECT_EQ(hex[at], titleText[at]) << at;
    EXPECT_NEAR(titleX, byteX, 1) << "digit " << static_cast<char>(titleText[at]);
  }
  EXPECT_EQ(digits, 16);
}

TEST_F(ResourceViewTest, MenusAndDialogsGoToThePreviewsByName) {
  std::vector<std::wstring> calls;
  auto text = [](const ResourceId& id) {
    return id.IsString() ? std::wstring(id.text.begin(), id.text.end()) : std::to_wstring(id.id);
  };
  SetResourcePreviews({[&] { calls.push_back(L"close"); },
                       [&](const ResourceKey& key) { calls.push_back(L"menu " + text(key.name)); },
                       [&](const ResourceKey& key) { calls.push_back(L"dialog " + text(key.name)); }});
  Open(Data(L"resources.dll"));
  Click(FindItem({L"Menu", L"MAINMENU", L"1033"}));
  EXPECT_EQ(Hex().GetRowCount(), 13) << "the dump comes first";
  Click(FindItem({L"Dialog", L"ABOUTBOX"}));
  Click(FindItem({L"Dialog", L"BROKENDIALOG", L"1033"}));
  Click(FindItem({L"Icon", L"1", L"1033"}));
  SetResourcePreviews({});
  const std::vector<std::wstring> expected{L"close", L"menu MAINMENU", L"close", L"close", L"dialog BROKENDIALOG",
                                           L"close"};
  EXPECT_EQ(calls, expected);
}

TEST_F(ResourceViewTest, VersionManifestAndHtmlShowAsText) {
  Open(Data(L"resources.dll"));
  Click(FindItem({L"Version", L"1", L"1033"}));
  EXPECT_TRUE(Shown(Main().textView));
  EXPECT_FALSE(Shown(Main().imageView));
  // The open library's version strings, the four optional keys left out when empty.
  const std::wstring expected = L"FileVersion: \t4.0.0.0\nFileDescription: \tLibrary with one resource of every kind\n"
                                L"LegalCopyright: \tVantorel Test Data\nInternalName: \tresources\n"
                                L"OriginalFilename: \tresources.dll\nProductName: \tVantorel Test Libraries\n"
                                L"ProductVersion: \t4.0\nCompanyName: \tVantorel Test Data\nLanguage: \t";
  const std::wstring text = TextViewText();
  EXPECT_EQ(text.substr(0, expected.size()), expected);
  EXPECT_GT(text.size(), expected.size()) << "the language has a name";

  Click(FindItem({L"Manifest", L"1", L"1033"}));
  EXPECT_NE(TextViewText().find(L"Pr\u00FCfdaten"), std::wstring::npos);
  Click(FindItem({L"Html", L"TESTPAGE", L"1033"}));
  EXPECT_NE(TextViewText().find(L"\u65E5\u672C\u8A9E"), std::wstring::npos);

  // Any other type leaves the lower pane as the click's clearing left it.
  Click(FindItem({L"Accelerator", L"MAINACCEL", L"1033"}));
  EXPECT_EQ(TextViewText(), L"");
  EXPECT_EQ(Hex().GetRowCount(), 1);
}

struct Picture {
  int width = 0;
  int height = 0;
  COLORREF topLeft = 0;
};

Picture Inspect(HBITMAP bitmap) {
  Picture p;
  BITMAP info{};
  if (!bitmap || !GetObjectW(bitmap, sizeof info, &info)) return p;
  p.width = info.bmWidth;
  p.height = std::abs(info.bmHeight);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  p.topLeft = GetPixel(dc, 0, 0);
  SelectObject(dc, old);
  DeleteDC(dc);
  return p;
}

TEST_F(ResourceViewTest, PicturesOfIconsCursorsAndBitmaps) {
  Open(Data(L"resources.dll"));
  MoveWindow(Main().imageView, 0, 0, 300, 300, FALSE);
  struct Case {
    std::vector<std::wstring> path;
    int width, height;
    COLORREF topLeft;
  };
  const Case cases[] = {
      {{L"Icon Group", L"1", L"1033"}, 256, 256, RGB(255, 0, 0)},  // the largest member
      {{L"Icon", L"2", L"1033"}, 32, 32, RGB(255, 0, 0)},          // the icon itself, not group 2
      {{L"Icon", L"1", L"1033"}, 16, 16, RGB(255, 0, 0)},
      {{L"Bitmap", L"101", L"1033"}, 40, 20, RGB(255, 0, 0)},
      {{L"Cursor", L"1", L"1033"}, 32, 32, GetSysColor(COLOR_BTNFACE)},  // transparent corner
      {{L"Cursor Group", L"1", L"1033"}, 32, 32, GetSysColor(COLOR_BTNFACE)},
  };
  for (const Case& c : cases) {
    Click(FindItem(c.path));
    const Picture p = Inspect(ShownImage());
    EXPECT_EQ(p.width, c.width) << c.path[0] << L" " << c.path[1];
    EXPECT_EQ(p.height, c.height) << c.path[0];
    EXPECT_EQ(p.topLeft, c.topLeft) << c.path[0];
    EXPECT_TRUE(Shown(Main().imageView)) << c.path[0];
    EXPECT_FALSE(Shown(Main().textView)) << c.path[0];
  }
  // A view too small for a picture shows all of it, shrunk.
  MoveWindow(Main().imageView, 0, 0, 100, 60, FALSE);
  Click(FindItem({L"Icon Group", L"1", L"1033"}));
  EXPECT_EQ(Inspect(ShownImage()).width, 60);
  EXPECT_EQ(Inspect(ShownImage()).height, 60);
  Click(FindItem({L"Bitmap", L"101", L"1033"}));
  EXPECT_EQ(Inspect(ShownImage()).width, 40);

  // A click elsewhere takes the picture away.
  Click(FindItem({L"RCData", L"1", L"1033"}));
  EXPECT_EQ(ShownImage(), nullptr);
}

// The walk itself is tested natively; here the loaded library's bytes.
TEST_F(ResourceViewTest, DataOutsideTheLoadedImageIsNotDumped) {
  Open(Data(L"malformed\\resources_data_past_end.dll"));
  Click(FindItem({L"VTDATA", L"1", L"1031"}));  // data size wraps past the image
  EXPECT_EQ(Hex().GetRowCount(), 0);
  Click(FindItem({L"RCData", L"DATA", L"1031"}));  // data far outside
  EXPECT_EQ(Hex().GetRowCount(), 0);
  Click(FindItem({L"RCData", L"DATA", L"1033"}));
  EXPECT_EQ(Hex().GetRowCount(), 1);
}

TEST_F(ResourceViewTest, UnreadableResourcePagesAreNotRead) {
  Open(Data(L"resources.dll"));
  const auto key = ResourceKeyOf(Main().resourceTree, FindItem({L"RCData", L"1", L"1033"}));
  ASSERT_TRUE(key);
  const auto bytes = GetResourceData(*key);
  ASSERT_TRUE(bytes);
  DWORD old = 0;
  ASSERT_TRUE(VirtualProtect(const_cast<std::uint8_t*>(bytes->data()), bytes->size(), PAGE_NOACCESS, &old));
  Click(FindItem({L"RCData", L"1", L"1033"}));
  EXPECT_EQ(Hex().GetRowCount(), 0);
  EnumerateResources(Views());
  EXPECT_TRUE(TreeLines().empty()) << "part of the section cannot be read: nothing is walked";
  VirtualProtect(const_cast<std::uint8_t*>(bytes->data()), bytes->size(), old, &old);
}

TEST_F(ResourceViewTest, MegabyteDumpFillsEveryRow) {
  std::vector<std::uint8_t> bytes(std::size_t{1} << 20);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  const auto start = std::chrono::steady_clock::now();
  ShowHexDump(Hex(), bytes);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("hex dump of 1 MiB: %.2f s\n", seconds);
  ASSERT_EQ(Hex().GetRowCount(), 65536);
  EXPECT_EQ(Cell(0, 65535), L"000FFFF0H:");
  EXPECT_EQ(Cell(1, 65535).substr(0, 5), L"90 97");
  // Redraw on would take minutes under Wine; off, a few seconds at most.
  EXPECT_LT(seconds, 30.0);

  // Past the cap, whole rows up to it and a note of the rest.
  ShowHexDump(Hex(), std::span(bytes).first(100), 40);
  ASSERT_EQ(Hex().GetRowCount(), 3);
  EXPECT_EQ(Cell(0, 1), L"00000010H:");
  EXPECT_EQ(Cell(0, 2), L"00000020H:");
  EXPECT_EQ(Cell(1, 2), L"(68 more bytes not shown)");
}

}  // namespace
}  // namespace vantorel
