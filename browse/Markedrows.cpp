// The marked rows of the lower list: marking them with Alt, Ctrl and Shift presses, and
// collecting the blocks (or identifiers) a command on an item works on.

#include "browse/Tbrowse.h"

#include "platform/gui/Sysmetrics.h"

#include <algorithm>

namespace {

// Calls take(item) for each item the command on `path` in `root` works on: the current
// item alone; else the marked items of the service rows, or, when none is marked, every
// service row's item showing the same block as the given item. False when a marked item
// (or the current item) is not a block.
template <class Take>
bool CollectMarked(TBrowseState& state, const TBrowseItemIndex& path, const TBrowseItem& root, Take take) {
  const TBrowseItem* item = path.GetBrowseItem(root);
  if (!item) return false;
  if (&root == &state.CurrentItem && path.IsEmpty()) {
    if (item->Kind() != BrowseItem_Block) return false;
    take(*item);
    return true;
  }
  bool blocks = true;
  bool anyMarked = false;
  for (const TLowerListRow& row : state.Rows) {
    if (row.RowType != LowerListRow_Service) continue;
    const TBrowseItem* shown = row.ItemIndex.GetBrowseItem(static_cast<const TBrowseItem&>(state.CurrentItem));
    if (!shown || !shown->Marked) continue;
    anyMarked = true;
    if (shown->Kind() != BrowseItem_Block) blocks = false;
    else take(*shown);
  }
  if (anyMarked || item->Kind() != BrowseItem_Block) return blocks;
  for (const TLowerListRow& row : state.Rows) {
    if (row.RowType != LowerListRow_Service) continue;
    const TBrowseItem* shown = row.ItemIndex.GetBrowseItem(static_cast<const TBrowseItem&>(state.CurrentItem));
    if (shown && shown->Kind() == BrowseItem_Block && shown->Ident.Index == item->Ident.Index) take(*shown);
  }
  return true;
}

}  // namespace

bool TBrowse::GetMarkedDiscBlocks(const TBrowseItemIndex& path, const TBrowseItem& root,
                                  TArray<TDiscBlockIndex>& blocks) {
  blocks.Clear();
  return CollectMarked(CurrentBrowseState, path, root,
                       [&](const TBrowseItem& item) { blocks.AddItem(item.Ident.Index); });
}

bool TBrowse::GetMarkedBrowseItemIdents(const TBrowseItemIndex& path, const TBrowseItem& root,
                                        TArray<TBrowseItemIdent>& idents) {
  idents.Clear();
  return CollectMarked(CurrentBrowseState, path, root,
                       [&](const TBrowseItem& item) { idents.AddItemNoDupes(item.Ident); });
}

void TBrowse::MarkRowsByPress(int row, TShiftState shift) {
  TBrowseState& state = CurrentBrowseState;
  const int count = state.RowCount();
  auto serviceItem = [&](int i) -> TBrowseItem* {
    const TLowerListRow& r = state.Row(i);
    return r.RowType == LowerListRow_Service ? r.ItemIndex.GetBrowseItem(state.CurrentItem) : nullptr;
  };
  auto setMark = [&](int i, uint8_t mark) {
    TBrowseItem* item = serviceItem(i);
    if (!item || item->Marked == mark) return;
    item->Marked = mark;
    InvalidateLowerListRow(i);
  };
  if (shift.Contains(ssAlt)) {
    // This item alone.
    for (int i = 0; i < count; ++i)
      if (i != row) setMark(i, 0);
    setMark(row, 1);
  } else if (shift.Contains(ssCtrl)) {
    if (TBrowseItem* item = serviceItem(row)) setMark(row, item->Marked ? 0 : 1);
  } else if (shift.Contains(ssShift)) {
    if (!LowerList.HasAnchorWithin(count)) {
      Drag.Disarm();
      MessageBeep(1);
      return;
    }
    const int from = std::min(row, LowerList.AnchorRow());
    const int to = std::max(row, LowerList.AnchorRow());
    for (int i = from; i <= to; ++i) setMark(i, 1);
  } else {
    // A plain press: the anchor of a later Shift press; the release opens the item.
    LowerList.SetAnchorRow(row);
    return;
  }
  Drag.Disarm();
  LowerList.SetAnchorRow(row);
}
