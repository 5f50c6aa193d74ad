#include "browse/Tupperpanelheight.h"

#include "platform/forms/Tpanel.h"

void TUpperPanelHeight::Remember(int height) {
  if (height > 0) fHeight = uint16_t(height);
}

void TUpperPanelHeight::RememberFirst(int height) {
  if (!Known()) Remember(height);
}

void TUpperPanelHeight::Restore(TPanel& panel) const {
  if (Known()) panel.SetHeight(fHeight);
}
