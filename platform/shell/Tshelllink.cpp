#include "platform/shell/Tshelllink.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "platform/kernel/Codepage.h"
#include "platform/kernel/Fileapi.h"

namespace {

const char kGroup[] = "[Desktop Entry]";

// A value of the file: line breaks, tabs and backslashes escaped.
std::string EscapeValue(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  if (!out.empty() && out[0] == ' ') out.replace(0, 1, "\\s");
  return out;
}

std::string UnescapeValue(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    switch (s[++i]) {
      case 's': out += ' '; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      default: out += s[i];
    }
  }
  return out;
}

// One argument of the Exec line: quoted, with the characters that quoting
// leaves special escaped, and the field-code sign doubled.
std::string QuoteArgument(const std::string& arg) {
  std::string out = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  return out + "\"";
}

// The program path out of an Exec line written by Save (or a bare first word).
std::string FirstArgument(const std::string& exec, std::string& rest) {
  std::string arg;
  size_t i = 0;
  if (!exec.empty() && exec[0] == '"') {
    for (i = 1; i < exec.size() && exec[i] != '"'; ++i) {
      if (exec[i] == '\\' && i + 1 < exec.size()) ++i;
      else if (exec[i] == '%' && i + 1 < exec.size() && exec[i + 1] == '%') ++i;
      arg += exec[i];
    }
    ++i;
  } else {
    for (; i < exec.size() && exec[i] != ' '; ++i) arg += exec[i];
  }
  while (i < exec.size() && exec[i] == ' ') ++i;
  rest = exec.substr(i);
  return arg;
}

std::string Utf8(const std::string& s) { return platform::AnsiToUtf8(s); }

}  // namespace

bool TShellLink::Save(const std::string& FileName) const {
  std::string name = name_;
  if (name.empty()) {
    size_t slash = FileName.find_last_of('/');
    name = FileName.substr(slash == std::string::npos ? 0 : slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
  }
  std::string exec = QuoteArgument(path_);
  if (!arguments_.empty()) exec += " " + arguments_;
  std::ostringstream out;
  out << kGroup << "\n"
      << "Type=Application\n"
      << "Name=" << Utf8(EscapeValue(name)) << "\n"
      << "Exec=" << Utf8(EscapeValue(exec)) << "\n";
  if (!description_.empty()) out << "Comment=" << Utf8(EscapeValue(description_)) << "\n";
  if (!workingDirectory_.empty()) out << "Path=" << Utf8(EscapeValue(workingDirectory_)) << "\n";
  if (!iconLocation_.empty()) out << "Icon=" << Utf8(EscapeValue(iconLocation_)) << "\n";

  // Written beside the link, flushed, then moved over it and the move made durable.
  const std::string temp = FileName + ".tmp";
  const std::string text = out.str();
  HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size() &&
            FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  ok = ok && MoveFileExA(temp.c_str(), FileName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileA(temp.c_str());
  return ok;
}

bool TShellLink::Load(const std::string& FileName) {
  std::ifstream f(platform::SystemPath(FileName), std::ios::binary);
  if (!f) return false;
  std::string line;
  bool inGroup = false, application = false;
  TShellLink read;
  while (std::getline(f, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      inGroup = line == kGroup;
      continue;
    }
    size_t eq = line.find('=');
    if (!inGroup || eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = UnescapeValue(platform::Utf8ToAnsi(line.substr(eq + 1)));
    while (!key.empty() && key.back() == ' ') key.pop_back();
    if (key == "Type") application = value == "Application";
    else if (key == "Name") read.name_ = value;
    else if (key == "Exec") read.path_ = FirstArgument(value, read.arguments_);
    else if (key == "Comment") read.description_ = value;
    else if (key == "Path") read.workingDirectory_ = value;
    else if (key == "Icon") read.iconLocation_ = value;
  }
  if (!application) return false;
  *this = read;
  return true;
}
