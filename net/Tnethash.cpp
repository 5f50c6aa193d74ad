#include "net/Tnethash.h"

#include "net/Nettext.h"
#include "platform/rtl/Tstream.h"

#include <bit>
#include <cstring>

namespace {

inline uint32_t Rol(uint32_t v, unsigned n) { return (v << n) | (v >> (32 - n)); }

static_assert(std::endian::native == std::endian::little, "message words are loaded as machine words");

inline uint32_t LoadLE(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

const uint32_t InitialState[4] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};

} // namespace

std::string TNetHash128::AsHex(const T4x4LongWordRecord& Value)
{
    std::string result;
    result.reserve(32);
    for (uint32_t word : Value)
        for (int i = 0; i < 4; ++i) {
            const uint8_t b = static_cast<uint8_t>(word >> (8 * i));
            result += HexDigits[b >> 4];
            result += HexDigits[b & 15];
        }
    return result;
}

void TNetHashMessageDigest4::Reset()
{
    std::memcpy(FState.data(), InitialState, sizeof InitialState);
    FBuffered = 0;
    FLength = 0;
}

void TNetHashMessageDigest4::Update(const void* Data, size_t Size)
{
    const uint8_t* p = static_cast<const uint8_t*>(Data);
    FLength += Size;
    if (FBuffered > 0) {
        const size_t take = std::min(Size, 64 - FBuffered);
        std::memcpy(FBuffer + FBuffered, p, take);
        FBuffered += take;
        p += take;
        Size -= take;
        if (FBuffered < 64)
            return;
        MDCoder(FBuffer, 1);
        FBuffered = 0;
    }
    if (Size >= 64) {
        MDCoder(p, Size / 64);
        p += Size / 64 * 64;
        Size %= 64;
    }
    std::memcpy(FBuffer, p, Size);
    FBuffered = Size;
}

T4x4LongWordRecord TNetHashMessageDigest4::Finish()
{
    const uint64_t bits = FLength * 8;
    uint8_t tail[72] = {0x80};
    const size_t pad = (FBuffered < 56 ? 56 : 120) - FBuffered;
    for (int i = 0; i < 8; ++i)
        tail[pad + i] = static_cast<uint8_t>(bits >> (8 * i));
    Update(tail, pad + 8);
    return FState;
}

T4x4LongWordRecord TNetHashMessageDigest4::HashValue(const void* Data, size_t Size)
{
    Reset();
    Update(Data, Size);
    return Finish();
}

