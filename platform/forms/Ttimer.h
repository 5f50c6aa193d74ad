#pragma once
// TTimer: OnTimer every Interval milliseconds while Enabled, on the window system's
// clock (virtual in tests).

#include "platform/rtl/Tcomponent.h"

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned Value);
  TNotifyEvent OnTimer;

  // Runs the timer's event (the window system calls it when the time is up).
  void Timer();

 private:
  void Update();
  bool enabled_ = true;
  unsigned interval_ = 1000;
  unsigned long id_ = 0;
  bool running_ = false;
};
