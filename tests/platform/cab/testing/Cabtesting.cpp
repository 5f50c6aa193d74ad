#include "tests/platform/cab/testing/Cabtesting.h"

#include "platform/cab/Cabfiles.h"
#include "platform/cab/Cabmembername.h"
#include "platform/cab/Fci.h"
#include "platform/cab/Fdi.h"

#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace cabtest {

std::string Folder(const std::string& name) {
  fs::path p = fs::path(testsupport::ScratchFolder()) / name;
  fs::create_directories(p);
  return p.string();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  testsupport::WriteFile(path, bytes);
}

std::string MixedBytes(std::size_t size, unsigned seed) {
  static const char* words[] = {"cabinet ", "folder ", "block ", "discussion ", "moderated ", "post\r\n", "42 "};
  std::mt19937 rng(seed);
  std::string out;
  out.reserve(size);
  while (out.size() < size) {
    if (rng() % 4 == 0) {
      for (int i = 0; i < 200 && out.size() < size; ++i) out.push_back(static_cast<char>(rng()));
    } else {
      for (int i = 0; i < 60 && out.size() < size; ++i) out += words[rng() % 7];
    }
  }
  out.resize(size);
  return out;
}

int Shell(const std::string& command, std::string* out) {
  int status = -1;
  std::string text = testsupport::Run(command + " 2>&1", &status);
  if (out) *out = text;
  return status;
}

namespace {

void* Alloc(ULONG cb) { return std::malloc(cb); }
void Free(void* p) { std::free(p); }

INT_PTR FciOpen(char* f, int o, int m, int* e, void*) { return platform::CabFileOpen(f, o, m, e); }
UINT FciRead(INT_PTR h, void* b, UINT n, int* e, void*) { return platform::CabFileRead(h, b, n, e); }
UINT FciWrite(INT_PTR h, void* b, UINT n, int* e, void*) { return platform::CabFileWrite(h, b, n, e); }
int FciClose(INT_PTR h, int* e, void*) { return platform::CabFileClose(h, e); }
long FciSeek(INT_PTR h, long d, int t, int* e, void*) { return platform::CabFileSeek(h, d, t, e); }
int FciDelete(char* f, int* e, void*) { return platform::CabFileDelete(f, e); }
BOOL FciTemp(char* name, int size, void*) { return platform::CabTempFileName(name, size); }
INT_PTR FciOpenInfo(char* name, USHORT* date, USHORT* time, USHORT* attribs, int* e, void*) {
  INT_PTR h = platform::CabFileOpen(name, CAB_O_RDONLY | CAB_O_BINARY, 0, e);
  if (h != -1 && !platform::CabFileDosInfo(h, date, time, attribs, e)) {
    platform::CabFileClose(h, e);
    return -1;
  }
  return h;
}
BOOL NextCab(PCCAB ccab, ULONG, void* pv) {
  std::string base = *static_cast<std::string*>(pv);
  std::snprintf(ccab->szCab, sizeof ccab->szCab, "%s%d.cab", base.c_str(), ccab->iCab + 1);
  std::snprintf(ccab->szDisk, sizeof ccab->szDisk, "Disk%d", ccab->iCab + 1);
  return TRUE;
}

INT_PTR FdiOpen(char* f, int o, int m) { int e; return platform::CabFileOpen(f, o, m, &e); }
UINT FdiRead(INT_PTR h, void* b, UINT n) { int e; return platform::CabFileRead(h, b, n, &e); }
UINT FdiWrite(INT_PTR h, void* b, UINT n) { int e; return platform::CabFileWrite(h, b, n, &e); }
int FdiClose(INT_PTR h) { int e; return platform::CabFileClose(h, &e); }
long FdiSeek(INT_PTR h, long d, int t) { int e; return platform::CabFileSeek(h, d, t, &e); }

struct UnpackState {
  std::string dest;
  std::string next;     // as the cabinet announces it
  std::string settled;  // as asked for while a folder went on into it
  Extracted* result;
};

INT_PTR Notify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION n) {
  auto* s = static_cast<UnpackState*>(n->pv);
  int e = 0;
  switch (type) {
    case fdintCABINET_INFO: s->next = n->psz1; return 0;
    case fdintPARTIAL_FILE: s->result->partial.push_back(n->psz1); return 0;
    case fdintCOPY_FILE: {
      s->result->names.push_back(n->psz1);
      return platform::CabCreateTarget(s->dest, platform::CabMemberPath(n->psz1), &e);
    }
    case fdintCLOSE_FILE_INFO:
      platform::CabSetFileDosInfo(n->hf, n->date, n->time, n->attribs, &e);
      platform::CabFileClose(n->hf, &e);
      return TRUE;
    case fdintNEXT_CABINET: s->settled = n->psz1; return 0;
    default: return 0;
  }
}

}  // namespace

