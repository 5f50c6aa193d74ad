#include "controls/Ctlresources.h"

#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Programfiles.h"

namespace {

std::string gFolder;

// Resource names stay inside the folder.
bool PlainName(const std::string& Name) {
  return !Name.empty() && Name[0] != '.' && Name.find('/') == std::string::npos && Name.find('\0') == std::string::npos;
}

}  // namespace

std::string ResourceFolder() {
  if (!gFolder.empty()) return gFolder;
  return platform::ProgramDataFolder() + "/resources";
}

void SetResourceFolder(const std::string& Folder) { gFolder = Folder; }

std::unique_ptr<TIcon> MakeIcon(const std::string& ResName) {
  const std::string path = ResourceFolder() + "/" + ResName + ".ico";
  if (!PlainName(ResName) || (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY)) throw EResNotFound("Resource " + ResName + " not found");
  auto icon = std::make_unique<TIcon>();
  icon->LoadFromFile(path);
  return icon;
}
