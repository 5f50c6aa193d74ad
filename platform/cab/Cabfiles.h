#pragma once
// File services behind the cabinet interfaces' callbacks on this system
// (paths are the program's code-page texts, turned into file names here):
// the C run-time style open flags translated to POSIX, a private folder for
// temporary files, DOS dates and attributes of files, and the creation of
// extracted files that never leaves their target folder.

#include "platform/cab/Cabapi.h"

#include <ctime>
#include <string>

namespace platform {

// Each returns -1 (or false) on failure and stores errno in *err.
INT_PTR CabFileOpen(const char* path, int oflag, int pmode, int* err);
UINT CabFileRead(INT_PTR hf, void* buf, UINT count, int* err);
UINT CabFileWrite(INT_PTR hf, const void* buf, UINT count, int* err);
int CabFileClose(INT_PTR hf, int* err);
long CabFileSeek(INT_PTR hf, long dist, int seektype, int* err);
int CabFileDelete(const char* path, int* err);

// A fresh name in this process's private temporary folder (mode 0700); the
// file itself does not exist. False when the name does not fit in size bytes.
bool CabTempFileName(char* name, int size);

// DOS date and time of a local time, and back. Years before 1980 give 1980-01-01.
void CabDosDateTime(std::time_t t, USHORT* date, USHORT* time);
std::time_t CabTimeOfDos(USHORT date, USHORT time);

// Last-write time (as DOS date and time) and attributes of an open file.
bool CabFileDosInfo(INT_PTR hf, USHORT* date, USHORT* time, USHORT* attribs, int* err);
// Sets the last-write time and the read-only attribute of an open file.
bool CabSetFileDosInfo(INT_PTR hf, USHORT date, USHORT time, USHORT attribs, int* err);

// Creates relative (components separated by '/') below folder, making the
// missing folders on the way. No symbolic link is followed below folder; an
// existing regular file is replaced, anything else refuses. Returns a handle
// open for writing, or -1.
INT_PTR CabCreateTarget(const std::string& folder, const std::string& relative, int* err);

// True when path names an existing regular file without write permission.
bool CabFileIsReadOnly(const std::string& path);
// Gives an existing regular file (never a link) write permission again.
bool CabMakeWritable(const std::string& path);

}  // namespace platform
