#include "platform/kernel/Filetime.h"

#include "platform/kernel/Timezone.h"

#include <cerrno>
#include <ctime>
#include <sys/stat.h>

namespace {

constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kUnixEpochTicks = 116444736000000000LL;  // 1601-01-01 to 1970-01-01

int64_t Ticks(const FILETIME& ft) {
  return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

FILETIME FromTicks(int64_t ticks) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
  return ft;
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

namespace platform {

FILETIME FileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
  return FromTicks(seconds * kTicksPerSecond + nanoseconds / 100 + kUnixEpochTicks);
}

int64_t UnixFromFileTime(const FILETIME& fileTime) {
  return FloorDiv(Ticks(fileTime) - kUnixEpochTicks, kTicksPerSecond);
}

}  // namespace platform

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime) {
  if (!fileTime || !localFileTime) return SetLastError(ERROR_INVALID_PARAMETER), 0;
  int64_t ticks = Ticks(*fileTime);
  time_t utc = static_cast<time_t>(platform::UnixFromFileTime(*fileTime));
  *localFileTime = FromTicks(ticks + static_cast<int64_t>(platform::LocalOffsetAt(utc)) * kTicksPerSecond);
  return 1;
}

BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, FILETIME* fileTime) {
  if (!fileTime || !localFileTime) return SetLastError(ERROR_INVALID_PARAMETER), 0;
  int64_t ticks = Ticks(*localFileTime);
  // The offset of the moment the local time names: try the offset at that time taken as UTC, once corrected.
  time_t guess = static_cast<time_t>(platform::UnixFromFileTime(*localFileTime));
  long offset = platform::LocalOffsetAt(guess - platform::LocalOffsetAt(guess));
  *fileTime = FromTicks(ticks - static_cast<int64_t>(offset) * kTicksPerSecond);
  return 1;
}

BOOL FileTimeToDosDateTime(const FILETIME* fileTime, WORD* fatDate, WORD* fatTime) {
  if (!fileTime || !fatDate || !fatTime) return SetLastError(ERROR_INVALID_PARAMETER), 0;
  time_t secs = static_cast<time_t>(platform::UnixFromFileTime(*fileTime));
  struct tm t;
  gmtime_r(&secs, &t);  // the file time is taken as it stands (local when converted before)
  int year = t.tm_year + 1900;
  if (year < 1980 || year > 2107) return SetLastError(ERROR_INVALID_PARAMETER), 0;
  *fatDate = static_cast<WORD>(((year - 1980) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
  *fatTime = static_cast<WORD>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
  return 1;
}

BOOL DosDateTimeToFileTime(WORD fatDate, WORD fatTime, FILETIME* fileTime) {
  if (!fileTime) return SetLastError(ERROR_INVALID_PARAMETER), 0;
  int day = fatDate & 31, month = (fatDate >> 5) & 15, year = 1980 + (fatDate >> 9);
  int hour = fatTime >> 11, minute = (fatTime >> 5) & 63, second = (fatTime & 31) * 2;
  if (day < 1 || month < 1 || month > 12 || hour > 23 || minute > 59 || second > 59)
    return SetLastError(ERROR_INVALID_PARAMETER), 0;
  struct tm t = {};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  *fileTime = platform::FileTimeFromUnix(static_cast<int64_t>(timegm(&t)));
  return 1;
}

namespace {

FILETIME FromTimespec(const timespec& t) { return platform::FileTimeFromUnix(t.tv_sec, t.tv_nsec); }

timespec ToTimespec(const FILETIME& ft) {
  int64_t ticks = Ticks(ft) - kUnixEpochTicks;
  int64_t seconds = FloorDiv(ticks, kTicksPerSecond);
  return timespec{static_cast<time_t>(seconds), static_cast<long>((ticks - seconds * kTicksPerSecond) * 100)};
}

}  // namespace

BOOL GetFileTime(HANDLE file, FILETIME* creationTime, FILETIME* lastAccessTime, FILETIME* lastWriteTime) {
  struct stat st;
  int fd = platform::DescriptorOf(file);
  if (fd < 0 || fstat(fd, &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (creationTime) *creationTime = FromTimespec(st.st_ctim);
  if (lastAccessTime) *lastAccessTime = FromTimespec(st.st_atim);
  if (lastWriteTime) *lastWriteTime = FromTimespec(st.st_mtim);
  return 1;
}

BOOL SetFileTime(HANDLE file, const FILETIME* creationTime, const FILETIME* lastAccessTime,
                 const FILETIME* lastWriteTime) {
  (void)creationTime;
  int fd = platform::DescriptorOf(file);
  if (fd < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};
  if (lastAccessTime) times[0] = ToTimespec(*lastAccessTime);
  if (lastWriteTime) times[1] = ToTimespec(*lastWriteTime);
  if (futimens(fd, times) != 0) {
    SetLastError(platform::ErrorFromErrno(errno));
    return 0;
  }
  return 1;
}
