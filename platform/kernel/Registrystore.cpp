#include "platform/kernel/Registrystore.h"

#include "platform/kernel/Codepage.h"
#include "platform/kernel/Datafolders.h"
#include "platform/kernel/Fileapi.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/file.h>
#include <unistd.h>

namespace platform {
namespace {

struct Key {
  std::string path;  // as first created
  std::vector<std::pair<std::string, TRegStoreValue>> values;
};
using Tree = std::map<std::string, Key>;  // by folded path

std::string NormalizeKey(std::string_view key) {
  std::string out;
  size_t i = 0;
  while (i < key.size()) {
    size_t j = key.find('\\', i);
    if (j == std::string_view::npos) j = key.size();
    if (j > i) {
      if (!out.empty()) out += '\\';
      out.append(key.substr(i, j - i));
    }
    i = j + 1;
  }
  return out;
}

bool IsValidKey(const std::string& key) {
  if (key.empty()) return false;
  return std::none_of(key.begin(), key.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '[' || c == ']';
  });
}

std::string Fold(std::string_view s) { return AnsiUpperCase(s); }

// ---- text form of the file ----

std::string Escape(std::string_view s) {
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (char c : s) {
    unsigned char b = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') { out += '\\'; out += c; }
    else if (b < 0x20 || b == 0x7F) { out += "\\x"; out += hex[b >> 4]; out += hex[b & 15]; }
    else out += c;
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted, escaped text at s[i] (i at the opening quote); i ends past the closing quote.
bool ParseQuoted(const std::string& s, size_t& i, std::string& out) {
  if (i >= s.size() || s[i] != '"') return false;
  ++i;
  out.clear();
  while (i < s.size()) {
    char c = s[i++];
    if (c == '"') return true;
    if (c != '\\') { out += c; continue; }
    if (i >= s.size()) return false;
    char e = s[i++];
    if (e == 'x') {
      if (i + 2 > s.size()) return false;
      int h = HexDigit(s[i]), l = HexDigit(s[i + 1]);
      if (h < 0 || l < 0) return false;
      out += static_cast<char>(h * 16 + l);
      i += 2;
    } else {
      out += e;
    }
  }
  return false;
}

std::string HexBytes(std::string_view data) {
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (size_t k = 0; k < data.size(); ++k) {
    if (k) out += ',';
    unsigned char b = static_cast<unsigned char>(data[k]);
    out += hex[b >> 4];
    out += hex[b & 15];
  }
  return out;
}

bool ParseHexBytes(std::string_view s, std::string& out) {
  out.clear();
  size_t i = 0;
  while (i < s.size()) {
    if (i + 2 > s.size()) return false;
    int h = HexDigit(s[i]), l = HexDigit(s[i + 1]);
    if (h < 0 || l < 0) return false;
    out += static_cast<char>(h * 16 + l);
    i += 2;
    if (i < s.size()) {
      if (s[i] != ',') return false;
      ++i;
    }
  }
  return true;
}

uint32_t DwordOf(const std::string& data) {
  uint32_t v = 0;
  for (size_t k = 0; k < 4 && k < data.size(); ++k) v |= uint32_t(static_cast<unsigned char>(data[k])) << (8 * k);
  return v;
}

// tag + the escaped text in quotes.
std::string Quoted(const char* tag, std::string_view text) { return tag + ('"' + Escape(text) + '"'); }

std::string FormatValue(const TRegStoreValue& v) {
  char buf[32];
  switch (v.Type) {
    case REG_SZ: return Quoted("sz:", v.Data);
    case REG_EXPAND_SZ: return Quoted("expand:", v.Data);
    case REG_DWORD:
      if (v.Data.size() == 4) {
        std::snprintf(buf, sizeof buf, "dword:%08x", DwordOf(v.Data));
        return buf;
      }
      break;
    case REG_BINARY: return "hex:" + HexBytes(v.Data);
  }
  std::snprintf(buf, sizeof buf, "hex(%u):", v.Type);
  return buf + HexBytes(v.Data);
}

bool ParseValue(const std::string& s, TRegStoreValue& v) {
  size_t colon = s.find(':');
  if (colon == std::string::npos) return false;
  std::string tag = s.substr(0, colon);
  std::string rest = s.substr(colon + 1);
  if (tag == "sz" || tag == "expand") {
    v.Type = tag == "sz" ? REG_SZ : REG_EXPAND_SZ;
    size_t i = 0;
    return ParseQuoted(rest, i, v.Data) && i == rest.size();
  }
  if (tag == "dword") {
    if (rest.size() != 8) return false;
    uint32_t n = 0;
    for (char c : rest) {
      int d = HexDigit(c);
      if (d < 0) return false;
      n = n * 16 + d;
    }
    v.Type = REG_DWORD;
    v.Data.assign(4, '\0');
    for (int k = 0; k < 4; ++k) v.Data[k] = static_cast<char>((n >> (8 * k)) & 0xFF);
    return true;
  }
  if (tag == "hex") { v.Type = REG_BINARY; return ParseHexBytes(rest, v.Data); }
  unsigned type;
  if (std::sscanf(tag.c_str(), "hex(%u)", &type) == 1) { v.Type = type; return ParseHexBytes(rest, v.Data); }
  return false;
}

// Lines that do not parse are skipped: a damaged line loses that value only.
Tree Parse(const std::string& text) {
  Tree tree;
  Key* current = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = Utf8ToAnsi(std::string_view(text).substr(pos, end - pos));
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.rfind(']');
      std::string path = NormalizeKey(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      current = nullptr;
      if (!IsValidKey(path)) continue;
      Key& k = tree[Fold(path)];
      if (k.path.empty()) k.path = path;
      current = &k;
      continue;
    }
    if (!current || line[0] != '"') continue;
    size_t i = 0;
    std::string name;
    TRegStoreValue v;
    if (!ParseQuoted(line, i, name) || i >= line.size() || line[i] != '=') continue;
    if (!ParseValue(line.substr(i + 1), v)) continue;
    current->values.emplace_back(std::move(name), std::move(v));
  }
  return tree;
}

std::string Format(const Tree& tree) {
  std::string out = "; Quillaran settings\n";
  for (const auto& [folded, key] : tree) {
    std::string section = "\n[" + key.path + "]\n";
    for (const auto& [name, value] : key.values) {
      section += Quoted("", name);
      section += '=';
      section += FormatValue(value);
      section += '\n';
    }
    out += AnsiToUtf8(section);
  }
  return out;
}

// ---- file access ----

class FileLock {
 public:
  FileLock(const std::string& path, bool exclusive) {
    fd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0 && ::flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool ReadWhole(const std::string& path, std::string& out) {
  out.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  char buf[65536];
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
  ::close(fd);
  return n == 0;
}

bool WriteWhole(const std::string& path, const std::string& text) {
  std::string temp = path + ".tmp" + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  bool ok = true;
  while (ok && done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  // The new contents count once the rename is on the disk.
  ok = ok && platform::SyncFolderOf(path);
  return ok;
}

// Reads the tree under a shared lock and hands it to `use`.
template <class F>
auto Inspect(const std::string& path, F use) {
  std::string text;
  Tree tree;
  if (::access(FolderOf(path).c_str(), F_OK) == 0) {
    FileLock lock(path, false);
    if (lock.Held() && ReadWhole(path, text)) tree = Parse(text);
  }
  return use(static_cast<const Tree&>(tree));
}

// Re-reads the tree under an exclusive lock, lets `change` edit it and, when it
// reports a change, writes it back before the lock is released.
template <class F>
bool Modify(const std::string& path, F change) {
  if (!MakeFolders(FolderOf(path))) return false;
  FileLock lock(path, true);
  if (!lock.Held()) return false;
  std::string text;
  if (!ReadWhole(path, text)) return false;
  Tree tree = Parse(text);
  bool changed = false;
  if (!change(tree, changed)) return false;
  return !changed || WriteWhole(path, Format(tree));
}

void AddKeyWithParents(Tree& tree, const std::string& path, bool& changed) {
  for (size_t pos = 0; pos != std::string::npos;) {
    pos = path.find('\\', pos + 1);
    std::string part = path.substr(0, pos);
    Key& k = tree[Fold(part)];
    if (k.path.empty()) {
      k.path = part;
      changed = true;
    }
  }
}

template <class Values>
auto FindValue(Values& values, std::string_view name) {
  std::string folded = Fold(name);
  return std::find_if(values.begin(), values.end(), [&](const auto& nv) { return Fold(nv.first) == folded; });
}

bool IsBelow(const std::string& foldedChild, const std::string& foldedParent) {
  return foldedChild.size() > foldedParent.size() + 1 &&
         foldedChild.compare(0, foldedParent.size(), foldedParent) == 0 &&
         foldedChild[foldedParent.size()] == '\\';
}

}  // namespace

TRegistryStore::TRegistryStore(std::string filePath) : path_(std::move(filePath)) {}

TRegistryStore& TRegistryStore::User() {
  // The settings folder follows the environment, which tests change.
  static std::unique_ptr<TRegistryStore> store;
  std::string path = ConfigRoot() + "/registry";
  if (!store || store->path_ != path) store = std::make_unique<TRegistryStore>(path);
  return *store;
}

bool TRegistryStore::KeyExists(std::string_view key) {
  std::string path = NormalizeKey(key);
  return Inspect(path_, [&](const Tree& t) { return t.count(Fold(path)) > 0; });
}

bool TRegistryStore::CreateKey(std::string_view key) {
  std::string path = NormalizeKey(key);
  if (!IsValidKey(path)) return false;
  return Modify(path_, [&](Tree& t, bool& changed) {
    AddKeyWithParents(t, path, changed);
    return true;
  });
}

bool TRegistryStore::DeleteKey(std::string_view key) {
  std::string folded = Fold(NormalizeKey(key));
  return Modify(path_, [&](Tree& t, bool& changed) {
    auto it = t.find(folded);
    if (it == t.end()) return false;
    t.erase(it);
    for (auto i = t.begin(); i != t.end();) i = IsBelow(i->first, folded) ? t.erase(i) : std::next(i);
    changed = true;
    return true;
  });
}

std::vector<std::string> TRegistryStore::GetKeyNames(std::string_view key) {
  std::string folded = Fold(NormalizeKey(key));
  return Inspect(path_, [&](const Tree& t) {
    std::vector<std::string> names;
    for (const auto& [f, k] : t) {
      if (IsBelow(f, folded) && f.find('\\', folded.size() + 1) == std::string::npos)
        names.push_back(k.path.substr(folded.size() + 1));
    }
    return names;
  });
}

std::vector<std::string> TRegistryStore::GetValueNames(std::string_view key) {
  std::string folded = Fold(NormalizeKey(key));
  return Inspect(path_, [&](const Tree& t) {
    std::vector<std::string> names;
    auto it = t.find(folded);
    if (it != t.end())
      for (const auto& nv : it->second.values) names.push_back(nv.first);
    return names;
  });
}

bool TRegistryStore::ValueExists(std::string_view key, std::string_view name) {
  TRegStoreValue v;
  return ReadValue(key, name, v);
}

bool TRegistryStore::ReadValue(std::string_view key, std::string_view name, TRegStoreValue& out) {
  std::string folded = Fold(NormalizeKey(key));
  return Inspect(path_, [&](const Tree& t) {
    auto it = t.find(folded);
    if (it == t.end()) return false;
    auto v = FindValue(it->second.values, name);
    if (v == it->second.values.end()) return false;
    out = v->second;
    return true;
  });
}

bool TRegistryStore::WriteValue(std::string_view key, std::string_view name, const TRegStoreValue& value) {
  std::string path = NormalizeKey(key);
  if (!IsValidKey(path)) return false;
  return Modify(path_, [&](Tree& t, bool& changed) {
    AddKeyWithParents(t, path, changed);
    auto& values = t[Fold(path)].values;
    auto v = FindValue(values, name);
    if (v == values.end()) values.emplace_back(std::string(name), value);
    else v->second = value;
    changed = true;
    return true;
  });
}

bool TRegistryStore::DeleteValue(std::string_view key, std::string_view name) {
  std::string folded = Fold(NormalizeKey(key));
  return Modify(path_, [&](Tree& t, bool& changed) {
    auto it = t.find(folded);
    if (it == t.end()) return false;
    auto v = FindValue(it->second.values, name);
    if (v == it->second.values.end()) return false;
    it->second.values.erase(v);
    changed = true;
    return true;
  });
}

}  // namespace platform
