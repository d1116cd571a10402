#pragma once
// Making a library the current subject: choosing, checking, loading it and
// reading its exports and version strings into the application state.
#include <windows.h>

#include <string>

#include "codegen/function_table.h"

namespace vantorel {

inline constexpr wchar_t kLibraryFilter[] =
    L"DLLs (*.dll, *.ocx, *.sys, *.exe)|*.dll;*.ocx;*.sys;*.exe|All Files (*.*)|*.*";

// Releases the previous library, asks for a file when path is empty (and
// checks the chosen one), loads it with the system loader and fills
// FunctionList and LibraryInfo. Always 1: what happened shows in
// CurrentPath and LibraryHandle.
int LoadLibraryFile(const std::wstring& path);

// One row per export-table slot of a library the system has loaded, names
// converted from the ANSI code page. Empty for anything that is not a
// readable PE image.
FunctionList ListLoadedExports(HMODULE library);

// Releases the open library, if any, and forgets its handle and base.
void ReleaseLibrary();

}  // namespace vantorel
