// Building and tearing down grids: windows, styles, properties, subclassing,
// the built-in strip icons and what is left behind.
#include "grid_fixture.h"

#include "grid/strip_icons.h"

namespace vantorel {
namespace {

using grid_testing::CountObjects;
using grid_testing::MakeParent;
using grid_testing::Recorder;
using grid_testing::TestGrid;

TEST(GridCreate, BuildsContainerListAndHeaderWithTheirProperties) {
  TestGrid t(2);
  ASSERT_TRUE(t.grid);
  GridControl& g = *t.grid;
  HWND container = g.GetWindow();
  ASSERT_EQ(container, g.containerWindow);
  EXPECT_EQ(GetParent(container), t.parent);
  EXPECT_EQ(GetWindow(container, GW_CHILD), g.listWindow) << "the list view is the container's first child";
  EXPECT_EQ(GetParent(g.headerWindow), g.listWindow);

  const LONG_PTR style = GetWindowLongPtrW(g.listWindow, GWL_STYLE);
  EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_FALSE(style & WS_TABSTOP);
  EXPECT_FALSE(GetWindowLongPtrW(g.listWindow, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_FALSE(SendMessageW(g.listWindow, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_TRACKSELECT);
  EXPECT_FALSE(GetWindowLongPtrW(g.headerWindow, GWL_STYLE) & HDS_FULLDRAG);

  for (HWND w : {container, g.listWindow, g.headerWindow}) EXPECT_EQ(GetPropW(w, kGridProp), &g);
  EXPECT_EQ(GetPropW(g.listWindow, kListPointerProp), g.list.get());
  // The list view's parent is the container; its old procedure is kept there.
  EXPECT_NE(GetPropW(container, kOldParentProcProp), nullptr);
  EXPECT_EQ(GetPropW(t.parent, kOldParentProcProp), nullptr) << "the application's window is left alone";
  EXPECT_EQ(GetWindowLongPtrW(container, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&GridControl::ContainerProc));
  EXPECT_EQ(GetWindowLongPtrW(g.listWindow, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&GridControl::ListProc));
  EXPECT_EQ(GetWindowLongPtrW(g.headerWindow, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&GridControl::HeaderProc));

  EXPECT_EQ(g.list->core.strip.pressed, -2);
  EXPECT_EQ(g.GetRowState(-1), 0x80000000u);
}

TEST(GridCreate, FlagsChooseEngineFlagsBorderAndListStyles) {
  HWND parent = MakeParent();
  struct Case {
    std::int64_t flags;
    std::int64_t engine;
    LONG_PTR style;    // container border styles
    LONG_PTR exStyle;
  };
  const Case cases[] = {
      {0x22045, 0x20C5, WS_BORDER, 0},
      {0, 0x80, 0, 0},
      {0x7FFFF, 0x3FFF, WS_BORDER, 0},            // flat wins
      {0x40000 | 0x80000, 0x80, WS_DLGFRAME, 0},  // raised before single
      {0x80000, 0x80, 0, WS_EX_STATICEDGE},
      {0x100401, 0x481, 0, WS_EX_CLIENTEDGE},
  };
  for (const Case& c : cases) {
    auto g = GridControl::Create(parent, 0, 0, 200, 100, 20, c.flags);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->list->core.look.flags, c.engine) << std::hex << c.flags;
    EXPECT_EQ(GetWindowLongPtrW(g->GetWindow(), GWL_STYLE) & (WS_BORDER | WS_DLGFRAME), c.style) << std::hex << c.flags;
    EXPECT_EQ(GetWindowLongPtrW(g->GetWindow(), GWL_EXSTYLE) & (WS_EX_STATICEDGE | WS_EX_CLIENTEDGE), c.exStyle);
  }
  auto styled = GridControl::Create(parent, 0, 0, 200, 100, 20, 0x4000 | 0x10000);
  const LONG_PTR style = GetWindowLongPtrW(styled->listWindow, GWL_STYLE);
  EXPECT_TRUE(style & LVS_NOSORTHEADER);
  EXPECT_TRUE(style & LVS_SHOWSELALWAYS);
  DestroyWindow(parent);
}

TEST(GridCreate, ListFillsTheContainerAndRowsTakeTheirHeight) {
  HWND parent = MakeParent();
  auto g = GridControl::Create(parent, 7, 9, 300, 200, 26, 0x20000);
  ASSERT_TRUE(g);
  RECT client{}, list{};
  GetClientRect(g->GetWindow(), &client);
  GetWindowRect(g->listWindow, &list);
  MapWindowPoints(nullptr, g->GetWindow(), reinterpret_cast<POINT*>(&list), 2);
  EXPECT_EQ(list.left, 0);
  EXPECT_EQ(list.top, 0);
  EXPECT_EQ(list.right, client.right);
  EXPECT_EQ(list.bottom, client.bottom);
  EXPECT_EQ(g->GetX(), 7);
  EXPECT_EQ(g->GetY(), 9);
  EXPECT_EQ(g->GetWidth(), 300);
  EXPECT_EQ(g->GetHeight(), 200);

  g->AddColumn(-1, L"A", 50);
  g->AddRow(-1, L"", 1);
  RECT item{};
  item.left = LVIR_BOUNDS;
  SendMessageW(g->listWindow, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  // The list view adds its own pixel of padding to the image height.
  EXPECT_GE(item.bottom - item.top, 26);
  EXPECT_LE(item.bottom - item.top, 27);
  // A larger font later does not shrink rows below the forced height.
  HFONT small = CreateFontW(-8, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  g->SetFont(small);
  SendMessageW(g->listWindow, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_GE(item.bottom - item.top, 26);
  g.reset();
  DeleteObject(small);
  DestroyWindow(parent);
}

TEST(GridCreate, BuiltInStripIconsLoadOnlyWithTheirFlagAndFailOnDamagedData) {
  HWND parent = MakeParent();
  auto with = GridControl::Create(parent, 0, 0, 200, 100, 20, 0x2000);
  auto without = GridControl::Create(parent, 0, 0, 200, 100, 20, 0);
  EXPECT_EQ(ImageList_GetImageCount(with->images.get()), 6);
  EXPECT_EQ(ImageList_GetImageCount(without->images.get()), 0);
  DestroyWindow(parent);

  grid_handles::UniqueImageList images(ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 255));
  const auto good = BuiltInStripIconData();
  EXPECT_TRUE(AppendStripIcons(images.get(), good));
  EXPECT_EQ(ImageList_GetImageCount(images.get()), 6);

  std::vector<std::uint8_t> truncated(good.begin(), good.begin() + good.size() / 2);
  EXPECT_FALSE(AppendStripIcons(images.get(), truncated));
  // An icon whose image is not 16 x 16 cannot be used.
  std::vector<std::uint8_t> wrongSize(good.begin(), good.end());
  wrongSize[4 + 6] = 32;
  EXPECT_FALSE(AppendStripIcons(images.get(), wrongSize));
  // The image bytes themselves broken: the system refuses the icon.
  std::vector<std::uint8_t> broken(good.begin(), good.end());
  broken[4 + 22] = 0x7F;  // biSize
  broken[4 + 26] = 0x7F;  // biWidth
  EXPECT_FALSE(AppendStripIcons(images.get(), broken));
}

// Sits under the grid's procedures of one window and looks at the window
// when its last message arrives there.
struct LastMessageWatch {
  HWND window = nullptr;
  WNDPROC original = nullptr;
  bool seen = false;
  bool clean = false;
};
LastMessageWatch watches[3];

template <int I>
LRESULT CALLBACK Watch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LastMessageWatch& w = watches[I];
  if (message == WM_NCDESTROY && window == w.window) {
    w.seen = true;
    w.clean = !GetPropW(window, kGridProp) && !GetPropW(window, kListPointerProp) &&
              !GetPropW(window, kOldParentProcProp) &&
              GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Watch<I>);
  }
  return CallWindowProcW(w.original, window, message, wParam, lParam);
}

TEST(GridCreate, DestructionRemovesPropertiesAndRestoresProcedures) {
  HWND parent = MakeParent();
  auto g = GridControl::Create(parent, 0, 0, 300, 200, 20, 0x22045);
  ASSERT_TRUE(g);
  // Each chain's bottom procedure is swapped for a watch: once the grid's
  // layers have restored theirs, the watch is what the window runs.
  watches[0] = {g->containerWindow, reinterpret_cast<WNDPROC>(GridProperty(g->containerWindow, kOldParentProcProp))};
  SetGridProperty(g->containerWindow, kOldParentProcProp, reinterpret_cast<HANDLE>(&Watch<0>));
  watches[1] = {g->listWindow, g->list->oldListProc};
  g->list->oldListProc = &Watch<1>;
  watches[2] = {g->headerWindow, g->list->oldHeaderProc};
  g->list->oldHeaderProc = &Watch<2>;
  g->Free();
  for (const auto& w : watches) {
    EXPECT_TRUE(w.seen);
    EXPECT_TRUE(w.clean) << "properties removed and procedures restored before the original procedure ends";
  }
  EXPECT_EQ(g->GetWindow(), nullptr);
  EXPECT_EQ(SendMessageW(parent, grid_testing::kPing, 0, 0), grid_testing::kPong);
  DestroyWindow(parent);
}

TEST(GridCreate, TwoGridsOnOneParentFreedInEitherOrderLeaveItWorking) {
  for (int order = 0; order < 2; ++order) {
    HWND parent = MakeParent();
    const LONG_PTR proc = GetWindowLongPtrW(parent, GWLP_WNDPROC);
    auto first = GridControl::Create(parent, 0, 0, 200, 100, 20, 0x22045);
    auto second = GridControl::Create(parent, 0, 110, 200, 100, 20, 0x22045);
    ASSERT_TRUE(first && second);
    first->AddColumn(-1, L"A", 50);
    second->AddColumn(-1, L"B", 50);
    if (order == 0) {
      first.reset();
      EXPECT_EQ(second->GetColumnCount(), 1);
      EXPECT_EQ(SendMessageW(parent, grid_testing::kPing, 0, 0), grid_testing::kPong);
      second.reset();
    } else {
      second.reset();
      EXPECT_EQ(first->GetColumnCount(), 1);
      EXPECT_EQ(SendMessageW(parent, grid_testing::kPing, 0, 0), grid_testing::kPong);
      first.reset();
    }
    EXPECT_EQ(GetWindowLongPtrW(parent, GWLP_WNDPROC), proc);
    EXPECT_EQ(GetPropW(parent, kOldParentProcProp), nullptr);
    EXPECT_EQ(GetPropW(parent, kGridProp), nullptr);
    EXPECT_EQ(SendMessageW(parent, grid_testing::kPing, 0, 0), grid_testing::kPong);
    EXPECT_EQ(GetWindow(parent, GW_CHILD), nullptr);
    DestroyWindow(parent);
  }
}

TEST(GridCreate, EnginesSharingAParentSubclassItOnceInEitherOrder) {
  for (int order = 0; order < 2; ++order) {
    HWND parent = MakeParent();
    const LONG_PTR proc = GetWindowLongPtrW(parent, GWLP_WNDPROC);
    auto a = GridList::Create(parent, 1, 0, 0, 200, 100, 20, 0, 0x80);
    auto b = GridList::Create(parent, 2, 0, 110, 200, 100, 20, 0, 0x80);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(GetWindowLongPtrW(parent, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&GridList::ParentProc));
    EXPECT_EQ(GetPropW(parent, kOldParentProcProp), reinterpret_cast<HANDLE>(proc)) << "the first engine's save stays";

    // Notifications of either list reach its own engine through the shared
    // subclass; a bare engine passes no GridControl.
    Recorder recorder;
    (order == 0 ? b : a)->core.notifier.callback = recorder.Callback();
    HWND survivor = (order == 0 ? b : a)->listWindow;
    (order == 0 ? a : b).reset();
    EXPECT_EQ(SendMessageW(parent, grid_testing::kPing, 0, 0), grid_testing::kPong);
    SendMessageW(survivor, WM_USER + 1, 0, 0);
    ASSERT_EQ(recorder.Of(GridEvent::LayoutChanged).size(), 1u);
    EXPECT_EQ(recorder.Of(GridEvent::LayoutChanged)[0].grid, nullptr);
    NMLISTVIEW click{};
    click.hdr.hwndFrom = survivor;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iSubItem = 1;
    SendMessageW(parent, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(recorder.Of(GridEvent::HeaderClick).size(), 1u);
    (order == 0 ? b : a).reset();
    EXPECT_EQ(SendMessageW(parent, grid_testing::kPing, 0, 0), grid_testing::kPong);
    DestroyWindow(parent);
  }
}

TEST(GridCreate, TwoHundredCreateFreeCyclesLeaveObjectCountsAlone) {
  HWND parent = MakeParent();
  auto cycle = [parent] {
    auto g = GridControl::Create(parent, 0, 0, 300, 200, 20, 0x22045);
    if (!g) return false;
    g->SetColour(6, 0x00FF00);
    g->SetColour(8, 0x0000FF);
    g->AddColumn(-1, L"A", 40);
    g->AddRow(-1, L"x", 1);
    g->SetRowState(0, 2, -1, -1, -1, true);
    g->SetStrip(24, 1);
    UpdateWindow(g->GetWindow());
    UpdateWindow(g->listWindow);
    return true;
  };
  // The first grid makes the shared brushes and font, and the system its
  // caches; count after it.
  ASSERT_TRUE(cycle());
  const auto before = CountObjects();
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(cycle());
  const auto after = CountObjects();
  EXPECT_EQ(after.gdi, before.gdi);
  EXPECT_EQ(after.user, before.user);
  EXPECT_GT(before.user, 0) << "the counter must see this process's windows";
  EXPECT_GT(before.gdi, 0);
  DestroyWindow(parent);
}

}  // namespace
}  // namespace vantorel
