// The register of browse windows: opening, closing, close refusals and unloading.

#include "Browsetest.h"

#include "browse/Lowerlistcollectors.h"
#include "browse/Tbrowse.h"
#include "foundation/Tbrowseglobal.h"
#include "model/Blockretrieval.h"
#include "model/Unsavedchanges.h"
#include "platform/forms/Tpanel.h"
#include "tests/support/Testsupport.h"

namespace browsetest {
namespace {

using BrowseManager = BrowseTest;

TEST_F(BrowseManager, TheRegisterFollowsWindowsOpenedAndClosedInAnyOrder) {
  TRecorder recorder;
  TFormBrowse* first = OpenOn(ecology);
  TFormBrowse* second = OpenOn(economy);
  TBrowseItem place;
  place.Ident.Kind = BrowseItem_Folder;
  place.Ident.Folder = discussions->RootFolder;
  TBrowse* third = manager->NewFormBrowse(-1, place, second, 0, true);
  ASSERT_NE(third, nullptr);
  Pump();
  ASSERT_EQ(manager->Count(), 3);
  EXPECT_EQ(manager->GetFormBrowse(0), first);
  EXPECT_EQ(manager->GetFormBrowse(1), second);
  EXPECT_EQ(manager->GetFormBrowse(2), third->Form);
  EXPECT_EQ(recorder.Count(Notify_WindowsChanged), 3);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(manager->GetFormBrowse(i)->Visible());
  EXPECT_TRUE(third->Form->Active());

  // Each window shows what it was opened on, and owns its engine bound to it.
  EXPECT_EQ(first->Browse.Form, first);
  EXPECT_EQ(first->Browse.CurrentBrowseState.DiscussionIndex, ecology);
  EXPECT_EQ(first->Browse.CurrentBrowseState.CurrentItem.Kind(), BrowseItem_Block);
  EXPECT_EQ(first->Caption(), discussions->GetFolderPath(Discussion(ecology).FolderIndex).ToString());
  EXPECT_EQ(third->CurrentBrowseState.DiscussionIndex, -1);
  EXPECT_EQ(third->Form->Caption(), discussions->GetFolderPath(discussions->RootFolder).ToString());
  EXPECT_EQ(third->Settings, &pars);
  EXPECT_TRUE(manager->IsDiscussionShown(ecology));
  EXPECT_FALSE(manager->IsDiscussionShown(ecology, first));

  // The middle one closes: the others keep their order; the closed one is freed.
  const TControlGuard guard(second);
  second->Close();
  Pump();
  EXPECT_TRUE(guard.Gone());
  ASSERT_EQ(manager->Count(), 2);
  EXPECT_EQ(manager->GetFormBrowse(0), first);
  EXPECT_EQ(manager->IndexOf(third->Form), 1);
  EXPECT_EQ(recorder.Count(Notify_WindowClosed), 1);
  EXPECT_FALSE(Discussion(economy).Loaded);  // no other window showed it
  EXPECT_EQ(lastWindowClosed, 0);

  third->Form->Close();
  first->Close();
  Pump();
  EXPECT_EQ(manager->Count(), 0);
  EXPECT_EQ(lastWindowClosed, 1);
  EXPECT_TRUE(Boxes().empty());  // nothing had changed: no question
  // The last window leaves the discussions loaded as saved, for the shutdown step.
  EXPECT_TRUE(Discussion(ecology).Loaded);
}

TEST_F(BrowseManager, ANewWindowWithAStateShowsACopyOfIt) {
  TFormBrowse* source = OpenOn(ecology);
  TBrowse& browse = source->Browse;
  TBrowseItem child;
  child.Ident.SetDiscBlock(Discussion(ecology), Discussion(ecology).Storages.GetRootBlockIndex());
  browse.CurrentBrowseState.CurrentItem.Children.push_back(child);
  TBrowseItemIndex first;
  first.Append(0);
  browse.InsertLowerListRow(0, LowerListRow_Service, first, 12);
  browse.InsertLowerListRow(1, LowerListRow_Text, first, 20);
  browse.SelectLowerListRow(1, false);
  TBrowseState state = browse.CurrentBrowseState;
  state.ListKind = ListKind_Retrieval;
  state.DisplayMode = DisplayMode_Full;
  state.SpecCaptionType = SpecCaption_Retrieval;
  state.RetrievalKind = Retrieval_Search;
  state.Caption = "searched";
  state.RetrievalData = 7;
  state.UpperPanelHeight = 55;
  state.DiscussionIndex = economy;  // the manager's argument wins

  TBrowse* made = manager->NewFormBrowseWithState(ecology, state, source, 1, true);
  ASSERT_NE(made, nullptr);
  Pump();
  const TBrowseState& copy = made->CurrentBrowseState;
  EXPECT_EQ(copy.DiscussionIndex, ecology);
  EXPECT_EQ(copy.ListKind, 9);
  EXPECT_EQ(copy.DisplayMode, DisplayMode_Full);
  EXPECT_EQ(copy.SpecCaptionType, 1);
  EXPECT_EQ(copy.RetrievalKind, 11);
  EXPECT_EQ(copy.Caption, "searched");
  EXPECT_EQ(copy.RetrievalData, 7);
  EXPECT_EQ(copy.SelectedRow, 1);
  ASSERT_EQ(copy.Rows.Count(), 2u);
  EXPECT_EQ(copy.Rows[1].RowType, LowerListRow_Text);
  EXPECT_EQ(copy.Rows[1].ItemIndex, first);
  ASSERT_EQ(copy.CurrentItem.Children.size(), 1u);
  EXPECT_EQ(made->ModerationMode, 1);
  EXPECT_EQ(made->Form->PanelUpperBlock->Height(), 55);
  EXPECT_TRUE(made->History.IsEmpty());

  // A deep copy: the source's rows and items change alone.
  browse.RemoveLowerListRow(0);
  browse.CurrentBrowseState.CurrentItem.Children.clear();
  EXPECT_EQ(copy.Rows.Count(), 2u);
  EXPECT_EQ(copy.CurrentItem.Children.size(), 1u);
  ASSERT_NE(copy.Rows[0].GetBrowseItem(made->CurrentBrowseState.CurrentItem), nullptr);
}

TEST_F(BrowseManager, AWindowThatAloneShowsAChangedDiscussionAsksBeforeClosing) {
  TFormBrowse* ecologyWindow = OpenOn(ecology);
  TFormBrowse* economyWindow = OpenOn(economy);
  Discussion(ecology).Info.Name = "Ecology, changed";
  ASSERT_TRUE(HasUnsavedChanges(Discussion(ecology)));

  // Cancel: the window stays, and so does the change.
  Answer(UnloadAnswer_Cancel);
  ecologyWindow->Close();
  Pump();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Caption, "CLOSING DISCUSSION");
  EXPECT_EQ(Boxes()[0].Message, "Save the changes of the discussion \"Ecology, changed\"?");
  EXPECT_EQ(Boxes()[0].Buttons, "Yes|No|Cancel");
  EXPECT_EQ(TBrowseGlobal::CloseRefused, 1);
  EXPECT_EQ(manager->Count(), 2);
  EXPECT_FALSE(ecologyWindow->Closed());
  EXPECT_EQ(ecologyWindow->Browse.Closing, 0);  // notifications reach it again
  EXPECT_TRUE(Discussion(ecology).Loaded);
  EXPECT_EQ(Discussion(ecology).Info.Name, "Ecology, changed");

