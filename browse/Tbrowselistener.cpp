#include "browse/Tbrowselistener.h"

#include "browse/Lowerlistcollectors.h"
#include "browse/Standinnotes.h"
#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "browse/Tgraph.h"
#include "foundation/Tbrowsepars.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tpanel.h"

namespace {

// Repaints every row whose item passes the test.
template <class Test>
void RepaintRows(TBrowse& browse, Test test) {
  TBrowseState& state = browse.CurrentBrowseState;
  for (int i = 0; i < state.RowCount(); ++i) {
    const TBrowseItem* item = state.Row(i).ItemIndex.GetBrowseItem(static_cast<const TBrowseItem&>(state.CurrentItem));
    if (item && test(*item)) browse.InvalidateLowerListRow(i);
  }
}

// The graph lays itself out again; the boxes drawn here are gone with its layout.
void ResetGraph(TBrowse& browse) {
  if (!browse.Form) return;
  browse.GraphPlaces.Clear();
  browse.Form->PaintBoxGraph->Invalidate();
}

// A block changed (or any block, with an empty block).
void BlockChanged(TBrowse& browse, TDiscussion* changed, TDiscBlockIndex block) {
  TBrowseState& state = browse.CurrentBrowseState;
  if (!block.IsEmpty() && state.CurrentItem.Kind() == BrowseItem_Folder)
    if (TDiscussionsManager* manager = DiscussionsManager())
      if (changed && block == changed->Storages.GetRootBlockIndex())
        RepaintRows(browse, [&](const TBrowseItem& item) {
          const int shown = item.Kind() == BrowseItem_Folder ? manager->FindDiscussionByFolder(item.Ident.Folder) : -1;
          return shown >= 0 && &manager->GetDiscussion(shown) == changed;
        });
  TDiscussion* discussion = browse.GetDiscussion();
  if (!discussion || changed != discussion) return;
  if (state.CurrentItem.Kind() == BrowseItem_Block && (block.IsEmpty() || state.CurrentItem.Ident.Index == block))
    browse.CurrentBrowseItemChanged();
  RepaintRows(browse, [&](const TBrowseItem& item) {
    return item.Kind() == BrowseItem_Block && (block.IsEmpty() || item.Ident.Index == block);
  });
  if (discussion->Graph) DiscussionGraph(*discussion).InvalidateNode(browse, block);
}

void BlockGone(TBrowse& browse, TDiscussion& discussion, TDiscBlockIndex block) {
  TBrowseState& state = browse.CurrentBrowseState;
  bool hit = false, currentHit = false;
  state.RemoveDiscBlock(block, hit, currentHit);
  if (currentHit) {
    // The window goes to the first block above that stays.
    const TDiscBlock* gone = discussion.Storages.GetDiscBlock(block);
    TDiscBlockIndex upper = gone ? gone->Upper : TDiscBlockIndex{};
    if (upper.IsEmpty() || !discussion.Storages.IsValidIndex(upper)) upper = discussion.Storages.GetRootBlockIndex();
    if (!upper.IsEmpty() && !(upper == block)) {
      browse.GoToDiscBlock(upper);
      state.RemoveDiscBlock(block, hit, currentHit);
    }
  }
  if (hit) {
    browse.LowerListChangedFrom(0);
    if (state.Rows.Count() > 0) browse.SelectLowerListRow(0, false);
  }
  ResetGraph(browse);
}

// Earlier states of the window on that discussion forget the block; a state that showed
// the block itself leaves the history, so that Back never lands on an empty item.
void ForgetGoneBlockInHistory(TBrowse& browse, const TDiscussion& discussion, TDiscBlockIndex block) {
  TDiscussionsManager* manager = DiscussionsManager();
  if (!manager) return;
  for (uint32_t i = browse.History.Count(); i-- > 0;) {
    TBrowseState& earlier = browse.History[i];
    if (earlier.DiscussionIndex < 0 || earlier.DiscussionIndex >= manager->GetDiscussionsCount() ||
        &manager->GetDiscussion(earlier.DiscussionIndex) != &discussion)
      continue;
    bool hit = false, currentHit = false;
    earlier.RemoveDiscBlock(block, hit, currentHit);
    if (currentHit) browse.History.Delete(i);
  }
}

// The first live block above an erased or recycled one, else the root.
TDiscBlockIndex FirstLiveAncestor(TDiscussion& discussion, TDiscBlockIndex block) {
  const int limit = discussion.Storages.TotalCount();
  TDiscBlockIndex at = block;
  for (int step = 0; step <= limit; ++step) {
    const TDiscBlock* record = discussion.Storages.IsValidIndex(at) ? discussion.Storages.GetDiscBlock(at) : nullptr;
    if (!record) break;
    if (!(at == block) && record->IsAlive()) return at;
    at = record->Upper;
  }
  return discussion.Storages.GetRootBlockIndex();
}

void BlocksDeleted(TBrowse& browse, TDiscussion& discussion, uint8_t state) {
  // Only erased and recycled blocks leave the lists; crossed ones stay, drawn crossed out.
  if (state != DeleteFlag_Erased && state != DeleteFlag_Recycled) return;
  browse.RemoveRowsOfBlocksInState(state);
  const TBrowseItem& current = browse.CurrentBrowseState.CurrentItem;
  if (current.Kind() != BrowseItem_Block || !discussion.Storages.IsValidIndex(current.Ident.Index)) return;
  if (discussion.Storages.GetDiscBlock(current.Ident.Index)->DeleteFlag != state) return;
  const TDiscBlockIndex target = FirstLiveAncestor(discussion, current.Ident.Index);
  if (!target.IsEmpty() && !(target == current.Ident.Index)) browse.GoToDiscBlock(target);
}

// A window listing the children of a new or returned block's upper block lists it too
// (the window that added it shows it already).
void BlockAdded(TBrowse& browse, TDiscussion& discussion, TDiscBlockIndex block) {
  TBrowseState& state = browse.CurrentBrowseState;
  // The notification was queued: the block may be gone again (an undone creation).
  const TDiscBlock* added = discussion.Storages.IsValidIndex(block) ? discussion.Storages.GetDiscBlock(block) : nullptr;
  if (!added || !added->IsAlive() || state.ListKind != ListKind_Children || state.SpecCaptionType != SpecCaption_None ||
      state.CurrentItem.Kind() != BrowseItem_Block || !(state.CurrentItem.Ident.Index == added->Upper) ||
      !IsListedChildStorage(added->Upper.StorageType, block.StorageType))
    return;
  // Rows, not child items, tell what is listed: a recycled block's rows went, its item stayed.
  for (const TLowerListRow& row : state.Rows) {
    const TBrowseItem* item = row.GetBrowseItem(state.CurrentItem);
    if (item && item->Kind() == BrowseItem_Block && item->Ident.Index == block) return;
  }
  browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
}

// A posted note's row gives way to the comment "Send post" made of it, and comes back when
// the note no longer matches the comment (amended): a window listing the note's place
// (its upper block's children, or the login's own blocks) lists again when what it shows
// of the note is no longer so.
void StandInChanged(TBrowse& browse, TDiscussion& discussion, TDiscBlockIndex block) {
  TBrowseState& state = browse.CurrentBrowseState;
  const TDiscBlock* note = block.StorageType == StorageType_Notes && discussion.Storages.IsValidIndex(block)
                               ? discussion.Storages.GetDiscBlock(block)
                               : nullptr;
  if (!note || !note->IsAlive() || state.SpecCaptionType != SpecCaption_None) return;
  TBrowseItem& current = state.CurrentItem;
  const bool children =
      state.ListKind == ListKind_Children && current.Kind() == BrowseItem_Block && current.Ident.Index == note->Upper;
  const int own = discussion.Authors.FindAuthorByLIdent(CurrentModelLogin().LIdent);
  const bool mine = state.ListKind == ListKind_BlocksOfAuthor && current.Kind() == BrowseItem_Author && own >= 0 &&
                    current.Ident.ADIdent == discussion.Authors.Author(own).ADIdent;
  if (!children && !mine) return;
  bool shown = false;
  for (const TLowerListRow& row : state.Rows) {
    const TBrowseItem* item = row.GetBrowseItem(current);
    shown |= item && item->Kind() == BrowseItem_Block && item->Ident.Index == block;
  }
  if (shown != (RowBlockOfNote(discussion, block) == block)) browse.RebuildKeepingSelection();
}

}  // namespace

