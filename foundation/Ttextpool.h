#pragma once
// Texts read in bulk (the blocks of a discussion, tens of thousands at a time) taken from
// a few large chunks instead of one heap block each. A pooled text is an ordinary TStr:
// it may be copied, moved and freed one by one; each chunk counts its living texts and
// goes with the last of them, so no text depends on the pool's life; the memory manager
// keeps the last large chunks freed for the next ones. Pools may be used on several threads
// at once, each pool by one thread, and a text freed on any.

#include <atomic>
#include <cstddef>
#include <cstdint>

class TTextPool {
 public:
  // `expectedBytes`: about how many bytes of texts will be taken (the size of the file
  // they are read from), so that one chunk usually holds them all.
  explicit TTextPool(size_t expectedBytes);
  ~TTextPool();
  TTextPool(const TTextPool&) = delete;
  TTextPool& operator=(const TTextPool&) = delete;

 private:
  friend class TStr;
  struct TChunk {
    // The texts in it that live, less what the pool owes: while the pool fills the chunk
    // it holds a bias that no number of texts reaches, and gives back the bias less the
    // texts it handed out when it is done with the chunk. So handing a text out costs no
    // atomic step, and the chunk goes with whichever of the pool and the texts is last.
    std::atomic<uint32_t> Living;
    uint32_t Size;  // bytes, this header included
  };
  static constexpr uint32_t Bias = 0x80000000u;
  // A text of n characters (0 < n < 2^31) with its length, pooled mark and terminator
  // set; null when memory is short.
  char* NewText(size_t n);
  // Frees a text that NewText gave.
  static void FreeText(char* text);
  static void Release(TChunk* chunk, uint32_t count);
  static TChunk* Take(size_t size);
  // Frees a chunk that no text uses any more.
  static void Free(TChunk* chunk);
  void DropChunk();

  size_t Expected;
  size_t Taken = 0;
  TChunk* Chunk = nullptr;
  size_t Used = 0, Size = 0;  // bytes of the current chunk
  uint32_t HandedOut = 0;     // texts of the current chunk
};
