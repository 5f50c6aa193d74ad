#pragma once
// LZX folders: each data block holds one frame of at most 32768 bytes, coded
// with a sliding window of 2^15 to 2^21 bytes that spans the whole folder.
// Blocks of the coded stream are verbatim (Huffman-coded literals and matches),
// aligned (verbatim with the low three offset bits coded by a tree of their own)
// or uncompressed; code lengths of each block are sent as changes against the
// block before. The stream is read in 16-bit little-endian words, high bit
// first, and realigned to a word at the end of each frame.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

inline constexpr int kLzxMinWindowBits = 15;
inline constexpr int kLzxMaxWindowBits = 21;
inline constexpr std::size_t kLzxFrameSize = 32768;

class LzxDecoder {
 public:
  // Starts a new folder with a window of 2^windowBits bytes.
  bool Reset(int windowBits);
  // Decodes one frame into exactly outSize bytes; false when the data is bad.
  bool Decode(const std::uint8_t* data, std::size_t size, std::uint8_t* out, std::size_t outSize);

 private:
  class BitReader;
  bool ReadLengths(BitReader& in, std::uint8_t* lengths, int first, int last);
  bool ReadBlockHeader(BitReader& in);
  bool DecodeRun(BitReader& in, std::size_t& run);
  void Translate(std::uint8_t* out, std::size_t size);

  int windowBits_ = 0;
  std::vector<std::uint8_t> window_;
  std::size_t windowPos_ = 0;
  std::uint64_t total_ = 0;  // bytes decoded in this folder
  std::size_t ahead_ = 0;    // bytes decoded past the end of the last frame
  std::uint32_t r_[3] = {1, 1, 1};
  int slots_ = 0;
  bool headerRead_ = false;
  bool intelStarted_ = false;
  bool padPending_ = false;  // an uncompressed block of odd length ends in a pad byte
  std::int32_t intelFileSize_ = 0;
  std::uint32_t frames_ = 0;
  int blockType_ = 0;
  std::uint32_t blockLength_ = 0;
  std::uint32_t blockRemaining_ = 0;
  std::uint8_t mainLengths_[256 + 50 * 8] = {};
  std::uint8_t lengthLengths_[249] = {};
  std::uint8_t alignedLengths_[8] = {};
  struct Tree {
    std::uint16_t count[17] = {};
    std::vector<std::uint16_t> symbols;  // by code length, then by value
    bool Build(const std::uint8_t* lengths, int n, bool mayBeEmpty);
    int Decode(BitReader& in) const;
    bool empty = true;
  };
  Tree main_, length_, aligned_;
};

class LzxEncoder {
 public:
  bool Reset(int windowBits);
  // Compresses one frame of at most 32768 bytes into out (a whole data block).
  bool Encode(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out);

 private:
  int windowBits_ = 0;
  int slots_ = 0;
  bool first_ = true;
  std::vector<std::uint8_t> ring_;   // the window's bytes, by position modulo its size
  std::vector<std::int64_t> head_;   // last position of each 3-byte hash
  std::vector<std::int64_t> prev_;   // the position before, in the ring
  std::int64_t pos_ = 0;             // bytes of the folder seen
  std::uint8_t mainLengths_[256 + 50 * 8] = {};
  std::uint8_t lengthLengths_[249] = {};
};

}  // namespace platform
