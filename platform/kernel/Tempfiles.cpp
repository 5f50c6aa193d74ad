#include "platform/kernel/Tempfiles.h"

#include "platform/kernel/Fileapi.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// When the system started the process, in clock ticks after boot ("" when it runs no more).
std::string StartTime(long pid) {
  FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "re");
  if (!file) return std::string();
  char buffer[1024];
  const size_t length = std::fread(buffer, 1, sizeof buffer - 1, file);
  std::fclose(file);
  const std::string_view stat(buffer, length);
  // The name in brackets may hold anything: the fields follow its last ')'. The start time
  // is the 22nd field, the 20th after the name.
  size_t at = stat.rfind(')');
  for (int field = 2; field < 22 && at != std::string_view::npos; ++field) at = stat.find(' ', at + 1);
  if (at == std::string_view::npos) return std::string();
  const size_t end = stat.find(' ', at + 1);
  return std::string(stat.substr(at + 1, end == std::string_view::npos ? std::string_view::npos : end - at - 1));
}

// "<id>-<start time>-" of this process (a forked child's own).
std::string OwnIdentity() {
  static std::mutex lock;
  static std::string identity;
  static long of = 0;
  std::lock_guard<std::mutex> guard(lock);
  if (of != ::getpid()) {
    of = ::getpid();
    identity = std::to_string(of) + "-" + StartTime(of) + "-";
  }
  return identity;
}

// The process id and start time a folder's name gives after `prefix`; false when it gives none.
bool IdentityOf(const std::string& folder, const std::string& prefix, long& pid, std::string& start) {
  const size_t slash = folder.find_last_of('/');
  const std::string_view name = std::string_view(folder).substr(slash == std::string::npos ? 0 : slash + 1);
  const size_t ownPrefix = prefix.find_last_of('/');
  const std::string_view leaf = std::string_view(prefix).substr(ownPrefix == std::string::npos ? 0 : ownPrefix + 1);
  // A folder still being made has the hidden name that MakeProcessFolder gives it first.
  const std::string_view shown = name.starts_with('.') && !leaf.starts_with('.') ? name.substr(1) : name;
  if (!shown.starts_with(leaf)) return false;
  const std::string_view rest = shown.substr(leaf.size());
  // The start time is empty when the process could not read its own.
  const size_t dash = rest.find('-'), second = dash == std::string_view::npos ? dash : rest.find('-', dash + 1);
  if (dash == 0 || second == std::string_view::npos) return false;
  pid = 0;
  for (char c : rest.substr(0, dash)) {
    if (c < '0' || c > '9' || pid > 100000000) return false;
    pid = pid * 10 + (c - '0');
  }
  start = std::string(rest.substr(dash + 1, second - dash - 1));
  return pid > 0;
}

// Folders held while the process runs: the system lets go of them when it ends, however
// it ends. One descriptor a folder, closed once its folder is gone.
std::mutex HeldLock;
std::vector<int> Held;

// The test seams' failures: of the rename that refuses to replace, and of the hold.
std::atomic<int> RenameFailure{0}, LockFailure{0};
std::atomic<void (*)(const std::string&)> BeforeNaming{nullptr};

// Renames a folder to a name not taken: 0, or the error.
int GiveName(const std::string& from, const std::string& to) {
  const std::string source = SystemPath(from), target = SystemPath(to);
  const int refused = RenameFailure.load();
  if (refused == 0 && ::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return 0;
  const int error = refused ? refused : errno;
  // A file system that cannot refuse to replace (EINVAL), a system without the call
  // (ENOSYS), or one whose sandbox forbids it (EPERM): a plain rename, after a look at the
  // name. The names carry this process's identity, so that only this process makes them,
  // and its threads look and rename one at a time.
  if (error != EINVAL && error != ENOSYS && error != EPERM) return error;
  static std::mutex naming;
  std::lock_guard<std::mutex> guard(naming);
  struct stat st;
  if (::lstat(target.c_str(), &st) == 0) return EEXIST;
  return ::rename(source.c_str(), target.c_str()) == 0 ? 0 : errno;
}

// Takes the shared hold of a folder: 0, or the error.
int Hold(int fd) {
  if (const int refused = LockFailure.load()) return refused;
  while (::flock(fd, LOCK_SH) != 0)
    if (errno != EINTR) return errno;
  return 0;
}

void LetGoOfRemovedLocked() {
  std::erase_if(Held, [](int fd) {
    struct stat st;
    if (::fstat(fd, &st) == 0 && st.st_nlink > 0) return false;
    ::close(fd);
    return true;
  });
}

}  // namespace

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

std::string MakeProcessFolder(const std::string& prefix) {
  // Others judge a folder by its hold when they cannot tell its process: it is made under
  // a hidden name, held, and only then given its name, so that none sees it unheld.
  const size_t slash = prefix.find_last_of('/');
  const std::string at = slash == std::string::npos ? std::string() : prefix.substr(0, slash + 1);
  const std::string identity = OwnIdentity();
  const std::string hidden = at + "." + prefix.substr(at.size()) + identity;
  int error = EEXIST;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string making = MakeUniqueFolder(hidden);
    if (making.empty()) return making;
    const std::string folder = prefix + identity + making.substr(making.size() - 6);
    const int fd = ::open(SystemPath(making).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    error = fd < 0 ? errno : Hold(fd);
    if (!error) {
      if (auto* pause = BeforeNaming.load()) pause(making);
      error = GiveName(making, folder);
    }
    if (!error) {
      std::lock_guard<std::mutex> guard(HeldLock);
      LetGoOfRemovedLocked();
      Held.push_back(fd);
      return folder;
    }
    if (fd >= 0) ::close(fd);
    ::rmdir(SystemPath(making).c_str());
    // The name is taken (this process's own folder of the same letters), or a sweep that
    // could tell this process's folder by its hold alone removed it before the hold was
    // taken: other letters.
    if (error != EEXIST && error != ENOENT) break;
  }
  SetLastError(ErrorFromErrno(error));
  return std::string();
}

void FailProcessFolderCalls(int renameError, int lockError) {
  RenameFailure = renameError;
  LockFailure = lockError;
}

void PauseBeforeNaming(void (*pause)(const std::string& hidden)) { BeforeNaming = pause; }

void LetGoOfRemovedProcessFolders() {
  std::lock_guard<std::mutex> guard(HeldLock);
  LetGoOfRemovedLocked();
}

bool IsProcessFolder(const std::string& folder, const std::string& prefix) {
  long pid = 0;
  std::string start;
  return IdentityOf(folder, prefix, pid, start);
}

bool IsOwnProcessFolder(const std::string& folder, const std::string& prefix) {
  long pid = 0;
  std::string start;
  return IdentityOf(folder, prefix, pid, start) && std::to_string(pid) + "-" + start + "-" == OwnIdentity();
}

bool IsLeftProcessFolder(const std::string& folder, const std::string& prefix) {
  long pid = 0;
  std::string start;
  struct stat st;
  const std::string path = SystemPath(folder);
  if (!IdentityOf(folder, prefix, pid, start) || ::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
      st.st_uid != ::getuid())
    return false;
  // A process of that id started then is still running (one that could not read its start
  // time is told by its hold alone).
  if (!start.empty() && StartTime(pid) == start) return false;
  // Held by a process this system does not show under that id (another process namespace).
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return free;
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
