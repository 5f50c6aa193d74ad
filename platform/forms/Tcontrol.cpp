#include "platform/forms/Tcontrol.h"

#include <algorithm>
#include <vector>

#include "platform/forms/Formsstate.h"
#include "platform/forms/Tform.h"
#include "platform/forms/Tmenu.h"
#include "platform/forms/Twincontrol.h"
#include "platform/gui/Input.h"
#include "platform/gui/Painting.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Windowmanager.h"

namespace platform::forms {

TControl* captureControl = nullptr;
TControl* mouseControl = nullptr;
int messageDepth = 0;
static std::vector<TControl*> deferred;

void DeferFree(TControl* Control) {
  if (messageDepth == 0) {
    delete Control;
    return;
  }
  if (std::find(deferred.begin(), deferred.end(), Control) == deferred.end()) deferred.push_back(Control);
}

void ForgetDeferred(TControl* Control) {
  deferred.erase(std::remove(deferred.begin(), deferred.end(), Control), deferred.end());
}

void RunDeferredFrees() {
  while (!deferred.empty()) {
    TControl* c = deferred.front();
    deferred.erase(deferred.begin());
    delete c;
  }
}

}  // namespace platform::forms

using namespace platform::forms;

void TSizeConstraints::Apply(int& Width, int& Height) const {
  if (maxWidth_ > 0 && Width > maxWidth_) Width = maxWidth_;
  if (minWidth_ > 0 && Width < minWidth_) Width = minWidth_;
  if (maxHeight_ > 0 && Height > maxHeight_) Height = maxHeight_;
  if (minHeight_ > 0 && Height < minHeight_) Height = minHeight_;
}

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner),
      constraints_(std::make_unique<TSizeConstraints>()),
      font_(std::make_unique<TFont>()),
      alive_(std::make_shared<bool>(true)) {
  controlStyle_ = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  WindowProc = [this](TMessage& m) { WndProc(m); };
  font_->OnChange = [this](TObject*) {
    parentFont_ = false;
    Perform(CM_FONTCHANGED, 0, 0);
  };
  constraints_->OnChange = [this](TObject*) { SetBounds(left_, top_, width_, height_); };
}

TControl::~TControl() {
  *alive_ = false;
  ForgetDeferred(this);
  if (captureControl == this) {
    captureControl = nullptr;
    if (parent_ && parent_->HandleAllocated() && GetCapture() == parent_->handle_) ReleaseCapture();
  }
  if (mouseControl == this) mouseControl = nullptr;
  if (parent_) parent_->RemoveControl(this);
}

void TControl::FreeDeferred() { DeferFree(this); }

TControl* TControl::CaptureControl() { return captureControl; }

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == parent_) return;
  if (AParent == this) return;
  if (parent_) parent_->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
}

TCustomForm* TControl::ParentForm() const { return GetParentForm(const_cast<TControl*>(this)); }

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (AWidth < 0) AWidth = 0;
  if (AHeight < 0) AHeight = 0;
  CanResize(AWidth, AHeight);
  if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
  RECT old = BoundsRect();
  Invalidate();
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  BoundsChanged(old);
}

bool TControl::CanResize(int& NewWidth, int& NewHeight) {
  constraints_->Apply(NewWidth, NewHeight);
  return true;
}

void TControl::UpdateBoundsFrom(int ALeft, int ATop, int AWidth, int AHeight) {
  if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
  RECT old = BoundsRect();
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  BoundsChanged(old);
}

void TControl::BoundsChanged(const RECT& Old) {
  bool sized = (Old.right - Old.left) != width_ || (Old.bottom - Old.top) != height_;
  if (parent_ && !parent_->aligning_) {
    CaptureAnchorBase();
    if (align_ != alNone) RequestAlign();
  }
  Invalidate();
  if (sized) Resize();
}

void TControl::CaptureAnchorBase() {
  if (!parent_) return;
  anchorBounds_ = BoundsRect();
  RECT pr = parent_->ClientRect();
  anchorParent_ = SIZE{pr.right - pr.left, pr.bottom - pr.top};
}

void TControl::ApplyAnchors(int ParentWidth, int ParentHeight) {
  if (anchorParent_.cx < 0) {
    CaptureAnchorBase();
    return;
  }
  if (anchors_ == TAnchors{akLeft, akTop}) {
    anchorBounds_ = BoundsRect();
    anchorParent_ = SIZE{ParentWidth, ParentHeight};
    return;
  }
  int dx = ParentWidth - anchorParent_.cx, dy = ParentHeight - anchorParent_.cy;
  int l = anchorBounds_.left, t = anchorBounds_.top;
  int w = anchorBounds_.right - anchorBounds_.left, h = anchorBounds_.bottom - anchorBounds_.top;
  bool al = anchors_.Contains(akLeft), ar = anchors_.Contains(akRight);
  bool at = anchors_.Contains(akTop), ab = anchors_.Contains(akBottom);
  if (al && ar) w += dx;
  else if (ar) l += dx;
  else if (!al) l += dx / 2;
  if (at && ab) h += dy;
  else if (ab) t += dy;
  else if (!at) t += dy / 2;
  SetBounds(l, t, w, h);
}

