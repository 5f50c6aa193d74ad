#pragma once
// TScrollBox: a container larger inside than outside. Its own scroll bars move the
// children (positions are 32-bit); the range follows the children unless set, and the
// content follows the thumb while it is dragged when Tracking is on.

#include "platform/forms/Twincontrol.h"

class TScrollingWinControl;

class TControlScrollBar : public TPersistent {
 public:
  TControlScrollBar(TScrollingWinControl* Control, int Bar) : control_(Control), bar_(Bar) {}
  int Range() const { return range_; }
  // A range of 0 follows the children.
  void SetRange(int Value);
  int Position() const { return position_; }
  void SetPosition(int Value);
  int Increment() const { return increment_; }
  void SetIncrement(int Value) { increment_ = Value > 0 ? Value : 1; }
  bool Tracking() const { return tracking_; }
  void SetTracking(bool Value) { tracking_ = Value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  // The range in use and the visible part.
  int ScrollRange() const;
  int PageSize() const;
  bool IsScrollBarVisible() const;

 private:
  friend class TScrollingWinControl;
  TScrollingWinControl* control_;
  int bar_;
  int range_ = 0;
  int position_ = 0;
  int increment_ = 8;
  bool tracking_ = false;
  bool visible_ = true;
};

class TScrollingWinControl : public TWinControl {
 public:
  explicit TScrollingWinControl(TComponent* AOwner);
  ~TScrollingWinControl() override;
  TControlScrollBar* HorzScrollBar() const { return horz_; }
  TControlScrollBar* VertScrollBar() const { return vert_; }
  bool AutoScroll() const { return autoScroll_; }
  void SetAutoScroll(bool Value) { autoScroll_ = Value; UpdateScrollBars(); }
  // Moves the children by a distance (positive moves them right and down).
  void ScrollBy(int DeltaX, int DeltaY);
  void ScrollInView(TControl* AControl);
  void UpdateScrollBars();
  void WndProc(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void AlignControls(TControl* AControl, RECT& Rect) override;

 private:
  friend class TControlScrollBar;
  void Scroll(TControlScrollBar* Bar, int Code);
  int ContentExtent(bool Horizontal) const;
  TControlScrollBar* horz_;
  TControlScrollBar* vert_;
  bool autoScroll_ = true;
  bool updating_ = false;
};

class TScrollBox : public TScrollingWinControl {
 public:
  explicit TScrollBox(TComponent* AOwner);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle Value) { borderStyle_ = Value; RecreateWnd(); }

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  TBorderStyle borderStyle_ = bsSingle;
};
