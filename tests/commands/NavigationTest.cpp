// The navigation commands and the moves they make, on windows over a discussion made with
// the model: Back through at most 21 states, Up, Contents, Next and Previous, the
// reference jumps, new windows and the window lists, opening discussions and the user's
// remembered row.

#include "Commandstest.h"

#include "browse/Commandcodes.h"
#include "foundation/Tlogin.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Tclipboard.h"
#include "platform/gui/Cursor.h"
#include "platform/gui/Gui.h"
#include "tests/support/Testsupport.h"

namespace commandstest {
namespace {

using Navigation = CommandsTest;

TBrowseItem FolderItem(int16_t folder) {
  TBrowseItem item;
  item.Ident.Kind = BrowseItem_Folder;
  item.Ident.Folder = folder;
  return item;
}

TEST_F(Navigation, BackGoesThroughAtMost21StatesAndThenBeeps) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  ASSERT_EQ(browse.History.Count(), 1u);
  EXPECT_EQ(browse.History[0].CurrentItem.Kind(), BrowseItem_None) << "a new window's first state";

  // 25 moves: the history keeps the last 21 states, the oldest first.
  const std::vector<TDiscBlockIndex> cycle = {a, b, c, a1, a2, a1a, root};
  std::vector<TDiscBlockIndex> shown = {root};
  for (int i = 0; i < 25; ++i) {
    browse.GoToDiscBlock(cycle[size_t(i) % cycle.size()]);
    shown.push_back(cycle[size_t(i) % cycle.size()]);
  }
  Pump();
  ASSERT_EQ(int(browse.History.Count()), 21);
  for (int i = 0; i < 21; ++i)
    EXPECT_EQ(browse.History[uint32_t(i)].CurrentItem.GetDiscBlockIndex(), shown[size_t(25 - 21 + i)]) << i;

  // Back 21 times walks them back, newest first; the 22nd beeps and changes nothing.
  for (int i = 0; i < 21; ++i) {
    Run(browse, Command_Back);
    EXPECT_EQ(Shown(browse), shown[size_t(24 - i)]) << i;
    EXPECT_EQ(int(browse.History.Count()), 20 - i);
  }
  const int beeps = Beeps();
  Run(browse, Command_Back);
  EXPECT_EQ(Beeps(), beeps + 1);
  EXPECT_EQ(Shown(browse), shown[4]);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Navigation, BackRestoresTheRowsAndSelectionButDropsRecycledAndErasedBlocks) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  ASSERT_TRUE(browse.SelectRowByDiscBlock(c, false));
  const int selected = browse.CurrentBrowseState.SelectedRow;
  browse.GoToDiscBlock(a1);
  Pump();
  Run(browse, Command_Back);
  EXPECT_EQ(Shown(browse), root);
  EXPECT_EQ(SelectedBlock(browse), c);
  EXPECT_EQ(browse.CurrentBrowseState.SelectedRow, selected);
  EXPECT_EQ(browse.CurrentBrowseState.ListKind, 1) << "the list kind comes back with the state";

