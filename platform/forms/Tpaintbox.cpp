#include "platform/forms/Tpaintbox.h"

TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 105, 105);
  SetParentColor(true);
}

void TPaintBox::Paint() {
  if (OnPaint) OnPaint(this);
}

TPicture::TPicture() : bitmap_(new TBitmap) {
  bitmap_->OnChange = [this](TObject*) {
    if (OnChange) OnChange(this);
  };
}

TPicture::~TPicture() { delete bitmap_; }

void TPicture::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPicture*>(Source)) bitmap_->Assign(p->bitmap_);
  else if (auto* b = dynamic_cast<TBitmap*>(Source)) bitmap_->Assign(b);
  else TPersistent::Assign(Source);
}

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), picture_(new TPicture) {
  controlStyle_ += TControlStyle{csReplicatable};
  SetBounds(0, 0, 105, 105);
  picture_->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() { delete picture_; }

void TImage::PictureChanged() {
  if (autoSize_ && picture_->Width() > 0) SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
  Invalidate();
}

void TImage::Paint() {
  TBitmap* b = picture_->Bitmap();
  if (b->Empty()) return;
  RECT r = ClientRect();
  if (!stretch_) {
    int x = center_ ? (Width() - b->Width()) / 2 : 0;
    int y = center_ ? (Height() - b->Height()) / 2 : 0;
    r = RECT{x, y, x + b->Width(), y + b->Height()};
  }
  bool was = b->Transparent();
  b->SetTransparent(transparent_);
  Canvas()->StretchDraw(r, b);
  b->SetTransparent(was);
}
