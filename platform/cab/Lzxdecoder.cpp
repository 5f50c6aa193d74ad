#include "platform/cab/Lzxdecoder.h"

#include "platform/cab/Matchcopy.h"
#include "platform/kernel/Largepages.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace platform {

using namespace lzx;

// The coded stream of one frame: 16-bit little-endian words, high bit first.
// Past its end it reads zeros; Overrun() tells when a frame took any of them
// (a sound frame holds every bit it needs, padded to a whole word), or the
// bits of a last lone byte, which is no whole word. Before bits are read (Prepare), the
// words are laid out high byte first (in words, the decoder's buffer), so
// that the next bits are one load from where the stream stands, shifted: no
// buffer to top up, and no branch that follows the data to tell when. A frame
// of stored bytes only is never laid out.
class LzxDecoder::BitReader {
 public:
  BitReader(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& words)
      : data_(data), size_(size), buffer_(&words) {}

  // Lays the words out from where the stream stands, unless they are: before
  // the first bits and the first after bytes.
  void Prepare() {
    if (!words_) Start(base_);
  }

  // The next n (up to 32) bits.
  [[gnu::always_inline]] std::uint32_t Peek(int n) const {
    return n ? static_cast<std::uint32_t>(Window() >> (64 - n)) : 0;
  }
  [[gnu::always_inline]] void Skip(int n) { bit_ += static_cast<std::size_t>(n); }
  [[gnu::always_inline]] std::uint32_t Read(int n) {
    const std::uint32_t v = Peek(n);
    Skip(n);
    return v;
  }
  bool Overrun() const { return Consumed() > BitEnd(); }

  // Leaves the bits for bytes: one to sixteen bits up to the next word.
  bool AlignToBytes() {
    const std::size_t bit = Consumed();
    if (bit > BitEnd()) return false;
    const std::size_t next = (bit / 16 + 1) * 2;
    if (next > size_) return false;
    MoveTo(next);
    return true;
  }
  // Bytes straight from the stream (where it stands on a byte); false past its end.
  bool ReadBytes(std::uint8_t* out, std::size_t n) {
    const std::size_t bit = Consumed();
    if (bit % 8 != 0 || bit / 8 > size_ || size_ - bit / 8 < n) return false;
    std::memcpy(out, data_ + bit / 8, n);
    MoveTo(bit / 8 + n);
    return true;
  }
  bool AtByteEnd() const { return Consumed() % 8 == 0 && Consumed() >= size_ * 8; }
  // Whether the stream stands short of Overrun(); a loop of reads asks it
  // each step (see kPadding).
  bool Within() const { return bit_ < stop_; }

 private:
  // Past the words lie this many zeros: a stream that stands where Within()
  // holds, or where Overrun() was last denied, reads on from there no more than
  // a block header's fixed fields and the pretree before it is asked again.
  static constexpr std::size_t kPadding = 64;

  // Sixty-four bits from where the stream stands; at least 57 of them its own.
  [[gnu::always_inline]] std::uint64_t Window() const {
    std::uint64_t v;
    std::memcpy(&v, words_ + (bit_ >> 3), 8);
    return __builtin_bswap64(v) << (bit_ & 7);
  }
  std::size_t Consumed() const { return base_ * 8 + bit_; }
  // The end of the whole words from base_ on, in bits from the stream's start.
  std::size_t BitEnd() const { return (base_ + ((size_ - base_) & ~std::size_t(1))) * 8; }
  // Goes on from byte at of the stream: a word starts there.
  void MoveTo(std::size_t at) {
    if (words_ && (at - base_) % 2 == 0) {
      bit_ = (at - base_) * 8;
    } else {
      base_ = at;
      bit_ = 0;
      words_ = nullptr;
    }
  }
  // Lays the words out from byte at on, each high byte first; a last lone
  // byte is a word's low byte.
  void Start(std::size_t at) {
    base_ = std::min(at, size_);
    bit_ = (at - base_) * 8;
    const std::size_t n = size_ - base_, even = n & ~std::size_t(1);
    std::vector<std::uint8_t>& w = *buffer_;
    if (w.size() < n + 1 + kPadding) w.resize(n + 1 + kPadding);
    const std::uint8_t* from = data_ + base_;
    std::size_t i = 0;
#ifdef __SSE2__
    for (; i + 16 <= even; i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(w.data() + i),
                       _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8)));
    }
