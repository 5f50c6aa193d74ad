#include "platform/forms/Tcustomcontrol.h"

#include <algorithm>
#include <vector>

#include "platform/gui/Painting.h"

namespace {
std::vector<TControlCanvas*>& Holding() {
  static std::vector<TControlCanvas*> list;
  return list;
}
}  // namespace

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::FreeHandle() {
  if (!ownsDc_) return;
  HDC dc = HandleAllocated() ? Handle() : nullptr;
  SetHandle(nullptr);
  if (dc) ReleaseDC(dcWindow_, dc);
  ownsDc_ = false;
  dcWindow_ = nullptr;
  auto& h = Holding();
  h.erase(std::remove(h.begin(), h.end(), this), h.end());
}

void TControlCanvas::FreeDeviceContexts() {
  auto copy = Holding();
  for (TControlCanvas* c : copy) c->FreeHandle();
}

void TControlCanvas::PaintOn(HDC DC) {
  FreeHandle();
  SetHandle(DC);
}

void TControlCanvas::CreateHandle() {
  TWinControl* w = dynamic_cast<TWinControl*>(control_);
  int dx = 0, dy = 0;
  if (!w) {
    w = control_->Parent();
    dx = control_->Left();
    dy = control_->Top();
  }
  if (!w) return;
  HWND h = w->Handle();
  HDC dc = GetDC(h);
  if (!dc) return;
  if (dx || dy || w != control_) {
    SetViewportOrgEx(dc, dx, dy, nullptr);
    IntersectClipRect(dc, 0, 0, control_->Width(), control_->Height());
  }
  dcWindow_ = h;
  ownsDc_ = true;
  SetHandle(dc);
  Holding().push_back(this);
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), canvas_(new TControlCanvas(this)) {}

TGraphicControl::~TGraphicControl() { delete canvas_; }

void TGraphicControl::WndProc(TMessage& Message) {
  if (Message.Msg == WM_PAINT && Message.WParam) {
    canvas_->PaintOn(reinterpret_cast<HDC>(Message.WParam));
    canvas_->Font()->Assign(Font());
    canvas_->Brush()->SetColor(Color());
    const TControlGuard guard(this);
    Paint();
    if (guard.Alive()) canvas_->SetHandle(nullptr);
    return;
  }
  TControl::WndProc(Message);
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), canvas_(new TControlCanvas(this)) {}

TCustomControl::~TCustomControl() { delete canvas_; }

void TCustomControl::PaintWindow(HDC DC) {
  canvas_->PaintOn(DC);
  canvas_->Font()->Assign(Font());
  canvas_->Brush()->SetColor(Color());
  const TControlGuard guard(this);
  Paint();
  if (guard.Alive()) canvas_->SetHandle(nullptr);
}