  // Blocks recycled or erased while the state was kept are not listed when it comes back.
  browse.GoToDiscBlock(a1);
  d->Storages.GetDiscBlock(b)->SetDeleteFlag(*d, b, DeleteFlag_Recycled, 0);
  d->Storages.GetDiscBlock(c)->SetDeleteFlag(*d, c, DeleteFlag_Erased, 0);
  Pump();
  Run(browse, Command_Back);
  EXPECT_EQ(Shown(browse), root);
  EXPECT_TRUE(browse.SelectRowByDiscBlock(a, false));
  EXPECT_FALSE(browse.SelectRowByDiscBlock(b, false));
  EXPECT_FALSE(browse.SelectRowByDiscBlock(c, false));
  EXPECT_EQ(SelectedBlock(browse), a) << "the selection moves up from a removed row";
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Navigation, UpGoesToTheParentAndSelectsWhereTheWindowCameFrom) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  browse.GoToDiscBlock(a1a);
  const size_t history = browse.History.Count();
  Run(browse, Command_Up);
  EXPECT_EQ(Shown(browse), a1);
  EXPECT_EQ(SelectedBlock(browse), a1a);
  EXPECT_EQ(browse.History.Count(), history + 1);
  EXPECT_TRUE(browse.LowerList.ScrollRequested());
  Run(browse, Command_Up);
  EXPECT_EQ(Shown(browse), a);
  EXPECT_EQ(SelectedBlock(browse), a1);

  // From the root of the discussion to its row in the folder that holds it.
  browse.GoToDiscBlock(root);
  Run(browse, Command_Up);
  TBrowseState& state = browse.CurrentBrowseState;
  ASSERT_EQ(state.CurrentItem.Kind(), BrowseItem_Folder);
  EXPECT_EQ(state.CurrentItem.Ident.Folder, discussions->DiscussedRoot);
  EXPECT_EQ(state.DiscussionIndex, -1);
  const TBrowseItem* row = state.Rows[uint32_t(state.SelectedRow)].GetBrowseItem(state.CurrentItem);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->Ident.Folder, d->FolderIndex);

  // From a folder to its parent folder; a move down the folder's row opens the
  // discussion again on its root.
  Run(browse, Command_Up);
  EXPECT_EQ(state.CurrentItem.Ident.Folder, discussions->RootFolder);
  Run(browse, Command_Back);
  const TBrowseItem discussionRow = *state.Rows[uint32_t(state.SelectedRow)].GetBrowseItem(state.CurrentItem);
  browse.OpenBrowseItem(discussionRow);
  EXPECT_EQ(state.DiscussionIndex, ecology);
  EXPECT_EQ(Shown(browse), root);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Navigation, ContentsSelectsTheTopLevelBlockAboveTheItem) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  browse.GoToDiscBlock(a1a);
  Run(browse, Command_Contents);
  EXPECT_EQ(Shown(browse), root);
  EXPECT_EQ(SelectedBlock(browse), a);
  // A row of a block right under the root selects that block's own row.
  ASSERT_TRUE(browse.SelectRowByDiscBlock(a, false));
  Run(browse, Command_Contents, {2});
  EXPECT_EQ(Shown(browse), root);
  EXPECT_EQ(SelectedBlock(browse), c);
  // On the root itself the command selects nothing: the list opens on the row the user
  // chose in it last.
  Run(browse, Command_Contents);
  EXPECT_EQ(SelectedBlock(browse), c);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Navigation, NextAndPreviousWalkTheSiblingsRoundAndBeepOffBlocks) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  browse.GoToDiscBlock(a);
  Run(browse, Command_Next);
  EXPECT_EQ(Shown(browse), b);
  Run(browse, Command_Next);
  EXPECT_EQ(Shown(browse), c);
  Run(browse, Command_Next);
  EXPECT_EQ(Shown(browse), a) << "after the last comes the first";
  Run(browse, Command_Previous);
  EXPECT_EQ(Shown(browse), c) << "before the first comes the last";
  // On a row: the neighbour of the row's block.
  browse.GoToDiscBlock(a);
  Run(browse, Command_Next, {0});
  EXPECT_EQ(Shown(browse), a2);
  // The root has no siblings; a folder is no block.
  browse.GoToDiscBlock(root);
  const size_t history = browse.History.Count();
  Run(browse, Command_Next);
  EXPECT_EQ(Shown(browse), root);
  EXPECT_EQ(browse.History.Count(), history);
  browse.OpenMonoGroup(discussions->DiscussedRoot);
  const int beeps = Beeps();
  Run(browse, Command_Previous);
  EXPECT_EQ(Beeps(), beeps + 1);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Navigation, ReferencesJumpHereOrOpenANewWindowAndUnknownNamesAreTold) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  Run(browse, Command_HyperReference, {}, Name(a1a));
  EXPECT_EQ(Shown(browse), a1a);

  Answer(0);
  Run(browse, Command_HyperReference, {}, "7.7.7");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Caption, "HYPERREFERENCE ERROR");
  EXPECT_EQ(Boxes()[0].Message, "Reference <7.7.7> not found!");
  EXPECT_EQ(Shown(browse), a1a);

  // A reference in a block's text opens a new window; this window's history stays as it
  // was, even when it is full.
  for (int i = 0; i < 30; ++i) browse.GoToDiscBlock(i % 2 ? a : b);
  ASSERT_EQ(int(browse.History.Count()), 21);
  const TDiscBlockIndex oldest = browse.History[0].CurrentItem.GetDiscBlockIndex();
  Run(browse, Command_TextReference, {}, Name(a2));
  ASSERT_EQ(manager->Count(), 2);
  TBrowse& opened = manager->GetFormBrowse(1)->Browse;
  EXPECT_EQ(Shown(opened), a2);
  EXPECT_EQ(opened.CurrentBrowseState.DiscussionIndex, ecology);
  EXPECT_EQ(int(browse.History.Count()), 21);
  EXPECT_EQ(browse.History[0].CurrentItem.GetDiscBlockIndex(), oldest);
  EXPECT_EQ(Shown(browse), a);

  Answer(0);
  Run(browse, Command_TextReference, {}, "nowhere");
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[1].Caption, "Reference error");
  EXPECT_EQ(Boxes()[1].Message, "Reference <nowhere> not found!");
  EXPECT_EQ(manager->Count(), 2);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Navigation, NewWindowsCopyTheStateOrOpenTheRowAndLeaveTheHistoryAlone) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  browse.GoToDiscBlock(a);
  ASSERT_TRUE(browse.SelectRowByDiscBlock(a2, false));
  const size_t history = browse.History.Count();

  // "New window": the same state in another window.
  Run(browse, Command_NewWindow);
  ASSERT_EQ(manager->Count(), 2);
  TBrowse& copy = manager->GetFormBrowse(1)->Browse;
  EXPECT_EQ(Shown(copy), a);
  EXPECT_EQ(SelectedBlock(copy), a2);
  EXPECT_EQ(copy.CurrentBrowseState.Rows.Count(), browse.CurrentBrowseState.Rows.Count());

  // "Open in new window" on a row: the row's item; this window's history as it was.
  Run(browse, Command_NewWindow, {0});
  ASSERT_EQ(manager->Count(), 3);
  EXPECT_EQ(Shown(manager->GetFormBrowse(2)->Browse), a1);
  EXPECT_EQ(browse.History.Count(), history);
  EXPECT_EQ(Shown(browse), a);
  // Each new window opens down and right of the last one, on the screen.
  for (int i = 1; i < 3; ++i) {
    const TFormBrowse* last = manager->GetFormBrowse(i - 1);
    const TFormBrowse* next = manager->GetFormBrowse(i);
    EXPECT_EQ(next->Left(), last->Left() + 24);
    EXPECT_EQ(next->Top(), last->Top() + 24);
    EXPECT_LE(next->Left() + next->Width(), Screen->Width());
  }

  // The window lists: another window comes forward, or shows this window's item.
  TFormBrowse* third = manager->GetFormBrowse(2);
  ASSERT_TRUE(third->Active());
  Run(browse, Command_ActivateWindow, {}, "", 1);
  EXPECT_TRUE(manager->GetFormBrowse(1)->Active());
  third->SetWindowState(wsMinimized);
  Pump();
  Run(browse, Command_ActivateWindow, {}, "", 2);
  EXPECT_EQ(third->WindowState(), wsNormal) << "a minimised window comes back";

  TBrowse* other = manager->NewFormBrowseOnBlock(economy, Discussion(economy).Storages.GetRootBlockIndex(),
                                                 form, 0, false);
  ASSERT_NE(other, nullptr);
  const int place = manager->IndexOf(other->Form);
  Run(browse, Command_ShowInWindow, {1}, "", place);
  EXPECT_EQ(other->CurrentBrowseState.DiscussionIndex, ecology) << "it takes this window's discussion";
  EXPECT_EQ(Shown(*other), a2);
  Run(browse, Command_ShowInWindow, {}, Name(c), place);
  EXPECT_EQ(Shown(*other), c);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Navigation, OpeningADiscussionGoesWhereTheLoginStoodElseToItsRoot) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  TLoginsStorage logins;
  TLogin login;
  login.Name = "Anna";
  logins.Logins.AddItem(login);
  logins.Current = 0;
  testsupport::TScopedGlobal setLogins(LoginsStorage(), &logins);

  d->Info.MIdent = "M-ECOLOGY";
  const TDiscBlockCode code = d->Storages.GetDiscBlock(a1)->GetDiscBlockCode();
  browse.OpenMonoGroup(discussions->DiscussedRoot);
  EXPECT_EQ(browse.CurrentBrowseState.DiscussionIndex, -1);
  browse.OpenBrowseItem(FolderItem(d->FolderIndex));
  EXPECT_EQ(Shown(browse), root) << "no remembered block";

  // Standing on a block is remembered by the window's refresh, and the discussion as the
  // last one shown.
  browse.GoToDiscBlock(a1);
  uint8_t type = 0;
  uint16_t number = 0;
  ASSERT_TRUE(logins.GetCurrentLogin()->GetDiscussionPosition(d->Info.MIdent, type, number));
  EXPECT_EQ((TDiscBlockCode{type, number}), code);
  EXPECT_EQ(logins.GetCurrentLogin()->LastDiscussion, d->Info.DIdent);
  browse.OpenMonoGroup(discussions->DiscussedRoot);
  browse.OpenBrowseItem(FolderItem(d->FolderIndex));
  EXPECT_EQ(Shown(browse), a1);
  // A remembered block gone to the recycle bin is not gone to.
  d->Storages.GetDiscBlock(a1)->SetDeleteFlag(*d, a1, DeleteFlag_Recycled, 0);
  browse.OpenMonoGroup(discussions->DiscussedRoot);
  browse.OpenBrowseItem(FolderItem(d->FolderIndex));
  EXPECT_EQ(Shown(browse), root);
  // In moderation mode the window always starts at the root.
  d->Storages.GetDiscBlock(a1)->SetDeleteFlag(*d, a1, DeleteFlag_Alive, 0);
  browse.ModerationMode = 1;
  browse.OpenMonoGroup(discussions->DiscussedRoot);
  browse.OpenBrowseItem(FolderItem(d->FolderIndex));
  EXPECT_EQ(Shown(browse), root);
  browse.ModerationMode = 0;

  // A private discussion the login may not read stays closed.
  TDiscussion& economyDiscussion = Discussion(economy);
  ASSERT_TRUE(economyDiscussion.Load());
  economyDiscussion.Info.Secret = 1;
  browse.OpenMonoGroup(discussions->DiscussedRoot);
  const size_t history = browse.History.Count();
  Answer(0);
  browse.OpenBrowseItem(FolderItem(economyDiscussion.FolderIndex));
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Caption, "OPEN DISCUSSION");
  EXPECT_EQ(Boxes()[0].Message, "You can't browse this discussion.\nAsk manager to grant you this right.");
  EXPECT_EQ(browse.CurrentBrowseState.CurrentItem.Kind(), BrowseItem_Folder);
  EXPECT_EQ(browse.History.Count(), history);
  economyDiscussion.Info.Secret = 0;

  // A discussion opened for the first time gets its post list.
  economyDiscussion.User.PostLists.Clear();
  browse.OpenBrowseItem(FolderItem(economyDiscussion.FolderIndex));
  EXPECT_EQ(browse.CurrentBrowseState.DiscussionIndex, economy);
  EXPECT_EQ(economyDiscussion.User.PostLists.Items.Count(), 1u);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Navigation, EveryMoveRemembersTheRowAndTheUpperPanelHeight) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  // The row chosen in a list is where the list opens next time.
  ASSERT_TRUE(browse.SelectRowByDiscBlock(b, false));
  browse.GoToDiscBlock(c);
  TBrowseItemIdent rootIdent, bIdent;
  rootIdent.SetDiscBlock(*d, root);
  bIdent.SetDiscBlock(*d, b);
  const TBrowseItemIdent* remembered = d->User.GetSecondBrowseItemIdent(rootIdent, 1);
  ASSERT_NE(remembered, nullptr);
  EXPECT_TRUE(*remembered == bIdent);
  browse.GoToDiscBlock(root);
  EXPECT_EQ(SelectedBlock(browse), b);

  // A move with the upper panel collapsed keeps height 0 in the state it stores and
  // gives the next item the last height that was not 0.
  form->PanelUpperBlock->SetHeight(77);
  browse.GoToDiscBlock(a);
  form->PanelUpperBlock->SetHeight(0);
  browse.GoToDiscBlock(b);
  EXPECT_EQ(browse.History[browse.History.Count() - 1].UpperPanelHeight, 0);
  EXPECT_EQ(browse.UpperPanelHeight.Get(), 77);
  EXPECT_EQ(form->PanelUpperBlock->Height(), 77);
  Run(browse, Command_Back);
  EXPECT_EQ(form->PanelUpperBlock->Height(), 0) << "Back gives the state its own height";
  EXPECT_TRUE(Reports().empty());
}

