#pragma once
// The clock of the window system: message times, timers, double clicks.
// It runs in real time, or as a virtual clock that only a test moves.

#include <cstdint>

namespace platform {

// Milliseconds since the window system started (or the virtual clock's reading).
std::uint64_t GuiClockNow();
void UseVirtualClock(bool on);
bool VirtualClockInUse();
// Moves the virtual clock forward; ignored in real time.
void AdvanceVirtualClock(std::uint64_t milliseconds);

}  // namespace platform
