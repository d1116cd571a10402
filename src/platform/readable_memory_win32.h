#pragma once
// Whether memory of this process can be read without faulting. A hostile
// library can map parts of its image without read access, so whoever reads
// a loaded image checks first.
#include <cstddef>
#include <vector>

namespace vantorel {

// True when every byte of [start, start + size) lies in committed pages
// that may be read and are not guard pages; false when the range wraps.
bool IsReadableMemory(const void* start, std::size_t size);

struct MemoryRange {
  std::size_t offset;  // from the start of the range asked about
  std::size_t length;
};

// The parts of [start, start + size) that may not be read (not committed,
// no read access, or guard pages), in address order.
std::vector<MemoryRange> UnreadableRanges(const void* start, std::size_t size);

// How many bytes from `base` on belong to the allocation that starts there
// (a mapped view, say), whatever their access; 0 when base starts none.
std::size_t AllocationSize(const void* base);

}  // namespace vantorel
