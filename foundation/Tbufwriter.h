#pragma once
// Buffered sequential writer of binary files: little-endian integers, doubles
// and characters, over an open file handle (which it does not close) or into a
// memory block. A failed write is reported to the error state once; later
// writes are dropped. The destructor flushes.
//
// A writer into memory is how a portion is composed before it is transformed
// (an encrypted portion is written into memory, enciphered, then written here).

#include "platform/kernel/Fileapi.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

class TBufWriter {
 public:
  static constexpr size_t kDefaultBufferSize = 256 * 1024;

  explicit TBufWriter(HANDLE file, size_t bufferSize = kDefaultBufferSize);
  explicit TBufWriter(std::string& memory);
  ~TBufWriter();
  TBufWriter(const TBufWriter&) = delete;
  TBufWriter& operator=(const TBufWriter&) = delete;

  void WriteByte(uint8_t v) { Put(&v, 1); }
  void WriteWord(uint16_t v) { PutLE(v); }
  void WriteDWord(uint32_t v) { PutLE(v); }
  void WriteDouble(double v) { PutLE(std::bit_cast<uint64_t>(v)); }
  void WriteBytes(const void* data, size_t size) { Put(data, size); }
  // Characters without terminator or length.
  void WriteAnsiString(std::string_view text) { Put(text.data(), text.size()); }
  void WritePChar(const char* text) {
    if (text) Put(text, std::strlen(text));
  }

  // Writes out the buffer; false when writing failed now or before.
  bool Flush();
  // Bytes written through this writer so far.
  uint64_t Position() const { return fFlushed + static_cast<uint64_t>(fPos - fBuffer.data()); }
  bool IsFailed() const { return fFailed; }

 private:
  template <class T>
  void PutLE(T v) {
    if constexpr (std::endian::native == std::endian::big) v = ByteSwap(v);
    Put(&v, sizeof v);
  }
  template <class T>
  static T ByteSwap(T v) {
    T r = 0;
    for (size_t i = 0; i < sizeof v; ++i) r = static_cast<T>((r << 8) | ((v >> (8 * i)) & 0xFF));
    return r;
  }
  void Put(const void* data, size_t size) {
    if (size <= static_cast<size_t>(fEnd - fPos)) {
      std::memcpy(fPos, data, size);
      fPos += size;
    } else {
      PutSlow(data, size);
    }
  }
  void PutSlow(const void* data, size_t size);
  bool WriteOut(const char* data, size_t size);

  HANDLE fFile = INVALID_HANDLE_VALUE;
  std::string* fMemory = nullptr;
  std::vector<char> fBuffer;
  char* fPos;
  char* fEnd;
  uint64_t fFlushed = 0;
  bool fFailed = false;
};
