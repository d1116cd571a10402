// The product as shipped: Vantorel.exe's resources, and the real process
// started the way a user starts it.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/app_state_win32.h"
#include "platform/edition.h"
#include "platform/ico.h"
#include "platform/resource_ids.h"
#include "test_support.h"

namespace vantorel {
namespace {

class ExeResources : public ::testing::Test {
 protected:
  void SetUp() override {
    exe_ = LoadLibraryExW(VANTOREL_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(exe_, nullptr);
  }
  void TearDown() override { FreeLibrary(exe_); }
  std::string Resource(LPCWSTR name, LPCWSTR type) {
    HRSRC r = FindResourceW(exe_, name, type);
    if (!r) return {};
    const char* p = static_cast<const char*>(LockResource(LoadResource(exe_, r)));
    return p ? std::string(p, SizeofResource(exe_, r)) : std::string();
  }
  HMODULE exe_ = nullptr;
};

TEST_F(ExeResources, CarriesIconManifestCommandIconsAndEditor) {
  EXPECT_FALSE(Resource(MAKEINTRESOURCEW(IDI_VANTOREL), RT_GROUP_ICON).empty());
  HICON big = static_cast<HICON>(LoadImageW(exe_, MAKEINTRESOURCEW(IDI_VANTOREL), IMAGE_ICON, 32, 32, 0));
  EXPECT_NE(big, nullptr);
  DestroyIcon(big);

  const std::string manifest = Resource(MAKEINTRESOURCEW(1), RT_MANIFEST);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  // Per-monitor DPI awareness as the loader reads it from the manifest (the
  // tests carry the program's): the newest kind with the older ones after it.
  auto setting = [](const wchar_t* ns, const wchar_t* name) {
    wchar_t value[64] = {};
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, nullptr, ns, name, value, 64, &written)) return std::wstring();
    return std::wstring(value);
  };
  EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
            L"PerMonitorV2, PerMonitor");
  EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"), L"true/pm");

  // Each command icon holds an image for every DPI's icon size.
  for (int id = 0; id < kCommandCount; ++id) {
    const std::string ico = Resource(MAKEINTRESOURCEW(IDR_COMMAND_ICON_BASE + id), RT_RCDATA);
    ASSERT_GE(ico.size(), 6u + 2 * 16) << "command icon " << id;
    EXPECT_EQ(ico.substr(0, 4), std::string("\0\0\1\0", 4));
    const auto entries = ReadIcoDirectory(std::span(reinterpret_cast<const std::uint8_t*>(ico.data()), ico.size()));
    for (const int side : {16, 20, 24, 32}) EXPECT_TRUE(PickIcoEntry(entries, side)) << id << " at " << side;
  }
  const std::string editor = Resource(MAKEINTRESOURCEW(IDR_EDITOR_IMAGE), RT_RCDATA);
  ASSERT_GT(editor.size(), 100000u);
  EXPECT_EQ(editor.substr(0, 2), "MZ");
}

// Closes the main window of a started Vantorel and returns its exit code.
DWORD CloseMainWindow(const testing::Started& p, const std::wstring& title) {
  HWND main = testing::WaitForWindow(p.processId, L"VantorelMain", title, 20000);
  if (!main) return STILL_ACTIVE;
  PostMessageW(main, WM_CLOSE, 0, 0);
  return testing::WaitForExit(p.process, 20000);
}

// The title of the main window with nothing open: the edition's name.
const std::wstring kEmptyTitle(kEditionTraits.name.begin(), kEditionTraits.name.end());

// Starts the real exe with a library of the other kind: the message box
// naming the other edition appears; after it the window opens with nothing,
// and closing it ends the process with exit code 0, without a question.
TEST(ExeProcess, ArgumentOfTheOtherKindShowsMessageAndExitsZero) {
  const auto p = testing::StartProcess(VANTOREL_EXE, L"\"" + testing::OtherLibrary() + L"\"");
  ASSERT_NE(p.process, nullptr);
  HWND box = testing::WaitForWindow(p.processId, L"#32770", L"Vantorel", 20000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(testing::MessageBoxText(box), testing::WrongKindMessage());
  EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
  EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
  EXPECT_EQ(GetDlgItem(box, IDYES), nullptr);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(CloseMainWindow(p, kEmptyTitle), 0u);
  CloseHandle(p.process);
}

TEST(ExeProcess, MissingFileIsReportedThenExitsZero) {
  testing::TempFolder dir;
  const auto p = testing::StartProcess(VANTOREL_EXE, L"\"" + dir.File(L"gone.dll") + L"\" second");
  ASSERT_NE(p.process, nullptr);
  HWND box = testing::WaitForWindow(p.processId, L"#32770", L"Vantorel", 20000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(testing::MessageBoxText(box), L"File is locked\ncan't load.");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(CloseMainWindow(p, kEmptyTitle), 0u);
  CloseHandle(p.process);
}

// Reads status field `field` of a status bar in another process: the text
// must be written into that process's memory.
std::wstring RemoteStatusText(HANDLE process, HWND status, int field) {
  void* remote = VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!remote) return L"<no memory>";
  SendMessageW(status, SB_GETTEXTW, static_cast<WPARAM>(field), reinterpret_cast<LPARAM>(remote));
  wchar_t text[2048] = {};
  SIZE_T got = 0;
  ReadProcessMemory(process, remote, text, sizeof text - sizeof(wchar_t), &got);
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  std::wstring s = text;
  if (!s.empty() && s[0] == L'\t') s.erase(0, 1);
  return s;
}

BOOL CALLBACK CollectChildren(HWND hwnd, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
  return TRUE;
}

// Started with a library from the Wine corpus (of the edition's kind): the
// first display shows its path in the title, its rows, the count and the
// file size.
TEST(ExeProcess, LibraryArgumentOpensInTheFirstDisplay) {
  const auto p = testing::StartProcess(VANTOREL_EXE, L"\"" + testing::OwnLibrary() + L"\"");
  ASSERT_NE(p.process, nullptr);
  HWND main = testing::WaitForWindow(p.processId, L"VantorelMain", kEmptyTitle + L" - " + testing::OwnLibrary(), 20000);
  ASSERT_NE(main, nullptr);
  std::vector<HWND> children;
  EnumChildWindows(main, CollectChildren, reinterpret_cast<LPARAM>(&children));
  HWND status = nullptr;
  LRESULT rows = 0;
  for (HWND child : children) {
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    if (std::wstring(cls) == STATUSCLASSNAMEW) status = child;
    if (std::wstring(cls) == WC_LISTVIEWW) rows = std::max(rows, SendMessageW(child, LVM_GETITEMCOUNT, 0, 0));
  }
  EXPECT_EQ(rows, 16) << "version.dll exports 16 functions";
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(RemoteStatusText(p.process, status, 1), L"   16 of 16 functions selected!");
  EXPECT_EQ(RemoteStatusText(p.process, status, 2).rfind(L" Filesize: ", 0), 0u);
  EXPECT_NE(RemoteStatusText(p.process, status, 2).find(L" KB"), std::wstring::npos);
  EXPECT_EQ(RemoteStatusText(p.process, status, 3).rfind(L" FileVersion: 5.", 0), 0u);
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(testing::WaitForExit(p.process, 20000), 0u);
  CloseHandle(p.process);
}

}  // namespace
}  // namespace vantorel
