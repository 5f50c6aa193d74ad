#include "app/Tinstancewindow.h"
#include "Apptesthelpers.h"
#include "platform/gui/Gui.h"
#include "platform/gui/Windowdirectory.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs the program in a process of its own with a data root of its own; its exit code,
// and its terminal output in `output`.
int RunProgram(const TAppScratch& s, const std::string& home, const std::string& options, std::string& output) {
  int status = -1;
  output = testsupport::Run("QUILLARAN_HOME='" + home + "' XDG_CONFIG_HOME='" + s.Config + "' QUILLARAN_RUNTIME_DIR='" +
                                s.Runtime + "' '" + QUILLARAN_BINARY_DIR + "/app/quillaran' " + options + " 2>&1",
                            &status);
  return status;
}

TEST(Singleinstance, ASecondProgramBesideTheFirstRefusesAndTouchesNothing) {
  TAppScratch s;
  platform::SetWindowDirectory(s.Runtime);
  const std::string home = s.Folder + "/second";
  testsupport::Run("mkdir -p '" + home + "'");
  std::string output;
  {
    TInstanceWindow first;
    ASSERT_NE(first.Handle(), nullptr);
    EXPECT_EQ(RunProgram(s, home, "", output), 3);
    EXPECT_NE(output.find("STARTING QUILLARAN: Quillaran is already running."), std::string::npos) << output;
    EXPECT_EQ(testsupport::Run("ls -A '" + home + "'"), "");  // no file touched

    // Beside the suite's manager, too.
    SetWindowText(first.Handle(), ManagerIdentifier);
    EXPECT_EQ(RunProgram(s, home, "", output), 3);
    EXPECT_NE(output.find("The Quillaran manager is already running."), std::string::npos) << output;
    SetWindowText(first.Handle(), LoginsEditorIdentifier);
    EXPECT_EQ(RunProgram(s, home, "", output), 3);
    EXPECT_NE(output.find("The Quillaran logins editor is already running."), std::string::npos) << output;

    // "/DET" skips the test: the program starts (and stops at the login nobody answers).
    EXPECT_EQ(RunProgram(s, home, "/DET", output), 2);
    EXPECT_NE(output.find("CREATING LOGIN"), std::string::npos) << output;
    EXPECT_NE(testsupport::ReadFile(home + "/errors.log").find("PROGRAM STARTED"), std::string::npos);
  }
  // With the first one gone the program starts.
  EXPECT_EQ(RunProgram(s, home, "", output), 2);
  EXPECT_EQ(output.find("already running"), std::string::npos) << output;
  platform::SetWindowDirectory(std::string());
}

TEST(Singleinstance, TheRunningProgramIsFoundFromAnotherProcess) {
  TAppScratch s;
  platform::SetWindowDirectory(s.Runtime);
  EXPECT_EQ(FindRunningSuiteProgram(), "");
  // The other process owns the identifier window: it says so on its descriptor 3 and
  // holds the window until the test closes its input.
  // Closed on exec, so that the holder keeps only its own ends (its input ends when ours does).
  int input[2], said[2];
  ASSERT_EQ(pipe2(input, O_CLOEXEC), 0);
  ASSERT_EQ(pipe2(said, O_CLOEXEC), 0);
  const std::string binary = std::string(QUILLARAN_BINARY_DIR) + "/tests/app/app_tests";
  const pid_t holder = fork();
  if (holder == 0) {
    dup2(input[0], 0);
    dup2(said[1], 3);
    fcntl(0, F_SETFD, 0);
    fcntl(3, F_SETFD, 0);
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, 1);
    dup2(quiet, 2);
    execl(binary.c_str(), binary.c_str(), "--gtest_filter=Singleinstance.DISABLED_HoldTheIdentifierWindow",
          "--gtest_also_run_disabled_tests", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(input[0]);
  close(said[1]);
  char held = 0;
  ASSERT_EQ(read(said[0], &held, 1), 1) << "the other process did not take the window";
  EXPECT_EQ(FindRunningSuiteProgram(), "Quillaran");
  close(input[1]);
  close(said[0]);
  int status = -1;
  waitpid(holder, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  // Gone with its process.
  EXPECT_EQ(FindRunningSuiteProgram(), "");
  platform::SetWindowDirectory(std::string());
}

// Run by the test above in a process of its own.
TEST(Singleinstance, DISABLED_HoldTheIdentifierWindow) {
  platform::SetWindowDirectory(getenv("QUILLARAN_RUNTIME_DIR"));
  TInstanceWindow window;
  ASSERT_NE(window.Handle(), nullptr);
  ASSERT_EQ(write(3, "h", 1), 1);
  char c;
  while (read(0, &c, 1) > 0) {
  }
}

}  // namespace
