// The builders of the lower list: each gathers the things related to the window's item
// (Lowerlistcollectors.h), makes a child item for each and the rows that show it, and
// selects the row the user chose the last time the list was shown.

#include "browse/Browsecommand.h"
#include "browse/Commandcodes.h"
#include "browse/Lowerlistcollectors.h"
#include "browse/Paintsettings.h"
#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "browse/Workcanvas.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Terror.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tgraphicsobject.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tpanel.h"

#include <algorithm>

TBrowseItem* TBrowse::BeginLowerList(uint8_t listKind, const TBrowseItemIndex& listed) {
  TBrowseState& state = CurrentBrowseState;
  LowerList.DropAnchor();
  SelectLowerListRow(0, false);
  // The rows' block is kept: a list built again needs as much room, and takes it at once.
  state.Rows.RemoveAll();
  state.SelectedRow = 0;
  LowerListChangedFrom(0);
  HitAreas.DropHover();
  state.ListKind = listKind;
  TBrowseItem* item = listed.GetBrowseItem(state.CurrentItem);
  if (item) item->Children.clear();
  return item;
}

void TBrowse::AddRowsOfChild(TBrowseItem& parent, const TBrowseItemIndex& parentPath, int position, int* at) {
  TBrowseItemIndex path = parentPath;
  path.Append(uint16_t(position));
  const auto add = [&](uint8_t rowType, int height) {
    if (at) {
      InsertLowerListRow((*at)++, rowType, path, height);
      return;
    }
    const int32_t index = CurrentBrowseState.Rows.AddEmptyItem();
    if (index < 0) return;
    TLowerListRow& row = CurrentBrowseState.Row(index);
    row.RowType = rowType;
    row.Height = height;
    row.ItemIndex = path;
  };
  const TBrowseItem& child = parent.Children[size_t(position)];
  add(LowerListRow_Service, LowerList.ServiceRowHeight());
  if (child.Kind() != BrowseItem_Block) return;
  TDiscussion* discussion = GetDiscussion();
  TDiscBlock* block = discussion ? discussion->Storages.GetDiscBlock(child.Ident.Index) : nullptr;
  if (!block) return;
  const TDiscBlockIndex index = child.Ident.Index;
  const int level = child.Level;
  const uint8_t mode = child.DisplayMode;
  add(LowerListRow_Text, block->GetLinesHeightMode1(*this, *discussion, index, level));
  if (mode == DisplayMode_Full) add(LowerListRow_FullText, block->GetLinesHeightMode2(*this, *discussion, index, level));
}

TBrowseItem* TBrowse::BeginBlockList(uint8_t listKind, const char* refusal) {
  TBrowseItem* listed = BeginLowerList(listKind, TBrowseItemIndex());
  if (listed && listed->Kind() == BrowseItem_Block && GetDiscussion()) return listed;
  TError::Report(refusal);
  LowerListChangedFrom(0);
  return nullptr;
}

void TBrowse::RestoreListSelection() {
  TDiscussion* discussion = GetDiscussion();
  if (!discussion) return;
  const TBrowseState& state = CurrentBrowseState;
  const TBrowseItemIdent* remembered = discussion->User.GetSecondBrowseItemIdent(state.CurrentItem.Ident, state.ListKind);
  if (remembered) SelectRowByItemIdent(*remembered, true);
}

bool TBrowse::SelectRowByItemIdent(const TBrowseItemIdent& ident, bool scroll) {
  TBrowseState& state = CurrentBrowseState;
  for (int i = 0; i < state.RowCount(); ++i) {
    const TLowerListRow& row = state.Row(i);
    if (row.RowType != LowerListRow_Service) continue;
    const TBrowseItem* item = row.ItemIndex.GetBrowseItem(std::as_const(state.CurrentItem));
    if (item && item->Ident == ident) {
      SelectLowerListRow(i, scroll);
      return true;
    }
  }
  return false;
}

