#pragma once
// Types shared by the cabinet compression interface (Fci.h) and the
// decompression interface (Fdi.h): error record, file-open flags of the C
// run-time that the callbacks translate, and the integer words of the API.

#include <cstdint>

using BOOL = int;
using USHORT = std::uint16_t;
using UINT = unsigned int;
using ULONG = std::uint32_t;
using INT_PTR = std::intptr_t;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Error record filled by both interfaces: the operation's error code
// (FCIERR_* or FDIERROR_*), the system error code behind it, and a flag.
struct ERF {
  int erfOper;
  int erfType;
  BOOL fError;
};
using PERF = ERF*;

// Open flags and permission bits that the interfaces pass to the open callbacks.
enum : int {
  CAB_O_RDONLY = 0x0000,
  CAB_O_WRONLY = 0x0001,
  CAB_O_RDWR = 0x0002,
  CAB_O_APPEND = 0x0008,
  CAB_O_RANDOM = 0x0010,
  CAB_O_SEQUENTIAL = 0x0020,
  CAB_O_TEMPORARY = 0x0040,
  CAB_O_CREAT = 0x0100,
  CAB_O_TRUNC = 0x0200,
  CAB_O_EXCL = 0x0400,
  CAB_O_SHORT_LIVED = 0x1000,
  CAB_O_BINARY = 0x8000,
  CAB_S_IWRITE = 0x0080,
  CAB_S_IREAD = 0x0100,
};

// Seek origins for the seek callbacks.
enum : int { CAB_SEEK_SET = 0, CAB_SEEK_CUR = 1, CAB_SEEK_END = 2 };

// File attributes stored with each member.
enum : USHORT {
  CAB_A_RDONLY = 0x01,
  CAB_A_HIDDEN = 0x02,
  CAB_A_SYSTEM = 0x04,
  CAB_A_ARCH = 0x20,
  CAB_A_EXEC = 0x40,
  CAB_A_NAME_IS_UTF = 0x80,
};

// Lengths of the name buffers of the cabinet parameter record. A name is one component, at
// most 255 bytes as the format and the file systems keep it; a cabinet's folder may lie as deep
// as the system reaches (a data folder under a deep home), so its buffer takes a whole path.
enum : int { CB_MAX_DISK_NAME = 256, CB_MAX_CABINET_NAME = 256, CB_MAX_CAB_PATH = 4096, CB_MAX_FILENAME = 256 };
