#pragma once
// What a browse window keeps of its lower list beside the rows of its state: how far the
// list is scrolled, how high a service row is drawn, the anchor row of marking with
// Shift, and the work that the next paint of the scroll pattern owes (laying the rows out,
// scrolling the selected row into view) or that a pending repaint of the whole list
// already covers.

#include <cstdint>

class TLowerListView {
 public:
  static constexpr int DefaultServiceRowHeight = 10;

  // Pixels by which the list is scrolled; never negative (0: the first row at the top).
  int Offset() const { return fOffset; }
  void SetOffset(int offset);

  int ServiceRowHeight() const { return fServiceRowHeight; }
  void SetServiceRowHeight(int height) { fServiceRowHeight = int16_t(height); }

  // The row a Shift press marks from; -1 when none.
  int AnchorRow() const { return fAnchorRow; }
  // Whether the anchor stands on one of the list's `count` rows.
  bool HasAnchorWithin(int count) const { return fAnchorRow >= 0 && fAnchorRow < count; }
  void SetAnchorRow(int row) { fAnchorRow = row; }
  void DropAnchor() { fAnchorRow = -1; }
  // A row at or above the anchor left the list: the anchor moves up with its row (row 0
  // stays where it is).
  void RowRemoved(int row);

  // Deferred work of the next paint of the scroll pattern.
  void RequestScroll() { fScrollRequested = true; }
  void RequestLayout() { fLayoutRequested = true; }
  bool ScrollRequested() const { return fScrollRequested; }
  bool LayoutRequested() const { return fLayoutRequested; }
  void ScrollDone() { fScrollRequested = false; }
  void LayoutDone() { fLayoutRequested = false; }

  // The whole list waits for its repaint: until it is painted, single rows need no
  // invalidating of their own.
  void WholeInvalidated() { fWholeInvalidated = true; }
  bool WholeRepaintPending() const { return fWholeInvalidated; }
  void Painted() { fWholeInvalidated = false; }

 private:
  int32_t fOffset = 0;
  int16_t fServiceRowHeight = DefaultServiceRowHeight;
  int fAnchorRow = -1;
  bool fScrollRequested = false;
  bool fLayoutRequested = false;
  bool fWholeInvalidated = false;
};
