// How a browse window moves from item to item: into a block, to a named block, into a
// folder or a discussion. Every move first remembers where the window stood: the user's
// row in the list (so that the list reopens there) and the whole state on the Back
// history.

#include "browse/Lowerlistcollectors.h"
#include "browse/Standinnotes.h"
#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "foundation/Tlogin.h"
#include "model/Blockretrieval.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tpanel.h"
#include "platform/gui/Gui.h"

#include <algorithm>

void TBrowse::SaveUserPosition() {
  const TBrowseState& state = CurrentBrowseState;
  if (!state.HasRow(state.SelectedRow)) return;
  if (state.CurrentItem.Kind() == BrowseItem_Folder) return;
  TDiscussion* discussion = GetDiscussion();
  if (!discussion) return;
  const TBrowseItemIndex& path = state.Row(state.SelectedRow).ItemIndex;
  if (path.IsEmpty()) return;
  const uint16_t position = path.Path[0];
  if (position >= state.CurrentItem.Children.size()) return;
  discussion->User.SetBrowseItemIdentsPair(*discussion, state.CurrentItem.Ident,
                                           state.CurrentItem.Children[position].Ident, state.ListKind);
}

void TBrowse::PushHistory() {
  if (Form) {
    const int height = std::max(0, Form->PanelUpperBlock->Height());
    UpperPanelHeight.Remember(height);
    CurrentBrowseState.UpperPanelHeight = uint16_t(height);
  }
  History.Push(CurrentBrowseState);
}

void TBrowse::GoToDiscBlock(TDiscBlockIndex block) {
  TDiscussion* discussion = GetDiscussion();
  if (!discussion || !discussion->Storages.GetDiscBlock(block)) return;
  if (Form) Form->PanelGraph->Hide();
  SaveUserPosition();
  if (IsErrorReported()) return;
  PushHistory();
  discussion->User.AddVisited(discussion->Storages.GetDiscBlock(block)->GetDiscBlockCode());
  TBrowseItem& item = CurrentBrowseState.CurrentItem;
  item.Children.clear();
  item.Ident.SetDiscBlock(*discussion, block);
  item.Level = -1;
  CurrentBrowseState.Rows.Clear();
  CurrentBrowseState.SelectedRow = 0;
  CurrentBrowseState.SpecCaptionType = SpecCaption_None;
  if (Form) UpperPanelHeight.Restore(*Form->PanelUpperBlock);
  item.DisplayMode = DisplayMode_Full;
  LowerList.SetOffset(0);
  CurrentBrowseItemChanged(true);
}

namespace {

// The block the login stood on last in a discussion, when it is still there.
TDiscBlockIndex RememberedBlock(TDiscussion& discussion) {
  TLoginsStorage* logins = LoginsStorage();
  TLogin* login = logins ? logins->GetCurrentLogin() : nullptr;
  uint8_t storageType = 0;
  uint16_t number = 0;
  if (!login || !login->GetDiscussionPosition(discussion.Info.MIdent, storageType, number)) return {};
  const TDiscBlockIndex block = discussion.Storages.FindDiscBlockIndex(TDiscBlockCode{storageType, number});
  const TDiscBlock* found = block.IsEmpty() ? nullptr : discussion.Storages.GetDiscBlock(block);
  return found && found->IsAlive() ? block : TDiscBlockIndex{};
}

}  // namespace

void TBrowse::OpenBrowseItem(const TBrowseItem& item, bool refresh) {
  TDiscussionsManager* manager = DiscussionsManager();
  const int discussionIndex =
      manager && item.Kind() == BrowseItem_Folder ? manager->FindDiscussionByFolder(item.Ident.Folder) : -1;
  if (discussionIndex >= 0) {
    TDiscussion& discussion = manager->GetDiscussion(discussionIndex);
    if (!discussion.Loaded && !discussion.Load(true)) return;
    if (!discussion.Info.CanCurrentLoginAccess()) {
      ShowMessageBox("OPEN DISCUSSION", "You can't browse this discussion.\nAsk manager to grant you this right.");
      return;
    }
    // The window stands in the folder until the discussion is set: remember its row there.
    SaveUserPosition();
    if (!SetDiscussionIndex(discussionIndex)) return;
    if (discussion.User.PostLists.Items.Count() == 0) {
      if (!discussion.User.PostLists.AddNewItem(discussion) || !discussion.Save()) return;
    }
    TDiscBlockIndex block = ModerationMode ? TDiscBlockIndex{} : RememberedBlock(discussion);
    if (!block.IsEmpty()) InvalidateLowerList();
    else block = discussion.Storages.GetRootBlockIndex();
    GoToDiscBlock(block);
    return;
  }
  const TBrowseItem copy = item;  // the item may be a part of the state it replaces
  if (Form) Form->PanelGraph->Hide();
  SaveUserPosition();
  if (IsErrorReported()) return;
  PushHistory();
  if (copy.Kind() == BrowseItem_Block && !copy.Ident.Index.IsEmpty())
    if (TDiscussion* discussion = GetDiscussion())
      if (const TDiscBlock* block = discussion->Storages.GetDiscBlock(copy.Ident.Index))
        discussion->User.AddVisited(block->GetDiscBlockCode());
  CurrentBrowseState.Rows.Clear();
  CurrentBrowseState.CurrentItem = copy;
  CurrentBrowseState.CurrentItem.DisplayMode = DisplayMode_Full;
  // The shown item stands above its list: its children are the list's first level.
  CurrentBrowseState.CurrentItem.Level = -1;
  if (copy.Kind() == BrowseItem_Folder) SetDiscussionIndex(-1);
  CurrentBrowseState.SelectedRow = 0;
  CurrentBrowseState.SpecCaptionType = SpecCaption_None;
  if (Form) UpperPanelHeight.Restore(*Form->PanelUpperBlock);
  LowerList.SetOffset(0);
  CurrentBrowseItemChanged(refresh);
}

