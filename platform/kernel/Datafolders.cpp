#include "platform/kernel/Datafolders.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return (v && *v) ? std::string(v) : fallback;
}

std::string Home() { return EnvOr("HOME", "/tmp"); }

std::string WithoutTrailingSlash(std::string p) {
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

}  // namespace

std::string DataRoot() {
  const char* home = std::getenv("QUILLARAN_HOME");
  if (home && *home) return WithoutTrailingSlash(home);
  return WithoutTrailingSlash(EnvOr("XDG_DATA_HOME", Home() + "/.local/share")) + "/quillaran";
}

std::string ConfigRoot() {
  return WithoutTrailingSlash(EnvOr("XDG_CONFIG_HOME", Home() + "/.config")) + "/quillaran";
}

bool MakeFolders(const std::string& path) {
  if (path.empty()) return false;
  for (size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos != path.size() && path[pos] != '/') continue;
    std::string part = path.substr(0, pos);
    if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakePrivateFolder(const std::string& path) {
  if (path.empty()) return false;
  const size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash))) return false;
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  return KeepFolderPrivate(path);
}

bool KeepFolderPrivate(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  // Made before under a looser mask, or by hand: what lies in it is nobody else's to read.
  if ((st.st_mode & 077) != 0 && st.st_uid == getuid()) chmod(path.c_str(), st.st_mode & 0700);
  return true;
}

}  // namespace platform
