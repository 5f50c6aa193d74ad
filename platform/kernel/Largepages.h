#pragma once
// Blocks of memory large enough to be mapped in large pages: one page fault maps 2 MB
// instead of 4 KB, which matters when a block of megabytes is filled right after it is
// taken (a discussion read from its files, a long list built anew).

#include <cstddef>

namespace platform {

// The size of a large page.
inline constexpr size_t LargePageSize = size_t(2) << 20;

// A block of at least `size` bytes made of whole large pages, asked to be mapped in large
// pages where the system has them; released with std::free. Null when memory is short.
void* AllocLargePageBlock(size_t size);

}  // namespace platform
