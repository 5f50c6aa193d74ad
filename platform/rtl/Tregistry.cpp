#include "platform/rtl/Tregistry.h"

#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Registrystore.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tstrings.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

platform::TRegistryStore* gStore = nullptr;

const char* RootName(HKEY root) {
  switch (root) {
    case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
    case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS: return "HKEY_USERS";
    case HKEY_PERFORMANCE_DATA: return "HKEY_PERFORMANCE_DATA";
    case HKEY_CURRENT_CONFIG: return "HKEY_CURRENT_CONFIG";
    case HKEY_DYN_DATA: return "HKEY_DYN_DATA";
    default: return "HKEY_CURRENT_USER";
  }
}

// Joins key names, dropping empty parts and stray separators.
std::string JoinKey(const std::string& a, const std::string& b) {
  std::string out;
  for (const std::string* part : {&a, &b}) {
    size_t i = 0;
    while (i < part->size()) {
      size_t j = part->find('\\', i);
      if (j == std::string::npos) j = part->size();
      if (j > i) {
        if (!out.empty()) out += '\\';
        out.append(*part, i, j - i);
      }
      i = j + 1;
    }
  }
  return out;
}

// ---- the shell's folders ----

const char kShellFolders[] = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string Env(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : fallback;
}

std::string Home() { return Env("HOME", "/tmp"); }

// A folder the XDG user-dirs file names under `key` ("XDG_DESKTOP_DIR" ...), else `fallback`.
std::string UserDirsFolder(const std::string& key, const std::string& fallback) {
  std::ifstream in(Env("XDG_CONFIG_HOME", Home() + "/.config") + "/user-dirs.dirs");
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, key.size() + 1, key + "=") != 0) continue;
    std::string v = line.substr(key.size() + 1);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.compare(0, 5, "$HOME") == 0) v = Home() + v.substr(5);
    if (!v.empty() && v[0] == '/') return v;
  }
  return fallback;
}

bool ShellFolder(const std::string& keyPath, const std::string& name, std::string& folder) {
  if (!AnsiSameText(keyPath, kShellFolders)) return false;
  std::string data = Env("XDG_DATA_HOME", Home() + "/.local/share");
  std::string config = Env("XDG_CONFIG_HOME", Home() + "/.config");
  std::string path;
  if (SameText(name, "Desktop")) path = UserDirsFolder("XDG_DESKTOP_DIR", Home() + "/Desktop");
  else if (SameText(name, "Personal")) path = UserDirsFolder("XDG_DOCUMENTS_DIR", Home());
  else if (SameText(name, "Programs") || SameText(name, "Start Menu")) path = data + "/applications";
  else if (SameText(name, "Startup")) path = config + "/autostart";
  else return false;
  folder = platform::ProgramPath(path);
  return true;
}

const char* const kShellFolderNames[] = {"Desktop", "Personal", "Programs", "Start Menu", "Startup"};

[[noreturn]] void Error(const std::string& text) { throw ERegistryException(text); }

}  // namespace

namespace platform {
void SetRegistryStore(TRegistryStore* Store) { gStore = Store; }
}  // namespace platform

platform::TRegistryStore& TRegistry::Store() { return gStore ? *gStore : platform::TRegistryStore::User(); }

void TRegistry::SetRootKey(HKEY Value) {
  CloseKey();
  rootKey_ = Value;
}

std::string TRegistry::FullPath(const std::string& Key) const {
  bool absolute = !Key.empty() && Key[0] == '\\';
  std::string below = (absolute || !keyOpen_) ? Key : JoinKey(currentPath_, Key);
  return JoinKey(RootName(rootKey_), below);
}

std::string TRegistry::OpenPath() const { return JoinKey(RootName(rootKey_), currentPath_); }

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  std::string full = FullPath(Key);
  bool ok = Store().KeyExists(full) || AnsiSameText(full, kShellFolders);
  if (!ok && CanCreate && CanWrite()) ok = Store().CreateKey(full);
  if (!ok) return false;
  std::string root = RootName(rootKey_);
  currentPath_ = full.size() > root.size() ? full.substr(root.size() + 1) : std::string();
  keyOpen_ = true;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
  uint32_t saved = access_;
  access_ = KEY_READ;
  bool ok = OpenKey(Key, false);
  if (!ok) access_ = saved;
  return ok;
}

void TRegistry::CloseKey() {
  currentPath_.clear();
  keyOpen_ = false;
}

bool TRegistry::CreateKey(const std::string& Key) {
  std::string full = FullPath(Key);
  if (!CanWrite() || !Store().CreateKey(full)) Error("Failed to create key " + Key);
  return true;
}

bool TRegistry::DeleteKey(const std::string& Key) {
  if (!CanWrite()) return false;
  return Store().DeleteKey(FullPath(Key));
}

bool TRegistry::KeyExists(const std::string& Key) {
  std::string full = FullPath(Key);
  return Store().KeyExists(full) || AnsiSameText(full, kShellFolders);
}

