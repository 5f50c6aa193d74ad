#pragma once
// TStringStream: a stream over a text. Writing at a position cuts the text
// there and appends the written bytes.

#include "platform/rtl/Tstream.h"

#include <string>

class TStringStream : public TStream {
 public:
  explicit TStringStream(std::string AString = std::string()) : data_(std::move(AString)) {}

  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t NewSize) override;

  // Up to Count bytes from the position.
  std::string ReadString(int32_t Count);
  void WriteString(const std::string& AString);
  const std::string& DataString() const { return data_; }

 private:
  std::string data_;
  int64_t position_ = 0;
};
