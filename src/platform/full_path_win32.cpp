#include "platform/full_path_win32.h"

#include <windows.h>

namespace vantorel {

std::wstring FullPathOf(const std::wstring& path) {
  if (path.empty()) return path;
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD got = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (got == 0 || got >= needed) return path;
  full.resize(got);
  return full;
}

void EnterFolderOf(const std::wstring& path) {
  const std::size_t at = path.find_last_of(L"\\/");
  if (at == std::wstring::npos) return;
  SetCurrentDirectoryW(path.substr(0, at + 1).c_str());
}

}  // namespace vantorel