TEST_F(Navigation, ShowAllDiscussionsAndTheSiteAddress) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  Run(browse, Command_ShowAllDiscussions);
  EXPECT_EQ(browse.CurrentBrowseState.CurrentItem.Ident.Folder, discussions->DiscussedRoot);
  EXPECT_EQ(browse.ShowAll, 0) << "only while the folder opens";

  TLoginsStorage logins;
  testsupport::TScopedGlobal setLogins(LoginsStorage(), &logins);
  Clipboard()->SetAsText("before");
  Run(browse, Command_CopyURL);  // no address: nothing replaces what the clipboard holds
  EXPECT_EQ(Clipboard()->AsText(), "before");
  logins.SiteURL = "http://quillaran.example/";
  Run(browse, Command_CopyURL);
  EXPECT_EQ(Clipboard()->AsText(), "http://quillaran.example/");
  EXPECT_TRUE(Reports().empty());
}

}  // namespace
}  // namespace commandstest

namespace commandstest {
namespace {

TEST_F(Navigation, BriefAndFullSwitchTheListAndTheMenuCaption) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  form->SetBounds(0, 0, 800, 500);
  TBrowse& browse = form->Browse;
  auto captions = [&] {
    std::string all;
    for (int i = 0; i < form->ToolBarHorzMenu->ButtonCount(); ++i) all += form->ToolBarHorzMenu->Buttons(i)->Caption() + "|";
    return all;
  };
  ASSERT_EQ(browse.CurrentBrowseState.DisplayMode, DisplayMode_Brief);
  EXPECT_NE(captions().find("|Full|"), std::string::npos) << captions();
  Run(browse, Command_BriefFull);
  EXPECT_EQ(browse.CurrentBrowseState.DisplayMode, DisplayMode_Full);
  EXPECT_NE(captions().find("|Brief|"), std::string::npos) << captions();
  Run(browse, Command_BriefFull);
  EXPECT_EQ(browse.CurrentBrowseState.DisplayMode, DisplayMode_Brief);
  EXPECT_NE(captions().find("|Full|"), std::string::npos) << captions();
  EXPECT_EQ(Screen->Cursor(), crDefault) << "the hourglass goes when the command ends";
  EXPECT_TRUE(Reports().empty());
}

// The hand over a row's name line, the arrow again as soon as the mouse is over a text
// line or below the last row, through a real X server: the mouse stays where it was moved,
// so the arrow must come without a further move.
TEST_F(Navigation, ThePointerIsAHandOnlyOverANameLine) {
  ASSERT_TRUE(UseXServer()) << "Xvfb did not start";
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  ASSERT_TRUE(
      PumpX([&] { return xDisplay->XWindowOf(form->Handle()) != 0 && browse.CurrentBrowseState.RowCount() > 1; }));
  const TBrowseState& state = browse.CurrentBrowseState;
  int name = -1, text = -1;
  for (int row = 0; row < state.RowCount() && text < 0; ++row) {
    if (state.Row(row).RowType == LowerListRow_Service) name = row;
    else if (name >= 0) text = row;
  }
  ASSERT_GE(text, 0) << "a block row with a text line";
  const auto moveTo = [&](int row, int below = 0) {
    const RECT r = browse.GetLowerListRowRect(row);
    const POINT at =
        form->PaintBoxLowerList->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2 + below});
    SetCursorPos(at.x, at.y);
  };
  const auto shows = [&](platform::CursorShape shape) {
    return PumpX([&] { return platform::ShownCursorShape() == shape; });
  };
  moveTo(name);
  EXPECT_TRUE(shows(platform::CursorShape::Hand)) << "over the name line";
  moveTo(text);
  EXPECT_TRUE(shows(platform::CursorShape::Arrow)) << "over the text line below it";
  moveTo(name);
  ASSERT_TRUE(shows(platform::CursorShape::Hand));
  const RECT last = browse.GetLowerListRowRect(state.RowCount() - 1);
  ASSERT_LT(last.bottom + 20, form->PaintBoxLowerList->Height()) << "room below the rows";
  moveTo(state.RowCount() - 1, (last.bottom - last.top) / 2 + 10);
  EXPECT_TRUE(shows(platform::CursorShape::Arrow)) << "below the last row";
  EXPECT_TRUE(Reports().empty());
}

}  // namespace
}  // namespace commandstest
