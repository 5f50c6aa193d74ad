#pragma once
// The data-driven menus of a browse window: the window menu, shown as the horizontal
// tool bar, and the right-click popup. Each is a tree of entries built afresh for the
// item on show. Until the menu contents exist a built menu has no entries.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "model/Tbrowseitem.h"

#include <cstdint>
#include <vector>

class TBrowse;
class TToolBar;

struct TSmartMenuItem {
  uint8_t Enabled = 0;
  uint8_t Code = 0;  // command code; 0 for a submenu title
  int32_t Data1 = -1;
  int32_t Data2 = -1;
  TStr Caption;
  std::vector<TSmartMenuItem> SubItems;
};

class TSmartMenu {
 public:
  TSmartMenuItem Root;  // its sub-items are the top-level entries
  TBrowse* Browse = nullptr;
  TToolBar* ToolBar = nullptr;  // the window menu's tool bar; null for the popup
  TBrowseItemIndex Index;       // the item the menu was built for; empty: the current item

  // Empties the menu and unbinds it.
  void Reset();
  void Bind(TBrowse* browse, TToolBar* toolBar) {
    Browse = browse;
    ToolBar = toolBar;
  }
  // Rebuilds the entries for an item of the window (the empty index: its current item).
  void Build(const TBrowseItemIndex& index, const TBrowseItem& item, int flag);
  int Builds() const { return fBuilds; }

 private:
  int fBuilds = 0;
};
