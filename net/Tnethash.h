#pragma once
// 128-bit message digests MD4 (RFC 1320) and MD5 (RFC 1321).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class TStream;

// Four 32-bit state words A, B, C, D; their little-endian bytes are the digest.
using T4x4LongWordRecord = std::array<uint32_t, 4>;

class TNetHash {
public:
    virtual ~TNetHash() = default;
};

class TNetHash128 : public TNetHash {
public:
    // Digest of the bytes from the stream's position to its end.
    virtual T4x4LongWordRecord HashValue(TStream& Stream) = 0;
    // Digest of a memory block, and of a text's bytes.
    virtual T4x4LongWordRecord HashValue(const void* Data, size_t Size) = 0;
    T4x4LongWordRecord HashValue(const std::string& Text) { return HashValue(Text.data(), Text.size()); }
    // 32 upper-case hexadecimal digits, two per digest byte in byte order.
    static std::string AsHex(const T4x4LongWordRecord& Value);
};

class TNetHashMessageDigest : public TNetHash128 {};

class TNetHashMessageDigest4 : public TNetHashMessageDigest {
public:
    using TNetHash128::HashValue;
    T4x4LongWordRecord HashValue(TStream& Stream) override;
    T4x4LongWordRecord HashValue(const void* Data, size_t Size) override;

protected:
    // Runs the block transform over Count whole 64-byte blocks.
    virtual void MDCoder(const uint8_t* Blocks, size_t Count);
    void Reset();
    void Update(const void* Data, size_t Size);
    T4x4LongWordRecord Finish();

    T4x4LongWordRecord FState{};
    uint8_t FBuffer[64]{};
    size_t FBuffered = 0;
    uint64_t FLength = 0;
};

class TNetHashMessageDigest5 : public TNetHashMessageDigest4 {
protected:
    void MDCoder(const uint8_t* Blocks, size_t Count) override;
};