int Pack(const std::string& folder, const std::string& name, const std::vector<Member>& members,
         const PackOptions& options) {
  ERF erf{};
  CCAB ccab{};
  ccab.cb = options.cabinetSize;
  ccab.cbFolderThresh = options.folderThreshold;
  ccab.cbReserveCFHeader = options.reserveHeader;
  ccab.cbReserveCFFolder = options.reserveFolder;
  ccab.cbReserveCFData = options.reserveData;
  ccab.setID = 0x1234;
  ccab.iDisk = 1;
  std::snprintf(ccab.szCab, sizeof ccab.szCab, "%s.cab", name.c_str());
  std::snprintf(ccab.szCabPath, sizeof ccab.szCabPath, "%s/", folder.c_str());
  std::strcpy(ccab.szDisk, "Disk1");
  std::string base = name;
  HFCI h = FCICreate(&erf, nullptr, Alloc, Free, FciOpen, FciRead, FciWrite, FciClose, FciSeek, FciDelete, FciTemp,
                     &ccab, &base);
  if (!h) return erf.erfOper;
  bool ok = true;
  for (const Member& m : members) {
    ok = FCIAddFile(h, const_cast<char*>(m.source.c_str()), const_cast<char*>(m.name.c_str()), FALSE, NextCab,
                    nullptr, FciOpenInfo, static_cast<TCOMP>(options.compression));
    if (!ok) break;
  }
  if (ok) ok = FCIFlushCabinet(h, FALSE, NextCab, nullptr);
  FCIDestroy(h);
  return ok ? 0 : erf.erfOper;
}

Extracted Unpack(const std::string& cabinet, const std::string& dest, std::uint64_t limit) {
  Extracted result;
  fs::create_directories(dest);
  ERF erf{};
  HFDI h = FDICreate(Alloc, Free, FdiOpen, FdiRead, FdiWrite, FdiClose, FdiSeek, cpuUNKNOWN, &erf);
  FDISetOutputLimit(h, limit);
  fs::path current = cabinet;
  for (int guard = 0; guard < 100 && !current.empty(); ++guard) {
    UnpackState state{dest, "", "", &result};
    std::string name = current.filename().string(), path = current.parent_path().string() + "/";
    if (!FDICopy(h, name.data(), path.data(), 0, Notify, nullptr, &state)) {
      result.error = erf.erfOper;
      break;
    }
    std::string next = state.settled.empty() ? state.next : state.settled;
    current = next.empty() ? fs::path() : current.parent_path() / next;
    if (!current.empty() && !fs::exists(current)) current.clear();
  }
  FDIDestroy(h);
  return result;
}

}  // namespace cabtest

#include "platform/cab/Cabformat.h"

namespace cabtest {

RawCabinet RawOf(const std::vector<std::pair<std::string, std::string>>& files) {
  RawCabinet cab;
  for (const auto& [name, bytes] : files) {
    cab.entries.push_back({name, static_cast<std::uint32_t>(bytes.size()), static_cast<std::uint32_t>(cab.data.size()), 0});
    cab.data += bytes;
  }
  return cab;
}

std::string BuildRaw(const RawCabinet& cab) {
  using namespace platform;
  CabHeader h;
  h.versionMajor = cab.versionMajor;
  h.folderCount = cab.folderCount;
  h.fileCount = static_cast<std::uint16_t>(cab.entries.size());
  h.flags = cab.flags;
  h.setId = cab.setId;
  h.cabinetIndex = cab.index;
  h.prevCabinet = cab.prevName;
  h.prevDisk = "d";
  h.nextCabinet = cab.nextName;
  h.nextDisk = "d";
  std::vector<std::uint8_t> blocks;
  std::uint16_t count = 0;
  for (std::size_t at = 0; at < cab.data.size(); at += cab.blockSize, ++count) {
    std::size_t n = std::min<std::size_t>(cab.blockSize, cab.data.size() - at);
    auto* p = reinterpret_cast<const std::uint8_t*>(cab.data.data() + at);
    std::uint16_t size16 = static_cast<std::uint16_t>(n);
    CabPut32(blocks, cab.checksums ? CabBlockChecksum(p, size16, size16, nullptr, 0) : 0);
    CabPut16(blocks, size16);
    CabPut16(blocks, size16);
    blocks.insert(blocks.end(), p, p + n);
  }
  std::size_t headerSize = CabWriteHeader(h).size();
  std::size_t filesSize = 0;
  for (const RawEntry& e : cab.entries) filesSize += 16 + e.name.size() + 1;
  std::size_t dataStart = headerSize + cab.folderCount * 8 + filesSize;
  h.filesOffset = static_cast<std::uint32_t>(headerSize + cab.folderCount * 8);
  h.totalSize = static_cast<std::uint32_t>(dataStart + blocks.size());
  std::vector<std::uint8_t> out = CabWriteHeader(h);
  for (unsigned i = 0; i < cab.folderCount; ++i)
    CabWriteFolder(out, {static_cast<std::uint32_t>(dataStart), i == 0 ? count : std::uint16_t(0), cab.compression}, 0);
  for (const RawEntry& e : cab.entries) {
    CabFileEntry f;
    f.name = e.name;
    f.size = e.size;
    f.folderOffset = e.offset;
    f.folder = e.folder;
    f.date = (44 << 9) | (5 << 5) | 6;
    f.time = (7 << 11) | (8 << 5) | 5;
    f.attribs = 0x20;
    CabWriteFile(out, f);
  }
  out.insert(out.end(), blocks.begin(), blocks.end());
  return std::string(out.begin(), out.end());
}

}  // namespace cabtest
