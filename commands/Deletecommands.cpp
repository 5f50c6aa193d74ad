#include "commands/Deletecommands.h"

#include "browse/Tbrowse.h"
#include "commands/Tbrowsecommands.h"
#include "commands/Tformfixingtrouble.h"
#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "foundation/Ttempcursor.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionstatistics.h"
#include "platform/gui/Sysmetrics.h"

#include <string>

namespace {

// The blocks the command works on; false (with a beep) when there are none.
bool CommandBlocks(TCommand& command, TArray<TDiscBlockIndex>& blocks) {
  if (!command.Discussion || !GetCommandBlocks(command, blocks) || blocks.IsEmpty()) {
    MessageBeep(1);
    return false;
  }
  for (const TDiscBlockIndex block : blocks)
    if (!command.Discussion->Storages.IsValidIndex(block)) return false;
  return true;
}

bool Ask(const std::string& caption, const std::string& question) {
  return ShowMessageBox(caption, question, "", "Yes|No", 0) == 0;
}

// The refusal of deleting a block, or null when it may be deleted.
const char* DeleteRefusal(TDiscussion& discussion, TDiscBlockIndex index, const TDiscBlock& block) {
  // The root holds the whole model: deleting it would leave nothing to open.
  if (index == discussion.Storages.GetRootBlockIndex()) return "The root block of a discussion can't be deleted!";
  switch (block.StorageType) {
    case StorageType_Model:
      return discussion.IsCreating() ? nullptr : "Model blocks can be deleted in Creating mode only!";
    case StorageType_Comments: return "Published comment blocks can't be deleted!";
    case StorageType_ModeratedComments:
      return discussion.IsModerator() ? nullptr : "Moderated comment blocks can be deleted by Moderator only!";
    default: return nullptr;
  }
}

// The block leaves its upper block for the recycle bin, keeping the upper block's name
// so that it can be restored under it.
void MoveToRecycleBin(TDiscussion& discussion, TDiscBlockIndex index) {
  TDiscBlock& block = *discussion.Storages.GetDiscBlock(index);
  const TDiscBlock old = block;
  if (block.UnlinkedIndex == NoUnlinkedBlockInfo) {
    const int record = AddUnlinkedBlockInfo(discussion.UnlinkedBlockInfos, discussion, block.GetDiscBlockCode());
    if (record < 0) return;
    block.UnlinkedIndex = uint16_t(record);
  }
  TUnlinkedBlockInfo& info = discussion.UnlinkedBlockInfos[block.UnlinkedIndex];
  if (!info.LostParent) {
    const TUnlinkedBlockInfo oldInfo = info;
    info.LostParent = 1;
    const TDiscBlock* upper = block.Upper.IsEmpty() ? nullptr : discussion.Storages.GetDiscBlock(block.Upper);
    info.ParentName = upper ? upper->Name : TStr();
    discussion.Undo.AddUnlinkedBlockInfoChanges(discussion, block.UnlinkedIndex, oldInfo);
  }
  block.Upper.Clear();
  block.UpperCode = TDiscBlockCode{};
  discussion.Undo.AddDiscBlockChanges(discussion, index, old);
  block.SetDeleteFlag(discussion, index, DeleteFlag_Recycled, 1);
}

void SendStateChanged(TDiscussion& discussion, uint8_t state) {
  TListeners::SendPair(Notify_BlocksDeleted, reinterpret_cast<intptr_t>(&discussion), intptr_t(state), false);
}

}  // namespace

void DeleteCommand(TCommand& command) {
  TArray<TDiscBlockIndex> blocks;
  if (!CommandBlocks(command, blocks)) return;
  TDiscussion& discussion = *command.Discussion;
  int toErase = 0, toMove = 0;
  for (const TDiscBlockIndex index : blocks) {
    const TDiscBlock& block = *discussion.Storages.GetDiscBlock(index);
    if (const char* refusal = DeleteRefusal(discussion, index, block)) {
      ShowMessageBox("DELETING", refusal);
      return;
    }
    if (block.DeleteFlag == DeleteFlag_Recycled) ++toErase;
    else if (block.DeleteFlag != DeleteFlag_Erased) ++toMove;
  }
  if (toErase && !Ask("ERASING", "Are you sure you want to erase " + std::to_string(toErase) +
                                     " block(s) and its lower blocks?"))
    return;
  if (toMove && !Ask("MOVING TO RECYCLE BIN", "Are you sure you want to move " + std::to_string(toMove) +
                                                  " block(s) and its lower blocks to recycle bin?"))
    return;
  TTempCursor hourglass;
  bool erased = false, moved = false, moderated = false;
  for (const TDiscBlockIndex index : blocks) {
    TDiscBlock& block = *discussion.Storages.GetDiscBlock(index);
    if (block.DeleteFlag == DeleteFlag_Erased) continue;
    if (block.DeleteFlag == DeleteFlag_Recycled) {
      block.SetDeleteFlag(discussion, index, DeleteFlag_Erased, 0);
      erased = true;
    } else {
      MoveToRecycleBin(discussion, index);
      moved = true;
    }
    if (IsErrorReported()) return;
    if (block.StorageType == StorageType_ModeratedComments) moderated = true;
  }
  if (moderated) discussion.UpdateModeratedCommentsCount();
  if (erased) SendStateChanged(discussion, DeleteFlag_Erased);
  if (moved) SendStateChanged(discussion, DeleteFlag_Recycled);
}

