#include "platform/forms/Tcanvas.h"

#include "platform/forms/Tbitmap.h"
#include "platform/gui/Blit.h"
#include "platform/gui/Drawtext.h"
#include "platform/gui/Painting.h"
#include "platform/gui/Drawedge.h"
#include "platform/gui/Shapes.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Text.h"
#include "platform/rtl/Exception.h"

TCanvas::TCanvas() : font_(new TFont), pen_(new TPen), brush_(new TBrush) {
  font_->OnChange = [this](TObject*) { selected_ &= ~kFont; };
  pen_->OnChange = [this](TObject*) { selected_ &= ~kPen; };
  brush_->OnChange = [this](TObject*) { selected_ &= ~kBrush; };
}

TCanvas::~TCanvas() {
  SetHandle(nullptr);
  delete font_;
  delete pen_;
  delete brush_;
}

HDC TCanvas::Handle() {
  if (!handle_) CreateHandle();
  if (!handle_) throw Exception("Canvas does not allow drawing");
  return handle_;
}

void TCanvas::DeselectTools() {
  if (!handle_) return;
  if (oldFont_) SelectObject(handle_, oldFont_);
  if (oldPen_) SelectObject(handle_, oldPen_);
  if (oldBrush_) SelectObject(handle_, oldBrush_);
  oldFont_ = oldPen_ = oldBrush_ = nullptr;
  selected_ = 0;
}

void TCanvas::SetHandle(HDC Value) {
  if (Value == handle_) return;
  DeselectTools();
  handle_ = Value;
  selected_ = 0;
}

void TCanvas::Refresh() { DeselectTools(); }

