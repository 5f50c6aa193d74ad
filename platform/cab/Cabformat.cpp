#include "platform/cab/Cabformat.h"

#include "platform/cab/Lzxformat.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace platform {

std::uint16_t CabGet16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t CabGet32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void CabPut16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void CabPut32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint32_t CabChecksum(const std::uint8_t* data, std::size_t size, std::uint32_t seed) {
  std::uint32_t c = seed;
  std::size_t words = size / 4, i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    // Four 64-bit lanes side by side: each holds two of the little-endian
    // words, and the xor of all folds to the same sum.
    std::uint64_t lane[4] = {};
    for (; i + 8 <= words; i += 8)
      for (int k = 0; k < 4; ++k) {
        std::uint64_t v;
        std::memcpy(&v, data + 4 * i + 8 * k, 8);
        lane[k] ^= v;
      }
    const std::uint64_t all = lane[0] ^ lane[1] ^ lane[2] ^ lane[3];
    c ^= static_cast<std::uint32_t>(all) ^ static_cast<std::uint32_t>(all >> 32);
  }
  for (; i < words; ++i) c ^= CabGet32(data + 4 * i);
  const std::uint8_t* rest = data + 4 * words;
  std::uint32_t tail = 0;
  switch (size % 4) {
    case 3: tail = (static_cast<std::uint32_t>(rest[0]) << 16) | (rest[1] << 8) | rest[2]; break;
    case 2: tail = (static_cast<std::uint32_t>(rest[0]) << 8) | rest[1]; break;
    case 1: tail = rest[0]; break;
    default: break;
  }
  return c ^ tail;
}

std::uint32_t CabBlockChecksum(const std::uint8_t* data, std::uint16_t compressed, std::uint16_t uncompressed,
                               const std::uint8_t* reserve, std::size_t reserveSize) {
  std::vector<std::uint8_t> tail;
  tail.reserve(4 + reserveSize);
  CabPut16(tail, compressed);
  CabPut16(tail, uncompressed);
  tail.insert(tail.end(), reserve, reserve + reserveSize);
  return CabChecksum(tail.data(), tail.size(), CabChecksum(data, compressed, 0));
}

namespace {

void PutName(std::vector<std::uint8_t>& out, const std::string& s) {
  out.insert(out.end(), s.begin(), s.end());
  out.push_back(0);
}

}  // namespace

std::vector<std::uint8_t> CabWriteHeader(const CabHeader& h) {
  bool reserve = h.headerReserve || h.folderReserve || h.dataReserve;
  std::uint16_t flags = static_cast<std::uint16_t>((h.flags & (kCabFlagPrev | kCabFlagNext)) |
                                                   (reserve ? kCabFlagReserve : 0));
  std::vector<std::uint8_t> out = {'M', 'S', 'C', 'F'};
  CabPut32(out, 0);
  CabPut32(out, h.totalSize);
  CabPut32(out, 0);
  CabPut32(out, h.filesOffset);
  CabPut32(out, 0);
  out.push_back(h.versionMinor);
  out.push_back(h.versionMajor);
  CabPut16(out, h.folderCount);
  CabPut16(out, h.fileCount);
  CabPut16(out, flags);
  CabPut16(out, h.setId);
  CabPut16(out, h.cabinetIndex);
  if (reserve) {
    CabPut16(out, h.headerReserve);
    out.push_back(h.folderReserve);
    out.push_back(h.dataReserve);
    out.insert(out.end(), h.headerReserve, 0);
  }
  if (flags & kCabFlagPrev) { PutName(out, h.prevCabinet); PutName(out, h.prevDisk); }
  if (flags & kCabFlagNext) { PutName(out, h.nextCabinet); PutName(out, h.nextDisk); }
  return out;
}

void CabWriteFolder(std::vector<std::uint8_t>& out, const CabFolderEntry& f, std::uint8_t reserve) {
  CabPut32(out, f.dataOffset);
  CabPut16(out, f.blockCount);
  CabPut16(out, f.compression);
  out.insert(out.end(), reserve, 0);
}

