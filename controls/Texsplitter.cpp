#include "controls/Texsplitter.h"

#include <algorithm>

#include "platform/forms/Tapplication.h"
#include "platform/forms/Tform.h"
#include "platform/forms/Tscreen.h"
#include "platform/gui/Gui.h"

TExSplitter::TExSplitter(TComponent* AOwner) : TPanel(AOwner) {
  controlStyle_ = {csAcceptsControls, csCaptureMouse, csClickEvents, csOpaque, csDoubleClicks};
  SetBounds(Left(), Top(), 185, 3);
}

TExSplitter::~TExSplitter() {
  if (sizing_) StopSizing(0, 0, false);
}

// ---- controls and style

void TExSplitter::SetControlFirst(TControl* Value) {
  if (Value == this || dynamic_cast<TCustomForm*>(Value)) return;
  controlFirst_ = Value;
  if (Value) Value->FreeNotification(this);
  UpdateState();
}

void TExSplitter::SetControlSecond(TControl* Value) {
  if (Value == this || dynamic_cast<TCustomForm*>(Value)) return;
  controlSecond_ = Value;
  if (Value) Value->FreeNotification(this);
  UpdateState();
}

void TExSplitter::SetLimitOffset(int Value) {
  topLeftLimit_ = Value;
  bottomRightLimit_ = Value;
}

void TExSplitter::Notification(TComponent* AComponent, TOperation Operation) {
  TPanel::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == controlFirst_) controlFirst_ = nullptr;
  if (AComponent == controlSecond_) controlSecond_ = nullptr;
  if (AComponent == keyControl_) keyControl_ = nullptr;
}

TSplitterStyle TExSplitter::GetStyle() const {
  if (!controlFirst_) return spUnknown;
  TAlign first = controlFirst_->Align();
  bool secondNoneOrClient = !controlSecond_ || controlSecond_->Align() == alClient;
  TAlign second = controlSecond_ ? controlSecond_->Align() : alNone;
  TSplitterStyle s = spUnknown;
  if ((first == alTop || first == alBottom) && secondNoneOrClient) s = spHorizontalFirst;
  else if (first == alClient && controlSecond_ && (second == alBottom || second == alTop)) s = spHorizontalSecond;
  else if ((first == alLeft || first == alRight) && secondNoneOrClient) s = spVerticalFirst;
  else if (first == alClient && controlSecond_ && (second == alRight || second == alLeft)) s = spVerticalSecond;
  // The splitter stands on the side of the control it resizes.
  if ((s == spHorizontalFirst || s == spVerticalFirst) && Align() != first) s = spUnknown;
  if ((s == spHorizontalSecond || s == spVerticalSecond) && Align() != second) s = spUnknown;
  return s;
}

void TExSplitter::UpdateState() {
  if (ComponentState().Contains(csLoading)) return;
  switch (GetStyle()) {
    case spHorizontalFirst: case spHorizontalSecond: SetCursor(crVSplit); break;
    case spVerticalFirst: case spVerticalSecond: SetCursor(crHSplit); break;
    default: SetCursor(crDefault); break;
  }
}

void TExSplitter::Loaded() {
  TPanel::Loaded();
  UpdateState();
}

TControl* TExSplitter::FindControl() const {
  if (!Parent()) return nullptr;
  POINT p{Left(), Top()};
  switch (Align()) {
    case alTop: p.y = Top() - 1; break;
    case alBottom: p.y = Top() + Height(); break;
    case alLeft: p.x = Left() - 1; break;
    case alRight: p.x = Left() + Width(); break;
    default: return nullptr;
  }
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    TControl* c = Parent()->Controls(i);
    if (c == this || !c->Visible()) continue;
    RECT r = c->BoundsRect();
    if (PtInRect(&r, p)) return c;
  }
  return nullptr;
}

