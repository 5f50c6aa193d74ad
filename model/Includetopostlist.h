#pragma once
// Putting blocks into the user's post lists and taking them out.

#include "model/Tdiscblockindex.h"

class TDiscBlockStorages;
class TDiscussion;

// Includes (include 1) or excludes (include 0) a block in the user's post list at that
// position, with undo records, and announces the block as changed. The leader's list takes
// before the block the comments it hangs under, upper ones first, which the others may
// lack, and an excluded block takes those it brought out again unless another block of
// the list hangs under them; a comment the user listed stays, and a brought one the user
// lists is the user's from then on. A block under a moderated comment not published yet, or a formula computing
// one, is refused, the user told why. False when the list or the block is not there, the
// block is refused or nothing changed.
bool IncludeToPostList(TDiscBlockStorages& storages, TDiscussion& discussion, int include, int postList,
                       TDiscBlockIndex block);
