// Items of the lower list folded and unfolded in place.

#include "browse/Tbrowse.h"

#include "browse/Lowerlistcollectors.h"
#include "foundation/Terror.h"
#include "model/Tdiscussion.h"

void TBrowse::ToggleRowFolding(int row) {
  TBrowseState& state = CurrentBrowseState;
  if (!state.HasRow(row)) return;
  const TBrowseItemIndex path = state.Row(row).ItemIndex;
  TBrowseItem* item = path.GetBrowseItem(state.CurrentItem);
  TDiscussion* discussion = GetDiscussion();
  const TDiscBlock* block = item && item->Kind() == BrowseItem_Block && discussion
                                ? discussion->Storages.GetDiscBlock(item->Ident.Index)
                                : nullptr;
  if (!item) return;
  const bool heading = block && block->TextType == TextType_Heading;
  if (item->DisplayMode == DisplayMode_Full) {
    int first = row;
    while (first > 0 && state.Row(first).RowType == LowerListRow_FullText) --first;
    item->DisplayMode = DisplayMode_Brief;
    if (heading) {
      for (size_t i = item->Children.size(); i-- > 0;) {
        TBrowseItemIndex child = path;
        child.Append(uint16_t(i));
        RemoveRowsOfBrowseItem(0, child);
      }
      if ((item = path.GetBrowseItem(state.CurrentItem))) item->Children.clear();
    } else if (block) {
      RemoveRowsOfBrowseItem(LowerListRow_FullText, path);
    }
    InvalidateLowerListRow(first);
    return;
  }
  if (!block) return;
  item->DisplayMode = DisplayMode_Full;
  if (heading) {
    if (state.SpecCaptionType == SpecCaption_Retrieval || state.ListKind == ListKind_Chain) return;
    // The children come after the heading's own rows.
    int after = row + 1;
    while (after < state.RowCount() && state.Row(after).ItemIndex == path) ++after;
    BuildLowerList_JustLowerList(path, after);
  } else {
    const int height = discussion->Storages.GetDiscBlock(item->Ident.Index)
                           ->GetLinesHeightMode2(*this, *discussion, item->Ident.Index, item->Level);
    InsertLowerListRow(row + 1, LowerListRow_FullText, path, height);
  }
  InvalidateLowerListRow(row);
}

void TBrowse::UnfoldRowsOfDiscBlock(TDiscBlockIndex block) {
  TBrowseState& state = CurrentBrowseState;
  for (size_t i = 0; i < state.CurrentItem.Children.size(); ++i) {
    const TBrowseItem& child = state.CurrentItem.Children[i];
    if (child.Kind() != BrowseItem_Block || !(child.Ident.Index == block) || child.DisplayMode == DisplayMode_Full)
      continue;
    for (int row = 0; row < state.RowCount(); ++row) {
      const TLowerListRow& shown = state.Row(row);
      if (shown.RowType == LowerListRow_Text && shown.ItemIndex.Length() == 1 && shown.ItemIndex.Path[0] == i) {
        ToggleRowFolding(row);
        break;
      }
    }
  }
}
