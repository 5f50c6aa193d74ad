// Shell links as desktop entry files, checked by the desktop-file-utils
// validator, and the special folders from the XDG places.

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/kernel/Fileapi.h"
#include "platform/shell/Shellfolders.h"
#include "platform/shell/Tshelllink.h"
#include "tests/support/Testsupport.h"

namespace {

TEST(ShellLink, SavedEntryIsValidAndLoadsBack) {
  const std::string dir = testsupport::ScratchFolder();
  TShellLink link;
  link.SetPath("/opt/My \"Quill\" $HOME\\bin/quillaran");
  link.SetArguments("--flag");
  link.SetWorkingDirectory("/opt/quill");
  link.SetDescription("Discussions\nby mail, 100%");
  link.SetIconLocation("/opt/quill/icon.png");
  // Cyrillic in the code page: the file holds UTF-8.
  link.SetName("\xCF\xF0\xEE\xE1\xE0");
  ASSERT_TRUE(link.Save(dir + "/quill.desktop"));
  std::string text = testsupport::ReadFile(dir + "/quill.desktop");
  EXPECT_NE(text.find("Name=\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB1\xD0\xB0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Exec=\"/opt/My \\\\\"Quill\\\\\" \\\\$HOME\\\\\\\\bin/quillaran\" --flag\n"), std::string::npos)
      << text;
  testsupport::RunPeer("desktop-file-validate '" + dir + "/quill.desktop'");

  TShellLink back;
  ASSERT_TRUE(back.Load(dir + "/quill.desktop"));
  EXPECT_EQ(back.Path(), link.Path());
  EXPECT_EQ(back.Arguments(), "--flag");
  EXPECT_EQ(back.WorkingDirectory(), "/opt/quill");
  EXPECT_EQ(back.Description(), link.Description());
  EXPECT_EQ(back.IconLocation(), "/opt/quill/icon.png");
  EXPECT_EQ(back.Name(), link.Name());

  // The name defaults to the file's; a file that is no application entry is refused.
  TShellLink plain;
  plain.SetPath("/usr/bin/true");
  ASSERT_TRUE(plain.Save(dir + "/True Thing.desktop"));
  ASSERT_TRUE(back.Load(dir + "/True Thing.desktop"));
  EXPECT_EQ(back.Name(), "True Thing");
  testsupport::WriteFile(dir + "/link.desktop", "[Desktop Entry]\nType=Link\nURL=http://x/\n");
  EXPECT_FALSE(back.Load(dir + "/link.desktop"));
  EXPECT_FALSE(back.Load(dir + "/missing.desktop"));
  EXPECT_EQ(back.Name(), "True Thing") << "a refused load changes nothing";
  EXPECT_FALSE(plain.Save(dir + "/no/such/folder/x.desktop"));
}

TEST(ShellFolders, AnswerFromTheXdgPlaces) {
  const std::string dir = testsupport::ScratchFolder();
  const char* oldData = std::getenv("XDG_DATA_HOME");
  const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
  std::string savedData = oldData ? oldData : "", savedConfig = oldConfig ? oldConfig : "";
  setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
  std::string path;
  EXPECT_TRUE(SHGetSpecialFolderPath(CSIDL_PROGRAMS, path, false));
  EXPECT_EQ(path, dir + "/data/applications");
  EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(SHGetSpecialFolderPath(CSIDL_STARTUP, path, true));
  EXPECT_EQ(path, dir + "/config/autostart");
  EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_FALSE(SHGetSpecialFolderPath(0x1234, path, false));
  if (oldData) setenv("XDG_DATA_HOME", savedData.c_str(), 1);
  else unsetenv("XDG_DATA_HOME");
  if (oldConfig) setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
  else unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
