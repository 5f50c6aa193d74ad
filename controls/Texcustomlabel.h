#pragma once
// TExCustomLabel: a label that draws its caption with a one-colour drop shadow, has
// left and right margins, sizes itself to its text, can show a focus rectangle while
// its focus control has the focus, and tells when the mouse enters and leaves it.
// DrawShadowText is its drawing routine, usable on its own.

#include <string>

#include "platform/forms/Tcustomcontrol.h"
#include "platform/forms/Tlabel.h"

enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };

// Draws the text in the shadow colour moved by the shadow size towards the position,
// then in the DC's text colour in place; the rectangle becomes the union of both
// (with DT_CALCRECT both only measure). Returns the text height and the shadow size.
int DrawShadowText(HDC DC, const char* Str, int Len, RECT& R, UINT Format, int ShadowSize, COLORREF ShadowColor,
                   TShadowPosition ShadowPos);

class TExCustomLabel : public TGraphicControl {
 public:
  explicit TExCustomLabel(TComponent* AOwner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool Value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout Value);
  TColor ShadowColor() const { return shadowColor_; }
  void SetShadowColor(TColor Value);
  int ShadowSize() const { return shadowSize_; }
  void SetShadowSize(int Value);
  TShadowPosition ShadowPos() const { return shadowPos_; }
  void SetShadowPos(TShadowPosition Value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool Value);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool Value);
  bool ShowFocus() const { return showFocus_; }
  void SetShowFocus(bool Value);
  bool Transparent() const { return !ControlStyle().Contains(csOpaque); }
  void SetTransparent(bool Value);
  int LeftMargin() const { return leftMargin_; }
  void SetLeftMargin(int Value);
  int RightMargin() const { return rightMargin_; }
  void SetRightMargin(int Value);
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* Value);
  bool MouseInControl() const { return mouseInControl_; }
  // Mouse-in-control as the pointer, the enabled state and the active program say now.
  void UpdateTracking();

  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  virtual std::string GetLabelCaption() const { return Caption(); }
  virtual TColor GetDefaultFontColor() const { return Font()->Color(); }
  virtual void MouseEnter();
  virtual void MouseLeave();
  // The caption drawn (or with DT_CALCRECT measured) in a rectangle of a canvas.
  void DoDrawText(TCanvas* Canvas, RECT& Rect, UINT Flags);
  void AdjustBounds();
  void Paint() override;
  void EnabledChanged() override;
  void VisibleChanged() override;

 private:
  UINT AlignmentFlags() const;
  void SetMouseInControl(bool Value);

  TWinControl* focusControl_ = nullptr;
  TAlignment alignment_ = taLeftJustify;
  bool autoSize_ = true;
  TTextLayout layout_ = tlTop;
  TColor shadowColor_;
  int shadowSize_ = 1;
  TShadowPosition shadowPos_ = spLeftTop;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
  bool showFocus_ = false;
  bool focused_ = false;
  bool mouseInControl_ = false;
  bool dragging_ = false;
  int leftMargin_ = 0;
  int rightMargin_ = 0;
};

// The label as forms place it.
class TExLabel : public TExCustomLabel {
 public:
  explicit TExLabel(TComponent* AOwner) : TExCustomLabel(AOwner) {}
};
