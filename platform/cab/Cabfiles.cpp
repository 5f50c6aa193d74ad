#include "platform/cab/Cabfiles.h"

#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Tempfiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

int Fd(INT_PTR hf) { return static_cast<int>(hf); }

template <typename T>
T Failed(int* err, T result) {
  if (err) *err = errno;
  return result;
}

// The folder that holds this process's temporary files; removed at exit when empty.
class TempFolder {
 public:
  ~TempFolder() {
    if (!path_.empty()) RemoveDirectoryA(path_.c_str());
  }
  const std::string& Path() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (path_.empty()) path_ = MakeUniqueFolder(TempRoot() + "/cab-");
    return path_;
  }

 private:
  std::mutex mutex_;
  std::string path_;
};

TempFolder& Temp() {
  static TempFolder folder;
  return folder;
}

}  // namespace

INT_PTR CabFileOpen(const char* path, int oflag, int pmode, int* err) {
  int flags = O_CLOEXEC;
  switch (oflag & (CAB_O_WRONLY | CAB_O_RDWR)) {
    case CAB_O_RDONLY: flags |= O_RDONLY; break;
    case CAB_O_WRONLY: flags |= O_WRONLY; break;
    default: flags |= O_RDWR; break;
  }
  if (oflag & CAB_O_CREAT) flags |= O_CREAT;
  if (oflag & CAB_O_TRUNC) flags |= O_TRUNC;
  if (oflag & CAB_O_EXCL) flags |= O_EXCL;
  if (oflag & CAB_O_APPEND) flags |= O_APPEND;
  // Files that are written are never reached through a symbolic link.
  if ((flags & O_ACCMODE) != O_RDONLY || (oflag & CAB_O_CREAT)) flags |= O_NOFOLLOW;
  mode_t mode = (pmode & CAB_S_IWRITE) || pmode == 0 ? 0666 : 0444;
  int fd = ::open(SystemPath(path).c_str(), flags, mode);
  if (fd < 0) return Failed<INT_PTR>(err, -1);
  if ((oflag & CAB_O_TEMPORARY) && (oflag & CAB_O_CREAT)) unlink(SystemPath(path).c_str());
  return fd;
}

