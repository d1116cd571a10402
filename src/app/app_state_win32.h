#pragma once
// The process-wide state of the application, in one place.
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "app/handles_win32.h"

namespace vantorel {

inline constexpr int kCommandCount = 6;

struct AppState {
  // Full path of the open library; empty means no library is open.
  std::wstring CurrentPath;
  // The open library as the system loader returned it, and its image base.
  HMODULE LibraryHandle = nullptr;
  std::uintptr_t ModuleBase = 0;
  // Artwork of the six commands, indexed by command id.
  std::array<UniqueIcon, kCommandCount> CommandIcons;
  // Icons 0 and 4 of the system's shell32.dll, for the resource tree.
  std::array<UniqueIcon, 2> ShellIcons;
};

AppState& App();

}  // namespace vantorel