void TNetHashMessageDigest4::MDCoder(const uint8_t* Blocks, size_t Count)
{
    uint32_t a0 = FState[0], b0 = FState[1], c0 = FState[2], d0 = FState[3];
    for (; Count > 0; --Count, Blocks += 64) {
        uint32_t x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = LoadLE(Blocks + 4 * i);
        uint32_t a = a0, b = b0, c = c0, d = d0;
        auto F = [](uint32_t u, uint32_t v, uint32_t w) { return (u & v) | (~u & w); };
        auto G = [](uint32_t u, uint32_t v, uint32_t w) { return (u & v) | (u & w) | (v & w); };
        auto H = [](uint32_t u, uint32_t v, uint32_t w) { return u ^ v ^ w; };
        static const int s1[4] = {3, 7, 11, 19}, s2[4] = {3, 5, 9, 13}, s3[4] = {3, 9, 11, 15};
        static const int o3[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
        for (int i = 0; i < 16; ++i) {
            const uint32_t t = Rol(a + F(b, c, d) + x[i], s1[i & 3]);
            a = d; d = c; c = b; b = t;
        }
        for (int i = 0; i < 16; ++i) {
            const int k = (i & 3) * 4 + (i >> 2);
            const uint32_t t = Rol(a + G(b, c, d) + x[k] + 0x5A827999u, s2[i & 3]);
            a = d; d = c; c = b; b = t;
        }
        for (int i = 0; i < 16; ++i) {
            const uint32_t t = Rol(a + H(b, c, d) + x[o3[i]] + 0x6ED9EBA1u, s3[i & 3]);
            a = d; d = c; c = b; b = t;
        }
        a0 += a; b0 += b; c0 += c; d0 += d;
    }
    FState = {a0, b0, c0, d0};
}

// One step: a = b + ((a + f(b, c, d) + word + constant) <<< s), fully unrolled with the
// constants in the code and each word read from the block where it lies; the sum without f
// is ready before f. G is the sum of its two disjoint halves: the half without b starts early.
#define F5(x, y, z) (z ^ (x & (y ^ z)))
#define G5(x, y, z) ((~z & y) + (z & x))
#define H5(x, y, z) (x ^ y ^ z)
#define I5(x, y, z) (y ^ (x | ~z))
#define MD5STEP(f, a, b, c, d, word, constant, s) a = b + Rol(f(b, c, d) + (a + LoadLE(Blocks + 4 * (word)) + (constant)), s)

void TNetHashMessageDigest5::MDCoder(const uint8_t* Blocks, size_t Count)
{
    uint32_t a0 = FState[0], b0 = FState[1], c0 = FState[2], d0 = FState[3];
    for (; Count > 0; --Count, Blocks += 64) {
        uint32_t a = a0, b = b0, c = c0, d = d0;
        // Round 1.
        MD5STEP(F5, a, b, c, d, 0, 0xd76aa478, 7);
        MD5STEP(F5, d, a, b, c, 1, 0xe8c7b756, 12);
        MD5STEP(F5, c, d, a, b, 2, 0x242070db, 17);
        MD5STEP(F5, b, c, d, a, 3, 0xc1bdceee, 22);
        MD5STEP(F5, a, b, c, d, 4, 0xf57c0faf, 7);
        MD5STEP(F5, d, a, b, c, 5, 0x4787c62a, 12);
        MD5STEP(F5, c, d, a, b, 6, 0xa8304613, 17);
        MD5STEP(F5, b, c, d, a, 7, 0xfd469501, 22);
        MD5STEP(F5, a, b, c, d, 8, 0x698098d8, 7);
        MD5STEP(F5, d, a, b, c, 9, 0x8b44f7af, 12);
        MD5STEP(F5, c, d, a, b, 10, 0xffff5bb1, 17);
        MD5STEP(F5, b, c, d, a, 11, 0x895cd7be, 22);
        MD5STEP(F5, a, b, c, d, 12, 0x6b901122, 7);
        MD5STEP(F5, d, a, b, c, 13, 0xfd987193, 12);
        MD5STEP(F5, c, d, a, b, 14, 0xa679438e, 17);
        MD5STEP(F5, b, c, d, a, 15, 0x49b40821, 22);
        // Round 2.
        MD5STEP(G5, a, b, c, d, 1, 0xf61e2562, 5);
        MD5STEP(G5, d, a, b, c, 6, 0xc040b340, 9);
        MD5STEP(G5, c, d, a, b, 11, 0x265e5a51, 14);
        MD5STEP(G5, b, c, d, a, 0, 0xe9b6c7aa, 20);
        MD5STEP(G5, a, b, c, d, 5, 0xd62f105d, 5);
        MD5STEP(G5, d, a, b, c, 10, 0x02441453, 9);
        MD5STEP(G5, c, d, a, b, 15, 0xd8a1e681, 14);
        MD5STEP(G5, b, c, d, a, 4, 0xe7d3fbc8, 20);
        MD5STEP(G5, a, b, c, d, 9, 0x21e1cde6, 5);
        MD5STEP(G5, d, a, b, c, 14, 0xc33707d6, 9);
        MD5STEP(G5, c, d, a, b, 3, 0xf4d50d87, 14);
        MD5STEP(G5, b, c, d, a, 8, 0x455a14ed, 20);
        MD5STEP(G5, a, b, c, d, 13, 0xa9e3e905, 5);
        MD5STEP(G5, d, a, b, c, 2, 0xfcefa3f8, 9);
        MD5STEP(G5, c, d, a, b, 7, 0x676f02d9, 14);
        MD5STEP(G5, b, c, d, a, 12, 0x8d2a4c8a, 20);
        // Round 3.
        MD5STEP(H5, a, b, c, d, 5, 0xfffa3942, 4);
        MD5STEP(H5, d, a, b, c, 8, 0x8771f681, 11);
        MD5STEP(H5, c, d, a, b, 11, 0x6d9d6122, 16);
        MD5STEP(H5, b, c, d, a, 14, 0xfde5380c, 23);
        MD5STEP(H5, a, b, c, d, 1, 0xa4beea44, 4);
        MD5STEP(H5, d, a, b, c, 4, 0x4bdecfa9, 11);
        MD5STEP(H5, c, d, a, b, 7, 0xf6bb4b60, 16);
        MD5STEP(H5, b, c, d, a, 10, 0xbebfbc70, 23);
        MD5STEP(H5, a, b, c, d, 13, 0x289b7ec6, 4);
        MD5STEP(H5, d, a, b, c, 0, 0xeaa127fa, 11);
        MD5STEP(H5, c, d, a, b, 3, 0xd4ef3085, 16);
        MD5STEP(H5, b, c, d, a, 6, 0x04881d05, 23);
        MD5STEP(H5, a, b, c, d, 9, 0xd9d4d039, 4);
        MD5STEP(H5, d, a, b, c, 12, 0xe6db99e5, 11);
        MD5STEP(H5, c, d, a, b, 15, 0x1fa27cf8, 16);
        MD5STEP(H5, b, c, d, a, 2, 0xc4ac5665, 23);
        // Round 4.
        MD5STEP(I5, a, b, c, d, 0, 0xf4292244, 6);
        MD5STEP(I5, d, a, b, c, 7, 0x432aff97, 10);
        MD5STEP(I5, c, d, a, b, 14, 0xab9423a7, 15);
        MD5STEP(I5, b, c, d, a, 5, 0xfc93a039, 21);
        MD5STEP(I5, a, b, c, d, 12, 0x655b59c3, 6);
        MD5STEP(I5, d, a, b, c, 3, 0x8f0ccc92, 10);
        MD5STEP(I5, c, d, a, b, 10, 0xffeff47d, 15);
        MD5STEP(I5, b, c, d, a, 1, 0x85845dd1, 21);
        MD5STEP(I5, a, b, c, d, 8, 0x6fa87e4f, 6);
        MD5STEP(I5, d, a, b, c, 15, 0xfe2ce6e0, 10);
        MD5STEP(I5, c, d, a, b, 6, 0xa3014314, 15);
        MD5STEP(I5, b, c, d, a, 13, 0x4e0811a1, 21);
        MD5STEP(I5, a, b, c, d, 4, 0xf7537e82, 6);
        MD5STEP(I5, d, a, b, c, 11, 0xbd3af235, 10);
        MD5STEP(I5, c, d, a, b, 2, 0x2ad7d2bb, 15);
        MD5STEP(I5, b, c, d, a, 9, 0xeb86d391, 21);
        a0 += a; b0 += b; c0 += c; d0 += d;
    }
    FState = {a0, b0, c0, d0};
}

#undef MD5STEP
#undef F5
#undef G5
#undef H5
#undef I5

T4x4LongWordRecord TNetHashMessageDigest4::HashValue(TStream& Stream)
{
    Reset();
    uint8_t buffer[65536];
    for (;;) {
        const int32_t n = Stream.Read(buffer, sizeof buffer);
        if (n <= 0)
            break;
        Update(buffer, static_cast<size_t>(n));
    }
    return Finish();
}
