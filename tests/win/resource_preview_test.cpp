// Menu and dialog previews opened from the real main window's resource tree.
// Dialogs are modal: a thread timer drives each one from inside its loop,
// and a watchdog thread ends the loop if the dialog never closes.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "analysis/library_win32.h"
#include "app/app_state_win32.h"
#include "app/main_window_win32.h"
#include "app/startup_win32.h"
#include "editor/editor_component_win32.h"
#include "app/pages/resource_preview_win32.h"
#include "app/pages/resource_page_win32.h"
#include "main_window_fixture.h"
#include "object_counts.h"
#include "scripted_prompts.h"

namespace vantorel {
namespace {

std::wstring Data(const std::wstring& name) { return std::wstring(VANTOREL_TESTDATA) + L"\\" + name; }

ResourceViews Views() { return {Main().resourceTree, Main().hexGrid.get(), Main().imageView, Main().textView}; }

constexpr std::uint16_t kMenuType = 4, kDialogType = 5;
ResourceKey Key(std::uint16_t type, ResourceId name, std::uint16_t language = 1033) {
  return {ResourceId{type, {}}, std::move(name), language};
}

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

std::wstring MenuText(HMENU menu, UINT position) {
  wchar_t text[128] = {};
  GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
  return text;
}

HTREEITEM FindItem(const std::vector<std::wstring>& path) {
  HWND tree = Main().resourceTree;
  HTREEITEM item = TreeView_GetRoot(tree);
  HTREEITEM found = nullptr;
  for (const auto& text : path) {
    found = nullptr;
    for (; item; item = TreeView_GetNextSibling(tree, item)) {
      wchar_t buffer[256] = {};
      TVITEMW data{};
      data.mask = TVIF_TEXT;
      data.hItem = item;
      data.pszText = buffer;
      data.cchTextMax = 256;
      TreeView_GetItem(tree, &data);
      if (text == buffer) {
        found = item;
        break;
      }
    }
    if (!found) return nullptr;
    item = TreeView_GetChild(tree, found);
  }
  return found;
}

// Runs `step` (with the tick number) every 30 ms on this thread while
// `body` runs, which is how a modal loop gets driven. If the body has not
// returned after 10 s the watchdog posts WM_QUIT, which ends any modal loop.
class ModalDriver {
 public:
  explicit ModalDriver(std::function<void(int)> step) : step_(std::move(step)) { Current() = this; }
  ~ModalDriver() { Current() = nullptr; }
  ModalDriver(const ModalDriver&) = delete;
  ModalDriver& operator=(const ModalDriver&) = delete;

  // How long the body ran.
  std::chrono::milliseconds Run(const std::function<void()>& body) {
    std::atomic<bool> done{false};
    const DWORD thread = GetCurrentThreadId();
    std::thread watchdog([&] {
      for (int i = 0; i < 1000 && !done; ++i) Sleep(10);
      if (!done) PostThreadMessageW(thread, WM_QUIT, 0, 0);
    });
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, Tick);
    const auto start = std::chrono::steady_clock::now();
    body();
    const auto took = std::chrono::steady_clock::now() - start;
    KillTimer(nullptr, timer);
    done = true;
    watchdog.join();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
      ADD_FAILURE() << "the watchdog had to end the modal loop";
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(took);
  }
  int ticks = 0;

 private:
  static ModalDriver*& Current() {
    static ModalDriver* current = nullptr;
    return current;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (ModalDriver* driver = Current()) driver->step_(driver->ticks++);
  }
  std::function<void(int)> step_;
};

class ResourcePreviewTest : public testing::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    SetResourcePreviews(MenuAndDialogPreviews(Main().window));
    LoadLibraryFile(Data(L"resources.dll"));
    RefreshMainView();
    EnumerateResources(Views());
  }
  void TearDown() override {
    ClosePreviews();
    SetResourcePreviews({});
    MainWindowFixture::TearDown();
  }
  void Click(const std::vector<std::wstring>& path) {
    HTREEITEM item = FindItem(path);
    ASSERT_NE(item, nullptr);
    TreeView_SelectItem(Main().resourceTree, item);
    ShowResource(Views(), item);
  }

  testing::ScriptedPrompts prompts;
};

