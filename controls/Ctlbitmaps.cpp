#include "controls/Ctlbitmaps.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// a * b / c rounded half away from zero, as the system's MulDiv.
int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  long long p = static_cast<long long>(a) * b;
  long long q = (std::llabs(p) + std::llabs(static_cast<long long>(c)) / 2) / std::llabs(static_cast<long long>(c));
  return static_cast<int>(((p < 0) != (c < 0)) ? -q : q);
}

TCanvas* ControlCanvas(TControl* Control) {
  if (auto* c = dynamic_cast<TCustomControl*>(Control)) return c->Canvas();
  if (auto* g = dynamic_cast<TGraphicControl*>(Control)) return g->Canvas();
  return nullptr;
}

// A monochrome mask of SrcDC's area: white where the source has Transparent.
HBITMAP MakeMask(HDC SrcDC, int SrcX, int SrcY, int W, int H, COLORREF Transparent, HDC& MaskDC) {
  MaskDC = CreateCompatibleDC(nullptr);
  HBITMAP mask = CreateBitmap(W, H, 1, 1, nullptr);
  SelectObject(MaskDC, mask);
  COLORREF oldBk = SetBkColor(SrcDC, Transparent);
  BitBlt(MaskDC, 0, 0, W, H, SrcDC, SrcX, SrcY, SRCCOPY);
  SetBkColor(SrcDC, oldBk);
  return mask;
}

// Draws Ink on Canvas at (X, Y) wherever Test says of a pixel of Source.
template <class Test>
void DrawShape(TCanvas* Canvas, int X, int Y, TBitmap* Source, TColor Ink, Test test) {
  const TColor key = ColorToRGB(Ink) == 0xFF00FF ? 0x00FF00 : 0xFF00FF;
  TBitmap shape;
  shape.SetSize(Source->Width(), Source->Height());
  for (int y = 0; y < Source->Height(); ++y)
    for (int x = 0; x < Source->Width(); ++x)
      shape.Canvas()->SetPixels(x, y, test(Source->Canvas()->Pixels(x, y)) ? Ink : key);
  shape.SetTransparentColor(key);
  shape.SetTransparent(true);
  Canvas->Draw(X, Y, &shape);
}

TColor Interpolate(TColor From, TColor To, int Step, int Steps) {
  COLORREF a = ColorToRGB(From), b = ColorToRGB(To);
  auto channel = [&](int ca, int cb) { return ca + MulDiv(Step, cb - ca, Steps); };
  return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
             channel(GetBValue(a), GetBValue(b)));
}

SIZE DialogBaseUnits() {
  TBitmap b;
  b.SetSize(1, 1);
  SIZE s = GetAveCharSize(b.Canvas());
  return SIZE{std::max<LONG>(1, s.cx), std::max<LONG>(1, s.cy)};
}

}  // namespace

// ---- Bitmaps

void AssignBitmapCell(TBitmap* Source, TBitmap* Dest, int Cols, int Rows, int Index) {
  if (!Source || !Dest) return;
  Cols = std::max(1, Cols);
  Rows = std::max(1, Rows);
  int w = Source->Width() / Cols, h = Source->Height() / Rows;
  Index = std::clamp(Index, 0, Cols * Rows - 1);
  int x = (Index % Cols) * w, y = (Index / Cols) * h;
  TColor transparent = Source->TransparentColor();
  Dest->SetSize(w, h);
  Dest->Canvas()->CopyRect(RECT{0, 0, w, h}, Source->Canvas(), RECT{x, y, x + w, y + h});
  Dest->SetTransparentColor(transparent);
}

void CopyParentImage(TControl* Control, TCanvas* Dest) {
  if (!Control || !Dest || !Control->Parent()) return;
  HDC dc = Dest->Handle();
  int saved = SaveDC(dc);
  POINT org{};
  GetViewportOrgEx(dc, &org);
  SetViewportOrgEx(dc, org.x - Control->Left(), org.y - Control->Top(), nullptr);
  IntersectClipRect(dc, Control->Left(), Control->Top(), Control->Left() + Control->Width(),
                    Control->Top() + Control->Height());
  Control->Parent()->PaintBehind(Control, dc);
  RestoreDC(dc, saved);
  Dest->Refresh();
}

