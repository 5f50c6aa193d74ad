#pragma once
// The kernel's directory search: the entries of one folder whose names match
// a pattern ("*" any run, "?" one character; "*.*" is every name; letters match
// regardless of case). Entries come in name order; "." and ".." are left out.

#include "platform/kernel/Filetime.h"

constexpr DWORD MAX_PATH = 260;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;  // a symbolic link, not followed

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes = 0;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh = 0;
  DWORD nFileSizeLow = 0;
  char cFileName[MAX_PATH] = {};
  char cAlternateFileName[14] = {};
};

// `fileName` is a folder path and a pattern ("/data/Inbox/*.*").
HANDLE FindFirstFileA(const char* fileName, WIN32_FIND_DATAA* findData);
BOOL FindNextFileA(HANDLE findFile, WIN32_FIND_DATAA* findData);
BOOL FindClose(HANDLE findFile);

namespace platform {

// Whether a name matches a search pattern, as the directory search matches.
bool MatchesPattern(const std::string& name, const std::string& pattern);

// The attributes and times of a path without following a final symbolic link;
// false (with the system's error in GetLastError) when it cannot be told of.
bool GetEntryInfo(const std::string& path, WIN32_FIND_DATAA& info);

// The path with every symbolic link and "." or ".." resolved; false when it does not exist.
bool RealPath(const std::string& path, std::string& resolved);

}  // namespace platform
