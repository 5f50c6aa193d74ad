#include "browse/Tsmartmenu.h"

void TSmartMenu::Reset() {
  Root = TSmartMenuItem();
  Browse = nullptr;
  ToolBar = nullptr;
  Index.Clear();
}

void TSmartMenu::Build(const TBrowseItemIndex& index, const TBrowseItem& item, int flag) {
  (void)item;
  (void)flag;
  Root.SubItems.clear();
  Index = index;
  ++fBuilds;
}
