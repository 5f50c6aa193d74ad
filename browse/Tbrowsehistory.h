#pragma once
// The Back history of a browse window: the states it showed before, oldest first. It keeps
// at most Limit states; a push beyond that forgets the oldest.

#include "browse/Tbrowsestate.h"
#include "foundation/Tarray.h"

#include <cstdint>

class TBrowseHistory {
 public:
  static constexpr int Limit = 21;

  // Keeps a state as the latest one.
  void Push(const TBrowseState& state);
  uint32_t Count() const { return fStates.Count(); }
  bool IsEmpty() const { return fStates.IsEmpty(); }
  // The state `index` places after the oldest.
  const TBrowseState& operator[](uint32_t index) const { return fStates[index]; }
  TBrowseState& operator[](uint32_t index) { return fStates[index]; }
  // The latest state; null when the history is empty.
  const TBrowseState* Latest() const { return IsEmpty() ? nullptr : &fStates[Count() - 1]; }
  void Delete(uint32_t index) { fStates.Delete(index); }
  // Forgets every state pushed after the oldest `count` ones.
  void KeepOldest(uint32_t count);
  void Clear() { fStates.Clear(); }

 private:
  TArray<TBrowseState> fStates;
};
