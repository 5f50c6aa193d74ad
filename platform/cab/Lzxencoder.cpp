#include "platform/cab/Lzxencoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <queue>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {

using namespace lzx;

namespace {

// Positions are found by a hash of their first four bytes, in rows of the
// newest 32 positions of each hash (2^16 rows): a search reads one row and
// its tags and fetches the candidates whose tags agree together, instead of
// walking a chain with a cache miss at every step.
constexpr int kRowBits = 16, kRowSize = 32;
constexpr std::uint32_t kMinNewMatch = 4;
// Three-byte matches are looked for only at the newest position of their
// hash: they pay only when near.
constexpr int kHash3Bits = 14;
// Candidates looked at per position, and fewer once a good match is in hand.
constexpr int kCandidates = kRowSize, kFewCandidates = 8;
constexpr std::uint32_t kGoodLength = 16;
// A match this long is taken without looking further.
constexpr std::uint32_t kNiceLength = 64;
// A match this long is taken without trying the next position for a better one.
constexpr std::uint32_t kLazyLength = 32;
// After this many literals in a row (data that does not repeat) the search
// skips ahead, by one more position for each further kSkipSlope of them, up
// to kMaxSkip; a match found brings it back to every position.
constexpr std::size_t kSkipAfter = 32, kSkipSlope = 16, kMaxSkip = 8;
// Frames that may share one block and its trees (a frame whose symbols fit
// the held ones badly starts a block of its own), and what the trees of a
// block cost, about.
constexpr std::size_t kFramesPerBlock = 16, kTreeBytes = 120;
// Bytes past the frame in the buffer, so that words may be read there.
constexpr std::size_t kPad = 16;
// Call instructions (E8) whose targets fall within this many bytes of the
// folder's start get absolute targets: calls to one function then repeat.
constexpr std::uint32_t kTranslationSize = 12000000;
// What the parse reckons a symbol costs that the block before did not use.
constexpr std::uint8_t kUnknownLiteralBits = 9, kUnknownMatchBits = 12, kUnknownLengthBits = 9;

std::uint32_t Load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::uint32_t Hash4(const std::uint8_t* p) { return Load32(p) * 2654435761u; }
std::uint32_t Hash3(const std::uint8_t* p) { return ((Load32(p) & 0xFFFFFF) * 2654435761u) >> (32 - kHash3Bits); }

// Which of a row's tags equal tag, one bit each.
std::uint32_t TagsEqual(const std::uint8_t* tags, std::uint8_t tag) {
#if defined(__SSE2__)
  const __m128i t = _mm_set1_epi8(static_cast<char>(tag));
  const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tags));
  const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tags + 16));
  return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(low, t))) |
         static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(high, t))) << 16;
#else
  std::uint32_t bits = 0;
  for (int i = 0; i < kRowSize; ++i) bits |= std::uint32_t(tags[i] == tag) << i;
  return bits;
#endif
}

