#pragma once
// Controls that draw themselves on a canvas: TGraphicControl (no window; painted by
// its parent, the mouse fed by it) and TCustomControl (a window of its own). Paint is
// called with the canvas ready: the control's font, and a brush of its colour.
// TControlCanvas draws on a control outside painting; its context is given back once
// the message being handled returns.

#include "platform/forms/Tcanvas.h"
#include "platform/forms/Twincontrol.h"

class TControlCanvas : public TCanvas {
 public:
  explicit TControlCanvas(TControl* AControl) : control_(AControl) {}
  ~TControlCanvas() override;
  TControl* Control() const { return control_; }
  // Gives back the context taken for drawing outside painting.
  void FreeHandle();
  // Gives back the contexts of every control canvas.
  static void FreeDeviceContexts();
  // Draws on a context given by painting (not owned).
  void PaintOn(HDC DC);

 protected:
  void CreateHandle() override;

 private:
  TControl* control_;
  HWND dcWindow_ = nullptr;
  bool ownsDc_ = false;
};

class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  TCanvas* Canvas() const { return canvas_; }
  void WndProc(TMessage& Message) override;

 protected:
  virtual void Paint() {}

 private:
  TControlCanvas* canvas_;
};

class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  TCanvas* Canvas() const { return canvas_; }

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC DC) override;

 private:
  TControlCanvas* canvas_;
};
