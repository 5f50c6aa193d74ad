#pragma once
// What a block keeps when it lost a link: the names of a lost upper or conclusion block
// and its other troubles. The block holds the record's index.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "model/Tdiscblockindex.h"

#include <string>

class TDiscussion;
class TBufReader;
class TBufWriter;

struct TUnlinkedBlockInfo {
  TDiscBlockCode Code;  // the block the record belongs to
  uint8_t LostParent = 0;
  TStr ParentName;
  uint8_t LostConclusion = 0;
  TStr ConclusionName;
  uint8_t FormulaError = 0;
  uint8_t LostHyperRefs = 0;

  bool IsEmpty() const { return !LostParent && !LostConclusion && !FormulaError && !LostHyperRefs; }
  bool operator==(const TUnlinkedBlockInfo& other) const;

  // Stored form: code, u8 lost parent, text parent name, u8 lost conclusion,
  // text conclusion name, u8 formula error, u8 lost hyper-references.
  void SaveToBufWriter(TBufWriter& writer) const;
  void LoadFromBufReader(TBufReader& reader);
};

using TUnlinkedBlockInfos = TArray<TUnlinkedBlockInfo>;

// Appends an empty record for the block and returns its index; -1 (reported) when the
// list is full (blocks refer to records by 16-bit indices).
int AddUnlinkedBlockInfo(TUnlinkedBlockInfos& list, TDiscussion& discussion, TDiscBlockCode code);
