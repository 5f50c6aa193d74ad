#include "platform/gui/Windowdirectory.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "platform/gui/Guilock.h"
#include "platform/gui/Messagequeue.h"
#include "platform/gui/Window.h"

namespace platform {

namespace {

constexpr std::uintptr_t kRemoteMark = std::uintptr_t{1} << 62;

// One posted message between processes, in a fixed layout.
struct Datagram {
  std::uint64_t window;
  std::uint32_t message;
  std::uint32_t reserved;
  std::uint64_t w;
  std::int64_t l;
};

struct DirectoryState {
  bool chosen = false;
  std::string folder;
  int socket = -1;
  long socketOwner = 0;  // the process that opened it (a forked child opens its own)
  std::string socketPath;
  std::set<UINT> accepted;  // the messages others may post here
};

DirectoryState& State() {
  // Never freed: a screen torn down at exit restores the folder after other statics are gone.
  static DirectoryState& state = *new DirectoryState;
  return state;
}

std::string DefaultFolder() {
  if (const char* d = std::getenv("QUILLARAN_RUNTIME_DIR"); d && *d) return d;
  if (const char* x = std::getenv("XDG_RUNTIME_DIR"); x && *x) return std::string(x) + "/quillaran";
  const char* temp = std::getenv("TMPDIR");
  return std::string(temp && *temp ? temp : "/tmp") + "/quillaran-" + std::to_string(::getuid());
}

bool Alive(long pid) { return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

// The process an entry or socket of the folder belongs to ("<pid>.socket",
// "<pid>.<handle>.window" and its ".new"), 0 for a name of no process.
long OwnerOfName(const std::string& name) {
  char* end = nullptr;
  const long pid = std::strtol(name.c_str(), &end, 10);
  return end != name.c_str() && *end == '.' && pid > 0 ? pid : 0;
}

// Removes what the processes `gone` chooses left in the folder.
template <class Gone>
void RemoveLeftBehind(const std::string& folder, Gone gone) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  std::vector<std::string> names;
  while (dirent* e = ::readdir(dir))
    if (const long pid = OwnerOfName(e->d_name); pid && gone(pid)) names.push_back(e->d_name);
  ::closedir(dir);
  for (const std::string& name : names) ::unlink((folder + "/" + name).c_str());
}

std::string EntryName(long pid, std::uintptr_t handle) {
  char name[64];
  std::snprintf(name, sizeof name, "%ld.%lx.window", pid, static_cast<unsigned long>(handle));
  return name;
}

std::string SocketPath(const std::string& folder, long pid) { return folder + "/" + std::to_string(pid) + ".socket"; }

// The address of a process's socket. A folder too deep for an address (a runtime folder
// inside a deep build or home folder) is reached through a descriptor of it, held until
// the address has been used.
class SocketAddress {
 public:
  SocketAddress(const std::string& folder, long pid) {
    addr_.sun_family = AF_UNIX;
    std::string path = SocketPath(folder, pid);
    if (path.size() >= sizeof addr_.sun_path) {
      folder_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
      if (folder_ < 0) return;
      path = "/proc/self/fd/" + std::to_string(folder_) + "/" + std::to_string(pid) + ".socket";
    }
    std::memcpy(addr_.sun_path, path.c_str(), path.size() + 1);
    usable_ = true;
  }
  ~SocketAddress() {
    if (folder_ >= 0) ::close(folder_);
  }
  SocketAddress(const SocketAddress&) = delete;
  SocketAddress& operator=(const SocketAddress&) = delete;

  bool Usable() const { return usable_; }
  const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&addr_); }
  socklen_t Size() const { return sizeof addr_; }

 private:
  sockaddr_un addr_{};
  int folder_ = -1;
  bool usable_ = false;
};

// Opens this process's socket the first time a window is published.
void OpenSocket(DirectoryState& s) {
  if (s.socket >= 0 && s.socketOwner != ::getpid()) {
    ::close(s.socket);
    s.socket = -1;
  }
  if (s.socket >= 0 || s.folder.empty()) return;
  // What processes that are gone left behind goes before this one settles in.
  RemoveLeftBehind(s.folder, [](long pid) { return pid != ::getpid() && !Alive(pid); });
  int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  const std::string path = SocketPath(s.folder, ::getpid());
  const SocketAddress address(s.folder, ::getpid());
  ::unlink(path.c_str());
  if (!address.Usable() || ::bind(fd, address.Get(), address.Size()) != 0) {
    ::close(fd);
    return;
  }
  s.socket = fd;
  s.socketOwner = ::getpid();
  s.socketPath = path;
  // This process's socket and window entries go with it, at whatever end.
  static const bool leaves = std::atexit(LeaveWindowDirectory) == 0;
  (void)leaves;
}

std::optional<RemoteWindow> ReadEntry(const std::string& folder, const std::string& name) {
  long pid = 0;
  unsigned long handle = 0;
  if (std::sscanf(name.c_str(), "%ld.%lx.window", &pid, &handle) != 2) return std::nullopt;
  if (pid == ::getpid()) return std::nullopt;
  std::string path = folder + "/" + name;
  if (!Alive(pid)) {
    ::unlink(path.c_str());  // left behind by a process that ended
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  RemoteWindow r;
  std::string thread;
  if (!std::getline(in, thread) || !std::getline(in, r.className) || !std::getline(in, r.title)) return std::nullopt;
  r.process = pid;
  r.thread = std::atol(thread.c_str());
  r.handle = RemoteHandle(pid, handle);
  return r;
}

}  // namespace

