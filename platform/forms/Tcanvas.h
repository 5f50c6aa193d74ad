#pragma once
// TCanvas: drawing on a device context through a font, a pen and a brush. The tools
// are selected into the context just before an operation that needs them, so that a
// change of a tool shows in the next operation.

#include <string>
#include <vector>

#include "platform/forms/Tgraphicsobject.h"
#include "platform/gui/Devicecontext.h"

class TGraphic;

class TCanvas : public TPersistent {
 public:
  TCanvas();
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // The context drawn on; made on demand by CreateHandle (raises when there is none).
  HDC Handle();
  void SetHandle(HDC Value);
  bool HandleAllocated() const { return handle_ != nullptr; }

  TFont* Font() const { return font_; }
  TPen* Pen() const { return pen_; }
  TBrush* Brush() const { return brush_; }
  void SetFont(TFont* Value) { font_->Assign(Value); }
  void SetPen(TPen* Value) { pen_->Assign(Value); }
  void SetBrush(TBrush* Value) { brush_->Assign(Value); }
  DWORD CopyMode() const { return copyMode_; }
  void SetCopyMode(DWORD Value) { copyMode_ = Value; }

  void MoveTo(int X, int Y);
  void LineTo(int X, int Y);
  POINT PenPos();
  void SetPenPos(POINT Value) { MoveTo(Value.x, Value.y); }
  void Rectangle(int X1, int Y1, int X2, int Y2);
  void Rectangle(const RECT& R) { Rectangle(R.left, R.top, R.right, R.bottom); }
  void Ellipse(int X1, int Y1, int X2, int Y2);
  void Ellipse(const RECT& R) { Ellipse(R.left, R.top, R.right, R.bottom); }
  void Polygon(const std::vector<POINT>& Points);
  void Polyline(const std::vector<POINT>& Points);
  void FillRect(const RECT& R);
  void FrameRect(const RECT& R);
  void DrawFocusRect(const RECT& R);

  void TextOut(int X, int Y, const std::string& Text);
  // Text at (X, Y) clipped to R; the brush fills R first unless it is clear.
  void TextRect(const RECT& R, int X, int Y, const std::string& Text);
  SIZE TextExtent(const std::string& Text);
  int TextWidth(const std::string& Text) { return TextExtent(Text).cx; }
  int TextHeight(const std::string& Text) { return TextExtent(Text).cy; }

  void Draw(int X, int Y, TGraphic* Graphic);
  void StretchDraw(const RECT& R, TGraphic* Graphic);
  void CopyRect(const RECT& Dest, TCanvas* Canvas, const RECT& Source);
  TColor Pixels(int X, int Y);
  void SetPixels(int X, int Y, TColor Value);
  // The area drawing reaches, in logical coordinates.
  RECT ClipRect();

  void Lock() { ++lockCount_; }
  void Unlock() { --lockCount_; }
  int LockCount() const { return lockCount_; }
  // Forgets which tools are selected, so that the next operation selects them again.
  void Refresh();

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void CreateHandle() {}
  void Changing();
  void Changed();

 private:
  enum Need { kFont = 1, kPen = 2, kBrush = 4 };
  void Require(int needs);
  void DeselectTools();

  HDC handle_ = nullptr;
  TFont* font_;
  TPen* pen_;
  TBrush* brush_;
  int selected_ = 0;
  DWORD copyMode_ = 0x00CC0020;  // SRCCOPY
  int lockCount_ = 0;
  HGDIOBJ oldFont_ = nullptr, oldPen_ = nullptr, oldBrush_ = nullptr;
};

// The rectangle a text takes in a font (DrawText with DT_CALCRECT; MaxWidth limits
// the width of word-wrapped text, 0 for none).
RECT CalcTextRect(TFont* Font, const std::string& Text, UINT Format, int MaxWidth = 0);
// A 3-D frame: the top and left edges in TopColor, the bottom and right in
// BottomColor, Width pixels deep; Rect shrinks to what lies inside.
void Frame3D(TCanvas* Canvas, RECT& Rect, TColor TopColor, TColor BottomColor, int Width);
// Text as controls draw it: embossed grey when disabled.
void DrawControlText(TCanvas* Canvas, const std::string& Text, RECT R, UINT Format, bool Enabled);
