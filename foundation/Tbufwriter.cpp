#include "foundation/Tbufwriter.h"

#include "foundation/Terror.h"

#include <algorithm>

TBufWriter::TBufWriter(HANDLE file, size_t bufferSize)
    : fFile(file), fBuffer(std::max<size_t>(bufferSize, 16)), fPos(fBuffer.data()), fEnd(fPos + fBuffer.size()) {}

TBufWriter::TBufWriter(std::string& memory)
    : fMemory(&memory), fBuffer(4096), fPos(fBuffer.data()), fEnd(fPos + fBuffer.size()) {}

TBufWriter::~TBufWriter() { Flush(); }

bool TBufWriter::WriteOut(const char* data, size_t size) {
  if (fFailed) return false;
  if (fMemory) {
    fMemory->append(data, size);
    fFlushed += size;
    return true;
  }
  while (size > 0) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(fFile, data, chunk, &written, nullptr) || written != chunk) {
      fFailed = true;
      TError::Report("TBufWriter::Flush - ошибка записи в файл: " + platform::ErrorText(GetLastError()));
      return false;
    }
    data += chunk;
    size -= chunk;
    fFlushed += chunk;
  }
  return true;
}

bool TBufWriter::Flush() {
  size_t pending = static_cast<size_t>(fPos - fBuffer.data());
  fPos = fBuffer.data();
  if (pending == 0) return !fFailed;
  return WriteOut(fBuffer.data(), pending);
}

void TBufWriter::PutSlow(const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  if (!Flush()) return;
  if (size >= fBuffer.size()) {
    WriteOut(p, size);  // large blocks go straight through
    return;
  }
  std::memcpy(fPos, p, size);
  fPos += size;
}
