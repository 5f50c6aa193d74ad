#pragma once
// TImageList: small pictures of one size kept together (tool bars, menus, lists), each
// drawn with its transparent colour left out, or embossed grey when disabled.

#include <vector>

#include "platform/forms/Tbitmap.h"
#include "platform/rtl/Tcomponent.h"

class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* AOwner);
  ~TImageList() override;
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Changing the size clears the list.
  void SetWidth(int Value);
  void SetHeight(int Value);
  int Count() const { return static_cast<int>(images_.size()); }
  // Adds the pictures of a bitmap (several when it is wider than one picture); pixels of
  // MaskColor (clDefault: the bottom-left pixel) are transparent. Returns the first index.
  int AddMasked(TBitmap* Image, TColor MaskColor);
  int Add(TBitmap* Image, TBitmap* Mask);
  // Put a new picture in place of picture Index (a mask bitmap white where it is
  // transparent, or a transparent colour as AddMasked).
  void Replace(int Index, TBitmap* Image, TBitmap* Mask);
  void ReplaceMasked(int Index, TBitmap* NewImage, TColor MaskColor);
  void Delete(int Index);
  void Clear();
  void GetBitmap(int Index, TBitmap* Image);
  void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
  TNotifyEvent OnChange;

 private:
  void Changed();
  // The list's pictures cut from a bitmap, pixels of Mask transparent.
  std::vector<TBitmap*> Cut(TBitmap* Picture, TColor Mask);
  struct Image {
    TBitmap* bitmap;
    TColor transparent;
  };
  int width_ = 16;
  int height_ = 16;
  std::vector<Image> images_;
};
