#include "net/Tnethash.h"

#include "net/Nettext.h"
#include "platform/rtl/Tstream.h"

#include <cstring>

namespace {

inline uint32_t Rol(uint32_t v, unsigned n) { return (v << n) | (v >> (32 - n)); }

inline uint32_t LoadLE(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
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

namespace {

const uint32_t K5[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

#define MD5STEP(f, a, b, c, d, x, k, s) a = b + Rol(a + f(b, c, d) + x + k, s)
#define MD5STEPG(a, b, c, d, x, k, s) a = b + Rol(a + x + k + (~d & c) + (d & b), s)
#define F5(x, y, z) (z ^ (x & (y ^ z)))
#define H5(x, y, z) (x ^ y ^ z)
#define I5(x, y, z) (y ^ (x | ~z))

} // namespace

void TNetHashMessageDigest5::MDCoder(const uint8_t* Blocks, size_t Count)
{
    uint32_t a0 = FState[0], b0 = FState[1], c0 = FState[2], d0 = FState[3];
    for (; Count > 0; --Count, Blocks += 64) {
        uint32_t x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = LoadLE(Blocks + 4 * i);
        uint32_t a = a0, b = b0, c = c0, d = d0;
        for (int i = 0; i < 16; i += 4) {
            MD5STEP(F5, a, b, c, d, x[i], K5[i], 7);
            MD5STEP(F5, d, a, b, c, x[i + 1], K5[i + 1], 12);
            MD5STEP(F5, c, d, a, b, x[i + 2], K5[i + 2], 17);
            MD5STEP(F5, b, c, d, a, x[i + 3], K5[i + 3], 22);
        }
        // G as the sum of its two disjoint halves: the half without b starts early.
        for (int i = 16; i < 32; i += 4) {
            MD5STEPG(a, b, c, d, x[(5 * i + 1) & 15], K5[i], 5);
            MD5STEPG(d, a, b, c, x[(5 * i + 6) & 15], K5[i + 1], 9);
            MD5STEPG(c, d, a, b, x[(5 * i + 11) & 15], K5[i + 2], 14);
            MD5STEPG(b, c, d, a, x[(5 * i + 16) & 15], K5[i + 3], 20);
        }
        for (int i = 32; i < 48; i += 4) {
            MD5STEP(H5, a, b, c, d, x[(3 * i + 5) & 15], K5[i], 4);
            MD5STEP(H5, d, a, b, c, x[(3 * i + 8) & 15], K5[i + 1], 11);
            MD5STEP(H5, c, d, a, b, x[(3 * i + 11) & 15], K5[i + 2], 16);
            MD5STEP(H5, b, c, d, a, x[(3 * i + 14) & 15], K5[i + 3], 23);
        }
        for (int i = 48; i < 64; i += 4) {
            MD5STEP(I5, a, b, c, d, x[(7 * i) & 15], K5[i], 6);
            MD5STEP(I5, d, a, b, c, x[(7 * i + 7) & 15], K5[i + 1], 10);
            MD5STEP(I5, c, d, a, b, x[(7 * i + 14) & 15], K5[i + 2], 15);
            MD5STEP(I5, b, c, d, a, x[(7 * i + 21) & 15], K5[i + 3], 21);
        }
        a0 += a; b0 += b; c0 += c; d0 += d;
    }
    FState = {a0, b0, c0, d0};
}

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
