#pragma once
// Shared pieces of the editor and loader tests under Wine: the editor
// component's bytes as the program carries them, and one hidden top-level
// window to hold test controls (creating and destroying top-level windows is
// slow without a window manager).
#include <windows.h>

#include <cstdint>
#include <span>

#include "platform/resource_ids.h"

namespace vantorel::testing {

inline std::span<const std::uint8_t> ComponentBytes() {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(IDR_EDITOR_IMAGE), RT_RCDATA);
  if (!found) return {};
  const void* data = LockResource(LoadResource(self, found));
  return {static_cast<const std::uint8_t*>(data), SizeofResource(self, found)};
}

inline HWND TestHost() {
  static HWND host = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VantorelTestHost";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"Vantorel editor test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                           800, 600, nullptr, nullptr, wc.hInstance, nullptr);
  }();
  return host;
}

inline bool ClassExists(const wchar_t* name) {
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  return GetClassInfoExW(GetModuleHandleW(nullptr), name, &info) != 0;
}

}  // namespace vantorel::testing
