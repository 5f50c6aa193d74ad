#pragma once
// The program's own block clipboard: the blocks of "Copy" and "Cut", each named by its
// discussion and its block code, pasted by "Paste" or carried by a drag between windows.
//
// The clipboard lives across commands, so what it names may be gone when it is used: a
// block whose creation was undone, an erased block, a discussion unloaded meanwhile.
// Every use goes through Resolve, which checks the item against the discussion;
// DropStale removes the items that no longer resolve. A block that disappears (its
// creation undone) is dropped at once, since a later block may take over its code.

#include "foundation/Tarray.h"
#include "foundation/Tlisteners.h"
#include "foundation/Tstr.h"
#include "model/Tdiscblockindex.h"

#include <cstdint>

class TDiscussion;
class TDiscussionsManager;

struct TClipItem {
  int16_t DiscussionIndex = -1;  // in the discussions manager
  const TDiscussion* Owner = nullptr;  // compared only, never followed
  TDiscBlockCode Code;
  TStr Name;  // the block's name when it was added: a later block with the same code is another block
};

class TClip : public TListener {
public:
  uint8_t Cut = 0;  // 1 after "Cut": the pasted sources are erased afterwards
  TArray<TClipItem> Items;

  int Count() const { return int(Items.Count()); }
  bool IsEmpty() const { return Items.Count() == 0; }
  // Empties the clipboard and sets the cut flag.
  void Reset(uint8_t cut);
  // Adds a block once; false when the block cannot be named.
  bool Add(TDiscussionsManager& manager, int discussionIndex, TDiscBlockIndex block);
  // The discussion and the present position of item i; false when the discussion is not
  // loaded or the block is no longer there (another block under that code, or erased).
  bool Resolve(TDiscussionsManager& manager, int i, TDiscussion*& discussion, TDiscBlockIndex& block) const;
  // Removes the items that no longer resolve; how many went.
  int DropStale(TDiscussionsManager& manager);

  void Listen(const TListenMessage& message) override;
};

// The process-wide block clipboard of "Copy", "Cut" and "Paste", made by start-up and
// gone at shutdown (null outside that span). A drag between windows fills a clipboard of
// its own.
TClip*& BlockClipboard();
