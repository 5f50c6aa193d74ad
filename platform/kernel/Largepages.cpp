#include "platform/kernel/Largepages.h"

#include <sys/mman.h>

#include <cstdlib>

namespace platform {

void* AllocLargePageBlock(size_t size) {
  const size_t whole = (size + LargePageSize - 1) & ~(LargePageSize - 1);
  if (whole < size) return nullptr;
  void* block = nullptr;
  if (posix_memalign(&block, LargePageSize, whole) != 0) return nullptr;
    // Only a wish, asked before the first touch.
#ifdef MADV_HUGEPAGE
  (void)::madvise(block, whole, MADV_HUGEPAGE);
#endif
  return block;
}

}  // namespace platform
