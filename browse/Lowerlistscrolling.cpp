// The lower list scrolled by its narrow scroll box, the deferred requests that the next
// paint of the scroll pattern carries out, selection by content and the keys of a browse
// window.

#include "browse/Commandcodes.h"
#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "foundation/Tbrowseglobal.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tscrollbox.h"
#include "platform/gui/Gui.h"

namespace {

// The nearest service row at or below a row; -1 when none.
int ServiceRowAtOrBelow(const TArray<TLowerListRow>& rows, int row) {
  for (int i = std::max(0, row); i < int(rows.Count()); ++i)
    if (rows[uint32_t(i)].RowType == LowerListRow_Service) return i;
  return -1;
}

// The row holding a position of the whole list (0 above the first row, the last row below
// the last).
int RowAtListPosition(const TArray<TLowerListRow>& rows, int position) {
  int row = 0, top = 0;
  while (row + 1 < int(rows.Count()) && top + rows[uint32_t(row)].Height <= position)
    top += rows[uint32_t(row++)].Height;
  return row;
}

}  // namespace

int TBrowse::GetFirstFullyVisibleRow() const {
  const TArray<TLowerListRow>& rows = CurrentBrowseState.Rows;
  int top = -LowerList.Offset();
  for (int i = 0; i < int(rows.Count()); ++i) {
    if (top >= 0) return i;
    top += rows[uint32_t(i)].Height;
  }
  return -1;
}

int TBrowse::GetLastFullyVisibleRow() const {
  if (!Form) return -1;
  const TArray<TLowerListRow>& rows = CurrentBrowseState.Rows;
  const int height = Form->PaintBoxLowerList->Height();
  int bottom = -LowerList.Offset(), last = -1;
  for (int i = 0; i < int(rows.Count()); ++i) {
    bottom += rows[uint32_t(i)].Height;
    if (bottom >= height) break;
    last = i;
  }
  return last;
}

int TBrowse::GetLowerListScrollPos() const {
  return Form ? Form->ScrollBoxLowerList2->VertScrollBar()->Position() : 0;
}

void TBrowse::SetLowerListScrollPos(int position) {
  if (!Form) return;
  TControlScrollBar* bar = Form->ScrollBoxLowerList2->VertScrollBar();
  position = std::clamp(position, 0, std::max(0, bar->ScrollRange()));
  if (position == bar->Position()) return;
  bar->SetPosition(position);
  // The scroll paint moves the list after the bar.
  Form->PaintBoxLowerListScrollPattern2->Invalidate();
  Form->PaintBoxLowerListScrollPattern2->Update();
}

void TBrowse::ScrollRowToTop(int row) {
  if (row < 0 || row >= int(CurrentBrowseState.Rows.Count())) return;
  SetLowerListScrollPos(GetLowerListRowRect(row).top + LowerList.Offset());
}

void TBrowse::SetPaintRequest(uint8_t request) {
  if (request == PaintRequest_Scroll) LowerList.RequestScroll();
  else if (request == PaintRequest_Layout) LowerList.RequestLayout();
}

void TBrowse::RunDeferredPaintRequests() {
  if (LowerList.LayoutRequested()) UpdateScrollPatternHeight();
  const TArray<TLowerListRow>& rows = CurrentBrowseState.Rows;
  const int selected = CurrentBrowseState.SelectedRow;
  if (LowerList.ScrollRequested() && selected >= 0 && selected < int(rows.Count()) && Form) {
    const int first = GetFirstFullyVisibleRow();
    if (first < 0 || selected < first) {
      ScrollRowToTop(selected);
      DropHover();
    }
    const int last = GetLastFullyVisibleRow();
    if (selected > last) {
      // The selected row comes about a third of the list below the top, a whole item at
      // the top. The row a third above it is looked for in the whole list, since the
      // selected row may lie far below the view.
      const RECT r = GetLowerListRowRect(selected);
      const int y = (r.top + r.bottom) / 2 - Form->PaintBoxLowerList->Height() / 3;
      int target = ServiceRowAtOrBelow(rows, RowAtListPosition(rows, y + LowerList.Offset()));
      if (target < 0 || target > selected) target = selected;
      ScrollRowToTop(target);
      DropHover();
    }
  }
  LowerList.ScrollDone();
}

