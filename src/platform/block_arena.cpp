#include "platform/block_arena.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>

namespace vantorel::block_arena {

namespace {

constexpr std::size_t kAlignment = 16;

struct Region {
  std::atomic<bool> claimed{false};
  // Where the region's blocks lie; zero when it has none. The end is
  // cleared first and set last, so a reader never sees a range wider than
  // the region.
  std::atomic<std::uintptr_t> begin{0};
  std::atomic<std::uintptr_t> end{0};
  std::atomic<std::size_t> holds{0};  // blocks out, and one while open
  void* memory = nullptr;
  std::uintptr_t next = 0;  // the opener's alone
};

Region regions[4];
// Checked before every give-back: most of the time no region is held.
std::atomic<int> held{0};

void Retire(Region& r) {
  r.end.store(0, std::memory_order_release);
  r.begin.store(0, std::memory_order_release);
  std::free(r.memory);
  r.memory = nullptr;
  held.fetch_sub(1, std::memory_order_acq_rel);
  r.claimed.store(false, std::memory_order_release);
}

void Drop(Region& r) {
  if (r.holds.fetch_sub(1, std::memory_order_acq_rel) == 1) Retire(r);
}

bool Valid(int region) { return region >= 0 && region < static_cast<int>(std::size(regions)); }

}  // namespace

int Open(std::size_t capacity) {
  if (capacity == 0 || capacity > SIZE_MAX - kAlignment) return -1;
  for (int i = 0; i < static_cast<int>(std::size(regions)); ++i) {
    Region& r = regions[i];
    bool expected = false;
    if (!r.claimed.compare_exchange_strong(expected, true, std::memory_order_acq_rel)) continue;
    r.memory = std::malloc(capacity + kAlignment);
    if (!r.memory) {
      r.claimed.store(false, std::memory_order_release);
      return -1;
    }
    const auto start = (reinterpret_cast<std::uintptr_t>(r.memory) + kAlignment - 1) & ~(kAlignment - 1);
    r.next = start;
    r.holds.store(1, std::memory_order_relaxed);
    held.fetch_add(1, std::memory_order_acq_rel);
    r.begin.store(start, std::memory_order_release);
    r.end.store(start + capacity, std::memory_order_release);
    return i;
  }
  return -1;
}

void* Take(int region, std::size_t size) {
  if (!Valid(region) || size > kLargestBlock) return nullptr;
  Region& r = regions[region];
  const std::size_t rounded = ((size == 0 ? 1 : size) + kAlignment - 1) & ~(kAlignment - 1);
  const std::uintptr_t end = r.end.load(std::memory_order_relaxed);
  if (end - r.next < rounded) return nullptr;
  void* block = reinterpret_cast<void*>(r.next);
  r.next += rounded;
  r.holds.fetch_add(1, std::memory_order_relaxed);
  return block;
}

bool Give(const void* block) {
  if (held.load(std::memory_order_acquire) == 0) return false;
  const auto at = reinterpret_cast<std::uintptr_t>(block);
  for (Region& r : regions) {
    const std::uintptr_t begin = r.begin.load(std::memory_order_acquire);
    if (begin == 0 || at < begin || at >= r.end.load(std::memory_order_acquire)) continue;
    Drop(r);
    return true;
  }
  return false;
}

void Close(int region) {
  if (Valid(region)) Drop(regions[region]);
}

int HeldRegions() { return held.load(std::memory_order_acquire); }

}  // namespace vantorel::block_arena
