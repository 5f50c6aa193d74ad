#include "foundation/Tarray.h"

#include "foundation/Terror.h"
#include "foundation/Tmemmanager.h"

#include <string>

namespace {
size_t gAllocationLimit = 0;
}  // namespace

void TArrayBase::ReportError(std::string_view text) { TError::Report(text); }

void TArrayBase::SetAllocationLimit(size_t bytes) { gAllocationLimit = bytes; }

void* TArrayBase::AllocBlock(size_t bytes) {
  if (gAllocationLimit && bytes > gAllocationLimit) return nullptr;
  return TMemManager::Alloc(bytes);
}

void TArrayBase::FreeBlock(void* block) {
  if (block) TMemManager::Free(block);
}

uint32_t TArrayBase::GrownCapacity(uint32_t capacity, uint16_t step, uint32_t extra) {
  // Grow by the step, but at least by half the capacity: a step of 1 must not make
  // every add move every item.
  uint64_t grow = std::max<uint64_t>({step, capacity / 2, extra});
  uint64_t next = static_cast<uint64_t>(capacity) + grow;
  constexpr uint64_t kMaxCount = 0x7FFFFFFF;  // indices are answered as 32-bit signed values
  if (static_cast<uint64_t>(capacity) + extra > kMaxCount) return 0;
  return static_cast<uint32_t>(std::min(next, kMaxCount));
}
