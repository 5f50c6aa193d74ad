#pragma once
// The program's values in the registry store, under
// "HKEY_CURRENT_USER\Software\Quillaran" of the current user's store.

#include <cstdint>
#include <string>

class TShellRegistry {
 public:
  static const char* const KeyPath;

  static bool ValueExists(const std::string& name);
  // -1 when the value is missing or is not an integer.
  static int32_t ReadInteger(const std::string& name);
  static bool WriteInteger(const std::string& name, int32_t value);
  // "" when the value is missing or is not a text.
  static std::string ReadString(const std::string& name);
  static bool WriteString(const std::string& name, const std::string& value);
};
