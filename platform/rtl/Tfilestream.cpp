#include "platform/rtl/Tfilestream.h"

#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Exception.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The lock that stands for a share mode; 0 for none.
int LockFor(uint16_t share) {
  switch (share & 0x00F0) {
    case fmShareExclusive:
    case fmShareDenyRead: return LOCK_EX;
    case fmShareDenyWrite: return LOCK_SH;
    default: return 0;
  }
}

}  // namespace

int32_t THandleStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  int32_t done = 0;
  while (done < Count) {
    ssize_t n = ::read(handle_, static_cast<char*>(Buffer) + done, static_cast<size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int32_t THandleStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  int32_t done = 0;
  while (done < Count) {
    ssize_t n = ::write(handle_, static_cast<const char*>(Buffer) + done, static_cast<size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int64_t THandleStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(handle_, static_cast<off_t>(Offset), whence);
  return r < 0 ? -1 : static_cast<int64_t>(r);
}

void THandleStream::SetSize(int64_t NewSize) {
  int64_t pos = Seek(0, soCurrent);
  if (::ftruncate(handle_, static_cast<off_t>(NewSize)) != 0) RaiseLastOSError(platform::ErrorFromErrno(errno));
  if (pos > NewSize) Seek(NewSize, soBeginning);
}

TFileStream::TFileStream(const std::string& AFileName, uint16_t Mode) : THandleStream(-1), fileName_(AFileName) {
  const bool create = (Mode & fmCreate) == fmCreate;
  const std::string path = platform::SystemPath(AFileName);
  int flags = O_CLOEXEC;
  if (create) flags |= O_RDWR | O_CREAT;
  else if ((Mode & 3) == fmOpenWrite) flags |= O_WRONLY;
  else if ((Mode & 3) == fmOpenReadWrite) flags |= O_RDWR;
  else flags |= O_RDONLY;

  auto fail = [&](DWORD code) {
    std::string msg = std::string(create ? "Cannot create file \"" : "Cannot open file \"") + AFileName + "\". " +
                      SysErrorMessage(code);
    if (create) throw EFCreateError(msg);
    throw EFOpenError(msg);
  };

  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) fail(create && errno == ENOENT ? ERROR_PATH_NOT_FOUND : platform::ErrorFromErrno(errno));
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {  // a folder is no file to stream
    ::close(fd);
    fail(ERROR_ACCESS_DENIED);
  }
  if (int lock = LockFor(create ? (Mode & 0x00F0) : Mode)) {
    int r;
    do r = ::flock(fd, lock | LOCK_NB); while (r != 0 && errno == EINTR);
    if (r != 0) {
      int err = errno;
      ::close(fd);
      fail(err == EWOULDBLOCK ? ERROR_SHARING_VIOLATION : platform::ErrorFromErrno(err));
    }
  }
  if (create && ::ftruncate(fd, 0) != 0) {
    int err = errno;
    ::close(fd);
    fail(platform::ErrorFromErrno(err));
  }
  handle_ = fd;
}

TFileStream::~TFileStream() {
  if (handle_ >= 0) ::close(handle_);
}
