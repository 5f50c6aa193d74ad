#include "platform/forms/Tscrollbar.h"

#include <algorithm>

#include "platform/gui/Gui.h"

TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
}

void TScrollBar::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.WinClassName = "SCROLLBAR";
  Params.SystemClass = true;
  Params.Style = (Params.Style & ~(WS_CLIPCHILDREN)) | (kind_ == sbVertical ? SBS_VERT : SBS_HORZ);
}

void TScrollBar::CreateWnd() {
  TWinControl::CreateWnd();
  Sync();
}

void TScrollBar::SetKind(TScrollBarKind Value) {
  if (Value == kind_) return;
  kind_ = Value;
  SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TScrollBar::Sync() {
  if (!HandleAllocated()) return;
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, min_, max_, static_cast<UINT>(pageSize_), position_, 0};
  SetScrollInfo(Handle(), SB_CTL, &si, TRUE);
}

void TScrollBar::SetParams(int APosition, int AMin, int AMax) {
  if (AMax < AMin) AMax = AMin;
  APosition = std::clamp(APosition, AMin, std::max(AMin, AMax - std::max(0, pageSize_ - 1)));
  bool changed = APosition != position_;
  min_ = AMin;
  max_ = AMax;
  position_ = APosition;
  Sync();
  if (changed && OnChange) OnChange(this);
}

void TScrollBar::SetPageSize(int Value) {
  pageSize_ = std::max(0, Value);
  SetParams(position_, min_, max_);
}

void TScrollBar::WndProc(TMessage& Message) {
  if (Message.Msg == WM_MOUSEWHEEL) {
    // A notch moves the bar a line, as its arrows do; it does not go on to the parent,
    // which may be what passed it here.
    const bool up = GET_WHEEL_DELTA_WPARAM(Message.WParam) > 0;
    TMessage line{kind_ == sbVertical ? CN_VSCROLL : CN_HSCROLL, WPARAM(up ? SB_LINEUP : SB_LINEDOWN), 0, 0};
    WndProc(line);
    Message.Result = 1;
    return;
  }
  if (Message.Msg == CN_HSCROLL || Message.Msg == CN_VSCROLL) {
    int code = LOWORD(Message.WParam);
    int pos = position_;
    TScrollCode sc = scEndScroll;
    switch (code) {
      case SB_LINEUP: sc = scLineUp; pos -= smallChange_; break;
      case SB_LINEDOWN: sc = scLineDown; pos += smallChange_; break;
      case SB_PAGEUP: sc = scPageUp; pos -= largeChange_; break;
      case SB_PAGEDOWN: sc = scPageDown; pos += largeChange_; break;
      case SB_THUMBTRACK:
      case SB_THUMBPOSITION: {
        sc = code == SB_THUMBTRACK ? scTrack : scPosition;
        SCROLLINFO si{sizeof(SCROLLINFO), SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(Handle(), SB_CTL, &si);
        pos = si.nTrackPos;
        break;
      }
      case SB_TOP: sc = scTop; pos = min_; break;
      case SB_BOTTOM: sc = scBottom; pos = max_; break;
      default: break;
    }
    const TControlGuard guard(this);
    if (OnScroll) OnScroll(this, sc, pos);
    if (guard.Alive()) SetPosition(pos);
    return;
  }
  TWinControl::WndProc(Message);
}

void TScrollBar::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_KEYDOWN) {
    int pos = position_;
    switch (Message.WParam) {
      case VK_LEFT: case VK_UP: pos -= smallChange_; break;
      case VK_RIGHT: case VK_DOWN: pos += smallChange_; break;
      case VK_PRIOR: pos -= largeChange_; break;
      case VK_NEXT: pos += largeChange_; break;
      case VK_HOME: pos = min_; break;
      case VK_END: pos = max_; break;
      default: break;
    }
    if (pos != position_) {
      SetPosition(pos);
      return;
    }
  }
  TWinControl::DefaultHandler(Message);
}