void StretchBltTransparent(HDC DstDC, int DstX, int DstY, int DstW, int DstH, HDC SrcDC, int SrcX, int SrcY,
                           int SrcW, int SrcH, COLORREF TransparentColor) {
  if (SrcW <= 0 || SrcH <= 0 || DstW <= 0 || DstH <= 0) return;
  HDC maskDc;
  HBITMAP mask = MakeMask(SrcDC, SrcX, SrcY, SrcW, SrcH, TransparentColor, maskDc);
  // The picture with black where it is transparent.
  HDC imageDc = CreateCompatibleDC(nullptr);
  HBITMAP image = CreateBitmap(SrcW, SrcH, 1, 32, nullptr);
  SelectObject(imageDc, image);
  BitBlt(imageDc, 0, 0, SrcW, SrcH, SrcDC, SrcX, SrcY, SRCCOPY);
  HDC inverseDc = CreateCompatibleDC(nullptr);
  HBITMAP inverse = CreateBitmap(SrcW, SrcH, 1, 1, nullptr);
  SelectObject(inverseDc, inverse);
  BitBlt(inverseDc, 0, 0, SrcW, SrcH, maskDc, 0, 0, NOTSRCCOPY);
  SetTextColor(imageDc, RGB(0, 0, 0));
  SetBkColor(imageDc, RGB(255, 255, 255));
  BitBlt(imageDc, 0, 0, SrcW, SrcH, inverseDc, 0, 0, SRCAND);
  // Black where the picture shows, then the picture over it.
  COLORREF oldText = SetTextColor(DstDC, RGB(0, 0, 0));
  COLORREF oldBk = SetBkColor(DstDC, RGB(255, 255, 255));
  StretchBlt(DstDC, DstX, DstY, DstW, DstH, maskDc, 0, 0, SrcW, SrcH, SRCAND);
  StretchBlt(DstDC, DstX, DstY, DstW, DstH, imageDc, 0, 0, SrcW, SrcH, SRCPAINT);
  SetTextColor(DstDC, oldText);
  SetBkColor(DstDC, oldBk);
  for (HDC dc : {maskDc, imageDc, inverseDc}) DeleteDC(dc);
  for (HBITMAP b : {mask, image, inverse}) DeleteObject(b);
}

void DrawTransparentBitmap(HDC DC, HBITMAP Bitmap, int DstX, int DstY, COLORREF TransparentColor) {
  BITMAP info{};
  if (!GetObject(Bitmap, sizeof info, &info)) return;
  HDC src = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(src, Bitmap);
  if (old) {
    StretchBltTransparent(DC, DstX, DstY, info.bmWidth, info.bmHeight, src, 0, 0, info.bmWidth, info.bmHeight,
                          TransparentColor);
    SelectObject(src, old);
  }
  DeleteDC(src);
}

void DrawBitmapTransparent(TCanvas* Dest, int XOrigin, int YOrigin, TBitmap* Bitmap, TColor TransparentColor) {
  if (!Bitmap) return;
  DrawBitmapRectTransparent(Dest, XOrigin, YOrigin, RECT{0, 0, Bitmap->Width(), Bitmap->Height()}, Bitmap,
                            TransparentColor);
}

void DrawBitmapRectTransparent(TCanvas* Dest, int XOrigin, int YOrigin, RECT Rect, TBitmap* Bitmap,
                               TColor TransparentColor) {
  StretchBitmapRectTransparent(Dest, XOrigin, YOrigin, WidthOf(Rect), HeightOf(Rect), Rect, Bitmap,
                               TransparentColor);
}