void TControl::RequestAlign() {
  if (parent_) parent_->Realign();
}

RECT TControl::ClientRect() { return RECT{0, 0, width_, height_}; }

void TControl::SetClientWidth(int Value) {
  RECT r = ClientRect();
  SetWidth(width_ - (r.right - r.left) + Value);
}

void TControl::SetClientHeight(int Value) {
  RECT r = ClientRect();
  SetHeight(height_ - (r.bottom - r.top) + Value);
}

POINT TControl::ClientOrigin() {
  if (!parent_) return POINT{left_, top_};
  POINT p = parent_->ClientOrigin();
  return POINT{p.x + left_, p.y + top_};
}

POINT TControl::ClientToScreen(POINT Point) {
  POINT o = ClientOrigin();
  return POINT{Point.x + o.x, Point.y + o.y};
}

POINT TControl::ScreenToClient(POINT Point) {
  POINT o = ClientOrigin();
  return POINT{Point.x - o.x, Point.y - o.y};
}

void TControl::SetAlign(TAlign Value) {
  if (Value == align_) return;
  align_ = Value;
  if (Value == alLeft || Value == alRight) anchors_ = {akLeft, akTop, akBottom};
  else if (Value == alTop || Value == alBottom) anchors_ = {akLeft, akTop, akRight};
  else if (Value == alClient) anchors_ = {akLeft, akTop, akRight, akBottom};
  else anchors_ = {akLeft, akTop};
  RequestAlign();
}

void TControl::SetAnchors(TAnchors Value) {
  anchors_ = Value;
  CaptureAnchorBase();
}

void TControl::SetVisible(bool Value) {
  if (Value == visible_) return;
  if (!Value) Invalidate();
  visible_ = Value;
  Perform(CM_VISIBLECHANGED, Value, 0);
  if (Value) Invalidate();
  RequestAlign();
}

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

