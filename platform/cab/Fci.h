#pragma once
// The cabinet compression interface: files go in through FCIAddFile and come
// out as cabinet files (or a set of them) written through the caller's
// callbacks. Folders, 32 KB data blocks with checksums, no compression or
// MSZIP, and a new cabinet of the set whenever the size limit is reached.

#include "platform/cab/Cabapi.h"
#include "platform/cab/Cabformat.h"

// Error codes of the compression interface.
enum FCIERROR : int {
  FCIERR_NONE = 0,
  FCIERR_OPEN_SRC = 1,
  FCIERR_READ_SRC = 2,
  FCIERR_ALLOC_FAIL = 3,
  FCIERR_TEMP_FILE = 4,
  FCIERR_BAD_COMPR_TYPE = 5,
  FCIERR_CAB_FILE = 6,
  FCIERR_USER_ABORT = 7,
  FCIERR_MCI_FAIL = 8,
  FCIERR_UNSAFE_NAME = 9,  // a name the reader would refuse: it could leave the target folder
};

// A folder's compression as the interface names it: the words of the format.
using TCOMP = USHORT;
enum : TCOMP {
  tcompMASK_TYPE = platform::kCabCompMask,
  tcompTYPE_NONE = platform::kCabCompNone,
  tcompTYPE_MSZIP = platform::kCabCompMszip,
  tcompTYPE_QUANTUM = platform::kCabCompQuantum,
  tcompTYPE_LZX = platform::kCabCompLzx,
  tcompMASK_LZX_WINDOW = platform::kCabLzxWindowMask,  // LZX: the window's exponent, 15 to 21
  tcompSHIFT_LZX_WINDOW = platform::kCabLzxWindowShift,
  tcompBAD = platform::kCabCompMask,
};
// LZX with a window of 2^windowBits bytes.
constexpr TCOMP TCOMPfromLZXWindow(int windowBits) { return platform::CabCompLzxWindow(windowBits); }

// Kinds of the status callback.
enum : UINT { statusFile = 0, statusFolder = 1, statusCabinet = 2 };

// Parameters of the cabinet being written.
struct CCAB {
  ULONG cb;                  // largest size of one cabinet
  ULONG cbFolderThresh;      // a folder is closed once it holds this many compressed bytes
  UINT cbReserveCFHeader;    // reserved bytes in the cabinet header
  UINT cbReserveCFFolder;    // reserved bytes per folder entry
  UINT cbReserveCFData;      // reserved bytes per data block
  int iCab;                  // number of the cabinet in its set, from 0
  int iDisk;                 // number of its disk
  int fFailOnIncompressible;
  USHORT setID;
  char szDisk[CB_MAX_DISK_NAME];
  char szCab[CB_MAX_CABINET_NAME];
  char szCabPath[CB_MAX_CAB_PATH];  // folder of the cabinet, ending in a separator
};
using PCCAB = CCAB*;

using HFCI = void*;

using PFNFCIFILEPLACED = int (*)(PCCAB pccab, char* pszFile, long cbFile, BOOL fContinuation, void* pv);
using PFNFCIALLOC = void* (*)(ULONG cb);
using PFNFCIFREE = void (*)(void* memory);
using PFNFCIOPEN = INT_PTR (*)(char* pszFile, int oflag, int pmode, int* err, void* pv);
using PFNFCIREAD = UINT (*)(INT_PTR hf, void* memory, UINT cb, int* err, void* pv);
using PFNFCIWRITE = UINT (*)(INT_PTR hf, void* memory, UINT cb, int* err, void* pv);
using PFNFCICLOSE = int (*)(INT_PTR hf, int* err, void* pv);
using PFNFCISEEK = long (*)(INT_PTR hf, long dist, int seektype, int* err, void* pv);
using PFNFCIDELETE = int (*)(char* pszFile, int* err, void* pv);
using PFNFCIGETTEMPFILE = BOOL (*)(char* pszTempName, int cbTempName, void* pv);
using PFNFCIGETNEXTCABINET = BOOL (*)(PCCAB pccab, ULONG cbPrevCab, void* pv);
using PFNFCISTATUS = long (*)(UINT typeStatus, ULONG cb1, ULONG cb2, void* pv);
using PFNFCIGETOPENINFO = INT_PTR (*)(char* pszName, USHORT* pdate, USHORT* ptime, USHORT* pattribs, int* err,
                                      void* pv);

HFCI FCICreate(PERF perf, PFNFCIFILEPLACED pfnfcifp, PFNFCIALLOC pfna, PFNFCIFREE pfnf, PFNFCIOPEN pfnopen,
               PFNFCIREAD pfnread, PFNFCIWRITE pfnwrite, PFNFCICLOSE pfnclose, PFNFCISEEK pfnseek,
               PFNFCIDELETE pfndelete, PFNFCIGETTEMPFILE pfnfcigtf, PCCAB pccab, void* pv);

BOOL FCIAddFile(HFCI hfci, char* pszSourceFile, char* pszFileName, BOOL fExecute,
                PFNFCIGETNEXTCABINET pfnfcignc, PFNFCISTATUS pfnfcis, PFNFCIGETOPENINFO pfnfcigoi,
                TCOMP typeCompress);

BOOL FCIFlushCabinet(HFCI hfci, BOOL fGetNextCab, PFNFCIGETNEXTCABINET pfnfcignc, PFNFCISTATUS pfnfcis);

BOOL FCIFlushFolder(HFCI hfci, PFNFCIGETNEXTCABINET pfnfcignc, PFNFCISTATUS pfnfcis);

// Frees the context; what was not flushed is dropped with its temporary files.
BOOL FCIDestroy(HFCI hfci);
