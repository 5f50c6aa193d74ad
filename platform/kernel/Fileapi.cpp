#include "platform/kernel/Fileapi.h"

#include "platform/kernel/Codepage.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

thread_local DWORD gLastError = ERROR_SUCCESS;
// The C library's error behind the last code made from one: the system's own reason.
thread_local int gLastErrno = 0;

DWORD CodeOfErrno(int err) {
  switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EILSEQ: return ERROR_INVALID_NAME;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EFBIG: return ERROR_FILE_TOO_LARGE;
    default: return ERROR_GEN_FAILURE;
  }
}

BOOL Fail(DWORD code) {
  gLastError = code;
  return 0;
}

BOOL FailErrno() { return Fail(platform::ErrorFromErrno(errno)); }

// The test seam's file system: a part of the names it refuses, and the error it refuses with.
std::string gRefusedNamePart;
int gRefusalErrno = 0;

// True, with the error set, when the seam refuses the name of a file to be made or moved to.
bool NameRefused(const char* path) {
  if (gRefusedNamePart.empty() || !path) return false;
  const std::string_view name = std::string_view(path).substr(std::string_view(path).rfind('/') + 1);
  if (name.find(gRefusedNamePart) == std::string_view::npos) return false;
  Fail(platform::ErrorFromErrno(gRefusalErrno));
  return true;
}

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd)); }

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Copies the bytes and the modification time of one open file to another.
bool CopyContents(int from, int to) {
  char buf[1 << 16];
  ssize_t n;
  while ((n = ::read(from, buf, sizeof buf)) != 0) {
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (!WriteAll(to, buf, static_cast<size_t>(n))) return false;
  }
  struct stat st;
  if (::fstat(from, &st) == 0) {
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(to, times);
  }
  return true;
}

}  // namespace

