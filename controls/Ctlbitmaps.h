#pragma once
// Drawing utilities: transparent and disabled bitmaps, gradients, inverted frames,
// rotated fonts, geometry, text shortened to a width and text in grid cells.

#include <string>
#include <vector>

#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"

enum TFillDirection { fdTopToBottom, fdBottomToTop, fdLeftToRight, fdRightToLeft };
enum TVertAlignment { vaTopJustify, vaCenter, vaBottomJustify };

// Copies cell Index of a strip of Cols x Rows cells (row by row) into Dest, keeping
// the transparent colour.
void AssignBitmapCell(TBitmap* Source, TBitmap* Dest, int Cols, int Rows, int Index);
// Paints into Dest what the parent and the graphic controls below Control show
// under it.
void CopyParentImage(TControl* Control, TCanvas* Dest);

// Draw a bitmap leaving one colour transparent (masks and SRCAND / SRCPAINT).
void StretchBltTransparent(HDC DstDC, int DstX, int DstY, int DstW, int DstH, HDC SrcDC, int SrcX, int SrcY,
                           int SrcW, int SrcH, COLORREF TransparentColor);
void DrawTransparentBitmap(HDC DC, HBITMAP Bitmap, int DstX, int DstY, COLORREF TransparentColor);
void DrawBitmapTransparent(TCanvas* Dest, int XOrigin, int YOrigin, TBitmap* Bitmap, TColor TransparentColor);
void DrawBitmapRectTransparent(TCanvas* Dest, int XOrigin, int YOrigin, RECT Rect, TBitmap* Bitmap,
                               TColor TransparentColor);
void StretchBitmapRectTransparent(TCanvas* Dest, int X, int Y, int W, int H, RECT Rect, TBitmap* Bitmap,
                                  TColor TransparentColor);
// New bitmaps, owned by the caller.
TBitmap* ChangeBitmapColor(TBitmap* Bitmap, TColor Color, TColor NewColor);
// The embossed disabled look: the pixels of OutlineColor drawn in the shadow colour
// (and in the highlight colour one pixel down and right) on the background colour.
TBitmap* CreateDisabledBitmapEx(TBitmap* FOriginal, TColor OutlineColor, TColor BackColor, TColor HighlightColor,
                                TColor ShadowColor, bool DrawHighlight);
// On the button face, in the button highlight and shadow colours.
TBitmap* CreateDisabledBitmap(TBitmap* FOriginal, TColor OutlineColor);
// Image Index of the list drawn embossed: its non-transparent pixels in GrayColor,
// with HighlightColor one pixel down and right when asked.
void ImageListDrawDisabled(TImageList* Images, TCanvas* Canvas, int X, int Y, int Index, TColor HighlightColor,
                           TColor GrayColor, bool DrawHighlight);
// An 8 x 8 checkerboard of two colours.
TBitmap* CreateTwoColorsBrushPattern(TColor Color1, TColor Color2);
// clDefault as TransparentColor takes the bitmap's own.
TBitmap* CreateBitmapFromIcon(TIcon* Icon, TColor BackColor);
TIcon* CreateIconFromBitmap(TBitmap* Bitmap, TColor TransparentColor);
// Shades a rectangle with a halftone pattern.
void ShadeRect(HDC DC, const RECT& Rect);
// Inverts a rectangle of the screen / draws an inverted frame of a width on it.
void PaintInverseRect(const POINT& RectOrg, const POINT& RectEnd);
void DrawInvertFrame(const RECT& ScreenRect, int Width);
void GradientFillRect(TCanvas* Canvas, const RECT& ARect, TColor StartColor, TColor EndColor,
                      TFillDirection Direction, int Colors);
TColor PaletteColor(TColor Color);
// A font handle like Font turned by Angle degrees (owned by the caller).
HFONT CreateRotatedFont(TFont* Font, int Angle);

int WidthOf(const RECT& R);
int HeightOf(const RECT& R);
// Edges included.
bool PointInRect(const POINT& P, const RECT& R);
bool PointInPolyRgn(const POINT& P, const std::vector<POINT>& Points);
int DialogUnitsToPixelsX(int DlgUnits);
int DialogUnitsToPixelsY(int DlgUnits);
int PixelsToDialogUnitsX(int PixUnits);
int PixelsToDialogUnitsY(int PixUnits);
// The text cut from the end and followed by "..." until it fits MaxWidth.
std::string MinimizeText(const std::string& Text, TCanvas* Canvas, int MaxWidth);
// Average width of the letters A-Z and a-z, and their height.
SIZE GetAveCharSize(TCanvas* Canvas);

// Text in a cell: DX from the left (3 pixels from the right for right alignment).
void WriteText(TCanvas* ACanvas, const RECT& ARect, int DX, int DY, const std::string& Text,
               TAlignment Alignment, bool WordWrap, bool ARightToLeft = false);
// Text of a grid cell; the forms without WordWrap wrap exactly centred text.
void DrawCellText(TControl* Control, int ACol, int ARow, const std::string& S, const RECT& ARect,
                  TAlignment Align, TVertAlignment VertAlign);
void DrawCellText(TControl* Control, int ACol, int ARow, const std::string& S, const RECT& ARect,
                  TAlignment Align, TVertAlignment VertAlign, bool ARightToLeft);
void DrawCellTextEx(TControl* Control, int ACol, int ARow, const std::string& S, const RECT& ARect,
                    TAlignment Align, TVertAlignment VertAlign, bool WordWrap);
void DrawCellTextEx(TControl* Control, int ACol, int ARow, const std::string& S, const RECT& ARect,
                    TAlignment Align, TVertAlignment VertAlign, bool WordWrap, bool ARightToLeft);
// A picture centred in a cell.
void DrawCellBitmap(TControl* Control, int ACol, int ARow, TGraphic* Bmp, const RECT& Rect);

// A canvas on the whole screen.
class TScreenCanvas : public TCanvas {
 public:
  ~TScreenCanvas() override;
  void FreeHandle();
  // Window origin (-X, -Y): X, Y become the canvas's (0, 0).
  void SetOrigin(int X, int Y);

 protected:
  void CreateHandle() override;

 private:
  HDC dc_ = nullptr;
};