#endif
    for (; i + 8 <= even; i += 8) {
      std::uint64_t v;
      std::memcpy(&v, from + i, 8);
      v = (v >> 8 & 0x00FF00FF00FF00FFull) | (v & 0x00FF00FF00FF00FFull) << 8;
      std::memcpy(w.data() + i, &v, 8);
    }
    for (; i < even; i += 2) {
      w[i] = from[i + 1];
      w[i + 1] = from[i];
    }
    if (n & 1) {
      w[even] = 0;
      w[even + 1] = from[even];
      i += 2;
    }
    std::memset(w.data() + i, 0, kPadding);
    stop_ = even * 8 + 1;
    words_ = w.data();
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::vector<std::uint8_t>* buffer_;
  const std::uint8_t* words_ = nullptr;  // buffer_'s bytes; null until laid out from base_
  std::size_t base_ = 0;                 // the byte of the stream the words start at
  std::size_t bit_ = 0;                  // bits taken, from base_
  std::size_t stop_ = 0;                 // the first bit, from base_, where the stream has overrun
};

template <int TableBits>
bool LzxDecoder::Tree<TableBits>::Build(const std::uint8_t* lengths, int n, bool mayBeEmpty) {
  std::fill_n(table_, std::size_t(1) << TableBits, 0);
  std::fill(std::begin(count_), std::end(count_), 0);
  for (int i = 0; i < n; ++i) {
    if (lengths[i] > kMaxCodeLength) return false;
    ++count_[lengths[i]];
  }
  count_[0] = 0;
  int left = 1;
  for (int len = 1; len <= kMaxCodeLength; ++len) {
    left = (left << 1) - count_[len];
    if (left < 0) return false;  // more codes than there are
  }
  empty_ = left == (1 << kMaxCodeLength);
  if (empty_) return mayBeEmpty;

  std::uint16_t next[kMaxCodeLength + 1];
  std::uint32_t code = 0;
  for (int len = 1, at = 0; len <= kMaxCodeLength; ++len) {
    first_[len] = code;
    index_[len] = next[len] = static_cast<std::uint16_t>(at);
    at += count_[len];
    code = (code + count_[len]) << 1;
  }
  for (int i = 0; i < n; ++i)
    if (lengths[i]) symbols_[next[lengths[i]]++] = static_cast<std::uint16_t>(i);
  // Each code of up to TableBits bits fills the entries that start with it.
  for (int len = 1; len <= TableBits; ++len)
    for (int k = 0; k < count_[len]; ++k) {
      const int symbol = symbols_[index_[len] + k];
      const std::size_t start = std::size_t(first_[len] + static_cast<std::uint32_t>(k)) << (TableBits - len);
      std::fill_n(table_ + start, std::size_t(1) << (TableBits - len), static_cast<std::uint16_t>(symbol << 5 | len));
    }
  return true;
}

template <int TableBits>
inline int LzxDecoder::Tree<TableBits>::Decode(BitReader& in) const {
  const std::uint32_t bits = in.Peek(kMaxCodeLength);
  std::uint16_t entry = table_[bits >> (kMaxCodeLength - TableBits)];
  if (!entry && !(entry = LongEntry(bits))) return -1;
  in.Skip(entry & 31);
  return entry >> 5;
}

// The entry (as in the table) of a code longer than the table's index; 0
// when the tree has no such code.
template <int TableBits>
std::uint16_t LzxDecoder::Tree<TableBits>::LongEntry(std::uint32_t bits) const {
  if (empty_) return 0;
  for (int len = TableBits + 1; len <= kMaxCodeLength; ++len) {
    const std::uint32_t code = bits >> (kMaxCodeLength - len);
    if (code - first_[len] < count_[len])
      return static_cast<std::uint16_t>(symbols_[index_[len] + code - first_[len]] << 5 | len);
  }
  return 0;
}

void LzxDecoder::FreeWindow::operator()(std::uint8_t* window) const { FreeBlock(window); }

bool LzxDecoder::Reset(int windowBits) {
  windowBits_ = 0;  // Decode refuses every frame until the window is there
  if (windowBits < kLzxMinWindowBits || windowBits > kLzxMaxWindowBits) return false;
  // Twice the window: a match that runs past a frame's end never overwrites
  // the frame. Nothing is read from it before it is written (a match's last
  // step may read up to fifteen bytes not yet written, and writes them past
  // the match, where the bytes decoded next overwrite them).
  const std::size_t ringSize = std::size_t(2) << windowBits;
  if (ringSize_ != ringSize) {
    window_.reset();
    ringSize_ = 0;
    void* block = ringSize >= LargePageSize ? AllocLargePageBlock(ringSize) : std::malloc(ringSize);
    if (!block) return false;
    window_.reset(static_cast<std::uint8_t*>(block));
    ringSize_ = ringSize;
  }
  windowBits_ = windowBits;
  windowPos_ = 0;
  total_ = 0;
  ahead_ = 0;
  r_[0] = r_[1] = r_[2] = 1;
  slots_ = SlotsFor(windowBits);
  headerRead_ = intelStarted_ = false;
  intelFileSize_ = 0;
  frames_ = 0;
  blockType_ = 0;
  blockLength_ = blockRemaining_ = 0;
  padPending_ = false;
  std::memset(mainLengths_, 0, sizeof mainLengths_);
  std::memset(lengthLengths_, 0, sizeof lengthLengths_);
  return true;
}