void TBrowse::OpenMonoGroup(int16_t folder) {
  TBrowseItem item;
  item.Ident.Kind = BrowseItem_Folder;
  item.Ident.Folder = folder;
  OpenBrowseItem(item, true);
}

void TBrowse::GoToNeighbourBlock(const TBrowseItem& item, int step) {
  TDiscussion* discussion = GetDiscussion();
  const TDiscBlockIndex own = item.GetDiscBlockIndex();
  const TDiscBlock* block = discussion && !own.IsEmpty() ? discussion->Storages.GetDiscBlock(own) : nullptr;
  if (!block || block->Upper.IsEmpty()) return;
  TArray<TDiscBlockIndex> siblings;
  CollectChildBlocks(*discussion, block->Upper, siblings);
  if (IsErrorReported()) return;
  const int count = int(siblings.Count());
  // A posted note's place is the row of the comment that stands for it.
  const TDiscBlockIndex place = RowBlockOfNote(*discussion, own);
  int position = -1;
  for (int i = 0; i < count; ++i)
    if (siblings[uint32_t(i)] == place) position = i;
  if (position < 0) {
    MessageBeep(1);
    return;
  }
  const int target = ((position + step) % count + count) % count;
  GoToDiscBlock(siblings[uint32_t(target)]);
}

bool TBrowse::SelectRowByDiscBlock(TDiscBlockIndex block, bool scroll) {
  TDiscussion* discussion = GetDiscussion();
  if (!discussion || block.IsEmpty()) return false;
  TBrowseItemIdent ident;
  if (!ident.SetDiscBlock(*discussion, block)) return false;
  if (SelectRowByItemIdent(ident, scroll)) return true;
  // A posted note without a row of its own is shown by the comment that stands for it.
  const TDiscBlockIndex row = RowBlockOfNote(*discussion, block);
  return !(row == block) && ident.SetDiscBlock(*discussion, row) && SelectRowByItemIdent(ident, scroll);
}

void TBrowse::RemoveRowsOfBlocksInState(uint8_t deleteFlag) {
  const TBrowseState& state = CurrentBrowseState;
  if (state.ListKind == ListKind_Retrieval &&
      ((state.RetrievalKind == Retrieval_Erased && deleteFlag == DeleteFlag_Erased) ||
       (state.RetrievalKind == Retrieval_Deleted && deleteFlag == DeleteFlag_Recycled)))
    return;
  RemoveRowsOfBlocksWhere([deleteFlag](TDiscBlockIndex, const TDiscBlock& block) { return block.DeleteFlag == deleteFlag; });
}

void TBrowse::RemoveRowsOfDiscBlock(TDiscBlockIndex block) {
  RemoveRowsOfBlocksWhere([block](TDiscBlockIndex shown, const TDiscBlock&) { return shown == block; });
}

void TBrowse::RemoveRowsOfBlocksWhere(const std::function<bool(TDiscBlockIndex, const TDiscBlock&)>& doomed) {
  TBrowseState& state = CurrentBrowseState;
  TDiscussion* discussion = GetDiscussion();
  if (!discussion) return;
  for (int i = state.RowCount() - 1; i >= 0; --i) {
    const TBrowseItem* shown = state.Row(i).ItemIndex.GetBrowseItem(state.CurrentItem);
    if (!shown || shown->Kind() != BrowseItem_Block) continue;
    const TDiscBlock* block = discussion->Storages.GetDiscBlock(shown->Ident.Index);
    if (block && doomed(shown->Ident.Index, *block)) RemoveLowerListRow(i);
  }
}