void CabWriteFile(std::vector<std::uint8_t>& out, const CabFileEntry& f) {
  CabPut32(out, f.size);
  CabPut32(out, f.folderOffset);
  CabPut16(out, f.folder);
  CabPut16(out, f.date);
  CabPut16(out, f.time);
  CabPut16(out, f.attribs);
  PutName(out, f.name);
}

std::size_t CabFileEntrySize(const CabFileEntry& f) { return kCabFileSize + f.name.size() + 1; }

std::size_t CabDirectory::FolderOf(const CabFileEntry& f) const {
  switch (f.folder) {
    case kCabFolderContinuedFromPrev:
    case kCabFolderPrevAndNext: return 0;
    case kCabFolderContinuedToNext: return folders.empty() ? 0 : folders.size() - 1;
    default: return f.folder;
  }
}

namespace {

// A window of the file read once, with zero-terminated names taken from it.
struct Region {
  std::vector<std::uint8_t> bytes;
  std::size_t pos = 0;

  bool Load(const CabReadAt& readAt, std::uint64_t offset, std::uint64_t fileSize, std::uint64_t wanted) {
    if (offset > fileSize) return false;
    std::uint64_t n = std::min<std::uint64_t>(wanted, fileSize - offset);
    bytes.resize(static_cast<std::size_t>(n));
    pos = 0;
    return n == 0 || readAt(offset, bytes.data(), bytes.size());
  }
  bool Has(std::size_t n) const { return bytes.size() - pos >= n; }
  const std::uint8_t* Take(std::size_t n) {
    const std::uint8_t* p = bytes.data() + pos;
    pos += n;
    return p;
  }
  bool Name(std::string& out) {
    std::size_t limit = std::min(bytes.size(), pos + kCabMaxName + 1);
    const std::uint8_t* begin = bytes.data() + pos;
    const std::uint8_t* end = static_cast<const std::uint8_t*>(std::memchr(begin, 0, limit - pos));
    if (!end) return false;
    out.assign(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin));
    pos += out.size() + 1;
    return true;
  }
};

CabParse ReadHeader(const CabReadAt& readAt, std::uint64_t fileSize, CabHeader& h, std::uint64_t& end) {
  Region r;
  std::uint64_t wanted = kCabHeaderSize + 4 + kCabMaxHeaderReserve + 4 * (kCabMaxName + 1);
  if (fileSize < kCabHeaderSize || !r.Load(readAt, 0, fileSize, wanted)) return CabParse::NotCabinet;
  const std::uint8_t* p = r.Take(kCabHeaderSize);
  if (std::memcmp(p, "MSCF", 4) != 0) return CabParse::NotCabinet;
  h.totalSize = CabGet32(p + 8);
  h.filesOffset = CabGet32(p + 16);
  h.versionMinor = p[24];
  h.versionMajor = p[25];
  h.folderCount = CabGet16(p + 26);
  h.fileCount = CabGet16(p + 28);
  h.flags = CabGet16(p + 30);
  h.setId = CabGet16(p + 32);
  h.cabinetIndex = CabGet16(p + 34);
  if (h.versionMajor != 1) return CabParse::BadVersion;
  if (h.flags & kCabFlagReserve) {
    if (!r.Has(4)) return CabParse::Corrupt;
    const std::uint8_t* q = r.Take(4);
    h.headerReserve = CabGet16(q);
    h.folderReserve = q[2];
    h.dataReserve = q[3];
    if (h.headerReserve > kCabMaxHeaderReserve || !r.Has(h.headerReserve)) return CabParse::Corrupt;
    r.Take(h.headerReserve);
  }
  if (h.HasPrev() && !(r.Name(h.prevCabinet) && r.Name(h.prevDisk))) return CabParse::Corrupt;
  if (h.HasNext() && !(r.Name(h.nextCabinet) && r.Name(h.nextDisk))) return CabParse::Corrupt;
  end = r.pos;
  return CabParse::Ok;
}

}  // namespace

