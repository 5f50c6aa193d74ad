// Blocks of large pages as a discussion's load and unload take them: a freed block is kept
// for the next of about its size, only so many bytes are kept, the kept ones go back to the
// system when asked, and a block taken in a small-pages scope is not asked in large pages.

#include "platform/kernel/Largepages.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using platform::AllocLargePageBlock;
using platform::FreeBlock;
using platform::ReleaseKeptBlocks;

constexpr size_t MB = size_t(1) << 20;
constexpr size_t MarkAt = MB;  // past what an allocator writes into a block it frees
constexpr char Mark[] = "kept block";

char* Marked(size_t size) {
  char* block = static_cast<char*>(AllocLargePageBlock(size));
  if (block) std::memcpy(block + MarkAt, Mark, sizeof Mark);
  return block;
}

// A block of the system is cleared: only a kept block comes back with its mark.
bool CameBack(const char* block, const char* was) {
  return block == was && std::memcmp(block + MarkAt, Mark, sizeof Mark) == 0;
}

class LargePages : public testing::Test {
 protected:
  void SetUp() override {
    // Every freed block of a megabyte or more goes back to the system at once (the C
    // library would otherwise keep some itself, as the sanitizers' allocators do not).
    mallopt(M_MMAP_THRESHOLD, int(MB));
    ReleaseKeptBlocks();
  }
  void TearDown() override { ReleaseKeptBlocks(); }
};

TEST_F(LargePages, AFreedBlockIsTakenAgainByTheNextOfAboutItsSizeUntilReleased) {
  char* const block = Marked(3 * MB);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % platform::LargePageSize, 0u);
  FreeBlock(block);

  // Too large for it, then of its size.
  char* large = Marked(9 * MB);
  EXPECT_FALSE(CameBack(large, block));
  char* again = static_cast<char*>(AllocLargePageBlock(2 * MB + MB / 2));
  EXPECT_TRUE(CameBack(again, block));
  FreeBlock(again);

  // A block more than twice the size asked is left for a larger one.
  FreeBlock(large);
  char* small = static_cast<char*>(AllocLargePageBlock(3 * MB));
  EXPECT_TRUE(CameBack(small, block));
  char* larger = static_cast<char*>(AllocLargePageBlock(3 * MB));
  EXPECT_FALSE(CameBack(larger, large));
  FreeBlock(larger);
  FreeBlock(small);

  // Released, they are the system's again.
  ReleaseKeptBlocks();
  char* fresh = static_cast<char*>(AllocLargePageBlock(3 * MB));
  ASSERT_NE(fresh, nullptr);
  EXPECT_FALSE(CameBack(fresh, block));
  FreeBlock(fresh);

  // Null and a small block of the heap are freed as well.
  FreeBlock(nullptr);
  FreeBlock(std::malloc(100));
}

TEST_F(LargePages, AnUnloadedDiscussionKeepsAtMostSixtyFourMegabytes) {
  constexpr int Count = 5;
  std::vector<char*> blocks;
  for (int i = 0; i < Count; ++i) blocks.push_back(Marked(24 * MB));
  for (char* block : blocks) ASSERT_NE(block, nullptr);
  for (char* block : blocks) FreeBlock(block);
  int kept = 0;
  std::vector<char*> taken;
  for (int i = 0; i < Count; ++i) {
    taken.push_back(static_cast<char*>(AllocLargePageBlock(24 * MB)));
    for (char* block : blocks) kept += CameBack(taken.back(), block);
  }
  EXPECT_EQ(kept, 2);
  for (char* block : taken) FreeBlock(block);
}

// Whether the mapping that holds `at` is asked to be in large pages.
bool AskedInLargePages(const void* at) {
  std::ifstream smaps("/proc/self/smaps");
  const auto address = reinterpret_cast<uintptr_t>(at);
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    uintptr_t start = 0, end = 0;
    char dash = 0;
    std::istringstream range(line);
    if (range >> std::hex >> start >> dash >> end && dash == '-' && line.find(':') > line.find(' ')) {
      inside = start <= address && address < end;
      continue;
    }
    if (inside && line.rfind("VmFlags:", 0) == 0) return (line + " ").find(" hg ") != std::string::npos;
  }
  ADD_FAILURE() << "no mapping holds " << at;
  return false;
}

TEST_F(LargePages, ABlockTakenInASmallPagesScopeIsLeftInSmallPages) {
  void* small = nullptr;
  {
    platform::TSmallPagesScope scope;
    small = AllocLargePageBlock(4 * MB);
  }
  void* large = AllocLargePageBlock(4 * MB);
  ASSERT_TRUE(small && large);
  EXPECT_FALSE(AskedInLargePages(small));
  EXPECT_TRUE(AskedInLargePages(large));
  FreeBlock(small);
  FreeBlock(large);
}

}  // namespace
