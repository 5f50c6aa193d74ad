#include "platform/cab/Inflater.h"

#include "platform/cab/Matchcopy.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace platform {
namespace {

constexpr std::size_t kSlack = 64;
constexpr int kLengthSymbols = 286, kDistanceSymbols = 30;
constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                             33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                             1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
constexpr int kEndOfBlock = 256;

// The stream's bits, low bit first. Past its end it reads zeros and counts
// them, so that a stream that took more than it has is found at the end of
// its block.
struct Bits {
  const std::uint8_t* p;
  const std::uint8_t* end;
  std::uint64_t buf = 0;
  unsigned count = 0;    // bits in buf
  std::size_t over = 0;  // zero bytes taken past the end

  // At least 56 bits in the buffer: eight bytes in one load where the
  // stream has them.
  [[gnu::always_inline]] void Refill() {
    if (end - p >= 8) {
      std::uint64_t v;
      std::memcpy(&v, p, 8);
      if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
      buf |= v << count;
      p += (63 - count) >> 3;
      count |= 56;
      return;
    }
    while (count <= 56) {
      if (p < end) buf |= std::uint64_t(*p++) << count;
      else ++over;
      count += 8;
    }
  }
  std::uint32_t Peek(unsigned n) const { return static_cast<std::uint32_t>(buf & ((std::uint64_t(1) << n) - 1)); }
  void Skip(unsigned n) {
    buf >>= n;
    count -= n;
  }
  std::uint32_t Take(unsigned n) {
    const std::uint32_t v = Peek(n);
    Skip(n);
    return v;
  }
  bool Overrun() const { return over * 8 > count; }
};

// The entry of a code longer than the table's index, walked a bit at a
// time in canonical order; 0 when the code has none.
std::uint16_t LongEntry(const Inflater::Code& code, std::uint64_t bits) {
  int first = 0, index = 0, value = 0;
  for (int len = 1; len <= Inflater::Code::kMaxLength; ++len) {
    value |= static_cast<int>(bits & 1);
    bits >>= 1;
    const int count = code.count[len];
    if (value - first < count) return static_cast<std::uint16_t>(code.symbols[index + value - first] << 4 | len);
    index += count;
    first = (first + count) << 1;
    value <<= 1;
  }
  return 0;
}

// The next symbol (after a refill); -1 for a code the tree does not have.
[[gnu::always_inline]] inline int Decode(const Inflater::Code& code, Bits& in) {
  std::uint16_t entry = code.table[in.buf & ((1u << Inflater::Code::kTableBits) - 1)];
  if (!entry && !(entry = LongEntry(code, in.buf))) return -1;
  in.Skip(entry & 15);
  return entry >> 4;
}

struct FixedCodes {
  Inflater::Code lengths{}, distances{};
  FixedCodes() {
    std::uint8_t l[288];
    std::fill(l, l + 144, 8);
    std::fill(l + 144, l + 256, 9);
    std::fill(l + 256, l + 280, 7);
    std::fill(l + 280, l + 288, 8);
    lengths.Build(l, 288, false);
    std::fill(l, l + 32, 5);
    distances.Build(l, 32, false);
  }
};

const FixedCodes& Fixed() {
  static const FixedCodes codes;
  return codes;
}

// Decodes the literals and matches of one block up to its end. Locals hold
// the bits and the output position: a byte stored to the output could
// otherwise be any of them.
bool Symbols(Bits& stream, const Inflater::Code& lengths, const Inflater::Code& distances, const std::uint8_t* lowest,
             std::uint8_t*& outAt, std::uint8_t* outEnd) {
  Bits in = stream;
  std::uint8_t* op = outAt;
  bool sound = false;
  for (;;) {
    // 56 bits hold a length code, its extra bits, a distance code and its
    // extra bits (15 + 5 + 15 + 13).
    in.Refill();
    const int symbol = Decode(lengths, in);
    if (symbol < 256) {
      if (symbol < 0 || op == outEnd) break;
      *op++ = static_cast<std::uint8_t>(symbol);
      continue;
    }
    if (symbol == kEndOfBlock) {
      sound = true;
      break;
    }
    if (symbol >= 257 + 29) break;
    const std::size_t length = kLengthBase[symbol - 257] + in.Take(kLengthExtra[symbol - 257]);
    const int d = Decode(distances, in);
    if (d < 0 || d >= kDistanceSymbols) break;
    const std::size_t distance = kDistanceBase[d] + in.Take(kDistanceExtra[d]);
    if (distance > static_cast<std::size_t>(op - lowest) || length > static_cast<std::size_t>(outEnd - op)) break;
    CopyMatch(op, op - distance, distance, length);
    op += length;
  }
  stream = in;
  outAt = op;
  return sound && !stream.Overrun();
}

}  // namespace