// How many bytes a and b have in common, up to limit.
std::size_t Common(const std::uint8_t* a, const std::uint8_t* b, std::size_t limit) {
  std::size_t n = 0;
  for (; n + 8 <= limit; n += 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (const std::uint64_t d = x ^ y) return n + static_cast<std::size_t>(__builtin_ctzll(d) >> 3);
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

// The position slot of a distance plus 2.
int SlotOf(std::uint32_t formatted) {
  if (formatted < 4) return static_cast<int>(formatted);
  if (formatted >= kSlots.base[38]) return 38 + static_cast<int>((formatted - kSlots.base[38]) >> 17);
  const int high = 31 - __builtin_clz(formatted);
  return 2 * high + static_cast<int>((formatted >> (high - 1)) & 1);
}

// Counts a token's main-tree symbol and, for a long match, its length-tree
// symbol; answers the match's position slot, or -1 for a literal.
int CountSymbols(std::uint32_t length, std::uint32_t value, std::uint32_t* mainFreq, std::uint32_t* lengthFreq) {
  if (length == 0) {
    ++mainFreq[value];
    return -1;
  }
  const int slot = SlotOf(value);
  const std::uint32_t header = std::min<std::uint32_t>(length - kMinMatch, kPrimaryLengths);
  ++mainFreq[256 + slot * 8 + static_cast<int>(header)];
  if (header == kPrimaryLengths) ++lengthFreq[length - kMinMatch - kPrimaryLengths];
  return slot;
}

// Writes 16-bit little-endian words, high bit first.
class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(&out) {}
  // Goes on writing into another buffer (after Align).
  void To(std::vector<std::uint8_t>& out) { out_ = &out; }
  void Put(std::uint32_t value, int bits) {
    acc_ = acc_ << bits | (value & ((std::uint64_t(1) << bits) - 1));
    n_ += bits;
    while (n_ >= 16) {
      n_ -= 16;
      const auto word = static_cast<std::uint16_t>(acc_ >> n_);
      out_->push_back(static_cast<std::uint8_t>(word));
      out_->push_back(static_cast<std::uint8_t>(word >> 8));
    }
  }
  // To the next word; with bytes to follow a whole word when already there.
  void Align(bool forBytes) {
    if (n_ > 0)
      Put(0, 16 - n_);
    else if (forBytes)
      Put(0, 16);
  }

 private:
  std::vector<std::uint8_t>* out_;
  std::uint64_t acc_ = 0;
  int n_ = 0;
};

// Code lengths of at most maxLength bits for the counted symbols; at least
// two symbols get a code, so that every tree is complete.
void HuffmanLengths(const std::uint32_t* counts, int n, int maxLength, std::uint8_t* lengths) {
  std::vector<std::uint32_t> freq(counts, counts + n);
  int used = 0;
  for (std::uint32_t f : freq) used += f != 0;
  for (int i = 0; used < 2 && i < n; ++i)
    if (freq[static_cast<std::size_t>(i)] == 0) {
      freq[static_cast<std::size_t>(i)] = 1;
      ++used;
    }
  struct Node {
    std::uint64_t weight;
    int index;
    bool operator>(const Node& o) const { return weight != o.weight ? weight > o.weight : index > o.index; }
  };
  std::vector<int> parent(static_cast<std::size_t>(2 * n));
  for (;;) {
    std::fill(parent.begin(), parent.end(), -1);
    std::priority_queue<Node, std::vector<Node>, std::greater<Node>> heap;
    for (int i = 0; i < n; ++i)
      if (freq[static_cast<std::size_t>(i)]) heap.push({freq[static_cast<std::size_t>(i)], i});
    int next = n;
    while (heap.size() > 1) {
      const Node a = heap.top();
      heap.pop();
      const Node b = heap.top();
      heap.pop();
      parent[static_cast<std::size_t>(a.index)] = parent[static_cast<std::size_t>(b.index)] = next;
      heap.push({a.weight + b.weight, next++});
    }
    // Depths from the root down: a parent always has a higher index than its children.
    std::vector<std::uint8_t> depth(static_cast<std::size_t>(next), 0);
    int longest = 0;
    for (int i = next - 2; i >= 0; --i) {
      const int p = parent[static_cast<std::size_t>(i)];
      if (p < 0) continue;
      depth[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(depth[static_cast<std::size_t>(p)] + 1);
      if (i < n) longest = std::max<int>(longest, depth[static_cast<std::size_t>(i)]);
    }
    for (int i = 0; i < n; ++i)
      lengths[i] = freq[static_cast<std::size_t>(i)] ? depth[static_cast<std::size_t>(i)] : 0;
    if (longest <= maxLength) return;
    for (std::uint32_t& f : freq)
      if (f) f = (f + 1) / 2;  // flatter counts, shorter codes
  }
}

// Canonical codes: by length, then by symbol.
void Codes(const std::uint8_t* lengths, int n, std::uint16_t* codes) {
  std::uint32_t next[kMaxCodeLength + 2] = {};
  std::uint32_t count[kMaxCodeLength + 1] = {};
  for (int i = 0; i < n; ++i) ++count[lengths[i]];
  count[0] = 0;
  for (int len = 1, code = 0; len <= kMaxCodeLength; ++len) {
    code = (code + static_cast<int>(count[len - 1])) << 1;
    next[len] = static_cast<std::uint32_t>(code);
  }
  for (int i = 0; i < n; ++i)
    if (lengths[i]) codes[i] = static_cast<std::uint16_t>(next[lengths[i]]++);
}

// New code lengths as changes against the old ones, through a pretree:
// runs of zeros as such, runs of one length over equal old ones as one change.
void WriteLengths(BitWriter& out, const std::uint8_t* old, const std::uint8_t* lengths, int n) {
  struct Item {
    std::uint8_t symbol, extra, change;
  };
  std::vector<Item> items;
  for (int x = 0; x < n;) {
    int run = 1;
    while (x + run < n && lengths[x + run] == lengths[x]) ++run;
    const auto change = static_cast<std::uint8_t>((old[x] - lengths[x] + 17) % 17);
    if (lengths[x] == 0 && run >= 20) {
      run = std::min(run, 51);
      items.push_back({18, static_cast<std::uint8_t>(run - 20), 0});
    } else if (lengths[x] == 0 && run >= 4) {
      run = std::min(run, 19);
      items.push_back({17, static_cast<std::uint8_t>(run - 4), 0});
    } else if (run >= 4 && std::all_of(old + x, old + x + std::min(run, 5), [&](std::uint8_t o) { return o == old[x]; })) {
      run = std::min(run, 5);
      items.push_back({19, static_cast<std::uint8_t>(run - 4), change});
    } else {
      run = 1;
      items.push_back({change, 0, 0});
    }
    x += run;
  }
  std::uint32_t freq[kPretreeSize] = {};
  for (const Item& i : items) {
    ++freq[i.symbol];
    if (i.symbol == 19) ++freq[i.change];
  }
  std::uint8_t pre[kPretreeSize];
  std::uint16_t codes[kPretreeSize] = {};
  HuffmanLengths(freq, kPretreeSize, 15, pre);
  Codes(pre, kPretreeSize, codes);
  for (std::uint8_t l : pre) out.Put(l, 4);
  for (const Item& i : items) {
    out.Put(codes[i.symbol], pre[i.symbol]);
    if (i.symbol == 17) out.Put(i.extra, 4);
    if (i.symbol == 18) out.Put(i.extra, 5);
    if (i.symbol == 19) {
      out.Put(i.extra, 1);
      out.Put(codes[i.change], pre[i.change]);
    }
  }
}

void PutBlockHeader(BitWriter& bits, bool first, int type, std::size_t size) {
  if (first) {
    bits.Put(1, 1);
    bits.Put(kTranslationSize >> 16, 16);
    bits.Put(kTranslationSize & 0xFFFF, 16);
  }
  bits.Put(static_cast<std::uint32_t>(type), 3);
  bits.Put(static_cast<std::uint32_t>(size), 24);
}

// Makes the relative targets of the frame's calls absolute, the reverse of
// what the reader does; position is the frame's place in the folder.
void TranslateCalls(std::uint8_t* data, std::size_t size, std::int64_t position) {
  constexpr std::int64_t limit = kTranslationSize;
  ChangeCalls(data, size, position, [](std::int64_t relative, std::int64_t at) {
    if (relative < -at || relative >= limit) return relative;
    return relative < limit - at ? relative + at : relative - limit;
  });
}

}  // namespace

bool LzxEncoder::Reset(int windowBits) {
  if (windowBits < kLzxMinWindowBits || windowBits > kLzxMaxWindowBits) return false;
  windowBits_ = windowBits;
  slots_ = SlotsFor(windowBits);
  first_ = true;
  frames_ = 0;
  tokens_.clear();
  held_ = Symbols{};
  heldEnds_.clear();
  heldSizes_.clear();
  window_ = std::size_t(1) << windowBits;
  // Twice the window and a frame: the older half is dropped once a window's
  // worth has come in. Neither buffer is read where it was not written.
  const std::size_t capacity = 2 * window_ + kLzxFrameSize + kPad;
  if (capacity != capacity_) {
    bytes_.reset(new std::uint8_t[capacity]);
    capacity_ = capacity;
  }
  end_ = 0;
  base_ = 0;
  const std::size_t rows = std::size_t(1) << kRowBits;
  rowPositions_.assign(rows * kRowSize, std::numeric_limits<std::int32_t>::min());
  rowTags_.assign(rows * kRowSize, 0);
  rowNewest_.assign(rows, 0);
  recent3_.assign(std::size_t(1) << kHash3Bits, std::numeric_limits<std::int32_t>::min());
  r_[0] = r_[1] = r_[2] = 1;
  std::memset(mainLengths_, 0, sizeof mainLengths_);
  std::memset(lengthLengths_, 0, sizeof lengthLengths_);
  LearnCosts(mainLengths_, lengthLengths_);
  return true;
}

void LzxEncoder::Take(const std::uint8_t* data, std::size_t size) {
  if (end_ + size + kPad > capacity_) {
    const std::size_t keep = std::min(end_, window_);
    std::memmove(bytes_.get(), bytes_.get() + end_ - keep, keep);
    base_ += static_cast<std::int64_t>(end_ - keep);
    end_ = keep;
  }
  std::memcpy(bytes_.get() + end_, data, size);
  end_ += size;
  std::memset(bytes_.get() + end_, 0, kPad);
}

// What each symbol cost in the block before; a symbol that block did not
// use is taken to cost a little more than most.
void LzxEncoder::LearnCosts(const std::uint8_t* mainLengths, const std::uint8_t* lengthLengths) {
  for (int i = 0; i < 256; ++i) literalBits_[i] = mainLengths[i] ? mainLengths[i] : kUnknownLiteralBits;
  for (int i = 256; i < kMainSizeMax; ++i) matchBits_[i - 256] = mainLengths[i] ? mainLengths[i] : kUnknownMatchBits;
  for (int i = 0; i < kLengthSize; ++i) lengthBits_[i] = lengthLengths[i] ? lengthLengths[i] : kUnknownLengthBits;
}

// Bits a match at buffer index at saves against coding its bytes as literals.
int LzxEncoder::Gain(std::size_t at, std::uint32_t length, std::uint32_t offset) const {
  const int slot = SlotOf(offset);
  const std::uint32_t header = std::min<std::uint32_t>(length - kMinMatch, kPrimaryLengths);
  int cost = matchBits_[slot * 8 + static_cast<int>(header)];
  if (header == kPrimaryLengths) cost += lengthBits_[length - kMinMatch - kPrimaryLengths];
  if (offset >= kRepeatedOffsets) cost += kSlots.extra[slot];
  const std::size_t from = at - frameStart_;
  return static_cast<int>(literalSums_[from + length] - literalSums_[from]) - cost;
}

void LzxEncoder::Insert(std::size_t at) {
  if (at + 4 > end_) return;
  const std::uint32_t h = Hash4(bytes_.get() + at);
  const std::size_t row = h >> (32 - kRowBits);
  const std::size_t newest = rowNewest_[row] = static_cast<std::uint8_t>((rowNewest_[row] - 1) & (kRowSize - 1));
  rowPositions_[row * kRowSize + newest] = static_cast<std::int32_t>(base_ + static_cast<std::int64_t>(at));
  rowTags_[row * kRowSize + newest] = static_cast<std::uint8_t>(h >> (24 - kRowBits));
  recent3_[Hash3(bytes_.get() + at)] = static_cast<std::int32_t>(base_ + static_cast<std::int64_t>(at));
}

// The match at buffer index at that saves the most, of at most limit bytes.
LzxEncoder::Match LzxEncoder::Find(std::size_t at, std::size_t limit) {
  Match best;
  const std::uint8_t* const here = bytes_.get() + at;
  const std::int64_t pos = base_ + static_cast<std::int64_t>(at);
  for (std::uint32_t k = 0; k < kRepeatedOffsets; ++k) {
    if (r_[k] > pos) continue;
    const auto length = static_cast<std::uint32_t>(Common(here, here - r_[k], limit));
    if (length < kMinMatch) continue;
    const int gain = Gain(at, length, k);
    if (gain > best.gain) best = {length, k, gain};
  }
  if (limit < kMinNewMatch || best.length >= kNiceLength || best.length == limit) return best;
  if (best.length < kMinNewMatch) {
    const std::int64_t distance = pos - recent3_[Hash3(here)];
    if (distance <= static_cast<std::int64_t>(window_) - 3 && Common(here, here - distance, 3) == 3) {
      const auto offset = static_cast<std::uint32_t>(distance + 2);
      const int gain = Gain(at, 3, offset);
      if (gain > best.gain) best = {3, offset, gain};
    }
  }
  // The row of this hash holds the newest positions that had it, tagged with
  // more of the hash; the candidates whose tags agree, newest first, are
  // fetched together rather than one after another.
  const std::uint32_t h = Hash4(here);
  const std::size_t row = h >> (32 - kRowBits), newest = rowNewest_[row];
  std::uint32_t agree = TagsEqual(&rowTags_[row * kRowSize], static_cast<std::uint8_t>(h >> (24 - kRowBits)));
  if (newest) agree = agree >> newest | agree << (kRowSize - newest);
  const std::int32_t* const positions = &rowPositions_[row * kRowSize];
  const std::int64_t farthest = static_cast<std::int64_t>(window_) - 3;
  int depth = best.length >= kGoodLength ? kFewCandidates : kCandidates;
  for (; agree && depth-- > 0; agree &= agree - 1) {
    const std::int64_t distance =
        pos - positions[(newest + static_cast<std::size_t>(__builtin_ctz(agree))) & (kRowSize - 1)];
    if (distance > farthest) break;
    const std::uint8_t* const there = here - distance;
    // Farther candidates must be longer to save more.
    if (there[best.length] != here[best.length]) continue;
    const auto length = static_cast<std::uint32_t>(Common(here, there, limit));
    if (length < kMinNewMatch) continue;
    const auto offset = static_cast<std::uint32_t>(distance + 2);
    const int gain = Gain(at, length, offset);
    if (gain > best.gain) {
      best = {length, offset, gain};
      if (length >= kNiceLength || length == limit) break;
    }
  }
  return best;
}

void LzxEncoder::Emit(const Match& m) {
  std::uint32_t value = m.offset;
  if (value >= kRepeatedOffsets) {
    const std::uint32_t distance = value - 2;
    for (std::uint32_t k = 0; k < kRepeatedOffsets; ++k)
      if (r_[k] == distance) value = k;
  }
  if (value < kRepeatedOffsets) {
    std::swap(r_[0], r_[value]);
  } else {
    r_[2] = r_[1];
    r_[1] = r_[0];
    r_[0] = value - 2;
  }
  tokens_.push_back({m.length, value});
}

// Lazy matching: a short match found at one position is kept back a byte,
// and given up for a literal when the next position has a better one.
void LzxEncoder::Parse(std::size_t start, std::size_t size) {
  const std::size_t end = start + size;
  frameStart_ = start;
  literalSums_.resize(size + 1);
  literalSums_[0] = 0;
  for (std::size_t i = 0; i < size; ++i) literalSums_[i + 1] = literalSums_[i] + literalBits_[bytes_[start + i]];
  Match pending;
  bool held = false;
  std::size_t misses = 0;
  for (std::size_t at = start; at < end;) {
    // Data that does not repeat: literals, searched for matches less and less often.
    if (held && pending.length == 0 && misses >= kSkipAfter) {
      const std::size_t skip = std::min({kMaxSkip, 1 + (misses - kSkipAfter) / kSkipSlope, end - at});
      for (std::size_t k = at - 1; k < at + skip; ++k) tokens_.push_back({0, bytes_[k]});
      misses += skip + 1;
      at += skip;
      held = false;
      continue;
    }
    Match found;
    if (!held || pending.length < kLazyLength)
      found = Find(at, std::min<std::size_t>(kMaxMatch, end - at));
    Insert(at);
    if (held && pending.length && pending.gain >= found.gain) {
      Emit(pending);
      const std::size_t stop = at - 1 + pending.length;
      for (std::size_t k = at + 1; k < stop; ++k) Insert(k);
      at = stop;
      held = false;
      misses = 0;
      continue;
    }
    if (held) {
      tokens_.push_back({0, bytes_[at - 1]});
      ++misses;
    }
    pending = found;
    held = true;
    ++at;
  }
  if (held) tokens_.push_back({0, bytes_[end - 1]});
}

// One block over the held frames first..last-1 (their tokens), each frame's
// bits ending on a word. False, with nothing changed, when a frame would
// grow past what a data block may hold.
bool LzxEncoder::WriteBlock(std::size_t first, std::size_t last, std::vector<Frame>& ready) {
  const std::size_t from = first ? heldEnds_[first - 1] : 0, to = heldEnds_[last - 1];
  std::size_t size = 0;
  for (std::size_t k = first; k < last; ++k) size += heldSizes_[k];
  const int mainSize = 256 + slots_ * 8;
  std::uint32_t mainFreq[kMainSizeMax] = {}, lengthFreq[kLengthSize] = {}, alignedFreq[kAlignedSize] = {};
  std::uint32_t alignedUses = 0;
  for (std::size_t i = from; i < to; ++i) {
    const Token& t = tokens_[i];
    const int slot = CountSymbols(t.length, t.value, mainFreq, lengthFreq);
    if (slot < 0) continue;
    if (t.value >= kRepeatedOffsets && kSlots.extra[slot] >= 3) {
      ++alignedFreq[(t.value - kSlots.base[slot]) & 7];
      ++alignedUses;
    }
  }
  std::uint8_t mainLengths[kMainSizeMax] = {}, lengthLengths[kLengthSize] = {}, alignedLengths[kAlignedSize] = {};
  HuffmanLengths(mainFreq, mainSize, kMaxCodeLength, mainLengths);
  // A block without long matches sends an empty length tree.
  if (std::any_of(std::begin(lengthFreq), std::end(lengthFreq), [](std::uint32_t f) { return f != 0; }))
    HuffmanLengths(lengthFreq, kLengthSize, kMaxCodeLength, lengthLengths);
  // The aligned tree pays when its codes and its own 24 bits take fewer than three bits per offset.
  HuffmanLengths(alignedFreq, kAlignedSize, 7, alignedLengths);
  std::uint32_t alignedBits = 8 * 3;
  for (int i = 0; i < kAlignedSize; ++i) alignedBits += alignedFreq[i] * alignedLengths[i];
  const bool aligned = alignedBits < 3 * alignedUses;

  std::uint16_t mainCodes[kMainSizeMax] = {}, lengthCodes[kLengthSize] = {}, alignedCodes[kAlignedSize] = {};
  Codes(mainLengths, mainSize, mainCodes);
  Codes(lengthLengths, kLengthSize, lengthCodes);
  Codes(alignedLengths, kAlignedSize, alignedCodes);

  const std::size_t readyBefore = ready.size();
  ready.emplace_back();
  ready.back().bytes.reserve(heldSizes_[first] + 1024);
  BitWriter bits(ready.back().bytes);
  PutBlockHeader(bits, first_, aligned ? kBlockAligned : kBlockVerbatim, size);
  if (aligned)
    for (std::uint8_t l : alignedLengths) bits.Put(l, 3);
  WriteLengths(bits, mainLengths_, mainLengths, 256);
  WriteLengths(bits, mainLengths_ + 256, mainLengths + 256, mainSize - 256);
  WriteLengths(bits, lengthLengths_, lengthLengths, kLengthSize);
  for (std::size_t k = first; k < last; ++k) {
    if (k > first) {
      ready.emplace_back();
      ready.back().bytes.reserve(heldSizes_[k] + 1024);
      bits.To(ready.back().bytes);
    }
    for (std::size_t i = k ? heldEnds_[k - 1] : 0; i < heldEnds_[k]; ++i) {
      const Token& t = tokens_[i];
      if (t.length == 0) {
        bits.Put(mainCodes[t.value], mainLengths[t.value]);
        continue;
      }
      const int slot = SlotOf(t.value);
      const std::uint32_t header = std::min<std::uint32_t>(t.length - kMinMatch, kPrimaryLengths);
      const int symbol = 256 + slot * 8 + static_cast<int>(header);
      bits.Put(mainCodes[symbol], mainLengths[symbol]);
      if (header == kPrimaryLengths) {
        const std::uint32_t more = t.length - kMinMatch - kPrimaryLengths;
        bits.Put(lengthCodes[more], lengthLengths[more]);
      }
      if (t.value < kRepeatedOffsets) continue;
      const int extra = kSlots.extra[slot];
      const std::uint32_t rest = t.value - kSlots.base[slot];
      if (aligned && extra >= 3) {
        bits.Put(rest >> 3, extra - 3);
        bits.Put(alignedCodes[rest & 7], alignedLengths[rest & 7]);
      } else {
        bits.Put(rest, extra);
      }
    }
    bits.Align(false);
    ready.back().size = heldSizes_[k];
    if (ready.back().bytes.size() > heldSizes_[k] + kMaxGrowth) {
      ready.resize(readyBefore);
      return false;
    }
  }
  first_ = false;
  std::memcpy(mainLengths_, mainLengths, sizeof mainLengths_);
  std::memcpy(lengthLengths_, lengthLengths, sizeof lengthLengths_);
  LearnCosts(mainLengths, lengthLengths);
  return true;
}

// The held frames as one block; should one of them then grow too much,
// as one block each.
void LzxEncoder::WriteHeld(std::vector<Frame>& ready) {
  if (heldEnds_.empty()) return;
  if (!WriteBlock(0, heldEnds_.size(), ready))
    for (std::size_t k = 0; k < heldEnds_.size(); ++k) WriteBlock(k, k + 1, ready);
  tokens_.erase(tokens_.begin(), tokens_.begin() + static_cast<std::ptrdiff_t>(heldEnds_.back()));
  held_ = Symbols{};
  heldEnds_.clear();
  heldSizes_.clear();
}

// The symbols of the tokens from first on, counted.
void LzxEncoder::Count(std::size_t first, Symbols& out) const {
  out = Symbols{};
  for (std::size_t i = first; i < tokens_.size(); ++i) {
    const Token& t = tokens_[i];
    const int slot = CountSymbols(t.length, t.value, out.main, out.length);
    if (slot >= 0 && t.value >= kRepeatedOffsets) out.extraBits += kSlots.extra[slot];
  }
}

// Whether the counted symbols code into fewer bytes than size with trees of
// their own (counting the trees at a little over a hundred bytes).
bool LzxEncoder::Pays(const Symbols& symbols, std::size_t size) const {
  const int mainSize = 256 + slots_ * 8;
  std::uint8_t mainLengths[kMainSizeMax] = {}, lengthLengths[kLengthSize] = {};
  HuffmanLengths(symbols.main, mainSize, kMaxCodeLength, mainLengths);
  HuffmanLengths(symbols.length, kLengthSize, kMaxCodeLength, lengthLengths);
  std::uint64_t bits = symbols.extraBits;
  for (int i = 0; i < mainSize; ++i) bits += std::uint64_t(symbols.main[i]) * mainLengths[i];
  for (int i = 0; i < kLengthSize; ++i) bits += std::uint64_t(symbols.length[i]) * lengthLengths[i];
  return bits / 8 + kTreeBytes < size;
}

namespace {

// Bits an ideal code of these counts takes (with others added in, when given).
double EntropyBits(const std::uint32_t* counts, const std::uint32_t* more, int n) {
  double total = 0, sum = 0;
  for (int i = 0; i < n; ++i) {
    const double f = counts[i] + (more ? more[i] : 0);
    if (f > 0) sum -= f * std::log2(f);
    total += f;
  }
  return total > 0 ? sum + total * std::log2(total) : 0;
}

double EntropyBits(const LzxEncoder::Symbols& a, const LzxEncoder::Symbols* b, int mainSize) {
  return EntropyBits(a.main, b ? b->main : nullptr, mainSize) +
         EntropyBits(a.length, b ? b->length : nullptr, kLengthSize);
}

}  // namespace

// Whether the frame just counted codes better in a block of its own than
// with the frames held: where the data changes its kind (code, tables,
// text) the held trees fit it badly.
bool LzxEncoder::StartsBlock(const Symbols& frame) const {
  const int mainSize = 256 + slots_ * 8;
  const double together = EntropyBits(held_, &frame, mainSize);
  const double apart = EntropyBits(held_, nullptr, mainSize) + EntropyBits(frame, nullptr, mainSize);
  return together > apart + 8.0 * kTreeBytes;
}

// Stored as it is, with the repeated offsets the frame began with; the
// trees of the block before stay the reference of the next.
void LzxEncoder::WriteStored(const std::uint8_t* data, std::size_t size, std::vector<Frame>& ready) {
  ready.emplace_back();
  ready.back().size = size;
  std::vector<std::uint8_t>& out = ready.back().bytes;
  BitWriter bits(out);
  PutBlockHeader(bits, first_, kBlockUncompressed, size);
  bits.Align(true);
  for (std::uint32_t r : r_)
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(r >> (8 * i)));
  out.insert(out.end(), data, data + size);
  if (size & 1) out.push_back(0);
  first_ = false;
}

