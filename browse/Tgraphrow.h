#pragma once
// One row of the graph's grid: a cell per column, busy or free. Rows fill from left to
// right; the row remembers its last busy cell, so finding the first free column after it
// does not scan the row.

#include <cstdint>
#include <string>

class TGraphRow {
public:
  static constexpr char Busy = 'B';
  static constexpr char Free = 'F';
  static constexpr int32_t GrowStep = 1000;

  // Makes a cell busy, growing the row in steps of free cells as needed. A cell that is not
  // free is reported and still made busy; a negative column is reported and ignored.
  void BusyCell(int32_t x);
  // Frees a busy cell; anything else is reported and changes nothing.
  void FreeCell(int32_t x);
  // The column after the last busy cell, 0 when none is busy.
  int32_t GetFirstFree() const { return LastBusy + 1; }

  int32_t CellCount() const { return int32_t(Cells.size()); }
  // 'B', 'F', or 0 outside the row.
  char Cell(int32_t x) const { return x >= 0 && x < CellCount() ? Cells[size_t(x)] : 0; }

private:
  std::string Cells;
  int32_t LastBusy = -1;
};
