#pragma once
// The process-wide state of the application, in one place, and the opening
// operations bound to it.
#include <windows.h>

#include <array>
#include <string>

#include "analysis/library_win32.h"
#include "app/project_win32.h"
#include "codegen/session.h"
#include "platform/handles_win32.h"

namespace vantorel {

inline constexpr int kCommandCount = 8;

// The mapping of the open library (LibraryHandle, ModuleBase) is the part
// the resource page receives; the rest belongs to the application.
struct AppState : LibraryState {
  // The open library: its path (CurrentPath), size and version strings
  // (LibraryInfo), its export table, and the function table's rows, which
  // the function grid shows and writes every edit into.
  vantorel::Session Session;
  // The source last generated from the rows: what the preview shows and
  // Save Source writes.
  std::u16string GeneratedSource;
  // The resource tree of the main window, once it exists; every open empties it.
  HWND ResourceTree = nullptr;
  // Artwork of the commands, indexed by command id.
  std::array<UniqueIcon, kCommandCount> CommandIcons;
  // Icons 0 and 4 of the system's shell32.dll, for the resource tree.
  std::array<UniqueIcon, 2> ShellIcons;
  // The rich-edit control's library, for the Resources page's text view:
  // loaded once with the other control facilities, not once per window.
  UniqueLibrary RichEdit;
};

AppState& App();

// The open library's full path; empty when none is open.
std::wstring CurrentPath();

// Empties the resource tree, if there is one.
void ClearResourceTree();

// Opens a library as the current subject: the session becomes the file's,
// with one fresh row per export. Always 1: what happened shows in
// CurrentPath and LibraryHandle.
int LoadLibraryFile(const std::wstring& path);

// Loads a project into the application state (see the workflow's operation).
LoadProjectResult LoadProject(const std::wstring& file);

// Releases the open library, if any, and forgets its handle and base.
void ReleaseLibrary();

// The open library's export table, walked now if it has not been (a
// project's library, whose rows come from the file).
const ExportTable& OpenLibraryExports();

// The tip of a function-grid row, from the open library's export table.
std::wstring FunctionRowTip(std::int64_t row, const std::wstring& function);

}  // namespace vantorel
