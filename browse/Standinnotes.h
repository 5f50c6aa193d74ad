#pragma once
// A posted note and the comment "Send post" made of it (the leader's at once, a
// participant's once the leader's answer brings it back): the comment's row stands in the
// lists for the note, so that one text is shown once. Its "Edit" amends the note; its other
// entries are the comment's.

#include "foundation/Tarray.h"
#include "model/Tdiscblockindex.h"

#include <vector>

class TDiscussion;

struct TStandIn {
  TDiscBlockIndex Note;
  TDiscBlockIndex Comment;
};

// Every posted note of the login's own that a comment stands for: a comment of the login's
// author under the same block, of the same kind and texts, neither erased nor recycled;
// each comment stands for one note, and a note with notes under it stands for itself (the
// way to them).
std::vector<TStandIn> CollectStandIns(const TDiscussion& discussion);
// The note a block's row stands for; empty when the block stands for itself.
TDiscBlockIndex NoteStoodFor(const TDiscussion& discussion, TDiscBlockIndex block);
// The block whose row shows the note in the lists: the comment that stands for it, else
// the note itself.
TDiscBlockIndex RowBlockOfNote(const TDiscussion& discussion, TDiscBlockIndex note);
// Leaves out of a list each note whose comment stands in it.
void LeaveOutStoodNotes(const TDiscussion& discussion, TArray<TDiscBlockIndex>& blocks);
