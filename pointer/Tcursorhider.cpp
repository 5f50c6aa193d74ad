#include "pointer/Tcursorhider.h"

#include <vector>

namespace {

std::unique_ptr<TCursorHiderStatic> gHolder;

}  // namespace

TCursorHiderStatic::TCursorHiderStatic() : arrow_(CopyCursor(LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW)))) {
  const int width = GetSystemMetrics(SM_CXCURSOR), height = GetSystemMetrics(SM_CYCURSOR);
  const size_t bytes = static_cast<size_t>((width + 15) / 16 * 2) * height;
  const std::vector<unsigned char> andMask(bytes, 0xFF), xorMask(bytes, 0);
  blank_ = CreateCursor(nullptr, 0, 0, width, height, andMask.data(), xorMask.data());
}

TCursorHiderStatic::~TCursorHiderStatic() {
  if (blank_) DestroyCursor(blank_);
  if (arrow_) DestroyCursor(arrow_);
}

TCursorHiderStatic* TCursorHiderStatic::Current() { return gHolder.get(); }

void TCursorHiderStatic::SetCurrent(std::unique_ptr<TCursorHiderStatic> Holder) { gHolder = std::move(Holder); }

TCursorHider::TCursorHider() : cursors_(TCursorHiderStatic::Current()) {
  if (!cursors_) {
    own_ = std::make_unique<TCursorHiderStatic>();
    cursors_ = own_.get();
  }
  // The system takes over the cursor it is given: it gets a copy.
  if (HCURSOR blank = CopyCursor(cursors_->Blank()))
    if (!SetSystemCursor(blank, OCR_NORMAL)) DestroyCursor(blank);
}

TCursorHider::~TCursorHider() {
  if (HCURSOR arrow = CopyCursor(cursors_->Arrow()))
    if (!SetSystemCursor(arrow, OCR_NORMAL)) DestroyCursor(arrow);
}
