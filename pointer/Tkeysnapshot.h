#pragma once
// The keys the pointer engine watches, read in one go from the global key state.

#include <cstdint>

struct TKeySnapshot {
  enum Key {
    LShift, LCtrl, LAlt, RShift, RCtrl, RAlt, Shift, Ctrl, Alt, LWin, RWin, Apps, Z, Slash, Escape,
    A, B, C, Digit1, Digit2, Digit3, Count
  };
  uint8_t down[Count] = {};
};

// The virtual key of each snapshot byte.
int SnapshotVirtualKey(int Index);
// Reads every key (1 = down); a side-neutral Shift, Ctrl or Alt down with neither side
// key down counts as both sides down.
TKeySnapshot TakeKeySnapshot();
void MergeSideKeys(TKeySnapshot& S, int Left, int Right, int Neutral);

inline bool IsMainKeyDown(const TKeySnapshot& S) { return S.down[TKeySnapshot::LWin] || S.down[TKeySnapshot::RWin]; }
inline bool IsAuxKeyDown(const TKeySnapshot& S) { return S.down[TKeySnapshot::Apps] != 0; }
inline bool IsScrollKeyDown(const TKeySnapshot& S) {
  return S.down[TKeySnapshot::Ctrl] || S.down[TKeySnapshot::Z] || S.down[TKeySnapshot::Slash];
}
