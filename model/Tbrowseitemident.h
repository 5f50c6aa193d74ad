#pragma once
// The typed identifier of what a browse window shows, as the user's state stores it.

#include "foundation/Tstr.h"
#include "model/Tdiscblockindex.h"

#include <cstdint>

class TBufReader;
class TBufWriter;
class TDiscBlockStorages;
class TDiscussion;
struct TDiscBlock;

enum : uint8_t { BrowseItem_None = 0, BrowseItem_Block = 1, BrowseItem_Author = 2, BrowseItem_Folder = 3 };

struct TBrowseItemIdent {
  uint8_t Kind = BrowseItem_None;
  TDiscBlockCode Code;    // a block: its code (stored)
  TDiscBlockIndex Index;  // a block: its position (found again from the code on loading)
  uint16_t ADIdent = 0xFFFF;  // an author
  int16_t Folder = -1;        // a folder entry of the discussions manager
  TStr Text;

  // Identifiers are equal when they name the same thing.
  bool operator==(const TBrowseItemIdent& other) const;
  // Every stored field is the same (what a rewrite of a remembered identifier would change).
  bool SameStoredFields(const TBrowseItemIdent& other) const;

  // Stored form: u8 kind, block code, u16 ADIdent, i16 folder, text.
  void SaveToBufWriter(TBufWriter& writer) const;
  void LoadFromBufReader(TBufReader& reader);
  // Makes this a block identifier (kind 1, position and code); the block, or null (and an
  // empty identifier of kind 1) for an empty reference.
  TDiscBlock* SetDiscBlock(TDiscussion& discussion, TDiscBlockIndex block);
  // Notification 3 for a block identifier.
  void BroadcastChanging(const TDiscussion& discussion) const;

  // Finds the block position again from the code after loading.
  void ResolveIndex(const TDiscBlockStorages& storages);
};
