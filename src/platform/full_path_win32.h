#pragma once
// Paths as the system resolves them against the current directory.
#include <string>

namespace vantorel {

// The full form of path ("sub\a.dll" in C:\w gives C:\w\sub\a.dll, "." and
// ".." resolved); the path unchanged when the system cannot resolve it.
std::wstring FullPathOf(const std::wstring& path);

// Makes the folder part of path (up to and including its last "\" or "/")
// the process's current directory, so the user's relative paths resolve
// beside that file; nothing for a path without a folder.
void EnterFolderOf(const std::wstring& path);

}  // namespace vantorel