void StretchBitmapRectTransparent(TCanvas* Dest, int X, int Y, int W, int H, RECT Rect, TBitmap* Bitmap,
                                  TColor TransparentColor) {
  if (!Dest || !Bitmap || Bitmap->Empty()) return;
  if (TransparentColor == clDefault) TransparentColor = Bitmap->TransparentColor();
  HDC src = Bitmap->Canvas()->Handle();
  if (TransparentColor == clNone) {
    StretchBlt(Dest->Handle(), X, Y, W, H, src, Rect.left, Rect.top, WidthOf(Rect), HeightOf(Rect), SRCCOPY);
    return;
  }
  StretchBltTransparent(Dest->Handle(), X, Y, W, H, src, Rect.left, Rect.top, WidthOf(Rect), HeightOf(Rect),
                        ColorToRGB(TransparentColor));
}

TBitmap* ChangeBitmapColor(TBitmap* Bitmap, TColor Color, TColor NewColor) {
  auto* result = new TBitmap;
  if (!Bitmap) return result;
  result->Assign(Bitmap);
  COLORREF from = ColorToRGB(Color), to = ColorToRGB(NewColor);
  for (int y = 0; y < result->Height(); ++y)
    for (int x = 0; x < result->Width(); ++x)
      if (ColorToRGB(result->Canvas()->Pixels(x, y)) == from) result->Canvas()->SetPixels(x, y, to);
  return result;
}

TBitmap* CreateDisabledBitmapEx(TBitmap* FOriginal, TColor OutlineColor, TColor BackColor, TColor HighlightColor,
                                TColor ShadowColor, bool DrawHighlight) {
  auto* result = new TBitmap;
  if (!FOriginal || FOriginal->Empty()) return result;
  result->SetSize(FOriginal->Width(), FOriginal->Height());
  result->Canvas()->Brush()->SetColor(BackColor);
  result->Canvas()->FillRect(RECT{0, 0, result->Width(), result->Height()});
  COLORREF outline = ColorToRGB(OutlineColor);
  auto ink = [&](TColor c) { return ColorToRGB(c) == outline; };
  if (DrawHighlight) DrawShape(result->Canvas(), 1, 1, FOriginal, HighlightColor, ink);
  DrawShape(result->Canvas(), 0, 0, FOriginal, ShadowColor, ink);
  return result;
}

TBitmap* CreateDisabledBitmap(TBitmap* FOriginal, TColor OutlineColor) {
  return CreateDisabledBitmapEx(FOriginal, OutlineColor, clBtnFace, clBtnHighlight, clBtnShadow, true);
}

void ImageListDrawDisabled(TImageList* Images, TCanvas* Canvas, int X, int Y, int Index, TColor HighlightColor,
                           TColor GrayColor, bool DrawHighlight) {
  if (!Images || !Canvas || Index < 0 || Index >= Images->Count()) return;
  TBitmap image;
  Images->GetBitmap(Index, &image);
  COLORREF transparent = ColorToRGB(image.TransparentColor());
  auto ink = [&](TColor c) { return ColorToRGB(c) != transparent; };
  if (DrawHighlight) DrawShape(Canvas, X + 1, Y + 1, &image, HighlightColor, ink);
  DrawShape(Canvas, X, Y, &image, GrayColor, ink);
}

TBitmap* CreateTwoColorsBrushPattern(TColor Color1, TColor Color2) {
  auto* result = new TBitmap;
  result->SetSize(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) result->Canvas()->SetPixels(x, y, (x % 2) == (y % 2) ? Color1 : Color2);
  return result;
}

TBitmap* CreateBitmapFromIcon(TIcon* Icon, TColor BackColor) {
  auto* result = new TBitmap;
  if (!Icon || Icon->Empty()) return result;
  result->SetSize(Icon->Width(), Icon->Height());
  result->Canvas()->Brush()->SetColor(BackColor);
  result->Canvas()->FillRect(RECT{0, 0, Icon->Width(), Icon->Height()});
  result->Canvas()->Draw(0, 0, Icon);
  return result;
}

