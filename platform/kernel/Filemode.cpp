#include "platform/kernel/Filemode.h"

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool RestrictToOwner(HANDLE file) {
  const int fd = DescriptorOf(file);
  return fd >= 0 && fchmod(fd, S_IRUSR | S_IWUSR) == 0;
}

int FilePermissions(const std::string& path) {
  struct stat st;
  if (stat(SystemPath(path).c_str(), &st) != 0) return -1;
  return static_cast<int>(st.st_mode & 07777);
}

bool OwnedByUser(const std::string& path) {
  struct stat st;
  return lstat(SystemPath(path).c_str(), &st) == 0 && st.st_uid == getuid();
}

}  // namespace platform
