#include "foundation/Commandline.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "Scratchroot.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> gBoxes;
int RecordBox(const std::string& caption, const std::string& message, const std::string&, const std::string& buttons,
              int) {
  gBoxes.push_back(caption + "|" + message + "|" + buttons);
  return 0;
}

TEST(Commandline, OptionsAreRecognisedOnlyAsSpelled) {
  const char* argv[] = {"quillaran", "/DET", "/DebugRun", "/ReRun"};
  TCommandLine line = ParseCommandLine(4, argv);
  EXPECT_TRUE(line.DisableExistanceTest);
  EXPECT_TRUE(line.DebugRun);
  EXPECT_TRUE(line.ReRun);
  EXPECT_TRUE(line.Unknown.empty());
  const char* other[] = {"quillaran", "/DisableExistanceTest", "/debugrun", "/ReRun ", "file", reinterpret_cast<const char*>(u8"/Опция")};
  line = ParseCommandLine(6, other);
  EXPECT_TRUE(line.DisableExistanceTest);
  EXPECT_FALSE(line.DebugRun);
  EXPECT_FALSE(line.ReRun);
  EXPECT_EQ(line.Unknown, (std::vector<std::string>{"/debugrun", "/ReRun ", "file", "/Опция"}));
  EXPECT_FALSE(ParseCommandLine(1, argv).DebugRun);
}

TEST(Commandline, UnknownOptionsAreToldAndStartUpGoesOn) {
  TScratchRoot root;
  TGuiHooks hooks;
  hooks.ShowMessageBox = RecordBox;
  SetGuiHooks(hooks);
  const char* argv[] = {"quillaran", "/X", "/ReRun", "/DebugRun", "\xd0\x96"};  // the last is UTF-8 "Ж"
  ApplyCommandLine(5, argv);
  SetGuiHooks(TGuiHooks());
  EXPECT_EQ(gBoxes, (std::vector<std::string>{
                        "Command line error|Command-line option (/X) unknown\nPress OK to continue|OK",
                        "Command line error|Command-line option (Ж) unknown\nPress OK to continue|OK"}));
  EXPECT_TRUE(TError::Instance().StartedWithReRun());
  EXPECT_TRUE(TBrowseGlobal::DebugRun);
  EXPECT_FALSE(TBrowseGlobal::DisableExistanceTest);
  EXPECT_FALSE(IsErrorReported());

  // A debug run puts the suite's folders two levels above the data root.
  TBrowseGlobal::SetSuitePaths();
  std::string up2 = root.Path().substr(0, root.Path().rfind('/'));
  up2 = up2.substr(0, up2.rfind('/'));
  EXPECT_EQ(TBrowseGlobal::Paths.Root, up2 + "/");
  TBrowseGlobal::DebugRun = 0;
  TBrowseGlobal::SetSuitePaths();
  const TSuitePaths& p = TBrowseGlobal::Paths;
  EXPECT_EQ(p.Root, root.Path() + "/");
  EXPECT_EQ(p.InboxPost, root.Path() + "/InboxPost/");
  EXPECT_EQ(p.OutboxPostHistory, root.Path() + "/OutboxPostHistory/");
  EXPECT_EQ(p.PostFilesFile, root.Path() + "/PostFiles.cbs");
  // Code is loaded only from the library folder, never from the data root itself.
  EXPECT_EQ(p.ModerationLibrary, root.Path() + "/Library/Leafguard.dll");
  EXPECT_EQ(p.InboxAttached, root.Path() + "/InboxPost/Attached/");
  EXPECT_EQ(p.DiscussionsRoot, root.Path() + "/Discussed/");
}

}  // namespace
