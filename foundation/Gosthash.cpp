#include "foundation/Gosthash.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace {

// The 256-bit values are kept as four little-endian 64-bit words (word 0 = bytes 0..7)
// or as sixteen 16-bit words, the least significant first.

// The mixing function psi shifts the sixteen 16-bit words down by one and puts
// y1 ^ y2 ^ y3 ^ y4 ^ y13 ^ y16 on top. It is linear, so psi^n is a 16 x 16 bit
// matrix: bit j of Rows[i] says that output word i takes in input word j.
using PsiMatrix = std::array<uint16_t, 16>;

constexpr PsiMatrix PsiPower(int n) {
  PsiMatrix m{};
  for (int i = 0; i < 16; ++i) m[i] = static_cast<uint16_t>(1u << i);
  for (int step = 0; step < n; ++step) {
    uint16_t top = m[0] ^ m[1] ^ m[2] ^ m[3] ^ m[12] ^ m[15];
    for (int i = 0; i < 15; ++i) m[i] = m[i + 1];
    m[15] = top;
  }
  return m;
}

template <int N>
struct TPsi {
  static constexpr PsiMatrix Rows = PsiPower(N);

  template <size_t I, size_t... J>
  static uint16_t Row(const uint16_t* in, std::index_sequence<J...>) {
    return static_cast<uint16_t>((((Rows[I] >> J) & 1 ? in[J] : 0) ^ ...));
  }
  // out ^= psi^N(in), every word unrolled at compile time.
  template <size_t... I>
  static void XorInto(uint16_t* out, const uint16_t* in, std::index_sequence<I...>) {
    ((out[I] ^= Row<I>(in, std::make_index_sequence<16>())), ...);
  }
  static void XorInto(uint16_t* out, const uint16_t* in) {
    XorInto(out, in, std::make_index_sequence<16>());
  }
};

// A: (y4 || y3 || y2 || y1) -> (y1 ^ y2 || y4 || y3 || y2), with 64-bit words yi.
inline void TransformA(uint64_t* y) {
  uint64_t low = y[0] ^ y[1];
  y[0] = y[1];
  y[1] = y[2];
  y[2] = y[3];
  y[3] = low;
}

// P: the byte transposition that makes a cipher key of a 256-bit value:
// key byte i + 4j = value byte 8i + j.
inline void TransformP(const uint64_t* w, uint32_t* key) {
#pragma GCC unroll 8
  for (int j = 0; j < 8; ++j) {
    int shift = 8 * j;
    key[j] = static_cast<uint32_t>((w[0] >> shift) & 0xFF) |
             static_cast<uint32_t>((w[1] >> shift) & 0xFF) << 8 |
             static_cast<uint32_t>((w[2] >> shift) & 0xFF) << 16 |
             static_cast<uint32_t>((w[3] >> shift) & 0xFF) << 24;
  }
}

// The constant C3 of the key generation; C2 and C4 are zero.
constexpr uint64_t C3[4] = {0xFF00FF00FF00FF00ull, 0x00FF00FF00FF00FFull,
                            0xFF0000FF00FFFF00ull, 0xFF00FFFF000000FFull};

}  // namespace

TGostHash::TGostHash(const TGostTables& tables) : Tables(&tables) { Reset(); }

TGostHash::~TGostHash() {
  WipeMemory(&Work, sizeof Work);
  WipeMemory(H, sizeof H);
  WipeMemory(Sum, sizeof Sum);
  WipeMemory(Pending, sizeof Pending);
}

void TGostHash::Reset() {
  std::memset(H, 0, sizeof H);
  std::memset(Sum, 0, sizeof Sum);
  Length = 0;
  PendingSize = 0;
}

// Encrypts four blocks under four keys at once: the four encryptions of a step are
// independent, and interleaving their rounds lets the processor overlap the look-ups. Every
// lane is a named variable and every key index a constant, so that the state stays in
// registers.
static void EncryptFour(const TGostTables& t, const uint32_t key[4][8], uint32_t n1[4], uint32_t n2[4]) {
  uint32_t a0 = n1[0], a1 = n1[1], a2 = n1[2], a3 = n1[3];
  uint32_t b0 = n2[0], b1 = n2[1], b2 = n2[2], b3 = n2[3];
  // Two rounds of every lane: b takes the round value of a under key word i, then a that
  // of b under key word j.
#define GOST_FOUR_ROUNDS(i, j)                                                                 \
  b0 ^= t.F(a0 + key[0][i]), b1 ^= t.F(a1 + key[1][i]), b2 ^= t.F(a2 + key[2][i]), b3 ^= t.F(a3 + key[3][i]); \
  a0 ^= t.F(b0 + key[0][j]), a1 ^= t.F(b1 + key[1][j]), a2 ^= t.F(b2 + key[2][j]), a3 ^= t.F(b3 + key[3][j]);
#define GOST_FOUR_FORWARD GOST_FOUR_ROUNDS(0, 1) GOST_FOUR_ROUNDS(2, 3) GOST_FOUR_ROUNDS(4, 5) GOST_FOUR_ROUNDS(6, 7)
  GOST_FOUR_FORWARD
  GOST_FOUR_FORWARD
  GOST_FOUR_FORWARD
  GOST_FOUR_ROUNDS(7, 6) GOST_FOUR_ROUNDS(5, 4) GOST_FOUR_ROUNDS(3, 2) GOST_FOUR_ROUNDS(1, 0)
#undef GOST_FOUR_FORWARD
#undef GOST_FOUR_ROUNDS
  n1[0] = b0, n1[1] = b1, n1[2] = b2, n1[3] = b3;
  n2[0] = a0, n2[1] = a1, n2[2] = a2, n2[3] = a3;
}

