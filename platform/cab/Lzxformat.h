#pragma once
// What the LZX coder and decoder share: the kinds of blocks, the sizes of
// their trees, and the position slots that code match offsets. Each data
// block of a folder holds one frame of at most 32768 bytes, coded with a
// sliding window of 2^15 to 2^21 bytes that spans the whole folder. Blocks
// of the coded stream are verbatim (Huffman-coded literals and matches),
// aligned (verbatim with the low three offset bits coded by a tree of their
// own) or uncompressed; code lengths of each block are sent as changes
// against the block before. The stream is read in 16-bit little-endian
// words, high bit first, and realigned to a word at the end of each frame.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace platform {

inline constexpr int kLzxMinWindowBits = 15;
inline constexpr int kLzxMaxWindowBits = 21;
inline constexpr std::size_t kLzxFrameSize = 32768;

namespace lzx {

inline constexpr int kBlockVerbatim = 1, kBlockAligned = 2, kBlockUncompressed = 3;
inline constexpr int kPretreeSize = 20, kAlignedSize = 8, kLengthSize = 249;
inline constexpr int kMaxSlots = 50;
inline constexpr int kMainSizeMax = 256 + kMaxSlots * 8;
inline constexpr int kMinMatch = 2, kMaxMatch = 257, kPrimaryLengths = 7;
inline constexpr int kMaxCodeLength = 16;
inline constexpr int kRepeatedOffsets = 3;
// Frames up to this many have their call instructions translated.
inline constexpr std::uint32_t kTranslatedFrames = 32768;
// The compressed part of one data block may pass its uncompressed size by this much.
inline constexpr std::size_t kMaxGrowth = 6144;

// Position slots: an offset (plus 2) is a slot's base and that slot's extra bits.
struct SlotTables {
  std::uint32_t base[kMaxSlots + 1];
  std::uint8_t extra[kMaxSlots + 1];
  constexpr SlotTables() : base(), extra() {
    for (int i = 0; i <= kMaxSlots; ++i) extra[i] = static_cast<std::uint8_t>(i < 4 ? 0 : i / 2 - 1 > 17 ? 17 : i / 2 - 1);
    for (std::uint32_t i = 0, j = 0; i <= kMaxSlots; ++i) {
      base[i] = j;
      j += 1u << extra[i];
    }
  }
};
inline constexpr SlotTables kSlots;

inline int SlotsFor(int windowBits) {
  constexpr int slots[] = {30, 32, 34, 36, 38, 42, 50};
  return slots[windowBits - kLzxMinWindowBits];
}

inline std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

// Gives the 32-bit target of each call instruction (E8) of a frame, with the
// call's place in the folder, to change, which answers the target to write
// back. A call in the last ten bytes of a frame is never changed; position is
// the frame's place in the folder.
template <class Change>
void ChangeCalls(std::uint8_t* data, std::size_t size, std::int64_t position, Change change) {
  if (size <= 10) return;
  const std::uint8_t* const end = data + size - 10;
  for (std::uint8_t* p = data;
       (p = static_cast<std::uint8_t*>(std::memchr(p, 0xE8, static_cast<std::size_t>(end - p))));) {
    const auto v = static_cast<std::uint32_t>(change(static_cast<std::int32_t>(Le32(p + 1)), position + (p - data)));
    p[1] = static_cast<std::uint8_t>(v);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v >> 16);
    p[4] = static_cast<std::uint8_t>(v >> 24);
    p += 5;
    if (p >= end) break;
  }
}

}  // namespace lzx
}  // namespace platform
