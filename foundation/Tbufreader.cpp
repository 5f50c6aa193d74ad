#include "foundation/Tbufreader.h"

#include "foundation/Terror.h"

#include <algorithm>
#include <cstdint>
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

namespace {

// Sixteen bytes handled as one.
using TLane = signed char __attribute__((vector_size(16)));

// Copies size bytes, telling whether `mark` is among them.
bool CopyNoting(char* to, const char* from, size_t size, char mark) {
  if (size < sizeof(TLane)) {
    bool marked = false;
    for (size_t i = 0; i < size; ++i) marked |= (to[i] = from[i]) == mark;
    return marked;
  }
  const TLane marks = TLane{} + static_cast<signed char>(mark);
  TLane seen{};
  const auto step = [&](size_t at) {
    TLane lane;
    std::memcpy(&lane, from + at, sizeof lane);
    std::memcpy(to + at, &lane, sizeof lane);
    seen |= lane == marks;
  };
  size_t at = 0;
  for (; at + sizeof(TLane) <= size; at += sizeof(TLane)) step(at);
  if (at < size) step(size - sizeof(TLane));  // the last bytes, overlapping the lane before
  uint64_t halves[2];
  std::memcpy(halves, &seen, sizeof halves);
  return (halves[0] | halves[1]) != 0;
}

}  // namespace

bool TBufReader::ReadBytesNoting(void* data, size_t size, char mark, bool& marked) {
  char* out = static_cast<char*>(data);
  if (size <= static_cast<size_t>(fEnd - fPos)) {
    marked = CopyNoting(out, fPos, size, mark);
    fPos += size;
    return true;
  }
  const bool read = GetSlow(out, size);
  marked = read && std::memchr(out, mark, size) != nullptr;
  return read;
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