namespace {

// Block children of an item, one per reference, in list order.
void AddBlockChildren(TDiscussion& discussion, TBrowseItem& parent, const TArray<TDiscBlockIndex>& blocks) {
  parent.Children.resize(blocks.Count());
  for (uint32_t i = 0; i < blocks.Count(); ++i) {
    TBrowseItem& child = parent.Children[i];
    child.Ident.SetDiscBlock(discussion, blocks[i]);
    child.Level = int16_t(parent.Level + 1);
  }
}

void AddAuthorChildren(TBrowseItem& parent, const TArray<TAuthorADIdent>& idents, uint8_t moderation) {
  parent.Children.resize(idents.Count());
  for (uint32_t i = 0; i < idents.Count(); ++i) {
    TBrowseItem& child = parent.Children[i];
    child.Ident.Kind = BrowseItem_Author;
    child.Ident.ADIdent = idents[i].ADIdent;
    child.Level = int16_t(parent.Level + 1);
    child.Moderation = moderation;
  }
}

bool IsHeading(TDiscussion& discussion, const TBrowseItem& item) {
  const TDiscBlock* block = discussion.Storages.GetDiscBlock(item.Ident.Index);
  return block && block->TextType == TextType_Heading;
}

}  // namespace

void TBrowse::BuildLowerList_JustLowerList(TBrowseItemIndex parent, int insertRow) {
  TBrowseState& state = CurrentBrowseState;
  const bool whole = insertRow < 0;
  TBrowseItem* listed = nullptr;
  if (whole) {
    listed = BeginLowerList(ModerationMode ? ListKind_ModerationChildren : ListKind_Children, parent);
  } else if ((listed = parent.GetBrowseItem(state.CurrentItem))) {
    listed->Children.clear();
  }
  if (IsErrorReported()) return;
  if (!listed || listed->Kind() != BrowseItem_Block) {
    TError::Report("TBrowse::BuildLowerList_JustLowerList - тип элемента просмотра неверный");
    LowerListChangedFrom(0);
    return;
  }
  TDiscussion* discussion = GetDiscussion();
  const TDiscBlockIndex block = listed->Ident.Index;
  if (discussion && !block.IsEmpty()) {
    TArray<TDiscBlockIndex> blocks;
    if (ModerationMode && block == discussion->Storages.GetRootBlockIndex()) {
      // The moderator's root lists the moderated comments of doubtful authors in full.
      CollectDoubtfulModeratedComments(*discussion, blocks);
      state.CurrentItem.DisplayMode = DisplayMode_Full;
      if (Form) Form->PanelUpperBlock->SetHeight(0);
    } else {
      CollectChildBlocks(*discussion, block, blocks);
    }
    if (IsErrorReported()) return;
    AddBlockChildren(*discussion, *listed, blocks);
    const bool allHeadings = std::all_of(listed->Children.begin(), listed->Children.end(),
                                         [&](const TBrowseItem& child) { return IsHeading(*discussion, child); });
    if (whole && !listed->Children.empty() && allHeadings) state.DisplayMode = DisplayMode_Brief;
    int at = insertRow;
    for (size_t i = 0; i < listed->Children.size(); ++i) {
      TBrowseItem& child = listed->Children[i];
      child.DisplayMode = IsHeading(*discussion, child) ? uint8_t(DisplayMode_Brief) : state.DisplayMode;
      AddRowsOfChild(*listed, parent, int(i), whole ? nullptr : &at);
      if (IsErrorReported()) return;
    }
    if (whole) RestoreListSelection();
  }
  LowerListChangedFrom(0);
}

