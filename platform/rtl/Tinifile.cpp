#include "platform/rtl/Tinifile.h"

#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Numconv.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tstrings.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

// A bigger file is not an ini file of this program; it is neither read nor rewritten.
constexpr size_t kMaxIniFileSize = 16 * 1024 * 1024;

enum LineKind { lkOther, lkSection, lkKey };

struct Line {
  std::string raw;
  LineKind kind = lkOther;
  std::string name;   // section or key name
  std::string value;  // key value, trimmed, quotes kept
};

std::string TrimBlanks(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

Line Parse(const std::string& raw) {
  Line line;
  line.raw = raw;
  std::string t = TrimBlanks(raw);
  if (t.empty() || t[0] == ';') return line;
  if (t[0] == '[') {
    size_t close = t.find(']');
    if (close != std::string::npos) {
      line.kind = lkSection;
      line.name = TrimBlanks(t.substr(1, close - 1));
    }
    return line;
  }
  size_t eq = t.find('=');
  if (eq == std::string::npos || eq == 0) return line;
  std::string key = TrimBlanks(t.substr(0, eq));
  if (key.empty()) return line;
  line.kind = lkKey;
  line.name = key;
  line.value = TrimBlanks(t.substr(eq + 1));
  return line;
}

std::string Unquote(const std::string& v) {
  if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) return v.substr(1, v.size() - 2);
  return v;
}

bool SameName(const std::string& a, const std::string& b) { return AnsiSameText(a, b); }

class IniDocument {
 public:
  explicit IniDocument(const std::string& fileName) : fileName_(fileName) { Load(); }

  // Index of the section's header line, -1 when absent.
  int FindSection(const std::string& section) const {
    for (size_t i = 0; i < lines_.size(); ++i)
      if (lines_[i].kind == lkSection && SameName(lines_[i].name, section)) return static_cast<int>(i);
    return -1;
  }
  // One past the section's last line.
  int SectionEnd(int header) const {
    size_t i = static_cast<size_t>(header) + 1;
    while (i < lines_.size() && lines_[i].kind != lkSection) ++i;
    return static_cast<int>(i);
  }
  int FindKey(int header, const std::string& key) const {
    if (header < 0) return -1;
    for (int i = header + 1, end = SectionEnd(header); i < end; ++i)
      if (lines_[i].kind == lkKey && SameName(lines_[i].name, key)) return i;
    return -1;
  }

  std::vector<Line> lines_;
  bool tooBig_ = false;
  bool existed_ = false;

  void Save() {
    if (tooBig_) Fail();
    std::string text;
    for (const Line& l : lines_) {
      text += l.raw;
      text += "\r\n";
    }
    std::string path = platform::SystemPath(fileName_);
    std::string temp = path + ".tmp" + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) Fail();
    size_t done = 0;
    while (done < text.size()) {
      ssize_t n = ::write(fd, text.data() + done, text.size() - done);
      if (n <= 0) {
        ::close(fd);
        ::unlink(temp.c_str());
        Fail();
      }
      done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0 || std::rename(temp.c_str(), path.c_str()) != 0) {
      ::unlink(temp.c_str());
      Fail();
    }
    if (!platform::SyncFolderOf(path)) Fail();
  }

  [[noreturn]] void Fail() const { throw EIniFileException("Unable to write to " + fileName_); }

 private:
  void Load() {
    FILE* f = std::fopen(platform::SystemPath(fileName_).c_str(), "rb");
    if (!f) return;
    existed_ = true;
    std::string text;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
      text.append(buf, n);
      if (text.size() > kMaxIniFileSize) {
        tooBig_ = true;
        break;
      }
    }
    std::fclose(f);
    if (tooBig_) return;
    size_t p = 0;
    while (p < text.size()) {
      size_t e = text.find('\n', p);
      if (e == std::string::npos) e = text.size();
      std::string raw = text.substr(p, e - p);
      if (!raw.empty() && raw.back() == '\r') raw.pop_back();
      lines_.push_back(Parse(raw));
      p = e + 1;
    }
  }

  std::string fileName_;
};

