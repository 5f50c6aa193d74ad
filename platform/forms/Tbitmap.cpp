#include "platform/forms/Tbitmap.h"

#include "platform/gui/Blit.h"

void TGraphic::SetTransparent(bool Value) {
  if (Value == transparent_) return;
  transparent_ = Value;
  Changed();
}

void TGraphic::Changed() {
  if (OnChange) OnChange(this);
}

// The canvas of a bitmap: a memory context holding the bitmap.
class TBitmap::BitmapCanvas : public TCanvas {
 public:
  explicit BitmapCanvas(TBitmap* owner) : owner_(owner) {}

 protected:
  void CreateHandle() override {
    owner_->Handle();
    SetHandle(owner_->dc_);
  }

 private:
  TBitmap* owner_;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  delete canvas_;
  if (dc_) {
    SelectObject(dc_, oldBitmap_);
    DeleteDC(dc_);
  }
  if (handle_) DeleteObject(handle_);
}

void TBitmap::Recreate(int width, int height, bool monochrome) {
  HBITMAP fresh = CreateBitmap(width > 0 ? width : 1, height > 0 ? height : 1, 1, monochrome ? 1 : 32, nullptr);
  if (!monochrome) {
    // New colour bitmaps start white, as a fresh picture is expected to be.
    auto pixels = platform::BitmapPixels(fresh);
    if (pixels) std::fill(pixels->Pixels().begin(), pixels->Pixels().end(), 0xFFFFFFu);
  }
  if (handle_ && dc_) {
    // Keep what was drawn, as far as it fits.
    HDC tmp = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(tmp, fresh);
    BitBlt(tmp, 0, 0, std::min(width, width_), std::min(height, height_), dc_, 0, 0, SRCCOPY);
    SelectObject(tmp, old);
    DeleteDC(tmp);
  }
  if (!dc_) {
    dc_ = CreateCompatibleDC(nullptr);
    oldBitmap_ = SelectObject(dc_, fresh);
  } else {
    SelectObject(dc_, fresh);
  }
  if (handle_) DeleteObject(handle_);
  handle_ = fresh;
  width_ = width;
  height_ = height;
  monochrome_ = monochrome;
  if (canvas_) canvas_->Refresh();
}

void TBitmap::SetSize(int AWidth, int AHeight) {
  if (AWidth < 0) AWidth = 0;
  if (AHeight < 0) AHeight = 0;
  if (AWidth == width_ && AHeight == height_ && handle_) return;
  Recreate(AWidth, AHeight, monochrome_);
  Changed();
}

void TBitmap::SetMonochrome(bool Value) {
  if (Value == monochrome_ && handle_) return;
  Recreate(width_, height_, Value);
  Changed();
}

HBITMAP TBitmap::Handle() {
  if (!handle_) Recreate(width_, height_, monochrome_);
  return handle_;
}

void TBitmap::SetHandle(HBITMAP Value) {
  BITMAP info{};
  if (!Value || !GetObject(Value, sizeof info, &info)) return;
  if (!dc_) {
    dc_ = CreateCompatibleDC(nullptr);
    oldBitmap_ = SelectObject(dc_, Value);
  } else {
    SelectObject(dc_, Value);
  }
  if (handle_) DeleteObject(handle_);
  handle_ = Value;
  width_ = info.bmWidth;
  height_ = info.bmHeight;
  monochrome_ = info.bmBitsPixel == 1;
  if (canvas_) canvas_->Refresh();
  Changed();
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) canvas_ = new BitmapCanvas(this);
  return canvas_;
}

TColor TBitmap::TransparentColor() {
  if (transparentMode_ == tmFixed && transparentColor_ != clDefault) return transparentColor_;
  if (Empty()) return clDefault;
  return Canvas()->Pixels(0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor Value) {
  transparentColor_ = Value;
  transparentMode_ = Value == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::Assign(TPersistent* Source) {
  auto* b = dynamic_cast<TBitmap*>(Source);
  if (!b) return TGraphic::Assign(Source);
  if (b == this) return;
  Recreate(b->width_, b->height_, b->monochrome_);
  if (b->handle_) BitBlt(dc_, 0, 0, width_, height_, b->dc_, 0, 0, SRCCOPY);
  transparent_ = b->transparent_;
  transparentColor_ = b->transparentColor_;
  transparentMode_ = b->transparentMode_;
  Changed();
}

void TBitmap::Draw(TCanvas* ACanvas, const RECT& Rect) {
  if (Empty()) return;
  Handle();
  HDC dst = ACanvas->Handle();
  int w = Rect.right - Rect.left, h = Rect.bottom - Rect.top;
  if (!transparent_) {
    StretchBlt(dst, Rect.left, Rect.top, w, h, dc_, 0, 0, width_, height_, ACanvas->CopyMode());
    return;
  }
  // A mask white where the picture has its transparent colour; then
  // dst ^ src, & mask, ^ src leaves dst there and src elsewhere.
  HDC maskDc = CreateCompatibleDC(nullptr);
  HBITMAP mask = CreateBitmap(width_, height_, 1, 1, nullptr);
  HGDIOBJ oldMask = SelectObject(maskDc, mask);
  COLORREF oldBk = SetBkColor(dc_, ColorToRGB(TransparentColor()));
  BitBlt(maskDc, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
  SetBkColor(dc_, oldBk);
  COLORREF oldText = SetTextColor(dst, RGB(0, 0, 0));
  COLORREF oldDstBk = SetBkColor(dst, RGB(255, 255, 255));
  StretchBlt(dst, Rect.left, Rect.top, w, h, dc_, 0, 0, width_, height_, SRCINVERT);
  StretchBlt(dst, Rect.left, Rect.top, w, h, maskDc, 0, 0, width_, height_, SRCAND);
  StretchBlt(dst, Rect.left, Rect.top, w, h, dc_, 0, 0, width_, height_, SRCINVERT);
  SetTextColor(dst, oldText);
  SetBkColor(dst, oldDstBk);
  SelectObject(maskDc, oldMask);
  DeleteObject(mask);
  DeleteDC(maskDc);
}