void TBrowseListener::Listen(const TListenMessage& message) {
  TBrowse& browse = *Browse;
  if (browse.Closing || message.Code > Notify_DragMoves) return;
  TDiscussion* discussion = browse.GetDiscussion();
  auto* about = reinterpret_cast<TDiscussion*>(message.Word1);
  const bool ours = discussion && about == discussion;
  switch (message.Code) {
    case Notify_Idle: browse.RunDeferredPaintRequests(); break;
    case Notify_Tick: browse.Tick(); break;
    case Notify_WindowsChanged:
    case Notify_TitlesChanged:
    case Notify_WindowClosed:
      if (browse.Form && !browse.Form->Active()) browse.MenuRebuildOnActivation = 1;
      break;
    case Notify_SettingsChanged:
      if (reinterpret_cast<TBrowsePars*>(message.Word1) == browse.Settings) {
        if (browse.Form) browse.Form->SetBrowsePars(browse.Settings);
        browse.CurrentBrowseItemChanged();
      }
      break;
    case Notify_MousePressed: browse.DropHover(); break;
    case Notify_BlockChanged: {
      const TDiscBlockIndex block = UnpackDiscBlockIndex(message.Word2);
      // Formulas that name the block change with it.
      if (ours && !block.IsEmpty()) {
        const TArray<THyperRefBlock> pairs = discussion->HyperRefBlocks.Items;
        for (const THyperRefBlock& pair : pairs)
          if (pair.Referenced == block && !(pair.Block == block))
            TListeners::SendPair(Notify_FormulaReferenceChanged, message.Word1, PackDiscBlockIndex(pair.Block), false);
      }
      BlockChanged(browse, about, block);
      // A block back from the recycle bin (undo, restore) returns to its upper block's list.
      if (ours && !block.IsEmpty()) BlockAdded(browse, *discussion, block);
      if (ours && !block.IsEmpty()) StandInChanged(browse, *discussion, block);
      break;
    }
    case Notify_FormulaReferenceChanged: BlockChanged(browse, about, UnpackDiscBlockIndex(message.Word2)); break;
    case Notify_AuthorChanged:
      if (ours && message.Word2 >= 0 && message.Word2 < discussion->Authors.Count()) {
        const uint16_t adident = discussion->Authors.Author(int(message.Word2)).ADIdent;
        if (browse.CurrentBrowseState.CurrentItem.IsOfAuthor(adident, *discussion)) browse.CurrentBrowseItemChanged();
        RepaintRows(browse, [&](const TBrowseItem& item) { return item.IsOfAuthor(adident, *discussion); });
      }
      break;
    case Notify_BlockGone:
      if (ours) BlockGone(browse, *discussion, UnpackDiscBlockIndex(message.Word2));
      if (about) ForgetGoneBlockInHistory(browse, *about, UnpackDiscBlockIndex(message.Word2));
      break;
    case Notify_BlocksDeleted:
      if (ours) BlocksDeleted(browse, *discussion, uint8_t(message.Word2));
      break;
    case Notify_Drop:
      // The drag ends: no list goes on scrolling for it.
      browse.Drag.StopScrolling();
      if (browse.Form && message.Word2 == reinterpret_cast<intptr_t>(browse.Form->PanelLowerListPaintBox))
        browse.TakeDrop(*reinterpret_cast<TBrowse*>(message.Word1));
      break;
    case Notify_BlockAdded:
      if (ours) {
        ResetGraph(browse);
        BlockAdded(browse, *discussion, UnpackDiscBlockIndex(message.Word2));
      }
      break;
    case Notify_GraphInvalid:
      if (browse.Form && ours) browse.Form->PanelGraph->Hide();
      break;
    case Notify_FoldersChanged:
      if (browse.CurrentBrowseState.CurrentItem.Kind() == BrowseItem_Folder) browse.CurrentBrowseItemChanged(true);
      break;
    case Notify_DragMoves: browse.DragMovesOver(reinterpret_cast<TControl*>(message.Word2)); break;
    default: break;
  }
}
