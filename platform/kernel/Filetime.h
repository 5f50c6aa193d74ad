#pragma once
// File times as the kernel gives them: 100-nanosecond intervals since
// 1 January 1601 (UTC, or local after FileTimeToLocalFileTime), and the packed
// DOS date and time of archives and directory entries.

#include "platform/kernel/Fileapi.h"

using WORD = uint16_t;

struct FILETIME {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, FILETIME* fileTime);
// DOS date: bits 9-15 year since 1980, 5-8 month, 0-4 day; DOS time: bits 11-15
// hour, 5-10 minute, 0-4 seconds / 2. Fails outside 1980..2107.
BOOL FileTimeToDosDateTime(const FILETIME* fileTime, WORD* fatDate, WORD* fatTime);
BOOL DosDateTimeToFileTime(WORD fatDate, WORD fatTime, FILETIME* fileTime);

// The times of an open file; a null time is not read or changed. The creation
// time reads as the time of the last status change and cannot be set.
BOOL GetFileTime(HANDLE file, FILETIME* creationTime, FILETIME* lastAccessTime, FILETIME* lastWriteTime);
BOOL SetFileTime(HANDLE file, const FILETIME* creationTime, const FILETIME* lastAccessTime,
                 const FILETIME* lastWriteTime);

namespace platform {

// Conversions between file times and seconds (with nanoseconds) since 1970 (UTC).
FILETIME FileTimeFromUnix(int64_t seconds, int64_t nanoseconds = 0);
int64_t UnixFromFileTime(const FILETIME& fileTime);  // whole seconds, rounded down

}  // namespace platform
