#pragma once
// The distinct days on which the blocks of a storage were composed (notes) or published
// (comments), offered by the menus "Notes composed on" and "Comments published on".

#include "foundation/Tarray.h"
#include "platform/rtl/Tdatetime.h"

class TBlocksStorage;

struct TComposeSentDateItem : TArrayItem {
  TDateTime Date = 0;

  TComposeSentDateItem() = default;
  explicit TComposeSentDateItem(TDateTime date) : Date(date) {}
  TComposeSentDateItem(const TComposeSentDateItem&) = default;
  TComposeSentDateItem& operator=(const TComposeSentDateItem&) = default;
  bool operator==(const TComposeSentDateItem& other) const { return Compare(other) == 0; }
  // The difference of the whole days of the two dates.
  int Compare(const TArrayItem& other) const override;
};

// The days of the live blocks of the storage, each once, ascending.
void CollectComposeSentDates(const TBlocksStorage& storage, TArray<TComposeSentDateItem>& dates);
