#pragma once
// The process-wide state of the application, in one place.
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "analysis/version_info.h"
#include "platform/handles_win32.h"
#include "codegen/function_table.h"

namespace vantorel {

inline constexpr int kCommandCount = 6;

struct AppState {
  // Full path of the open library; empty means no library is open.
  std::wstring CurrentPath;
  // The open library as the system loader returned it, and its image base.
  HMODULE LibraryHandle = nullptr;
  std::uintptr_t ModuleBase = 0;
  // One entry per export of the open library, as last opened or loaded.
  vantorel::FunctionList FunctionList;
  // The open library's version strings (and its path, handle and base).
  vantorel::LibraryInfo LibraryInfo;
  // The resource tree of the main window, once it exists; every open empties it.
  HWND ResourceTree = nullptr;
  // Artwork of the six commands, indexed by command id.
  std::array<UniqueIcon, kCommandCount> CommandIcons;
  // Icons 0 and 4 of the system's shell32.dll, for the resource tree.
  std::array<UniqueIcon, 2> ShellIcons;
};

AppState& App();

}  // namespace vantorel