TEST_F(ResourcePreviewTest, MenuShowsInItsOwnWindowUntilTheNextClickOrItsCloseBox) {
  Click({L"Menu", L"MAINMENU", L"1033"});
  HWND preview = MenuPreviewWindow();
  ASSERT_NE(preview, nullptr) << "loaded by its string name";
  EXPECT_EQ(TextOf(preview), L"Vantorel - Menuresource");
  EXPECT_TRUE(IsWindowVisible(preview));
  EXPECT_EQ(GetWindow(preview, GW_OWNER), Main().window);
  const LONG style = GetWindowLongW(preview, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CHILD), 0);
  RECT client{};
  GetClientRect(preview, &client);
  EXPECT_EQ(client.right, 450);
  EXPECT_EQ(client.bottom, 50);

  // The library's menu, drop-downs and all, is the window's menu bar.
  HMENU bar = GetMenu(preview);
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  EXPECT_EQ(MenuText(bar, 0), L"&File");
  EXPECT_EQ(MenuText(bar, 1), L"&Help");
  HMENU file = GetSubMenu(bar, 0);
  EXPECT_EQ(GetMenuState(file, 1002, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
  HMENU recent = GetSubMenu(file, 3);
  ASSERT_NE(recent, nullptr);
  EXPECT_EQ(GetMenuState(recent, 1011, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));

  // Its commands do not reach the program's own: id 5 would be Exit.
  SendMessageW(preview, WM_COMMAND, CmdExit, 0);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_TRUE(IsWindow(Main().window));

  // Any further click closes it, a type item's included.
  Click({L"Menu"});
  EXPECT_FALSE(IsWindow(preview));
  EXPECT_EQ(MenuPreviewWindow(), nullptr);

  // Clicked again it opens again, and its close box closes it.
  Click({L"Menu", L"MAINMENU", L"1033"});
  preview = MenuPreviewWindow();
  ASSERT_NE(preview, nullptr);
  SendMessageW(preview, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(preview));
  EXPECT_EQ(MenuPreviewWindow(), nullptr);
  EXPECT_TRUE(IsWindow(Main().window));

  // Gone with the main window, too.
  Click({L"Menu", L"MAINMENU", L"1033"});
  preview = MenuPreviewWindow();
  ASSERT_NE(preview, nullptr);
  TearDownMainWindow();
  EXPECT_FALSE(IsWindow(preview));
  EXPECT_EQ(MenuPreviewWindow(), nullptr);
}

TEST_F(ResourcePreviewTest, MenuThatDoesNotLoadShowsNothing) {
  PreviewMenu(Key(kMenuType, {999, {}}), Main().window);
  PreviewMenu(Key(kMenuType, {0, u"NOSUCHMENU"}), Main().window);
  EXPECT_EQ(MenuPreviewWindow(), nullptr);
  ReleaseLibrary();  // no library: nothing to load from
  PreviewMenu(Key(kMenuType, {0, u"MAINMENU"}), Main().window);
  EXPECT_EQ(MenuPreviewWindow(), nullptr);
}

TEST_F(ResourcePreviewTest, DialogStaysOpenUntilItsCloseBox) {
  HWND dialog = nullptr;
  std::wstring caption;
  bool mainEnabled = true;
  bool openAfterButtons = false;
  ModalDriver driver([&](int tick) {
    if (tick == 0) {
      dialog = DialogPreviewWindow();
      if (!dialog) return;
      caption = TextOf(dialog);
      mainEnabled = IsWindowEnabled(Main().window);
      // OK, Enter and Escape: none of them ends the preview.
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
      PostMessageW(dialog, WM_KEYDOWN, VK_RETURN, 0);
      PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    } else if (tick == 2) {
      openAfterButtons = IsWindow(dialog) && DialogPreviewWindow() == dialog;
      if (dialog) SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
  });
  driver.Run([&] { Click({L"Dialog", L"ABOUTBOX", L"1033"}); });
  ASSERT_NE(dialog, nullptr) << "loaded by its string name";
  EXPECT_EQ(caption, L"About the resource library");
  EXPECT_FALSE(mainEnabled) << "modal over the main window";
  EXPECT_TRUE(openAfterButtons);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(DialogPreviewWindow(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(Main().window));
  EXPECT_EQ(Main().hexGrid->GetRowCount(), 32) << "the dump is shown first";
  EXPECT_EQ(TreeView_GetSelection(Main().resourceTree), nullptr);
}

TEST_F(ResourcePreviewTest, OpenDialogIsDestroyedByTheNextClick) {
  HWND dialog = nullptr;
  ModalDriver driver([&](int tick) {
    if (tick != 0) return;
    dialog = DialogPreviewWindow();
    if (dialog) Click({L"RCData", L"1", L"1033"});
  });
  driver.Run([&] { Click({L"Dialog", L"ABOUTBOX", L"1033"}); });
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(DialogPreviewWindow(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(Main().window));
}

TEST_F(ResourcePreviewTest, DialogThatCannotBeCreatedReturnsAtOnce) {
  bool shown = false;
  ModalDriver driver([&](int) { shown = shown || DialogPreviewWindow() != nullptr; });
  const auto took = driver.Run([&] {
    PreviewDialog(Key(kDialogType, {999, {}}), Main().window);
    PreviewDialog(Key(kDialogType, {0, u"NOSUCHDIALOG"}), Main().window);
  });
  EXPECT_FALSE(shown);
  EXPECT_LT(took.count(), 3000);
  EXPECT_EQ(DialogPreviewWindow(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(Main().window));
}

// A control of a class the library would register itself (nothing of the
// library runs, so no such class exists) stands in the dialog as a framed
// static of its place and size named by its class; the rest is as built.
TEST_F(ResourcePreviewTest, ControlOfAnUnknownClassShowsAsANamedFrame) {
  struct Child {
    std::wstring cls, text;
    LONG style = 0, exStyle = 0;
    RECT rect{};
  };
  std::wstring caption;
  Child placeholder, ok;
  RECT expected{10, 10, 150, 30};  // the control's dialog units
  ModalDriver driver([&](int) {
    HWND dialog = DialogPreviewWindow();
    if (!dialog || !caption.empty()) return;
    caption = TextOf(dialog);
    MapDialogRect(dialog, &expected);
    for (auto [id, child] : {std::pair{1201, &placeholder}, std::pair{IDOK, &ok}}) {
      HWND control = GetDlgItem(dialog, id);
      if (!control) continue;
      wchar_t cls[64] = {};
      GetClassNameW(control, cls, 64);
      child->cls = cls;
      child->text = TextOf(control);
      child->style = GetWindowLongW(control, GWL_STYLE);
      child->exStyle = GetWindowLongW(control, GWL_EXSTYLE);
      GetWindowRect(control, &child->rect);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&child->rect), 2);
    }
    SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  driver.Run([&] { Click({L"Dialog", L"BROKENDIALOG", L"1033"}); });
  EXPECT_EQ(caption, L"Unknown control class");
  EXPECT_EQ(_wcsicmp(placeholder.cls.c_str(), L"Static"), 0);
  // As the template holds it: the resource compiler writes it in capitals.
  EXPECT_EQ(_wcsicmp(placeholder.text.c_str(), L"VantorelNoSuchClass"), 0) << placeholder.text;
  EXPECT_NE(placeholder.style & WS_VISIBLE, 0);
  // A dialog draws a bordered control with a sunken edge.
  EXPECT_TRUE((placeholder.style & WS_BORDER) || (placeholder.exStyle & WS_EX_CLIENTEDGE));
  EXPECT_TRUE(EqualRect(&placeholder.rect, &expected))
      << placeholder.rect.left << "," << placeholder.rect.top << " " << placeholder.rect.right << ","
      << placeholder.rect.bottom;
  EXPECT_EQ(_wcsicmp(ok.cls.c_str(), L"Button"), 0);
  EXPECT_EQ(ok.text, L"OK");
  EXPECT_EQ(DialogPreviewWindow(), nullptr);
}

// The process's object counts once the closed dialog's last paints and
// deferred releases are through: the same in four readings 100 ms apart. On
// a loaded machine these can take seconds, so the wait is long (at most
// 20 s, then the last reading); what leaks stays counted, however long.
testing::ObjectTotals SettledObjectCounts() {
  testing::ObjectTotals last{-1, -1};
  int same = 0;
  for (int i = 0; i < 200 && same < 3; ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    const testing::ObjectTotals now = testing::CountProcessObjects();
    same = now.gdi == last.gdi && now.user == last.user ? same + 1 : 0;
    last = now;
    if (same < 3) Sleep(100);
  }
  return last;
}

// ABOUTBOX's icon control shows the library's icon at the icon size; each
// open maps the library anew (at a new address, the earlier mappings being
// held), and previews of it leave no icon or bitmap behind.
TEST_F(ResourcePreviewTest, DialogIconsAreTheLibrarysAndLeaveNothingBehind) {
  std::vector<HMODULE> held;
  // A leak adds at least one object per open: seven more opens than the
  // third may add a few transient objects (a paint or a release still
  // pending), never seven.
  constexpr int kOpens = 10;
  testing::ObjectTotals after[kOpens];
  for (int open = 0; open < kOpens; ++open) {
    held.push_back(LoadLibraryExW(Data(L"resources.dll").c_str(), nullptr,
                                  LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE));
    LoadLibraryFile(Data(L"resources.dll"));
    EnumerateResources(Views());
    SIZE icon{};
    ModalDriver driver([&](int) {
      HWND dialog = DialogPreviewWindow();
      if (!dialog) return;
      // The first control of the template: ICON 1, -1, 10, 10, 20, 20.
      const auto shown = reinterpret_cast<HICON>(SendMessageW(GetWindow(dialog, GW_CHILD), STM_GETICON, 0, 0));
      ICONINFO info{};
      BITMAP bitmap{};
      if (shown && GetIconInfo(shown, &info) && GetObjectW(info.hbmMask, sizeof bitmap, &bitmap)) {
        icon = {bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};
      }
      if (info.hbmMask) DeleteObject(info.hbmMask);
      if (info.hbmColor) DeleteObject(info.hbmColor);
      SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    driver.Run([&] { Click({L"Dialog", L"ABOUTBOX", L"1033"}); });
    EXPECT_EQ(icon.cx, GetSystemMetrics(SM_CXICON)) << "open " << open;
    EXPECT_EQ(icon.cy, GetSystemMetrics(SM_CYICON)) << "open " << open;
    after[open] = SettledObjectCounts();
  }
  for (HMODULE module : held) FreeLibrary(module);
  EXPECT_LT(after[kOpens - 1].gdi - after[2].gdi, 4) << after[2].gdi << " GDI objects after the third open";
  EXPECT_LT(after[kOpens - 1].user - after[2].user, 4) << after[2].user << " USER objects after the third open";
}

// A copy of resources.dll with bytes of one template changed, loaded as the
// open library; null when the bytes were not found.
class PatchedLibrary {
 public:
  // Replaces `size` bytes at the first occurrence of `find` plus `offset`.
  PatchedLibrary(const std::u16string& find, std::ptrdiff_t offset, const std::string& bytes) {
    std::ifstream in(std::filesystem::path(Data(L"resources.dll")), std::ios::binary);
    std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string needle(reinterpret_cast<const char*>(find.data()), find.size() * 2);
    const std::size_t at = image.find(needle);
    if (at == std::string::npos) return;
    image.replace(at + offset, bytes.size(), bytes);
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    path_ = std::wstring(folder) + L"vantorel_patched_" + std::to_wstring(GetCurrentProcessId()) + L".dll";
    std::ofstream(std::filesystem::path(path_), std::ios::binary).write(image.data(), static_cast<std::streamsize>(image.size()));
    module_ = LoadLibraryW(path_.c_str());
    saved_ = App().LibraryHandle;
    savedBase_ = App().ModuleBase;
    App().LibraryHandle = module_;
    App().ModuleBase = reinterpret_cast<std::uintptr_t>(module_);
    EnumerateResources(Views());
  }
  ~PatchedLibrary() {
    if (!module_) return;
    App().LibraryHandle = saved_;
    App().ModuleBase = savedBase_;
    EnumerateResources(Views());
    FreeLibrary(module_);
    DeleteFileW(path_.c_str());
  }
  PatchedLibrary(const PatchedLibrary&) = delete;
  PatchedLibrary& operator=(const PatchedLibrary&) = delete;
  HMODULE get() const { return module_; }

 private:
  std::wstring path_;
  HMODULE module_ = nullptr;
  HMODULE saved_ = nullptr;
  std::uintptr_t savedBase_ = 0;
};

// The platform walks a template to its end markers whatever the resource's
// size: one that runs past its bytes is refused before it gets there.
TEST_F(ResourcePreviewTest, TemplatesRunningPastTheirBytesAreRefused) {
  {
    // "&Help" loses its end flag: the top-level items run on.
    PatchedLibrary library(u"&Help", -2, std::string("\x10\x00", 2));
    ASSERT_NE(library.get(), nullptr);
    PreviewMenu(Key(kMenuType, {0, u"MAINMENU"}), Main().window);
    EXPECT_EQ(MenuPreviewWindow(), nullptr);
  }
  {
    // ABOUTBOX claims 65,535 controls instead of 8.
    PatchedLibrary library(u"About the resource library", -14, "\xFF\xFF");
    ASSERT_NE(library.get(), nullptr);
    bool shown = false;
    ModalDriver driver([&](int) { shown = shown || DialogPreviewWindow() != nullptr; });
    driver.Run([&] { PreviewDialog(Key(kDialogType, {0, u"ABOUTBOX"}), Main().window); });
    EXPECT_FALSE(shown);
  }
  // Unchanged, both still show: the walk accepts what the platform accepts.
  PreviewMenu(Key(kMenuType, {0, u"MAINMENU"}), Main().window);
  EXPECT_NE(MenuPreviewWindow(), nullptr);
  bool shown = false;
  ModalDriver driver([&](int) {
    if (HWND dialog = DialogPreviewWindow()) {
      shown = true;
      SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
  });
  driver.Run([&] { PreviewDialog(Key(kDialogType, {0, u"ABOUTBOX"}), Main().window); });
  EXPECT_TRUE(shown);
}

// A property-page template is a child window: shown as it is, it would sit
// inside the disabled main window with no way to close it.
TEST_F(ResourcePreviewTest, ChildDialogTemplateGetsACloseBox) {
  HMODULE shell = LoadLibraryW(L"shell32.dll");
  ASSERT_NE(shell, nullptr);
  HRSRC found = FindResourceW(shell, MAKEINTRESOURCEW(8), MAKEINTRESOURCEW(5));
  ASSERT_NE(found, nullptr);
  const auto* header = static_cast<const DWORD*>(LockResource(LoadResource(shell, found)));
  const bool extended = HIWORD(header[0]) == 0xFFFF;
  ASSERT_NE(header[extended ? 3 : 0] & WS_CHILD, 0u) << "the system's page must still be a child template";

  const HMODULE saved = App().LibraryHandle;
  const auto savedBase = App().ModuleBase;
  App().LibraryHandle = shell;
  App().ModuleBase = reinterpret_cast<std::uintptr_t>(shell);
  EnumerateResources(Views());
  const auto language = ResourceKeyOf(Main().resourceTree, TreeView_GetChild(Main().resourceTree, FindItem({L"Dialog", L"8"})));
  ASSERT_TRUE(language);
  LONG style = 0;
  HWND parent = nullptr;
  ModalDriver driver([&](int tick) {
    HWND dialog = DialogPreviewWindow();
    if (tick != 0 || !dialog) return;
    style = GetWindowLongW(dialog, GWL_STYLE);
    parent = GetAncestor(dialog, GA_PARENT);
    SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  driver.Run([&] { PreviewDialog(*language, Main().window); });
  App().LibraryHandle = saved;
  App().ModuleBase = savedBase;
  EnumerateResources(Views());
  FreeLibrary(shell);

  EXPECT_EQ(style & WS_CHILD, 0);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(parent, GetDesktopWindow());
  EXPECT_EQ(DialogPreviewWindow(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(Main().window));
}

}  // namespace
}  // namespace vantorel

namespace vantorel {
namespace {

// The malformed set's template library: each dialog and menu shows, or not,
// by what its own bytes and the resources it names hold, in the clicked
// language.
TEST_F(ResourcePreviewTest, TemplatesAndWhatTheyNameAreCheckedAsThePlatformReadsThem) {
  LoadLibraryFile(Data(L"malformed\\templates.dll"));
  RefreshMainView();
  EnumerateResources(Views());
  struct Dialog {
    const wchar_t* name;
    const wchar_t* language;
    bool shown;
    std::wstring caption;
    bool withMenu;
  };
  const Dialog dialogs[] = {
      {L"ODDDATA", L"1033", true, L"Odd data", false},  // an odd data count steps over one byte less
      {L"ODDTRAP", L"1033", false, L"", false},
      {L"MISALIGNED", L"1033", true, L"", false},  // walked and shown from the same aligned copy
      {L"MENUOK", L"1033", true, L"Menu ok", true},
      {L"MENUTRAP", L"1033", false, L"", false},  // names a menu that runs past its end
      {L"ICONOK", L"1033", true, L"Icon ok", false},
      {L"ICONTRAP", L"1033", false, L"", false},    // an icon group claiming 65,535 members
      {L"BITMAPTRAP", L"1033", false, L"", false},  // a run-length bomb
      {L"LANGDIALOG", L"1031", true, L"Deutsch", false},
      {L"LANGDIALOG", L"1033", true, L"English", false},
  };
  for (const Dialog& d : dialogs) {
    SCOPED_TRACE(std::wstring(d.name) + L" " + d.language);
    HWND dialog = nullptr;
    std::wstring caption;
    bool withMenu = false;
    ModalDriver driver([&](int) {
      if (dialog || !(dialog = DialogPreviewWindow())) return;
      caption = TextOf(dialog);
      withMenu = GetMenu(dialog) != nullptr;
      SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    driver.Run([&] { Click({L"Dialog", d.name, d.language}); });
    EXPECT_EQ(dialog != nullptr, d.shown);
    EXPECT_EQ(caption, d.caption);
    EXPECT_EQ(withMenu, d.withMenu);
    EXPECT_GT(Main().hexGrid->GetRowCount(), 0) << "the dump shows either way";
  }

  const struct {
    const wchar_t* name;
    const wchar_t* language;
    std::wstring item;  // empty: no preview
  } menus[] = {{L"GOODMENU", L"1033", L"&Open"},
               {L"BADMENU", L"1033", L""},
               {L"LANGMENU", L"1031", L"Deutsch"},
               {L"LANGMENU", L"1033", L"English"}};
  for (const auto& m : menus) {
    SCOPED_TRACE(std::wstring(m.name) + L" " + m.language);
    Click({L"Menu", m.name, m.language});
    HWND preview = MenuPreviewWindow();
    EXPECT_EQ(preview != nullptr, !m.item.empty());
    if (preview) {
      EXPECT_EQ(MenuText(GetSubMenu(GetMenu(preview), 0), 0), m.item);
    }
  }
}

}  // namespace
}  // namespace vantorel
