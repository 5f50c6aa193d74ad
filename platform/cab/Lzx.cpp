#include "platform/cab/Lzx.h"

#include <algorithm>
#include <cstring>
#include <queue>

namespace platform {
namespace {

constexpr int kBlockVerbatim = 1, kBlockAligned = 2, kBlockUncompressed = 3;
constexpr int kPretreeSize = 20, kAlignedSize = 8, kLengthSize = 249;
constexpr int kMinMatch = 2, kMaxMatch = 257, kPrimaryLengths = 7;
constexpr int kMaxCodeLength = 16;
// The compressed part of one data block may pass its uncompressed size by this much.
constexpr std::size_t kMaxGrowth = 6144;

struct SlotTables {
  std::uint32_t base[51];
  std::uint8_t extra[51];
  SlotTables() {
    for (int i = 0, j = 0; i < 51; i += 2) {
      extra[i] = static_cast<std::uint8_t>(j);
      if (i + 1 < 51) extra[i + 1] = static_cast<std::uint8_t>(j);
      if (i != 0 && j < 17) ++j;
    }
    for (std::uint32_t i = 0, j = 0; i < 51; ++i) {
      base[i] = j;
      j += 1u << extra[i];
    }
  }
};
const SlotTables kSlots;

int SlotsFor(int windowBits) {
  static const int slots[] = {30, 32, 34, 36, 38, 42, 50};
  return slots[windowBits - kLzxMinWindowBits];
}

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

}  // namespace

// The coded stream of one frame: 16-bit little-endian words, high bit first;
// past its end it reads zeros and counts them as overrun.
class LzxDecoder::BitReader {
 public:
  BitReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint32_t Peek(int n) {
    Fill(n);
    return n ? static_cast<std::uint32_t>(buf_ >> (64 - n)) : 0;
  }
  void Skip(int n) {
    buf_ <<= n;
    bits_ -= n;
  }
  std::uint32_t Read(int n) {
    std::uint32_t v = Peek(n);
    Skip(n);
    return v;
  }
  bool Overrun() const { return overrun_ > 4; }

  // Leaves the bits for bytes: one to sixteen bits up to the next word.
  bool AlignToBytes() {
    if (overrun_) return false;
    std::size_t bit = pos_ * 8 - bits_;
    std::size_t next = (bit / 16 + 1) * 2;
    buf_ = 0;
    bits_ = 0;
    if (next > size_) return false;
    pos_ = next;
    return true;
  }
  // Bytes straight from the stream (after AlignToBytes); false past its end.
  bool ReadBytes(std::uint8_t* out, std::size_t n) {
    if (bits_ != 0 || size_ - pos_ < n) return false;
    std::memcpy(out, data_ + pos_, n);
    pos_ += n;
    return true;
  }
  bool AtByteEnd() const { return bits_ == 0 && pos_ >= size_; }

