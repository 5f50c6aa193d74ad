#pragma once
// Pictures: TGraphic, the base of what a canvas can draw, and TBitmap, a picture in
// memory with its own canvas, monochrome or colour, drawn transparently when asked
// (pixels of the transparent colour leave the destination as it was).

#include <memory>

#include "platform/forms/Tcanvas.h"

class TGraphic : public TPersistent {
 public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int Value) = 0;
  virtual void SetHeight(int Value) = 0;
  virtual bool Empty() const { return Width() == 0 || Height() == 0; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  // Draws the picture scaled into the rectangle of the canvas.
  virtual void Draw(TCanvas* ACanvas, const RECT& Rect) = 0;
  TNotifyEvent OnChange;

 protected:
  void Changed();
  bool transparent_ = false;
};

enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int Value) override { SetSize(Value, height_); }
  void SetHeight(int Value) override { SetSize(width_, Value); }
  void SetSize(int AWidth, int AHeight);
  bool Monochrome() const { return monochrome_; }
  void SetMonochrome(bool Value);
  HBITMAP Handle();
  // Takes over a bitmap handle (the old picture is freed).
  void SetHandle(HBITMAP Value);
  TCanvas* Canvas();
  // With tmAuto the colour of the bottom-left pixel.
  TColor TransparentColor();
  void SetTransparentColor(TColor Value);
  TTransparentMode TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TTransparentMode Value) { transparentMode_ = Value; }
  void Assign(TPersistent* Source) override;
  void Draw(TCanvas* ACanvas, const RECT& Rect) override;
  void Dormant() {}
  void FreeImage() {}

 private:
  class BitmapCanvas;
  void Recreate(int width, int height, bool monochrome);

  int width_ = 0;
  int height_ = 0;
  bool monochrome_ = false;
  HBITMAP handle_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
  TCanvas* canvas_ = nullptr;
  TColor transparentColor_ = clDefault;
  TTransparentMode transparentMode_ = tmAuto;
};