void TCanvas::Require(int needs) {
  HDC dc = Handle();
  int missing = needs & ~selected_;
  if (missing & kFont) {
    HGDIOBJ old = SelectObject(dc, font_->Handle());
    if (!oldFont_) oldFont_ = old;
    SetTextColor(dc, ColorToRGB(font_->Color()));
  }
  if (missing & kPen) {
    HGDIOBJ old = SelectObject(dc, pen_->Handle());
    if (!oldPen_) oldPen_ = old;
    SetROP2(dc, pen_->Rop2());
  }
  if (missing & kBrush) {
    HGDIOBJ old = SelectObject(dc, brush_->Handle());
    if (!oldBrush_) oldBrush_ = old;
    SetBkColor(dc, ColorToRGB(brush_->Color()));
    SetBkMode(dc, brush_->Style() == bsSolid ? OPAQUE : TRANSPARENT);
  }
  selected_ |= missing;
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::MoveTo(int X, int Y) { MoveToEx(Handle(), X, Y, nullptr); }

void TCanvas::LineTo(int X, int Y) {
  Changing();
  Require(kPen | kBrush);
  ::LineTo(handle_, X, Y);
  Changed();
}

POINT TCanvas::PenPos() {
  POINT p{0, 0};
  GetCurrentPositionEx(Handle(), &p);
  return p;
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  Changing();
  Require(kPen | kBrush);
  ::Rectangle(handle_, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
  Changing();
  Require(kPen | kBrush);
  ::Ellipse(handle_, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::Polygon(const std::vector<POINT>& Points) {
  Changing();
  Require(kPen | kBrush);
  ::Polygon(handle_, Points.data(), static_cast<int>(Points.size()));
  Changed();
}

void TCanvas::Polyline(const std::vector<POINT>& Points) {
  Changing();
  Require(kPen | kBrush);
  ::Polyline(handle_, Points.data(), static_cast<int>(Points.size()));
  Changed();
}

void TCanvas::FillRect(const RECT& R) {
  Changing();
  Require(kBrush);
  ::FillRect(handle_, &R, brush_->Handle());
  Changed();
}

void TCanvas::FrameRect(const RECT& R) {
  Changing();
  Require(kBrush);
  ::FrameRect(handle_, &R, brush_->Handle());
  Changed();
}

void TCanvas::DrawFocusRect(const RECT& R) {
  Changing();
  Require(kBrush);
  ::DrawFocusRect(handle_, &R);
  Changed();
}

void TCanvas::TextOut(int X, int Y, const std::string& Text) {
  Changing();
  Require(kFont | kBrush);
  ::ExtTextOut(handle_, X, Y, 0, nullptr, Text.data(), static_cast<UINT>(Text.size()), nullptr);
  MoveTo(X + TextWidth(Text), Y);
  Changed();
}

void TCanvas::TextRect(const RECT& R, int X, int Y, const std::string& Text) {
  Changing();
  Require(kFont | kBrush);
  UINT options = ETO_CLIPPED;
  if (brush_->Style() != bsClear) options |= ETO_OPAQUE;
  ::ExtTextOut(handle_, X, Y, options, &R, Text.data(), static_cast<UINT>(Text.size()), nullptr);
  Changed();
}

SIZE TCanvas::TextExtent(const std::string& Text) {
  Require(kFont);
  SIZE s{0, 0};
  GetTextExtentPoint32(handle_, Text.data(), static_cast<int>(Text.size()), &s);
  return s;
}

void TCanvas::Draw(int X, int Y, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  Changing();
  Require(kBrush);
  Graphic->Draw(this, RECT{X, Y, X + Graphic->Width(), Y + Graphic->Height()});
  Changed();
}

void TCanvas::StretchDraw(const RECT& R, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  Changing();
  Require(kBrush);
  Graphic->Draw(this, R);
  Changed();
}

void TCanvas::CopyRect(const RECT& Dest, TCanvas* Canvas, const RECT& Source) {
  Changing();
  Require(kBrush);
  Canvas->Require(kBrush);
  StretchBlt(handle_, Dest.left, Dest.top, Dest.right - Dest.left, Dest.bottom - Dest.top, Canvas->Handle(),
             Source.left, Source.top, Source.right - Source.left, Source.bottom - Source.top, copyMode_);
  Changed();
}

TColor TCanvas::Pixels(int X, int Y) {
  COLORREF c = GetPixel(Handle(), X, Y);
  return c == CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TCanvas::SetPixels(int X, int Y, TColor Value) {
  Changing();
  SetPixel(Handle(), X, Y, ColorToRGB(Value));
  Changed();
}

RECT TCanvas::ClipRect() {
  RECT r{0, 0, 0, 0};
  GetClipBox(Handle(), &r);
  return r;
}

RECT CalcTextRect(TFont* Font, const std::string& Text, UINT Format, int MaxWidth) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font->Handle());
  RECT r{0, 0, MaxWidth, 0};
  std::string text = Text.empty() ? std::string(" ") : Text;
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, Format | DT_CALCRECT);
  if (Text.empty()) r.right = r.left;
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return r;
}

void Frame3D(TCanvas* Canvas, RECT& Rect, TColor TopColor, TColor BottomColor, int Width) {
  TPen* pen = Canvas->Pen();
  TColor oldColor = pen->Color();
  int oldWidth = pen->Width();
  pen->SetWidth(1);
  --Rect.bottom;
  --Rect.right;
  for (int i = 0; i < Width; ++i) {
    pen->SetColor(TopColor);
    Canvas->Polyline({POINT{Rect.left, Rect.bottom}, POINT{Rect.left, Rect.top}, POINT{Rect.right, Rect.top}});
    pen->SetColor(BottomColor);
    Canvas->Polyline({POINT{Rect.right, Rect.top}, POINT{Rect.right, Rect.bottom}, POINT{Rect.left - 1, Rect.bottom}});
    InflateRect(&Rect, -1, -1);
  }
  ++Rect.bottom;
  ++Rect.right;
  pen->SetColor(oldColor);
  pen->SetWidth(oldWidth);
}

void DrawControlText(TCanvas* Canvas, const std::string& Text, RECT R, UINT Format, bool Enabled) {
  HDC dc = Canvas->Handle();
  Canvas->Font();
  SelectObject(dc, Canvas->Font()->Handle());
  int oldMode = SetBkMode(dc, TRANSPARENT);
  if (Enabled) {
    SetTextColor(dc, ColorToRGB(Canvas->Font()->Color()));
    DrawText(dc, Text.c_str(), static_cast<int>(Text.size()), &R, Format);
  } else {
    RECT shadow = R;
    OffsetRect(&shadow, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawText(dc, Text.c_str(), static_cast<int>(Text.size()), &shadow, Format);
    SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
    DrawText(dc, Text.c_str(), static_cast<int>(Text.size()), &R, Format);
  }
  SetBkMode(dc, oldMode);
  Canvas->Refresh();
}
