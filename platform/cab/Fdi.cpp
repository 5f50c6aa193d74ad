#include "platform/cab/Fdi.h"

#include "platform/cab/Cabformat.h"
#include "platform/cab/Cabmembername.h"
#include "platform/cab/Lzxdecoder.h"
#include "platform/cab/Mszip.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace platform {
namespace {

constexpr std::uint64_t kDefaultOutputLimit = std::uint64_t(4) << 30;
constexpr UINT kIoFailed = static_cast<UINT>(-1);

// A cabinet opened during one FDICopy, with its checked directory.
struct OpenCabinet {
  std::string path, name;
  INT_PTR hf = -1;
  std::uint64_t size = 0;
  CabDirectory dir;
};

bool FromPrev(const CabFileEntry& f) {
  return f.folder == kCabFolderContinuedFromPrev || f.folder == kCabFolderPrevAndNext;
}

class CabDecompressor {
 public:
  CabDecompressor(PFNOPEN o, PFNREAD r, PFNWRITE w, PFNCLOSE c, PFNSEEK s, PERF e)
      : open_(o), read_(r), write_(w), close_(c), seek_(s), erf_(e) {}

  std::uint64_t limit = kDefaultOutputLimit;
  FDIOutputObserver observer;
  std::string unsafeName;  // the member name the last Copy refused

  bool Copy(const char* name, const char* path, PFNFDINOTIFY notify, void* pvUser);
  int Inspect(INT_PTR hf, CabDirectory& dir, std::uint64_t& size);

 private:
  bool Fail(int oper) {
    erf_->erfOper = oper;
    erf_->erfType = 0;
    erf_->fError = TRUE;
    return false;
  }
  static int ParseError(CabParse p) {
    switch (p) {
      case CabParse::NotCabinet: return FDIERROR_NOT_A_CABINET;
      case CabParse::BadVersion: return FDIERROR_UNKNOWN_CABINET_VERSION;
      default: return FDIERROR_CORRUPT_CABINET;
    }
  }
  bool ReadAt(INT_PTR hf, std::uint64_t offset, std::uint8_t* buf, std::size_t count);
  int Load(OpenCabinet& cab);
  bool CheckNames(const CabDirectory& dir);
  bool Notify(FDINOTIFICATIONTYPE type, FDINOTIFICATION& n, INT_PTR* result = nullptr);
  bool CabinetInfo(const OpenCabinet& cab);
  bool Extract(OpenCabinet* origin, std::size_t folder, const CabFileEntry& f);
  void Begin(OpenCabinet* origin, std::size_t folder);
  bool NextBlock();
  bool ReadBlock(std::vector<std::uint8_t>& data, std::uint16_t& usize);
  bool Cross();
  void CloseAll();

  PFNOPEN open_;
  PFNREAD read_;
  PFNWRITE write_;
  PFNCLOSE close_;
  PFNSEEK seek_;
  PERF erf_;

  PFNFDINOTIFY notify_ = nullptr;
  void* pvUser_ = nullptr;
  std::vector<std::unique_ptr<OpenCabinet>> cabs_;
  std::uint64_t produced_ = 0;

