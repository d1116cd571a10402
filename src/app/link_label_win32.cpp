#include "app/link_label_win32.h"

#include <string>

#include "platform/edition.h"
#include "platform/prompts_win32.h"
#include "platform/text_win32.h"
#include "platform/version.h"

namespace vantorel {

namespace {

constexpr wchar_t kOldProc[] = L"oldproc";
constexpr wchar_t kCursor[] = L"cursor";

LRESULT CALLBACK LinkProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  const auto old = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kOldProc));
  switch (msg) {
    case WM_SETCURSOR:
      if (HANDLE cursor = GetPropW(hwnd, kCursor)) {
        SetCursor(static_cast<HCURSOR>(cursor));
        return 0;
      }
      break;
    case WM_NCDESTROY:
      RemovePropW(hwnd, kOldProc);
      RemovePropW(hwnd, kCursor);
      SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
      break;
    default:
      break;
  }
  return old ? CallWindowProcW(old, hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

HWND CreateLinkLabel(HWND parent, int id, int x, int y, int width, int height, HCURSOR hand) {
  HWND label = CreateWindowExW(0, L"STATIC", kProjectAddress, WS_CHILD | WS_VISIBLE | SS_NOTIFY, x, y, width, height,
                               parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                               nullptr);
  if (!label) return nullptr;
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  const LONG_PTR old = SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LinkProc));
  SetPropW(label, kOldProc, reinterpret_cast<HANDLE>(old));
  if (hand) SetPropW(label, kCursor, hand);
  return label;
}

void ShowAbout(HWND owner) {
  const std::wstring text = L"Vantorel - PureBasic loaders for DLL exports\n"
                            L"written by the Vantorel developers, 2026\n"
                            L"\n"
                            L"Version " + std::wstring(kVantorelVersion) + L" for " +
                            ToWide(kEditionTraits.windowsName) + L"\n"
                            L"\n"
                            L"Source preview: Scintilla 5.3.3";
  CurrentPrompts().ShowMessage(owner, text, L"About Vantorel", MB_OK);
}

}  // namespace vantorel
