#pragma once
// The height the user last gave a browse window's upper panel. A move to another item
// opens the panel at that height again; a panel closed to nothing keeps the height it had
// open.

#include <cstdint>

class TPanel;

class TUpperPanelHeight {
 public:
  // 0 until a height is known.
  int Get() const { return fHeight; }
  bool Known() const { return fHeight != 0; }
  // The panel is open at this height (a closed panel's 0 is not remembered).
  void Remember(int height);
  // The panel's first height, when none is known yet.
  void RememberFirst(int height);
  // Opens the panel at the remembered height; leaves it alone while none is known.
  void Restore(TPanel& panel) const;

 private:
  uint16_t fHeight = 0;
};
