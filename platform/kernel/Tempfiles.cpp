#include "platform/kernel/Tempfiles.h"

#include "platform/kernel/Fileapi.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace platform {

std::string TempRoot() {
  const char* dir = std::getenv("TMPDIR");
  if (!dir || !*dir) return "/tmp";
  std::string root = ProgramPath(dir);
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

std::string MakeUniqueFolder(const std::string& prefix) {
  std::string pattern = SystemPath(prefix) + "XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    SetLastError(ErrorFromErrno(errno));
    return std::string();
  }
  return ProgramPath(pattern);
}

std::string MakeUniqueFile(const std::string& prefix) {
  std::string pattern = SystemPath(prefix) + "XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return std::string();
  }
  ::close(fd);
  return ProgramPath(pattern);
}

}  // namespace platform
