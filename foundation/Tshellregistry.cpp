#include "foundation/Tshellregistry.h"

#include "platform/kernel/Registrystore.h"

const char* const TShellRegistry::KeyPath = "HKEY_CURRENT_USER\\Software\\Quillaran";

bool TShellRegistry::ValueExists(const std::string& name) {
  return platform::TRegistryStore::User().ValueExists(KeyPath, name);
}

int32_t TShellRegistry::ReadInteger(const std::string& name) {
  platform::TRegStoreValue v;
  if (!platform::TRegistryStore::User().ReadValue(KeyPath, name, v) || v.Type != platform::REG_DWORD ||
      v.Data.size() != 4)
    return -1;
  uint32_t n = 0;
  for (int k = 3; k >= 0; --k) n = (n << 8) | static_cast<unsigned char>(v.Data[k]);
  return static_cast<int32_t>(n);
}

bool TShellRegistry::WriteInteger(const std::string& name, int32_t value) {
  platform::TRegStoreValue v{platform::REG_DWORD, std::string(4, '\0')};
  for (int k = 0; k < 4; ++k) v.Data[k] = static_cast<char>((static_cast<uint32_t>(value) >> (8 * k)) & 0xFF);
  return platform::TRegistryStore::User().WriteValue(KeyPath, name, v);
}

std::string TShellRegistry::ReadString(const std::string& name) {
  platform::TRegStoreValue v;
  if (!platform::TRegistryStore::User().ReadValue(KeyPath, name, v) ||
      (v.Type != platform::REG_SZ && v.Type != platform::REG_EXPAND_SZ))
    return "";
  return v.Data;
}

bool TShellRegistry::WriteString(const std::string& name, const std::string& value) {
  return platform::TRegistryStore::User().WriteValue(KeyPath, name, {platform::REG_SZ, value});
}
