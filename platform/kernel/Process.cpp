#include "platform/kernel/Process.h"

#include "platform/kernel/Codepage.h"
#include "platform/kernel/Fileapi.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace platform {

long StartProgram(const std::string& program, const std::vector<std::string>& arguments, bool reapInBackground) {
  return StartProgramIn(program, arguments, std::string(), reapInBackground);
}

long StartProgramIn(const std::string& program, const std::vector<std::string>& arguments, const std::string& folder,
                    bool reapInBackground) {
  if (program.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return -1;
  }
  std::vector<std::string> texts;
  texts.reserve(arguments.size() + 1);
  texts.push_back(SystemPath(program));
  for (const std::string& argument : arguments) texts.push_back(AnsiToUtf8(argument));
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  std::string where = folder.empty() ? std::string() : SystemPath(folder);
  if (!where.empty()) posix_spawn_file_actions_addchdir_np(&actions, where.c_str());
  // A name without '/' is searched along PATH, as a shell would, but without one.
  const bool search = texts[0].find('/') == std::string::npos;
  int rc = search ? posix_spawnp(&pid, texts[0].c_str(), &actions, nullptr, argv.data(), environ)
                  : posix_spawn(&pid, texts[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    SetLastError(ErrorFromErrno(rc));
    return -1;
  }
  if (reapInBackground) {
    std::thread([pid] {
      int status = 0;
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  }
  return pid;
}

int WaitProgram(long process) {
  int status = 0;
  pid_t rc;
  do {
    rc = waitpid(static_cast<pid_t>(process), &status, 0);
  } while (rc < 0 && errno == EINTR);
  if (rc < 0 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

bool ProgramEnded(long process, int& exitCode) {
  int status = 0;
  pid_t rc;
  do {
    rc = waitpid(static_cast<pid_t>(process), &status, WNOHANG);
  } while (rc < 0 && errno == EINTR);
  if (rc == 0) return false;
  exitCode = rc > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return true;
}

bool MayRun(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         ::access(SystemPath(path).c_str(), X_OK) == 0;
}

bool FoundOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (!path || name.empty() || name.find('/') != std::string::npos) return false;
  const std::string all = path, file = SystemPath(name);
  for (size_t start = 0;;) {
    const size_t end = all.find(':', start);
    const std::string dir = all.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (::access(((dir.empty() ? "." : dir) + "/" + file).c_str(), X_OK) == 0) return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return ProgramPath(std::string(buffer, static_cast<size_t>(n)));
}

std::string ProgramFolder() {
  const std::string exe = ExecutablePath();
  const size_t cut = exe.rfind('/');
  return cut == std::string::npos ? std::string(".") : exe.substr(0, cut);
}

}  // namespace platform
