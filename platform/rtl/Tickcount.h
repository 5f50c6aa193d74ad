#pragma once
// The tick count: milliseconds since an arbitrary start, from a steady clock
// that does not jump with the wall clock. The 32-bit count wraps after about
// 49.7 days, so intervals are measured as an unsigned difference.
// Tests replace the source with a clock of their own.

#include <cstdint>

uint32_t GetTickCount();
uint64_t GetTickCount64();

namespace platform {

using TTickSource = uint64_t (*)();
void SetTickCountSource(TTickSource Source);  // nullptr restores the steady clock

}  // namespace platform
