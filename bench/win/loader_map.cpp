// Timing harness: mapping the editor component from the program's own data
// (budget 50 ms at start-up), at its preferred base and moved, and setting
// up the preview editor. With "--show MS" it then keeps a window with the
// preview editor on screen for MS milliseconds, for a look or a screenshot.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/resource_ids.h"
#include "editor/editor_component_win32.h"
#include "editor/editor_win32.h"
#include "editor/memory_loader_win32.h"
#include "editor/preview_editor_win32.h"

namespace {

using namespace vantorel;

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::span<const std::uint8_t> Component() {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(IDR_EDITOR_IMAGE), RT_RCDATA);
  if (!found) return {};
  return {static_cast<const std::uint8_t*>(LockResource(LoadResource(self, found))), SizeofResource(self, found)};
}

void Report(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-44s min %7.2f ms  median %7.2f ms  max %7.2f ms  (%zu runs)\n", what, ms.front(), ms[ms.size() / 2],
              ms.back(), ms.size());
}

const wchar_t kSample[] =
    L"; Generated with Vantorel\n"
    L"\n"
    L"Prototype.i Proto_GetFileVersionInfoW(lptstrFilename, dwHandle, dwLen, lpData)\n"
    L"Prototype.i Proto_VerQueryValueW(pBlock, lpSubBlock, lplpBuffer, puLen)\n"
    L"\n"
    L"Global GetFileVersionInfoW.Proto_GetFileVersionInfoW\n"
    L"Global VerQueryValueW.Proto_VerQueryValueW\n"
    L"\n"
    L"Procedure.i version_LoadDLL()\n"
    L"  Protected hDLL.i = OpenLibrary(#PB_Any, \"version.dll\")\n"
    L"  If hDLL <> 0\n"
    L"    GetFileVersionInfoW = GetFunction(hDLL, \"GetFileVersionInfoW\")\n"
    L"    VerQueryValueW = GetFunction(hDLL, \"VerQueryValueW\") ; 2 of 2\n"
    L"    ProcedureReturn hDLL\n"
    L"  EndIf\n"
    L"  ProcedureReturn 0\n"
    L"EndProcedure\n";

HWND Host() {
  static HWND host = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VantorelBenchHost";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"Vantorel - mapped editor", WS_OVERLAPPEDWINDOW, 40, 40, 820, 560,
                           nullptr, nullptr, wc.hInstance, nullptr);
  }();
  return host;
}

void Show(DWORD milliseconds) {
  HWND host = Host();
  ShowWindow(host, SW_SHOW);
  RECT client{};
  GetClientRect(host, &client);
  SetupPreviewEditor(host, client.right - 20, client.bottom - 20);
  SetEditorReadOnly(kPreviewEditor, 0);
  SetEditorText(kPreviewEditor, kSample, 0);
  SetEditorReadOnly(kPreviewEditor, 1);
  SetFocus(GetEditorWindow(kPreviewEditor));
  const DWORD end = GetTickCount() + milliseconds;
  MSG msg;
  while (GetTickCount() < end) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
  FreeEditor(kPreviewEditor);
}

}  // namespace

int wmain() {
  const auto image = Component();
  if (image.empty()) {
    std::printf("no editor image in the program\n");
    return 1;
  }
  std::printf("editor component: %zu bytes\n", image.size());

  // The very first mapping pays for loading the imported system libraries.
  double start = Now();
  if (!MapEditorComponent()) {
    std::printf("mapping failed\n");
    return 1;
  }
  std::printf("%-44s %7.2f ms\n", "first mapping at start-up (MapEditorComponent)", Now() - start);
  ReleaseEditorComponent();

  constexpr int kRuns = 30;
  std::vector<double> map, release, moved;
  for (int i = 0; i < kRuns; ++i) {
    start = Now();
    auto mapped = LoadImageFromMemory(image);
    map.push_back(Now() - start);
    if (!mapped) return 1;
    start = Now();
    FreeMappedImage(std::move(mapped));
    release.push_back(Now() - start);
  }
  Report("map at the preferred base", map);
  Report("release", release);

  {
    auto probe = LoadImageFromMemory(image);
    void* preferred = probe ? probe->imageBase : nullptr;
    FreeMappedImage(std::move(probe));
    void* taken = VirtualAlloc(preferred, 0x10000, MEM_RESERVE, PAGE_NOACCESS);
    for (int i = 0; i < kRuns; ++i) {
      start = Now();
      auto mapped = LoadImageFromMemory(image);
      moved.push_back(Now() - start);
      if (!mapped || mapped->imageBase == preferred) return 1;
    }
    VirtualFree(taken, 0, MEM_RELEASE);
    Report("map elsewhere, every site relocated", moved);
  }

  MapEditorComponent();
  std::vector<double> setup;
  for (int i = 0; i < 10; ++i) {
    start = Now();
    SetupPreviewEditor(Host(), 600, 400);
    setup.push_back(Now() - start);
    FreeEditor(kPreviewEditor);
  }
  Report("create and set up the preview editor", setup);

  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc == 3 && std::wcscmp(argv[1], L"--show") == 0) Show(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
  LocalFree(argv);
  ReleaseEditorComponent();
  return 0;
}
