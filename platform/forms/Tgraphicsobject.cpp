#include "platform/forms/Tgraphicsobject.h"

#include <cstring>

#include "platform/forms/Tbitmap.h"
#include "platform/gui/Devicecontext.h"

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

// ---- TFont

TFont::TFont() = default;

TFont::~TFont() { Reset(); }

void TFont::Reset() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

HFONT TFont::Handle() {
  if (!handle_) {
    LOGFONT lf{};
    lf.lfHeight = height_;
    lf.lfWeight = style_.Contains(fsBold) ? 700 : 400;
    lf.lfItalic = style_.Contains(fsItalic);
    lf.lfUnderline = style_.Contains(fsUnderline);
    lf.lfStrikeOut = style_.Contains(fsStrikeOut);
    lf.lfCharSet = charset_;
    lf.lfPitchAndFamily = pitch_ == fpFixed ? 1 : pitch_ == fpVariable ? 2 : 0;
    std::strncpy(lf.lfFaceName, name_.c_str(), sizeof lf.lfFaceName - 1);
    handle_ = CreateFontIndirect(&lf);
  }
  return handle_;
}

void TFont::SetName(const std::string& Value) {
  if (Value.empty() || Value == name_) return;
  name_ = Value;
  Reset();
  Changed();
}

int TFont::Size() const {
  int h = height_ < 0 ? -height_ : height_;
  int points = (h * 72 + PixelsPerInch / 2) / PixelsPerInch;
  return height_ < 0 ? points : -points;
}

void TFont::SetSize(int Value) {
  int h = -(Value * PixelsPerInch + 36) / 72;
  SetHeight(h);
}

void TFont::SetHeight(int Value) {
  if (Value == height_) return;
  height_ = Value;
  Reset();
  Changed();
}

void TFont::SetStyle(TFontStyles Value) {
  if (Value == style_) return;
  style_ = Value;
  Reset();
  Changed();
}

void TFont::SetColor(TColor Value) {
  if (Value == color_) return;
  color_ = Value;
  Changed();
}

void TFont::SetPitch(TFontPitch Value) {
  if (Value == pitch_) return;
  pitch_ = Value;
  Reset();
  Changed();
}

void TFont::SetCharset(BYTE Value) {
  if (Value == charset_) return;
  charset_ = Value;
  Reset();
  Changed();
}

bool TFont::SameAs(const TFont& o) const {
  return name_ == o.name_ && height_ == o.height_ && style_ == o.style_ && color_ == o.color_ &&
         pitch_ == o.pitch_ && charset_ == o.charset_;
}

void TFont::Assign(TPersistent* Source) {
  auto* f = dynamic_cast<TFont*>(Source);
  if (!f) return TGraphicsObject::Assign(Source);
  if (SameAs(*f)) return;
  name_ = f->name_;
  height_ = f->height_;
  style_ = f->style_;
  color_ = f->color_;
  pitch_ = f->pitch_;
  charset_ = f->charset_;
  Reset();
  Changed();
}

// ---- TPen

TPen::~TPen() { Reset(); }

void TPen::Reset() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

HPEN TPen::Handle() {
  if (!handle_) {
    static const UINT styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    handle_ = CreatePen(styles[style_], width_, ColorToRGB(color_));
  }
  return handle_;
}

void TPen::SetColor(TColor Value) {
  if (Value == color_) return;
  color_ = Value;
  Reset();
  Changed();
}

void TPen::SetWidth(int Value) {
  if (Value < 0) Value = 0;
  if (Value == width_) return;
  width_ = Value;
  Reset();
  Changed();
}

void TPen::SetStyle(TPenStyle Value) {
  if (Value == style_) return;
  style_ = Value;
  Reset();
  Changed();
}

void TPen::SetMode(TPenMode Value) {
  if (Value == mode_) return;
  mode_ = Value;
  Changed();
}

int TPen::Rop2() const {
  static const int rops[] = {R2_BLACK, R2_WHITE, R2_NOP, R2_NOT, R2_COPYPEN, R2_NOTCOPYPEN,
                             R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,
                             R2_NOTMERGEPEN, R2_MASKPEN, R2_NOTMASKPEN, R2_XORPEN, R2_NOTXORPEN};
  return rops[mode_];
}

void TPen::Assign(TPersistent* Source) {
  auto* p = dynamic_cast<TPen*>(Source);
  if (!p) return TGraphicsObject::Assign(Source);
  color_ = p->color_;
  width_ = p->width_;
  style_ = p->style_;
  mode_ = p->mode_;
  Reset();
  Changed();
}

// ---- TBrush

TBrush::~TBrush() {
  Reset();
  delete bitmap_;
}

void TBrush::Reset() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

HBRUSH TBrush::Handle() {
  if (!handle_) {
    if (bitmap_ && !bitmap_->Empty()) {
      handle_ = CreatePatternBrush(bitmap_->Handle());
    } else if (style_ == bsClear) {
      LOGBRUSH lb{BS_NULL, 0, 0};
      handle_ = CreateBrushIndirect(&lb);
    } else if (style_ == bsSolid) {
      handle_ = CreateSolidBrush(ColorToRGB(color_));
    } else {
      static const int hatches[] = {0, 0, HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
      handle_ = CreateHatchBrush(hatches[style_], ColorToRGB(color_));
    }
  }
  return handle_;
}

void TBrush::SetColor(TColor Value) {
  if (Value == color_ && style_ != bsClear) return;
  color_ = Value;
  if (style_ == bsClear) style_ = bsSolid;
  Reset();
  Changed();
}

void TBrush::SetStyle(TBrushStyle Value) {
  if (Value == style_) return;
  style_ = Value;
  Reset();
  Changed();
}

void TBrush::SetBitmap(TBitmap* Value) {
  delete bitmap_;
  bitmap_ = nullptr;
  if (Value) {
    bitmap_ = new TBitmap;
    bitmap_->Assign(Value);
  }
  Reset();
  Changed();
}

void TBrush::Assign(TPersistent* Source) {
  auto* b = dynamic_cast<TBrush*>(Source);
  if (!b) return TGraphicsObject::Assign(Source);
  color_ = b->color_;
  style_ = b->style_;
  SetBitmap(b->bitmap_);
}
