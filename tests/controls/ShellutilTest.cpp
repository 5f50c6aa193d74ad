// Shell functions: starting programs and waiting for them, icons from files, the about box.

#include <filesystem>

#include "Screenfixture.h"
#include "controls/Exconst.h"
#include "controls/Shellutil.h"
#include "tests/support/Testsupport.h"

namespace {

class ShellUtil : public controlstest::Screen {};

TEST_F(ShellUtil, ProgramsStartInTheirFolderWithTheirParameters) {
  std::string folder = testsupport::ScratchFolder();
  EXPECT_EQ(FileExecuteWait("touch", "\"a b\" c", folder, esNormal), 0);
  EXPECT_TRUE(std::filesystem::exists(folder + "/a b")) << "quotes keep a parameter whole";
  EXPECT_TRUE(std::filesystem::exists(folder + "/c"));
  EXPECT_EQ(FileExecuteWait("sh", "-c \"exit 7\"", "", esHidden), 7);
  // Parameters never reach a command shell of their own.
  EXPECT_EQ(FileExecuteWait("touch", "$HOME;x|y", folder, esNormal), 0);
  EXPECT_TRUE(std::filesystem::exists(folder + "/$HOME;x|y"));
  EXPECT_FALSE(std::filesystem::exists(folder + "/x"));
  // Refusals: no such program, no such start folder.
  EXPECT_EQ(FileExecuteWait(folder + "/missing", "", "", esNormal), -1);
  EXPECT_EQ(FileExecuteWait("no-such-program-here", "", "", esNormal), -1);
  EXPECT_EQ(reinterpret_cast<intptr_t>(FileExecute("no-such-program-here", "", "", esNormal)), 2);
  EXPECT_EQ(reinterpret_cast<intptr_t>(FileExecute("touch", "z", folder + "/nowhere", esNormal)), 3);
  EXPECT_GT(reinterpret_cast<intptr_t>(FileExecute("touch", "started", folder, esMinimized)), 32);
  EXPECT_TRUE(testsupport::Eventually([&] { return std::filesystem::exists(folder + "/started"); }));
  EXPECT_EQ(ShowCommandOf(esMaximized), SW_SHOWMAXIMIZED);
  EXPECT_EQ(ShowCommandOf(esHidden), SW_HIDE);
}

TEST_F(ShellUtil, IconsFromFiles) {
  std::string folder = testsupport::ScratchFolder();
  testsupport::WriteFile(folder + "/blue.ico", controlstest::IconFile(0x0000FF));
  std::unique_ptr<TIcon> icon(IconExtract(folder + "/blue.ico", 0));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->Width(), 16);
  EXPECT_EQ(IconExtract(folder + "/blue.ico", 1), nullptr) << "no second picture";
  EXPECT_EQ(IconExtract("/bin/sh", 0), nullptr) << "an executable without icons";
  testsupport::WriteFile(folder + "/text.txt", "just text");
  try {
    IconExtract(folder + "/text.txt", 0);
    ADD_FAILURE() << "a text file has no icon";
  } catch (EResNotFound& e) {
    EXPECT_EQ(e.Message(), SFileNotExec);
  }
}

TEST_F(ShellUtil, AboutBoxNamesTheProgram) {
  platform::DialogScript script;
  std::string text;
  script.Answer("About Quillaran", [&](TCustomForm& f) {
    for (int i = 0; i < f.ComponentCount(); ++i)
      if (auto* c = dynamic_cast<TControl*>(f.Components(i))) text += c->Caption() + "|";
    f.SetModalResult(mrOk);
  });
  WinAbout("Quillaran#Quillaran browser", "Moderated discussions");
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_NE(text.find("Quillaran browser"), std::string::npos) << text;
  EXPECT_NE(text.find("Moderated discussions"), std::string::npos) << text;
}

}  // namespace
