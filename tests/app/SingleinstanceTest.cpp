#include "app/Tinstancewindow.h"
#include "Apptesthelpers.h"
#include "platform/gui/Gui.h"
#include "platform/gui/Windowdirectory.h"

#include <gtest/gtest.h>

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
  // The other process owns the identifier window for the time of a sleep.
  int status = -1;
  const std::string script =
      "QUILLARAN_HOME='" + s.Home + "' XDG_CONFIG_HOME='" + s.Config + "' QUILLARAN_RUNTIME_DIR='" + s.Runtime + "' '" +
      QUILLARAN_BINARY_DIR + "/tests/app/app_tests' --gtest_filter=Singleinstance.DISABLED_HoldTheIdentifierWindow " +
      "--gtest_also_run_disabled_tests >/dev/null 2>&1 & sleep 0";
  testsupport::Run(script, &status);
  bool found = false;
  for (int i = 0; i < 300 && !found; ++i) {
    found = FindRunningSuiteProgram() == "Quillaran";
    if (!found) usleep(10000);
  }
  EXPECT_TRUE(found);
  platform::SetWindowDirectory(std::string());
}

// Run by the test above in a process of its own.
TEST(Singleinstance, DISABLED_HoldTheIdentifierWindow) {
  platform::SetWindowDirectory(getenv("QUILLARAN_RUNTIME_DIR"));
  TInstanceWindow window;
  usleep(1500000);
}

}  // namespace