  // The folder being decoded: where it began, where its next block is.
  OpenCabinet* origin_ = nullptr;
  std::size_t originFolder_ = 0;
  OpenCabinet* cab_ = nullptr;
  std::size_t cabIndex_ = 0;
  std::uint64_t blockPos_ = 0;
  std::uint32_t blocksLeft_ = 0;
  std::uint16_t comp_ = 0;
  std::uint64_t pos_ = 0;  // folder stream offset of out_[outPos_]
  std::vector<std::uint8_t> out_ = std::vector<std::uint8_t>(kCabMaxBlock);
  std::size_t outPos_ = 0, outLen_ = 0;
  std::vector<std::uint8_t> block_;  // compressed bytes of the block being read
  MszipDecoder mszip_;
  LzxDecoder lzx_;
};

bool CabDecompressor::ReadAt(INT_PTR hf, std::uint64_t offset, std::uint8_t* buf, std::size_t count) {
  if (seek_(hf, static_cast<long>(offset), CAB_SEEK_SET) != static_cast<long>(offset)) return false;
  while (count > 0) {
    UINT n = read_(hf, buf, static_cast<UINT>(count));
    if (n == kIoFailed || n == 0 || n > count) return false;
    buf += n;
    count -= n;
  }
  return true;
}

int CabDecompressor::Inspect(INT_PTR hf, CabDirectory& dir, std::uint64_t& size) {
  long end = seek_(hf, 0, CAB_SEEK_END);
  if (end < 0) return FDIERROR_NOT_A_CABINET;
  size = static_cast<std::uint64_t>(end);
  CabParse p = CabReadDirectory(
      [&](std::uint64_t offset, std::uint8_t* buf, std::size_t count) { return ReadAt(hf, offset, buf, count); },
      size, dir);
  return p == CabParse::Ok ? FDIERROR_NONE : ParseError(p);
}

int CabDecompressor::Load(OpenCabinet& cab) {
  std::string full = cab.path + cab.name;
  cab.hf = open_(full.data(), CAB_O_BINARY | CAB_O_RDONLY | CAB_O_SEQUENTIAL, 0);
  if (cab.hf == -1) return FDIERROR_CABINET_NOT_FOUND;
  int rc = Inspect(cab.hf, cab.dir, cab.size);
  if (rc != FDIERROR_NONE) return rc;
  for (const CabFolderEntry& f : cab.dir.folders)
    if (!CabCompressionSupported(f.compression)) return FDIERROR_BAD_COMPR_TYPE;
  return CheckNames(cab.dir) ? FDIERROR_NONE : FDIERROR_UNSAFE_NAME;
}

bool CabDecompressor::CheckNames(const CabDirectory& dir) {
  for (const CabFileEntry& f : dir.files)
    if (!CabMemberNameIsSafe(f.name, (f.attribs & CAB_A_NAME_IS_UTF) != 0)) {
      unsafeName = f.name;
      return false;
    }
  return true;
}

bool CabDecompressor::Notify(FDINOTIFICATIONTYPE type, FDINOTIFICATION& n, INT_PTR* result) {
  n.pv = pvUser_;
  INT_PTR r = notify_(type, &n);
  if (result) *result = r;
  if (r == -1) return Fail(FDIERROR_USER_ABORT);
  return true;
}

bool CabDecompressor::CabinetInfo(const OpenCabinet& cab) {
  const CabHeader& h = cab.dir.header;
  std::string next = h.nextCabinet, disk = h.nextDisk, path = cab.path;
  FDINOTIFICATION n{};
  n.psz1 = next.data();
  n.psz2 = disk.data();
  n.psz3 = path.data();
  n.setID = h.setId;
  n.iCabinet = h.cabinetIndex;
  return Notify(fdintCABINET_INFO, n);
}

void CabDecompressor::CloseAll() {
  for (auto& c : cabs_)
    if (c->hf != -1) close_(c->hf);
  cabs_.clear();
  origin_ = cab_ = nullptr;
}

bool CabDecompressor::Copy(const char* name, const char* path, PFNFDINOTIFY notify, void* pvUser) {
  notify_ = notify;
  pvUser_ = pvUser;
  produced_ = 0;
  unsafeName.clear();
  origin_ = cab_ = nullptr;
  struct Cleanup {
    CabDecompressor* self;
    ~Cleanup() { self->CloseAll(); }
  } cleanup{this};

  cabs_.push_back(std::make_unique<OpenCabinet>());
  OpenCabinet& first = *cabs_.back();
  first.path = path;
  first.name = name;
  if (int rc = Load(first); rc != FDIERROR_NONE) return Fail(rc);

  // Refuse a bomb before anything is written.
  std::uint64_t declared = 0;
  for (const CabFileEntry& f : first.dir.files)
    if (!FromPrev(f)) declared += f.size;
  if (declared > limit) return Fail(FDIERROR_MDI_FAIL);

  if (!CabinetInfo(first)) return false;
  const CabDirectory& dir = first.dir;
  for (const CabFileEntry& f : dir.files) {
    std::size_t folder = dir.FolderOf(f);
    if (FromPrev(f)) {
      std::string prev = dir.header.prevCabinet, disk = dir.header.prevDisk, member = f.name;
      FDINOTIFICATION n{};
      n.psz1 = member.data();
      n.psz2 = prev.data();
      n.psz3 = disk.data();
      if (!Notify(fdintPARTIAL_FILE, n)) return false;
      continue;
    }
    // The rest of a folder that began in an earlier cabinet was extracted with that cabinet.
    if (folder == 0 && dir.firstFolderContinued) continue;
    if (!Extract(&first, folder, f)) return false;
  }

  // Files that follow a continued file in the next cabinets share its folder:
  // they are extracted now, while that folder is being decoded.
  // Cabinets opened past the first all carry on its last folder.
  std::size_t lastFolder = dir.folders.empty() ? 0 : dir.folders.size() - 1;
  for (std::size_t i = 1; i < cabs_.size(); ++i) {
    OpenCabinet* here = cabs_[i].get();
    for (const CabFileEntry& f : here->dir.files)
      if (!FromPrev(f) && here->dir.FolderOf(f) == 0 && !Extract(&first, lastFolder, f)) return false;
  }
  return true;
}

void CabDecompressor::Begin(OpenCabinet* origin, std::size_t folder) {
  origin_ = cab_ = origin;
  originFolder_ = folder;
  for (std::size_t i = 0; i < cabs_.size(); ++i)
    if (cabs_[i].get() == origin) cabIndex_ = i;
  const CabFolderEntry& f = origin->dir.folders[folder];
  blockPos_ = f.dataOffset;
  blocksLeft_ = f.blockCount;
  comp_ = CabCompKind(f.compression);
  pos_ = 0;
  outPos_ = outLen_ = 0;
  mszip_.Reset();
  if (comp_ == kCabCompLzx) lzx_.Reset(CabLzxWindowBits(f.compression));
}

bool CabDecompressor::Extract(OpenCabinet* origin, std::size_t folder, const CabFileEntry& f) {
  std::string member = f.name;
  FDINOTIFICATION n{};
  n.cb = static_cast<long>(f.size);
  n.psz1 = member.data();
  n.date = f.date;
  n.time = f.time;
  n.attribs = f.attribs;
  n.iFolder = f.folder;
  n.setID = origin->dir.header.setId;
  n.iCabinet = origin->dir.header.cabinetIndex;
  INT_PTR hf = 0;
  if (!Notify(fdintCOPY_FILE, n, &hf)) return false;
  if (hf == 0) return true;

  struct Target {
    CabDecompressor* self;
    INT_PTR hf;
    ~Target() { if (hf != -1) self->close_(hf); }
  } target{this, hf};

  if (origin_ != origin || originFolder_ != folder || pos_ > f.folderOffset) Begin(origin, folder);
  std::uint64_t skip = f.folderOffset - pos_;
  std::uint64_t left = f.size;
  while (skip > 0 || left > 0) {
    if (outPos_ == outLen_ && !NextBlock()) return false;
    std::size_t avail = outLen_ - outPos_;
    if (skip > 0) {
      std::size_t n2 = static_cast<std::size_t>(std::min<std::uint64_t>(skip, avail));
      outPos_ += n2;
      pos_ += n2;
      skip -= n2;
      continue;
    }
    std::size_t n2 = static_cast<std::size_t>(std::min<std::uint64_t>(left, avail));
    if (write_(hf, out_.data() + outPos_, static_cast<UINT>(n2)) != n2) return Fail(FDIERROR_TARGET_FILE);
    outPos_ += n2;
    pos_ += n2;
    left -= n2;
  }

  target.hf = -1;  // the close notification owns the handle now
  FDINOTIFICATION c{};
  c.psz1 = member.data();
  c.hf = hf;
  c.date = f.date;
  c.time = f.time;
  c.attribs = f.attribs;
  c.iFolder = f.folder;
  c.cb = (f.attribs & CAB_A_EXEC) ? 1 : 0;
  INT_PTR closed = 0;
  if (!Notify(fdintCLOSE_FILE_INFO, c, &closed)) return false;
  if (!closed) return Fail(FDIERROR_TARGET_FILE);
  return true;
}

// Reads the next data block of the folder (joining a block split across
// cabinets) and decodes it into out_.
bool CabDecompressor::NextBlock() {
  std::vector<std::uint8_t>& data = block_;
  data.clear();
  std::uint16_t usize = 0;
  if (!ReadBlock(data, usize)) return false;
  if (comp_ == kCabCompNone) {
    if (data.size() != usize) return Fail(FDIERROR_CORRUPT_CABINET);
    std::memcpy(out_.data(), data.data(), usize);
    mszip_.Remember(out_.data(), usize);
  } else if (comp_ == kCabCompLzx) {
    if (!lzx_.Decode(data.data(), data.size(), out_.data(), usize)) return Fail(FDIERROR_MDI_FAIL);
  } else if (!mszip_.Decode(data.data(), data.size(), out_.data(), usize)) {
    return Fail(FDIERROR_MDI_FAIL);
  }
  produced_ += usize;
  if (produced_ > limit) return Fail(FDIERROR_MDI_FAIL);
  if (observer && !observer(out_.data(), usize)) return Fail(FDIERROR_USER_ABORT);
  outPos_ = 0;
  outLen_ = usize;
  return true;
}

bool CabDecompressor::ReadBlock(std::vector<std::uint8_t>& data, std::uint16_t& usize) {
  for (;;) {
    if (blocksLeft_ == 0) {
      // The folder goes on only when it is the last one of a cabinet that says so.
      bool continues = cab_->dir.lastFolderContinues &&
                       (cab_ == origin_ ? originFolder_ : 0) + 1 == cab_->dir.folders.size();
      if (!continues) return Fail(FDIERROR_CORRUPT_CABINET);
      if (!Cross()) return false;
    }
    const CabHeader& h = cab_->dir.header;
    std::size_t headerSize = kCabDataSize + h.dataReserve;
    std::uint8_t head[kCabDataSize + 255];
    if (blockPos_ + headerSize > cab_->size || !ReadAt(cab_->hf, blockPos_, head, headerSize))
      return Fail(FDIERROR_CORRUPT_CABINET);
    std::uint32_t checksum = CabGet32(head);
    std::uint16_t csize = CabGet16(head + 4);
    usize = CabGet16(head + 6);
    if (csize > kCabMaxCompressedBlock || usize > kCabMaxBlock || data.size() + csize > kCabMaxCompressedBlock)
      return Fail(FDIERROR_CORRUPT_CABINET);
    std::uint64_t dataPos = blockPos_ + headerSize;
    if (dataPos + csize > cab_->size) return Fail(FDIERROR_CORRUPT_CABINET);
    std::size_t at = data.size();
    if (data.capacity() < kCabMaxCompressedBlock) data.reserve(kCabMaxCompressedBlock);
    data.resize(at + csize);
    if (csize && !ReadAt(cab_->hf, dataPos, data.data() + at, csize)) return Fail(FDIERROR_CORRUPT_CABINET);
    if (checksum != 0 && checksum != CabBlockChecksum(data.data() + at, csize, usize, head + kCabDataSize, h.dataReserve))
      return Fail(FDIERROR_CORRUPT_CABINET);
    blockPos_ = dataPos + csize;
    --blocksLeft_;
    if (usize != 0) return true;
    // A block with no uncompressed size is the first part of a block split
    // across cabinets; its rest opens the folder in the next cabinet.
    if (blocksLeft_ != 0) return Fail(FDIERROR_CORRUPT_CABINET);
  }
}

// Moves the folder being decoded on into the next cabinet of the set.
bool CabDecompressor::Cross() {
  if (cabIndex_ + 1 < cabs_.size()) {
    cab_ = cabs_[++cabIndex_].get();
  } else {
    const CabHeader& prev = cab_->dir.header;
    auto next = std::make_unique<OpenCabinet>();
    next->name = prev.nextCabinet;
    int error = FDIERROR_NONE;
    for (int attempt = 0; attempt < 2; ++attempt) {
      std::string nextName = prev.nextCabinet, nextDisk = prev.nextDisk;
      char path[CB_MAX_CAB_PATH] = {};
      std::strncpy(path, cab_->path.c_str(), sizeof path - 1);
      FDINOTIFICATION n{};
      n.psz1 = nextName.data();
      n.psz2 = nextDisk.data();
      n.psz3 = path;
      n.fdie = static_cast<FDIERROR>(error);
      n.pv = pvUser_;
      if (notify_(fdintNEXT_CABINET, &n) == -1) return Fail(error != FDIERROR_NONE ? error : FDIERROR_USER_ABORT);
      path[sizeof path - 1] = 0;
      if (next->hf != -1) close_(next->hf);
      next->hf = -1;
      next->path = path;
      error = Load(*next);
      if (error == FDIERROR_NONE) {
        const CabHeader& h = next->dir.header;
        if (h.dataReserve != prev.dataReserve || h.folderReserve != prev.folderReserve ||
            h.headerReserve != prev.headerReserve)
          error = FDIERROR_RESERVE_MISMATCH;
        else if (h.setId != prev.setId || h.cabinetIndex != prev.cabinetIndex + 1 || !h.HasPrev() ||
                 next->dir.folders.empty() || !next->dir.firstFolderContinued ||
                 CabCompKind(next->dir.folders[0].compression) != comp_)
          error = FDIERROR_WRONG_CABINET;
      }
      if (error == FDIERROR_NONE) break;
    }
    if (error != FDIERROR_NONE) {
      if (next->hf != -1) close_(next->hf);
      return Fail(error);
    }
    cabs_.push_back(std::move(next));
    cab_ = cabs_.back().get();
    cabIndex_ = cabs_.size() - 1;
    if (!CabinetInfo(*cab_)) return false;
  }
  const CabFolderEntry& f = cab_->dir.folders[0];
  blockPos_ = f.dataOffset;
  blocksLeft_ = f.blockCount;
  return true;
}

}  // namespace
}  // namespace platform

