#include "browse/Smartmenufacts.h"

#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tlogin.h"
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
    ListKind = state.ListKind;
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
    Root = Current && BlockIndex == Discussion->Storages.GetRootBlockIndex();
    const uint16_t unlinked = Block->UnlinkedIndex;
    LostUpper = unlinked != NoUnlinkedBlockInfo && unlinked < Discussion->UnlinkedBlockInfos.Count() &&
                Discussion->UnlinkedBlockInfos[unlinked].LostParent;
  }
  CreatingWindow = state.Creating != 0;
  RetrievalList = state.SpecCaptionType == 1;
  RetrievalKind = state.RetrievalKind;
  ModerationMode = browse.ModerationMode != 0;
  if (TLoginsStorage* logins = LoginsStorage())
    if (const TLogin* login = logins->GetCurrentLogin()) Manager = login->Ident == TLogin::ManagerIdent;
  if (Kind == BrowseItem_Folder)
    if (TDiscussionsManager* manager = DiscussionsManager()) {
      const int16_t folder = item.Ident.Folder;
      const int16_t parent = manager->GetParentFolder(folder);
      FolderHasParent = parent != folder;
      UnderDiscussed = folder == manager->DiscussedRoot || parent == manager->DiscussedRoot;
      UnderCreated = folder == manager->CreatedRoot || parent == manager->CreatedRoot;
    }
  UpperPanelShown = browse.Form && browse.Form->PanelUpperBlock->Height() != 0;
}
