#pragma once
// The drag of blocks out of a browse window's lower list. A left press on a service row
// arms it, a quick move of the pressed row starts it from that row, and it lasts until
// the drop (over any window) or until it is cancelled; the release of an armed press that
// started no drag opens the row's item instead. While the pointer of a drag rests at the
// top or bottom edge of a window's list, that window's tick scrolls the list.

#include <cstdint>

struct TBlockDrag {
  uint8_t Blocked = 1;     // 0 from a press on a service row until its release or a drag starts
  int SourceRow = -1;      // the row the blocks are dragged from; -1 while nothing is dragged
  uint8_t Moves = 0;       // the drop moves the blocks (without Shift); else it copies them
  uint8_t ScrollUp = 0;    // a drag's pointer rests at this list's top edge
  uint8_t ScrollDown = 0;  // ... at its bottom edge

  void Arm() { Blocked = 0; }
  void Disarm() { Blocked = 1; }
  bool Armed() const { return Blocked == 0; }
  // The rows dragged from `row`; the press is spent.
  void Start(int row) {
    SourceRow = row;
    Blocked = 1;
  }
  bool Dragging() const { return SourceRow >= 0; }
  // The drag is dropped or cancelled.
  void End() { SourceRow = -1; }
  // No drag rests at an edge of this list (any more).
  void StopScrolling() { ScrollUp = ScrollDown = 0; }
  bool Scrolling() const { return ScrollUp || ScrollDown; }
};
