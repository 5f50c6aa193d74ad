#include "platform/shell/Shellfolders.h"

#include "platform/kernel/Datafolders.h"
#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Tregistry.h"

namespace {

const char* FolderValueName(int folder) {
  switch (folder) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY: return "Desktop";
    case CSIDL_PERSONAL: return "Personal";
    case CSIDL_PROGRAMS: return "Programs";
    case CSIDL_STARTMENU: return "Start Menu";
    case CSIDL_STARTUP: return "Startup";
    default: return nullptr;
  }
}

}  // namespace

bool SHGetSpecialFolderPath(int Folder, std::string& Path, bool Create) {
  const char* name = FolderValueName(Folder);
  if (!name) return false;
  TRegistry reg(KEY_READ);
  reg.SetRootKey(HKEY_CURRENT_USER);
  if (!reg.OpenKeyReadOnly("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")) return false;
  std::string path = reg.ReadString(name);
  if (path.empty()) return false;
  if (Create && !platform::MakeFolders(platform::SystemPath(path))) return false;
  Path = path;
  return true;
}