  // No: the window closes and the discussion is unloaded without saving.
  Answer(UnloadAnswer_Discard);
  ecologyWindow->Close();
  Pump();
  EXPECT_EQ(manager->Count(), 1);
  EXPECT_FALSE(Discussion(ecology).Loaded);
  ASSERT_TRUE(Discussion(ecology).Load());
  EXPECT_EQ(Discussion(ecology).Info.Name, "Ecology");
  EXPECT_FALSE(HasUnsavedChanges(Discussion(ecology)));

  // A discussion that another window still shows is not asked about.
  TFormBrowse* second = OpenOn(economy);
  Discussion(economy).Info.Name = "Economy, changed";
  second->Close();
  Pump();
  EXPECT_EQ(Boxes().size(), 2u);
  EXPECT_TRUE(Discussion(economy).Loaded);

  // The last window asks about every loaded discussion; Yes saves it.
  Answer(UnloadAnswer_Save);
  economyWindow->Close();
  Pump();
  EXPECT_EQ(Boxes().size(), 3u);
  EXPECT_EQ(manager->Count(), 0);
  EXPECT_EQ(lastWindowClosed, 1);
  EXPECT_FALSE(HasUnsavedChanges(Discussion(economy)));
  Discussion(economy).Unload();
  ASSERT_TRUE(Discussion(economy).Load());
  EXPECT_EQ(Discussion(economy).Info.Name, "Economy, changed");
}

TEST_F(BrowseManager, TheLastWindowDropsDiscardedChangesAndKeepsTheDiscussionLoaded) {
  TFormBrowse* window = OpenOn(ecology);
  ASSERT_TRUE(Discussion(economy).Load());
  Discussion(economy).Info.Name = "Economy, changed";
  Discussion(ecology).Info.Name = "Ecology, changed";
  Answer(UnloadAnswer_Save);     // ecology
  Answer(UnloadAnswer_Cancel);  // economy: the last window stays
  window->Close();
  Pump();
  EXPECT_EQ(manager->Count(), 1);
  EXPECT_FALSE(HasUnsavedChanges(Discussion(ecology)));
  EXPECT_TRUE(HasUnsavedChanges(Discussion(economy)));

  Answer(UnloadAnswer_Discard);  // economy; ecology has nothing left to save
  window->Close();
  Pump();
  EXPECT_EQ(manager->Count(), 0);
  EXPECT_EQ(Boxes().size(), 3u);
  ASSERT_TRUE(Discussion(economy).Loaded);
  EXPECT_EQ(Discussion(economy).Info.Name, "Economy");
  EXPECT_FALSE(HasUnsavedChanges(Discussion(economy)));
}

TEST_F(BrowseManager, UnloadingUnshownDiscussionsAsksForChangesAndStopsAtCancel) {
  OpenOn(ecology);
  ASSERT_TRUE(Discussion(economy).Load());
  const int third = discussions->CreateNewDiscussion(discussions->DiscussedRoot, "Energy", true, 0);
  ASSERT_GE(third, 0);
  ASSERT_TRUE(Discussion(third).Loaded);
  Discussion(economy).Info.Name = "Economy, changed";
  Discussion(ecology).Info.Name = "Ecology, changed";  // shown: neither asked nor unloaded

  Answer(UnloadAnswer_Cancel);
  EXPECT_FALSE(manager->UnloadUnshownDiscussions());
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].Message.find("Economy, changed"), std::string::npos);
  EXPECT_TRUE(Discussion(economy).Loaded);
  EXPECT_TRUE(Discussion(third).Loaded);  // the walk stopped before it

  TRecorder recorder;
  Answer(UnloadAnswer_Save);
  EXPECT_TRUE(manager->UnloadUnshownDiscussions());
  EXPECT_EQ(Boxes().size(), 2u);  // the unchanged one went without a question
  EXPECT_FALSE(Discussion(economy).Loaded);
  EXPECT_FALSE(Discussion(third).Loaded);
  EXPECT_TRUE(Discussion(ecology).Loaded);
  EXPECT_EQ(recorder.Count(6), 2);
  ASSERT_TRUE(Discussion(economy).Load());
  EXPECT_EQ(Discussion(economy).Info.Name, "Economy, changed");
}

