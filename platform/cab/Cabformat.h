#pragma once
// The on-disk layout of a cabinet: header, folder and file entries, data
// block headers and their checksum. Parsing checks every count, offset and
// length against the bytes it was given.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

inline constexpr std::uint32_t kCabMaxBlock = 32768;              // uncompressed bytes of one block
inline constexpr std::uint32_t kCabMaxCompressedBlock = 32768 + 6144;
inline constexpr std::uint32_t kCabMaxHeaderReserve = 60000;
inline constexpr std::size_t kCabMaxName = 255;                     // bytes of a name, without its zero

inline constexpr std::uint16_t kCabFlagPrev = 1;
inline constexpr std::uint16_t kCabFlagNext = 2;
inline constexpr std::uint16_t kCabFlagReserve = 4;

inline constexpr std::uint16_t kCabFolderContinuedFromPrev = 0xFFFD;
inline constexpr std::uint16_t kCabFolderContinuedToNext = 0xFFFE;
inline constexpr std::uint16_t kCabFolderPrevAndNext = 0xFFFF;

// A folder's compression word: the kind in its low bits; LZX keeps the exponent of its
// window in bits 8..12. The writer's interface names the same words (Fci.h).
inline constexpr std::uint16_t kCabCompNone = 0;
inline constexpr std::uint16_t kCabCompMszip = 1;
inline constexpr std::uint16_t kCabCompQuantum = 2;  // known to the format, never read or written here
inline constexpr std::uint16_t kCabCompLzx = 3;
inline constexpr std::uint16_t kCabCompMask = 0x000F;
inline constexpr std::uint16_t kCabLzxWindowMask = 0x1F00;
inline constexpr int kCabLzxWindowShift = 8;

constexpr std::uint16_t CabCompKind(std::uint16_t compression) { return compression & kCabCompMask; }
constexpr int CabLzxWindowBits(std::uint16_t compression) {
  return (compression & kCabLzxWindowMask) >> kCabLzxWindowShift;
}
// The compression word of LZX with a window of 2^windowBits bytes.
constexpr std::uint16_t CabCompLzxWindow(int windowBits) {
  return static_cast<std::uint16_t>(kCabCompLzx | (windowBits << kCabLzxWindowShift));
}
// Whether the cabinets here are written and read with that compression: none, MSZIP, or
// LZX with a window of 2^15 to 2^21 bytes.
bool CabCompressionSupported(std::uint16_t compression);

inline constexpr std::size_t kCabHeaderSize = 36;
inline constexpr std::size_t kCabFolderSize = 8;
inline constexpr std::size_t kCabFileSize = 16;
inline constexpr std::size_t kCabDataSize = 8;

std::uint16_t CabGet16(const std::uint8_t* p);
std::uint32_t CabGet32(const std::uint8_t* p);
void CabPut16(std::vector<std::uint8_t>& out, std::uint16_t v);
void CabPut32(std::vector<std::uint8_t>& out, std::uint32_t v);

// XOR-folding checksum of the format, continued from seed.
std::uint32_t CabChecksum(const std::uint8_t* data, std::size_t size, std::uint32_t seed);
// The checksum of one data block: its data, then the two size fields and the reserve.
std::uint32_t CabBlockChecksum(const std::uint8_t* data, std::uint16_t compressed, std::uint16_t uncompressed,
                               const std::uint8_t* reserve, std::size_t reserveSize);

struct CabFolderEntry {
  std::uint32_t dataOffset = 0;   // of the first data block in the cabinet file
  std::uint16_t blockCount = 0;
  std::uint16_t compression = 0;
};

struct CabFileEntry {
  std::uint32_t size = 0;
  std::uint32_t folderOffset = 0;  // in the folder's uncompressed stream
  std::uint16_t folder = 0;
  std::uint16_t date = 0;
  std::uint16_t time = 0;
  std::uint16_t attribs = 0;
  std::string name;
};

struct CabHeader {
  std::uint32_t totalSize = 0;
  std::uint32_t filesOffset = 0;
  std::uint8_t versionMinor = 3;
  std::uint8_t versionMajor = 1;
  std::uint16_t folderCount = 0;
  std::uint16_t fileCount = 0;
  std::uint16_t flags = 0;
  std::uint16_t setId = 0;
  std::uint16_t cabinetIndex = 0;
  std::uint16_t headerReserve = 0;
  std::uint8_t folderReserve = 0;
  std::uint8_t dataReserve = 0;
  std::string prevCabinet, prevDisk, nextCabinet, nextDisk;

  bool HasPrev() const { return (flags & kCabFlagPrev) != 0; }
  bool HasNext() const { return (flags & kCabFlagNext) != 0; }
};

// Serialised header with its reserve and links; the prev and next flags are
// the caller's, the reserve flag follows the three reserve sizes.
std::vector<std::uint8_t> CabWriteHeader(const CabHeader& h);
void CabWriteFolder(std::vector<std::uint8_t>& out, const CabFolderEntry& f, std::uint8_t reserve);
void CabWriteFile(std::vector<std::uint8_t>& out, const CabFileEntry& f);
std::size_t CabFileEntrySize(const CabFileEntry& f);

enum class CabParse { Ok, NotCabinet, BadVersion, Corrupt };

// Everything of a cabinet that precedes its data blocks.
struct CabDirectory {
  CabHeader header;
  std::vector<CabFolderEntry> folders;
  std::vector<CabFileEntry> files;
  bool firstFolderContinued = false;  // folder 0 began in the previous cabinet
  bool lastFolderContinues = false;   // the last folder goes on in the next cabinet

  // The folder a file entry belongs to (resolving the continuation markers).
  std::size_t FolderOf(const CabFileEntry& f) const;
};

// Reads count bytes at offset into buf; false when they cannot be read.
using CabReadAt = std::function<bool(std::uint64_t offset, std::uint8_t* buf, std::size_t count)>;

// Reads and checks the directory of a cabinet file of fileSize bytes.
CabParse CabReadDirectory(const CabReadAt& readAt, std::uint64_t fileSize, CabDirectory& dir);

}  // namespace platform
