#include "pointer/Tcursorhider.h"

#include <vector>

#include "platform/gui/Gui.h"

TCursorHider::TCursorHider() {
  const int width = GetSystemMetrics(SM_CXCURSOR), height = GetSystemMetrics(SM_CYCURSOR);
  const size_t bytes = static_cast<size_t>((width + 15) / 16 * 2) * height;
  const std::vector<unsigned char> andMask(bytes, 0xFF), xorMask(bytes, 0);
  if (HCURSOR blank = CreateCursor(nullptr, 0, 0, width, height, andMask.data(), xorMask.data()))
    if (!SetSystemCursor(blank, OCR_NORMAL)) DestroyCursor(blank);
}

TCursorHider::~TCursorHider() { SetSystemCursor(LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW)), OCR_NORMAL); }
