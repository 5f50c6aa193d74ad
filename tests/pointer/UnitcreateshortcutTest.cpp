// Links to a program in the user's shell folders: created once, tested, removed.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/rtl/Tregistry.h"
#include "pointer/Unitcreateshortcut.h"
#include "tests/support/Testsupport.h"

namespace {

namespace fs = std::filesystem;

class Shortcut : public ::testing::Test {
 protected:
  void SetUp() override {
    home = testsupport::ScratchFolder();
    const char* old = std::getenv("HOME");
    savedHome = old ? old : "";
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/cfg").c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
    fs::create_directories(home + "/cfg");
    testsupport::WriteFile(home + "/cfg/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Desk\"\n");
    fs::create_directories(home + "/Desk");
  }
  void TearDown() override {
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", savedHome.c_str(), 1);
  }
  static std::string Entry(const std::string& Name, const std::string& Exec, const std::string& Folder) {
    return "[Desktop Entry]\nType=Application\nName=" + Name + "\nExec=\"" + Exec + "\"\n" +
           (Folder.empty() ? "" : "Path=" + Folder + "\n");
  }
  std::string home, savedHome;
};

TEST_F(Shortcut, CreatedOnceTestedAndRemovedInTheStartupFolder) {
  const std::string link = home + "/cfg/autostart/Quillaran.desktop";
  EXPECT_FALSE(Pascal_CreateShortcut("/opt/q/quillaran", "Quillaran", kShortcutStartup, nullptr, 0));
  EXPECT_FALSE(fs::exists(link)) << "a mere test writes nothing";
  EXPECT_FALSE(Pascal_CreateShortcut("/opt/q/quillaran", "Quillaran", kShortcutStartup, nullptr, kLinkCreate));
  EXPECT_EQ(testsupport::ReadFile(link), Entry("Quillaran", "/opt/q/quillaran", "/opt/q/"));
  // An existing link is kept as it is, whatever the new target.
  EXPECT_TRUE(Pascal_CreateShortcut("/usr/bin/other", "Quillaran", kShortcutStartup, "", kLinkCreate));
  EXPECT_EQ(testsupport::ReadFile(link), Entry("Quillaran", "/opt/q/quillaran", "/opt/q/"));
  EXPECT_TRUE(Pascal_CreateShortcut("/opt/q/quillaran", "Quillaran", kShortcutStartup, nullptr, 7));
  EXPECT_TRUE(Pascal_CreateShortcut("", "Quillaran", kShortcutStartup, nullptr, kLinkDelete));
  EXPECT_FALSE(fs::exists(link));
  EXPECT_FALSE(Pascal_CreateShortcut("", "Quillaran", kShortcutStartup, nullptr, kLinkDelete));
}

TEST_F(Shortcut, FoldersSubFoldersAndWorkingDirectories) {
  // A sub-folder is made for every action, and stays after a deletion.
  EXPECT_FALSE(Pascal_CreateShortcut("/opt/q/quillaran", "Q", kShortcutDesktop, "Mail", 0));
  EXPECT_TRUE(fs::is_directory(home + "/Desk/Mail"));
  EXPECT_FALSE(Pascal_CreateShortcut("quillaran", "Q", kShortcutDesktop, "Mail", kLinkCreate));
  EXPECT_EQ(testsupport::ReadFile(home + "/Desk/Mail/Q.desktop"), Entry("Q", "quillaran", ""))
      << "a target without a folder has no working directory";
  EXPECT_TRUE(Pascal_CreateShortcut("", "Q", kShortcutDesktop, "Mail", kLinkDelete));
  EXPECT_FALSE(fs::exists(home + "/Desk/Mail/Q.desktop"));
  EXPECT_TRUE(fs::is_directory(home + "/Desk/Mail"));

  // The programs menu and the start menu are the folder of desktop entries.
  EXPECT_FALSE(Pascal_CreateShortcut("/a/b/c", "P", kShortcutPrograms, nullptr, kLinkCreate));
  EXPECT_TRUE(Pascal_CreateShortcut("/a/b/c", "P", kShortcutStartMenu, nullptr, 0));
  EXPECT_EQ(testsupport::ReadFile(home + "/data/applications/P.desktop"), Entry("P", "/a/b/c", "/a/b/"));

  // A folder named like the link is no link: the save is tried, and fails.
  fs::create_directories(home + "/data/applications/D.desktop");
  EXPECT_FALSE(Pascal_CreateShortcut("/a/b/c", "D", kShortcutPrograms, nullptr, kLinkCreate));
  EXPECT_TRUE(fs::is_directory(home + "/data/applications/D.desktop"));

  // No folder kind, or a folder value that is no text: nothing is done.
  EXPECT_FALSE(Pascal_CreateShortcut("/a/b/c", "P", 5, nullptr, kLinkCreate));
  EXPECT_FALSE(Pascal_CreateShortcut("/a/b/c", "P", 0, nullptr, kLinkDelete));
  TRegistry direct;
  ASSERT_TRUE(direct.OpenKey("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", true));
  direct.WriteInteger("Programs", 1);
  EXPECT_FALSE(Pascal_CreateShortcut("/a/b/c", "P", kShortcutPrograms, nullptr, kLinkDelete));
  direct.DeleteValue("Programs");
  EXPECT_TRUE(fs::exists(home + "/data/applications/P.desktop"));
}

}  // namespace