CabParse CabReadDirectory(const CabReadAt& readAt, std::uint64_t fileSize, CabDirectory& dir) {
  dir = CabDirectory{};
  CabHeader& h = dir.header;
  std::uint64_t pos = 0;
  CabParse result = ReadHeader(readAt, fileSize, h, pos);
  if (result != CabParse::Ok) return result;
  if (h.fileCount > 0 && h.folderCount == 0) return CabParse::Corrupt;

  std::uint64_t folderBytes = std::uint64_t(h.folderCount) * (kCabFolderSize + h.folderReserve);
  Region r;
  if (pos + folderBytes > fileSize || !r.Load(readAt, pos, fileSize, folderBytes)) return CabParse::Corrupt;
  for (unsigned i = 0; i < h.folderCount; ++i) {
    const std::uint8_t* p = r.Take(kCabFolderSize + h.folderReserve);
    CabFolderEntry f{CabGet32(p), CabGet16(p + 4), CabGet16(p + 6)};
    if (f.dataOffset > fileSize) return CabParse::Corrupt;
    dir.folders.push_back(f);
  }

  if (h.filesOffset < pos + folderBytes || h.filesOffset > fileSize) return CabParse::Corrupt;
  if (!r.Load(readAt, h.filesOffset, fileSize, std::uint64_t(h.fileCount) * (kCabFileSize + kCabMaxName + 1)))
    return CabParse::Corrupt;
  for (unsigned i = 0; i < h.fileCount; ++i) {
    if (!r.Has(kCabFileSize)) return CabParse::Corrupt;
    const std::uint8_t* p = r.Take(kCabFileSize);
    CabFileEntry f;
    f.size = CabGet32(p);
    f.folderOffset = CabGet32(p + 4);
    f.folder = CabGet16(p + 8);
    f.date = CabGet16(p + 10);
    f.time = CabGet16(p + 12);
    f.attribs = CabGet16(p + 14);
    if (!r.Name(f.name)) return CabParse::Corrupt;
    if (std::uint64_t(f.folderOffset) + f.size > 0xFFFFFFFFull) return CabParse::Corrupt;
    bool fromPrev = f.folder == kCabFolderContinuedFromPrev || f.folder == kCabFolderPrevAndNext;
    bool toNext = f.folder == kCabFolderContinuedToNext || f.folder == kCabFolderPrevAndNext;
    if (fromPrev && !h.HasPrev()) return CabParse::Corrupt;
    if (toNext && !h.HasNext()) return CabParse::Corrupt;
    if (f.folder == kCabFolderPrevAndNext && h.folderCount != 1) return CabParse::Corrupt;
    if (!fromPrev && !toNext && f.folder >= h.folderCount) return CabParse::Corrupt;
    dir.firstFolderContinued |= fromPrev;
    dir.lastFolderContinues |= toNext;
    dir.files.push_back(std::move(f));
  }

  // A folder that lies wholly in this cabinet cannot hold more than its blocks can carry.
  for (const CabFileEntry& f : dir.files) {
    std::size_t folder = dir.FolderOf(f);
    bool continued = (folder == 0 && dir.firstFolderContinued) ||
                     (folder + 1 == dir.folders.size() && dir.lastFolderContinues);
    if (!continued && std::uint64_t(f.folderOffset) + f.size > std::uint64_t(dir.folders[folder].blockCount) * kCabMaxBlock)
      return CabParse::Corrupt;
  }
  return CabParse::Ok;
}

bool CabCompressionSupported(std::uint16_t compression) {
  const int window = CabLzxWindowBits(compression);
  switch (CabCompKind(compression)) {
    case kCabCompNone:
    case kCabCompMszip: return true;
    case kCabCompLzx: return window >= kLzxMinWindowBits && window <= kLzxMaxWindowBits;
    default: return false;
  }
}

}  // namespace platform
