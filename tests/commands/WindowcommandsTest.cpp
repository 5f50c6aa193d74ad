// The commands that switch a window between its folder views and modes and close it.

#include "Commandstest.h"

#include "commands/Commandcodes.h"
#include "foundation/Fileroutines.h"
#include "foundation/Tbrowseglobal.h"
#include "model/Tdiscussionsmanager.h"
#include "pointer/Tformmain.h"
#include "pointer/Tformstartcursorwright.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Forms.h"
#include "postoffice/Tbrowsepostadaptor.h"
#include "postoffice/Tformpost.h"
#include "postoffice/Tpost.h"

namespace commandstest {
namespace {

using WindowCommands = CommandsTest;

TEST_F(WindowCommands, FolderViewsModesAndClosing) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  TBrowseState& state = browse.CurrentBrowseState;
  Run(browse, Command_Creating);
  EXPECT_EQ(state.CurrentItem.Ident.Folder, discussions->CreatedRoot);
  EXPECT_EQ(state.DiscussionIndex, -1);
  Run(browse, Command_Discussing);
  EXPECT_EQ(state.CurrentItem.Ident.Folder, discussions->DiscussedRoot);

  // Moderation mode switches, and the window always lands on the discussed root.
  Run(browse, Command_Creating);
  Run(browse, Command_BrowsingModerating);
  EXPECT_EQ(browse.ModerationMode, 1);
  EXPECT_EQ(state.CurrentItem.Ident.Folder, discussions->DiscussedRoot);
  Run(browse, Command_BrowsingModerating);
  EXPECT_EQ(browse.ModerationMode, 0);
  EXPECT_EQ(state.CurrentItem.Ident.Folder, discussions->DiscussedRoot);

  // "Close window" closes this window only.
  TBrowse* other = manager->NewFormBrowseOnBlock(ecology, a, form, 0, false);
  ASSERT_NE(other, nullptr);
  const auto token = form->AliveToken();
  Run(browse, Command_CloseWindow);
  EXPECT_FALSE(Alive(token));
  EXPECT_EQ(manager->Count(), 1);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(WindowCommands, ThePointerEngineSwitchesOnAndOffWithItsStoredByte) {
  SetHookLibraryOverride(std::string(QUILLARAN_BINARY_DIR) + "/app/Leafsnare.dll");
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  ASSERT_NE(browse.Settings, nullptr);
  EXPECT_EQ(browse.Settings->PointerEngineOn, 0);
  EXPECT_EQ(_FormStart_Cursorwright, nullptr);
  Run(browse, Command_PointerEngine);
  EXPECT_EQ(browse.Settings->PointerEngineOn, 1);
  EXPECT_NE(_FormStart_Cursorwright, nullptr);
  // A new window starts the engine by the byte: it stays on, one coordinator.
  TFormStart_Cursorwright* running = _FormStart_Cursorwright;
  ASSERT_NE(manager->NewFormBrowseOnBlock(ecology, a, form, 0, false), nullptr);
  EXPECT_EQ(_FormStart_Cursorwright, running);
  Run(browse, Command_PointerEngine);
  EXPECT_EQ(browse.Settings->PointerEngineOn, 0);
  EXPECT_EQ(_FormStart_Cursorwright, nullptr);
  EXPECT_TRUE(Reports().empty());
  SetHookLibraryOverride("");
}

TEST_F(WindowCommands, RunPostModuleOpensThePostOfficeOnOutboxPostAndClosesItSavingThePostState) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  const TSuitePaths paths = TBrowseGlobal::Paths;
  TBrowseGlobal::SetSuitePaths();
  TBrowsePostAdaptor adaptor;
  TPost post;
  post.Init(TStr(), &adaptor);
  post.SetCBSFileName(TBrowseGlobal::Paths.PostFilesFile);
  ASSERT_TRUE(post.Load());
  PostState() = &post;
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  uint8_t kind = 0;
  std::string header;
  script.Answer("post", [&](TCustomForm& shown) {
    auto& office = dynamic_cast<TFormPost&>(shown);
    kind = office.FolderKind();
    header = office.CellText(3, 0);
    platform::PressControl(shown, "ButtonClose");
  });
  Run(form->Browse, Command_RunPostModule);
  PostState() = nullptr;
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_EQ(kind, PostKind_OutboxPost);
  EXPECT_EQ(header, "compose date/time");
  EXPECT_TRUE(IsFileExists(TBrowseGlobal::Paths.PostFilesFile));
  EXPECT_TRUE(Reports().empty());
  TBrowseGlobal::Paths = paths;
}

}  // namespace
}  // namespace commandstest
