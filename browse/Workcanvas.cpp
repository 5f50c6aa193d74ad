#include "browse/Workcanvas.h"

#include "foundation/Workpaintbox.h"
#include "platform/forms/Tbitmap.h"
#include "platform/forms/Tpaintbox.h"

#include <memory>

TCanvas& WorkCanvas() {
  if (TPaintBox* box = WorkPaintBox()) return *box->Canvas();
  static std::unique_ptr<TBitmap> bitmap;
  if (!bitmap) bitmap = std::make_unique<TBitmap>();
  return *bitmap->Canvas();
}