void CheckOneLine(const std::string& text, const std::string& fileName) {
  if (text.find_first_of("\r\n") != std::string::npos)
    throw EIniFileException("Unable to write to " + fileName + ": a line break in a name or value");
}

}  // namespace

int TCustomIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
  std::string s = ReadString(Section, Ident, "");
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s = "$" + s.substr(2);
  return StrToIntDef(s, Default);
}

void TCustomIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& Section, const std::string& Ident, double Default) {
  std::string s = ReadString(Section, Ident, "");
  return s.empty() ? Default : StrToFloatDef(s, Default);
}

void TCustomIniFile::WriteFloat(const std::string& Section, const std::string& Ident, double Value) {
  WriteString(Section, Ident, FloatToStr(Value));
}

bool TCustomIniFile::SectionExists(const std::string& Section) {
  IniDocument doc(FileName());
  return doc.FindSection(Section) >= 0;
}

bool TCustomIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
  return !ReadString(Section, Ident, "").empty();
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) {
  IniDocument doc(FileName());
  int key = doc.FindKey(doc.FindSection(Section), Ident);
  return key < 0 ? Default : Unquote(doc.lines_[key].value);
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  CheckOneLine(Section + Ident + Value, FileName());
  IniDocument doc(FileName());
  int header = doc.FindSection(Section);
  if (header < 0) {
    if (!doc.lines_.empty() && !TrimBlanks(doc.lines_.back().raw).empty()) doc.lines_.push_back(Parse(""));
    doc.lines_.push_back(Parse("[" + Section + "]"));
    doc.lines_.push_back(Parse(Ident + "=" + Value));
  } else {
    int key = doc.FindKey(header, Ident);
    if (key >= 0) {
      doc.lines_[key] = Parse(doc.lines_[key].name + "=" + Value);
    } else {
      // After the section's last non-blank line.
      int at = doc.SectionEnd(header);
      while (at > header + 1 && TrimBlanks(doc.lines_[at - 1].raw).empty()) --at;
      doc.lines_.insert(doc.lines_.begin() + at, Parse(Ident + "=" + Value));
    }
  }
  doc.Save();
}

void TIniFile::ReadSection(const std::string& Section, TStrings* Strings) {
  IniDocument doc(FileName());
  std::vector<std::string> names;
  int header = doc.FindSection(Section);
  if (header >= 0)
    for (int i = header + 1, end = doc.SectionEnd(header); i < end; ++i)
      if (doc.lines_[i].kind == lkKey) names.push_back(doc.lines_[i].name);
  AssignTexts(Strings, names);
}

void TIniFile::ReadSections(TStrings* Strings) {
  IniDocument doc(FileName());
  std::vector<std::string> names;
  for (const Line& l : doc.lines_)
    if (l.kind == lkSection) names.push_back(l.name);
  AssignTexts(Strings, names);
}

void TIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings) {
  IniDocument doc(FileName());
  std::vector<std::string> lines;
  int header = doc.FindSection(Section);
  if (header >= 0)
    for (int i = header + 1, end = doc.SectionEnd(header); i < end; ++i)
      if (doc.lines_[i].kind == lkKey) lines.push_back(doc.lines_[i].name + "=" + Unquote(doc.lines_[i].value));
  AssignTexts(Strings, lines);
}

void TIniFile::EraseSection(const std::string& Section) {
  IniDocument doc(FileName());
  int header = doc.FindSection(Section);
  if (header < 0) {
    if (doc.tooBig_) doc.Fail();
    return;
  }
  doc.lines_.erase(doc.lines_.begin() + header, doc.lines_.begin() + doc.SectionEnd(header));
  doc.Save();
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  IniDocument doc(FileName());
  int key = doc.FindKey(doc.FindSection(Section), Ident);
  if (key < 0) return;
  doc.lines_.erase(doc.lines_.begin() + key);
  doc.Save();
}

bool TIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
  IniDocument doc(FileName());
  return doc.FindKey(doc.FindSection(Section), Ident) >= 0;
}
