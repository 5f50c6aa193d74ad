#include "foundation/Workpaintbox.h"

TPaintBox*& WorkPaintBox() {
  static TPaintBox* paintBox = nullptr;
  return paintBox;
}
