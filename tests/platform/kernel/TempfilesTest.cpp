// Folders of running processes in a shared temporary folder: processes that make their
// own and sweep away the ones left by processes gone, at the same time.

#include "platform/kernel/Tempfiles.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
