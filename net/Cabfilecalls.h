#pragma once
// The file callbacks that the cabinet components hand to the cabinet library,
// with the system error codes they record, and the joining of cabinet paths.
#include "platform/cab/Fci.h"
#include "platform/cab/Fdi.h"

#include <string>

namespace cabcalls {

// The writer's callbacks: a failure stores the system error code in *err.
void* Alloc(ULONG cb);
void Free(void* memory);
INT_PTR FciOpen(char* pszFile, int oflag, int pmode, int* err, void* pv);
UINT FciRead(INT_PTR hf, void* memory, UINT cb, int* err, void* pv);
UINT FciWrite(INT_PTR hf, void* memory, UINT cb, int* err, void* pv);
int FciClose(INT_PTR hf, int* err, void* pv);
long FciSeek(INT_PTR hf, long dist, int seektype, int* err, void* pv);
int FciDelete(char* pszFile, int* err, void* pv);
BOOL FciTempFile(char* pszTempName, int cbTempName, void* pv);
INT_PTR FciOpenInfo(char* pszName, USHORT* pdate, USHORT* ptime, USHORT* pattribs, int* err, void* pv);

// The reader's callbacks: a failure records the system error code as the last one.
INT_PTR FdiOpen(char* pszFile, int oflag, int pmode);
UINT FdiRead(INT_PTR hf, void* memory, UINT cb);
UINT FdiWrite(INT_PTR hf, void* memory, UINT cb);
int FdiClose(INT_PTR hf);
long FdiSeek(INT_PTR hf, long dist, int seektype);

// The last system error code that a reader's callback met (0 for none).
int LastSystemError();
void ResetLastSystemError();
void RecordSystemError(int errnoValue);

// The pieces joined with exactly one '/' between two of them; empty pieces are skipped.
std::string JoinPath(const std::string& A, const std::string& B);
// The path with a trailing '/' (an empty path stays empty).
std::string WithSlash(const std::string& Path);
// A full path of a file name, relative ones taken from the current folder.
std::string ExpandName(const std::string& FileName);

}  // namespace cabcalls