using platform::CabDecompressor;

HFDI FDICreate(PFNALLOC pfnalloc, PFNFREE pfnfree, PFNOPEN pfnopen, PFNREAD pfnread, PFNWRITE pfnwrite,
               PFNCLOSE pfnclose, PFNSEEK pfnseek, int /*cpuType*/, PERF perf) {
  if (!perf) return nullptr;
  if (!pfnalloc || !pfnfree || !pfnopen || !pfnread || !pfnwrite || !pfnclose || !pfnseek) {
    *perf = ERF{FDIERROR_ALLOC_FAIL, 0, TRUE};
    return nullptr;
  }
  auto* d = new (std::nothrow) CabDecompressor(pfnopen, pfnread, pfnwrite, pfnclose, pfnseek, perf);
  if (!d) *perf = ERF{FDIERROR_ALLOC_FAIL, 0, TRUE};
  return d;
}

BOOL FDIIsCabinet(HFDI hfdi, INT_PTR hf, PFDICABINETINFO pfdici) {
  auto* d = static_cast<CabDecompressor*>(hfdi);
  if (!d || !pfdici) return FALSE;
  platform::CabDirectory dir;
  std::uint64_t size = 0;
  if (d->Inspect(hf, dir, size) != FDIERROR_NONE) return FALSE;
  const platform::CabHeader& h = dir.header;
  *pfdici = FDICABINETINFO{static_cast<long>(size), h.folderCount, h.fileCount, h.setId, h.cabinetIndex,
                           (h.flags & platform::kCabFlagReserve) ? TRUE : FALSE, h.HasPrev(), h.HasNext()};
  return TRUE;
}

BOOL FDICopy(HFDI hfdi, char* pszCabinet, char* pszCabPath, int /*flags*/, PFNFDINOTIFY pfnfdin,
             PFNFDIDECRYPT /*pfnfdid*/, void* pvUser) {
  auto* d = static_cast<CabDecompressor*>(hfdi);
  if (!d || !pszCabinet || !pfnfdin) return FALSE;
  return d->Copy(pszCabinet, pszCabPath ? pszCabPath : "", pfnfdin, pvUser);
}

BOOL FDIDestroy(HFDI hfdi) {
  delete static_cast<CabDecompressor*>(hfdi);
  return hfdi != nullptr;
}

const char* FDIUnsafeName(HFDI hfdi) {
  auto* d = static_cast<CabDecompressor*>(hfdi);
  return d ? d->unsafeName.c_str() : "";
}

void FDISetOutputLimit(HFDI hfdi, std::uint64_t bytes) {
  if (auto* d = static_cast<CabDecompressor*>(hfdi)) d->limit = bytes ? bytes : platform::kDefaultOutputLimit;
}

void FDISetOutputObserver(HFDI hfdi, FDIOutputObserver observer) {
  if (auto* d = static_cast<CabDecompressor*>(hfdi)) d->observer = std::move(observer);
}