void TExSplitter::SetAlign(TAlign Value) {
  TAlign old = Align();
  if (Value == old) return;
  TControl::SetAlign(Value);
  if ((old == alNone || old == alClient) && !ComponentState().Contains(csLoading)) {
    if (Value == alTop || Value == alBottom) SetHeight(3);
    else if (Value == alLeft || Value == alRight) SetWidth(3);
  }
  if (!controlFirst_) SetControlFirst(FindControl());
  UpdateState();
}

void TExSplitter::Changing(int X, int Y, bool& AllowChange) {
  if (OnPosChanging) OnPosChanging(this, X, Y, AllowChange);
}

void TExSplitter::Changed() {
  if (OnPosChanged) OnPosChanged(this);
}

// ---- the inverted line

void TExSplitter::StartInverseRect() {
  RECT client = Parent()->ClientRect();
  limitRect_ = RECT{client.left + topLeftLimit_, client.top + topLeftLimit_, client.right - bottomRightLimit_,
                    client.bottom - bottomRightLimit_};
  OffsetRect(&limitRect_, -Left(), -Top());
  int size = Horizontal() ? Height() : Width();
  lineWidth_ = size < 4 ? 2 : size - 2;
  ShowInverseRect(Width() / 2, Height() / 2, imNew);
}

// A white line drawn exclusive-or: the pixels under it inverted, so that drawing it
// again takes it away.
void TExSplitter::DrawLine(HDC DC, POINT OnScreen) {
  // The form's whole window, child windows included.
  RECT window{};
  GetWindowRect(form_->Handle(), &window);
  POINT s{OnScreen.x - window.left, OnScreen.y - window.top};
  int half = lineWidth_ / 2;
  RECT r = Horizontal() ? RECT{s.x, s.y - half, s.x + Width(), s.y - half + lineWidth_}
                        : RECT{s.x - half, s.y, s.x - half + lineWidth_, s.y + Height()};
  InvertRect(DC, &r);
}

void TExSplitter::ShowInverseRect(int X, int Y, TInverseMode Mode) {
  if (!lineWidth_) return;
  POINT p = ClientToScreen(Horizontal() ? POINT{0, Y} : POINT{X, 0});
  RECT parent = Parent()->ClientRect();
  POINT topLeft = Parent()->ClientToScreen(POINT{parent.left, parent.top});
  POINT bottomRight = Parent()->ClientToScreen(POINT{parent.right, parent.bottom});
  p.x = std::clamp<LONG>(p.x, topLeft.x, bottomRight.x);
  p.y = std::clamp<LONG>(p.y, topLeft.y, bottomRight.y);
  if (Mode == imMove && (Horizontal() ? p.y == lastPos_.y : p.x == lastPos_.x)) return;
  // A context for each change, so that the screen shows each line as it is drawn.
  HDC dc = GetWindowDC(form_->Handle());
  if (Mode == imClear || Mode == imMove) DrawLine(dc, lastPos_);
  if (Mode == imNew || Mode == imMove) {
    DrawLine(dc, p);
    lastPos_ = p;
  }
  ReleaseDC(form_->Handle(), dc);
}

void TExSplitter::CheckPosition(int& X, int& Y) const {
  if (X - offset_.x < limitRect_.left) X = limitRect_.left + offset_.x;
  else if (X - offset_.x + Width() > limitRect_.right) X = limitRect_.right - Width() + offset_.x;
  if (Y - offset_.y < limitRect_.top) Y = limitRect_.top + offset_.y;
  else if (Y - offset_.y + Height() > limitRect_.bottom) Y = limitRect_.bottom - Height() + offset_.y;
}