UINT CabFileRead(INT_PTR hf, void* buf, UINT count, int* err) {
  auto* p = static_cast<char*>(buf);
  UINT done = 0;
  while (done < count) {
    ssize_t n = ::read(Fd(hf), p + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Failed<UINT>(err, static_cast<UINT>(-1));
    if (n == 0) break;
    done += static_cast<UINT>(n);
  }
  return done;
}

UINT CabFileWrite(INT_PTR hf, const void* buf, UINT count, int* err) {
  auto* p = static_cast<const char*>(buf);
  UINT done = 0;
  while (done < count) {
    ssize_t n = ::write(Fd(hf), p + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Failed<UINT>(err, static_cast<UINT>(-1));
    done += static_cast<UINT>(n);
  }
  return done;
}

int CabFileClose(INT_PTR hf, int* err) { return ::close(Fd(hf)) == 0 ? 0 : Failed(err, -1); }

long CabFileSeek(INT_PTR hf, long dist, int seektype, int* err) {
  int whence = seektype == CAB_SEEK_CUR ? SEEK_CUR : seektype == CAB_SEEK_END ? SEEK_END : SEEK_SET;
  off_t r = ::lseek(Fd(hf), dist, whence);
  return r < 0 ? Failed(err, -1L) : static_cast<long>(r);
}

int CabFileDelete(const char* path, int* err) {
  return ::unlink(SystemPath(path).c_str()) == 0 ? 0 : Failed(err, -1);
}

bool CabTempFileName(char* name, int size) {
  const std::string& folder = Temp().Path();
  if (folder.empty()) return false;
  // Making the file takes a unique name; the caller creates the file under it again.
  std::string program = MakeUniqueFile(folder + "/cab");
  if (program.empty()) return false;
  DeleteFileA(program.c_str());
  if (static_cast<int>(program.size()) >= size) return false;
  std::memcpy(name, program.c_str(), program.size() + 1);
  return true;
}

void CabDosDateTime(std::time_t t, USHORT* date, USHORT* time) {
  std::tm tm{};
  localtime_r(&t, &tm);
  if (tm.tm_year < 80) {
    *date = (1 << 5) | 1;
    *time = 0;
    return;
  }
  if (tm.tm_year > 80 + 127) tm.tm_year = 80 + 127;
  *date = static_cast<USHORT>(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  *time = static_cast<USHORT>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
}

std::time_t CabTimeOfDos(USHORT date, USHORT time) {
  std::tm tm{};
  tm.tm_year = ((date >> 9) & 0x7F) + 80;
  tm.tm_mon = ((date >> 5) & 0x0F) - 1;
  tm.tm_mday = date & 0x1F;
  tm.tm_hour = (time >> 11) & 0x1F;
  tm.tm_min = (time >> 5) & 0x3F;
  tm.tm_sec = (time & 0x1F) * 2;
  // mktime reads the time-zone file again for every file; localtime_r reads
  // it once, and its offset from UTC turns the clock time into a moment.
  const std::time_t asUtc = timegm(&tm);
  std::time_t moment = asUtc;
  for (int i = 0; i < 2; ++i) {
    std::tm local{};
    localtime_r(&moment, &local);
    moment = asUtc - local.tm_gmtoff;
  }
  return moment;
}

bool CabFileDosInfo(INT_PTR hf, USHORT* date, USHORT* time, USHORT* attribs, int* err) {
  struct stat st;
  if (fstat(Fd(hf), &st) != 0) return Failed(err, false);
  CabDosDateTime(st.st_mtime, date, time);
  *attribs = CAB_A_ARCH | ((st.st_mode & 0222) == 0 ? CAB_A_RDONLY : 0);
  return true;
}

bool CabSetFileDosInfo(INT_PTR hf, USHORT date, USHORT time, USHORT attribs, int* err) {
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = CabTimeOfDos(date, time);
  times[0].tv_nsec = times[1].tv_nsec = 0;
  if (futimens(Fd(hf), times) != 0) return Failed(err, false);
  if (attribs & CAB_A_RDONLY) {
    struct stat st;
    if (fstat(Fd(hf), &st) != 0 || fchmod(Fd(hf), st.st_mode & 07555) != 0) return Failed(err, false);
  }
  return true;
}

INT_PTR CabCreateTarget(const std::string& programFolder, const std::string& programRelative, int* err) {
  std::string folder = SystemPath(programFolder), relative = SystemPath(programRelative);
  int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return Failed<INT_PTR>(err, -1);
  std::size_t start = 0;
  for (;;) {
    std::size_t slash = relative.find('/', start);
    std::string part = relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (part.empty() || part == "." || part == "..") {
      ::close(dir);
      errno = EINVAL;
      return Failed<INT_PTR>(err, -1);
    }
    if (slash == std::string::npos) {
      const int create = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
      if (int fd = openat(dir, part.c_str(), create, 0666); fd >= 0 || errno != EEXIST) {
        int e = errno;
        ::close(dir);
        errno = e;
        return fd < 0 ? Failed<INT_PTR>(err, -1) : fd;
      }
      // A file of that name is replaced; anything else there is kept.
      struct stat st;
      if (fstatat(dir, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!S_ISREG(st.st_mode) || unlinkat(dir, part.c_str(), 0) != 0) {
          if (!S_ISREG(st.st_mode)) errno = EEXIST;
          int e = errno;
          ::close(dir);
          errno = e;
          return Failed<INT_PTR>(err, -1);
        }
      }
      int fd = openat(dir, part.c_str(), create, 0666);
      int e = errno;
      ::close(dir);
      errno = e;
      return fd < 0 ? Failed<INT_PTR>(err, -1) : fd;
    }
    // A folder made for an earlier file is only opened again.
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int sub = openat(dir, part.c_str(), flags);
    if (sub < 0 && errno == ENOENT) {
      if (mkdirat(dir, part.c_str(), 0777) != 0 && errno != EEXIST) {
        int e = errno;
        ::close(dir);
        errno = e;
        return Failed<INT_PTR>(err, -1);
      }
      sub = openat(dir, part.c_str(), flags);
    }
    int e = errno;
    ::close(dir);
    if (sub < 0) {
      errno = e;
      return Failed<INT_PTR>(err, -1);
    }
    dir = sub;
    start = slash + 1;
  }
}

bool CabFileIsReadOnly(const std::string& path) {
  struct stat st;
  return lstat(SystemPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0200) == 0;
}

bool CabMakeWritable(const std::string& path) {
  struct stat st;
  std::string system = SystemPath(path);
  return lstat(system.c_str(), &st) == 0 && S_ISREG(st.st_mode) && chmod(system.c_str(), st.st_mode | 0200) == 0;
}

}  // namespace platform
