#include "foundation/Tstr.h"

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"

#include <cstring>

TStr::~TStr() { delete[] fText; }

TStr& TStr::operator=(const TStr& other) {
  if (this != &other) Assign(other.View());
  return *this;
}

TStr& TStr::operator=(TStr&& other) noexcept {
  if (this != &other) {
    delete[] fText;
    fText = other.fText;
    other.fText = nullptr;
  }
  return *this;
}

void TStr::Assign(std::string_view text) {
  // A text stops at its first zero character.
  size_t n = text.find('\0');
  if (n == std::string_view::npos) n = text.size();
  char* fresh = nullptr;
  if (n > 0) {
    fresh = new char[n + 1];
    std::memcpy(fresh, text.data(), n);
    fresh[n] = '\0';
  }
  delete[] fText;
  fText = fresh;
}

size_t TStr::Length() const { return fText ? std::strlen(fText) : 0; }

void TStr::Clear() {
  delete[] fText;
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
  int r = std::strcmp(c_str(), other.c_str());
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

void TStr::LoadFromBufReader(TBufReader& reader) {
  uint16_t n = reader.ReadWord();
  if (n == 0) {
    Clear();
    return;
  }
  std::string text = reader.ReadAnsiString(n);
  Assign(text);
}