bool TBrowse::BuildLowerList_BlocksOfAuthor(uint8_t moderation) {
  TBrowseState& state = CurrentBrowseState;
  TBrowseItem* listed = BeginLowerList(ListKind_BlocksOfAuthor, TBrowseItemIndex());
  TDiscussion* discussion = GetDiscussion();
  if (!listed || listed->Kind() != BrowseItem_Author || !discussion) {
    TError::Report("TBrowse::BuildLowerList_BlocksOfAuthor - тип элемента просмотра неверен");
    LowerListChangedFrom(0);
    return false;
  }
  if (moderation) listed->DisplayMode = DisplayMode_Full;
  TArray<TDiscBlockIndex> blocks;
  CollectBlocksOfAuthor(*discussion, listed->Ident.ADIdent, moderation != 0, blocks);
  if (IsErrorReported()) return false;
  AddBlockChildren(*discussion, *listed, blocks);
  for (size_t i = 0; i < listed->Children.size(); ++i) {
    TBrowseItem& child = listed->Children[i];
    const bool full = child.Ident.Index.StorageType == StorageType_ModeratedComments ||
                      (state.Creating && !IsHeading(*discussion, child));
    child.DisplayMode = full ? DisplayMode_Full : DisplayMode_Brief;
    child.Moderation = moderation;
    AddRowsOfChild(*listed, TBrowseItemIndex(), int(i), nullptr);
    if (IsErrorReported()) return false;
  }
  const bool found = !blocks.IsEmpty();
  if (found)
    RestoreListSelection();
  else
    ShowMessageBox("THE EXPERT'S COMMENTS", "There are no the expert's comments");
  if (Form) Form->PanelUpperBlock->SetHeight(0);
  LowerListChangedFrom(0);
  return found;
}

TDiscBlockIndex TBrowse::BuildLowerList_ChainToMonography() {
  TBrowseItem* listed =
      BeginBlockList(ListKind_Chain, "TBrowse::BuildLowerList_ChainToMonography - тип элемента просмотра неверен");
  if (!listed) return {};
  TDiscussion* discussion = GetDiscussion();
  TArray<TDiscBlockIndex> blocks;
  const TDiscBlockIndex top = CollectChain(*discussion, listed->Ident.Index, blocks);
  FillBriefBlockList(*discussion, *listed, blocks);
  return IsErrorReported() ? TDiscBlockIndex{} : top;
}

void TBrowse::BuildLowerList_FormulasForTextTo() {
  TBrowseItem* listed =
      BeginBlockList(ListKind_Formulas, "TBrowse::BuildLowerList_FormulasForTextTo - тип элемента просмотра неверен");
  if (!listed) return;
  TDiscussion* discussion = GetDiscussion();
  TArray<TDiscBlockIndex> blocks;
  CollectFormulasForText(*discussion, listed->Ident.Index, blocks);
  FillBriefBlockList(*discussion, *listed, blocks);
}

void TBrowse::BuildLowerList_History() {
  TBrowseItem* listed =
      BeginBlockList(ListKind_History, "TBrowse::BuildLowerList_History - тип элемента просмотра неверен");
  if (!listed) return;
  TDiscussion* discussion = GetDiscussion();
  TArray<TDiscBlockIndex> blocks;
  CollectHistory(*discussion, blocks);
  FillBriefBlockList(*discussion, *listed, blocks);
}

void TBrowse::FillBriefBlockList(TDiscussion& discussion, TBrowseItem& listed, const TArray<TDiscBlockIndex>& blocks) {
  if (IsErrorReported()) return;
  AddBlockChildren(discussion, listed, blocks);
  for (size_t i = 0; i < listed.Children.size(); ++i) {
    listed.Children[i].DisplayMode = DisplayMode_Brief;
    AddRowsOfChild(listed, TBrowseItemIndex(), int(i), nullptr);
    if (IsErrorReported()) return;
  }
  RestoreListSelection();
  LowerListChangedFrom(0);
}

void TBrowse::BuildLowerList_ThesisDisputants() {
  TBrowseState& state = CurrentBrowseState;
  TBrowseItem* listed =
      BeginBlockList(ListKind_ThesisDisputants, "TBrowse::BuildLowerList_ThesisDisputants - тип элемента просмотра неверен");
  if (!listed) return;
  TDiscussion* discussion = GetDiscussion();
  state.SpecCaptionType = SpecCaption_ThesisDisputants;
  state.SecondBlock = listed->Ident.Index;
  TArray<TAuthorADIdent> idents;
  CollectThesisDisputants(*discussion, listed->Ident.Index, idents);
  if (IsErrorReported()) return;
  AddAuthorChildren(*listed, idents, ModerationMode);
  for (size_t i = 0; i < listed->Children.size(); ++i) AddRowsOfChild(*listed, TBrowseItemIndex(), int(i), nullptr);
  if (IsErrorReported()) return;
  RestoreListSelection();
  LowerListChangedFrom(0);
}

