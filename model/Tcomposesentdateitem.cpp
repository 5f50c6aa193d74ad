#include "model/Tcomposesentdateitem.h"

#include "model/Tblocksstorage.h"

#include <algorithm>
#include <cmath>
#include <set>

int TComposeSentDateItem::Compare(const TArrayItem& other) const {
  const double mine = std::floor(Date);
  const double theirs = std::floor(static_cast<const TComposeSentDateItem&>(other).Date);
  return mine < theirs ? -1 : mine > theirs ? 1 : 0;
}

void CollectComposeSentDates(const TBlocksStorage& storage, TArray<TComposeSentDateItem>& dates) {
  dates.Clear();
  std::set<int> days;
  for (int i = 0; i < storage.Count(); ++i)
    if (storage.Block(i).IsAlive()) days.insert(int(storage.Block(i).Date) + BlockDateOffset);
  for (const int day : days) dates.AddItem(TComposeSentDateItem(TDateTime(day)));
}
