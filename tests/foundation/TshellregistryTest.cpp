#include "foundation/Tshellregistry.h"
#include "platform/kernel/Registrystore.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Points the settings folder at a scratch folder for the test.
struct ScratchConfig {
  std::string folder = testsupport::ScratchFolder();
  ScratchConfig() { setenv("XDG_CONFIG_HOME", folder.c_str(), 1); }
  ~ScratchConfig() { unsetenv("XDG_CONFIG_HOME"); }
};

// Runs `body` in a child process and answers its exit code.
template <class F>
int InChild(F body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Tshellregistry, MissingValuesReadAsMinusOneAndEmpty) {
  ScratchConfig config;
  EXPECT_FALSE(TShellRegistry::ValueExists("LastPostSplitMinSize"));
  EXPECT_EQ(TShellRegistry::ReadInteger("LastPostSplitMinSize"), -1);
  EXPECT_EQ(TShellRegistry::ReadString("LastPrintedPath"), "");
  ASSERT_TRUE(TShellRegistry::WriteString("LastPrintedPath", "/home/u/Выборка"));
  ASSERT_TRUE(TShellRegistry::WriteInteger("LastSearchCaseSensitivity", 0));
  ASSERT_TRUE(TShellRegistry::WriteInteger("Negative", -5));
  EXPECT_TRUE(TShellRegistry::ValueExists("LastPrintedPath"));
  EXPECT_EQ(TShellRegistry::ReadString("LastPrintedPath"), "/home/u/Выборка");
  EXPECT_EQ(TShellRegistry::ReadInteger("LastSearchCaseSensitivity"), 0);
  EXPECT_EQ(TShellRegistry::ReadInteger("Negative"), -5);
  // A value of the other type reads as missing.
  EXPECT_EQ(TShellRegistry::ReadInteger("LastPrintedPath"), -1);
  EXPECT_EQ(TShellRegistry::ReadString("Negative"), "");
  // The values live in the settings folder's store file.
  EXPECT_NE(testsupport::ReadFile(config.folder + "/quillaran/registry").find("[HKEY_CURRENT_USER\\Software\\Quillaran]"),
            std::string::npos);
}

TEST(Tshellregistry, ValuesPassBetweenProcesses) {
  ScratchConfig config;
  ASSERT_EQ(InChild([] { return TShellRegistry::WriteInteger("LastBrowserWindowWidth", 1024) ? 0 : 1; }), 0);
  EXPECT_EQ(TShellRegistry::ReadInteger("LastBrowserWindowWidth"), 1024);
  ASSERT_TRUE(TShellRegistry::WriteString("LastSearchedText", "формула"));
  EXPECT_EQ(InChild([] { return TShellRegistry::ReadString("LastSearchedText") == "формула" ? 0 : 1; }), 0);
  // Both write at once; neither loses the other's values.
  int child = InChild([] {
    pid_t pid = fork();
    for (int i = 0; i < 30; ++i)
      TShellRegistry::WriteInteger((pid == 0 ? "Grandchild" : "Child") + std::to_string(i), i);
    if (pid == 0) _exit(0);
    int status;
    waitpid(pid, &status, 0);
    return 0;
  });
  ASSERT_EQ(child, 0);
  for (int i = 0; i < 30; ++i) {
    EXPECT_EQ(TShellRegistry::ReadInteger("Child" + std::to_string(i)), i);
    EXPECT_EQ(TShellRegistry::ReadInteger("Grandchild" + std::to_string(i)), i);
  }
}

}  // namespace
