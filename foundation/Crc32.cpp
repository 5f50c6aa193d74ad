#include "foundation/Crc32.h"

#include <array>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

using TTables = std::array<std::array<uint32_t, 256>, 8>;

const TTables& Tables() {
  static const TTables tables = [] {
    TTables t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[0][n] = c;
    }
    for (uint32_t n = 0; n < 256; ++n)
      for (int k = 1; k < 8; ++k) t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
    return t;
  }();
  return tables;
}

// On the register value (the CRC inverted).
uint32_t UpdateByTables(uint32_t crc, const unsigned char* p, size_t size) {
  const TTables& tables = Tables();
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    const uint32_t low = crc ^ (uint32_t(p[i]) | uint32_t(p[i + 1]) << 8 | uint32_t(p[i + 2]) << 16 |
                                uint32_t(p[i + 3]) << 24);
    crc = tables[7][low & 0xFF] ^ tables[6][(low >> 8) & 0xFF] ^ tables[5][(low >> 16) & 0xFF] ^
          tables[4][low >> 24] ^ tables[3][p[i + 4]] ^ tables[2][p[i + 5]] ^ tables[1][p[i + 6]] ^
          tables[0][p[i + 7]];
  }
  for (; i < size; ++i) crc = tables[0][(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

#if defined(__x86_64__)

#define QUILLARAN_FOLDING __attribute__((target("pclmul,sse4.1")))

QUILLARAN_FOLDING inline __m128i Load(const unsigned char* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// x times the two constants of k (one per half), added to the next 128 bits.
QUILLARAN_FOLDING inline __m128i Fold(__m128i x, __m128i k, __m128i next) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x11), _mm_clmulepi64_si128(x, k, 0x00)), next);
}

// 128 bits of the register and data folded on, reduced to the 32 of the register (Barrett
// reduction), after folding the 16-byte blocks that remain.
QUILLARAN_FOLDING uint32_t Reduce(__m128i x1, const unsigned char* p, size_t size) {
  const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
  const __m128i k5 = _mm_set_epi64x(0, 0x0163cd6124);
  const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);
  for (; size >= 16; p += 16, size -= 16) x1 = Fold(x1, k3k4, Load(p));

  // 128 bits to 64, then to 32.
  const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k3k4, 0x10));
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00), _mm_srli_si128(x1, 4));
  __m128i x2b = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10);
  x2b = _mm_clmulepi64_si128(_mm_and_si128(x2b, low32), poly, 0x00);
  x1 = _mm_xor_si128(x1, x2b);
  return uint32_t(_mm_extract_epi32(x1, 1));
}

// Folds 64 bytes at a time by carry-less multiplication. `size` is at least 64 and a
// multiple of 16. The constants are powers of x modulo the polynomial, bit-reflected.
QUILLARAN_FOLDING uint32_t UpdateByFolding(uint32_t crc, const unsigned char* p, size_t size) {
  const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
  const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);

  __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(int(crc)));
  __m128i x2 = Load(p + 16), x3 = Load(p + 32), x4 = Load(p + 48);
  p += 64;
  size -= 64;
  for (; size >= 64; p += 64, size -= 64) {
    x1 = Fold(x1, k1k2, Load(p));
    x2 = Fold(x2, k1k2, Load(p + 16));
    x3 = Fold(x3, k1k2, Load(p + 32));
    x4 = Fold(x4, k1k2, Load(p + 48));
  }
  x1 = Fold(x1, k3k4, x2);
  x1 = Fold(x1, k3k4, x3);
  x1 = Fold(x1, k3k4, x4);
  return Reduce(x1, p, size);
}

bool CanFold() {
  static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  return can;
}

#undef QUILLARAN_FOLDING

#endif

}  // namespace

uint32_t Crc32ByTables(const char* data, size_t size, uint32_t crc) {
  return UpdateByTables(crc ^ 0xFFFFFFFFu, reinterpret_cast<const unsigned char*>(data), size) ^ 0xFFFFFFFFu;
}

uint32_t Crc32(const char* data, size_t size, uint32_t crc) {
  const auto* p = reinterpret_cast<const unsigned char*>(data);
  crc ^= 0xFFFFFFFFu;
#if defined(__x86_64__)
  if (size >= 64 && CanFold()) {
    const size_t folded = size & ~size_t(15);
    crc = UpdateByFolding(crc, p, folded);
    p += folded;
    size -= folded;
  }
#endif
  return UpdateByTables(crc, p, size) ^ 0xFFFFFFFFu;
}
