#include "model/Newblock.h"

#include "foundation/Terror.h"
#include "model/Tdiscussion.h"

int TakeNewBlockSlot(TDiscussion& discussion, TBlocksStorage& storage, const TNewBlockPlace& place) {
  // The counter first: undoing the step puts it back after everything else.
  if (place.Before && storage.StorageType == StorageType_Notes)
    discussion.Undo.AddNoteCounterChange(discussion.User.NoteCounter);
  if (place.Before) storage.InsertChildNum(discussion, place.Upper, place.ClickedNum);
  const int index = IsErrorReported() ? -1 : storage.AppendBlock(discussion, place.Upper);
  if (index >= 0) discussion.Undo.AddDiscBlockCreation(discussion, {storage.StorageType, uint16_t(index)});
  return index;
}

bool NumberNewBlock(TDiscussion& discussion, TBlocksStorage& storage, int index, const TNewBlockPlace& place) {
  TDiscBlock& block = storage.Block(index);
  if (place.Before) {
    block.Num = place.ClickedNum;
    storage.SetBlockName(index, block.MakeUniqueName(discussion, place.ClickedName));
    return true;
  }
  const int number = storage.GetNewBlockNumber(discussion, place.Upper);
  if (number < 0) return false;
  block.Num = uint16_t(number);
  block.SetComposedBlockName(discussion, {storage.StorageType, uint16_t(index)});
  return true;
}
