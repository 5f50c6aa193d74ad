#include "foundation/Tmemmanager.h"

#include <cstdlib>

void* TMemManager::Alloc(size_t size) { return std::malloc(size ? size : 1); }

void* TMemManager::Realloc(void* block, size_t, size_t newSize) {
  return std::realloc(block, newSize ? newSize : 1);
}

void TMemManager::Free(void* block) { std::free(block); }
