#include "browse/Tbrowsestate.h"

#include "browse/Lowerlistcollectors.h"
#include "model/Blockretrieval.h"
#include "model/Modelhooks.h"

#include <algorithm>

void TBrowseState::Init() {
  Clear();
  SelectedRow = 0;
  ListKind = ListKind_None;
  UpperPanelHeight = 100;
  DisplayMode = DisplayMode_Brief;
  DiscussionIndex = -1;
  Creating = 0;
  SpecCaptionType = SpecCaption_None;
  RetrievalKind = Retrieval_None;
  RetrievalData = -1;
  RetrievalCaseSensitive = 0;
  ModerationType = ModerateType_Undefined;
}

void TBrowseState::Clear() {
  CurrentItem.Clear();
  Rows.Clear();
  FirstBlock.Clear();
  SecondBlock.Clear();
  Caption.Clear();
}

namespace {

void EmptyItemsOf(TBrowseItem& item, TDiscBlockIndex block) {
  for (TBrowseItem& child : item.Children) {
    if (child.Kind() == BrowseItem_Block && child.Ident.Index == block) child.Clear();
    else EmptyItemsOf(child, block);
  }
}

// Whether the path passes through an item showing the block.
bool PassesThrough(const TBrowseItem& root, const TBrowseItemIndex& path, TDiscBlockIndex block) {
  const TBrowseItem* item = &root;
  for (const uint16_t step : path.Path) {
    if (step >= item->Children.size()) return false;
    item = &item->Children[step];
    if (item->Kind() == BrowseItem_Block && item->Ident.Index == block) return true;
  }
  return false;
}

}  // namespace

void TBrowseState::RemoveDiscBlock(TDiscBlockIndex block, bool& hit, bool& currentHit) {
  hit = false;
  currentHit = CurrentItem.Kind() == BrowseItem_Block && CurrentItem.Ident.Index == block;
  for (int i = RowCount() - 1; i >= 0; --i)
    if (PassesThrough(CurrentItem, Row(i).ItemIndex, block)) {
      DeleteRow(i);
      if (SelectedRow > i) --SelectedRow;
      hit = true;
    }
  if (SelectedRow >= RowCount()) SelectedRow = std::max(0, RowCount() - 1);
  EmptyItemsOf(CurrentItem, block);
}
