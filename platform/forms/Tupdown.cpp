#include "platform/forms/Tupdown.h"

#include <algorithm>

#include "platform/gui/Gui.h"

TUpDown::TUpDown(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 17, 21);
  SetColor(clBtnFace);
}

void TUpDown::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == associate_) associate_ = nullptr;
}

void TUpDown::SetPosition(int Value) {
  Value = std::clamp(Value, std::min(min_, max_), std::max(min_, max_));
  if (Value == position_) {
    ShowInAssociate();
    return;
  }
  position_ = Value;
  ShowInAssociate();
}

void TUpDown::ShowInAssociate() {
  if (associate_) associate_->SetText(std::to_string(position_));
}

void TUpDown::SetAssociate(TWinControl* Value) {
  associate_ = Value;
  if (!Value) return;
  Value->FreeNotification(this);
  if (Value->Parent()) SetParent(Value->Parent());
  SetBounds(Value->Left() + Value->Width(), Value->Top(), Width(), Value->Height());
  ShowInAssociate();
}

void TUpDown::Step(TUDBtnType Button) {
  bool allow = true;
  const TControlGuard guard(this);
  if (OnChanging) OnChanging(this, allow);
  if (guard.Gone() || !allow) return;
  int pos = position_ + (Button == btNext ? increment_ : -increment_);
  if (pos > max_) pos = wrap_ ? min_ : max_;
  if (pos < min_) pos = wrap_ ? max_ : min_;
  SetPosition(pos);
  if (OnClick) OnClick(this, Button);
}

void TUpDown::Paint() {
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  HDC dc = c->Handle();
  bool vertical = orientation_ == udVertical;
  RECT first = r, second = r;
  if (vertical) first.bottom = second.top = (r.top + r.bottom) / 2;
  else first.right = second.left = (r.left + r.right) / 2;
  DrawFrameControl(dc, &first, DFC_SCROLL, (vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | (pressed_ == 0 ? DFCS_PUSHED : 0) | (Enabled() ? 0 : DFCS_INACTIVE));
  DrawFrameControl(dc, &second, DFC_SCROLL, (vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | (pressed_ == 1 ? DFCS_PUSHED : 0) | (Enabled() ? 0 : DFCS_INACTIVE));
}

void TUpDown::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      int x = GET_X_LPARAM(Message.LParam), y = GET_Y_LPARAM(Message.LParam);
      bool firstHalf = orientation_ == udVertical ? y < Height() / 2 : x < Width() / 2;
      pressed_ = firstHalf ? 0 : 1;
      Invalidate();
      // The upper (or right) arrow steps up.
      bool next = orientation_ == udVertical ? firstHalf : !firstHalf;
      const TControlGuard guard(this);
      Step(next ? btNext : btPrev);
      if (guard.Gone()) return;
      break;
    }
    case WM_LBUTTONUP:
      pressed_ = -1;
      Invalidate();
      break;
    default:
      break;
  }
  TCustomControl::WndProc(Message);
}

TProgressBar::TProgressBar(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 150, 16);
  SetColor(clBtnFace);
}

void TProgressBar::SetPosition(int Value) {
  Value = std::clamp(Value, min_, std::max(min_, max_));
  if (Value == position_) return;
  position_ = Value;
  Invalidate();
}

void TProgressBar::Paint() {
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  HDC dc = c->Handle();
  RECT edge = r;
  DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
  InflateRect(&r, -2, -2);
  int span = std::max(1, max_ - min_);
  int width = static_cast<int>(static_cast<long long>(r.right - r.left) * (position_ - min_) / span);
  c->Brush()->SetColor(clHighlight);
  if (smooth_) {
    c->FillRect(RECT{r.left, r.top, r.left + width, r.bottom});
    return;
  }
  int block = std::max<int>(2, (r.bottom - r.top) * 2 / 3);
  for (int x = r.left; x < r.left + width; x += block + 2)
    c->FillRect(RECT{x, r.top, std::min<int>(x + block, r.right), r.bottom});
}
