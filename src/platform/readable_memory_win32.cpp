#include "platform/readable_memory_win32.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

namespace vantorel {

namespace {

bool Readable(const MEMORY_BASIC_INFORMATION& info) {
  constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  return info.State == MEM_COMMIT && (info.Protect & kReadable) && !(info.Protect & PAGE_GUARD);
}

}  // namespace

bool IsReadableMemory(const void* start, std::size_t size) {
  auto at = reinterpret_cast<std::uintptr_t>(start);
  const std::uintptr_t end = at + size;
  if (end < at) return false;
  while (at < end) {
    MEMORY_BASIC_INFORMATION info{};
    if (!VirtualQuery(reinterpret_cast<const void*>(at), &info, sizeof info) || !Readable(info)) return false;
    at = reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize;
  }
  return true;
}

std::vector<MemoryRange> UnreadableRanges(const void* start, std::size_t size) {
  std::vector<MemoryRange> ranges;
  const auto base = reinterpret_cast<std::uintptr_t>(start);
  const std::uintptr_t end = base + size < base ? UINTPTR_MAX : base + size;
  for (std::uintptr_t at = base; at < end;) {
    MEMORY_BASIC_INFORMATION info{};
    if (!VirtualQuery(reinterpret_cast<const void*>(at), &info, sizeof info) || info.RegionSize == 0) {
      ranges.push_back({at - base, end - at});
      break;
    }
    const std::uintptr_t next = std::min<std::uintptr_t>(
        reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize, end);
    if (!Readable(info)) {
      if (!ranges.empty() && ranges.back().offset + ranges.back().length == at - base) {
        ranges.back().length += next - at;
      } else {
        ranges.push_back({at - base, next - at});
      }
    }
    at = next;
  }
  return ranges;
}

std::size_t AllocationSize(const void* base) {
  const auto start = reinterpret_cast<std::uintptr_t>(base);
  std::uintptr_t at = start;
  for (;;) {
    MEMORY_BASIC_INFORMATION info{};
    if (!VirtualQuery(reinterpret_cast<const void*>(at), &info, sizeof info) || info.RegionSize == 0 ||
        reinterpret_cast<std::uintptr_t>(info.AllocationBase) != start || info.State == MEM_FREE) {
      break;
    }
    const std::uintptr_t next = reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return at - start;
}

}  // namespace vantorel
