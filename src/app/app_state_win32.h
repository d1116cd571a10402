#pragma once
// The process-wide state of the application, in one place, and the opening
// operations bound to it.
#include <windows.h>

#include <array>
#include <string>

#include "analysis/library_win32.h"
#include "codegen/function_table.h"
#include "codegen/project_win32.h"
#include "platform/handles_win32.h"

namespace vantorel {

inline constexpr int kCommandCount = 6;

// The open library (CurrentPath, LibraryHandle, ModuleBase, LibraryInfo) is
// the part the subsystems receive; the rest belongs to the application.
struct AppState : LibraryState {
  // One entry per export of the open library, as last opened or loaded.
  vantorel::FunctionList FunctionList;
  // The resource tree of the main window, once it exists; every open empties it.
  HWND ResourceTree = nullptr;
  // Artwork of the six commands, indexed by command id.
  std::array<UniqueIcon, kCommandCount> CommandIcons;
  // Icons 0 and 4 of the system's shell32.dll, for the resource tree.
  std::array<UniqueIcon, 2> ShellIcons;
  // The rich-edit control's library, for the Resources page's text view:
  // loaded once with the other control facilities, not once per window.
  UniqueLibrary RichEdit;
};

AppState& App();

// Empties the resource tree, if there is one.
void ClearResourceTree();

// Opens a library as the current subject: FunctionList becomes one fresh
// entry per export. Always 1: what happened shows in CurrentPath and
// LibraryHandle.
int LoadLibraryFile(const std::wstring& path);

// Loads a project into the application state (see the codegen operation).
LoadProjectResult LoadProject(const std::wstring& file);

// Releases the open library, if any, and forgets its handle and base.
void ReleaseLibrary();

// The tip of a function-grid row, from the open library's export table.
std::wstring FunctionRowTip(std::int64_t row, const std::wstring& function);

}  // namespace vantorel
