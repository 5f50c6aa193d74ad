#pragma once
// The registry store: keys and typed values kept in one file per user under
// the settings folder. Every change re-reads the file under an exclusive lock
// and writes it back through a temporary file and an atomic rename, so two
// processes may use the store at once without losing each other's values.
//
// Key paths are full paths that begin with the root's name and separate their
// parts by '\' ("HKEY_CURRENT_USER\Software\Quillaran"); stray, leading and
// trailing separators are ignored. Key and value names compare without regard
// to case, as the registry does, and keep the case they were created with.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Value types, numbered as the registry numbers them.
enum : uint32_t {
  REG_NONE = 0,
  REG_SZ = 1,
  REG_EXPAND_SZ = 2,
  REG_BINARY = 3,
  REG_DWORD = 4,
};

// One value: its type and its bytes (a text without terminator, a REG_DWORD as
// four little-endian bytes).
struct TRegStoreValue {
  uint32_t Type = REG_NONE;
  std::string Data;
};

class TRegistryStore {
 public:
  explicit TRegistryStore(std::string filePath);

  // The current user's store: ConfigRoot() + "/registry".
  static TRegistryStore& User();

  const std::string& FilePath() const { return path_; }

  bool KeyExists(std::string_view key);
  bool CreateKey(std::string_view key);          // and its missing parents
  bool DeleteKey(std::string_view key);          // with its subkeys; false when absent
  std::vector<std::string> GetKeyNames(std::string_view key);    // direct subkeys
  std::vector<std::string> GetValueNames(std::string_view key);

  bool ValueExists(std::string_view key, std::string_view name);
  bool ReadValue(std::string_view key, std::string_view name, TRegStoreValue& out);
  bool WriteValue(std::string_view key, std::string_view name, const TRegStoreValue& value);  // creates the key
  bool DeleteValue(std::string_view key, std::string_view name);

 private:
  std::string path_;
};

}  // namespace platform
