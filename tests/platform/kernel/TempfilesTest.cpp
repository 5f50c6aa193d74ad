// Folders of running processes in a shared temporary folder: processes that make their
// own and sweep away the ones left by processes gone, at the same time.

#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Tempfiles.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

namespace {

enum TRoundsEnd { kKept = 0, kLost = 1, kNotMade = 2, kNoneSwept = 3 };

// Removes the folders under `at` that IsLeftProcessFolder takes for left ones; how many.
int Sweep(const std::string& at, const std::string& prefix) {
  std::vector<std::string> left;
  if (DIR* dir = opendir(at.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string path = at + "/" + entry->d_name;
      if (platform::IsLeftProcessFolder(path, prefix)) left.push_back(path);
    }
    closedir(dir);
  }
  int swept = 0;
  for (const std::string& path : left) swept += rmdir(path.c_str()) == 0;
  return swept;
}

// One process's rounds: its own folder made, a folder of a process gone left beside it,
// everything left swept, and its own folder still there.
TRoundsEnd Rounds(const std::string& at, char who, int rounds) {
  // The sweep reads the makers' names one digit off: it sees no process by the id it reads,
  // as of a process in another namespace, and judges every folder by its hold alone.
  const std::string made = at + "/q-9", read = at + "/q-";
  int swept = 0;
  for (int round = 0; round < rounds; ++round) {
    const std::string own = platform::MakeProcessFolder(made);
    if (own.empty()) return kNotMade;
    const std::string gone = at + "/q-4194305--" + who + std::to_string(round);
    mkdir(gone.c_str(), 0700);
    swept += Sweep(at, read);
    struct stat st;
    if (stat(own.c_str(), &st) != 0) return kLost;
    rmdir(own.c_str());
    platform::LetGoOfRemovedProcessFolders();
  }
  return swept > 0 ? kKept : kNoneSwept;
}

// The names in a folder, "." and ".." left out, sorted.
std::vector<std::string> Names(const std::string& at) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(at.c_str())) {
    while (const dirent* entry = readdir(dir))
      if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..") names.push_back(entry->d_name);
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Whether another process could take the folder's hold: none holds it.
bool Unheld(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
  close(fd);
  return free;
}

// The pipe on which a child tells the hidden name of its folder before it stops for good.
int gTell = -1;
void TellAndStop(const std::string& hidden) {
  const std::string line = hidden + "\n";
  if (write(gTell, line.data(), line.size()) != static_cast<ssize_t>(line.size())) _exit(3);
  for (;;) pause();
}

TEST(ProcessFolders, AFolderWhoseMakerDiedBeforeNamingItIsSweptOnceItsMakerIsGone) {
  const std::string at = testsupport::ScratchFolder();
  int told[2];
  ASSERT_EQ(pipe(told), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(told[0]);
    gTell = told[1];
    platform::PauseBeforeNaming(TellAndStop);
    platform::MakeProcessFolder(at + "/q-");
    _exit(2);
  }
  close(told[1]);
  std::string hidden;
  char c;
  while (read(told[0], &c, 1) == 1 && c != '\n') hidden += c;
  close(told[0]);
  ASSERT_EQ(hidden.rfind(at + "/.q-" + std::to_string(child) + "-", 0), 0u) << hidden;
  // Its maker runs and holds it: no sweep takes it.
  EXPECT_EQ(Sweep(at, at + "/q-"), 0);
  EXPECT_FALSE(Unheld(hidden));
  ASSERT_EQ(kill(child, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status));
  // The next process's sweep.
  EXPECT_EQ(Sweep(at, at + "/q-"), 1);
  EXPECT_EQ(Names(at), std::vector<std::string>{});
}

// Made on a system where the rename that refuses to replace fails: the folder is still
// named only once it is held, never over a name that is taken.
std::string gTakenBeforeNaming;
void TakeTheName(const std::string& hidden) {
  if (!gTakenBeforeNaming.empty()) return;
  const size_t slash = hidden.rfind('/');
  gTakenBeforeNaming = hidden.substr(0, slash + 1) + hidden.substr(slash + 2);
  mkdir(gTakenBeforeNaming.c_str(), 0700);
}

TEST(ProcessFolders, WithoutARenameThatRefusesToReplaceAFolderIsNamedOnlyHeldAndReplacesNothing) {
  for (const int error : {ENOSYS, EPERM, EINVAL}) {
    const std::string at = testsupport::ScratchFolder();
    platform::FailProcessFolderCalls(error, 0);
    gTakenBeforeNaming.clear();
    platform::PauseBeforeNaming(TakeTheName);
    const std::string made = platform::MakeProcessFolder(at + "/q-");
    platform::PauseBeforeNaming(nullptr);
    platform::FailProcessFolderCalls(0, 0);
    ASSERT_FALSE(made.empty()) << error;
    // The name the first letters gave was taken: the folder there is the one made in its
    // way, and the process's folder has other letters.
    struct stat taken;
    ASSERT_EQ(stat(gTakenBeforeNaming.c_str(), &taken), 0) << error;
    EXPECT_NE(made, gTakenBeforeNaming);
    EXPECT_TRUE(Unheld(gTakenBeforeNaming));
    EXPECT_FALSE(Unheld(made)) << error;
    const std::string leaf = made.substr(made.rfind('/') + 1), other = gTakenBeforeNaming.substr(at.size() + 1);
    EXPECT_EQ(Names(at), (std::vector<std::string>{std::min(leaf, other), std::max(leaf, other)})) << error;
    rmdir(made.c_str());
    platform::LetGoOfRemovedProcessFolders();
  }
}

TEST(ProcessFolders, AFolderThatCannotBeHeldIsNotUsed) {
  const std::string at = testsupport::ScratchFolder();
  platform::FailProcessFolderCalls(0, ENOLCK);
  const std::string made = platform::MakeProcessFolder(at + "/q-");
  platform::FailProcessFolderCalls(0, 0);
  EXPECT_EQ(made, "");
  EXPECT_EQ(GetLastError(), platform::ErrorFromErrno(ENOLCK));
  EXPECT_EQ(Names(at), std::vector<std::string>{});
}

TEST(ProcessFolders, TwoProcessesMakingAndSweepingAtOnceRemoveNoFolderWhileItsMakerLives) {
  const std::string at = testsupport::ScratchFolder();
  std::vector<pid_t> children;
  for (char who : {'a', 'b'}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(Rounds(at, who, 1000));
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kKept)
        << "1: a folder was removed while its maker lived; 2: none made; 3: none swept";
  }
  // Nothing left but what the last sweeps did not reach: no hidden folder of a making.
  for (DIR* dir = opendir(at.c_str()); dir;) {
    const dirent* entry = readdir(dir);
    if (!entry) {
      closedir(dir);
      break;
    }
    const std::string name = entry->d_name;
    EXPECT_TRUE(name == "." || name == ".." || name.starts_with("q-4194305--")) << name;
  }
}

}  // namespace
