#include "foundation/Ttextpool.h"

#include "foundation/Tmemmanager.h"
#include "foundation/Tstr.h"

#include <algorithm>
#include <cstring>
#include <new>

// A pooled text in its chunk: u32 offset of this entry from the chunk's start, u32 length
// with TStr::PooledMark, the characters, a zero; entries start on 4-byte bounds.
namespace {
constexpr size_t EntryHeader = 2 * sizeof(uint32_t);
constexpr size_t ChunkHeader = 8;
constexpr size_t SmallestChunk = 4096;
constexpr size_t LargestChunk = size_t(1) << 30;
}  // namespace

TTextPool::TTextPool(size_t expectedBytes) : Expected(expectedBytes) {}

TTextPool::~TTextPool() { DropChunk(); }

void TTextPool::DropChunk() {
  if (Chunk) Release(Chunk, Bias - HandedOut);
  Chunk = nullptr;
  HandedOut = 0;
}

char* TTextPool::NewText(size_t n) {
  const size_t need = (EntryHeader + n + 1 + 3) & ~size_t(3);
  if (!Chunk || Size - Used < need) {
    // The rest of what is expected, or an eighth of it when the guess fell short.
    const size_t rest = Expected > Taken ? Expected - Taken : 0;
    const size_t size = std::min(std::max({ChunkHeader + need, rest, Expected / 8, SmallestChunk}), LargestChunk);
    if (size < ChunkHeader + need) return nullptr;
    TChunk* chunk = Take(size);
    if (!chunk) return nullptr;
    DropChunk();
    Chunk = chunk;
    Chunk->Living.store(Bias, std::memory_order_relaxed);
    Used = ChunkHeader;
    Size = Chunk->Size;
  }
  char* entry = reinterpret_cast<char*>(Chunk) + Used;
  const uint32_t offset = uint32_t(Used);
  const uint32_t length = uint32_t(n) | TStr::PooledMark;
  std::memcpy(entry, &offset, sizeof offset);
  std::memcpy(entry + sizeof offset, &length, sizeof length);
  entry[EntryHeader + n] = '\0';
  Used += need;
  Taken += need;
  ++HandedOut;
  return entry + EntryHeader;
}

void TTextPool::FreeText(char* text) {
  uint32_t offset = 0;
  std::memcpy(&offset, text - EntryHeader, sizeof offset);
  Release(reinterpret_cast<TChunk*>(text - EntryHeader - offset), 1);
}

void TTextPool::Release(TChunk* chunk, uint32_t count) {
  if (chunk->Living.fetch_sub(count, std::memory_order_acq_rel) == count) Free(chunk);
}

TTextPool::TChunk* TTextPool::Take(size_t size) {
  void* block = TMemManager::Alloc(size);
  if (!block) return nullptr;
  TChunk* chunk = new (block) TChunk{};
  chunk->Size = uint32_t(size);
  return chunk;
}

void TTextPool::Free(TChunk* chunk) {
  chunk->~TChunk();
  TMemManager::Free(chunk);
}