bool LzxEncoder::Encode(const std::uint8_t* data, std::size_t size, std::vector<Frame>& ready) {
  if (windowBits_ == 0 || size == 0 || size > kLzxFrameSize) return false;
  Take(data, size);
  std::uint8_t* const frame = bytes_.get() + end_ - size;
  if (frames_ < kTranslatedFrames) TranslateCalls(frame, size, base_ + static_cast<std::int64_t>(end_ - size));
  ++frames_;
  std::uint32_t r[kRepeatedOffsets];
  std::copy(std::begin(r_), std::end(r_), r);
  const std::size_t before = tokens_.size();
  Parse(end_ - size, size);
  Count(before, frame_);
  if (!Pays(frame_, size)) {
    // Stored, with the repeated offsets as they were before the frame.
    tokens_.resize(before);
    std::copy(std::begin(r), std::end(r), r_);
    WriteHeld(ready);
    WriteStored(frame, size, ready);
    return true;
  }
  if (!heldEnds_.empty() && StartsBlock(frame_)) WriteHeld(ready);
  for (int i = 0; i < kMainSizeMax; ++i) held_.main[i] += frame_.main[i];
  for (int i = 0; i < kLengthSize; ++i) held_.length[i] += frame_.length[i];
  heldEnds_.push_back(tokens_.size());
  heldSizes_.push_back(size);
  if (heldEnds_.size() == kFramesPerBlock) WriteHeld(ready);
  return true;
}

void LzxEncoder::Finish(std::vector<Frame>& ready) { WriteHeld(ready); }

}  // namespace platform
