#pragma once
// The service row under the pointer in a browse window's lower list: it is drawn in the
// hover font, and when the pointer rests on it for a while the tick selects it.

#include <cstdint>

struct TRowHover {
  static constexpr double NoAutoSelect = -1;
  static constexpr double AutoSelectPauseMs = 800;

  int Row = -1;      // -1 while the pointer is over no service row
  double Since = 0;  // when Row last changed (date-time); NoAutoSelect once a row is selected or dragged

  // The pointer came onto another service row (-1: onto none) at `now`.
  void MoveTo(int row, double now) {
    Row = row;
    Since = now;
  }
  // A row was selected or a drag started: the tick selects nothing.
  void CancelAutoSelect() { Since = NoAutoSelect; }
  // Whether the pointer has rested on the row long enough at `now` for the tick to select it.
  bool AutoSelectDue(double now) const {
    constexpr double MillisecondsPerDay = 86400000.0;
    return Since != NoAutoSelect && Row >= 0 && (now - Since) * MillisecondsPerDay >= AutoSelectPauseMs;
  }
  void Drop() { Row = -1; }
};
