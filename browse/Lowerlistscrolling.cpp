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
int ServiceRowAtOrBelow(const TBrowseState& state, int row) {
  for (int i = std::max(0, row); i < state.RowCount(); ++i)
    if (state.Row(i).RowType == LowerListRow_Service) return i;
  return -1;
}

// The row holding a position of the whole list (0 above the first row, the last row below
// the last).
int RowAtListPosition(const TBrowseState& state, int position) {
  int row = 0, top = 0;
  while (row + 1 < state.RowCount() && top + state.Row(row).Height <= position) top += state.Row(row++).Height;
  return row;
}

}  // namespace

int TBrowse::GetFirstFullyVisibleRow() const {
  const TBrowseState& state = CurrentBrowseState;
  int top = -LowerList.Offset();
  for (int i = 0; i < state.RowCount(); ++i) {
    if (top >= 0) return i;
    top += state.Row(i).Height;
  }
  return -1;
}

int TBrowse::GetLastFullyVisibleRow() const {
  if (!Form) return -1;
  const TBrowseState& state = CurrentBrowseState;
  const int height = Form->PaintBoxLowerList->Height();
  int bottom = -LowerList.Offset(), last = -1;
  for (int i = 0; i < state.RowCount(); ++i) {
    bottom += state.Row(i).Height;
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
  if (!CurrentBrowseState.HasRow(row)) return;
  SetLowerListScrollPos(GetLowerListRowRect(row).top + LowerList.Offset());
}

void TBrowse::SetPaintRequest(uint8_t request) {
  if (request == PaintRequest_Scroll) LowerList.RequestScroll();
  else if (request == PaintRequest_Layout) LowerList.RequestLayout();
}

void TBrowse::RunDeferredPaintRequests() {
  if (LowerList.LayoutRequested()) UpdateScrollPatternHeight();
  const TBrowseState& state = CurrentBrowseState;
  const int selected = CurrentBrowseState.SelectedRow;
  if (LowerList.ScrollRequested() && state.HasRow(selected) && Form) {
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
      int target = ServiceRowAtOrBelow(state, RowAtListPosition(state, y + LowerList.Offset()));
      if (target < 0 || target > selected) target = selected;
      ScrollRowToTop(target);
      DropHover();
    }
  }
  LowerList.ScrollDone();
}

void TBrowse::KeyDown(WORD key, TShiftState shift) {
  TBrowseState& state = CurrentBrowseState;
  const int count = state.RowCount();
  auto isService = [&](int row) { return state.Row(row).RowType == LowerListRow_Service; };
  auto itemOf = [&](int row) { return state.Row(row).ItemIndex.GetBrowseItem(state.CurrentItem); };
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
      if (first < 0) first = std::max(0, state.SelectedRow);
      // The row holding the list position a page above the first whole row.
      const int y =
          GetLowerListRowRect(first).top + LowerList.Offset() - (Form ? Form->PaintBoxLowerList->Height() : 0);
      const int target = ServiceRowAtOrBelow(state, RowAtListPosition(state, y));
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
      const int selected = std::clamp(state.SelectedRow, 0, count - 1);
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
        for (int i = last + 1; i <= std::min(row + 1, count - 1); ++i) grow += state.Row(i).Height;
        SetLowerListScrollPos(GetLowerListScrollPos() + grow);
      }
      DropHover();
      break;
    }
    default:
      // The keys of the commands run them on the window's current item.
      if (const uint8_t code = CommandOfKey(key, shift)) {
        const TBrowseItem current = state.CurrentItem;
        const TBrowseItemIndex none;
        ProcessCommand(&none, &current, "", code, TShiftState(), -1, -1);
      }
      break;
  }
}
