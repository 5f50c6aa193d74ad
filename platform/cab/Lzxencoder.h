#pragma once
// Codes the frames of one folder as LZX (see Lzxformat.h). Matches are found
// through rows of the newest positions of each hash over the whole window,
// the three repeated offsets are tried at every position, and matches are
// chosen by what their symbols cost in the block before. Frames share a
// block while their symbols fit one set of trees; a block is aligned-offset
// when that codes its offsets in fewer bits, and a frame is stored when
// coding would not make it smaller. Call instructions (E8) get absolute
// targets before coding, which the reader undoes.

#include "platform/cab/Lzxformat.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

class LzxEncoder {
 public:
  // A coded frame: the data of one data block, and how many bytes it unpacks to.
  struct Frame {
    std::vector<std::uint8_t> bytes;
    std::size_t size = 0;
  };

  bool Reset(int windowBits);
  // Takes one frame of at most 32768 bytes. A few frames are held back so
  // that they share one block and its trees; the frames coded so far are
  // appended to ready, in their order.
  bool Encode(const std::uint8_t* data, std::size_t size, std::vector<Frame>& ready);
  // Codes the frames still held, at the end of the folder.
  void Finish(std::vector<Frame>& ready);

  // A literal (length 0) or a match; a match's offset is 0 to 2 for a
  // repeated offset, else the distance plus 2.
  struct Token {
    std::uint32_t length;
    std::uint32_t value;
  };

  // How often each symbol of the main and length trees is used, and the
  // extra bits of the offsets.
  struct Symbols {
    std::uint32_t main[lzx::kMainSizeMax];
    std::uint32_t length[lzx::kLengthSize];
    std::uint64_t extraBits;
  };

 private:
  struct Match {
    std::uint32_t length = 0;
    std::uint32_t offset = 0;  // as in Token
    int gain = 0;              // bits saved against literals, roughly
  };
  void Take(const std::uint8_t* data, std::size_t size);
  Match Find(std::size_t at, std::size_t limit);
  void Insert(std::size_t at);
  void LearnCosts(const std::uint8_t* mainLengths, const std::uint8_t* lengthLengths);
  int Gain(std::size_t at, std::uint32_t length, std::uint32_t offset) const;
  void Parse(std::size_t start, std::size_t size);
  void Emit(const Match& m);
  void Count(std::size_t first, Symbols& out) const;
  bool Pays(const Symbols& symbols, std::size_t size) const;
  bool StartsBlock(const Symbols& frame) const;
  bool WriteBlock(std::size_t first, std::size_t last, std::vector<Frame>& ready);
  void WriteHeld(std::vector<Frame>& ready);
  void WriteStored(const std::uint8_t* data, std::size_t size, std::vector<Frame>& ready);

  int windowBits_ = 0;
  int slots_ = 0;
  bool first_ = true;
  std::uint32_t frames_ = 0;
  std::size_t window_ = 0;
  // The bytes of the window and the frame being coded: buffer index i holds
  // folder position base_ + i; the older half is dropped when it fills.
  std::unique_ptr<std::uint8_t[]> bytes_;
  std::size_t capacity_ = 0, end_ = 0;
  std::int64_t base_ = 0;
  // Positions by the hash of their first four bytes: a row of the newest
  // ones for each hash, with eight more bits of the hash as tags.
  std::vector<std::int32_t> rowPositions_;
  std::vector<std::uint8_t> rowTags_;
  std::vector<std::uint8_t> rowNewest_;
  std::vector<std::int32_t> recent3_;  // the newest position of each hash of three bytes
  std::uint32_t r_[lzx::kRepeatedOffsets] = {1, 1, 1};
  std::vector<Token> tokens_;             // of the frames held
  std::vector<std::size_t> heldEnds_;     // where each held frame's tokens end
  std::vector<std::size_t> heldSizes_;    // and its bytes
  Symbols held_{}, frame_{};              // of the frames held, and of the frame just parsed
  std::uint8_t mainLengths_[lzx::kMainSizeMax] = {};
  std::uint8_t lengthLengths_[lzx::kLengthSize] = {};
  // Bits of each symbol as the parse reckons them, and the literals' bits
  // summed from the start of the frame being parsed.
  std::uint8_t literalBits_[256] = {};
  std::uint8_t matchBits_[lzx::kMainSizeMax - 256] = {};
  std::uint8_t lengthBits_[lzx::kLengthSize] = {};
  std::size_t frameStart_ = 0;
  std::vector<std::uint32_t> literalSums_;
};

}  // namespace platform
