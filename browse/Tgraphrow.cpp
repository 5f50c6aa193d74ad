#include "browse/Tgraphrow.h"

#include "foundation/Terror.h"

#include <algorithm>

char TGraphRow::Cell(int32_t x) const {
  if (x < 0 || x >= Count) return 0;
  return std::binary_search(BusyColumns.begin(), BusyColumns.end(), x) ? Busy : Free;
}

void TGraphRow::BusyCell(int32_t x) {
  if (x < 0) {
    TError::Report("TGraphRow::BusyCell - ошибка занятия ячейки графа");
    return;
  }
  while (x >= Count) Count += GrowStep;
  // Rows fill from left to right: the new cell is nearly always the last one.
  if (BusyColumns.empty() || x > BusyColumns.back()) {
    BusyColumns.push_back(x);
    return;
  }
  const auto at = std::lower_bound(BusyColumns.begin(), BusyColumns.end(), x);
  if (*at == x) {
    TError::Report("TGraphRow::BusyCell - ошибка занятия ячейки графа");
    return;
  }
  BusyColumns.insert(at, x);
}

void TGraphRow::SetBusyCells(std::vector<int32_t>&& columns) {
  BusyColumns.clear();
  Count = 0;
  const bool ascending = std::adjacent_find(columns.begin(), columns.end(), std::greater_equal<int32_t>()) == columns.end();
  if (!ascending || (!columns.empty() && columns.front() < 0)) {
    for (const int32_t x : columns) BusyCell(x);
    return;
  }
  BusyColumns = std::move(columns);
  if (!BusyColumns.empty()) Count = (BusyColumns.back() / GrowStep + 1) * GrowStep;
}

void TGraphRow::FreeCell(int32_t x) {
  const auto at = std::lower_bound(BusyColumns.begin(), BusyColumns.end(), x);
  if (x < 0 || x >= Count || at == BusyColumns.end() || *at != x) {
    TError::Report("TGraphRow::FreeCell - ошибка освобождения ячейки графа");
    return;
  }
  BusyColumns.erase(at);
}
