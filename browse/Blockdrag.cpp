// The pointer over the rows of the lower list: hover, the release that opens an item,
// and the drag of block rows into the list of another window (or this one).

#include "browse/Tbrowse.h"

#include "browse/Tformbrowse.h"
#include "browse/Tformbrowsemanager.h"
#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "foundation/Ttempcursor.h"
#include "model/Tclip.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tpanel.h"
#include "platform/forms/Tscreen.h"
#include "platform/gui/Gui.h"
#include "platform/rtl/Tdatetime.h"

#include <cstdlib>

namespace {

// The one place where a drag may start in the whole program: the row and the point of
// the last move over a row; x -1 when there is none.
struct TDragCandidate {
  int Row = -1, X = -1, Y = -1;
};
TDragCandidate& DragCandidate() {
  static TDragCandidate candidate;
  return candidate;
}

}  // namespace

void TBrowse::LowerListHover(int row, POINT inRow) {
  TBrowseState& state = CurrentBrowseState;
  if (!state.HasRow(row)) return;
  const bool service = state.Row(row).RowType == LowerListRow_Service;
  if (!HitAreas.HitTest(row, inRow.x, inRow.y) && Screen) Screen->SetCursor(service ? crHandPoint : crDefault);
  const int hovered = service ? row : -1;
  if (hovered != Hover.Row) {
    InvalidateLowerListRow(Hover.Row);
    Hover.MoveTo(hovered, Now());
    InvalidateLowerListRow(hovered);
  }
  // A quick move of a pressed block row starts a drag. Readers drag only notes.
  TDragCandidate& candidate = DragCandidate();
  TDiscussion* discussion = GetDiscussion();
  const TBrowseItem* item = state.Row(row).ItemIndex.GetBrowseItem(static_cast<const TBrowseItem&>(state.CurrentItem));
  const bool draggable = Drag.Armed() && item && item->Kind() == BrowseItem_Block && discussion &&
                         (discussion->IsCreating() || item->Ident.Index.StorageType == StorageType_Notes);
  if (!draggable) {
    candidate.X = -1;
    return;
  }
  if (candidate.X == -1 || (std::abs(candidate.X - inRow.x) < 3 && std::abs(candidate.Y - inRow.y) < 2)) {
    candidate = TDragCandidate{row, int(inRow.x), int(inRow.y)};
    return;
  }
  Drag.Start(candidate.Row);
  candidate.X = -1;
  if (Screen) Screen->SetCursor(crDrag);
  Hover.CancelAutoSelect();
  if (Form) Form->PanelDragAndDrop->SetMouseCapture(true);
}

void TBrowse::HoverAfterMenu() {
  if (!Form) return;
  POINT at{};
  GetCursorPos(&at);
  at = Form->PaintBoxLowerList->ScreenToClient(at);
  int row = -1;
  POINT inRow{};
  const TBrowseState& state = CurrentBrowseState;
  if (!LowerListHitTest(at.x, at.y, row, inRow) || !state.HasRow(row) || state.Row(row).RowType != LowerListRow_Service)
    row = -1;
  if (row != Hover.Row) {
    InvalidateLowerListRow(Hover.Row);
    InvalidateLowerListRow(row);
  }
  Hover.MoveTo(row, Now());
  Hover.CancelAutoSelect();
}