bool LzxDecoder::ReadLengths(BitReader& in, std::uint8_t* lengths, int first, int last) {
  std::uint8_t pre[kPretreeSize];
  for (std::uint8_t& l : pre) l = static_cast<std::uint8_t>(in.Read(4));
  if (!pretree_.Build(pre, kPretreeSize, false)) return false;
  for (int x = first; x < last;) {
    int z = pretree_.Decode(in);
    if (z < 0 || in.Overrun()) return false;
    int run = 1, value = 0;
    if (z == 17) {
      run = static_cast<int>(in.Read(4)) + 4;
    } else if (z == 18) {
      run = static_cast<int>(in.Read(5)) + 20;
    } else if (z == 19) {
      run = static_cast<int>(in.Read(1)) + 4;
      z = pretree_.Decode(in);
      if (z < 0 || z > 16) return false;
      value = (lengths[x] - z + 17) % 17;
    } else {
      value = (lengths[x] - z + 17) % 17;
    }
    if (run > last - x) return false;
    if (run == 1) lengths[x] = static_cast<std::uint8_t>(value);
    else std::fill(lengths + x, lengths + x + run, static_cast<std::uint8_t>(value));
    x += run;
  }
  return true;
}

bool LzxDecoder::ReadBlockHeader(BitReader& in) {
  if (padPending_) {
    std::uint8_t pad;
    if (!in.ReadBytes(&pad, 1)) return false;
    padPending_ = false;
  }
  in.Prepare();
  blockType_ = static_cast<int>(in.Read(3));
  const std::uint32_t high = in.Read(16);
  blockLength_ = high << 8 | in.Read(8);
  blockRemaining_ = blockLength_;
  if (blockLength_ == 0) return false;
  const int mainSize = 256 + slots_ * 8;
  switch (blockType_) {
    case kBlockAligned:
      for (std::uint8_t& l : alignedLengths_) l = static_cast<std::uint8_t>(in.Read(3));
      if (!aligned_.Build(alignedLengths_, kAlignedSize, false)) return false;
      [[fallthrough]];
    case kBlockVerbatim:
      if (!ReadLengths(in, mainLengths_, 0, 256) || !ReadLengths(in, mainLengths_, 256, mainSize)) return false;
      if (!main_.Build(mainLengths_, mainSize, false)) return false;
      if (mainLengths_[0xE8] != 0) intelStarted_ = true;
      if (!ReadLengths(in, lengthLengths_, 0, kLengthSize)) return false;
      return length_.Build(lengthLengths_, kLengthSize, true) && !in.Overrun();
    case kBlockUncompressed: {
      intelStarted_ = true;
      std::uint8_t r[4 * kRepeatedOffsets];
      if (!in.AlignToBytes() || !in.ReadBytes(r, sizeof r)) return false;
      for (int i = 0; i < kRepeatedOffsets; ++i) r_[i] = Le32(r + 4 * i);
      return true;
    }
    default:
      return false;
  }
}

namespace {

// Copies length bytes from offset back to the window's position at. The
// window is a ring of twice its size; most matches lie whole inside it,
// with room behind for the copy's steps (a source past the target lies a
// whole window away from it).
[[gnu::always_inline]] inline void CopyRingMatch(std::uint8_t* w, std::size_t ringSize, std::size_t at,
                                                 std::size_t offset, std::size_t length) {
  const std::size_t mask = ringSize - 1;
  const std::size_t to = at & mask, from = (at - offset) & mask;
  if (std::max(to, from) + length + 16 <= ringSize) {
    CopyMatch(w + to, w + from, offset, length);
    return;
  }
  for (std::size_t i = 0; i < length; ++i) w[(to + i) & mask] = w[(from + i) & mask];
}

}  // namespace

