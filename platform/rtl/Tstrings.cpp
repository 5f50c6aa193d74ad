#include "platform/rtl/Tstrings.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Textlines.h"
#include "platform/rtl/Tfilestream.h"

#include <vector>

namespace {

std::string JoinDelimited(const TStrings& list, char delimiter, char quote) {
  int count = list.Count();
  if (count == 1 && list.Strings(0).empty()) return std::string(2, quote);
  std::string result;
  for (int i = 0; i < count; ++i) {
    std::string s = list.Strings(i);
    bool needsQuotes = false;
    for (char c : s) {
      if (static_cast<unsigned char>(c) <= ' ' || c == quote || c == delimiter) {
        needsQuotes = true;
        break;
      }
    }
    if (i) result += delimiter;
    result += needsQuotes ? AnsiQuotedStr(s, quote) : s;
  }
  return result;
}

void SplitDelimited(TStrings& list, const std::string& value, char delimiter, char quote) {
  auto isBlank = [](char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; };
  list.BeginUpdate();
  try {
    list.Clear();
    size_t p = 0, n = value.size();
    while (p < n && isBlank(value[p])) ++p;
    while (p < n) {
      std::string s;
      if (value[p] == quote) {
        s = AnsiExtractQuotedStr(value, p, quote);
      } else {
        size_t start = p;
        while (p < n && static_cast<unsigned char>(value[p]) > ' ' && value[p] != delimiter) ++p;
        s = value.substr(start, p - start);
        if (p < n && value[p] == '\0') ++p;  // a stray NUL ends nothing but itself
      }
      list.Add(s);
      while (p < n && isBlank(value[p])) ++p;
      if (p < n && value[p] == delimiter) {
        if (p + 1 == n) list.Add("");
        do ++p; while (p < n && isBlank(value[p]));
      }
    }
  } catch (...) {
    list.EndUpdate();
    throw;
  }
  list.EndUpdate();
}

}  // namespace

void TStrings::Error(const char* Msg, int Data) const { throw EStringListError(Format(Msg, {Data})); }

int TStrings::Add(const std::string& S) {
  int index = GetCount();
  Insert(index, S);
  return index;
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
  int index = Add(S);
  PutObject(index, AObject);
  return index;
}

void TStrings::AddStrings(TStrings* Strings) {
  BeginUpdate();
  try {
    for (int i = 0; i < Strings->Count(); ++i) AddObject(Strings->Get(i), Strings->GetObject(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TStrings*>(Source)) {
    if (src == this) return;
    BeginUpdate();
    try {
      Clear();
      delimiter_ = src->delimiter_;
      quoteChar_ = src->quoteChar_;
      nameValueSeparator_ = src->nameValueSeparator_;
      AddStrings(src);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(Source);
}

void TStrings::BeginUpdate() {
  if (updateCount_ == 0) SetUpdateState(true);
  ++updateCount_;
}

void TStrings::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) SetUpdateState(false);
}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::Exchange(int Index1, int Index2) {
  BeginUpdate();
  try {
    std::string s = Get(Index1);
    TObject* o = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, s);
    PutObject(Index2, o);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  BeginUpdate();
  try {
    std::string s = Get(CurIndex);
    TObject* o = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, o);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TStrings::IndexOf(const std::string& S) const {
  for (int i = 0; i < GetCount(); ++i)
    if (CompareStrings(Get(i), S) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(const std::string& Name) const {
  for (int i = 0; i < GetCount(); ++i) {
    std::string s = Get(i);
    size_t p = s.find(nameValueSeparator_);
    if (p != std::string::npos && CompareStrings(s.substr(0, p), Name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(TObject* AObject) const {
  for (int i = 0; i < GetCount(); ++i)
    if (GetObject(i) == AObject) return i;
  return -1;
}

bool TStrings::Equals(TStrings* Strings) const {
  if (GetCount() != Strings->GetCount()) return false;
  for (int i = 0; i < GetCount(); ++i)
    if (Get(i) != Strings->Get(i)) return false;
  return true;
}

std::string TStrings::Text() const {
  std::string r;
  for (int i = 0; i < GetCount(); ++i) {
    r += Get(i);
    r += sLineBreak;
  }
  return r;
}

void TStrings::SetText(const std::string& Value) {
  BeginUpdate();
  try {
    Clear();
    ForEachTextLine(Value, [this](std::string_view line) { Add(std::string(line)); });
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::string TStrings::DelimitedText() const { return JoinDelimited(*this, delimiter_, quoteChar_); }
void TStrings::SetDelimitedText(const std::string& Value) { SplitDelimited(*this, Value, delimiter_, quoteChar_); }
std::string TStrings::CommaText() const { return JoinDelimited(*this, ',', '"'); }
void TStrings::SetCommaText(const std::string& Value) { SplitDelimited(*this, Value, ',', '"'); }

std::string TStrings::Names(int Index) const {
  std::string s = Get(Index);
  size_t p = s.find(nameValueSeparator_);
  return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::ValueFromIndex(int Index) const {
  if (Index < 0) return std::string();
  std::string s = Get(Index);
  size_t p = s.find(nameValueSeparator_);
  return p == std::string::npos ? std::string() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(int Index, const std::string& Value) {
  if (Value.empty()) {
    if (Index >= 0) Delete(Index);
    return;
  }
  if (Index < 0) Index = Add("");
  Put(Index, Names(Index) + nameValueSeparator_ + Value);
}

std::string TStrings::Values(const std::string& Name) const {
  int i = IndexOfName(Name);
  return i >= 0 ? ValueFromIndex(i) : std::string();
}

void TStrings::SetValues(const std::string& Name, const std::string& Value) {
  int i = IndexOfName(Name);
  if (!Value.empty()) {
    if (i < 0) Add(Name + nameValueSeparator_ + Value);
    else Put(i, Name + nameValueSeparator_ + Value);
  } else if (i >= 0) {
    Delete(i);
  }
}

void TStrings::LoadFromFile(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TStrings::LoadFromStream(TStream* Stream) {
  // Read to the real end rather than trusting a stated size.
  std::string text;
  std::vector<char> chunk(0x10000);
  while (true) {
    int32_t n = Stream->Read(chunk.data(), static_cast<int32_t>(chunk.size()));
    if (n <= 0) break;
    text.append(chunk.data(), static_cast<size_t>(n));
  }
  SetText(text);
}

void TStrings::SaveToFile(const std::string& FileName) const {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

void TStrings::SaveToStream(TStream* Stream) const {
  std::string text = Text();
  Stream->WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

TObject* TStrings::GetObject(int) const { return nullptr; }

void TStrings::Put(int Index, const std::string& S) {
  TObject* o = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, o);
}

void TStrings::PutObject(int, TObject*) {}
void TStrings::SetUpdateState(bool) {}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const { return AnsiCompareText(S1, S2); }

void AssignTexts(TStrings* Strings, const std::vector<std::string>& Texts) {
  Strings->BeginUpdate();
  try {
    Strings->Clear();
    for (const std::string& t : Texts) Strings->Add(t);
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}
