#include "postoffice/Packandsplit.h"

#include "foundation/Terror.h"
#include "foundation/Tmemmanager.h"
#include "platform/kernel/Fileapi.h"

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
  std::vector<std::string> written;
  uint64_t remaining = size;
  for (uint64_t i = 1; remaining > 0; ++i) {
    const uint64_t chunk = std::min(partSize, remaining);
    if (!ReadExactly(r.Source, buffer, chunk)) return Fail("PackAndSplit - ошибка чтения из файла " + sourcePath, written);
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
