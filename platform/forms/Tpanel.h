#pragma once
// Containers and decorations: TPanel (raised or lowered bevels, a border, a caption),
// TGroupBox (an etched frame with its caption; children below it) and TBevel (a box,
// a frame or a line drawn on the parent).

#include "platform/forms/Tbutton.h"
#include "platform/forms/Tcustomcontrol.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBevelStyle { bsLowered, bsRaised };
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };

class TPanel : public TCustomControl {
 public:
  explicit TPanel(TComponent* AOwner);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut Value) { bevelOuter_ = Value; Changed(); }
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut Value) { bevelInner_ = Value; Changed(); }
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int Value) { bevelWidth_ = Value; Changed(); }
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int Value) { borderWidth_ = Value; Changed(); }
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle Value) { borderStyle_ = Value; RecreateWnd(); Changed(); }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value) { alignment_ = Value; Invalidate(); }
  void AdjustClientRect(RECT& Rect) override;

  TNotifyEvent OnPaint;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;

 private:
  void Changed();
  TBevelCut bevelOuter_ = bvRaised;
  TBevelCut bevelInner_ = bvNone;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  TBorderStyle borderStyle_ = bsNone;
  TAlignment alignment_ = taCenter;
};

class TGroupBox : public TCustomControl {
 public:
  explicit TGroupBox(TComponent* AOwner);
  void AdjustClientRect(RECT& Rect) override;
  void WndProc(TMessage& Message) override;

 protected:
  void Paint() override;
};

class TBevel : public TGraphicControl {
 public:
  explicit TBevel(TComponent* AOwner);
  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape Value) { shape_ = Value; Invalidate(); }
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle Value) { style_ = Value; Invalidate(); }

 protected:
  void Paint() override;

 private:
  TBevelShape shape_ = bsBox;
  TBevelStyle style_ = bsLowered;
};
