#include "foundation/Workpaintbox.h"

TPaintBox*& WorkPaintBox() {
  static TPaintBox* paintBox = nullptr;
  return paintBox;
}

TFont*& SharedFont() {
  static TFont* font = nullptr;
  return font;
}