void RestoreCommand(TCommand& command) {
  TArray<TDiscBlockIndex> blocks;
  if (!CommandBlocks(command, blocks)) return;
  TDiscussion& discussion = *command.Discussion;
  for (const TDiscBlockIndex index : blocks) {
    const TDiscBlock& block = *discussion.Storages.GetDiscBlock(index);
    if ((block.StorageType != StorageType_Notes && block.StorageType != StorageType_ModeratedComments) ||
        block.DeleteFlag != DeleteFlag_Recycled) {
      ShowMessageBox("RESTORING", "Only notes and moderated comments from recycle bin can be restored!");
      return;
    }
  }
  bool moderated = false;
  for (const TDiscBlockIndex index : blocks) {
    TDiscBlock& block = *discussion.Storages.GetDiscBlock(index);
    const TDiscBlock old = block;
    block.SetDeleteFlag(discussion, index, DeleteFlag_Alive, 0);
    if (!block.SavedName.IsEmpty()) discussion.Storages.GetStorage(index.StorageType)->SetBlockName(index.Index, block.SavedName);
    if (block.UnlinkedIndex != NoUnlinkedBlockInfo && block.UnlinkedIndex < discussion.UnlinkedBlockInfos.Count()) {
      TUnlinkedBlockInfo& info = discussion.UnlinkedBlockInfos[block.UnlinkedIndex];
      const TDiscBlockIndex parent =
          info.LostParent ? discussion.Storages.FindDiscBlockIndexByName(info.ParentName.c_str()) : TDiscBlockIndex{};
      // A parent inside the block's own subtree would make a cycle: the block stays lost.
      if (!parent.IsEmpty() && !discussion.Storages.IsInUpperChain(parent, index)) {
        block.Upper = parent;
        discussion.Storages.GetStorage(index.StorageType)->ClearLowerIndex();
        block.UpperCode = discussion.Storages.GetDiscBlock(parent)->GetDiscBlockCode();
        const TUnlinkedBlockInfo oldInfo = info;
        info.LostParent = 0;
        info.ParentName.Clear();
        discussion.Undo.AddUnlinkedBlockInfoChanges(discussion, block.UnlinkedIndex, oldInfo);
        if (info.IsEmpty()) block.UnlinkedIndex = NoUnlinkedBlockInfo;
      }
    }
    discussion.Undo.AddDiscBlockChanges(discussion, index, old);
    command.Browse.RemoveRowsOfDiscBlock(index);
    if (block.StorageType == StorageType_ModeratedComments) moderated = true;
    if (IsErrorReported()) return;
  }
  if (moderated) discussion.UpdateModeratedCommentsCount();
}

void CrossCommand(TCommand& command) {
  TArray<TDiscBlockIndex> blocks;
  if (!CommandBlocks(command, blocks)) return;
  TDiscussion& discussion = *command.Discussion;
  const uint8_t state = command.Data1 ? DeleteFlag_Crossed : DeleteFlag_Alive;
  for (const TDiscBlockIndex index : blocks) {
    TDiscBlock& block = *discussion.Storages.GetDiscBlock(index);
    // Erased and recycled blocks stay where they are.
    if (block.IsAlive() && block.DeleteFlag != state) block.SetDeleteFlag(discussion, index, state, 0);
  }
}

void RenumerateCommand(TCommand& command) {
  if (!command.Discussion) return;
  command.Discussion->Storages.Model.RenumBlocks(*command.Discussion, command.Discussion->Storages.GetRootBlockIndex());
}

void FixTroubleCommand(TCommand& command) {
  if (!command.Discussion || !command.Block) {
    MessageBeep(1);
    return;
  }
  TFormFixingTrouble form(nullptr);
  form.SetUp(command.Browse, *command.Discussion, command.BlockIndex);
  form.ShowModal();
}

void StatisticsCommand(TCommand& command) {
  if (!command.Discussion) return;
  TDiscussionStatistics statistics;
  command.Discussion->CollectStatistics(statistics);
  ShowMessageBox("DISCUSSION STATISTICS", ComposeStatisticsText(statistics, command.Discussion->IsCreating() != 0,
                                                                command.Discussion->IsModerator()));
}
