#include "platform/cab/Fci.h"

#include "platform/cab/Cabformat.h"
#include "platform/cab/Cabmembername.h"
#include "platform/cab/Lzxencoder.h"
#include "platform/cab/Mszip.h"
#include "platform/kernel/Fileapi.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace platform {
namespace {

constexpr std::uint64_t kFolderMaxBytes = std::uint64_t(0xFFFF) * kCabMaxBlock;
constexpr std::size_t kMaxEntries = 0xFFFF;
constexpr UINT kIoFailed = static_cast<UINT>(-1);
constexpr std::size_t kNextLinkWorstCase = CB_MAX_CABINET_NAME + CB_MAX_DISK_NAME;
constexpr ULONG kSmallestCabinet = 4096;

// The system error code the error record carries for a failure the callbacks did not name.
int SystemCode(int errnoValue) { return static_cast<int>(ErrorFromErrno(errnoValue)); }

// A temporary file written through the caller's callbacks.
struct TempFile {
  std::string name;
  INT_PTR hf = -1;
  std::uint64_t size = 0;
};

// One folder of the cabinet being assembled; its blocks lie in the cabinet's temporary file.
struct FolderOut {
  std::uint64_t tempOffset = 0;
  std::uint32_t blocks = 0;
  std::uint16_t compression = 0;
};

// A block of the folder being built, kept in the folder's temporary file.
struct BlockOut {
  std::uint64_t offset = 0;
  std::uint16_t csize = 0;
  std::uint16_t usize = 0;
};

// A file of the folder being built, with its offset in the folder's stream.
struct FileOut {
  CabFileEntry entry;
  std::uint64_t streamOffset = 0;
};

// Files go into a folder first; a finished folder is then laid into the
// current cabinet, and when it does not fit the block at the limit is split
// and the folder goes on in the next cabinet of the set. Every file of a
// folder that reaches past a cabinet is listed in each following cabinet the
// folder reaches, as readers of sets expect.
class CabCompressor {
 public:
  CabCompressor(PERF e, PFNFCIFILEPLACED fp, PFNFCIOPEN o, PFNFCIREAD r, PFNFCIWRITE w, PFNFCICLOSE c,
                PFNFCISEEK s, PFNFCIDELETE d, PFNFCIGETTEMPFILE t, const CCAB& cab, void* context)
      : erf(e), filePlaced(fp), open(o), read(r), write(w), close(c), seek(s), remove(d), tempFile(t), ccab(cab),
        pv(context) {}

  PERF erf;
  PFNFCIFILEPLACED filePlaced;
  PFNFCIOPEN open;
  PFNFCIREAD read;
  PFNFCIWRITE write;
  PFNFCICLOSE close;
  PFNFCISEEK seek;
  PFNFCIDELETE remove;
  PFNFCIGETTEMPFILE tempFile;
  CCAB ccab;
  void* pv;

  PFNFCIGETNEXTCABINET nextCabinet = nullptr;
  PFNFCISTATUS status = nullptr;

  bool Start();
  void Finish();
  bool AddFile(const char* source, const char* name, bool execute, PFNFCIGETOPENINFO openInfo, TCOMP comp);
  bool FlushFolder() { return CloseFolder(); }
  bool FlushCabinet(bool getNext);

 private:
  bool Fail(int oper, int type = 0) {
    erf->erfOper = oper;
    erf->erfType = type;
    erf->fError = TRUE;
    return false;
  }
  bool Aborted(long result) { return result == -1 ? !Fail(FCIERR_USER_ABORT) : false; }

  bool MakeTemp(TempFile& temp);
  void DropTemp(TempFile& temp);
  bool Append(TempFile& temp, const std::uint8_t* bytes, std::size_t size);
  bool ReadBack(TempFile& temp, std::uint64_t offset, std::uint8_t* bytes, std::size_t size);

  void OpenFolder(TCOMP comp);
  bool StoreBlock();
  bool KeepLzxFrames();
  bool KeepBlock(const std::vector<std::uint8_t>& bytes, std::size_t size);
  bool CloseFolder();
  bool PlaceBlockPart(const std::uint8_t* data, std::uint16_t csize, std::uint16_t usize);
  bool NextCabinet(CCAB& next);
  bool WriteCabinet(const CCAB* next);
  void StartCabinet(const CCAB* previous);
  std::uint64_t CabinetSize(std::size_t linkSize) const;
  std::vector<std::uint8_t> Directory(const CCAB* next) const;

  TempFile cabData_, folderData_;

