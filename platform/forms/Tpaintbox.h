#pragma once
// TPaintBox: a rectangle of the parent that the program paints in OnPaint; TImage: a
// picture shown as it is, centred or stretched, transparently when asked.

#include "platform/forms/Tbitmap.h"
#include "platform/forms/Tcustomcontrol.h"

class TPaintBox : public TGraphicControl {
 public:
  explicit TPaintBox(TComponent* AOwner);
  TNotifyEvent OnPaint;

 protected:
  void Paint() override;
};

// The picture of a TImage: a bitmap.
class TPicture : public TPersistent {
 public:
  TPicture();
  ~TPicture() override;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;
  TBitmap* Bitmap() const { return bitmap_; }
  void SetBitmap(TBitmap* Value) { bitmap_->Assign(Value); }
  TGraphic* Graphic() const { return bitmap_->Empty() ? nullptr : bitmap_; }
  int Width() const { return bitmap_->Width(); }
  int Height() const { return bitmap_->Height(); }
  void Assign(TPersistent* Source) override;
  TNotifyEvent OnChange;

 private:
  TBitmap* bitmap_;
};

class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;
  TPicture* Picture() const { return picture_; }
  void SetPicture(TPicture* Value) { picture_->Assign(Value); }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool Value) { stretch_ = Value; Invalidate(); }
  bool Center() const { return center_; }
  void SetCenter(bool Value) { center_ = Value; Invalidate(); }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value) { transparent_ = Value; Invalidate(); }
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool Value) { autoSize_ = Value; PictureChanged(); }

 protected:
  void Paint() override;

 private:
  void PictureChanged();
  TPicture* picture_;
  bool stretch_ = false;
  bool center_ = false;
  bool transparent_ = false;
  bool autoSize_ = false;
};
