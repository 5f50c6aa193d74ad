#pragma once
// TRegistry: keys and values of the registry, kept in the registry store of
// the current user (one file). Keys are reached below a root key by paths of
// names separated by '\'; a path that begins with '\' starts at the root,
// others at the open key. Values are texts, expandable texts (kept unexpanded),
// 32-bit integers and binary data.
//
// The shell's folders of the current user answer from this system's places:
// below HKEY_CURRENT_USER, the key
// "Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders" has the
// values "Desktop" (the XDG desktop folder), "Programs" and "Start Menu" (the
// folder of desktop entries) and "Startup" (the autostart folder), unless the
// store holds values of those names itself.

#include "platform/rtl/Tobject.h"

#include <cstdint>
#include <string>

class TStrings;

namespace platform {
class TRegistryStore;
// The store that every TRegistry uses from now on; null: the user's store.
void SetRegistryStore(TRegistryStore* Store);
}  // namespace platform

using HKEY = uintptr_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;
constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004u;
constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;
constexpr HKEY HKEY_DYN_DATA = 0x80000006u;

constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr uint32_t KEY_SET_VALUE = 0x0002;
constexpr uint32_t KEY_CREATE_SUB_KEY = 0x0004;
constexpr uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr uint32_t KEY_READ = 0x20019;
constexpr uint32_t KEY_WRITE = 0x20006;
constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class TRegistry : public TObject {
 public:
  explicit TRegistry(uint32_t AAccess = KEY_ALL_ACCESS) : access_(AAccess) {}

  HKEY RootKey() const { return rootKey_; }
  // Closes the open key.
  void SetRootKey(HKEY Value);
  uint32_t Access() const { return access_; }
  void SetAccess(uint32_t Value) { access_ = Value; }
  // The open key's path below the root; "" when none is open.
  const std::string& CurrentPath() const { return currentPath_; }
  // Non-zero while a key is open.
  HKEY CurrentKey() const { return keyOpen_ ? rootKey_ : 0; }

  // Opens the key, creating it (and its parents) when CanCreate; false when it
  // does not exist or cannot be made.
  bool OpenKey(const std::string& Key, bool CanCreate);
  bool OpenKeyReadOnly(const std::string& Key);
  void CloseKey();
  // Raises ERegistryException "Failed to create key X" when the key cannot be made.
  bool CreateKey(const std::string& Key);
  bool DeleteKey(const std::string& Key);
  bool KeyExists(const std::string& Key);
  bool HasSubKeys();
  void GetKeyNames(TStrings* Strings);
  void GetValueNames(TStrings* Strings);

  bool ValueExists(const std::string& Name);
  bool DeleteValue(const std::string& Name);
  TRegDataType GetDataType(const std::string& Name);
  // Bytes of the value's data; -1 when there is no such value.
  int GetDataSize(const std::string& Name);

  // A text or expandable text; "" when the value does not exist; another
  // type raises ERegistryException "Invalid data type for 'X'".
  std::string ReadString(const std::string& Name);
  void WriteString(const std::string& Name, const std::string& Value);
  void WriteExpandString(const std::string& Name, const std::string& Value);
  // A missing value raises "Failed to get data for 'X'", another type
  // "Invalid data type for 'X'". Writes that fail (a read-only registry)
  // raise "Failed to set data for 'X'".
  int ReadInteger(const std::string& Name);
  void WriteInteger(const std::string& Name, int Value);
  bool ReadBool(const std::string& Name) { return ReadInteger(Name) != 0; }
  void WriteBool(const std::string& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }
  double ReadFloat(const std::string& Name);
  void WriteFloat(const std::string& Name, double Value);
  std::string ReadBinaryData(const std::string& Name);
  void WriteBinaryData(const std::string& Name, const std::string& Data);

 protected:
  // The store's path of a key given as OpenKey takes it.
  std::string FullPath(const std::string& Key) const;
  std::string OpenPath() const;
  bool CanWrite() const { return (access_ & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) != 0; }
  bool ReadValue(const std::string& KeyPath, const std::string& Name, uint32_t& Type, std::string& Data);
  void WriteValue(const std::string& KeyPath, const std::string& Name, uint32_t Type, const std::string& Data);
  static platform::TRegistryStore& Store();

 private:
  HKEY rootKey_ = HKEY_CURRENT_USER;
  uint32_t access_;
  std::string currentPath_;
  bool keyOpen_ = false;
};