void TExSplitter::EndInverseRect(int X, int Y, bool AllowChange, bool Apply) {
  ShowInverseRect(0, 0, imClear);
  lineWidth_ = 0;
  if (!Parent()) return;
  RECT client = Parent()->ClientRect();
  int h = client.bottom - client.top - Height(), w = client.right - client.left - Width();
  if (!Apply) {
    // Where the line was last drawn.
    POINT p = ScreenToClient(lastPos_);
    X = p.x + offset_.x - Width() / 2;
    Y = p.y + offset_.y - Height() / 2;
  }
  if (!AllowChange) return;
  CheckPosition(X, Y);
  TControl* target = (style_ == spHorizontalFirst || style_ == spVerticalFirst) ? controlFirst_ : controlSecond_;
  if (!target) return;
  int offsetX = offset_.x, offsetY = offset_.y;
  auto aligned = [&](TAlign a) {
    return (controlFirst_ && controlFirst_->Align() == a) || (controlSecond_ && controlSecond_->Align() == a);
  };
  // A control on the far side grows the other way.
  if (aligned(alRight)) {
    X = -X;
    offsetX = -offsetX;
  }
  if (aligned(alBottom)) {
    Y = -Y;
    offsetY = -offsetY;
  }
  Parent()->DisableAlign();
  if (Horizontal()) {
    int size = std::max(target->Height() + (Y - offsetY), 1);
    if (size >= h) size = h - 3;
    target->SetHeight(size);
  } else {
    int size = std::max(target->Width() + (X - offsetX), 1);
    if (size >= w) size = w - 3;
    target->SetWidth(size);
  }
  Parent()->EnableAlign();
}

void TExSplitter::SetNoDropCursor(bool Value) {
  if (Value == noDropCursor_) return;
  noDropCursor_ = Value;
  ::SetCursor(::Screen->Cursors(Value ? crNoDrop : Cursor()));
}

// ---- dragging

void TExSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TPanel::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || ComponentState().Contains(csDesigning) || sizing_) return;
  style_ = GetStyle();
  if (style_ == spUnknown || !Parent()) return;
  form_ = GetParentForm(this);
  if (!form_) return;
  sizing_ = true;
  savedShowHint_ = Application->ShowHint();
  Application->SetShowHint(false);
  SetMouseCapture(true);
  // Escape on the focused control cancels; other keys go where they went.
  keyControl_ = form_->ActiveControl() ? form_->ActiveControl() : form_;
  keyControl_->FreeNotification(this);
  savedKeyDown_ = keyControl_->OnKeyDown;
  keyControl_->OnKeyDown = [this](TObject* Sender, WORD& Key, TShiftState KeyShift) {
    if (Key == VK_ESCAPE && sizing_) {
      StopSizing(lastMouse_.x, lastMouse_.y, false);
      Key = 0;
      return;
    }
    if (savedKeyDown_) savedKeyDown_(Sender, Key, KeyShift);
  };
  offset_ = POINT{X, Y};
  lastMouse_ = offset_;
  noDropCursor_ = false;
  StartInverseRect();
}

void TExSplitter::MouseMove(TShiftState Shift, int X, int Y) {
  TPanel::MouseMove(Shift, X, Y);
  if (!sizing_ || !MouseCapture()) return;
  lastMouse_ = POINT{X, Y};
  bool allow = true;
  Changing(X, Y, allow);
  if (!allow) {
    SetNoDropCursor(true);
    return;
  }
  int x = X, y = Y;
  CheckPosition(x, y);
  SetNoDropCursor(Horizontal() ? y != Y : x != X);
  ShowInverseRect(x - offset_.x + Width() / 2, y - offset_.y + Height() / 2, imMove);
}

void TExSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (sizing_ && Button == mbLeft) StopSizing(X, Y, true);
  TPanel::MouseUp(Button, Shift, X, Y);
}

void TExSplitter::StopSizing(int X, int Y, bool Apply) {
  if (!sizing_) return;
  if (MouseCapture()) SetMouseCapture(false);
  EndInverseRect(X, Y, Apply, Apply);
  sizing_ = false;
  noDropCursor_ = false;
  Application->SetShowHint(savedShowHint_);
  if (keyControl_) keyControl_->OnKeyDown = savedKeyDown_;
  keyControl_ = nullptr;
  savedKeyDown_ = nullptr;
  if (Apply) Changed();
}

void TExSplitter::WndProc(TMessage& Message) {
  // A lost capture ends a drag without a change.
  if (Message.Msg == WM_CANCELMODE && sizing_) StopSizing(0, 0, false);
  TPanel::WndProc(Message);
}
