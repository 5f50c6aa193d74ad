#pragma once
// The process-wide allocator of raw memory blocks. Plain heap allocation does
// the pooling here; blocks of megabytes are taken in large pages, and the last few
// freed are kept for the next (platform/kernel/Largepages.h). The interface stays so
// that callers keep one way to ask.

#include <cstddef>

class TMemManager {
 public:
  // A block of `size` bytes (at least one), null on failure.
  static void* Alloc(size_t size);
  // Resizes a block keeping min(oldSize, newSize) bytes; null on failure, the old block then stays valid.
  static void* Realloc(void* block, size_t oldSize, size_t newSize);
  static void Free(void* block);
  // Gives the blocks kept for the next asks back to the system.
  static void ReleaseKept();
};
