#pragma once
// TStrings: the abstract list of texts, each with an associated object, and
// the operations every such list has (text forms, name=value pairs, files).
// Indices are 0-based. Descendants store the texts (TStringList; the lines of
// controls).

#include "platform/rtl/Tobject.h"

#include <string>
#include <vector>

class TStream;

class TStrings : public TPersistent {
 public:
  TStrings() = default;
  ~TStrings() override = default;
  TStrings(const TStrings&) = delete;
  TStrings& operator=(const TStrings&) = delete;

  int Count() const { return GetCount(); }
  std::string Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const std::string& S) { Put(Index, S); }
  std::string operator[](int Index) const { return Get(Index); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }

  virtual int Add(const std::string& S);
  virtual int AddObject(const std::string& S, TObject* AObject);
  void Append(const std::string& S) { Add(S); }
  virtual void AddStrings(TStrings* Strings);
  void Assign(TPersistent* Source) override;
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }
  virtual void Clear() = 0;
  virtual void Delete(int Index) = 0;
  virtual void Insert(int Index, const std::string& S) = 0;
  virtual void InsertObject(int Index, const std::string& S, TObject* AObject);
  virtual void Exchange(int Index1, int Index2);
  virtual void Move(int CurIndex, int NewIndex);
  virtual int IndexOf(const std::string& S) const;
  virtual int IndexOfName(const std::string& Name) const;
  virtual int IndexOfObject(TObject* AObject) const;
  bool Equals(TStrings* Strings) const;

  // Each text followed by CR LF; set: split at CR LF, LF or CR.
  virtual std::string Text() const;
  virtual void SetText(const std::string& Value);
  // The texts separated by Delimiter; a text that is empty among others stays
  // bare, one that holds a blank, a control character, the quote or the
  // delimiter is quoted with QuoteChar (inner quotes doubled). Reading splits
  // at the delimiter and at blanks outside quotes.
  std::string DelimitedText() const;
  void SetDelimitedText(const std::string& Value);
  // DelimitedText with ',' and '"'.
  std::string CommaText() const;
  void SetCommaText(const std::string& Value);
  char Delimiter() const { return delimiter_; }
  void SetDelimiter(char C) { delimiter_ = C; }
  char QuoteChar() const { return quoteChar_; }
  void SetQuoteChar(char C) { quoteChar_ = C; }
  char NameValueSeparator() const { return nameValueSeparator_; }
  void SetNameValueSeparator(char C) { nameValueSeparator_ = C; }

  // Name=value pairs: the name before the first separator, "" without one.
  std::string Names(int Index) const;
  std::string ValueFromIndex(int Index) const;
  void SetValueFromIndex(int Index, const std::string& Value);
  // The value of the first line with that name, "" when none; setting "" deletes the line.
  std::string Values(const std::string& Name) const;
  void SetValues(const std::string& Name, const std::string& Value);

  virtual void LoadFromFile(const std::string& FileName);
  virtual void LoadFromStream(TStream* Stream);
  virtual void SaveToFile(const std::string& FileName) const;
  virtual void SaveToStream(TStream* Stream) const;

  virtual int Capacity() const { return GetCount(); }
  virtual void SetCapacity(int) {}

 protected:
  virtual std::string Get(int Index) const = 0;
  virtual int GetCount() const = 0;
  virtual TObject* GetObject(int Index) const;
  virtual void Put(int Index, const std::string& S);
  virtual void PutObject(int Index, TObject* AObject);
  virtual void SetUpdateState(bool Updating);
  // <0, 0, >0; the base compares ignoring case.
  virtual int CompareStrings(const std::string& S1, const std::string& S2) const;
  [[noreturn]] void Error(const char* Msg, int Data) const;

 private:
  int updateCount_ = 0;
  char delimiter_ = ',';
  char quoteChar_ = '"';
  char nameValueSeparator_ = '=';
};

// Replaces the texts of a list in one update (one change notification).
void AssignTexts(TStrings* Strings, const std::vector<std::string>& Texts);
