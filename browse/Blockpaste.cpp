// Blocks of a block clipboard pasted under the window's current block: at the end of its
// children or before a clicked row, with the rules of which block may hang under which.

#include "browse/Tbrowse.h"

#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "foundation/Textroutines.h"
#include "model/Blocknames.h"
#include "model/Modelhooks.h"
#include "model/Newblock.h"
#include "model/Tclip.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/gui/Sysmetrics.h"

namespace {

bool Refuse(const char* caption, const char* message) {
  ShowMessageBox(caption, message);
  return false;
}

// Where the blocks go: under the window's current block, at the end of its children or
// before the clicked row.
struct TPastePlace {
  TDiscussion& Discussion;
  TDiscBlockIndex Upper;
  bool BeforeRow = false;
  TStr ClickedName;
  uint16_t ClickedNum = 0;
  uint8_t ClickedType = 0;
};

// The rules of which block may hang under which; false, the refusal told, when this one
// may not.
bool MayPaste(const TPastePlace& place, uint8_t storageType, const TDiscussion* source, TDiscBlockIndex sourceIndex) {
  const uint8_t upperType = place.Discussion.Storages.GetDiscBlock(place.Upper)->StorageType;
  if (storageType == StorageType_Model && upperType != StorageType_Model)
    return Refuse("Pasting model blocks before clicked",
                  "Model blocks can only be pasted as child of another model block");
  if (HasAuthorField(storageType) && upperType == StorageType_Notes)
    return Refuse("Paste comment blocks before clicked",
                  "Comment blocks can only be pasted as child of model or another comment block");
  if (source == &place.Discussion && place.Discussion.Storages.IsInUpperChain(place.Upper, sourceIndex))
    return Refuse("Recourse paste", "Block cannot be pasted as self child blocks");
  return true;
}

// The copy of the source block made under the upper block, named and numbered for its
// place, its contents copied and announced, with its undo record; empty when it failed.
TDiscBlockIndex MakePastedBlock(const TPastePlace& place, TBlocksStorage& storage, uint8_t storageType,
                                TDiscussion& source, const TDiscBlock& sourceBlock, TDiscBlockIndex sourceIndex,
                                bool crossModel) {
  TDiscussion& discussion = place.Discussion;
  const TNewBlockPlace at{place.Upper, place.BeforeRow && storageType == place.ClickedType, place.ClickedNum,
                          place.ClickedName};
  const int index = TakeNewBlockSlot(discussion, storage, at);
  if (index < 0) return {};
  const TDiscBlockIndex made{storageType, uint16_t(index)};
  TDiscBlock& block = storage.Block(index);
  block.TextType = sourceBlock.TextType;
  if (HasAuthorField(storageType)) block.ADIdent = sourceBlock.ADIdent;
  if (!NumberNewBlock(discussion, storage, index, at)) return {};
  // Before another block the copy keeps its source's name in parentheses.
  const std::string inner = ExtractParenthesisText(sourceBlock.Name.c_str());
  if (at.Before && !inner.empty())
    storage.SetBlockName(index, TStr((block.Name.ToString() + "(" + inner + ")").c_str()));
  if (!storage.Block(index).CopyContentsFrom(discussion, made, source, sourceBlock, sourceIndex)) return {};
  if (crossModel) storage.Block(index).Date = 0;
  storage.NewBlockAdded(discussion, index, 0);
  if (IsErrorReported()) return {};
  return made;
}

// What follows a shown pasted block: the tree below its source copied under it, a block
// taken into a model from another discussion made a heading, and a cut's source erased.
void CompletePaste(TDiscussion& discussion, TBlocksStorage& storage, TDiscBlockIndex made, bool cut,
                   TDiscussion& source, TDiscBlockIndex sourceIndex, bool crossModel) {
  const bool copied = discussion.Storages.CopyBlockTree(discussion, made, source, sourceIndex);
  TDiscBlock& pastedBlock = *discussion.Storages.GetDiscBlock(made);
  if (crossModel && copied && pastedBlock.TextType != TextType_Heading) {
    discussion.Undo.AddDiscBlockFieldChange(discussion, made, BlockField_TextType, pastedBlock.TextType);
    discussion.Undo.AddDiscBlockStrFieldChange(discussion, made, BlockField_Name, pastedBlock.Name);
    pastedBlock.TextType = TextType_Heading;
    storage.SetBlockName(made.Index, TStr((std::string(pastedBlock.Name.c_str()) + HeadingNameSuffix).c_str()));
  }
  // A cut's source goes only now that its copy stands.
  if (cut)
    if (TDiscBlock* gone = source.Storages.GetDiscBlock(sourceIndex))
      gone->SetDeleteFlag(source, sourceIndex, DeleteFlag_Erased, 0);
}

}  // namespace