std::string WindowDirectory() {
  GuiLock lock(GuiMutex());
  DirectoryState& s = State();
  if (!s.chosen) {
    s.chosen = true;
    s.folder = DefaultFolder();
  }
  return s.folder;
}

void SetWindowDirectory(const std::string& folder) {
  GuiLock lock(GuiMutex());
  DirectoryState& s = State();
  if (s.socket >= 0) {
    ::close(s.socket);
    if (s.socketOwner == ::getpid()) ::unlink(s.socketPath.c_str());
    s.socket = -1;
  }
  s.chosen = true;
  s.folder = folder;
}

void LeaveWindowDirectory() {
  GuiLock lock(GuiMutex());
  DirectoryState& s = State();
  if (s.socket < 0 || s.socketOwner != ::getpid()) return;
  ::close(s.socket);
  s.socket = -1;
  RemoveLeftBehind(s.folder, [](long pid) { return pid == ::getpid(); });
}

HWND RemoteHandle(long pid, std::uintptr_t handle) {
  return reinterpret_cast<HWND>(kRemoteMark | (static_cast<std::uintptr_t>(pid) << 32) | (handle & 0xFFFFFFFFu));
}

bool IsRemoteHandle(HWND window) { return reinterpret_cast<std::uintptr_t>(window) & kRemoteMark; }

std::optional<RemoteWindow> FindRemote(HWND window) {
  if (!IsRemoteHandle(window)) return std::nullopt;
  std::string folder = WindowDirectory();
  if (folder.empty()) return std::nullopt;
  auto value = reinterpret_cast<std::uintptr_t>(window);
  long pid = static_cast<long>((value >> 32) & 0x3FFFFFFF);
  return ReadEntry(folder, EntryName(pid, value & 0xFFFFFFFFu));
}

std::vector<RemoteWindow> RemoteWindows() {
  std::vector<RemoteWindow> out;
  std::string folder = WindowDirectory();
  if (folder.empty()) return out;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return out;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name.size() > 7 && name.compare(name.size() - 7, 7, ".window") == 0)
      if (auto r = ReadEntry(folder, name)) out.push_back(*r);
  }
  ::closedir(dir);
  return out;
}

void PublishWindow(HWND window) {
  Window* w = FindWindowObject(window);
  std::string folder = WindowDirectory();
  if (!w || folder.empty() || !w->IsTopLevel()) return;
  if (w->text.empty()) { WithdrawWindow(window); return; }
  ::mkdir(folder.c_str(), 0700);
  {
    GuiLock lock(GuiMutex());
    OpenSocket(State());
  }
  std::string path = folder + "/" + EntryName(::getpid(), reinterpret_cast<std::uintptr_t>(window));
  // Written aside and renamed, so that readers never see half an entry.
  std::string temp = path + ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << w->thread << '\n' << w->cls->name << '\n' << w->text << '\n';
    if (!out) return;
  }
  std::rename(temp.c_str(), path.c_str());
}

void WithdrawWindow(HWND window) {
  std::string folder = WindowDirectory();
  if (folder.empty()) return;
  std::string path = folder + "/" + EntryName(::getpid(), reinterpret_cast<std::uintptr_t>(window));
  ::unlink(path.c_str());
}

bool PostToRemote(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto remote = FindRemote(window);
  if (!remote) return false;
  int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const SocketAddress address(WindowDirectory(), remote->process);
  bool ok = false;
  if (address.Usable()) {
    auto value = reinterpret_cast<std::uintptr_t>(window);
    Datagram d{value & 0xFFFFFFFFu, message, 0, static_cast<std::uint64_t>(w), static_cast<std::int64_t>(l)};
    ok = ::sendto(fd, &d, sizeof d, 0, address.Get(), address.Size()) == static_cast<ssize_t>(sizeof d);
  }
  ::close(fd);
  return ok;
}

void AcceptRemoteMessage(UINT message) {
  GuiLock lock(GuiMutex());
  State().accepted.insert(message);
}

void ReceiveRemoteMessages() {
  int fd;
  std::set<UINT> accepted;
  {
    GuiLock lock(GuiMutex());
    fd = State().socketOwner == ::getpid() ? State().socket : -1;
    accepted = State().accepted;
  }
  if (fd < 0) return;
  Datagram d;
  while (::recv(fd, &d, sizeof d, MSG_DONTWAIT) == static_cast<ssize_t>(sizeof d)) {
    if (!accepted.count(d.message)) continue;
    HWND target = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(d.window));
    // Only published windows of this process take messages from others.
    Window* w = FindWindowObject(target);
    if (w && w->IsTopLevel() && !w->text.empty())
      PostMessage(target, d.message, static_cast<WPARAM>(d.w), static_cast<LPARAM>(d.l));
  }
}

}  // namespace platform
