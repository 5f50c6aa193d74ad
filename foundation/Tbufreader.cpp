#include "foundation/Tbufreader.h"

#include "foundation/Terror.h"

#include <algorithm>
#include <cstring>

TBufReader::TBufReader(HANDLE file, size_t bufferSize)
    : fFile(file),
      fBuffer(std::max<size_t>(bufferSize, 16)),
      fData(fBuffer.data()),
      fCapacity(fBuffer.size()),
      fStart(fData),
      fPos(fStart),
      fEnd(fStart) {}

TBufReader::TBufReader(HANDLE file, char* buffer, size_t bufferSize, uint64_t limit,
                       std::function<void(std::string_view)> watch, bool quiet)
    : fFile(file),
      fData(buffer),
      fCapacity(bufferSize),
      fLeft(limit),
      fWatch(std::move(watch)),
      fQuiet(quiet),
      fStart(buffer),
      fPos(buffer),
      fEnd(buffer) {}

TBufReader::TBufReader(std::string_view data)
    : fStart(data.data()), fPos(fStart), fEnd(fStart + data.size()), fAtEnd(true) {}

void TBufReader::Fail(const char* text) {
  if (!fFailed && !fQuiet) TError::Report(text);
  fFailed = true;
}

bool TBufReader::Refill() {
  if (fAtEnd || fFailed) return false;
  fConsumed += static_cast<uint64_t>(fEnd - fStart);
  fStart = fPos = fEnd = fData;
  DWORD read = 0;
  const DWORD wanted = static_cast<DWORD>(std::min<uint64_t>(fCapacity, fLeft));
  if (wanted > 0 && !ReadFile(fFile, fData, wanted, &read, nullptr)) {
    Fail(("TBufReader::Read - ошибка чтения файла: " + platform::ErrorText(GetLastError())).c_str());
    return false;
  }
  fEnd = fStart + read;
  fLeft -= read;
  if (read == 0) fAtEnd = true;
  if (read > 0 && fWatch) fWatch(std::string_view(fData, read));
  return read > 0;
}

bool TBufReader::GetSlow(void* data, size_t size) {
  char* out = static_cast<char*>(data);
  size_t done = 0;
  while (!fFailed) {
    size_t take = std::min(size - done, static_cast<size_t>(fEnd - fPos));
    if (take) std::memcpy(out + done, fPos, take);
    fPos += take;
    done += take;
    if (done == size) return true;
    if (!Refill()) break;
  }
  std::memset(out, 0, size);
  Fail("TBufReader::Read - неожиданный конец файла");
  return false;
}

std::string TBufReader::ReadAnsiString(size_t size) {
  std::string s(size, '\0');
  if (size && !Get(s.data(), size)) s.clear();
  return s;
}

void TBufReader::SkipToEnd() {
  fPos = fEnd;
  while (Refill()) fPos = fEnd;
}

bool TBufReader::IsEof() {
  if (fFailed) return true;
  if (fPos < fEnd) return false;
  return !Refill();
}
