#include "platform/arena_new_win32.h"

#include <cstdlib>
#include <new>

#include "platform/block_arena.h"

namespace vantorel {

namespace {

// The region the thread's small blocks come from; -1 for the heap.
thread_local int threadRegion = -1;

void* TakeFromThreadRegion(std::size_t size) {
  // Most of the time no region is held, and the thread's own is not read.
  if (size > block_arena::kLargestBlock || block_arena::HeldRegions() == 0) return nullptr;
  const int region = threadRegion;
  return region < 0 ? nullptr : block_arena::Take(region, size);
}

}  // namespace

BlockArenaScope::BlockArenaScope(std::size_t capacity) : region_(block_arena::Open(capacity)), outer_(threadRegion) {
  if (region_ >= 0) threadRegion = region_;
}

BlockArenaScope::~BlockArenaScope() {
  if (region_ < 0) return;
  threadRegion = outer_;
  block_arena::Close(region_);
}

}  // namespace vantorel

// The program's operator new and delete: as the runtime's own (malloc and
// free, the new handler, bad_alloc), except for a thread inside a scope.
void* operator new(std::size_t size) {
  if (void* block = vantorel::TakeFromThreadRegion(size)) return block;
  for (;;) {
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    const std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

void* operator new[](std::size_t size) { return ::operator new(size); }

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(size);
  } catch (...) {
    return nullptr;
  }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return ::operator new(size, std::nothrow);
}

void operator delete(void* block) noexcept {
  if (block && !vantorel::block_arena::Give(block)) std::free(block);
}

void operator delete[](void* block) noexcept { ::operator delete(block); }
void operator delete(void* block, std::size_t) noexcept { ::operator delete(block); }
void operator delete[](void* block, std::size_t) noexcept { ::operator delete(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { ::operator delete(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { ::operator delete(block); }
