#include "platform/kernel/Datafolders.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

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

}  // namespace platform
