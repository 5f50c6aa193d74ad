#include "browse/Tlowerlistview.h"

#include <algorithm>

void TLowerListView::SetOffset(int offset) { fOffset = std::max(0, offset); }

void TLowerListView::RowRemoved(int row) {
  if (fAnchorRow >= row && fAnchorRow > 0) --fAnchorRow;
}