  std::string prevCab_, prevDisk_;
  bool hasPrev_ = false;
  std::vector<FolderOut> folders_;
  std::vector<CabFileEntry> files_;

  bool folderOpen_ = false;
  TCOMP folderComp_ = 0;
  std::vector<FileOut> folderFiles_;
  std::vector<BlockOut> folderBlocks_;
  std::uint64_t streamPos_ = 0;         // bytes fed into the folder so far
  std::uint64_t folderCompressed_ = 0;  // compressed bytes of the folder

  std::vector<std::uint8_t> block_ = std::vector<std::uint8_t>(kCabMaxBlock);
  std::size_t blockFill_ = 0;
  MszipEncoder mszip_;
  LzxEncoder lzx_;
  // The folder entry's compression: the type, and for LZX its window.
  std::uint16_t FolderCompression() const {
    const std::uint16_t kind = CabCompKind(folderComp_);
    return kind == kCabCompLzx ? CabCompLzxWindow(CabLzxWindowBits(folderComp_)) : kind;
  }
  std::vector<std::uint8_t> encoded_;
  std::vector<LzxEncoder::Frame> lzxFrames_;
};

bool CabCompressor::MakeTemp(TempFile& temp) {
  char name[CB_MAX_CAB_PATH];  // a whole path in the temporary folder
  int err = 0;
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::memset(name, 0, sizeof name);
    if (!tempFile(name, sizeof name, pv)) continue;
    INT_PTR hf = open(name, CAB_O_RDWR | CAB_O_CREAT | CAB_O_EXCL | CAB_O_BINARY, CAB_S_IREAD | CAB_S_IWRITE, &err, pv);
    if (hf != -1) {
      temp.hf = hf;
      temp.name = name;
      temp.size = 0;
      return true;
    }
  }
  return Fail(FCIERR_TEMP_FILE, err);
}

void CabCompressor::DropTemp(TempFile& temp) {
  int err = 0;
  if (temp.hf != -1) close(temp.hf, &err, pv);
  if (!temp.name.empty()) remove(temp.name.data(), &err, pv);
  temp = TempFile{};
}

bool CabCompressor::Append(TempFile& temp, const std::uint8_t* bytes, std::size_t size) {
  int err = 0;
  if (seek(temp.hf, static_cast<long>(temp.size), CAB_SEEK_SET, &err, pv) < 0) return Fail(FCIERR_TEMP_FILE, err);
  if (write(temp.hf, const_cast<std::uint8_t*>(bytes), static_cast<UINT>(size), &err, pv) != size)
    return Fail(FCIERR_TEMP_FILE, err ? err : SystemCode(ENOSPC));
  temp.size += size;
  return true;
}

bool CabCompressor::ReadBack(TempFile& temp, std::uint64_t offset, std::uint8_t* bytes, std::size_t size) {
  int err = 0;
  if (seek(temp.hf, static_cast<long>(offset), CAB_SEEK_SET, &err, pv) < 0 ||
      read(temp.hf, bytes, static_cast<UINT>(size), &err, pv) != size)
    return Fail(FCIERR_TEMP_FILE, err ? err : SystemCode(EIO));
  return true;
}

bool CabCompressor::Start() {
  if (!mszip_.Ok()) return Fail(FCIERR_ALLOC_FAIL);
  if (!MakeTemp(cabData_) || !MakeTemp(folderData_)) return false;
  StartCabinet(nullptr);
  return true;
}

void CabCompressor::Finish() {
  DropTemp(cabData_);
  DropTemp(folderData_);
}

void CabCompressor::StartCabinet(const CCAB* previous) {
  hasPrev_ = previous != nullptr;
  if (previous) {
    prevCab_ = previous->szCab;
    prevDisk_ = previous->szDisk;
  }
  folders_.clear();
  files_.clear();
  cabData_.size = 0;
}

