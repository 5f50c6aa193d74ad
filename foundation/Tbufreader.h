#pragma once
// Buffered sequential reader of binary files written by TBufWriter: little-endian
// integers, doubles and characters, from an open file handle (which it does not
// close) or from a memory block. Reading past the end or a failed read is
// reported to the error state once; the values read then are zero and later
// reads give zeros too.

#include "platform/kernel/Fileapi.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TBufReader {
 public:
  static constexpr size_t kDefaultBufferSize = 256 * 1024;

  explicit TBufReader(HANDLE file, size_t bufferSize = kDefaultBufferSize);
  // Reads at most `limit` bytes of an open file through the caller's buffer, which must
  // outlive the reader; `watch` sees every piece read from the file, in order. A quiet
  // reader reports nothing to the error state: its caller judges the file.
  TBufReader(HANDLE file, char* buffer, size_t bufferSize, uint64_t limit, std::function<void(std::string_view)> watch,
             bool quiet);
  // Reads a memory block, which must outlive the reader.
  explicit TBufReader(std::string_view data);
  TBufReader(const TBufReader&) = delete;
  TBufReader& operator=(const TBufReader&) = delete;

  uint8_t ReadByte() {
    uint8_t v = 0;
    Get(&v, 1);
    return v;
  }
  uint16_t ReadWord() { return GetLE<uint16_t>(); }
  uint32_t ReadDWord() { return GetLE<uint32_t>(); }
  double ReadDouble() { return std::bit_cast<double>(GetLE<uint64_t>()); }
  // False (and zeros) when fewer than `size` bytes remain.
  bool ReadBytes(void* data, size_t size) { return Get(data, size); }
  // `size` characters without terminator.
  std::string ReadAnsiString(size_t size);

  // True when no byte is left (or reading failed).
  bool IsEof();
  // Reads what is left up to the end (or the limit) without looking at it.
  void SkipToEnd();
  // Bytes consumed through this reader so far.
  uint64_t Position() const { return fConsumed + static_cast<uint64_t>(fPos - fStart); }
  bool IsFailed() const { return fFailed; }

 private:
  template <class T>
  T GetLE() {
    T v = 0;
    Get(&v, sizeof v);
    if constexpr (std::endian::native == std::endian::big) {
      T r = 0;
      for (size_t i = 0; i < sizeof v; ++i) r = static_cast<T>((r << 8) | ((v >> (8 * i)) & 0xFF));
      v = r;
    }
    return v;
  }
  bool Get(void* data, size_t size) {
    if (size <= static_cast<size_t>(fEnd - fPos)) {
      std::memcpy(data, fPos, size);
      fPos += size;
      return true;
    }
    return GetSlow(data, size);
  }
  bool GetSlow(void* data, size_t size);
  bool Refill();
  void Fail(const char* text);

  HANDLE fFile = INVALID_HANDLE_VALUE;
  std::vector<char> fBuffer;
  char* fData = nullptr;  // the buffer read into
  size_t fCapacity = 0;
  uint64_t fLeft = UINT64_MAX;  // bytes of the file still to be read
  std::function<void(std::string_view)> fWatch;
  bool fQuiet = false;
  const char* fStart;
  const char* fPos;
  const char* fEnd;
  uint64_t fConsumed = 0;  // bytes before fStart
  bool fAtEnd = false;
  bool fFailed = false;
};