 private:
  void Fill(int n) {
    while (bits_ < n) {
      std::uint32_t word = 0;
      if (pos_ + 1 < size_) {
        word = data_[pos_] | std::uint32_t(data_[pos_ + 1]) << 8;
        pos_ += 2;
      } else {
        if (pos_ < size_) word = data_[pos_++];
        ++overrun_;
      }
      buf_ |= std::uint64_t(word) << (48 - bits_);
      bits_ += 16;
    }
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  std::uint64_t buf_ = 0;
  int bits_ = 0;
  int overrun_ = 0;
};

bool LzxDecoder::Tree::Build(const std::uint8_t* lengths, int n, bool mayBeEmpty) {
  std::fill(std::begin(count), std::end(count), 0);
  for (int i = 0; i < n; ++i) {
    if (lengths[i] > kMaxCodeLength) return false;
    ++count[lengths[i]];
  }
  count[0] = 0;
  int left = 1;
  for (int len = 1; len <= kMaxCodeLength; ++len) {
    left = (left << 1) - count[len];
    if (left < 0) return false;  // more codes than there are
  }
  empty = left == (1 << kMaxCodeLength);
  if (empty) return mayBeEmpty;
  symbols.clear();
  for (int len = 1; len <= kMaxCodeLength; ++len)
    for (int i = 0; i < n; ++i)
      if (lengths[i] == len) symbols.push_back(static_cast<std::uint16_t>(i));
  return true;
}

int LzxDecoder::Tree::Decode(BitReader& in) const {
  if (empty) return -1;
  const std::uint32_t bits = in.Peek(kMaxCodeLength);
  std::uint32_t first = 0, index = 0;
  for (int len = 1; len <= kMaxCodeLength; ++len) {
    const std::uint32_t code = bits >> (kMaxCodeLength - len);
    if (code - first < count[len]) {
      in.Skip(len);
      return symbols[index + code - first];
    }
    index += count[len];
    first = (first + count[len]) << 1;
  }
  return -1;  // a code the tree does not have
}

bool LzxDecoder::Reset(int windowBits) {
  if (windowBits < kLzxMinWindowBits || windowBits > kLzxMaxWindowBits) return false;
  windowBits_ = windowBits;
  // Twice the window: a match that runs past a frame's end never overwrites the frame.
  window_.assign(std::size_t(2) << windowBits, 0);
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
  Tree pretree;
  if (!pretree.Build(pre, kPretreeSize, false)) return false;
  for (int x = first; x < last;) {
    int z = pretree.Decode(in);
    if (z < 0 || in.Overrun()) return false;
    int run = 1, value = 0;
    if (z == 17) {
      run = static_cast<int>(in.Read(4)) + 4;
    } else if (z == 18) {
      run = static_cast<int>(in.Read(5)) + 20;
    } else if (z == 19) {
      run = static_cast<int>(in.Read(1)) + 4;
      z = pretree.Decode(in);
      if (z < 0 || z > 16) return false;
      value = (lengths[x] - z + 17) % 17;
    } else {
      value = (lengths[x] - z + 17) % 17;
    }
    if (run > last - x) return false;
    std::fill(lengths + x, lengths + x + run, static_cast<std::uint8_t>(value));
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
      std::uint8_t r[12];
      if (!in.AlignToBytes() || !in.ReadBytes(r, sizeof r)) return false;
      for (int i = 0; i < 3; ++i) r_[i] = Le32(r + 4 * i);
      return true;
    }
    default:
      return false;
  }
}

bool LzxDecoder::DecodeRun(BitReader& in, std::size_t& run) {
  const std::size_t mask = window_.size() - 1;
  const std::size_t windowSize = std::size_t(1) << windowBits_;
  if (blockType_ == kBlockUncompressed) {
    for (std::size_t i = 0; i < run; ++i) {
      std::uint8_t b;
      if (!in.ReadBytes(&b, 1)) return false;
      window_[windowPos_++ & mask] = b;
    }
    return true;
  }
  std::size_t produced = 0;
  while (produced < run) {
    int sym = main_.Decode(in);
    if (sym < 0) return false;
    if (sym < 256) {
      window_[windowPos_++ & mask] = static_cast<std::uint8_t>(sym);
      ++produced;
      continue;
    }
    sym -= 256;
    int length = sym & 7;
    if (length == kPrimaryLengths) {
      const int more = length_.Decode(in);
      if (more < 0) return false;
      length += more;
    }
    length += kMinMatch;
    const int slot = sym >> 3;
    std::uint32_t offset;
    if (slot > 2) {
      int extra = kSlots.extra[slot];
      offset = kSlots.base[slot] - 2;
      if (blockType_ == kBlockAligned && extra >= 3) {
        if (extra > 3) offset += in.Read(extra - 3) << 3;
        const int low = aligned_.Decode(in);
        if (low < 0) return false;
        offset += static_cast<std::uint32_t>(low);
      } else if (extra > 0) {
        offset += in.Read(extra);
      }
      r_[2] = r_[1];
      r_[1] = r_[0];
      r_[0] = offset;
    } else {
      offset = r_[slot];
      r_[slot] = r_[0];
      r_[0] = offset;
    }
    if (offset == 0 || offset > windowPos_ || offset > windowSize) return false;
    for (int i = 0; i < length; ++i, ++windowPos_) window_[windowPos_ & mask] = window_[(windowPos_ - offset) & mask];
    produced += static_cast<std::size_t>(length);
    if (in.Overrun()) return false;
  }
  if (in.Overrun()) return false;
  run = produced;
  return true;
}

void LzxDecoder::Translate(std::uint8_t* out, std::size_t size) {
  if (!intelStarted_ || intelFileSize_ == 0 || frames_ >= 32768 || size <= 10) return;
  const std::int64_t fileSize = intelFileSize_;
  std::int64_t pos = static_cast<std::int64_t>(total_);
  // A call in the last ten bytes of a frame is never translated.
  for (std::size_t i = 0; i + 10 < size;) {
    if (out[i] != 0xE8) {
      ++i;
      ++pos;
      continue;
    }
    const std::int64_t absolute = static_cast<std::int32_t>(Le32(out + i + 1));
    if (absolute >= -pos && absolute < fileSize) {
      const std::int64_t relative = absolute >= 0 ? absolute - pos : absolute + fileSize;
      const auto v = static_cast<std::uint32_t>(relative);
      out[i + 1] = static_cast<std::uint8_t>(v);
      out[i + 2] = static_cast<std::uint8_t>(v >> 8);
      out[i + 3] = static_cast<std::uint8_t>(v >> 16);
      out[i + 4] = static_cast<std::uint8_t>(v >> 24);
    }
    i += 5;
    pos += 5;
  }
}

bool LzxDecoder::Decode(const std::uint8_t* data, std::size_t size, std::uint8_t* out, std::size_t outSize) {
  if (windowBits_ == 0 || outSize > kLzxFrameSize) return false;
  BitReader in(data, size);
  if (!headerRead_) {
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
  const std::size_t mask = window_.size() - 1;
  for (std::size_t i = 0; i < outSize; ++i) out[i] = window_[(frameStart + i) & mask];
  total_ = frameStart;
  Translate(out, outSize);
  total_ = frameStart + outSize;
  ++frames_;
  return true;
}

// ---------------------------------------------------------------------------

namespace {

// Writes 16-bit little-endian words, high bit first.
class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void Put(std::uint32_t value, int bits) {
    if (bits == 0) return;
    acc_ = acc_ << bits | (value & ((std::uint64_t(1) << bits) - 1));
    n_ += bits;
    while (n_ >= 16) {
      const auto word = static_cast<std::uint16_t>(acc_ >> (n_ - 16));
      out_.push_back(static_cast<std::uint8_t>(word));
      out_.push_back(static_cast<std::uint8_t>(word >> 8));
      n_ -= 16;
      acc_ &= (std::uint64_t(1) << n_) - 1;
    }
  }
  // To the next word; with bytes to follow a whole word when already there.
  void Align(bool forBytes) {
    if (n_ > 0) Put(0, 16 - n_);
    else if (forBytes) Put(0, 16);
  }

 private:
  std::vector<std::uint8_t>& out_;
  std::uint64_t acc_ = 0;
  int n_ = 0;
};

// Code lengths of at most maxLength bits for the counted symbols; at least two
// symbols get a code, so that every tree is complete.
void HuffmanLengths(std::vector<std::uint32_t> freq, int maxLength, std::uint8_t* lengths) {
  const int n = static_cast<int>(freq.size());
  int used = 0;
  for (std::uint32_t f : freq) used += f != 0;
  for (int i = 0; used < 2 && i < n; ++i)
    if (freq[i] == 0) {
      freq[i] = 1;
      ++used;
    }
  for (;;) {
    struct Node {
      std::uint64_t weight;
      int index;
      bool operator>(const Node& o) const { return weight != o.weight ? weight > o.weight : index > o.index; }
    };
    std::vector<int> parent(static_cast<std::size_t>(2 * n), -1);
    std::priority_queue<Node, std::vector<Node>, std::greater<Node>> heap;
    for (int i = 0; i < n; ++i)
      if (freq[i]) heap.push({freq[i], i});
    int next = n;
    while (heap.size() > 1) {
      Node a = heap.top();
      heap.pop();
      Node b = heap.top();
      heap.pop();
      parent[static_cast<std::size_t>(a.index)] = parent[static_cast<std::size_t>(b.index)] = next;
      heap.push({a.weight + b.weight, next++});
    }
    int longest = 0;
    for (int i = 0; i < n; ++i) {
      int depth = 0;
      if (freq[i])
        for (int p = parent[static_cast<std::size_t>(i)]; p >= 0; p = parent[static_cast<std::size_t>(p)]) ++depth;
      lengths[i] = static_cast<std::uint8_t>(depth);
      longest = std::max(longest, depth);
    }
    if (longest <= maxLength) return;
    for (std::uint32_t& f : freq)
      if (f) f = (f + 1) / 2;  // flatter counts, shorter codes
  }
}

// Canonical codes: by length, then by symbol.
std::vector<std::uint16_t> Codes(const std::uint8_t* lengths, int n) {
  std::vector<std::uint16_t> codes(static_cast<std::size_t>(n), 0);
  std::uint32_t code = 0;
  for (int len = 1; len <= kMaxCodeLength; ++len) {
    for (int i = 0; i < n; ++i)
      if (lengths[i] == len) codes[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(code++);
    code <<= 1;
  }
  return codes;
}

// New code lengths as changes against the old ones, through a pretree.
void WriteLengths(BitWriter& out, const std::uint8_t* old, const std::uint8_t* lengths, int first, int last) {
  std::vector<std::uint32_t> freq(kPretreeSize, 0);
  for (int x = first; x < last; ++x) ++freq[static_cast<std::size_t>((old[x] - lengths[x] + 17) % 17)];
  std::uint8_t pre[kPretreeSize];
  HuffmanLengths(freq, 15, pre);
  for (std::uint8_t l : pre) out.Put(l, 4);
  const std::vector<std::uint16_t> codes = Codes(pre, kPretreeSize);
  for (int x = first; x < last; ++x) {
    const int z = (old[x] - lengths[x] + 17) % 17;
    out.Put(codes[static_cast<std::size_t>(z)], pre[z]);
  }
}

struct Token {
  std::uint32_t length;    // 0: a literal
  std::uint32_t value;     // the literal, or the distance of a match
};

}  // namespace

bool LzxEncoder::Reset(int windowBits) {
  if (windowBits < kLzxMinWindowBits || windowBits > kLzxMaxWindowBits) return false;
  windowBits_ = windowBits;
  slots_ = SlotsFor(windowBits);
  first_ = true;
  ring_.assign(std::size_t(1) << windowBits, 0);
  head_.assign(std::size_t(1) << 15, -1);
  prev_.assign(std::size_t(1) << windowBits, -1);
  pos_ = 0;
  std::memset(mainLengths_, 0, sizeof mainLengths_);
  std::memset(lengthLengths_, 0, sizeof lengthLengths_);
  return true;
}

bool LzxEncoder::Encode(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out) {
  if (windowBits_ == 0 || size == 0 || size > kLzxFrameSize) return false;
  const std::int64_t windowSize = std::int64_t(1) << windowBits_;
  const std::size_t mask = ring_.size() - 1;
  // Bytes of this frame come from data, older ones from the ring (written at the end).
  auto byteAt = [&](std::int64_t p) { return p >= pos_ ? data[p - pos_] : ring_[static_cast<std::size_t>(p) & mask]; };
  auto hash = [&](std::size_t i) { return ((data[i] << 10) ^ (data[i + 1] << 5) ^ data[i + 2]) & 0x7FFF; };
  auto insert = [&](std::size_t i) {
    if (i + 2 >= size) return;
    const auto h = static_cast<std::size_t>(hash(i));
    const std::int64_t p = pos_ + static_cast<std::int64_t>(i);
    prev_[static_cast<std::size_t>(p) & mask] = head_[h];
    head_[h] = p;
  };

  std::vector<Token> tokens;
  for (std::size_t i = 0; i < size;) {
    std::uint32_t bestLength = 0, bestDistance = 0;
    const std::int64_t here = pos_ + static_cast<std::int64_t>(i);
    const std::size_t limit = std::min<std::size_t>(kMaxMatch, size - i);
    if (limit >= 3) {
      std::int64_t candidate = head_[static_cast<std::size_t>(hash(i))];
      for (int chain = 0; candidate >= 0 && candidate < here && chain < 64; ++chain) {
        const std::int64_t distance = here - candidate;
        if (distance > windowSize - 3) break;
        std::size_t length = 0;
        while (length < limit && byteAt(candidate + static_cast<std::int64_t>(length)) == data[i + length]) ++length;
        if (length > bestLength) {
          bestLength = static_cast<std::uint32_t>(length);
          bestDistance = static_cast<std::uint32_t>(distance);
          if (length == limit) break;
        }
        const std::int64_t older = prev_[static_cast<std::size_t>(candidate) & mask];
        if (older >= candidate) break;  // the ring's entry belongs to a newer position now
        candidate = older;
      }
    }
    if (bestLength >= 3) {
      tokens.push_back({bestLength, bestDistance});
      for (std::size_t k = 0; k < bestLength; ++k) insert(i + k);
      i += bestLength;
    } else {
      tokens.push_back({0, data[i]});
      insert(i);
      ++i;
    }
  }
  for (std::size_t i = 0; i < size; ++i) ring_[static_cast<std::size_t>(pos_ + static_cast<std::int64_t>(i)) & mask] = data[i];
  pos_ += static_cast<std::int64_t>(size);

  // Trees of this block.
  const int mainSize = 256 + slots_ * 8;
  auto slotOf = [&](std::uint32_t formatted) {
    int slot = 3;
    while (slot + 1 < slots_ && kSlots.base[slot + 1] <= formatted) ++slot;
    return slot;
  };
  std::vector<std::uint32_t> mainFreq(static_cast<std::size_t>(mainSize), 0), lengthFreq(kLengthSize, 0);
  for (const Token& t : tokens) {
    if (t.length == 0) {
      ++mainFreq[t.value];
      continue;
    }
    const int header = static_cast<int>(std::min<std::uint32_t>(t.length - kMinMatch, kPrimaryLengths));
    ++mainFreq[static_cast<std::size_t>(256 + slotOf(t.value + 2) * 8 + header)];
    if (header == kPrimaryLengths) ++lengthFreq[t.length - kMinMatch - kPrimaryLengths];
  }
  std::uint8_t mainLengths[sizeof mainLengths_] = {}, lengthLengths[sizeof lengthLengths_] = {};
  HuffmanLengths(mainFreq, kMaxCodeLength, mainLengths);
  HuffmanLengths(lengthFreq, kMaxCodeLength, lengthLengths);

  std::vector<std::uint8_t> coded;
  {
    BitWriter bits(coded);
    if (first_) bits.Put(0, 1);  // no call translation
    bits.Put(kBlockVerbatim, 3);
    bits.Put(static_cast<std::uint32_t>(size >> 8), 16);
    bits.Put(static_cast<std::uint32_t>(size & 0xFF), 8);
    WriteLengths(bits, mainLengths_, mainLengths, 0, 256);
    WriteLengths(bits, mainLengths_, mainLengths, 256, mainSize);
    WriteLengths(bits, lengthLengths_, lengthLengths, 0, kLengthSize);
    const std::vector<std::uint16_t> mainCodes = Codes(mainLengths, mainSize);
    const std::vector<std::uint16_t> lengthCodes = Codes(lengthLengths, kLengthSize);
    for (const Token& t : tokens) {
      if (t.length == 0) {
        bits.Put(mainCodes[t.value], mainLengths[t.value]);
        continue;
      }
      const std::uint32_t formatted = t.value + 2;
      const int slot = slotOf(formatted);
      const int header = static_cast<int>(std::min<std::uint32_t>(t.length - kMinMatch, kPrimaryLengths));
      const std::size_t symbol = static_cast<std::size_t>(256 + slot * 8 + header);
      bits.Put(mainCodes[symbol], mainLengths[symbol]);
      if (header == kPrimaryLengths) {
        const std::size_t more = t.length - kMinMatch - kPrimaryLengths;
        bits.Put(lengthCodes[more], lengthLengths[more]);
      }
      bits.Put(formatted - kSlots.base[slot], kSlots.extra[slot]);
    }
    bits.Align(false);
  }

  if (coded.size() <= size + 64 && coded.size() <= size + kMaxGrowth) {
    std::memcpy(mainLengths_, mainLengths, sizeof mainLengths_);
    std::memcpy(lengthLengths_, lengthLengths, sizeof lengthLengths_);
    out.swap(coded);
  } else {
    // Stored as it is; the trees of the block before stay the reference of the next.
    out.clear();
    BitWriter bits(out);
    if (first_) bits.Put(0, 1);
    bits.Put(kBlockUncompressed, 3);
    bits.Put(static_cast<std::uint32_t>(size >> 8), 16);
    bits.Put(static_cast<std::uint32_t>(size & 0xFF), 8);
    bits.Align(true);
    for (int i = 0; i < 3; ++i) {  // the repeated offsets, unused by this encoder
      const std::uint8_t one[4] = {1, 0, 0, 0};
      out.insert(out.end(), one, one + 4);
    }
    out.insert(out.end(), data, data + size);
    if (size & 1) out.push_back(0);
  }
  first_ = false;
  return true;
}

}  // namespace platform
