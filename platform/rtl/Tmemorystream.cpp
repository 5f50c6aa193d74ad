#include "platform/rtl/Tmemorystream.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Tfilestream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {
constexpr int64_t kMemoryDelta = 0x2000;  // growth step of the owned block
}

void TCustomMemoryStream::SetPointer(void* Ptr, int64_t Size) {
  memory_ = Ptr;
  size_ = Size;
}

int32_t TCustomMemoryStream::Read(void* Buffer, int32_t Count) {
  if (position_ < 0 || Count <= 0 || position_ >= size_) return 0;
  int64_t n = size_ - position_;
  if (n > Count) n = Count;
  std::memcpy(Buffer, static_cast<char*>(memory_) + position_, static_cast<size_t>(n));
  position_ += n;
  return static_cast<int32_t>(n);
}

int64_t TCustomMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soBeginning: position_ = Offset; break;
    case soCurrent: position_ += Offset; break;
    case soEnd: position_ = size_ + Offset; break;
  }
  if (position_ < 0) position_ = 0;
  return position_;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream) {
  int64_t left = size_;
  const char* p = static_cast<const char*>(memory_);
  while (left > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(left, std::numeric_limits<int32_t>::max()));
    Stream->WriteBuffer(p, n);
    p += n;
    left -= n;
  }
}

void TCustomMemoryStream::SaveToFile(const std::string& FileName) {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

TMemoryStream::~TMemoryStream() { std::free(Memory()); }

void* TMemoryStream::Realloc(int64_t& NewCapacity) {
  if (NewCapacity > 0 && NewCapacity != Size())
    NewCapacity = (NewCapacity + (kMemoryDelta - 1)) & ~(kMemoryDelta - 1);
  if (NewCapacity == capacity_) return Memory();
  if (NewCapacity == 0) {
    std::free(Memory());
    return nullptr;
  }
  void* p = std::realloc(Memory(), static_cast<size_t>(NewCapacity));
  if (!p) throw EStreamError("Out of memory while expanding memory stream");
  return p;
}

void TMemoryStream::SetCapacity(int64_t NewCapacity) {
  void* p = Realloc(NewCapacity);
  SetPointer(p, std::min(Size(), NewCapacity));
  capacity_ = NewCapacity;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) NewSize = 0;
  int64_t pos = position_;
  SetCapacity(NewSize);
  SetPointer(Memory(), NewSize);
  if (pos > NewSize) Seek(0, soEnd);
}

int32_t TMemoryStream::Write(const void* Buffer, int32_t Count) {
  if (position_ < 0 || Count <= 0) return 0;
  int64_t end = position_ + Count;
  if (end > Size()) {
    // Grown by half again at least, so a stream written piece by piece is not copied per piece.
    if (end > capacity_) SetCapacity(std::max(end, capacity_ + capacity_ / 2));
    SetPointer(Memory(), end);
  }
  std::memcpy(static_cast<char*>(Memory()) + position_, Buffer, static_cast<size_t>(Count));
  position_ = end;
  return Count;
}

void TMemoryStream::Clear() {
  SetCapacity(0);
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  int64_t count = Stream->Size();
  SetSize(count);
  char* p = static_cast<char*>(Memory());
  while (count > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(count, std::numeric_limits<int32_t>::max()));
    Stream->ReadBuffer(p, n);
    p += n;
    count -= n;
  }
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}