void TBrowse::LowerListMouseUp(int row, TMouseButton button, TShiftState, POINT) {
  TBrowseState& state = CurrentBrowseState;
  if (!state.HasRow(row)) return;
  const TLowerListRow& released = state.Row(row);
  if (released.RowType != LowerListRow_Service) return;
  if (button != mbLeft || !Drag.Armed()) return;
  Drag.Disarm();
  const TBrowseItem* shown = released.ItemIndex.GetBrowseItem(static_cast<const TBrowseItem&>(state.CurrentItem));
  if (!shown) return;
  const TBrowseItem item = *shown;  // opening replaces the state that holds it
  TFormBrowseManager* manager = FormBrowseManager();
  if (ModerationMode && manager && (item.Kind() == BrowseItem_Folder || item.Kind() == BrowseItem_Author)) {
    TBrowse* opened = manager->NewFormBrowse(state.DiscussionIndex, item, Form, 0, true);
    if (!opened) return;
    opened->ModerationMode = 0;
    if (item.Kind() == BrowseItem_Author && opened->Form) opened->Form->PanelUpperBlock->SetHeight(0);
    opened->CurrentBrowseItemChanged();
    opened->History.KeepOldest(1);
    return;
  }
  OpenBrowseItem(item);
}

void TBrowse::DragMovesOver(TControl* control) {
  Drag.StopScrolling();
  if (!Form || control != Form->PanelLowerListPaintBox) return;
  POINT pointer{};
  GetCursorPos(&pointer);
  const int y = Form->PaintBoxLowerList->ScreenToClient(pointer).y;
  Drag.ScrollUp = y < LowerList.ServiceRowHeight() ? 1 : 0;
  Drag.ScrollDown = Form->PaintBoxLowerList->Height() - LowerList.ServiceRowHeight() < y ? 1 : 0;
}

void TBrowse::TakeDrop(TBrowse& source) {
  if (!Form) return;
  POINT pointer{};
  GetCursorPos(&pointer);
  const POINT at = Form->PaintBoxLowerList->ScreenToClient(pointer);
  int row = -1;
  POINT inRow{};
  if (!LowerListHitTest(at.x, at.y, row, inRow)) row = -1;
  DropBlocks(source, row);
  source.Drag.End();
}

void TBrowse::DropBlocks(TBrowse& source, int targetRow) {
  TDiscussion* from = source.GetDiscussion();
  TDiscussionsManager* manager = DiscussionsManager();
  const TBrowseState& sourceState = source.CurrentBrowseState;
  if (!from || !manager || !source.Drag.Dragging() || source.Drag.SourceRow >= sourceState.RowCount()) return;
  bool move = source.Drag.Moves && from->IsCreating();
  TArray<TDiscBlockIndex> blocks;
  if (!source.GetMarkedDiscBlocks(sourceState.Row(source.Drag.SourceRow).ItemIndex, sourceState.CurrentItem, blocks))
    return;
  bool notes = false;
  for (const TDiscBlockIndex block : blocks) notes = notes || block.StorageType == StorageType_Notes;
  if (!move && notes) {
    bool dropped = false;
    for (int i = int(blocks.Count()) - 1; i >= 0; --i)
      if (blocks[uint32_t(i)].StorageType != StorageType_Notes) {
        blocks.Delete(uint32_t(i));
        dropped = true;
      }
    move = true;
    if (dropped) ShowMessageBox("DRAG & DROP WARNING", "All non-notes blocks can not be moved and will ignored!");
  }
  TClip clip;
  clip.Reset(move ? 1 : 0);
  for (const TDiscBlockIndex block : blocks)
    if (block.StorageType == StorageType_Comments || block.StorageType == StorageType_ModeratedComments) {
      ShowMessageBox("DRAG & DROP ERROR", "Can't drag & drop comment block!");
      return;
    }
  {
    TTempCursor hourglass;
    // A moved block is erased only once its copy stands (the paste of a cut does that), so
    // a refused drop loses nothing.
    for (const TDiscBlockIndex block : blocks) clip.Add(*manager, source.CurrentBrowseState.DiscussionIndex, block);
    TBrowseItemIndex target;
    if (CurrentBrowseState.HasRow(targetRow)) target = CurrentBrowseState.Row(targetRow).ItemIndex;
    if (!clip.IsEmpty()) Paste(clip, target);
  }
  Menu.Build(TBrowseItemIndex(), CurrentBrowseState.CurrentItem, 1);
}
