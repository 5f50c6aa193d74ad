#include "browse/Tgraphrow.h"

#include "foundation/Terror.h"

void TGraphRow::BusyCell(int32_t x) {
  if (x < 0 || (x < CellCount() && Cells[size_t(x)] != Free)) {
    TError::Report("TGraphRow::BusyCell - ошибка занятия ячейки графа");
    if (x < 0) return;
  }
  while (x >= CellCount()) Cells.append(size_t(GrowStep), Free);
  Cells[size_t(x)] = Busy;
  if (x > LastBusy) LastBusy = x;
}

void TGraphRow::FreeCell(int32_t x) {
  if (x < 0 || x >= CellCount() || Cells[size_t(x)] != Busy) {
    TError::Report("TGraphRow::FreeCell - ошибка освобождения ячейки графа");
    return;
  }
  Cells[size_t(x)] = Free;
  while (LastBusy >= 0 && Cells[size_t(LastBusy)] != Busy) --LastBusy;
}