bool Inflater::Code::Build(const std::uint8_t* lengths, int n, bool incompleteAllowed) {
  std::fill(std::begin(count), std::end(count), 0);
  for (int i = 0; i < n; ++i) ++count[lengths[i]];
  count[0] = 0;
  int left = 1, used = 0;
  for (int len = 1; len <= kMaxLength; ++len) {
    left = (left << 1) - count[len];
    if (left < 0) return false;  // more codes than there are
    used += count[len];
  }
  // No code at all is kept: a block that uses it fails then.
  if (left > 0 && used > 0 && !(incompleteAllowed && used == 1 && count[1] == 1)) return false;
  std::uint16_t offset[kMaxLength + 2];
  offset[1] = 0;
  for (int len = 1; len <= kMaxLength; ++len) offset[len + 1] = static_cast<std::uint16_t>(offset[len] + count[len]);
  for (int i = 0; i < n; ++i)
    if (lengths[i]) symbols[offset[lengths[i]]++] = static_cast<std::uint16_t>(i);
  // Each code of up to kTableBits bits, its bits reversed as the stream
  // sends them, fills every entry that starts with it.
  std::fill(std::begin(table), std::end(table), 0);
  std::uint32_t code = 0;
  for (int len = 1, at = 0; len <= kMaxLength; ++len, code <<= 1)
    for (int k = 0; k < count[len]; ++k, ++at, ++code) {
      if (len > kTableBits) continue;
      std::uint32_t reversed = 0;
      for (int b = 0; b < len; ++b) reversed |= ((code >> b) & 1) << (len - 1 - b);
      const auto entry = static_cast<std::uint16_t>(symbols[at] << 4 | len);
      for (std::uint32_t i = reversed; i < (1u << kTableBits); i += 1u << len) table[i] = entry;
    }
  return true;
}

Inflater::Inflater() : buffer_(new std::uint8_t[kWindow + kMaxOutput + kSlack]) {}

void Inflater::Remember(const std::uint8_t* data, std::size_t size) {
  std::uint8_t* const window = buffer_.get() + kWindow;
  if (size >= kWindow) {
    std::memcpy(buffer_.get(), data + size - kWindow, kWindow);
    history_ = kWindow;
    return;
  }
  const std::size_t keep = std::min(history_, kWindow - size);
  std::memmove(window - keep - size, window - keep, keep);
  std::memcpy(window - size, data, size);
  history_ = keep + size;
}

bool Inflater::Inflate(const std::uint8_t* data, std::size_t size, std::uint8_t* out, std::size_t outSize) {
  if (outSize > kMaxOutput) return false;
  std::uint8_t* const start = buffer_.get() + kWindow;
  if (!Blocks(data, size, start, start + outSize)) return false;
  std::memcpy(out, start, outSize);
  // The last 32 KB of window and output become the window.
  const std::size_t keep = std::min(history_ + outSize, kWindow);
  std::memmove(start - keep, start + outSize - keep, keep);
  history_ = keep;
  return true;
}

bool Inflater::Blocks(const std::uint8_t* data, std::size_t size, std::uint8_t* out, std::uint8_t* outEnd) {
  Bits in{data, data + size};
  const std::uint8_t* const lowest = out - history_;
  std::uint8_t* op = out;
  for (bool last = false; !last;) {
    in.Refill();
    last = in.Take(1) != 0;
    const std::uint32_t type = in.Take(2);
    if (type == 0) {
      // Stored: the rest of this byte dropped, then LEN and its complement.
      in.Skip(in.count % 8);
      const std::size_t unread = in.count / 8;
      if (in.over > unread) return false;
      const std::uint8_t* at = in.p - (unread - in.over);
      if (in.end - at < 4) return false;
      const std::size_t len = at[0] | at[1] << 8;
      if ((len ^ (at[2] | at[3] << 8)) != 0xFFFF) return false;
      at += 4;
      if (static_cast<std::size_t>(in.end - at) < len || static_cast<std::size_t>(outEnd - op) < len) return false;
      std::memcpy(op, at, len);
      op += len;
      in = Bits{at + len, in.end};
      continue;
    }
    if (type == 3) return false;
    const Code* lengths = &Fixed().lengths;
    const Code* distances = &Fixed().distances;
    if (type == 2) {
      const int nLengths = static_cast<int>(in.Take(5)) + 257, nDistances = static_cast<int>(in.Take(5)) + 1;
      const int nCodeLengths = static_cast<int>(in.Take(4)) + 4;
      if (nLengths > kLengthSymbols || nDistances > kDistanceSymbols) return false;
      std::uint8_t l[19] = {};
      for (int i = 0; i < nCodeLengths; ++i) {
        in.Refill();
        l[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(in.Take(3));
      }
      if (!codeLengths_.Build(l, 19, false)) return false;
      std::uint8_t all[kLengthSymbols + kDistanceSymbols];
      for (int i = 0, total = nLengths + nDistances; i < total;) {
        in.Refill();
        const int symbol = Decode(codeLengths_, in);
        if (symbol < 0) return false;
        if (symbol < 16) {
          all[i++] = static_cast<std::uint8_t>(symbol);
          continue;
        }
        std::uint8_t value = 0;
        int run;
        if (symbol == 16) {
          if (i == 0) return false;
          value = all[i - 1];
          run = 3 + static_cast<int>(in.Take(2));
        } else if (symbol == 17) {
          run = 3 + static_cast<int>(in.Take(3));
        } else {
          run = 11 + static_cast<int>(in.Take(7));
        }
        if (run > total - i) return false;
        std::fill_n(all + i, run, value);
        i += run;
      }
      if (in.Overrun() || all[kEndOfBlock] == 0) return false;
      if (!lengths_.Build(all, nLengths, true) || !distances_.Build(all + nLengths, nDistances, true)) return false;
      lengths = &lengths_;
      distances = &distances_;
    }
    if (!Symbols(in, *lengths, *distances, lowest, op, outEnd)) return false;
  }
  return op == outEnd && !in.Overrun();
}

}  // namespace platform
