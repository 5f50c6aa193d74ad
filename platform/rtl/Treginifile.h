#pragma once
// TRegIniFile: a registry key used like an ini file: its subkeys are the
// sections and their values the keys. Integers and booleans are written as
// texts; reading an integer takes a text or an integer value.

#include "platform/rtl/Tregistry.h"

class TRegIniFile : public TRegistry {
 public:
  // Opens FileName (a key path) below HKEY_CURRENT_USER; with write access the
  // key is created when absent.
  explicit TRegIniFile(const std::string& FileName, uint32_t AAccess = KEY_ALL_ACCESS);
  const std::string& FileName() const { return fileName_; }

  using TRegistry::ReadBool;
  using TRegistry::ReadInteger;
  using TRegistry::ReadString;
  using TRegistry::WriteBool;
  using TRegistry::WriteInteger;
  using TRegistry::WriteString;
  std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default);
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
  int ReadInteger(const std::string& Section, const std::string& Ident, int Default);
  void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
  bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);
  void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
  void ReadSection(const std::string& Section, TStrings* Strings);
  void ReadSections(TStrings* Strings);
  void ReadSectionValues(const std::string& Section, TStrings* Strings);
  void EraseSection(const std::string& Section);
  using TRegistry::DeleteKey;
  void DeleteKey(const std::string& Section, const std::string& Ident);

 private:
  std::string SectionPath(const std::string& Section) const;
  // Positions Reader on the section's key; false when it does not exist.
  bool OpenSection(TRegistry& Reader, const std::string& Section) const;
  std::string fileName_;
};
