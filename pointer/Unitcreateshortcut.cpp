#include "pointer/Unitcreateshortcut.h"

#include <string>

#include "platform/kernel/Datafolders.h"
#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Treginifile.h"
#include "platform/shell/Tshelllink.h"

namespace {

const char* FolderValueName(int32_t Kind) {
  switch (Kind) {
    case kShortcutDesktop: return "Desktop";
    case kShortcutPrograms: return "Programs";
    case kShortcutStartMenu: return "Start Menu";
    case kShortcutStartup: return "Startup";
    default: return nullptr;
  }
}

// The folder part of a path with its closing separator; empty without one.
std::string FolderOf(const std::string& Path) {
  const size_t cut = Path.find_last_of("/\\");
  return cut == std::string::npos ? std::string() : Path.substr(0, cut + 1);
}

std::string ShellFolder(int32_t Kind) {
  const char* name = FolderValueName(Kind);
  if (!name) return {};
  try {
    TRegIniFile explorer("Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer");
    return explorer.ReadString("Shell Folders", name, "");
  } catch (const Exception&) {
    // A value that is no text names no folder.
    return {};
  }
}

bool IsFile(const std::string& Path) {
  const DWORD attributes = GetFileAttributesA(Path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool Pascal_CreateShortcut(const char* TargetPath, const char* LinkName, int32_t FolderKind, const char* SubFolder,
                           int32_t LinkAction) {
  const std::string target = TargetPath ? TargetPath : "";
  const std::string linkName = LinkName ? LinkName : "";
  const std::string subFolder = SubFolder ? SubFolder : "";
  TShellLink link;
  link.SetPath(target);
  link.SetWorkingDirectory(FolderOf(target));

  std::string folder = ShellFolder(FolderKind);
  // Without a shell folder the link would land in the root folder: nothing is done.
  if (folder.empty()) return false;
  // The desktop's places may not exist yet on a fresh account: a link to be made gets
  // its shell folder.
  if (LinkAction == kLinkCreate) platform::MakeFolders(platform::SystemPath(folder));
  if (!subFolder.empty()) {
    folder += "/" + subFolder;
    CreateDirectoryA(folder.c_str(), nullptr);
  }
  const std::string linkPath = folder + "/" + linkName + ".desktop";
  const bool existed = IsFile(linkPath);
  if (LinkAction == kLinkCreate && !existed) link.Save(linkPath);
  if (LinkAction == kLinkDelete && existed) DeleteFileA(linkPath.c_str());
  return existed;
}
