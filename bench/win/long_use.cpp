// Long use under Wine: 1,000 libraries opened one after the other in one
// process through the Open command, the Resources page shown and painted for
// each, an icon and a dialog clicked in every tenth. Prints the process's GDI
// and USER objects and private bytes at the start and after every 100 opens.
// Flat means no growth after the first 100 (private bytes within a small
// allowance for the heap's own bookkeeping); exit code 1 otherwise.
//
// Usage: win_bench_long_use.exe [opens]   (default 1000)
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../../tests/win/object_counts.h"
#include "analysis/library_win32.h"
#include "app/app_state_win32.h"
#include "app/main_window_win32.h"
#include "platform/prompts_win32.h"
#include "app/startup_win32.h"
#include "editor/editor_component_win32.h"
#include "app/pages/resource_preview_win32.h"
#include "app/pages/resource_page_win32.h"

namespace {

using vantorel::Main;

// Answers the open requester with the next library and every message with OK.
class OpenScript final : public vantorel::Prompts {
 public:
  std::wstring next;
  int messages = 0;
  int ShowMessage(HWND, const std::wstring&, const std::wstring&, UINT) override {
    ++messages;
    return IDOK;
  }
  std::wstring AskOpenFile(HWND, const std::wstring&, const std::wstring&, const std::wstring&) override {
    return next;
  }
  std::wstring AskSaveFile(HWND, const std::wstring&, const std::wstring&, const std::wstring&) override { return {}; }
  std::optional<std::wstring> AskText(HWND, const std::wstring&, const std::wstring&, const std::wstring&) override {
    return std::nullopt;
  }
};

std::wstring TestData(const wchar_t* name) { return std::wstring(VANTOREL_TESTDATA) + L"\\" + name; }
std::wstring WineLibrary(const wchar_t* name) {
  return std::wstring(L"Z:\\usr\\lib\\x86_64-linux-gnu\\wine\\x86_64-windows\\") + name;
}

// Every open but each tenth cycles over these: the project's test libraries
// (a refused 32-bit one and hostile ones among them) and a few of Wine's.
std::vector<std::wstring> CycledLibraries() {
  std::vector<std::wstring> paths;
  for (const wchar_t* name :
       {L"named.dll", L"ordinal_only.dll", L"gaps.dll", L"aliases.dll", L"decorated.dll", L"ansi_names.dll",
        L"version_full.dll", L"version_mismatch.dll", L"version_utf8cp.dll", L"resources.dll",
        L"x86\\version_full.dll", L"malformed\\exports_count_huge.dll", L"malformed\\exports_unreadable_names.dll",
        L"malformed\\resources_loop_deep.dll", L"malformed\\resources_data_past_end.dll"})
    paths.push_back(TestData(name));
  for (const wchar_t* name : {L"version.dll", L"comctl32.dll", L"oleaut32.dll", L"wininet.dll", L"msvcrt.dll"})
    paths.push_back(WineLibrary(name));
  return paths;
}

// Each tenth open alternates over these, which hold icons and dialogs.
std::vector<std::wstring> ClickedLibraries() {
  return {TestData(L"resources.dll"), WineLibrary(L"comdlg32.dll"), WineLibrary(L"user32.dll")};
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void SwitchTab(int tab) {
  TabCtrl_SetCurSel(Main().tabPanel, tab);
  NMHDR header{Main().tabPanel, static_cast<UINT_PTR>(GetDlgCtrlID(Main().tabPanel)), TCN_SELCHANGE};
  SendMessageW(Main().window, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
  RedrawWindow(Main().window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump();
}

std::wstring ItemText(HWND tree, HTREEITEM item) {
  wchar_t buffer[256] = {};
  TVITEMW data{};
  data.mask = TVIF_TEXT;
  data.hItem = item;
  data.pszText = buffer;
  data.cchTextMax = 256;
  TreeView_GetItem(tree, &data);
  return buffer;
}

// The first language item under the type of that name, or null.
HTREEITEM FirstLanguageOf(const std::wstring& type) {
  HWND tree = Main().resourceTree;
  for (HTREEITEM t = TreeView_GetRoot(tree); t; t = TreeView_GetNextSibling(tree, t)) {
    if (ItemText(tree, t) != type) continue;
    HTREEITEM name = TreeView_GetChild(tree, t);
    return name ? TreeView_GetChild(tree, name) : nullptr;
  }
  return nullptr;
}

// A click where the user would make it: on the item's text, through the
// main window's click handling.
bool ClickItem(HTREEITEM item) {
  HWND tree = Main().resourceTree;
  if (!item) return false;
  TreeView_EnsureVisible(tree, item);
  RECT r{};
  if (!TreeView_GetItemRect(tree, item, &r, TRUE)) return false;
  POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(tree, &at);
  vantorel::OnResourceTreeClick(at);
  Pump();
  return true;
}

// The dialog preview is modal: this timer closes it by its close box from
// inside its own loop.
void CALLBACK CloseDialogPreview(HWND, UINT, UINT_PTR, DWORD) {
  if (HWND dialog = vantorel::DialogPreviewWindow()) SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

struct Sample {
  long gdi, user;
  double privateMiB;
};

// Committed private memory, summed over the address space: Wine leaves
// PrivateUsage of the process memory counters 0.
double PrivateMiB() {
  std::uint64_t total = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (auto at = reinterpret_cast<const std::uint8_t*>(0x10000);
       VirtualQuery(at, &region, sizeof region) == sizeof region && region.RegionSize;
       at = static_cast<const std::uint8_t*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
  }
  return static_cast<double>(total) / (1 << 20);
}

Sample Measure() {
  Pump();
  const auto objects = vantorel::testing::CountProcessObjects();
  return {objects.gdi, objects.user, PrivateMiB()};
}

// What is alive now and was not after the first 100 opens: GDI objects by
// type, windows by class, icons.
void ReportNewObjects(const vantorel::testing::LiveObjects& before) {
  const auto now = vantorel::testing::ListProcessObjects();
  for (ULONG_PTR h : now.gdi) {
    if (std::find(before.gdi.begin(), before.gdi.end(), h) != before.gdi.end()) continue;
    const auto object = reinterpret_cast<HGDIOBJ>(h);
    BITMAP bitmap{};
    const bool isBitmap = GetObjectType(object) == OBJ_BITMAP && GetObjectW(object, sizeof bitmap, &bitmap);
    std::printf("  new GDI object %#llx, type %lu", static_cast<unsigned long long>(h), GetObjectType(object));
    if (isBitmap) std::printf(", %ld x %ld, %u bits", bitmap.bmWidth, bitmap.bmHeight, bitmap.bmBitsPixel);
    std::printf("\n");
  }
  for (ULONG_PTR h : now.user) {
    if (std::find(before.user.begin(), before.user.end(), h) != before.user.end()) continue;
    wchar_t name[128] = L"(icon or cursor)";
    if (IsWindow(reinterpret_cast<HWND>(h))) GetClassNameW(reinterpret_cast<HWND>(h), name, 128);
    std::printf("  new USER object %#llx, %ls\n", static_cast<unsigned long long>(h), name);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int opens = argc > 1 ? _wtoi(argv[1]) : 1000;
  vantorel::PrepareProcess();
  if (!vantorel::MapEditorComponent() || !vantorel::BuildMainWindow()) {
    std::printf("the main window could not be built\n");
    return 1;
  }
  OpenScript script;
  vantorel::SetPrompts(&script);
  vantorel::SetResourcePreviews(vantorel::MenuAndDialogPreviews(Main().window));
  ShowWindow(Main().window, SW_SHOWNORMAL);
  UpdateWindow(Main().window);

  const auto cycled = CycledLibraries();
  const auto clicked = ClickedLibraries();
  std::vector<Sample> samples{Measure()};
  std::printf("opens  GDI  USER  private MiB   seconds\n");
  std::printf("%5d %4ld %5ld %12.2f %9.1f\n", 0, samples[0].gdi, samples[0].user, samples[0].privateMiB, 0.0);
  std::fflush(stdout);
  const auto start = std::chrono::steady_clock::now();
  int icons = 0, dialogs = 0, listed = 0;
  vantorel::testing::LiveObjects afterFirstHundred;
  for (int i = 1; i <= opens; ++i) {
    const bool tenth = i % 10 == 0;
    script.next = tenth ? clicked[(i / 10) % clicked.size()] : cycled[(i - i / 10) % cycled.size()];
    SendMessageW(Main().window, WM_COMMAND, MAKEWPARAM(vantorel::CmdOpenLibrary, 0), 0);
    listed += vantorel::App().LibraryHandle != nullptr;
    SwitchTab(vantorel::kResourcesTab);
    if (tenth) {
      icons += ClickItem(FirstLanguageOf(L"Icon"));
      const UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseDialogPreview);
      dialogs += ClickItem(FirstLanguageOf(L"Dialog"));
      KillTimer(nullptr, timer);
      vantorel::ClosePreviews();
    }
    SwitchTab(vantorel::kFunctionsTab);
    if (i % 100 == 0) {
      if (i == 100) afterFirstHundred = vantorel::testing::ListProcessObjects();
      samples.push_back(Measure());
      const Sample& s = samples.back();
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      std::printf("%5d %4ld %5ld %12.2f %9.1f\n", i, s.gdi, s.user, s.privateMiB, seconds);
      std::fflush(stdout);
    }
  }
  std::printf("%d opens (%d loaded), %d icons and %d dialogs clicked, %d messages answered\n", opens, listed, icons,
              dialogs, script.messages);

  // After the first 100 the counts must not rise; private bytes may wander
  // by the heap's own slack but not climb.
  constexpr double kPrivateSlackMiB = 4.0;
  bool flat = samples.size() > 2;
  for (std::size_t k = 2; k < samples.size(); ++k) {
    flat = flat && samples[k].gdi <= samples[1].gdi && samples[k].user <= samples[1].user &&
           samples[k].privateMiB <= samples[1].privateMiB + kPrivateSlackMiB;
  }
  std::printf("%s\n", flat ? "flat after the first 100 opens" : "GROWING after the first 100 opens");
  if (!flat) ReportNewObjects(afterFirstHundred);

  vantorel::SetResourcePreviews({});
  vantorel::SetPrompts(nullptr);
  vantorel::TearDownMainWindow();
  vantorel::ReleaseLibrary();
  vantorel::ReleaseEditorComponent();
  vantorel::ReleaseProcess();
  return flat ? 0 : 1;
}
