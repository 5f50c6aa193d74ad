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

}  // namespace platform
