#include "postoffice/Packandsplit.h"

#include "foundation/Messagesignature.h"
#include "foundation/Terror.h"
#include "foundation/Tmemmanager.h"
#include "platform/cab/Cabformat.h"
#include "platform/kernel/Fileapi.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Releases the buffer and the handles however the split ends.
struct TSplitResources {
  HANDLE Source = INVALID_HANDLE_VALUE;
  void* Buffer = nullptr;
  ~TSplitResources() {
    if (Buffer) TMemManager::Free(Buffer);
    if (Source != INVALID_HANDLE_VALUE) CloseHandle(Source);
  }
};

bool ReadExactly(HANDLE file, char* data, uint64_t size) {
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<uint64_t>(size, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(file, data, chunk, &got, nullptr) || got != chunk) return false;
    data += got;
    size -= got;
  }
  return true;
}

bool WriteExactly(HANDLE file, const char* data, uint64_t size) {
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<uint64_t>(size, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, data, chunk, &written, nullptr) || written != chunk) return false;
    data += written;
    size -= written;
  }
  return true;
}

bool Fail(const std::string& text, const std::vector<std::string>& written) {
  TError::Report(text);
  for (const std::string& part : written) DeleteFileA(part.c_str());
  return false;
}

bool Seek(HANDLE file, uint64_t offset) {
  LONG high = LONG(offset >> 32);
  const DWORD low = SetFilePointer(file, LONG(offset & 0xFFFFFFFFu), &high, FILE_BEGIN);
  return low == DWORD(offset & 0xFFFFFFFFu) && high == LONG(offset >> 32);
}

// The link area of part 1 as it is to be sent: the digests of the parts after it, read
// with the split's own buffer. False when the cabinet was written without the area or a
// part cannot be read.
bool MakeLinkArea(HANDLE source, uint64_t size, uint64_t partSize, uint64_t partCount, char* buffer,
                  std::string& area) {
  area.assign(PostLinkTag, sizeof PostLinkTag);
  for (int shift = 0; shift < 32; shift += 8) area += char(partCount >> shift);
  if (PostLinkAreaOffset > partSize || !Seek(source, 0) || !ReadExactly(source, buffer, PostLinkAreaOffset))
    return false;
  const auto* head = reinterpret_cast<const uint8_t*>(buffer);
  const uint64_t areaSize = platform::CabGet16(head + 36);
  if (std::memcmp(head, "MSCF", 4) != 0 || !(platform::CabGet16(head + 30) & platform::kCabFlagReserve) ||
      areaSize < PostLinkAreaSize(partCount) || PostLinkAreaOffset + areaSize > partSize)
    return false;
  for (uint64_t at = partSize; at < size; at += partSize) {
    const uint64_t chunk = std::min(partSize, size - at);
    if (!Seek(source, at) || !ReadExactly(source, buffer, chunk)) return false;
    const TPartDigest digest = PostPartDigest(buffer, size_t(chunk));
    area.append(reinterpret_cast<const char*>(digest.data()), digest.size());
  }
  area.resize(size_t(areaSize), '\0');
  return Seek(source, 0);
}

}  // namespace

std::string PostPartName(const std::string& base, uint32_t index, const std::string& countText) {
  std::string number = std::to_string(index);
  if (number.size() < countText.size()) number.insert(0, countText.size() - number.size(), '0');
  return base + number + "_" + countText;
}

void PostPartSizes(uint64_t size, uint64_t partLimit, uint64_t& partSize, uint64_t& partCount) {
  const uint64_t provisional = size / partLimit + 1;
  partSize = ((size / provisional) / 1000 + 1) * 1000;
  partCount = (size + partSize - 1) / partSize;
}

uint64_t PostLinkAreaSize(uint64_t partCount) {
  return partCount < 2 ? 0 : sizeof PostLinkTag + 4 + std::tuple_size_v<TPartDigest> * (partCount - 1);
}

TPartDigest PostPartDigest(const void* data, size_t size) {
  TMessageDigest digest(TDigestKind::Content);
  digest.Update(data, size);
  const TMessageDigestValue value = digest.Final();
  TPartDigest result{};
  std::copy(value.begin(), value.end(), result.begin());
  return result;
}

