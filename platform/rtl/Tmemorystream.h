#pragma once
// Streams over a block of memory. TCustomMemoryStream reads a block that a
// descendant provides (SetPointer); TMemoryStream owns its growing block.

#include "platform/rtl/Tstream.h"

#include <string>

class TCustomMemoryStream : public TStream {
 public:
  int32_t Read(void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return size_; }
  void SaveToStream(TStream* Stream);
  void SaveToFile(const std::string& FileName);
  void* Memory() const { return memory_; }

 protected:
  void SetPointer(void* Ptr, int64_t Size);
  int64_t position_ = 0;

 private:
  void* memory_ = nullptr;
  int64_t size_ = 0;
};

class TMemoryStream : public TCustomMemoryStream {
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;

  int32_t Write(const void* Buffer, int32_t Count) override;
  void SetSize(int64_t NewSize) override;
  void Clear();
  void LoadFromStream(TStream* Stream);
  void LoadFromFile(const std::string& FileName);
  int64_t Capacity() const { return capacity_; }

 protected:
  // Resizes the owned block to at least NewCapacity bytes and returns it
  // (null for 0); raises EStreamError "Out of memory while expanding memory stream".
  virtual void* Realloc(int64_t& NewCapacity);
  void SetCapacity(int64_t NewCapacity);

 private:
  int64_t capacity_ = 0;
};
