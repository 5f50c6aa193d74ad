#include "foundation/Tstr.h"

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "foundation/Ttextpool.h"

#include <cstring>

char* TStr::NewText(size_t n) {
  char* block = new char[sizeof(uint32_t) + n + 1];
  uint32_t length = static_cast<uint32_t>(n);
  std::memcpy(block, &length, sizeof length);
  block[sizeof length + n] = '\0';
  return block + sizeof length;
}

void TStr::FreeText(char* text) {
  if (!text) return;
  uint32_t length = 0;
  std::memcpy(&length, text - sizeof length, sizeof length);
  if (length & PooledMark) TTextPool::FreeText(text);
  else delete[](text - sizeof(uint32_t));
}

TStr& TStr::operator=(const TStr& other) {
  if (this != &other) Assign(other.View());
  return *this;
}

TStr& TStr::operator=(TStr&& other) noexcept {
  if (this != &other) {
    FreeText(fText);
    fText = other.fText;
    other.fText = nullptr;
  }
  return *this;
}

void TStr::Assign(std::string_view text) {
  size_t n = text.size();
  char* fresh = nullptr;
  if (n > 0) {
    fresh = NewText(n);
    std::memcpy(fresh, text.data(), n);
  }
  FreeText(fText);
  fText = fresh;
}

void TStr::Clear() {
  FreeText(fText);
  fText = nullptr;
}

TStr& TStr::Append(std::string_view text) {
  if (text.empty()) return *this;
  std::string joined(View());
  joined.append(text);
  Assign(joined);
  return *this;
}

size_t TStr::Pos(std::string_view what, size_t from) const {
  if (from == 0) from = 1;
  size_t at = View().find(what, from - 1);
  return at == std::string_view::npos ? 0 : at + 1;
}

int TStr::Compare(const TStr& other) const {
  int r = View().compare(other.View());  // bytes compare as unsigned values
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

void TStr::SaveToBufWriter(TBufWriter& writer) const {
  size_t n = Length();
  if (n > kMaxStoredLength) {
    TError::Report("TStr::SaveToBufWriter - текст длиннее 65535 символов");
    n = kMaxStoredLength;
  }
  writer.WriteWord(static_cast<uint16_t>(n));
  writer.WriteBytes(c_str(), n);
}

void TStr::LoadFromBufReader(TBufReader& reader, TTextPool* pool) {
  uint16_t n = reader.ReadWord();
  Clear();
  if (n == 0) return;
  // Read straight into the new text; a pool short of memory leaves it to the heap.
  char* fresh = pool ? pool->NewText(n) : nullptr;
  if (!fresh) fresh = NewText(n);
  if (!reader.ReadBytes(fresh, n)) {
    FreeText(fresh);
    return;
  }
  fText = fresh;
}
