#include "browse/Tbrowsehistory.h"

void TBrowseHistory::Push(const TBrowseState& state) {
  fStates.AddItem(state);
  while (int(Count()) > Limit) fStates.Delete(0);
}

void TBrowseHistory::KeepOldest(uint32_t count) {
  while (Count() > count) fStates.Delete(Count() - 1);
}
