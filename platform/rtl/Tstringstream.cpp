#include "platform/rtl/Tstringstream.h"

#include <algorithm>
#include <cstring>

int32_t TStringStream::Read(void* Buffer, int32_t Count) {
  int64_t n = std::min<int64_t>(Size() - position_, Count);
  if (n <= 0) return 0;
  std::memcpy(Buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return static_cast<int32_t>(n);
}

int32_t TStringStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  data_.resize(static_cast<size_t>(position_));
  data_.append(static_cast<const char*>(Buffer), static_cast<size_t>(Count));
  position_ += Count;
  return Count;
}

int64_t TStringStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soBeginning: position_ = Offset; break;
    case soCurrent: position_ += Offset; break;
    case soEnd: position_ = Size() + Offset; break;
  }
  position_ = std::clamp<int64_t>(position_, 0, Size());
  return position_;
}

void TStringStream::SetSize(int64_t NewSize) {
  data_.resize(static_cast<size_t>(std::max<int64_t>(NewSize, 0)));
  if (position_ > Size()) position_ = Size();
}

std::string TStringStream::ReadString(int32_t Count) {
  int64_t n = std::min<int64_t>(Size() - position_, Count);
  if (n <= 0) return std::string();
  std::string r = data_.substr(static_cast<size_t>(position_), static_cast<size_t>(n));
  position_ += n;
  return r;
}

void TStringStream::WriteString(const std::string& AString) {
  Write(AString.data(), static_cast<int32_t>(AString.size()));
}