bool CabCompressor::AddFile(const char* source, const char* name, bool execute, PFNFCIGETOPENINFO openInfo,
                            TCOMP comp) {
  if (!CabCompressionSupported(comp)) return Fail(FCIERR_BAD_COMPR_TYPE);
  std::size_t nameLength = std::strlen(name);
  if (nameLength > kCabMaxName) return Fail(FCIERR_OPEN_SRC, SystemCode(ENAMETOOLONG));
  if (!CabMemberNameIsSafe(name)) return Fail(FCIERR_UNSAFE_NAME);

  USHORT date = 0, time = 0, attribs = 0;
  int err = 0;
  INT_PTR hf = openInfo(const_cast<char*>(source), &date, &time, &attribs, &err, pv);
  if (hf == -1) return Fail(FCIERR_OPEN_SRC, err);
  struct Closer {
    CabCompressor* self;
    INT_PTR hf;
    ~Closer() { int e = 0; self->close(hf, &e, self->pv); }
  } closer{this, hf};

  long end = seek(hf, 0, CAB_SEEK_END, &err, pv);
  if (end < 0 || seek(hf, 0, CAB_SEEK_SET, &err, pv) != 0) return Fail(FCIERR_READ_SRC, err);
  std::uint64_t size = static_cast<std::uint64_t>(end);
  if (size > kFolderMaxBytes - kCabMaxBlock) return Fail(FCIERR_READ_SRC, SystemCode(EFBIG));

  if (folderOpen_ && (folderComp_ != comp || streamPos_ + size > kFolderMaxBytes ||
                      files_.size() + folderFiles_.size() >= kMaxEntries))
    if (!CloseFolder()) return false;
  if (files_.size() >= kMaxEntries && !FlushCabinet(true)) return false;
  if (!folderOpen_) OpenFolder(comp);

  FileOut file;
  file.streamOffset = streamPos_;
  file.entry.size = static_cast<std::uint32_t>(size);
  file.entry.date = date;
  file.entry.time = time;
  file.entry.attribs = static_cast<std::uint16_t>(attribs | (execute ? CAB_A_EXEC : 0));
  file.entry.name = name;
  folderFiles_.push_back(file);

  for (std::uint64_t left = size; left > 0;) {
    UINT want = static_cast<UINT>(std::min<std::uint64_t>(left, kCabMaxBlock - blockFill_));
    UINT got = read(hf, block_.data() + blockFill_, want, &err, pv);
    if (got == kIoFailed || got == 0) return Fail(FCIERR_READ_SRC, got == 0 ? SystemCode(EIO) : err);
    blockFill_ += got;
    streamPos_ += got;
    left -= got;
    if (blockFill_ == kCabMaxBlock && !StoreBlock()) return false;
  }

  if (filePlaced && Aborted(filePlaced(&ccab, const_cast<char*>(name), static_cast<long>(size), FALSE, pv)))
    return false;
  if (folderCompressed_ >= ccab.cbFolderThresh && !CloseFolder()) return false;
  return true;
}

void CabCompressor::OpenFolder(TCOMP comp) {
  folderOpen_ = true;
  folderComp_ = comp;
  folderFiles_.clear();
  folderBlocks_.clear();
  folderData_.size = 0;
  streamPos_ = folderCompressed_ = 0;
  blockFill_ = 0;
  mszip_.Reset();
  if (CabCompKind(comp) == kCabCompLzx) lzx_.Reset(CabLzxWindowBits(comp));
}

// Compresses the block being filled into the folder's temporary file. LZX
// holds a few frames back and gives them all at once.
bool CabCompressor::StoreBlock() {
  const std::size_t size = blockFill_;
  blockFill_ = 0;
  if (CabCompKind(folderComp_) == kCabCompMszip) {
    if (!mszip_.Encode(block_.data(), size, encoded_)) return Fail(FCIERR_MCI_FAIL);
  } else if (CabCompKind(folderComp_) == kCabCompLzx) {
    lzxFrames_.clear();
    if (!lzx_.Encode(block_.data(), size, lzxFrames_)) return Fail(FCIERR_MCI_FAIL);
    return KeepLzxFrames();
  } else {
    encoded_.assign(block_.begin(), block_.begin() + static_cast<std::ptrdiff_t>(size));
  }
  return KeepBlock(encoded_, size);
}

bool CabCompressor::KeepLzxFrames() {
  for (const LzxEncoder::Frame& f : lzxFrames_)
    if (!KeepBlock(f.bytes, f.size)) return false;
  return true;
}

bool CabCompressor::KeepBlock(const std::vector<std::uint8_t>& bytes, std::size_t size) {
  BlockOut b{folderData_.size, static_cast<std::uint16_t>(bytes.size()), static_cast<std::uint16_t>(size)};
  if (!Append(folderData_, bytes.data(), bytes.size())) return false;
  folderBlocks_.push_back(b);
  folderCompressed_ += b.csize;
  if (status && Aborted(status(statusFile, b.csize, b.usize, pv))) return false;
  return true;
}