void TBrowse::KeyDown(WORD key, TShiftState shift) {
  TBrowseState& state = CurrentBrowseState;
  const TArray<TLowerListRow>& rows = state.Rows;
  const int count = int(rows.Count());
  auto isService = [&](int row) { return rows[uint32_t(row)].RowType == LowerListRow_Service; };
  auto itemOf = [&](int row) { return rows[uint32_t(row)].ItemIndex.GetBrowseItem(state.CurrentItem); };
  switch (key) {
    case VK_BACK:
      UpperPanelMouseDown(mbLeft, TShiftState(), POINT{0, 0});
      break;
    case VK_RETURN: {
      const int selected = state.SelectedRow;
      const TBrowseItem* item = selected >= 0 && selected < count ? itemOf(selected) : nullptr;
      if (!item) {
        MessageBeep(1);
        break;
      }
      OpenBrowseItem(TBrowseItem(*item));
      break;
    }
    case VK_SPACE:
    case VK_NEXT: {
      int last = GetLastFullyVisibleRow();
      // A row taller than the list: its own item.
      if (last < 0) last = state.SelectedRow;
      if (last < 0 || last >= count) break;
      while (last > 0 && !isService(last)) --last;
      SelectLowerListRow(last, false);
      ScrollRowToTop(last);
      DropHover();
      break;
    }
    case VK_PRIOR: {
      if (count == 0) break;
      int first = GetFirstFullyVisibleRow();
      if (first < 0) first = std::max(0, int(state.SelectedRow));
      // The row holding the list position a page above the first whole row.
      const int y =
          GetLowerListRowRect(first).top + LowerList.Offset() - (Form ? Form->PaintBoxLowerList->Height() : 0);
      const int target = ServiceRowAtOrBelow(rows, RowAtListPosition(rows, y));
      if (target < 0) break;
      SelectLowerListRow(target, false);
      ScrollRowToTop(target);
      DropHover();
      break;
    }
    case VK_UP:
    case VK_DOWN: {
      if (count == 0) break;
      const bool marking = shift.Contains(ssShift);
      const int selected = std::clamp(int(state.SelectedRow), 0, count - 1);
      if (marking)
        if (TBrowseItem* item = itemOf(selected)) item->Marked = 1;
      int row = selected;
      for (int step = 0; step < count; ++step) {
        row = key == VK_UP ? (row + count - 1) % count : (row + 1) % count;
        if (isService(row)) break;
      }
      if (marking) {
        if (TBrowseItem* item = itemOf(row)) item->Marked = 1;
        InvalidateLowerListRow(selected);
        InvalidateLowerListRow(row);
        LowerList.SetAnchorRow(row);
      }
      if (key == VK_UP) {
        SelectLowerListRow(row, true);
        break;
      }
      const int last = GetLastFullyVisibleRow();
      SelectLowerListRow(row, false);
      if (row > last) {
        // The new item's service row and the row after it come into view.
        int grow = 0;
        for (int i = last + 1; i <= std::min(row + 1, count - 1); ++i) grow += rows[uint32_t(i)].Height;
        SetLowerListScrollPos(GetLowerListScrollPos() + grow);
      }
      DropHover();
      break;
    }
    case 'S':
      if (shift.Contains(ssCtrl) && !shift.Contains(ssShift) && !shift.Contains(ssAlt)) {
        const TBrowseItem current = state.CurrentItem;
        const TBrowseItemIndex none;
        ProcessCommand(&none, &current, "", Command_Save, TShiftState(), -1, -1);
      }
      break;
    default: break;
  }
}
