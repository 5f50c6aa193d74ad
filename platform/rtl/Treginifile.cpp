#include "platform/rtl/Treginifile.h"

#include "platform/kernel/Registrystore.h"
#include "platform/rtl/Numconv.h"
#include "platform/rtl/Tstrings.h"

TRegIniFile::TRegIniFile(const std::string& FileName, uint32_t AAccess) : TRegistry(AAccess), fileName_(FileName) {
  OpenKey(FileName, CanWrite());
}

std::string TRegIniFile::SectionPath(const std::string& Section) const {
  return Section.empty() ? OpenPath() : OpenPath() + "\\" + Section;
}

bool TRegIniFile::OpenSection(TRegistry& Reader, const std::string& Section) const {
  if (!CurrentKey()) return false;
  Reader.SetRootKey(RootKey());
  return Reader.OpenKey("\\" + (Section.empty() ? CurrentPath() : CurrentPath() + "\\" + Section), false);
}

std::string TRegIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default) {
  // Read through a registry positioned on the section, so the checks of
  // TRegistry (type, the shell's folders) apply.
  TRegistry section(KEY_READ);
  if (!OpenSection(section, Section)) return Default;
  return section.ValueExists(Ident) ? section.ReadString(Ident) : Default;
}

void TRegIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  WriteValue(SectionPath(Section), Ident, platform::REG_SZ, Value);
}

int TRegIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
  TRegistry section(KEY_READ);
  if (!OpenSection(section, Section) || !section.ValueExists(Ident)) return Default;
  TRegDataType type = section.GetDataType(Ident);
  if (type == rdString || type == rdExpandString) return StrToIntDef(section.ReadString(Ident), Default);
  return section.ReadInteger(Ident);
}

void TRegIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

bool TRegIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

void TRegIniFile::ReadSection(const std::string& Section, TStrings* Strings) {
  AssignTexts(Strings, Store().GetValueNames(SectionPath(Section)));
}

void TRegIniFile::ReadSections(TStrings* Strings) { GetKeyNames(Strings); }

void TRegIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings) {
  std::vector<std::string> lines;
  for (const std::string& n : Store().GetValueNames(SectionPath(Section)))
    lines.push_back(n + "=" + ReadString(Section, n, ""));
  AssignTexts(Strings, lines);
}

void TRegIniFile::EraseSection(const std::string& Section) { TRegistry::DeleteKey(Section); }

void TRegIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  if (CanWrite()) Store().DeleteValue(SectionPath(Section), Ident);
}
