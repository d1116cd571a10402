#include "platform/readable_memory_win32.h"

#include <windows.h>

#include <cstdint>

namespace vantorel {

bool IsReadableMemory(const void* start, std::size_t size) {
  auto at = reinterpret_cast<std::uintptr_t>(start);
  const std::uintptr_t end = at + size;
  if (end < at) return false;
  while (at < end) {
    MEMORY_BASIC_INFORMATION info{};
    if (!VirtualQuery(reinterpret_cast<const void*>(at), &info, sizeof info) || info.State != MEM_COMMIT) return false;
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if (!(info.Protect & kReadable) || (info.Protect & PAGE_GUARD)) return false;
    at = reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize;
  }
  return true;
}

}  // namespace vantorel
