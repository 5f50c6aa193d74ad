#pragma once
// Decodes the LZX frames of one folder after another (see Lzxformat.h).
// Codes are looked up through tables, a few bits at a time; only the rare
// codes longer than a table's index fall back to a walk by code length.

#include "platform/cab/Lzxformat.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

class LzxDecoder {
 public:
  // Starts a new folder with a window of 2^windowBits bytes.
  bool Reset(int windowBits);
  // Decodes one frame into exactly outSize bytes; false when the data is bad.
  bool Decode(const std::uint8_t* data, std::size_t size, std::uint8_t* out, std::size_t outSize);

 private:
  class BitReader;
  // A canonical Huffman code: a table indexed by the next TableBits bits of
  // the stream, and the counts per length for longer codes.
  template <int TableBits>
  class Tree {
   public:
    bool Build(const std::uint8_t* lengths, int n, bool mayBeEmpty);
    int Decode(BitReader& in) const;
    bool Empty() const { return empty_; }

   private:
    std::uint16_t LongEntry(std::uint32_t bits) const;

    bool empty_ = true;
    std::uint16_t table_[std::size_t(1) << TableBits] = {};  // symbol << 5 | length; 0: a longer code
    std::uint16_t count_[lzx::kMaxCodeLength + 1] = {};
    std::uint32_t first_[lzx::kMaxCodeLength + 1] = {};  // the first code of each length
    std::uint16_t index_[lzx::kMaxCodeLength + 1] = {};  // its place in symbols_
    std::uint16_t symbols_[lzx::kMainSizeMax] = {};      // by code length, then by value
  };

  bool ReadLengths(BitReader& in, std::uint8_t* lengths, int first, int last);
  bool ReadBlockHeader(BitReader& in);
  bool DecodeRun(BitReader& in, std::size_t& run);
  void Translate(std::uint8_t* out, std::size_t size);

  // The window lies in large pages where it is that large: filled from end to end, it
  // would otherwise cost a page fault every 4 KB, and its far matches a look-up each.
  struct FreeWindow {
    void operator()(std::uint8_t* window) const;
  };
  int windowBits_ = 0;
  std::unique_ptr<std::uint8_t, FreeWindow> window_;  // written before it is read: never cleared
  std::size_t ringSize_ = 0;
  std::size_t windowPos_ = 0;
  std::uint64_t total_ = 0;  // bytes decoded in this folder
  std::size_t ahead_ = 0;    // bytes decoded past the end of the last frame
  std::uint32_t r_[lzx::kRepeatedOffsets] = {1, 1, 1};
  int slots_ = 0;
  bool headerRead_ = false;
  bool intelStarted_ = false;
  bool padPending_ = false;  // an uncompressed block of odd length ends in a pad byte
  std::int32_t intelFileSize_ = 0;
  std::uint32_t frames_ = 0;
  int blockType_ = 0;
  std::uint32_t blockLength_ = 0;
  std::uint32_t blockRemaining_ = 0;
  std::vector<std::uint8_t> words_;  // the frame's stream, laid out for BitReader
  std::uint8_t mainLengths_[lzx::kMainSizeMax] = {};
  std::uint8_t lengthLengths_[lzx::kLengthSize] = {};
  std::uint8_t alignedLengths_[lzx::kAlignedSize] = {};
  Tree<11> main_;
  Tree<9> length_;
  Tree<7> aligned_;
  Tree<8> pretree_;
};

}  // namespace platform
