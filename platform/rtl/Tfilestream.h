#pragma once
// Streams over files. THandleStream works on an open descriptor; TFileStream
// opens or creates a named file and closes it when destroyed.
//
// Open modes: fmCreate (create or empty the file, read and write), or one of
// fmOpenRead / fmOpenWrite / fmOpenReadWrite combined with a share mode. Share
// modes are kept with advisory file locks, so they bind every stream of this
// program, in this and other processes: fmShareExclusive and fmShareDenyRead
// take the file alone, fmShareDenyWrite shares it with other readers that
// deny writing, fmShareDenyNone and fmShareCompat take no lock.
// A file that cannot be opened raises EFOpenError, one that cannot be created
// EFCreateError, both naming the file and the system's reason.

#include "platform/rtl/Tstream.h"

#include <string>

enum : uint16_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,
};

class THandleStream : public TStream {
 public:
  explicit THandleStream(int AHandle) : handle_(AHandle) {}

  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  int Handle() const { return handle_; }

 protected:
  int handle_;
};

class TFileStream : public THandleStream {
 public:
  TFileStream(const std::string& AFileName, uint16_t Mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
};