int TBrowse::ServiceRowOf(const TBrowseItemIndex& path) const {
  const TBrowseState& state = CurrentBrowseState;
  for (int i = 0; i < state.RowCount(); ++i)
    if (state.Row(i).RowType == LowerListRow_Service && state.Row(i).ItemIndex == path) return i;
  return state.RowCount();
}

void TBrowse::ShowNewBlock(TDiscBlockIndex block, uint8_t displayMode, int& at) {
  TDiscussion* discussion = GetDiscussion();
  if (!discussion) return;
  TBrowseItem& current = CurrentBrowseState.CurrentItem;
  TBrowseItem child;
  child.Ident.SetDiscBlock(*discussion, block);
  child.DisplayMode = displayMode;
  current.Children.push_back(std::move(child));
  const int first = at;
  AddRowsOfChild(current, TBrowseItemIndex(), int(current.Children.size()) - 1, &at);
  SelectLowerListRow(first, false);
}

bool TBrowse::Paste(TClip& clip, const TBrowseItemIndex& clicked) {
  if (clip.IsEmpty()) return true;
  TDiscussionsManager* manager = DiscussionsManager();
  TDiscussion* discussion = GetDiscussion();
  TBrowseState& state = CurrentBrowseState;
  const TBrowseItem* clickedItem = clicked.Length() <= 1 ? clicked.GetBrowseItem(state.CurrentItem) : nullptr;
  if (!manager || !discussion || !clickedItem || clickedItem->Kind() != BrowseItem_Block) {
    MessageBeep(1);
    return false;
  }
  const TDiscBlockIndex current = state.CurrentItem.GetDiscBlockIndex();
  TDiscBlock* currentBlock = current.IsEmpty() ? nullptr : discussion->Storages.GetDiscBlock(current);
  if (!currentBlock) return Refuse("Blocks paste", "Upper block can only be a discussion block");
  const bool beforeRow = !clicked.IsEmpty();
  const TDiscBlockIndex clickedIndex = clickedItem->Ident.Index;
  const TDiscBlock* clickedBlock = discussion->Storages.GetDiscBlock(clickedIndex);
  if (!clickedBlock) return false;
  if (beforeRow && clickedBlock->StorageType != StorageType_Model && clickedBlock->StorageType != StorageType_Notes)
    return Refuse("Paste blocks before clicked", "Blocks can only be pasted before model or note block.");
  const TPastePlace place{*discussion,        current,           beforeRow,
                          clickedBlock->Name, clickedBlock->Num, clickedBlock->StorageType};

  int at = beforeRow ? ServiceRowOf(clicked) : state.RowCount();

  // The clipboard keeps its items: the command empties it once the whole paste stands, and
  // a paste refused halfway leaves it as it was.
  bool pasted = true;
  for (uint32_t item = 0; item < clip.Items.Count(); ++item) {
    TDiscussion* source = nullptr;
    TDiscBlockIndex sourceIndex;
    // A block gone since it was copied is never followed; it leaves the clipboard.
    if (!clip.Resolve(*manager, int(item), source, sourceIndex)) {
      clip.Items.Delete(item);
      pasted = Refuse("Blocks paste", "The copied block is no longer in its discussion.");
      break;
    }
    const TDiscBlock sourceBlock = *source->Storages.GetDiscBlock(sourceIndex);
    const uint8_t upperType = discussion->Storages.GetDiscBlock(current)->StorageType;
    const bool crossModel = source != discussion && discussion->IsCreating() && upperType == StorageType_Model;
    const uint8_t storageType = crossModel ? uint8_t(StorageType_Model) : sourceBlock.StorageType;
    TBlocksStorage* storage = storageType >= StorageType_Model && storageType <= StorageType_ModeratedComments
                                  ? discussion->Storages.GetStorage(storageType)
                                  : nullptr;
    if (!storage) {
      TError::Report("Paste - pasting block with invalid storage type");
      return false;
    }
    if (!MayPaste(place, storageType, source, sourceIndex)) {
      pasted = false;
      break;
    }
    const TDiscBlockIndex made =
        MakePastedBlock(place, *storage, storageType, *source, sourceBlock, sourceIndex, crossModel);
    if (made.IsEmpty()) return false;
    ShowNewBlock(made, DisplayMode_Brief, at);
    SendBlockNotification(Notify_BlockChanged, *discussion, made, false);
    CompletePaste(*discussion, *storage, made, clip.Cut, *source, sourceIndex, crossModel);
    if (IsErrorReported()) return false;
  }
  LowerListChangedFrom(0);
  return pasted;
}
