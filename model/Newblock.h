#pragma once
// A block the user adds or pastes under an upper block: the place it takes among the
// children, and the two steps that make it there before the caller fills it and announces
// it (TBlocksStorage::NewBlockAdded).

#include "foundation/Tstr.h"
#include "model/Tdiscblockindex.h"

#include <cstdint>

class TBlocksStorage;
class TDiscussion;

// After the last child of the upper block, or before a clicked child of the same storage,
// which moves one number on with the children after it.
struct TNewBlockPlace {
  TDiscBlockIndex Upper;
  bool Before = false;
  uint16_t ClickedNum = 0;  // of the clicked child, when before it
  TStr ClickedName;
};

// The block's slot in its storage at its place, its creation recorded for undo (after the
// note counter that a note before another moves). -1 when it could not be made (reported).
int TakeNewBlockSlot(TDiscussion& discussion, TBlocksStorage& storage, const TNewBlockPlace& place);
// The new block's number and name for its place: the clicked child's number and a name of
// its own beside that child's, or the next number under the upper block and the name made
// from it. Set the block's text type first: a heading's name differs. False when the
// numbers are used up (reported).
bool NumberNewBlock(TDiscussion& discussion, TBlocksStorage& storage, int index, const TNewBlockPlace& place);
