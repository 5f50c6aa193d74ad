#pragma once
// TIcon: a picture read from the icon file format (an image with its transparency
// mask; the entry nearest to 32 x 32 pixels with the most colours is taken). Entries of
// 1, 4, 8, 24 and 32 bits a pixel are read; an image it cannot read raises
// EInvalidGraphic and leaves the icon as it was. Saving writes the chosen image back
// as a one-entry icon file.

#include <string>
#include <vector>

#include "platform/forms/Tbitmap.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Tstream.h"

RTL_EXCEPTION(EInvalidGraphic, Exception);

class TIcon : public TGraphic {
 public:
  TIcon();
  ~TIcon() override;
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;

  int Width() const override { return image_->Width(); }
  int Height() const override { return image_->Height(); }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  void LoadFromStream(TStream* Stream);
  void LoadFromFile(const std::string& FileName);
  // Reads an icon file held in memory.
  void LoadFromBytes(const std::string& Bytes);
  void SaveToStream(TStream* Stream);
  void SaveToFile(const std::string& FileName);
  // The picture and its mask (white where the icon is transparent).
  TBitmap* Image() const { return image_; }
  TBitmap* Mask() const { return mask_; }
  void Assign(TPersistent* Source) override;
  void Draw(TCanvas* ACanvas, const RECT& Rect) override;
  // The window system's icon of this picture (null for an empty one), made on first use
  // and kept until the picture changes.
  HICON Handle();

 private:
  void ReleaseHandle();
  HICON handle_ = nullptr;
  TBitmap* image_;
  TBitmap* mask_;
};
