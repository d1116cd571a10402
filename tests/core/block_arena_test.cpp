#include "platform/block_arena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

namespace vantorel::block_arena {
namespace {

TEST(BlockArena, HandsOutAlignedBlocksUntilFull) {
  const int held = HeldRegions();
  const int region = Open(96);
  ASSERT_GE(region, 0);
  EXPECT_EQ(HeldRegions(), held + 1);
  EXPECT_EQ(Take(region, kLargestBlock + 1), nullptr) << "large blocks are the heap's";
  // size asked -> room taken: 0 -> 16, 1 -> 16, 17 -> 32, 32 -> 32 (96 in all)
  std::vector<void*> blocks;
  for (std::size_t size : {0, 1, 17, 32}) {
    void* block = Take(region, size);
    ASSERT_NE(block, nullptr) << size;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 16, 0u) << size;
    if (!blocks.empty()) EXPECT_GE(static_cast<char*>(block) - static_cast<char*>(blocks.back()), 16);
    blocks.push_back(block);
  }
  EXPECT_EQ(Take(region, 1), nullptr) << "full";
  int local = 0;
  EXPECT_FALSE(Give(&local)) << "not a region's block";
  Close(region);
  // Closed, the region stays until its last block is back.
  for (void* block : blocks) {
    EXPECT_EQ(HeldRegions(), held + 1);
    EXPECT_TRUE(Give(block));
  }
  EXPECT_EQ(HeldRegions(), held);
  EXPECT_FALSE(Give(blocks.front())) << "a retired region owns nothing";
}

TEST(BlockArena, RegionsAreFewAndReusedOnceRetired) {
  std::vector<int> open;
  for (int region; (region = Open(64)) >= 0;) open.push_back(region);
  ASSERT_FALSE(open.empty());
  EXPECT_LE(open.size(), 4u);
  // Blocks given back from another thread release the region there.
  void* block = Take(open.front(), 8);
  Close(open.front());
  std::thread([block] { EXPECT_TRUE(Give(block)); }).join();
  const int again = Open(64);
  EXPECT_EQ(again, open.front());
  Close(again);
  for (std::size_t i = 1; i < open.size(); ++i) Close(open[i]);
  EXPECT_EQ(HeldRegions(), 0);
}

}  // namespace
}  // namespace vantorel::block_arena