void TBrowse::BuildLowerList_Experts(int discussionIndex, uint8_t trust, uint8_t ofModeratedComments) {
  TBrowseItem* listed = BeginLowerList(ListKind_Experts, TBrowseItemIndex());
  TDiscussionsManager* manager = DiscussionsManager();
  if (!listed || !manager || discussionIndex < 0 || discussionIndex >= manager->GetDiscussionsCount()) {
    TError::Report("TBrowse::BuildLowerList_Experts - нет обсуждения " + std::to_string(discussionIndex));
    LowerListChangedFrom(0);
    return;
  }
  TArray<TAuthorADIdent> idents;
  CollectExperts(manager->GetDiscussion(discussionIndex), trust, ofModeratedComments != 0, idents);
  if (IsErrorReported()) return;
  AddAuthorChildren(*listed, idents, ModerationMode);
  for (size_t i = 0; i < listed->Children.size(); ++i) AddRowsOfChild(*listed, TBrowseItemIndex(), int(i), nullptr);
  LowerListChangedFrom(0);
}

void TBrowse::BuildLowerList_MonoGroupChilds(int16_t folder) {
  TBrowseItem* listed = BeginLowerList(ListKind_FolderChildren, TBrowseItemIndex());
  TDiscussionsManager* manager = DiscussionsManager();
  if (!listed || listed->Kind() != BrowseItem_Folder || !manager) {
    TError::Report("TBrowse::BuildLowerList_MonoGroupChilds - тип элемента просмотра неверен");
    LowerListChangedFrom(0);
    return;
  }
  TArray<TMonoGroupIndex> entries;
  if (!CollectMonoGroupChilds(*manager, folder, ModerationMode, ShowAll, DefaultModerationSources(), entries)) return;
  listed->Children.resize(entries.Count());
  for (uint32_t i = 0; i < entries.Count(); ++i) {
    TBrowseItem& child = listed->Children[i];
    child.Ident.Kind = BrowseItem_Folder;
    child.Ident.Folder = entries[i].Folder;
    child.Level = int16_t(listed->Level + 1);
    child.Moderation = entries[i].Moderated;
    child.DiscussionIndex = entries[i].Discussion;
    child.Separator = entries[i].Separator;
    AddRowsOfChild(*listed, TBrowseItemIndex(), int(i), nullptr);
  }
  LowerListChangedFrom(0);
}

// A window keeps its own list when it is refreshed: a retrieval finds again what it found,
// a list of history or of disputants is gathered again, and a window opened on a block
// (every move into a block clears the special caption) lists the block's children.
void TBrowse::RebuildBlockList() {
  const TBrowseState& state = CurrentBrowseState;
  switch (state.SpecCaptionType) {
    case SpecCaption_Retrieval:
      BuildLowerList_Retrieval(state.RetrievalKind, state.RetrievalData, state.Caption.ToString(),
                               state.RetrievalCaseSensitive != 0, nullptr);
      break;
    case SpecCaption_ThesisDisputants: BuildLowerList_ThesisDisputants(); break;
    case SpecCaption_History: BuildLowerList_History(); break;
    case SpecCaption_Experts: break;  // lists authors; nothing a block command changes
    default: BuildLowerList_JustLowerList(TBrowseItemIndex(), -1); break;
  }
}

void TBrowse::RebuildLowerList() {
  TBrowseState& state = CurrentBrowseState;
  switch (state.CurrentItem.Kind()) {
    case BrowseItem_Block:
      if (GetDiscussion()) RebuildBlockList();
      break;
    case BrowseItem_Author:
      if (GetDiscussion() && !BuildLowerList_BlocksOfAuthor(ModerationMode) && !IsErrorReported() &&
          History.Count() > 1) {
        // Nothing to show: "Back" to where the user came from.
        const TBrowseItemIndex none;
        const TBrowseItem item = state.CurrentItem;
        ProcessCommand(&none, &item, std::string(), Command_Back, TShiftState(), -1, -1);
      }
      break;
    case BrowseItem_Folder:
      if (Form) Form->PanelUpperBlock->SetHeight(0);
      BuildLowerList_MonoGroupChilds(state.CurrentItem.Ident.Folder);
      break;
    default: break;
  }
}
