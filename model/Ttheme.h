#pragma once
// Themes: named sets of block codes.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "model/Tdiscblockindex.h"

#include <string>

class TBufReader;
class TBufWriter;
class TDiscussion;

struct TTheme {
  TStr Name;
  TArray<TDiscBlockCode> Blocks;

  TTheme();
  bool operator==(const TTheme& other) const = default;
  int FindBlock(TDiscBlockCode code) const;
  // Notification 3 for each of its blocks (defined with the theme operations).
  void BroadcastChanging(const TDiscussion& discussion) const;

  // Stored form: text name, u32 code count, codes.
  void SaveToBufWriter(TBufWriter& writer) const;
  std::string LoadFromBufReader(TBufReader& reader);
};

using TThemes = TArray<TTheme>;