// H := f(H, M).
void TGostHash::Step(const uint64_t m[4]) {
  uint64_t* u = Work.U;
  uint64_t* v = Work.V;
  std::memcpy(u, H, 32);
  std::memcpy(v, m, 32);
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      TransformA(u);
      if (i == 2)
        for (int k = 0; k < 4; ++k) u[k] ^= C3[k];
      TransformA(v);
      TransformA(v);
    }
    uint64_t w[4] = {u[0] ^ v[0], u[1] ^ v[1], u[2] ^ v[2], u[3] ^ v[3]};
    TransformP(w, Work.Keys[i]);
  }
  uint32_t n1[4], n2[4];
  for (int i = 0; i < 4; ++i) {
    n1[i] = static_cast<uint32_t>(H[i]);
    n2[i] = static_cast<uint32_t>(H[i] >> 32);
  }
  EncryptFour(*Tables, Work.Keys, n1, n2);
  uint64_t s[4];
  for (int i = 0; i < 4; ++i) s[i] = n1[i] | static_cast<uint64_t>(n2[i]) << 32;
  // H' = psi^61(H ^ psi(M ^ psi^12(S))), each power as its matrix: fewer terms than the
  // expanded psi^61(H) ^ psi^62(M) ^ psi^74(S).
  uint16_t hw[16], mw[16], sw[16], out[16] = {};
  std::memcpy(hw, H, sizeof hw);
  std::memcpy(mw, m, sizeof mw);
  std::memcpy(sw, s, sizeof sw);
  TPsi<12>::XorInto(mw, sw);
  TPsi<1>::XorInto(hw, mw);
  TPsi<61>::XorInto(out, hw);
  std::memcpy(H, out, sizeof H);
}

void TGostHash::AddToSum(const uint64_t m[4]) {
  unsigned carry = 0;
  for (int k = 0; k < 4; ++k) {
    uint64_t a = Sum[k] + m[k];
    unsigned c1 = a < Sum[k];
    uint64_t b = a + carry;
    unsigned c2 = b < a;
    Sum[k] = b;
    carry = c1 | c2;
  }
}

void TGostHash::Block(const uint8_t* data) {
  uint64_t m[4];
  std::memcpy(m, data, sizeof m);
  Step(m);
  AddToSum(m);
}

void TGostHash::Update(const void* data, size_t size) {
  if (size == 0) return;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  Length += size;
  if (PendingSize > 0) {
    size_t take = std::min(size, 32 - PendingSize);
    std::memcpy(Pending + PendingSize, p, take);
    PendingSize += take;
    p += take;
    size -= take;
    if (PendingSize < 32) return;
    Block(Pending);
    PendingSize = 0;
  }
  for (; size >= 32; p += 32, size -= 32) Block(p);
  std::memcpy(Pending, p, size);
  PendingSize = size;
}

void TGostHash::Final(uint8_t digest[GostHashSize]) {
  if (PendingSize > 0) {
    // The last partial block is padded with zeros; the length counts only real bytes.
    std::memset(Pending + PendingSize, 0, 32 - PendingSize);
    Block(Pending);
  }
  uint64_t bits[4] = {Length << 3, Length >> 61, 0, 0};
  Step(bits);
  Step(Sum);
  std::memcpy(digest, H, GostHashSize);
  WipeMemory(&Work, sizeof Work);
  WipeMemory(H, sizeof H);
  WipeMemory(Sum, sizeof Sum);
  WipeMemory(Pending, sizeof Pending);
  Reset();
}

void TGostHash::Compute(const void* data, size_t size, uint8_t digest[GostHashSize],
                        const TGostTables& tables) {
  TGostHash hash(tables);
  hash.Update(data, size);
  hash.Final(digest);
}