std::uint64_t CabCompressor::CabinetSize(std::size_t linkSize) const {
  std::uint64_t size = kCabHeaderSize + cabData_.size + linkSize;
  if (ccab.cbReserveCFHeader || ccab.cbReserveCFFolder || ccab.cbReserveCFData) size += 4 + ccab.cbReserveCFHeader;
  if (hasPrev_) size += prevCab_.size() + prevDisk_.size() + 2;
  size += folders_.size() * (kCabFolderSize + ccab.cbReserveCFFolder);
  for (const CabFileEntry& f : files_) size += CabFileEntrySize(f);
  return size;
}

bool CabCompressor::PlaceBlockPart(const std::uint8_t* data, std::uint16_t csize, std::uint16_t usize) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kCabDataSize + ccab.cbReserveCFData + csize);
  std::vector<std::uint8_t> reserve(ccab.cbReserveCFData, 0);
  CabPut32(bytes, CabBlockChecksum(data, csize, usize, reserve.data(), reserve.size()));
  CabPut16(bytes, csize);
  CabPut16(bytes, usize);
  bytes.insert(bytes.end(), reserve.begin(), reserve.end());
  bytes.insert(bytes.end(), data, data + csize);
  if (!Append(cabData_, bytes.data(), bytes.size())) return false;
  folders_.back().blocks++;
  return true;
}

bool CabCompressor::NextCabinet(CCAB& next) {
  next = ccab;
  next.iCab++;
  if (!nextCabinet || !nextCabinet(&next, static_cast<ULONG>(CabinetSize(kNextLinkWorstCase)), pv))
    return Fail(FCIERR_USER_ABORT);
  next.szCab[sizeof next.szCab - 1] = next.szDisk[sizeof next.szDisk - 1] = 0;
  next.szCabPath[sizeof next.szCabPath - 1] = 0;
  return true;
}

// Lays the finished folder into the current cabinet and, past its limit, into the next ones.
bool CabCompressor::CloseFolder() {
  if (!folderOpen_) return true;
  if (blockFill_ > 0 && !StoreBlock()) return false;
  if (CabCompKind(folderComp_) == kCabCompLzx) {
    lzxFrames_.clear();
    lzx_.Finish(lzxFrames_);
    if (!KeepLzxFrames()) return false;
  }
  folderOpen_ = false;
  if (folderFiles_.empty()) return true;
  if (folders_.size() >= kMaxEntries && !FlushCabinet(true)) return false;

  folders_.push_back(FolderOut{cabData_.size, 0, FolderCompression()});
  std::size_t firstFile = files_.size();
  for (const FileOut& f : folderFiles_) {
    CabFileEntry e = f.entry;
    e.folder = static_cast<std::uint16_t>(folders_.size() - 1);
    e.folderOffset = static_cast<std::uint32_t>(f.streamOffset);
    files_.push_back(e);
  }

  const std::size_t blockHead = kCabDataSize + ccab.cbReserveCFData;
  const std::uint64_t limit = std::max<ULONG>(ccab.cb, kSmallestCabinet);
  std::vector<std::uint8_t> data(kCabMaxCompressedBlock);
  std::uint64_t blockStart = 0;  // folder stream offset of the block being laid
  for (const BlockOut& b : folderBlocks_) {
    if (!ReadBack(folderData_, b.offset, data.data(), b.csize)) return false;
    std::size_t at = 0;
    while (CabinetSize(kNextLinkWorstCase) + blockHead + (b.csize - at) > limit && b.csize - at >= 2) {
      // The files that reach past this cabinet are marked and go on into the next one.
      bool continued = files_.size() > firstFile && folders_.size() == 1 && hasPrev_ &&
                       files_[firstFile].folder == kCabFolderContinuedFromPrev;
      std::vector<CabFileEntry> carried;
      for (std::size_t i = firstFile; i < files_.size(); ++i) {
        CabFileEntry& e = files_[i];
        if (continued) {
          e.folder = kCabFolderPrevAndNext;
        } else if (std::uint64_t(e.folderOffset) + e.size > blockStart) {
          e.folder = kCabFolderContinuedToNext;
        } else {
          continue;
        }
        carried.push_back(e);
        carried.back().folder = kCabFolderContinuedFromPrev;
      }
      CCAB next;
      if (!NextCabinet(next)) return false;
      std::size_t link = std::strlen(next.szCab) + std::strlen(next.szDisk) + 2;
      std::uint64_t used = CabinetSize(link) + blockHead;
      std::size_t room = used < limit ? static_cast<std::size_t>(limit - used) : 0;
      std::size_t part = std::clamp<std::size_t>(room, 1, b.csize - at - 1);
      if (!PlaceBlockPart(data.data() + at, static_cast<std::uint16_t>(part), 0)) return false;
      at += part;
      if (!WriteCabinet(&next)) return false;
      CCAB previous = ccab;
      ccab = next;
      StartCabinet(&previous);
      folders_.push_back(FolderOut{0, 0, FolderCompression()});
      files_ = std::move(carried);
      firstFile = 0;
      for (const CabFileEntry& e : files_)
        if (filePlaced && Aborted(filePlaced(&ccab, const_cast<char*>(e.name.c_str()), static_cast<long>(e.size), TRUE, pv)))
          return false;
    }
    if (!PlaceBlockPart(data.data() + at, static_cast<std::uint16_t>(b.csize - at), b.usize)) return false;
    blockStart += b.usize;
  }
  folderFiles_.clear();
  folderBlocks_.clear();
  if (status && Aborted(status(statusFolder, static_cast<ULONG>(folderCompressed_),
                               static_cast<ULONG>(folderCompressed_), pv)))
    return false;
  return true;
}