TIcon* CreateIconFromBitmap(TBitmap* Bitmap, TColor TransparentColor) {
  auto* icon = new TIcon;
  if (!Bitmap || Bitmap->Empty()) return icon;
  if (TransparentColor == clDefault) TransparentColor = Bitmap->TransparentColor();
  COLORREF transparent = ColorToRGB(TransparentColor);
  icon->Image()->Assign(Bitmap);
  icon->Image()->SetTransparent(false);
  TBitmap* mask = icon->Mask();
  mask->SetSize(Bitmap->Width(), Bitmap->Height());
  for (int y = 0; y < Bitmap->Height(); ++y)
    for (int x = 0; x < Bitmap->Width(); ++x) {
      bool clear = ColorToRGB(Bitmap->Canvas()->Pixels(x, y)) == transparent;
      mask->Canvas()->SetPixels(x, y, clear ? clWhite : clBlack);
      if (clear) icon->Image()->Canvas()->SetPixels(x, y, clBlack);
    }
  return icon;
}

void ShadeRect(HDC DC, const RECT& Rect) {
  static const uint16_t kHalftone[8] = {0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA};
  HBITMAP pattern = CreateBitmap(8, 8, 1, 1, kHalftone);
  HBRUSH brush = CreatePatternBrush(pattern);
  COLORREF oldText = SetTextColor(DC, RGB(0, 0, 0));
  COLORREF oldBk = SetBkColor(DC, RGB(255, 255, 255));
  HGDIOBJ old = SelectObject(DC, brush);
  PatBlt(DC, Rect.left, Rect.top, WidthOf(Rect), HeightOf(Rect), 0x00A000C9);  // pattern AND destination
  SelectObject(DC, old);
  SetTextColor(DC, oldText);
  SetBkColor(DC, oldBk);
  DeleteObject(brush);
  DeleteObject(pattern);
}

void PaintInverseRect(const POINT& RectOrg, const POINT& RectEnd) {
  HDC dc = GetDC(nullptr);
  RECT r{std::min(RectOrg.x, RectEnd.x), std::min(RectOrg.y, RectEnd.y), std::max(RectOrg.x, RectEnd.x),
         std::max(RectOrg.y, RectEnd.y)};
  InvertRect(dc, &r);
  ReleaseDC(nullptr, dc);
}

void DrawInvertFrame(const RECT& ScreenRect, int Width) {
  HDC dc = GetDC(nullptr);
  RECT r = ScreenRect;
  for (int i = 0; i < Width && !IsRectEmpty(&r); ++i) {
    DrawFocusRect(dc, &r);
    InflateRect(&r, -1, -1);
  }
  ReleaseDC(nullptr, dc);
}

void GradientFillRect(TCanvas* Canvas, const RECT& ARect, TColor StartColor, TColor EndColor,
                      TFillDirection Direction, int Colors) {
  if (!Canvas || IsRectEmpty(&ARect)) return;
  TBrush* brush = Canvas->Brush();
  TColor oldColor = brush->Color();
  if (Colors < 2) {
    brush->SetColor(StartColor);
    Canvas->FillRect(ARect);
    brush->SetColor(oldColor);
    return;
  }
  bool vertical = Direction == fdTopToBottom || Direction == fdBottomToTop;
  bool reverse = Direction == fdBottomToTop || Direction == fdRightToLeft;
  if (reverse) std::swap(StartColor, EndColor);
  int extent = vertical ? HeightOf(ARect) : WidthOf(ARect);
  int bands = std::max(2, std::min(Colors, extent));
  int size = extent / bands;
  TColor last = StartColor;
  int at = vertical ? ARect.top : ARect.left;
  for (int i = 0; i < bands && size > 0; ++i, at += size) {
    last = Interpolate(StartColor, EndColor, i, bands - 1);
    brush->SetColor(last);
    Canvas->FillRect(vertical ? RECT{ARect.left, at, ARect.right, at + size}
                              : RECT{at, ARect.top, at + size, ARect.bottom});
  }
  int end = vertical ? ARect.bottom : ARect.right;
  if (at < end) {
    brush->SetColor(size > 0 ? last : EndColor);
    Canvas->FillRect(vertical ? RECT{ARect.left, at, ARect.right, end} : RECT{at, ARect.top, end, ARect.bottom});
  }
  brush->SetColor(oldColor);
}

TColor PaletteColor(TColor Color) { return static_cast<TColor>(ColorToRGB(Color) | 0x02000000); }

