#pragma once
// Themes: named sets of block codes.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "model/Tdiscblockindex.h"

#include <string>

class TBufReader;
class TBufWriter;

struct TTheme {
  TStr Name;
  TArray<TDiscBlockCode> Blocks;

  TTheme();
  bool operator==(const TTheme& other) const;
  int FindBlock(TDiscBlockCode code) const;

  // Stored form: text name, u32 code count, codes.
  void SaveToBufWriter(TBufWriter& writer) const;
  std::string LoadFromBufReader(TBufReader& reader);
};

using TThemes = TArray<TTheme>;