// The bytes before the data blocks.
std::vector<std::uint8_t> CabCompressor::Directory(const CCAB* next) const {
  CabHeader h;
  h.folderCount = static_cast<std::uint16_t>(folders_.size());
  h.fileCount = static_cast<std::uint16_t>(files_.size());
  h.setId = ccab.setID;
  h.cabinetIndex = static_cast<std::uint16_t>(ccab.iCab);
  h.headerReserve = static_cast<std::uint16_t>(ccab.cbReserveCFHeader);
  h.folderReserve = static_cast<std::uint8_t>(ccab.cbReserveCFFolder);
  h.dataReserve = static_cast<std::uint8_t>(ccab.cbReserveCFData);
  if (hasPrev_) {
    h.flags |= kCabFlagPrev;
    h.prevCabinet = prevCab_;
    h.prevDisk = prevDisk_;
  }
  if (next) {
    h.flags |= kCabFlagNext;
    h.nextCabinet = next->szCab;
    h.nextDisk = next->szDisk;
  }
  std::size_t headerSize = CabWriteHeader(h).size();
  std::size_t foldersSize = folders_.size() * (kCabFolderSize + h.folderReserve);
  std::size_t filesSize = 0;
  for (const CabFileEntry& f : files_) filesSize += CabFileEntrySize(f);
  std::uint64_t dataStart = headerSize + foldersSize + filesSize;
  h.totalSize = static_cast<std::uint32_t>(dataStart + cabData_.size);
  h.filesOffset = static_cast<std::uint32_t>(headerSize + foldersSize);

  std::vector<std::uint8_t> out = CabWriteHeader(h);
  for (const FolderOut& f : folders_) {
    CabFolderEntry entry{static_cast<std::uint32_t>(dataStart + f.tempOffset), static_cast<std::uint16_t>(f.blocks),
                         f.compression};
    CabWriteFolder(out, entry, h.folderReserve);
  }
  for (const CabFileEntry& f : files_) CabWriteFile(out, f);
  return out;
}

bool CabCompressor::WriteCabinet(const CCAB* next) {
  std::vector<std::uint8_t> dir = Directory(next);
  std::uint64_t total = dir.size() + cabData_.size;
  if (total > 0x7FFFFFFFull) return Fail(FCIERR_CAB_FILE, SystemCode(EFBIG));
  if (status && Aborted(status(statusCabinet, static_cast<ULONG>(total), static_cast<ULONG>(total), pv)))
    return false;
  std::string path = std::string(ccab.szCabPath) + ccab.szCab;
  int err = 0;
  INT_PTR hf = open(path.data(), CAB_O_WRONLY | CAB_O_CREAT | CAB_O_TRUNC | CAB_O_BINARY | CAB_O_SEQUENTIAL,
                    CAB_S_IREAD | CAB_S_IWRITE, &err, pv);
  if (hf == -1) return Fail(FCIERR_CAB_FILE, err);
  bool ok = write(hf, dir.data(), static_cast<UINT>(dir.size()), &err, pv) == dir.size();
  std::vector<std::uint8_t> chunk(1 << 20);
  for (std::uint64_t at = 0; ok && at < cabData_.size;) {
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(cabData_.size - at, chunk.size()));
    ok = ReadBack(cabData_, at, chunk.data(), n) && write(hf, chunk.data(), static_cast<UINT>(n), &err, pv) == n;
    at += n;
  }
  int closeErr = 0;
  if (close(hf, &closeErr, pv) != 0 && ok) {
    ok = false;
    err = closeErr;
  }
  if (!ok) {
    int ignored = 0;
    remove(path.data(), &ignored, pv);
    return erf->fError ? false : Fail(FCIERR_CAB_FILE, err ? err : SystemCode(EIO));
  }
  return true;
}