HFONT CreateRotatedFont(TFont* Font, int Angle) {
  LOGFONT lf{};
  GetObject(Font->Handle(), sizeof lf, &lf);
  lf.lfEscapement = lf.lfOrientation = Angle * 10;
  lf.lfWeight = Font->Style().Contains(fsBold) ? 700 : 400;
  if (Font->Name() == "Default") {
    LOGFONT system{};
    GetObject(GetStockObject(DEFAULT_GUI_FONT), sizeof system, &system);
    std::copy(std::begin(system.lfFaceName), std::end(system.lfFaceName), std::begin(lf.lfFaceName));
  }
  return CreateFontIndirect(&lf);
}

// ---- Geometry

int WidthOf(const RECT& R) { return R.right - R.left; }
int HeightOf(const RECT& R) { return R.bottom - R.top; }

bool PointInRect(const POINT& P, const RECT& R) {
  return P.x >= R.left && P.x <= R.right && P.y >= R.top && P.y <= R.bottom;
}

bool PointInPolyRgn(const POINT& P, const std::vector<POINT>& Points) {
  // Alternate filling: inside when a ray to the right crosses the outline an odd number of times.
  bool inside = false;
  for (size_t i = 0, j = Points.size() - 1; i < Points.size(); j = i++) {
    const POINT &a = Points[i], &b = Points[j];
    if ((a.y > P.y) != (b.y > P.y)) {
      double x = a.x + static_cast<double>(P.y - a.y) * (b.x - a.x) / static_cast<double>(b.y - a.y);
      if (P.x < x) inside = !inside;
    }
  }
  return inside;
}

int DialogUnitsToPixelsX(int DlgUnits) { return DlgUnits * DialogBaseUnits().cx / 4; }
int DialogUnitsToPixelsY(int DlgUnits) { return DlgUnits * DialogBaseUnits().cy / 8; }
int PixelsToDialogUnitsX(int PixUnits) { return PixUnits * 4 / DialogBaseUnits().cx; }
int PixelsToDialogUnitsY(int PixUnits) { return PixUnits * 8 / DialogBaseUnits().cy; }

std::string MinimizeText(const std::string& Text, TCanvas* Canvas, int MaxWidth) {
  if (Canvas->TextWidth(Text) <= MaxWidth) return Text;
  for (size_t keep = Text.size(); keep-- > 0;) {
    std::string candidate = Text.substr(0, keep) + "...";
    if (Canvas->TextWidth(candidate) <= MaxWidth) return candidate;
  }
  return "...";
}

SIZE GetAveCharSize(TCanvas* Canvas) {
  std::string letters;
  for (char c = 'A'; c <= 'Z'; ++c) letters += c;
  for (char c = 'a'; c <= 'z'; ++c) letters += c;
  SIZE s = Canvas->TextExtent(letters);
  return SIZE{s.cx / 52, s.cy};
}

// ---- Text in cells

void WriteText(TCanvas* ACanvas, const RECT& ARect, int DX, int DY, const std::string& Text,
               TAlignment Alignment, bool WordWrap, bool ARightToLeft) {
  static const UINT kAlign[] = {DT_LEFT | DT_EXPANDTABS | DT_NOPREFIX, DT_RIGHT | DT_EXPANDTABS | DT_NOPREFIX,
                                DT_CENTER | DT_EXPANDTABS | DT_NOPREFIX};
  bool singleLine = Text.find_first_of("\r\n") == std::string::npos;
  if (!WordWrap && singleLine && ACanvas->Brush()->Style() == bsSolid && !ARightToLeft) {
    int x;
    switch (Alignment) {
      case taRightJustify: x = ARect.right - ACanvas->TextWidth(Text) - 3; break;
      case taCenter: x = ARect.left + (WidthOf(ARect) - ACanvas->TextWidth(Text)) / 2; break;
      default: x = ARect.left + DX;
    }
    ACanvas->TextRect(ARect, x, ARect.top + DY, Text);
    return;
  }
  // Drawn aside on the canvas's background and copied in, so that nothing flickers.
  int w = WidthOf(ARect), h = HeightOf(ARect);
  if (w <= 0 || h <= 0) return;
  TBitmap aside;
  aside.SetSize(w, h);
  TCanvas* c = aside.Canvas();
  c->Font()->Assign(ACanvas->Font());
  c->Brush()->Assign(ACanvas->Brush());
  if (ACanvas->Brush()->Style() == bsSolid) c->FillRect(RECT{0, 0, w, h});
  else c->CopyRect(RECT{0, 0, w, h}, ACanvas, ARect);
  c->Brush()->SetStyle(bsClear);
  RECT r{DX, DY, w - 1, h - 1};
  UINT flags = kAlign[Alignment] | (WordWrap ? DT_WORDBREAK : 0) | (ARightToLeft ? DT_RTLREADING : 0);
  HDC dc = c->Handle();
  HGDIOBJ oldFont = SelectObject(dc, c->Font()->Handle());
  SetTextColor(dc, ColorToRGB(c->Font()->Color()));
  SetBkMode(dc, TRANSPARENT);
  DrawText(dc, Text.c_str(), static_cast<int>(Text.size()), &r, flags);
  SelectObject(dc, oldFont);
  c->Refresh();
  ACanvas->CopyRect(ARect, c, RECT{0, 0, w, h});
}

