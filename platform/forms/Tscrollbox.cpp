#include "platform/forms/Tscrollbox.h"

#include <algorithm>

#include "platform/gui/Gui.h"

void TControlScrollBar::SetRange(int Value) {
  range_ = std::max(0, Value);
  control_->UpdateScrollBars();
}

void TControlScrollBar::SetPosition(int Value) {
  int limit = std::max(0, ScrollRange() - PageSize());
  Value = std::clamp(Value, 0, limit);
  int delta = Value - position_;
  if (delta == 0) return;
  position_ = Value;
  if (bar_ == SB_HORZ) control_->ScrollBy(-delta, 0);
  else control_->ScrollBy(0, -delta);
  control_->UpdateScrollBars();
}

void TControlScrollBar::SetVisible(bool Value) {
  visible_ = Value;
  control_->UpdateScrollBars();
}

int TControlScrollBar::ScrollRange() const {
  if (range_ > 0 || !control_->AutoScroll()) return range_;
  return control_->ContentExtent(bar_ == SB_HORZ);
}

int TControlScrollBar::PageSize() const {
  RECT r = control_->ClientRect();
  return bar_ == SB_HORZ ? r.right - r.left : r.bottom - r.top;
}

bool TControlScrollBar::IsScrollBarVisible() const { return visible_ && ScrollRange() > PageSize(); }

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner)
    : TWinControl(AOwner), horz_(new TControlScrollBar(this, SB_HORZ)), vert_(new TControlScrollBar(this, SB_VERT)) {
  controlStyle_ += TControlStyle{csAcceptsControls};
}

TScrollingWinControl::~TScrollingWinControl() {
  delete horz_;
  delete vert_;
}

void TScrollingWinControl::CreateParams(TCreateParams& Params) { TWinControl::CreateParams(Params); }

void TScrollingWinControl::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateScrollBars();
}

int TScrollingWinControl::ContentExtent(bool Horizontal) const {
  // Children are placed relative to the scrolled origin.
  int extent = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (!c->Visible() || c->Align() != alNone) continue;
    extent = std::max(extent, Horizontal ? c->Left() + c->Width() + horz_->position_
                                         : c->Top() + c->Height() + vert_->position_);
  }
  return extent;
}

void TScrollingWinControl::AlignControls(TControl* AControl, RECT& Rect) {
  TWinControl::AlignControls(AControl, Rect);
  UpdateScrollBars();
}

void TScrollingWinControl::UpdateScrollBars() {
  if (!HandleAllocated() || updating_) return;
  updating_ = true;
  for (TControlScrollBar* bar : {horz_, vert_}) {
    int range = bar->ScrollRange(), page = bar->PageSize();
    int limit = std::max(0, range - page);
    if (bar->position_ > limit) {
      int delta = bar->position_ - limit;
      bar->position_ = limit;
      if (bar == horz_) ScrollBy(delta, 0);
      else ScrollBy(0, delta);
    }
    if (!bar->visible_ || range <= page) {
      ShowScrollBar(Handle(), bar->bar_, FALSE);
      continue;
    }
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, 0, range - 1, static_cast<UINT>(page), bar->position_, 0};
    ShowScrollBar(Handle(), bar->bar_, TRUE);
    SetScrollInfo(Handle(), bar->bar_, &si, TRUE);
  }
  updating_ = false;
}

void TScrollingWinControl::ScrollBy(int DeltaX, int DeltaY) {
  if (!DeltaX && !DeltaY) return;
  DisableAlign();
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (c->Align() != alNone) continue;
    c->SetBounds(c->Left() + DeltaX, c->Top() + DeltaY, c->Width(), c->Height());
  }
  EnableAlign();
  Invalidate();
}

void TScrollingWinControl::ScrollInView(TControl* AControl) {
  if (!AControl || AControl->Parent() != this) return;
  RECT client = ClientRect();
  if (AControl->Left() < 0) horz_->SetPosition(horz_->position_ + AControl->Left());
  else if (AControl->Left() + AControl->Width() > client.right)
    horz_->SetPosition(horz_->position_ + AControl->Left() + AControl->Width() - client.right);
  if (AControl->Top() < 0) vert_->SetPosition(vert_->position_ + AControl->Top());
  else if (AControl->Top() + AControl->Height() > client.bottom)
    vert_->SetPosition(vert_->position_ + AControl->Top() + AControl->Height() - client.bottom);
}

void TScrollingWinControl::Scroll(TControlScrollBar* Bar, int Code) {
  int pos = Bar->position_;
  int page = Bar->PageSize();
  switch (Code) {
    case SB_LINEUP: pos -= Bar->increment_; break;
    case SB_LINEDOWN: pos += Bar->increment_; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = Bar->ScrollRange(); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      if (Code == SB_THUMBTRACK && !Bar->tracking_) return;
      SCROLLINFO si{sizeof(SCROLLINFO), SIF_TRACKPOS, 0, 0, 0, 0, 0};
      GetScrollInfo(Handle(), Bar->bar_, &si);
      pos = si.nTrackPos;
      break;
    }
    default: return;
  }
  Bar->SetPosition(pos);
}

void TScrollingWinControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_HSCROLL:
      if (!Message.LParam) {
        Scroll(horz_, LOWORD(Message.WParam));
        return;
      }
      break;
    case WM_VSCROLL:
      if (!Message.LParam) {
        Scroll(vert_, LOWORD(Message.WParam));
        return;
      }
      break;
    case WM_MOUSEWHEEL:
      TWinControl::WndProc(Message);
      if (!Message.Result) {
        Scroll(vert_, GET_WHEEL_DELTA_WPARAM(Message.WParam) > 0 ? SB_LINEUP : SB_LINEDOWN);
        Message.Result = 1;
      }
      return;
    case WM_SIZE:
      TWinControl::WndProc(Message);
      UpdateScrollBars();
      return;
    default:
      break;
  }
  TWinControl::WndProc(Message);
}

TScrollBox::TScrollBox(TComponent* AOwner) : TScrollingWinControl(AOwner) {
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TScrollBox::CreateParams(TCreateParams& Params) {
  TScrollingWinControl::CreateParams(Params);
  if (borderStyle_ == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
}
