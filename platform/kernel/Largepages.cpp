#include "platform/kernel/Largepages.h"

#include <malloc.h>
#include <pthread.h>
#include <sys/mman.h>

#include <cstdlib>
#include <mutex>

namespace platform {

namespace {

// Blocks kept: enough for the arrays and texts of a discussion's storages, yet not so many
// bytes that an unloaded discussion holds much memory.
constexpr int KeptCount = 8;
constexpr size_t MostKeptBytes = size_t(64) << 20;

struct TKept {
  std::mutex Lock;
  void* Blocks[KeptCount] = {};
  size_t Sizes[KeptCount] = {};
  size_t Bytes = 0;
};

TKept& Kept() {
  static TKept* kept = [] {
    TKept* made = new TKept;  // used until the very end: never destroyed
    // Held across a fork, so that a child forked while a worker of the parent held it
    // does not wait for it for ever.
    pthread_atfork([] { Kept().Lock.lock(); }, [] { Kept().Lock.unlock(); }, [] { Kept().Lock.unlock(); });
    return made;
  }();
  return *kept;
}

size_t WholePages(size_t size) { return (size + LargePageSize - 1) & ~(LargePageSize - 1); }

thread_local int SmallPagesScopes = 0;

}  // namespace

void* AllocLargePageBlock(size_t size) {
  const size_t whole = WholePages(size);
  if (whole < size) return nullptr;
  {
    // A kept block of the size or up to twice it.
    TKept& kept = Kept();
    std::lock_guard<std::mutex> hold(kept.Lock);
    for (int i = 0; i < KeptCount; ++i)
      if (kept.Blocks[i] && kept.Sizes[i] >= size && kept.Sizes[i] / 2 <= whole) {
        kept.Bytes -= kept.Sizes[i];
        kept.Sizes[i] = 0;
        void* block = kept.Blocks[i];
        kept.Blocks[i] = nullptr;
        return block;
      }
  }
  void* block = nullptr;
  if (posix_memalign(&block, LargePageSize, whole) != 0) return nullptr;
    // Only a wish, asked before the first touch.
#ifdef MADV_HUGEPAGE
  if (SmallPagesScopes == 0) (void)::madvise(block, whole, MADV_HUGEPAGE);
#endif
  return block;
}

void FreeBlock(void* block) {
  if (!block) return;
  // Only a block of large pages is this large (what it holds beyond the pages asked for
  // is usable too).
  const size_t size = malloc_usable_size(block);
  if (size >= LargePageSize) {
    TKept& kept = Kept();
    std::lock_guard<std::mutex> hold(kept.Lock);
    for (int i = 0; i < KeptCount; ++i)
      if (!kept.Blocks[i] && kept.Bytes + size <= MostKeptBytes) {
        kept.Blocks[i] = block;
        kept.Sizes[i] = size;
        kept.Bytes += size;
        return;
      }
  }
  std::free(block);
}

TSmallPagesScope::TSmallPagesScope() { ++SmallPagesScopes; }

TSmallPagesScope::~TSmallPagesScope() { --SmallPagesScopes; }

void ReleaseKeptBlocks() {
  TKept& kept = Kept();
  std::lock_guard<std::mutex> hold(kept.Lock);
  for (int i = 0; i < KeptCount; ++i) {
    std::free(kept.Blocks[i]);
    kept.Blocks[i] = nullptr;
    kept.Sizes[i] = 0;
  }
  kept.Bytes = 0;
}

}  // namespace platform