bool PostLinkFits(uint64_t bareSize, uint64_t partLimit, TPostCut& cut) {
  cut = {};
  if (partLimit == 0) return false;
  PostPartSizes(bareSize, partLimit, cut.PartSize, cut.PartCount);
  if (cut.PartCount < 2) return true;
  // The area makes the cabinet larger, and so the count of parts other, either way where
  // the part size steps to the next thousand: the area only grows, until it holds the
  // links of the parts the cabinet with it is cut into (the rest of it left zero).
  uint64_t area = PostLinkAreaSize(cut.PartCount);
  for (int round = 0; round < 64 && area <= platform::kCabMaxHeaderReserve; ++round) {
    PostPartSizes(bareSize + 4 + area, partLimit, cut.PartSize, cut.PartCount);
    if (PostLinkAreaSize(cut.PartCount) <= area) {
      cut.LinkArea = area;
      return PostLinkAreaOffset + area <= cut.PartSize;
    }
    area = PostLinkAreaSize(cut.PartCount);
  }
  return false;
}

uint64_t SmallestLinkedPartKB(uint64_t bareSize) {
  TPostCut cut;
  // One part needs no links, so the search ends by the cabinet's own size.
  for (uint64_t kb = 1; kb <= bareSize / 1024 + 1; ++kb)
    if (PostLinkFits(bareSize, kb * 1024, cut)) return kb;
  return 0;
}

bool PackAndSplit(const std::string& sourceFolder, const std::string& sourceName, const std::string& destFolder,
                  uint64_t partLimit) {
  const std::string sourcePath = sourceFolder + sourceName;
  if (partLimit == 0) {
    TError::Report("PackAndSplit - неверный размер части: 0");
    return false;
  }
  const size_t dot = sourceName.rfind('.');
  const std::string base = dot == std::string::npos ? sourceName + "." : sourceName.substr(0, dot + 1);

  TSplitResources r;
  r.Source = CreateFileA(sourcePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (r.Source == INVALID_HANDLE_VALUE) return Fail("PackAndSplit - ошибка открытия файла " + sourcePath, {});
  DWORD high = 0;
  const DWORD low = GetFileSize(r.Source, &high);
  const uint64_t size = (uint64_t(high) << 32) | low;
  uint64_t partSize = 0, partCount = 0;
  PostPartSizes(size, partLimit, partSize, partCount);
  if (partCount == 0) return true;
  const std::string countText = std::to_string(partCount);

  r.Buffer = TMemManager::Alloc(partSize);
  if (!r.Buffer) return Fail("PackAndSplit - ошибка выделения памяти", {});
  char* buffer = static_cast<char*>(r.Buffer);
  std::string links;
  if (partCount > 1 && !MakeLinkArea(r.Source, size, partSize, partCount, buffer, links))
    return Fail("PackAndSplit - нет места для связей частей в файле " + sourcePath, {});
  std::vector<std::string> written;
  uint64_t remaining = size;
  for (uint64_t i = 1; remaining > 0; ++i) {
    const uint64_t chunk = std::min(partSize, remaining);
    if (!ReadExactly(r.Source, buffer, chunk)) return Fail("PackAndSplit - ошибка чтения из файла " + sourcePath, written);
    if (i == 1 && !links.empty()) std::memcpy(buffer + PostLinkAreaOffset, links.data(), links.size());
    const std::string partPath = destFolder + PostPartName(base, static_cast<uint32_t>(i), countText);
    HANDLE part = CreateFileA(partPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (part == INVALID_HANDLE_VALUE) return Fail("PackAndSplit - ошибка создания файла " + partPath, written);
    written.push_back(partPath);
    const bool ok = WriteExactly(part, buffer, chunk) && FlushFileBuffers(part);
    CloseHandle(part);
    if (!ok) return Fail("PackAndSplit - ошибка записи файла " + partPath, written);
    remaining -= chunk;
  }
  return true;
}
