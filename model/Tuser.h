#pragma once
// The user's state in a discussion: remembered relations between browse items, visited
// blocks, the note counter and the post lists.

#include "foundation/Tarray.h"
#include "model/Tblockspostlist.h"
#include "model/Tbrowseitemident.h"

#include <string>

class TDiscussion;

struct TBrowseItemIdentsPair {
  TBrowseItemIdent First;
  TBrowseItemIdent Second;
  uint8_t RelationType = 0;
  bool operator==(const TBrowseItemIdentsPair& other) const = default;
};

class TUser {
public:
  TArray<TBrowseItemIdentsPair> Pairs;
  TArray<TDiscBlockCode> Visited;  // blocks opened in any window, without duplicates
  uint16_t NoteCounter = 0;        // the number given to the user's last note
  TBlocksPostList PostLists;

  TUser();

  // The second identifier of the relation of that type from first; null when none.
  const TBrowseItemIdent* GetSecondBrowseItemIdent(const TBrowseItemIdent& first, uint8_t relationType) const;
  void SetBrowseItemIdentsPair(TDiscussion& discussion, const TBrowseItemIdent& first, const TBrowseItemIdent& second,
                               uint8_t relationType);
  void RemoveBrowseItemIdentsPair(TDiscussion& discussion, const TBrowseItemIdent& first, uint8_t relationType);
  void AddVisited(TDiscBlockCode code);
  // The next note number (stored back); -1 (reported) when the numbers are used up.
  int TakeNewNoteNumber();

  // Stored form: u16 note counter, u32 pair count, pairs (ident, ident, u8 relation),
  // u32 visited count, codes, then the post lists.
  void SaveToBufWriter(const TDiscussion& discussion, TBufWriter& writer) const;
  std::string LoadFromBufReader(TBufReader& reader);
  void ResolveIndices(const TDiscBlockStorages& storages);
  void Clear();
};
