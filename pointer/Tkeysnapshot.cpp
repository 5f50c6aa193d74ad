#include "pointer/Tkeysnapshot.h"

#include "platform/gui/Input.h"

namespace {
constexpr int kVirtualKeys[TKeySnapshot::Count] = {160, 162, 164, 161, 163, 165, 16, 17, 18, 91, 92,
                                                   93,  90,  191, 27,  65,  66,  67, 49, 50, 51};
}  // namespace

int SnapshotVirtualKey(int Index) { return kVirtualKeys[Index]; }

void MergeSideKeys(TKeySnapshot& S, int Left, int Right, int Neutral) {
  if (S.down[Neutral] && !S.down[Left] && !S.down[Right]) S.down[Left] = S.down[Right] = 1;
}

TKeySnapshot TakeKeySnapshot() {
  TKeySnapshot s;
  for (int i = 0; i < TKeySnapshot::Count; ++i)
    s.down[i] = (static_cast<uint16_t>(GetAsyncKeyState(kVirtualKeys[i])) & 0x8000) ? 1 : 0;
  MergeSideKeys(s, TKeySnapshot::LShift, TKeySnapshot::RShift, TKeySnapshot::Shift);
  MergeSideKeys(s, TKeySnapshot::LCtrl, TKeySnapshot::RCtrl, TKeySnapshot::Ctrl);
  MergeSideKeys(s, TKeySnapshot::LAlt, TKeySnapshot::RAlt, TKeySnapshot::Alt);
  return s;
}