void TControl::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetText(const std::string& Value) {
  if (Value == GetText()) return;
  SetTextValue(Value);
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetTextValue(const std::string& Value) { text_ = Value; }

void TControl::SetParentFont(bool Value) {
  parentFont_ = Value;
  if (Value && parent_) {
    font_->Assign(parent_->Font());
    parentFont_ = true;
  }
}

void TControl::SetColor(TColor Value) {
  if (Value == color_) return;
  color_ = Value;
  parentColor_ = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool Value) {
  parentColor_ = Value;
  if (Value && parent_) {
    color_ = parent_->Color();
    Perform(CM_COLORCHANGED, 0, 0);
    parentColor_ = true;
  }
}

void TControl::SetCursor(TCursor Value) {
  cursor_ = Value;
  Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetPopupMenu(TPopupMenu* Value) {
  popupMenu_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TControl::Loaded() { TComponent::Loaded(); }

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == popupMenu_) popupMenu_ = nullptr;
}

bool TControl::MouseCapture() const { return captureControl == this; }

void TControl::SetMouseCapture(bool Value) {
  if (Value) {
    TWinControl* w = dynamic_cast<TWinControl*>(this);
    if (!w) w = parent_;
    if (!w) return;
    captureControl = this;
    SetCapture(w->Handle());
  } else if (captureControl == this) {
    captureControl = nullptr;
    ReleaseCapture();
  }
}

void TControl::Invalidate() {
  if (parent_ && parent_->HandleAllocated() && visible_) {
    RECT r = BoundsRect();
    InvalidateRect(parent_->Handle(), &r, TRUE);
  }
}

void TControl::Update() {
  if (parent_) parent_->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::BringToFront() {
  if (!parent_) return;
  auto& v = parent_->controls_;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  v.push_back(this);
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
    SetWindowPos(w->handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Invalidate();
  RequestAlign();
}

void TControl::SendToBack() {
  if (!parent_) return;
  auto& v = parent_->controls_;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  v.insert(v.begin(), this);
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
    SetWindowPos(w->handle_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Invalidate();
  RequestAlign();
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  WindowProc(m);
  return m.Result;
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, POINT MousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
  return handled;
}

void TControl::FontChanged() { Invalidate(); }
void TControl::ColorChanged() { Invalidate(); }
void TControl::TextChanged() { Invalidate(); }
void TControl::EnabledChanged() { Invalidate(); }
void TControl::VisibleChanged() {}

void TControl::HandleMouseButton(TMessage& Message, TMouseButton Button, bool Down, bool Double) {
  int x = GET_X_LPARAM(Message.LParam), y = GET_Y_LPARAM(Message.LParam);
  TShiftState shift = MouseFlagsToShiftState(Message.WParam);
  if (Double) shift.Include(ssDouble);
  const TControlGuard guard(this);
  if (Down) {
    if (Button == mbLeft) {
      TCustomForm* form = GetParentForm(this);
      TWinControl* active = form ? form->ActiveControl() : nullptr;
      if (active && active != this) {
        active->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(this));
        if (guard.Gone()) return;
      }
    }
    if (Button == mbLeft && controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
    if (Button == mbLeft && controlStyle_.Contains(csClickEvents)) controlState_.Include(csClicked);
    if (Double && Button == mbLeft && controlStyle_.Contains(csDoubleClicks)) {
      DblClick();
      if (guard.Gone()) return;
    }
    MouseDown(Button, shift, x, y);
    return;
  }
  bool clicked = Button == mbLeft && controlState_.Contains(csClicked);
  controlState_.Exclude(csClicked);
  if (Button == mbLeft && MouseCapture()) SetMouseCapture(false);
  RECT client = RECT{0, 0, width_, height_};
  if (clicked && PtInRect(&client, POINT{x, y})) {
    Click();
    if (guard.Gone()) return;
  }
  MouseUp(Button, shift, x, y);
  if (guard.Gone()) return;
  if (Button == mbRight) {
    for (TControl* c = this; c; c = c->parent_) {
      if (c->popupMenu_ && c->popupMenu_->AutoPopup()) {
        c->popupMenu_->SetPopupComponent(this);
        c->popupMenu_->Popup(ClientToScreen(POINT{x, y}).x, ClientToScreen(POINT{x, y}).y);
        Message.Result = 1;
        return;
      }
    }
  }
}

void TControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN: HandleMouseButton(Message, mbLeft, true, false); return;
    case WM_LBUTTONDBLCLK: HandleMouseButton(Message, mbLeft, true, true); return;
    case WM_LBUTTONUP: HandleMouseButton(Message, mbLeft, false, false); return;
    case WM_RBUTTONDOWN: HandleMouseButton(Message, mbRight, true, false); return;
    case WM_RBUTTONDBLCLK: HandleMouseButton(Message, mbRight, true, true); return;
    case WM_RBUTTONUP: HandleMouseButton(Message, mbRight, false, false); return;
    case WM_MBUTTONDOWN: HandleMouseButton(Message, mbMiddle, true, false); return;
    case WM_MBUTTONDBLCLK: HandleMouseButton(Message, mbMiddle, true, true); return;
    case WM_MBUTTONUP: HandleMouseButton(Message, mbMiddle, false, false); return;
    case WM_MOUSEMOVE:
      MouseMove(MouseFlagsToShiftState(Message.WParam), GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
      return;
    case WM_MOUSEWHEEL: {
      POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
      if (DoMouseWheel(MouseFlagsToShiftState(LOWORD(Message.WParam)), GET_WHEEL_DELTA_WPARAM(Message.WParam), p)) {
        Message.Result = 1;
        return;
      }
      break;
    }
    case WM_CANCELMODE:
      if (MouseCapture()) SetMouseCapture(false);
      controlState_.Exclude(csClicked);
      break;
    case CM_FONTCHANGED: FontChanged(); return;
    case CM_COLORCHANGED: ColorChanged(); return;
    case CM_TEXTCHANGED: TextChanged(); return;
    case CM_ENABLEDCHANGED: EnabledChanged(); return;
    case CM_VISIBLECHANGED: VisibleChanged(); return;
    case CM_PARENTFONTCHANGED:
      if (parentFont_ && parent_) {
        font_->Assign(parent_->Font());
        parentFont_ = true;
      }
      return;
    case CM_PARENTCOLORCHANGED:
      if (parentColor_ && parent_ && color_ != parent_->Color()) {
        color_ = parent_->Color();
        Perform(CM_COLORCHANGED, 0, 0);
      }
      return;
    case CM_MOUSEENTER:
      if (OnMouseEnter) OnMouseEnter(this);
      return;
    case CM_MOUSELEAVE:
      if (OnMouseLeave) OnMouseLeave(this);
      return;
    default:
      break;
  }
  DefaultHandler(Message);
}

void TControl::DefaultHandler(TMessage& Message) { (void)Message; }