bool CabCompressor::FlushCabinet(bool getNext) {
  if (!CloseFolder()) return false;
  if (!getNext) {
    if (!WriteCabinet(nullptr)) return false;
    StartCabinet(nullptr);
    return true;
  }
  if (files_.empty()) return true;
  CCAB next;
  if (!NextCabinet(next) || !WriteCabinet(&next)) return false;
  CCAB previous = ccab;
  ccab = next;
  StartCabinet(&previous);
  return true;
}

}  // namespace
}  // namespace platform

using platform::CabCompressor;

HFCI FCICreate(PERF perf, PFNFCIFILEPLACED pfnfcifp, PFNFCIALLOC pfna, PFNFCIFREE pfnf, PFNFCIOPEN pfnopen,
               PFNFCIREAD pfnread, PFNFCIWRITE pfnwrite, PFNFCICLOSE pfnclose, PFNFCISEEK pfnseek,
               PFNFCIDELETE pfndelete, PFNFCIGETTEMPFILE pfnfcigtf, PCCAB pccab, void* pv) {
  if (!perf) return nullptr;
  if (!pfna || !pfnf || !pfnopen || !pfnread || !pfnwrite || !pfnclose || !pfnseek || !pfndelete || !pfnfcigtf ||
      !pccab) {
    *perf = ERF{FCIERR_ALLOC_FAIL, 0, TRUE};
    return nullptr;
  }
  auto* c = new (std::nothrow) CabCompressor(perf, pfnfcifp, pfnopen, pfnread, pfnwrite, pfnclose, pfnseek,
                                             pfndelete, pfnfcigtf, *pccab, pv);
  if (!c) {
    *perf = ERF{FCIERR_ALLOC_FAIL, ENOMEM, TRUE};
    return nullptr;
  }
  if (c->ccab.cb == 0) c->ccab.cb = 0x7FFFFFFF;
  if (c->ccab.cbFolderThresh == 0) c->ccab.cbFolderThresh = 0x7FFFFFFF;
  if (c->ccab.cbReserveCFHeader > platform::kCabMaxHeaderReserve || c->ccab.cbReserveCFFolder > 255 ||
      c->ccab.cbReserveCFData > 255) {
    *perf = ERF{FCIERR_CAB_FILE, EINVAL, TRUE};
    delete c;
    return nullptr;
  }
  if (!c->Start()) {
    c->Finish();
    delete c;
    return nullptr;
  }
  return c;
}

BOOL FCIAddFile(HFCI hfci, char* pszSourceFile, char* pszFileName, BOOL fExecute,
                PFNFCIGETNEXTCABINET pfnfcignc, PFNFCISTATUS pfnfcis, PFNFCIGETOPENINFO pfnfcigoi,
                TCOMP typeCompress) {
  auto* c = static_cast<CabCompressor*>(hfci);
  if (!c || !pszSourceFile || !pszFileName || !pfnfcigoi) return FALSE;
  c->nextCabinet = pfnfcignc;
  c->status = pfnfcis;
  return c->AddFile(pszSourceFile, pszFileName, fExecute != FALSE, pfnfcigoi, typeCompress);
}

BOOL FCIFlushCabinet(HFCI hfci, BOOL fGetNextCab, PFNFCIGETNEXTCABINET pfnfcignc, PFNFCISTATUS pfnfcis) {
  auto* c = static_cast<CabCompressor*>(hfci);
  if (!c) return FALSE;
  c->nextCabinet = pfnfcignc;
  c->status = pfnfcis;
  return c->FlushCabinet(fGetNextCab != FALSE);
}

BOOL FCIFlushFolder(HFCI hfci, PFNFCIGETNEXTCABINET pfnfcignc, PFNFCISTATUS pfnfcis) {
  auto* c = static_cast<CabCompressor*>(hfci);
  if (!c) return FALSE;
  c->nextCabinet = pfnfcignc;
  c->status = pfnfcis;
  return c->FlushFolder();
}

BOOL FCIDestroy(HFCI hfci) {
  auto* c = static_cast<CabCompressor*>(hfci);
  if (!c) return FALSE;
  c->Finish();
  delete c;
  return TRUE;
}
