#pragma once
// Paths as the system resolves them against the current directory.
#include <string>

namespace vantorel {

// The full form of path ("sub\a.dll" in C:\w gives C:\w\sub\a.dll, "." and
// ".." resolved); the path unchanged when the system cannot resolve it.
std::wstring FullPathOf(const std::wstring& path);

}  // namespace vantorel
