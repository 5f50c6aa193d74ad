// The real program's folder in the system's temporary folder: a program killed leaves it,
// the next start removes it, and a program ended by SIGTERM removes its own. Folders of
// running processes stay, whatever their age.

#include "Apptesthelpers.h"
#include "Programonterminal.h"
#include "platform/kernel/Tempfiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// The names in the folder, sorted.
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// The program's folder, named for its process id, once it has made it; "" until then.
std::string FolderOf(const std::string& temp, long pid) {
  for (const std::string& name : Entries(temp))
    if (name.starts_with("quillaran-mail-" + std::to_string(pid) + "-")) return name;
  return std::string();
}

// The system's temporary folder of the programs the test starts, for the test's life.
class TProgramTemp {
 public:
  explicit TProgramTemp(const std::string& folder) : Folder(folder) {
    std::filesystem::create_directories(Folder);
    const char* previous = std::getenv("TMPDIR");
    if (previous) fPrevious = previous;
    fHadOne = previous != nullptr;
    setenv("TMPDIR", Folder.c_str(), 1);
  }
  ~TProgramTemp() {
    if (fHadOne) setenv("TMPDIR", fPrevious.c_str(), 1);
    else unsetenv("TMPDIR");
  }
  const std::string Folder;

 private:
  std::string fPrevious;
  bool fHadOne = false;
};

TEST(ProgramTemporaryFolder, AKilledProgramsFolderGoesAtTheNextStartAndSigtermTakesTheProgramsOwn) {
  TAppScratch s;
  TProgramTemp temp(s.Folder + "/tmp");
  // A folder of this running test process, two days old, and one named for this process id
  // with another start time, as a process that had the id before would have left.
  const std::string running = platform::MakeProcessFolder(temp.Folder + "/quillaran-mail-");
  ASSERT_FALSE(running.empty());
  const timeval twoDaysAgo[2] = {{time(nullptr) - 2 * 86400, 0}, {time(nullptr) - 2 * 86400, 0}};
  ASSERT_EQ(utimes(running.c_str(), twoDaysAgo), 0);
  const std::string reused = temp.Folder + "/quillaran-mail-" + std::to_string(getpid()) + "-1-AbC123";
  ASSERT_EQ(mkdir(reused.c_str(), 0700), 0);
  testsupport::WriteFile(reused + "/MailXyZ789", "part of an attachment");

  std::string killed;
  {
    TProgramOnTerminal program(s);
    ASSERT_TRUE(program.WaitForOutput("CREATING LOGIN: Your name: ")) << program.Output();
    killed = FolderOf(temp.Folder, program.Pid());
    ASSERT_FALSE(killed.empty()) << "the program made no folder of its own";
    testsupport::WriteFile(temp.Folder + "/" + killed + "/MailAbc123", "an attachment being received");
    program.Signal(SIGKILL);
    EXPECT_EQ(program.Wait(), -1);
  }
  // The program's start removed the folder of the id's earlier process; its own stays.
  const std::string test = std::filesystem::path(running).filename();
  std::vector<std::string> left{killed, test};
  std::sort(left.begin(), left.end());
  EXPECT_EQ(Entries(temp.Folder), left);

  TProgramOnTerminal next(s);
  ASSERT_TRUE(next.WaitForOutput("CREATING LOGIN: Your name: ")) << next.Output();
  const std::string own = FolderOf(temp.Folder, next.Pid());
  ASSERT_FALSE(own.empty());
  std::vector<std::string> both{own, test};
  std::sort(both.begin(), both.end());
  EXPECT_EQ(Entries(temp.Folder), both) << "the killed program's folder stayed";
  next.Signal(SIGTERM);  // while the question waits for its answer
  EXPECT_EQ(next.Wait(), 2) << next.Output();
  EXPECT_EQ(Entries(temp.Folder), std::vector<std::string>{test});
  std::filesystem::remove_all(running);
}

}  // namespace
