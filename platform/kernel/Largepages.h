#pragma once
// Blocks of memory large enough to be mapped in large pages: one page fault maps 2 MB
// instead of 4 KB, which matters when a block of megabytes is filled right after it is
// taken (a discussion read from its files, a long list built anew). The last few such
// blocks freed are kept for the next ones asked of about their size: a discussion loaded
// again after another was unloaded (as applying received post does) fills memory at hand
// instead of memory the system must clear first.

#include <cstddef>

namespace platform {

// The size of a large page.
inline constexpr size_t LargePageSize = size_t(2) << 20;

// A block of at least `size` bytes made of whole large pages, asked to be mapped in large
// pages where the system has them; released with FreeBlock. Null when memory is short.
void* AllocLargePageBlock(size_t size);

// Frees a block of AllocLargePageBlock, or of std::malloc smaller than a large page (null:
// nothing).
void FreeBlock(void* block);

// Gives the kept blocks back to the system.
void ReleaseKeptBlocks();

// While one lives on a thread, the blocks that thread takes are left in small pages: blocks
// filled by several threads at once, each faulting in large pages, now and then stall for
// tens of milliseconds (a process's first load of a discussion: 24 ms at the 99th
// percentile, against 4 ms in small pages, with the same median).
class TSmallPagesScope {
 public:
  TSmallPagesScope();
  ~TSmallPagesScope();
  TSmallPagesScope(const TSmallPagesScope&) = delete;
  TSmallPagesScope& operator=(const TSmallPagesScope&) = delete;
};

}  // namespace platform
