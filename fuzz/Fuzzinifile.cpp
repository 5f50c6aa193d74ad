// Settings files: an ini file and the user's registry store read back whatever
// they hold.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "fuzz/Fuzzsandbox.h"
#include "platform/kernel/Registrystore.h"
#include "platform/rtl/Tinifile.h"
#include "platform/rtl/Tstringlist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzzing::WriteInput("settings.ini", data, size);
  try {
    TIniFile ini(path);
    TStringList sections, values;
    ini.ReadSections(&sections);
    for (int i = 0; i < sections.Count() && i < 64; ++i) {
      ini.ReadSectionValues(sections[i], &values);
      ini.ReadString(sections[i], "Name", "");
    }
  } catch (const std::exception&) {
    // an unreadable file is refused: not a finding
  }
  {
    platform::TRegistryStore store(path);
    auto walk = [&](auto&& self, const std::string& key, int depth) -> void {
      for (const std::string& name : store.GetValueNames(key)) {
        platform::TRegStoreValue value;
        store.ReadValue(key, name, value);
      }
      if (depth < 4)
        for (const std::string& sub : store.GetKeyNames(key)) self(self, key + "\\" + sub, depth + 1);
    };
    for (const char* root : {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"}) walk(walk, root, 0);
  }
  fuzzing::EmptySandbox();
  return 0;
}
