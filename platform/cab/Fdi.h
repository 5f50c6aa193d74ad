#pragma once
// The cabinet decompression interface: FDICopy reads a cabinet through the
// caller's file callbacks and tells the caller about it and each of its files
// through notifications; the caller supplies the target of every file.
// Everything read from the cabinet is checked before it is used: a cabinet
// whose directory is inconsistent or whose blocks fail their checksum is
// refused with an error code; one with a member name that could leave the
// target folder is refused as unsafe, before anything is written.

#include "platform/cab/Cabapi.h"

#include <cstddef>
#include <cstdint>
#include <functional>

enum FDIERROR : int {
  FDIERROR_NONE = 0,
  FDIERROR_CABINET_NOT_FOUND = 1,
  FDIERROR_NOT_A_CABINET = 2,
  FDIERROR_UNKNOWN_CABINET_VERSION = 3,
  FDIERROR_CORRUPT_CABINET = 4,
  FDIERROR_ALLOC_FAIL = 5,
  FDIERROR_BAD_COMPR_TYPE = 6,
  FDIERROR_MDI_FAIL = 7,
  FDIERROR_TARGET_FILE = 8,
  FDIERROR_RESERVE_MISMATCH = 9,
  FDIERROR_WRONG_CABINET = 10,
  FDIERROR_USER_ABORT = 11,
  FDIERROR_UNSAFE_NAME = 12,  // a member name that could leave the target folder; see FDIUnsafeName
};

enum FDINOTIFICATIONTYPE : int {
  fdintCABINET_INFO = 0,     // psz1 next cabinet, psz2 next disk, psz3 cabinet path, setID, iCabinet
  fdintPARTIAL_FILE = 1,     // psz1 file, psz2 cabinet it starts in, psz3 that cabinet's disk
  fdintCOPY_FILE = 2,        // psz1 file, cb size, date, time, attribs, iFolder; answer a handle, 0 skip, -1 abort
  fdintCLOSE_FILE_INFO = 3,  // psz1 file, hf, date, time, attribs, iFolder, cb run-after-extraction; answer TRUE
  fdintNEXT_CABINET = 4,     // psz1 next cabinet, psz2 next disk, psz3 path buffer (CB_MAX_CAB_PATH), fdie; -1 aborts
  fdintENUMERATE = 5,
};

struct FDICABINETINFO {
  long cbCabinet;
  USHORT cFolders;
  USHORT cFiles;
  USHORT setID;
  USHORT iCabinet;
  BOOL fReserve;
  BOOL hasprev;
  BOOL hasnext;
};
using PFDICABINETINFO = FDICABINETINFO*;

struct FDINOTIFICATION {
  long cb;
  char* psz1;
  char* psz2;
  char* psz3;
  void* pv;
  INT_PTR hf;
  USHORT date;
  USHORT time;
  USHORT attribs;
  USHORT setID;
  USHORT iCabinet;
  USHORT iFolder;
  FDIERROR fdie;
};
using PFDINOTIFICATION = FDINOTIFICATION*;

using HFDI = void*;

using PFNALLOC = void* (*)(ULONG cb);
using PFNFREE = void (*)(void* pv);
using PFNOPEN = INT_PTR (*)(char* pszFile, int oflag, int pmode);
using PFNREAD = UINT (*)(INT_PTR hf, void* pv, UINT cb);
using PFNWRITE = UINT (*)(INT_PTR hf, void* pv, UINT cb);
using PFNCLOSE = int (*)(INT_PTR hf);
using PFNSEEK = long (*)(INT_PTR hf, long dist, int seektype);
using PFNFDINOTIFY = INT_PTR (*)(FDINOTIFICATIONTYPE fdint, PFDINOTIFICATION pfdin);
using PFNFDIDECRYPT = int (*)(void* pfdid);

enum : int { cpuUNKNOWN = -1, cpu80286 = 0, cpu80386 = 1 };

HFDI FDICreate(PFNALLOC pfnalloc, PFNFREE pfnfree, PFNOPEN pfnopen, PFNREAD pfnread, PFNWRITE pfnwrite,
               PFNCLOSE pfnclose, PFNSEEK pfnseek, int cpuType, PERF perf);

// True when hf is an open cabinet file; fills pfdici from its header.
BOOL FDIIsCabinet(HFDI hfdi, INT_PTR hf, PFDICABINETINFO pfdici);

// Extracts the files of pszCabPath + pszCabinet through the notification callback.
BOOL FDICopy(HFDI hfdi, char* pszCabinet, char* pszCabPath, int flags, PFNFDINOTIFY pfnfdin,
             PFNFDIDECRYPT pfnfdid, void* pvUser);

BOOL FDIDestroy(HFDI hfdi);

// The member name that made the last FDICopy fail with FDIERROR_UNSAFE_NAME
// ("" otherwise); it lives until the next FDICopy.
const char* FDIUnsafeName(HFDI hfdi);

// Caps the uncompressed bytes one FDICopy may produce (a guard against
// decompression bombs); a cabinet whose files add up to more is refused
// before anything is written. 0 restores the default of 4 GiB.
void FDISetOutputLimit(HFDI hfdi, std::uint64_t bytes);

// Shows each decompressed piece of a folder's data to `observer` before any of it is
// written; false refuses the cabinet there (FDIERROR_USER_ABORT). An empty one removes it.
using FDIOutputObserver = std::function<bool(const std::uint8_t* data, std::size_t size)>;
void FDISetOutputObserver(HFDI hfdi, FDIOutputObserver observer);