bool TRegistry::HasSubKeys() { return !Store().GetKeyNames(OpenPath()).empty(); }

void TRegistry::GetKeyNames(TStrings* Strings) { AssignTexts(Strings, Store().GetKeyNames(OpenPath())); }

void TRegistry::GetValueNames(TStrings* Strings) {
  std::string path = OpenPath();
  std::vector<std::string> names = Store().GetValueNames(path);
  if (AnsiSameText(path, kShellFolders))
    for (const char* n : kShellFolderNames)
      if (std::none_of(names.begin(), names.end(), [&](const std::string& s) { return AnsiSameText(s, n); }))
        names.push_back(n);
  AssignTexts(Strings, names);
}

bool TRegistry::ReadValue(const std::string& KeyPath, const std::string& Name, uint32_t& Type, std::string& Data) {
  platform::TRegStoreValue v;
  if (Store().ReadValue(KeyPath, Name, v)) {
    Type = v.Type;
    Data = v.Data;
    return true;
  }
  if (ShellFolder(KeyPath, Name, Data)) {
    Type = platform::REG_SZ;
    return true;
  }
  return false;
}

void TRegistry::WriteValue(const std::string& KeyPath, const std::string& Name, uint32_t Type,
                           const std::string& Data) {
  platform::TRegStoreValue v;
  v.Type = Type;
  v.Data = Data;
  if (!CanWrite() || !Store().WriteValue(KeyPath, Name, v)) Error("Failed to set data for '" + Name + "'");
}

bool TRegistry::ValueExists(const std::string& Name) {
  uint32_t type;
  std::string data;
  return ReadValue(OpenPath(), Name, type, data);
}

bool TRegistry::DeleteValue(const std::string& Name) { return CanWrite() && Store().DeleteValue(OpenPath(), Name); }

TRegDataType TRegistry::GetDataType(const std::string& Name) {
  uint32_t type;
  std::string data;
  if (!ReadValue(OpenPath(), Name, type, data)) return rdUnknown;
  switch (type) {
    case platform::REG_SZ: return rdString;
    case platform::REG_EXPAND_SZ: return rdExpandString;
    case platform::REG_DWORD: return rdInteger;
    case platform::REG_BINARY: return rdBinary;
    default: return rdUnknown;
  }
}

int TRegistry::GetDataSize(const std::string& Name) {
  uint32_t type;
  std::string data;
  if (!ReadValue(OpenPath(), Name, type, data)) return -1;
  // Texts count their terminating NUL, as the registry stores it.
  bool text = type == platform::REG_SZ || type == platform::REG_EXPAND_SZ;
  return static_cast<int>(data.size()) + (text ? 1 : 0);
}

std::string TRegistry::ReadString(const std::string& Name) {
  uint32_t type;
  std::string data;
  if (!ReadValue(OpenPath(), Name, type, data)) return std::string();
  if (type != platform::REG_SZ && type != platform::REG_EXPAND_SZ) Error("Invalid data type for '" + Name + "'");
  size_t nul = data.find('\0');
  return nul == std::string::npos ? data : data.substr(0, nul);
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  WriteValue(OpenPath(), Name, platform::REG_SZ, Value);
}

void TRegistry::WriteExpandString(const std::string& Name, const std::string& Value) {
  WriteValue(OpenPath(), Name, platform::REG_EXPAND_SZ, Value);
}

int TRegistry::ReadInteger(const std::string& Name) {
  uint32_t type;
  std::string data;
  if (!ReadValue(OpenPath(), Name, type, data)) Error("Failed to get data for '" + Name + "'");
  if (type != platform::REG_DWORD || data.size() != 4) Error("Invalid data type for '" + Name + "'");
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[i]);
  return static_cast<int>(v);
}

void TRegistry::WriteInteger(const std::string& Name, int Value) {
  uint32_t v = static_cast<uint32_t>(Value);
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  WriteValue(OpenPath(), Name, platform::REG_DWORD, data);
}

std::string TRegistry::ReadBinaryData(const std::string& Name) {
  uint32_t type;
  std::string data;
  if (!ReadValue(OpenPath(), Name, type, data)) Error("Failed to get data for '" + Name + "'");
  if (type != platform::REG_BINARY) Error("Invalid data type for '" + Name + "'");
  return data;
}

void TRegistry::WriteBinaryData(const std::string& Name, const std::string& Data) {
  WriteValue(OpenPath(), Name, platform::REG_BINARY, Data);
}

double TRegistry::ReadFloat(const std::string& Name) {
  std::string data = ReadBinaryData(Name);
  if (data.size() != sizeof(double)) Error("Invalid data type for '" + Name + "'");
  double v;
  std::memcpy(&v, data.data(), sizeof v);
  return v;
}

void TRegistry::WriteFloat(const std::string& Name, double Value) {
  std::string data(sizeof Value, '\0');
  std::memcpy(data.data(), &Value, sizeof Value);
  WriteBinaryData(Name, data);
}
