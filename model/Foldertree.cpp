#include "model/Foldertree.h"

#include "platform/kernel/Datafolders.h"
#include "platform/kernel/Findfile.h"

bool MakeFolder(const std::string& path) { return platform::MakeFolders(path); }

std::vector<std::string> ListSubFolders(const std::string& path) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((path + "/*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const DWORD attributes = entry.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        entry.cFileName[0] != '.')
      names.emplace_back(entry.cFileName);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return names;
}

bool IsSafeFolderName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name)
    if (c < 0x20 || c == '/' || c == '\\' || c == 0x7F) return false;
  return true;
}

std::string MakeSafeFolderName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return "_";
  std::string safe = name;
  for (char& c : safe)
    if (static_cast<unsigned char>(c) < 0x20 || c == '/' || c == '\\' || c == 0x7F) c = '_';
  return safe;
}

bool IsLegalDiscussionFolderName(const std::string& name) {
  return IsSafeFolderName(name) && name.find(' ') == std::string::npos;
}
