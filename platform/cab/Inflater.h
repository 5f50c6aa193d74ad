#pragma once
// Decodes finished raw deflate streams of at most 32 KB each, one after
// another, whose matches may reach back into the 32 KB of output before the
// stream. Each stream is decoded behind the window it may refer to, in one
// buffer, so that a match is a plain copy within it.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

class Inflater {
 public:
  static constexpr std::size_t kWindow = 32768, kMaxOutput = 32768;

  Inflater();
  // Forgets the window: the next stream refers to nothing before it.
  void Clear() { history_ = 0; }
  // Adds bytes to the window that came other than through a stream.
  void Remember(const std::uint8_t* data, std::size_t size);
  // Decodes one whole stream (up to its final block) into exactly outSize
  // bytes; false when it is corrupt, would give more or less, or reads past
  // its end.
  bool Inflate(const std::uint8_t* data, std::size_t size, std::uint8_t* out, std::size_t outSize);

  // A canonical Huffman code read low bit first: a table indexed by the next
  // kTableBits bits of the stream, entries symbol << 4 | length (0: a
  // longer code, or none), and the counts per length for longer codes.
  struct Code {
    static constexpr int kTableBits = 10, kMaxLength = 15;
    std::uint16_t table[1 << kTableBits];
    std::uint16_t count[kMaxLength + 1];
    std::uint16_t symbols[288];
    // Refuses a set of lengths that claims more codes than there are, and
    // an incomplete one unless allowed and a single code of one bit.
    bool Build(const std::uint8_t* lengths, int n, bool incompleteAllowed);
  };

 private:
  bool Blocks(const std::uint8_t* data, std::size_t size, std::uint8_t* out, std::uint8_t* outEnd);

  // The window, then room for one stream's output and the few bytes a match
  // copied in steps of eight or sixteen may write past its end.
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t history_ = 0;  // bytes of window before buffer_ + kWindow
  Code lengths_, distances_, codeLengths_;
};

}  // namespace platform
