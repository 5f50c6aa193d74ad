#pragma once
// Codes the frames of one folder as LZX (see Lzxformat.h). Matches are found
// through hash chains of bounded depth over the whole window, the three
// repeated offsets are tried at every position, and each frame is one block:
// aligned-offset when that codes its offsets in fewer bits, stored when
// coding would not make it smaller. Call instructions are never translated.

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

 private:
  struct Match {
    std::uint32_t length = 0;
    std::uint32_t offset = 0;  // as in Token
    int gain = 0;              // bits saved against literals, roughly
  };
  void Take(const std::uint8_t* data, std::size_t size);
  Match Find(std::size_t at, std::size_t limit);
  void Insert(std::size_t at);
  void Parse(std::size_t start, std::size_t size);
  void Emit(const Match& m);
  bool Pays(std::size_t first, std::size_t size) const;
  bool WriteBlock(std::size_t first, std::size_t last, std::vector<Frame>& ready);
  void WriteHeld(std::vector<Frame>& ready);
  void WriteStored(const std::uint8_t* data, std::size_t size, std::vector<Frame>& ready);

  int windowBits_ = 0;
  int slots_ = 0;
  bool first_ = true;
  std::size_t window_ = 0;
  // The bytes of the window and the frame being coded: buffer index i holds
  // folder position base_ + i; the older half is dropped when it fills.
  std::unique_ptr<std::uint8_t[]> bytes_;
  std::size_t capacity_ = 0, end_ = 0;
  std::int64_t base_ = 0;
  std::vector<std::int32_t> head_;          // the newest folder position of each hash
  std::unique_ptr<std::int32_t[]> chain_;  // the position before, by position modulo the window
  std::uint32_t r_[lzx::kRepeatedOffsets] = {1, 1, 1};
  std::vector<Token> tokens_;             // of the frames held
  std::vector<std::size_t> heldEnds_;     // where each held frame's tokens end
  std::vector<std::size_t> heldSizes_;    // and its bytes
  std::uint8_t mainLengths_[lzx::kMainSizeMax] = {};
  std::uint8_t lengthLengths_[lzx::kLengthSize] = {};
};

}  // namespace platform