bool LzxDecoder::DecodeRun(BitReader& in, std::size_t& run) {
  const std::size_t mask = ringSize_ - 1;
  if (blockType_ == kBlockUncompressed) {
    for (std::size_t left = run; left > 0;) {
      const std::size_t at = windowPos_ & mask, n = std::min(left, ringSize_ - at);
      if (!in.ReadBytes(window_.get() + at, n)) return false;
      windowPos_ += n;
      left -= n;
    }
    return true;
  }
  // The stream's bits, the window's position and the repeated offsets live
  // in locals for the loop: a byte stored to the window could otherwise be
  // any of them, and each would be read again from memory after it.
  in.Prepare();
  BitReader bits = in;
  std::size_t pos = windowPos_;
  std::uint32_t r0 = r_[0], r1 = r_[1], r2 = r_[2];
  const std::size_t start = pos, end = pos + run;
  const std::size_t windowSize = std::size_t(1) << windowBits_;
  const bool aligned = blockType_ == kBlockAligned;
  std::uint8_t* const w = window_.get();
  const std::size_t ringSize = ringSize_;
  bool sound = true;
  while (pos < end && bits.Within()) {
    int sym = main_.Decode(bits);
    if (sym < 256) {
      if (sym < 0) {
        sound = false;
        break;
      }
      w[pos++ & mask] = static_cast<std::uint8_t>(sym);
      continue;
    }
    sym -= 256;
    int length = sym & 7;
    if (length == kPrimaryLengths) {
      const int more = length_.Decode(bits);
      if (more < 0) {
        sound = false;
        break;
      }
      length += more;
    }
    length += kMinMatch;
    const int slot = sym >> 3;
    std::uint32_t offset;
    if (slot > 2) {
      const int extra = kSlots.extra[slot];
      offset = kSlots.base[slot] - 2;
      if (aligned && extra >= 3) {
        if (extra > 3) offset += bits.Read(extra - 3) << 3;
        const int low = aligned_.Decode(bits);
        if (low < 0) {
          sound = false;
          break;
        }
        offset += static_cast<std::uint32_t>(low);
      } else if (extra > 0) {
        offset += bits.Read(extra);
      }
      r2 = r1;
      r1 = r0;
      r0 = offset;
    } else if (slot == 0) {
      offset = r0;
    } else if (slot == 1) {
      offset = r1;
      r1 = r0;
      r0 = offset;
    } else {
      offset = r2;
      r2 = r0;
      r0 = offset;
    }
    // Neither 0 nor before the folder's start nor beyond the window (whether
    // the stream overran, the loop asks once a symbol).
    if (std::size_t(offset) - 1 >= std::min(pos, windowSize)) {
      sound = false;
      break;
    }
    CopyRingMatch(w, ringSize, pos, offset, static_cast<std::size_t>(length));
    pos += static_cast<std::size_t>(length);
  }
  in = bits;
  windowPos_ = pos;
  r_[0] = r0;
  r_[1] = r1;
  r_[2] = r2;
  if (!sound || in.Overrun()) return false;
  run = pos - start;
  return true;
}

// Call instructions (E8) of the frame had their relative targets made
// absolute by the writer; this makes them relative again.
void LzxDecoder::Translate(std::uint8_t* out, std::size_t size) {
  if (!intelStarted_ || intelFileSize_ == 0 || frames_ >= kTranslatedFrames || size <= 10) return;
  const std::int64_t fileSize = intelFileSize_;
  ChangeCalls(out, size, static_cast<std::int64_t>(total_), [fileSize](std::int64_t absolute, std::int64_t at) {
    if (absolute < -at || absolute >= fileSize) return absolute;
    return absolute >= 0 ? absolute - at : absolute + fileSize;
  });
}

bool LzxDecoder::Decode(const std::uint8_t* data, std::size_t size, std::uint8_t* out, std::size_t outSize) {
  if (windowBits_ == 0 || outSize > kLzxFrameSize) return false;
  BitReader in(data, size, words_);
  if (!headerRead_) {
    in.Prepare();
    if (in.Read(1)) {
      const std::uint32_t high = in.Read(16);
      intelFileSize_ = static_cast<std::int32_t>(high << 16 | in.Read(16));
    }
    headerRead_ = true;
  }
  const std::uint64_t frameStart = windowPos_ - ahead_;
  std::size_t toDecode = outSize > ahead_ ? outSize - ahead_ : 0;
  ahead_ -= std::min(ahead_, outSize);
  while (toDecode > 0) {
    if (blockRemaining_ == 0 && !ReadBlockHeader(in)) return false;
    std::size_t run = std::min<std::size_t>(blockRemaining_, toDecode);
    if (!DecodeRun(in, run)) return false;
    if (run > blockRemaining_) return false;  // a match past its block's end
    blockRemaining_ -= static_cast<std::uint32_t>(run);
    if (blockType_ == kBlockUncompressed && blockRemaining_ == 0 && (blockLength_ & 1)) padPending_ = true;
    const std::size_t used = std::min(run, toDecode);
    toDecode -= used;
    ahead_ += run - used;
  }
  if (padPending_ && !in.AtByteEnd()) {
    std::uint8_t pad;
    if (in.ReadBytes(&pad, 1)) padPending_ = false;
  }
  const std::size_t mask = ringSize_ - 1;
  const std::size_t at = frameStart & mask, first = std::min(outSize, ringSize_ - at);
  std::memcpy(out, window_.get() + at, first);
  std::memcpy(out + first, window_.get(), outSize - first);
  total_ = frameStart;
  Translate(out, outSize);
  total_ = frameStart + outSize;
  ++frames_;
  return true;
}

}  // namespace platform
