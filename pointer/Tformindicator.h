#pragma once
// A yellow patch laid over a scroll bar's thumb for a few seconds, so that the user sees
// which thumb the engine found when a scroll starts. It frees itself when it closes.

#include "platform/forms/Forms.h"

class TFormIndicator : public TForm {
 public:
  explicit TFormIndicator(TComponent* AOwner);

  // Covers the given screen rectangle and closes after Milliseconds.
  void ShowAt(int Left, int Top, int Width, int Height, unsigned Milliseconds);
  TTimer* TimerAutoClose() const { return timerAutoClose_; }

 protected:
  // The patch lies over the thumb that the engine drags: the mouse passes through it.
  void CreateParams(TCreateParams& Params) override;

 private:
  TTimer* timerAutoClose_;
};
