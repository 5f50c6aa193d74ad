#include "foundation/Tmemmanager.h"

#include "platform/kernel/Largepages.h"

#include <cstdlib>
#include <cstring>

namespace {
// A block of a megabyte or more is mostly filled right after it is taken; in large pages
// that costs one page fault for 2 MB instead of 512, for at most twice the memory.
constexpr size_t LargeBlock = platform::LargePageSize / 2;
}  // namespace

void* TMemManager::Alloc(size_t size) {
  if (size >= LargeBlock) return platform::AllocLargePageBlock(size);
  return std::malloc(size ? size : 1);
}

void* TMemManager::Realloc(void* block, size_t oldSize, size_t newSize) {
  if (newSize < LargeBlock && oldSize < LargeBlock) return std::realloc(block, newSize ? newSize : 1);
  void* fresh = Alloc(newSize);
  if (!fresh) return nullptr;
  if (block) {
    std::memcpy(fresh, block, oldSize < newSize ? oldSize : newSize);
    Free(block);
  }
  return fresh;
}

void TMemManager::Free(void* block) { platform::FreeBlock(block); }

void TMemManager::ReleaseKept() { platform::ReleaseKeptBlocks(); }