void DrawCellTextEx(TControl* Control, int ACol, int ARow, const std::string& S, const RECT& ARect,
                    TAlignment Align, TVertAlignment VertAlign, bool WordWrap, bool ARightToLeft) {
  (void)ACol;
  (void)ARow;
  TCanvas* canvas = ControlCanvas(Control);
  if (!canvas) return;
  int cellHeight = HeightOf(ARect);
  int textHeight = WordWrap ? HeightOf(CalcTextRect(canvas->Font(), S, DT_WORDBREAK | DT_NOPREFIX,
                                                    std::max(1, WidthOf(ARect) - 4)))
                            : canvas->TextHeight(S.empty() ? std::string("W") : S);
  int dy = 2;
  if (VertAlign == vaCenter) dy = std::max(1, (cellHeight - textHeight) / 2);
  else if (VertAlign == vaBottomJustify) dy = std::max(2, cellHeight - textHeight);
  WriteText(canvas, ARect, 2, dy, S, Align, WordWrap, ARightToLeft);
}

void DrawCellTextEx(TControl* Control, int ACol, int ARow, const std::string& S, const RECT& ARect,
                    TAlignment Align, TVertAlignment VertAlign, bool WordWrap) {
  DrawCellTextEx(Control, ACol, ARow, S, ARect, Align, VertAlign, WordWrap, false);
}

void DrawCellText(TControl* Control, int ACol, int ARow, const std::string& S, const RECT& ARect,
                  TAlignment Align, TVertAlignment VertAlign, bool ARightToLeft) {
  DrawCellTextEx(Control, ACol, ARow, S, ARect, Align, VertAlign, Align == taCenter, ARightToLeft);
}

void DrawCellText(TControl* Control, int ACol, int ARow, const std::string& S, const RECT& ARect,
                  TAlignment Align, TVertAlignment VertAlign) {
  DrawCellText(Control, ACol, ARow, S, ARect, Align, VertAlign, false);
}

void DrawCellBitmap(TControl* Control, int ACol, int ARow, TGraphic* Bmp, const RECT& Rect) {
  (void)ACol;
  (void)ARow;
  TCanvas* canvas = ControlCanvas(Control);
  if (!canvas || !Bmp || Bmp->Empty()) return;
  canvas->Draw(Rect.left + (WidthOf(Rect) - Bmp->Width()) / 2, Rect.top + (HeightOf(Rect) - Bmp->Height()) / 2,
               Bmp);
}

// ---- Screen canvas

TScreenCanvas::~TScreenCanvas() { FreeHandle(); }

void TScreenCanvas::CreateHandle() {
  dc_ = GetDC(nullptr);
  SetHandle(dc_);
}

void TScreenCanvas::FreeHandle() {
  if (!dc_) return;
  SetHandle(nullptr);
  ReleaseDC(nullptr, dc_);
  dc_ = nullptr;
}

void TScreenCanvas::SetOrigin(int X, int Y) { SetWindowOrgEx(Handle(), -X, -Y, nullptr); }
