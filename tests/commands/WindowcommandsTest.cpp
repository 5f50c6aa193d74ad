// The commands that switch a window between its folder views and modes and close it.

#include "Commandstest.h"

#include "commands/Commandcodes.h"
#include "model/Tdiscussionsmanager.h"

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

}  // namespace
}  // namespace commandstest
