#include "model/Foldertree.h"

#include "platform/kernel/Datafolders.h"
#include "platform/kernel/Fileapi.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

bool MakeFolder(const std::string& path) { return platform::MakeFolders(path); }

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> ListSubFolders(const std::string& path) {
  std::vector<std::string> names;
  std::error_code error;
  std::filesystem::directory_iterator it(platform::SystemPath(path), error);
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (it->is_symlink(error) || !it->is_directory(error)) continue;
    std::string name = platform::ProgramPath(it->path().filename().string());
    if (!name.empty() && name[0] != '.') names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool IsSafeFolderName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name)
    if (c < 0x20 || c == '/' || c == '\\' || c == 0x7F) return false;
  return true;
}
