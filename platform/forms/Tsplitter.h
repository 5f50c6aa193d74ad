#pragma once
// TSplitter: a bar between an aligned control and the rest; dragging it resizes that
// control (never below MinSize, nor leaving less than MinSize to the rest).

#include "platform/forms/Tcustomcontrol.h"

class TSplitter : public TGraphicControl {
 public:
  explicit TSplitter(TComponent* AOwner);
  int MinSize() const { return minSize_; }
  void SetMinSize(int Value) { minSize_ = Value > 0 ? Value : 1; }
  bool Beveled() const { return beveled_; }
  void SetBeveled(bool Value) { beveled_ = Value; Invalidate(); }
  // The control the splitter resizes: the one aligned to the same side just before it.
  TControl* FindControl();
  void WndProc(TMessage& Message) override;
  TNotifyEvent OnMoved;

 protected:
  void Paint() override;

 private:
  int minSize_ = 30;
  bool beveled_ = false;
  TControl* resizing_ = nullptr;
  POINT start_{};
  int startSize_ = 0;
};
