#include "platform/forms/Timagelist.h"

#include <algorithm>

#include "platform/gui/Syscolors.h"

TImageList::TImageList(TComponent* AOwner) : TComponent(AOwner) {}

TImageList::~TImageList() {
  for (Image& i : images_) delete i.bitmap;
}

void TImageList::Changed() {
  if (OnChange) OnChange(this);
}

void TImageList::SetWidth(int Value) {
  if (Value == width_ || Value <= 0) return;
  Clear();
  width_ = Value;
}

void TImageList::SetHeight(int Value) {
  if (Value == height_ || Value <= 0) return;
  Clear();
  height_ = Value;
}

std::vector<TBitmap*> TImageList::Cut(TBitmap* Picture, TColor Mask) {
  std::vector<TBitmap*> pieces;
  int count = std::max(1, Picture->Width() / width_);
  for (int i = 0; i < count; ++i) {
    auto* b = new TBitmap;
    b->SetSize(width_, height_);
    b->Canvas()->Brush()->SetColor(Mask);
    b->Canvas()->FillRect(RECT{0, 0, width_, height_});
    b->Canvas()->CopyRect(RECT{0, 0, width_, height_}, Picture->Canvas(), RECT{i * width_, 0, (i + 1) * width_, height_});
    b->SetTransparentColor(Mask);
    b->SetTransparent(true);
    pieces.push_back(b);
  }
  return pieces;
}

int TImageList::AddMasked(TBitmap* Picture, TColor MaskColor) {
  if (!Picture || Picture->Empty()) return -1;
  TColor mask = MaskColor == clDefault ? Picture->Canvas()->Pixels(0, Picture->Height() - 1) : MaskColor;
  int first = Count();
  for (TBitmap* b : Cut(Picture, mask)) images_.push_back(Image{b, mask});
  Changed();
  return first;
}

void TImageList::ReplaceMasked(int Index, TBitmap* NewImage, TColor MaskColor) {
  if (Index < 0 || Index >= Count() || !NewImage || NewImage->Empty()) return;
  TColor mask = MaskColor == clDefault ? NewImage->Canvas()->Pixels(0, NewImage->Height() - 1) : MaskColor;
  std::vector<TBitmap*> pieces = Cut(NewImage, mask);
  delete images_[Index].bitmap;
  images_[Index] = Image{pieces[0], mask};
  for (size_t i = 1; i < pieces.size(); ++i) delete pieces[i];
  Changed();
}

namespace {

// A copy of a picture whose mask's white pixels take a colour it lacks.
constexpr TColor kMaskKey = 0xFF00FF;

void ApplyMask(TBitmap* Picture, TBitmap* Mask, TBitmap& Copy) {
  Copy.Assign(Picture);
  for (int y = 0; y < Copy.Height() && y < Mask->Height(); ++y)
    for (int x = 0; x < Copy.Width() && x < Mask->Width(); ++x)
      if (Mask->Canvas()->Pixels(x, y) == clWhite) Copy.Canvas()->SetPixels(x, y, kMaskKey);
}

}  // namespace

int TImageList::Add(TBitmap* Picture, TBitmap* Mask) {
  if (!Mask) return AddMasked(Picture, clDefault);
  TBitmap copy;
  ApplyMask(Picture, Mask, copy);
  return AddMasked(&copy, kMaskKey);
}

void TImageList::Replace(int Index, TBitmap* Picture, TBitmap* Mask) {
  if (!Mask) return ReplaceMasked(Index, Picture, clDefault);
  TBitmap copy;
  ApplyMask(Picture, Mask, copy);
  ReplaceMasked(Index, &copy, kMaskKey);
}

void TImageList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) return;
  delete images_[Index].bitmap;
  images_.erase(images_.begin() + Index);
  Changed();
}

void TImageList::Clear() {
  for (Image& i : images_) delete i.bitmap;
  images_.clear();
  Changed();
}

void TImageList::GetBitmap(int Index, TBitmap* Picture) {
  if (Index < 0 || Index >= Count() || !Picture) return;
  Picture->Assign(images_[Index].bitmap);
  Picture->SetTransparent(false);
}

void TImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
  if (Index < 0 || Index >= Count()) return;
  const Image& image = images_[Index];
  if (Enabled) {
    Canvas->Draw(X, Y, image.bitmap);
    return;
  }
  // Disabled: the shape embossed, light one pixel down and right, shadow on top.
  TBitmap shape;
  shape.SetSize(width_, height_);
  const TColor key = 0xFF00FF;
  for (TColor ink : {static_cast<TColor>(GetSysColor(COLOR_BTNHIGHLIGHT)), static_cast<TColor>(GetSysColor(COLOR_BTNSHADOW))}) {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        TColor c = image.bitmap->Canvas()->Pixels(x, y);
        // Only dark pixels make the shape, as the classic look has it.
        bool dark = c != image.transparent && (GetRValue(c) + GetGValue(c) + GetBValue(c)) < 3 * 192;
        shape.Canvas()->SetPixels(x, y, dark ? ink : key);
      }
    shape.SetTransparentColor(key);
    shape.SetTransparent(true);
    bool light = ink == static_cast<TColor>(GetSysColor(COLOR_BTNHIGHLIGHT));
    Canvas->Draw(X + (light ? 1 : 0), Y + (light ? 1 : 0), &shape);
  }
}
