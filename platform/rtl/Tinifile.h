#pragma once
// Ini files: sections of "key=value" lines, read and written the way the
// system's profile functions do. Section and key names compare ignoring case
// and keep the case they were written with; blanks around names and values
// are dropped; one pair of matching quotes ("..." or '...') around a value is
// stripped on reading. Lines that are neither a section, a comment (";") nor a
// key line are skipped when reading and kept when the file is rewritten.
// Every write re-reads the file and replaces it through a temporary copy and
// an atomic rename; lines end in CR LF.

#include "platform/rtl/Tobject.h"

#include <string>

class TStrings;

class TCustomIniFile : public TObject {
 public:
  explicit TCustomIniFile(std::string FileName) : fileName_(std::move(FileName)) {}
  const std::string& FileName() const { return fileName_; }

  virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) = 0;
  virtual void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) = 0;
  virtual void ReadSection(const std::string& Section, TStrings* Strings) = 0;
  virtual void ReadSections(TStrings* Strings) = 0;
  virtual void ReadSectionValues(const std::string& Section, TStrings* Strings) = 0;
  virtual void EraseSection(const std::string& Section) = 0;
  virtual void DeleteKey(const std::string& Section, const std::string& Ident) = 0;
  virtual void UpdateFile() {}

  // Decimal, or hexadecimal after "0x" or "$"; Default when not a number.
  int ReadInteger(const std::string& Section, const std::string& Ident, int Default);
  void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
  // Any integer but 0 is true; written as "1" or "0".
  bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);
  void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
  double ReadFloat(const std::string& Section, const std::string& Ident, double Default);
  void WriteFloat(const std::string& Section, const std::string& Ident, double Value);
  bool SectionExists(const std::string& Section);
  virtual bool ValueExists(const std::string& Section, const std::string& Ident);

 private:
  std::string fileName_;
};

class TIniFile : public TCustomIniFile {
 public:
  explicit TIniFile(const std::string& FileName) : TCustomIniFile(FileName) {}

  std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) override;
  // Creates the file and the section when needed. A value or name holding a
  // line break, and a file that cannot be written, raise EIniFileException.
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
  void ReadSection(const std::string& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const std::string& Section, TStrings* Strings) override;
  void EraseSection(const std::string& Section) override;
  void DeleteKey(const std::string& Section, const std::string& Ident) override;
  bool ValueExists(const std::string& Section, const std::string& Ident) override;
};
