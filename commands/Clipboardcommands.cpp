#include "commands/Clipboardcommands.h"

#include "browse/Tbrowse.h"
#include "commands/Tbrowsecommands.h"
#include "foundation/Ttempcursor.h"
#include "model/Tclip.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/gui/Sysmetrics.h"

namespace {

void FillClipboard(TCommand& command, bool cut) {
  TTempCursor hourglass;
  TClip* clip = BlockClipboard();
  TDiscussionsManager* manager = DiscussionsManager();
  TDiscussion* discussion = command.Discussion;
  if (!clip || !manager || !discussion || !command.Path || !command.Root) {
    MessageBeep(1);
    return;
  }
  TBrowse& browse = command.Browse;
  clip->Reset(cut ? 1 : 0);
  TArray<TDiscBlockIndex> blocks;
  GetCommandBlocks(command, blocks);
  for (const TDiscBlockIndex block : blocks) {
    TDiscBlock* record = discussion->Storages.GetDiscBlock(block);
    if (!record) return;
    // Outside creating mode only notes are cut.
    if (cut && !discussion->IsCreating() && record->StorageType != StorageType_Notes) continue;
    clip->Add(*manager, browse.CurrentBrowseState.DiscussionIndex, block);
    if (!cut) continue;
    record->SetDeleteFlag(*discussion, block, DeleteFlag_Recycled, 0);
    browse.RemoveRowsOfDiscBlock(block);
  }
  browse.CurrentBrowseItemChanged();
}

}  // namespace

void CopyCommand(TCommand& command) { FillClipboard(command, false); }

void CutCommand(TCommand& command) { FillClipboard(command, true); }

void PasteCommand(TCommand& command) {
  TTempCursor hourglass;
  TClip* clip = BlockClipboard();
  if (!clip || !command.Path) {
    MessageBeep(1);
    return;
  }
  const TBrowseItemIndex clicked = *command.Path;
  if (command.Browse.Paste(*clip, clicked)) clip->Reset(0);
  command.Browse.CurrentBrowseItemChanged();
}

void UndoCommand(TCommand& command) {
  TBrowse& browse = command.Browse;
  if (!command.Discussion) {
    MessageBeep(1);
    return;
  }
  command.Discussion->Undo.UndoStep(*command.Discussion);
  TBrowseState& state = browse.CurrentBrowseState;
  const int count = int(state.Rows.Count());
  if (state.SelectedRow >= count) browse.SelectLowerListRow(0, false);
  int row = std::min<int>(state.SelectedRow, count - 1);
  while (row > 0 && state.Rows[uint32_t(row)].RowType != LowerListRow_Service) --row;
  if (row >= 0) browse.SelectLowerListRow(row, false);
  browse.Menu.Build(TBrowseItemIndex(), state.CurrentItem, 1);
}
