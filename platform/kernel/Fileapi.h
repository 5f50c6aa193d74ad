#pragma once
// The kernel's file calls, as the program makes them: handles, reading,
// writing, seeking, deleting and moving files, and the last error of the
// calling thread with its codes. Paths are code-page texts with '/'; they are
// turned into UTF-8 file names here.

#include <cstddef>
#include <cstdint>
#include <string>

using HANDLE = void*;
using DWORD = uint32_t;
using LONG = int32_t;
using BOOL = int;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))

// Access, sharing, creation and move methods.
constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 1;
constexpr DWORD FILE_SHARE_WRITE = 2;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;

// Error codes of GetLastError.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_WRITE_PROTECT = 19;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_LOCK_VIOLATION = 33;
constexpr DWORD ERROR_HANDLE_EOF = 38;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_FILE_TOO_LARGE = 223;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_GEN_FAILURE = 31;

DWORD GetLastError();
void SetLastError(DWORD code);

HANDLE CreateFileA(const char* fileName, DWORD desiredAccess, DWORD shareMode, void* securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void* overlapped);
BOOL CloseHandle(HANDLE file);
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD moveMethod);
DWORD GetFileSize(HANDLE file, DWORD* sizeHigh);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);

BOOL DeleteFileA(const char* fileName);
BOOL CreateDirectoryA(const char* pathName, void* securityAttributes);
BOOL RemoveDirectoryA(const char* pathName);
BOOL MoveFileA(const char* existingName, const char* newName);  // fails when the target exists
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;  // across file systems: copy, then delete
constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;  // returns once the move is on the disk
BOOL MoveFileExA(const char* existingName, const char* newName, DWORD flags);
// A second handle of the file behind an open handle, with its own access and position.
HANDLE ReOpenFile(HANDLE original, DWORD desiredAccess, DWORD shareMode, DWORD flagsAndAttributes);
BOOL CopyFileA(const char* existingName, const char* newName, BOOL failIfExists);
// FILE_ATTRIBUTE_DIRECTORY, and the read-only bit (0x01) when the owner may not
// write; FILE_ATTRIBUTE_NORMAL when neither.
DWORD GetFileAttributesA(const char* fileName);
// Only the read-only bit counts: set, every write permission goes; clear, the
// owner may write again.
BOOL SetFileAttributesA(const char* fileName, DWORD attributes);

namespace platform {

// The file name on this system of a program path (code page to UTF-8).
std::string SystemPath(const std::string& path);
// A program path of a file name on this system (UTF-8 to code page).
std::string ProgramPath(const std::string& systemPath);

// The kernel error code of a C library errno value.
DWORD ErrorFromErrno(int err);
// An English text for a kernel error code, as the system's message table gives it.
std::string ErrorText(DWORD code);
// The system's own words for the last error of that code ("File name too long"), without a
// final full stop; ErrorText's when the code came from no C library error.
std::string SystemReason(DWORD code);

// The longest file name in bytes that the file system of a folder takes (255 when it does
// not say).
size_t MaxNameBytes(const std::string& folder);

// The descriptor behind a file handle, -1 for an invalid one.
int DescriptorOf(HANDLE file);

// Whether a path names a regular file (a final symbolic link followed): no folder, device or pipe.
bool IsPlainFile(const std::string& path);

// Byte-range locks between processes, advisory as every program here takes them: ERROR_SUCCESS,
// ERROR_LOCK_VIOLATION when another process holds part of the range, else the kernel's error
// code. A size of 0 reaches to the end of the file however it grows; unlocking a range that
// holds no lock succeeds.
DWORD LockFileRange(HANDLE file, int64_t offset, int64_t size);
DWORD UnlockFileRange(HANDLE file, int64_t offset, int64_t size);

// Makes the entries of the folder that holds a file (system path) durable, as after a
// rename; false, with the last error set, when the disk refused.
bool SyncFolderOf(const std::string& systemPath);

// Starts writing a file's changed pages to the disk without waiting for them, so that the
// writes of several files overlap before each is synced (FlushFileBuffers).
void StartWriteBack(HANDLE file);

// Test seam: told of every completed move (its target) and every folder sync (the
// folder), as system paths; null stops it.
using FileCallWatcher = void (*)(const char* call, const std::string& path);
void WatchFileCalls(FileCallWatcher watcher);

// Test seam: a file system with stricter names. Every file made, copied or moved to a name
// that holds `part` (a program text) fails with the C library's error `err` (EINVAL: not a
// valid name there); an empty part ends it.
void RefuseFileNames(const std::string& part, int err);

}  // namespace platform
