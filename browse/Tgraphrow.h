#pragma once
// One row of the graph's grid: cells in columns, each busy or free. The row has as many
// cells as its busiest column needs, counted in steps of a thousand; it keeps only the
// columns of its busy cells, in order, so that a wide row of a few nodes costs a few
// numbers.

#include <cstdint>
#include <vector>

class TGraphRow {
public:
  static constexpr char Busy = 'B';
  static constexpr char Free = 'F';
  static constexpr int32_t GrowStep = 1000;

  // Makes a cell busy, growing the row in steps of free cells as needed. A cell that is not
  // free is reported (and stays busy); a negative column is reported and ignored.
  void BusyCell(int32_t x);
  // Makes the cells of the given columns busy in a row that has none, as BusyCell would one
  // after another from left to right.
  void SetBusyCells(std::vector<int32_t>&& columns);
  // Frees a busy cell; anything else is reported and changes nothing.
  void FreeCell(int32_t x);
  // The column after the last busy cell, 0 when none is busy.
  int32_t GetFirstFree() const { return BusyColumns.empty() ? 0 : BusyColumns.back() + 1; }

  int32_t CellCount() const { return Count; }
  // 'B', 'F', or 0 outside the row.
  char Cell(int32_t x) const;

private:
  std::vector<int32_t> BusyColumns;  // ascending
  int32_t Count = 0;
};
