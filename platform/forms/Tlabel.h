#pragma once
// TLabel: a caption drawn on its parent. It sizes itself to its text (AutoSize), wraps
// words when asked, ends a line too long for a label of fixed size in "..." when asked,
// and its access key focuses FocusControl.

#include "platform/forms/Tbutton.h"
#include "platform/forms/Tcustomcontrol.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TEllipsisPosition { epNone, epEndEllipsis };

class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* AOwner);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value) { alignment_ = Value; Invalidate(); }
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout Value) { layout_ = Value; Invalidate(); }
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool Value) { autoSize_ = Value; AdjustBounds(); }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool Value) { wordWrap_ = Value; AdjustBounds(); Invalidate(); }
  TEllipsisPosition EllipsisPosition() const { return ellipsisPosition_; }
  void SetEllipsisPosition(TEllipsisPosition Value) {
    ellipsisPosition_ = Value;
    Invalidate();
  }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value) { transparent_ = Value; Invalidate(); }
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool Value) { showAccelChar_ = Value; AdjustBounds(); Invalidate(); }
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* Value);
  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  void Paint() override;
  void AdjustBounds();
  UINT TextFormat() const;

 private:
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool autoSize_ = true;
  bool wordWrap_ = false;
  TEllipsisPosition ellipsisPosition_ = epNone;
  bool transparent_ = false;
  bool showAccelChar_ = true;
  TWinControl* focusControl_ = nullptr;
};