namespace platform {

std::string SystemPath(const std::string& path) { return AnsiToUtf8(path); }
std::string ProgramPath(const std::string& systemPath) { return Utf8ToAnsi(systemPath); }

DWORD ErrorFromErrno(int err) {
  gLastErrno = err;
  return CodeOfErrno(err);
}

size_t MaxNameBytes(const std::string& folder) {
  const long max = ::pathconf(SystemPath(folder).c_str(), _PC_NAME_MAX);
  return max > 0 ? static_cast<size_t>(max) : 255;
}

std::string SystemReason(DWORD code) {
  if (gLastErrno != 0 && CodeOfErrno(gLastErrno) == code) {
    if (const char* text = ::strerrordesc_np(gLastErrno)) return text;
  }
  std::string text = ErrorText(code);
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

std::string ErrorText(DWORD code) {
  switch (code) {
    case ERROR_SUCCESS: return "The operation completed successfully.";
    case ERROR_FILE_NOT_FOUND: return "The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND: return "The system cannot find the path specified.";
    case ERROR_TOO_MANY_OPEN_FILES: return "The system cannot open the file.";
    case ERROR_ACCESS_DENIED: return "Access is denied.";
    case ERROR_INVALID_HANDLE: return "The handle is invalid.";
    case ERROR_NOT_ENOUGH_MEMORY: return "Not enough storage is available to process this command.";
    case ERROR_WRITE_PROTECT: return "The media is write protected.";
    case ERROR_SHARING_VIOLATION:
      return "The process cannot access the file because it is being used by another process.";
    case ERROR_LOCK_VIOLATION:
      return "The process cannot access the file because another process has locked a portion of the file.";
    case ERROR_HANDLE_EOF: return "Reached the end of the file.";
    case ERROR_FILE_EXISTS: return "The file exists.";
    case ERROR_INVALID_PARAMETER: return "The parameter is incorrect.";
    case ERROR_DISK_FULL: return "There is not enough space on the disk.";
    case ERROR_INVALID_NAME: return "The filename, directory name, or volume label syntax is incorrect.";
    case ERROR_DIR_NOT_EMPTY: return "The directory is not empty.";
    case ERROR_ALREADY_EXISTS: return "Cannot create a file when that file already exists.";
    case ERROR_BAD_EXE_FORMAT: return "The file is damaged or is not a library of this system.";
    case ERROR_FILENAME_EXCED_RANGE: return "The filename or extension is too long.";
    case ERROR_NO_MORE_FILES: return "There are no more files.";
    case ERROR_FILE_TOO_LARGE: return "The file size exceeds the limit allowed and cannot be saved.";
    case ERROR_GEN_FAILURE:
    default: return "A device attached to the system is not functioning.";
  }
}

int DescriptorOf(HANDLE file) {
  intptr_t fd = reinterpret_cast<intptr_t>(file);
  return fd < 0 || fd > INT32_MAX ? -1 : static_cast<int>(fd);
}

bool IsPlainFile(const std::string& path) {
  struct stat st;
  return ::stat(SystemPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

namespace {

DWORD SetRangeLock(HANDLE file, int64_t offset, int64_t size, short type) {
  const int fd = DescriptorOf(file);
  if (fd < 0) return ERROR_INVALID_HANDLE;
  struct flock range {};
  range.l_type = type;
  range.l_whence = SEEK_SET;
  range.l_start = offset;
  range.l_len = size;
  if (::fcntl(fd, F_SETLK, &range) == 0) return ERROR_SUCCESS;
  return errno == EACCES || errno == EAGAIN ? ERROR_LOCK_VIOLATION : ErrorFromErrno(errno);
}

}  // namespace

DWORD LockFileRange(HANDLE file, int64_t offset, int64_t size) { return SetRangeLock(file, offset, size, F_WRLCK); }
DWORD UnlockFileRange(HANDLE file, int64_t offset, int64_t size) { return SetRangeLock(file, offset, size, F_UNLCK); }

}  // namespace platform

DWORD GetLastError() { return gLastError; }
void SetLastError(DWORD code) { gLastError = code; }

HANDLE CreateFileA(const char* fileName, DWORD desiredAccess, DWORD, void*, DWORD creationDisposition, DWORD,
                   HANDLE) {
  if (!fileName || !*fileName) {
    Fail(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  bool read = desiredAccess & GENERIC_READ, write = desiredAccess & GENERIC_WRITE;
  int flags = O_CLOEXEC | (read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY);
  switch (creationDisposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    default: Fail(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  if ((flags & O_CREAT) && NameRefused(fileName)) return INVALID_HANDLE_VALUE;
  std::string path = platform::SystemPath(fileName);
  bool existed = creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS
                     ? ::access(path.c_str(), F_OK) == 0
                     : false;
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) {
    Fail(errno == EEXIST ? ERROR_FILE_EXISTS : platform::ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    Fail(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  // As the kernel does, opening an existing file "always" succeeds and says so.
  gLastError = existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
  return HandleOf(fd);
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void*) {
  int fd = platform::DescriptorOf(file);
  if (read) *read = 0;
  if (fd < 0) return Fail(ERROR_INVALID_HANDLE);
  char* p = static_cast<char*>(buffer);
  DWORD done = 0;
  while (done < toRead) {
    ssize_t n = ::read(fd, p + done, toRead - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (read) *read = done;
      return FailErrno();
    }
    if (n == 0) break;
    done += static_cast<DWORD>(n);
  }
  if (read) *read = done;
  return 1;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void*) {
  int fd = platform::DescriptorOf(file);
  if (written) *written = 0;
  if (fd < 0) return Fail(ERROR_INVALID_HANDLE);
  const char* p = static_cast<const char*>(buffer);
  DWORD done = 0;
  while (done < toWrite) {
    ssize_t n = ::write(fd, p + done, toWrite - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (written) *written = done;
      return n < 0 ? FailErrno() : Fail(ERROR_DISK_FULL);
    }
    done += static_cast<DWORD>(n);
  }
  if (written) *written = done;
  return 1;
}

BOOL CloseHandle(HANDLE file) {
  int fd = platform::DescriptorOf(file);
  if (fd < 0) return Fail(ERROR_INVALID_HANDLE);
  return ::close(fd) == 0 ? 1 : FailErrno();
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD moveMethod) {
  int fd = platform::DescriptorOf(file);
  if (fd < 0) {
    Fail(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  int64_t offset = distanceHigh ? (static_cast<int64_t>(*distanceHigh) << 32) | static_cast<uint32_t>(distance)
                                : static_cast<int64_t>(distance);
  int whence = moveMethod == FILE_BEGIN ? SEEK_SET : moveMethod == FILE_CURRENT ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(fd, offset, whence);
  if (r < 0) {
    Fail(errno == EINVAL ? ERROR_INVALID_PARAMETER : platform::ErrorFromErrno(errno));
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(r >> 32);
  gLastError = ERROR_SUCCESS;
  return static_cast<DWORD>(r);
}

DWORD GetFileSize(HANDLE file, DWORD* sizeHigh) {
  int fd = platform::DescriptorOf(file);
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    Fail(fd < 0 ? ERROR_INVALID_HANDLE : platform::ErrorFromErrno(errno));
    return INVALID_FILE_SIZE;
  }
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
  gLastError = ERROR_SUCCESS;
  return static_cast<DWORD>(st.st_size);
}

BOOL SetEndOfFile(HANDLE file) {
  int fd = platform::DescriptorOf(file);
  if (fd < 0) return Fail(ERROR_INVALID_HANDLE);
  off_t pos = ::lseek(fd, 0, SEEK_CUR);
  return pos >= 0 && ::ftruncate(fd, pos) == 0 ? 1 : FailErrno();
}

BOOL FlushFileBuffers(HANDLE file) {
  int fd = platform::DescriptorOf(file);
  if (fd < 0) return Fail(ERROR_INVALID_HANDLE);
  return ::fsync(fd) == 0 ? 1 : FailErrno();
}

BOOL DeleteFileA(const char* fileName) {
  std::string path = platform::SystemPath(fileName ? fileName : "");
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  return ::unlink(path.c_str()) == 0 ? 1 : FailErrno();
}

BOOL CreateDirectoryA(const char* pathName, void*) {
  std::string path = platform::SystemPath(pathName ? pathName : "");
  if (::mkdir(path.c_str(), 0777) == 0) return 1;
  return errno == ENOENT ? Fail(ERROR_PATH_NOT_FOUND) : FailErrno();
}

BOOL RemoveDirectoryA(const char* pathName) {
  std::string path = platform::SystemPath(pathName ? pathName : "");
  return ::rmdir(path.c_str()) == 0 ? 1 : FailErrno();
}

BOOL CopyFileA(const char* existingName, const char* newName, BOOL failIfExists) {
  if (NameRefused(newName)) return 0;
  std::string from = platform::SystemPath(existingName ? existingName : "");
  std::string to = platform::SystemPath(newName ? newName : "");
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return FailErrno();
  struct stat st;
  if (::fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(in);
    return Fail(ERROR_ACCESS_DENIED);
  }
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC), 0666);
  if (out < 0) {
    DWORD code = errno == EEXIST ? ERROR_FILE_EXISTS : platform::ErrorFromErrno(errno);
    ::close(in);
    return Fail(code);
  }
  bool ok = CopyContents(in, out);
  int saved = errno;
  ::close(in);
  ok = ::close(out) == 0 && ok;
  if (!ok) {
    ::unlink(to.c_str());
    return Fail(platform::ErrorFromErrno(saved));
  }
  return 1;
}

namespace {

std::atomic<platform::FileCallWatcher> gWatcher{nullptr};

void Tell(const char* call, const std::string& path) {
  if (const platform::FileCallWatcher watcher = gWatcher.load()) watcher(call, path);
}

std::string FolderOfPath(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

namespace platform {

void WatchFileCalls(FileCallWatcher watcher) { gWatcher = watcher; }

void RefuseFileNames(const std::string& part, int err) {
  gRefusedNamePart = part;
  gRefusalErrno = err;
}

bool SyncFolderOf(const std::string& systemPath) {
  const std::string folder = FolderOfPath(systemPath);
  Tell("SyncFolder", folder);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return FailErrno();
  const bool ok = ::fsync(fd) == 0;
  const int err = errno;
  ::close(fd);
  if (!ok) Fail(ErrorFromErrno(err));
  return ok;
}

void StartWriteBack(HANDLE file) {
  const int fd = DescriptorOf(file);
  // Only a hint: a file system without it syncs everything at FlushFileBuffers.
  if (fd >= 0) (void)::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

}  // namespace platform

BOOL MoveFileExA(const char* existingName, const char* newName, DWORD flags) {
  if (NameRefused(newName)) return 0;
  std::string from = platform::SystemPath(existingName ? existingName : "");
  std::string to = platform::SystemPath(newName ? newName : "");
  bool replace = flags & MOVEFILE_REPLACE_EXISTING;
  bool moved = false;
  if (replace) {
    moved = ::rename(from.c_str(), to.c_str()) == 0;
  } else {
    moved = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
    if (!moved && errno == EINVAL) {
      // A file system without the no-replace rename.
      if (::access(to.c_str(), F_OK) == 0) return Fail(ERROR_ALREADY_EXISTS);
      moved = ::rename(from.c_str(), to.c_str()) == 0;
    }
  }
  if (!moved) {
    if (errno == EEXIST) return Fail(ERROR_ALREADY_EXISTS);
    if (errno != EXDEV || !(flags & MOVEFILE_COPY_ALLOWED)) return FailErrno();
    // Another file system: copy, then remove the original.
    if (!CopyFileA(existingName, newName, replace ? 0 : 1)) return 0;
    if (::unlink(from.c_str()) != 0) {
      int saved = errno;
      ::unlink(to.c_str());
      return Fail(platform::ErrorFromErrno(saved));
    }
  }
  Tell("MoveFileExA", to);
  // The move is on the disk once both folders' entries are.
  if (flags & MOVEFILE_WRITE_THROUGH) {
    if (!platform::SyncFolderOf(to)) return 0;
    if (FolderOfPath(from) != FolderOfPath(to) && !platform::SyncFolderOf(from)) return 0;
  }
  return 1;
}

BOOL MoveFileA(const char* existingName, const char* newName) {
  return MoveFileExA(existingName, newName, MOVEFILE_COPY_ALLOWED);
}

HANDLE ReOpenFile(HANDLE original, DWORD desiredAccess, DWORD, DWORD) {
  int fd = platform::DescriptorOf(original);
  if (fd < 0) {
    Fail(ERROR_INVALID_HANDLE);
    return INVALID_HANDLE_VALUE;
  }
  bool read = desiredAccess & GENERIC_READ, write = desiredAccess & GENERIC_WRITE;
  std::string self = "/proc/self/fd/" + std::to_string(fd);
  int again = ::open(self.c_str(), O_CLOEXEC | (read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY));
  if (again < 0) {
    FailErrno();
    return INVALID_HANDLE_VALUE;
  }
  SetLastError(ERROR_SUCCESS);
  return HandleOf(again);
}

DWORD GetFileAttributesA(const char* fileName) {
  std::string path = platform::SystemPath(fileName ? fileName : "");
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    Fail(platform::ErrorFromErrno(errno));
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
  if (!(st.st_mode & S_IWUSR)) attributes |= 0x01;  // FILE_ATTRIBUTE_READONLY
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

BOOL SetFileAttributesA(const char* fileName, DWORD attributes) {
  std::string path = platform::SystemPath(fileName ? fileName : "");
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    Fail(platform::ErrorFromErrno(errno));
    return 0;
  }
  mode_t mode = st.st_mode & 07777;
  // Read-only takes every write permission away; writable gives the owner's back.
  mode = (attributes & 0x01) ? mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH) : mode | S_IWUSR;
  if (::chmod(path.c_str(), mode) != 0) {
    Fail(platform::ErrorFromErrno(errno));
    return 0;
  }
  return 1;
}