TEST_F(BrowseManager, ASaveThatFailsKeepsTheWindowOpen) {
  TFormBrowse* first = OpenOn(ecology);
  OpenOn(economy);
  Discussion(ecology).Info.Name = "Ecology, changed";
  TDiscussion::CrashBeforeSaveStep = 1;
  Answer(UnloadAnswer_Save);
  first->Close();
  TDiscussion::CrashBeforeSaveStep = 0;
  Pump();
  EXPECT_EQ(manager->Count(), 2);
  EXPECT_TRUE(Discussion(ecology).Loaded);
  EXPECT_TRUE(HasUnsavedChanges(Discussion(ecology)));
}

TEST_F(BrowseManager, ClosingAllStopsAtTheFirstWindowThatStays) {
  TFormBrowse* first = OpenOn(ecology);
  OpenOn(economy);
  OpenOn(economy);
  Discussion(ecology).Info.Name = "Ecology, changed";
  Answer(UnloadAnswer_Cancel);
  EXPECT_FALSE(manager->CloseAll());
  Pump();
  ASSERT_EQ(manager->Count(), 1);
  EXPECT_EQ(manager->GetFormBrowse(0), first);
  EXPECT_EQ(lastWindowClosed, 0);
  Answer(UnloadAnswer_Discard);
  EXPECT_TRUE(manager->CloseAll());
  Pump();
  EXPECT_EQ(lastWindowClosed, 1);
}

TEST_F(BrowseManager, WindowsClosedWhileTheQueueStopsAreFreedWithTheRest) {
  TFormBrowse* closed = OpenOn(ecology);
  TFormBrowse* open = OpenOn(economy);
  const TControlGuard closedGuard(closed);
  const TControlGuard openGuard(open);
  closed->Close();  // its freeing waits in the queue, which no one runs any more
  EXPECT_FALSE(closedGuard.Gone());
  manager->DestroyAll();
  EXPECT_TRUE(closedGuard.Gone());
  EXPECT_TRUE(openGuard.Gone());
  EXPECT_EQ(manager->Count(), 0);
  Pump();
}

TEST_F(BrowseManager, AWindowOnADiscussionThatDoesNotLoadIsNotMade) {
  TRecorder recorder;
  testsupport::Run("rm -f '" + Discussion(economy).Folder.ToString() + "'/*");
  TBrowseItem item;
  EXPECT_EQ(manager->NewFormBrowse(economy, item, nullptr, 0, true), nullptr);
  EXPECT_EQ(manager->Count(), 0);
  EXPECT_EQ(recorder.Count(Notify_WindowsChanged), 0);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].rfind("TDiscussion::Load - ", 0), 0u);
  Reports().clear();
}

}  // namespace
}  // namespace browsetest
