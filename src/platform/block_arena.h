#pragma once
// Small blocks handed out one after another from one large region, for a
// burst of allocations that a slow heap makes costly: under Wine every heap
// block costs about 50 ns to make and 25 to free, and a library of 65,535
// exports makes three texts a row. A block is never reused; the region goes
// back to the heap once its opener has closed it and every block taken from
// it has been given back. Only the opener takes; any thread may give back.
#include <cstddef>

namespace vantorel::block_arena {

// Larger blocks (the tables themselves) are the heap's.
inline constexpr std::size_t kLargestBlock = 1024;

// A region of `capacity` bytes: its number, or -1 when none can be had
// (every region in use, or no memory).
int Open(std::size_t capacity);

// A block of at least `size` bytes, aligned for any object; null when the
// region is full or the block too large.
void* Take(int region, std::size_t size);

// Gives back a block of any open region: false when `block` is not one.
bool Give(const void* block);

// The opener is done taking; the region stays until its blocks are back.
void Close(int region);

// Regions whose memory is still held.
int HeldRegions();

}  // namespace vantorel::block_arena
