#include "browse/Smartmenufacts.h"

#include "browse/Lowerlistcollectors.h"
#include "browse/Standinnotes.h"
#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tlogin.h"
#include "model/Blockretrieval.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tpanel.h"

TSmartMenuFacts::TSmartMenuFacts(TBrowse& browse, const TBrowseItem& item, const TBrowseItem* rootItem,
                                 const TBrowseItemIndex& index, bool mainMenu)
    : MainMenu(mainMenu) {
  const TBrowseState& state = browse.CurrentBrowseState;
  Kind = item.Kind();
  Current = rootItem == &state.CurrentItem && index.IsEmpty();
  Discussion = browse.GetDiscussion();
  if (Discussion) {
    BlockItem = Kind == BrowseItem_Block;
    AuthorItem = Kind == BrowseItem_Author;
    Moderator = Discussion->IsModerator();
  } else {
    Moderator = TBrowseGlobal::Moderation != 0;
  }
  if (BlockItem) {
    BlockIndex = item.Ident.Index;
    Block = Discussion->Storages.IsValidIndex(BlockIndex) ? Discussion->Storages.GetDiscBlock(BlockIndex) : nullptr;
    if (!Block) BlockItem = false;
  }
  if (BlockItem) {
    NoteItem = Block->StorageType == StorageType_Notes;
    UnlinkedItem = Block->UnlinkedIndex != NoUnlinkedBlockInfo;
    Root = Current && BlockIndex == Discussion->Storages.GetRootBlockIndex();
    const uint16_t unlinked = Block->UnlinkedIndex;
    LostUpper = unlinked != NoUnlinkedBlockInfo && unlinked < Discussion->UnlinkedBlockInfos.Count() &&
                Discussion->UnlinkedBlockInfos[unlinked].LostParent;
  }
  // Without a discussion no list counts as the disputants of a thesis.
  ListKind = Discussion || state.ListKind != ListKind_ThesisDisputants ? state.ListKind : uint8_t(ListKind_None);
  CreatingWindow = state.Creating != 0;
  RetrievalList = state.SpecCaptionType == SpecCaption_Retrieval;
  // A kind kept from an earlier list says nothing.
  RetrievalKind = RetrievalList ? state.RetrievalKind : uint8_t(Retrieval_None);
  DisputantsList = ListKind == ListKind_ThesisDisputants;
  ErasedOrDeletedList = RetrievalKind == Retrieval_Erased || RetrievalKind == Retrieval_Deleted;
  ModerationMode = browse.ModerationMode != 0;
  const TModelLogin login = CurrentModelLogin();
  Manager = login.Ident == TLogin::ManagerIdent;
  if (Discussion) {
    CreatingDiscussion = Discussion->IsCreating() != 0;
    Leader = Discussion->IsLeader();
    ModelAuthor = Discussion->IsModelAuthor();
    // Looked up only: building a menu changes nothing in the discussion.
    const int author = Discussion->Authors.FindAuthorByLIdent(login.LIdent);
    if (author >= 0) MyADIdent = Discussion->Authors.Author(author).ADIdent;
  }
  if (Kind == BrowseItem_Folder)
    if (TDiscussionsManager* manager = DiscussionsManager()) {
      const int16_t folder = item.Ident.Folder;
      const int16_t parent = manager->GetParentFolder(folder);
      FolderHasParent = parent != folder;
      UnderDiscussed = folder == manager->DiscussedRoot || parent == manager->DiscussedRoot;
      UnderCreated = folder == manager->CreatedRoot || parent == manager->CreatedRoot;
    }
  UpperPanelShown = browse.Form && browse.Form->PanelUpperBlock->Height() != 0;
  if (mainMenu) return;
  if (BlockItem) StoodNote = NoteStoodFor(*Discussion, BlockIndex);
  CollectMarked(browse, rootItem, index);
}

void TSmartMenuFacts::CollectMarked(TBrowse& browse, const TBrowseItem* rootItem, const TBrowseItemIndex& index) {
  if (!rootItem) return;
  TArray<TDiscBlockIndex> marked;
  MarkedAreBlocks = browse.GetMarkedDiscBlocks(index, *rootItem, marked);
  for (TDiscBlockIndex block : marked) Marked.push_back(block);
}

namespace {

const TDiscBlock* BlockOf(const TDiscussion* discussion, TDiscBlockIndex index) {
  return discussion && discussion->Storages.IsValidIndex(index) ? discussion->Storages.GetDiscBlock(index) : nullptr;
}

}  // namespace

bool TSmartMenuFacts::AnyMarked(TMarkedTest test) const {
  for (TDiscBlockIndex index : Marked)
    if (const TDiscBlock* marked = BlockOf(Discussion, index); marked && test(index, *marked)) return true;
  return false;
}

bool TSmartMenuFacts::EveryMarked(TMarkedTest test) const {
  for (TDiscBlockIndex index : Marked)
    if (const TDiscBlock* marked = BlockOf(Discussion, index); marked && !test(index, *marked)) return false;
  return true;
}
