#pragma once
// While a BlockArenaScope lives on a thread, the small blocks that thread
// allocates with operator new come from a region of their own (see
// platform/block_arena.h); they may be freed anywhere, at any later time.
#include <cstddef>

namespace vantorel {

class BlockArenaScope {
 public:
  // A region of `capacity` bytes; when none can be had, the heap as before.
  explicit BlockArenaScope(std::size_t capacity);
  ~BlockArenaScope();
  BlockArenaScope(const BlockArenaScope&) = delete;
  BlockArenaScope& operator=(const BlockArenaScope&) = delete;

 private:
  int region_;
  int outer_;
};

}  // namespace vantorel
