#include "controls/Texspeedbutton.h"

#include <memory>

#include "controls/Ctlbitmaps.h"
#include "controls/Ctlwindows.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tickcount.h"

namespace {

// Caption has "&" before Key (not "&&").
bool IsAccel(WPARAM Key, const std::string& Caption) {
  for (size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return AnsiUpperCase(std::string(1, Caption[i + 1])) == AnsiUpperCase(std::string(1, static_cast<char>(Key)));
  }
  return false;
}

}  // namespace

TExSpeedButton::TExSpeedButton(TComponent* AOwner)
    : TGraphicControl(AOwner), glyph_(new TExButtonGlyph), drawImage_(new TBitmap) {
  SetBounds(0, 0, 25, 25);
  controlStyle_ = {csCaptureMouse, csOpaque, csDoubleClicks, csReplicatable};
  glyph_->OnChange = [this](TObject*) { Invalidate(); };
  SetParentFont(true);
  SetShowHint(true);
  SetParentShowHint(false);
}

TExSpeedButton::~TExSpeedButton() {
  delete repeatTimer_;
  repeatTimer_ = nullptr;
  delete drawImage_;
  glyph_->OnChange = nullptr;
  delete glyph_;
}

void TExSpeedButton::Loaded() {
  TGraphicControl::Loaded();
  MakeStateGlyph();
}

void TExSpeedButton::MakeStateGlyph() {
  TExButtonState s = Enabled() ? (flat_ ? rbsInactive : rbsUp) : rbsDisabled;
  glyph_->CreateButtonGlyph(s);
}

void TExSpeedButton::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == dropDownMenu_) {
    dropDownMenu_ = nullptr;
    if (markDropDown_) Invalidate();
  }
}

// ---- painting

void TExSpeedButton::Paint() {
  if (!Enabled()) {
    state_ = rbsDisabled;
    dragging_ = false;
  } else if (state_ == rbsDisabled) {
    state_ = down_ && groupIndex_ != 0 ? rbsExclusive : rbsUp;
  }
  bool designing = ComponentState().Contains(csDesigning);
  TExButtonState drawState = flat_ && !mouseInControl_ && !designing ? rbsInactive : state_;
  drawImage_->SetSize(Width(), Height());
  TCanvas* c = drawImage_->Canvas();
  c->Font()->Assign(Font());
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBtnFace);
  RECT paintRect{0, 0, Width(), Height()};
  c->FillRect(paintRect);
  if (transparent_) CopyParentImage(this, c);
  bool pressed = state_ == rbsDown || state_ == rbsExclusive;
  if (drawState != rbsInactive || state_ == rbsExclusive)
    paintRect = DrawButtonFrame(c, paintRect, pressed, flat_, style_);
  else if (flat_)
    InflateRect(&paintRect, -2, -2);
  if (state_ == rbsExclusive && !transparent_ && (!flat_ || drawState == rbsInactive)) {
    // The latched look: a checkerboard of the face and the highlight.
    std::unique_ptr<TBitmap> pattern(CreateTwoColorsBrushPattern(clBtnFace, clBtnHighlight));
    c->Brush()->SetBitmap(pattern.get());
    RECT r = paintRect;
    InflateRect(&r, 1, 1);
    c->FillRect(r);
    c->Brush()->SetBitmap(nullptr);
    c->Brush()->SetColor(clBtnFace);
  }
  if (pressed) OffsetRect(&paintRect, 1, 1);
  if (state_ == rbsDisabled || !grayedInactive_) drawState = state_;
  PaintGlyph(c, paintRect, drawState, markDropDown_ && dropDownMenu_);
  Canvas()->Draw(0, 0, drawImage_);
}

void TExSpeedButton::PaintGlyph(TCanvas* Canvas, const RECT& ARect, TExButtonState AState, bool DrawMark) {
  static const UINT kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  glyph_->Draw(Canvas, ARect, Caption(), layout_, margin_, spacing_, DrawMark, AState, kAlign[glyph_->Alignment()]);
}

// ---- mouse

bool TExSpeedButton::InsideBtn(int X, int Y) const { return X >= 0 && X < width_ && Y >= 0 && Y <= height_; }

void TExSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (menuTracking_) return;
  const TControlGuard guard(this);
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (guard.Gone()) return;
  if (Enabled() && !mouseInControl_) {
    mouseInControl_ = true;
    Repaint();
  }
  if (Button != mbLeft || !Enabled()) return;
  if (!down_) {
    state_ = rbsDown;
    Repaint();
  }
  dragging_ = true;
  menuTracking_ = true;
  bool shown = CheckMenuDropDown(GetDropDownMenuPos(), false);
  if (guard.Gone()) return;
  if (shown) {
    DoMouseUp(Button, X, Y);
    if (guard.Gone()) return;
  }
  // The click that closed the menu must not press the button again.
  MSG msg;
  if (PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE) &&
      (msg.message == WM_LBUTTONDOWN || msg.message == WM_LBUTTONDBLCLK)) {
    POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    ::ClientToScreen(msg.hwnd, &p);
    POINT own = ScreenToClient(p);
    if (InsideBtn(own.x, own.y)) KillMessage(nullptr, msg.message);
  }
  menuTracking_ = false;
  if (allowTimer_) {
    if (!repeatTimer_) repeatTimer_ = new TTimer(nullptr);
    repeatTimer_->SetEnabled(false);
    repeatTimer_->SetInterval(initPause_);
    repeatTimer_->OnTimer = [this](TObject* Sender) { TimerExpired(Sender); };
    repeatTimer_->SetEnabled(true);
  }
}

void TExSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!dragging_) return;
  TExButtonState fresh = down_ ? rbsExclusive : (InsideBtn(X, Y) ? rbsDown : rbsUp);
  if (fresh != state_) {
    state_ = fresh;
    Repaint();
  }
}

void TExSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const TControlGuard guard(this);
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (guard.Gone()) return;
  DoMouseUp(Button, X, Y);
  if (guard.Alive() && repeatTimer_) repeatTimer_->SetEnabled(false);
}

void TExSpeedButton::DoMouseUp(TMouseButton Button, int X, int Y) {
  const TControlGuard guard(this);
  if (dragging_ && Button == mbLeft) {
    dragging_ = false;
    bool inside = InsideBtn(X, Y);
    if (groupIndex_ == 0) {
      state_ = rbsUp;
      if (inside) Repaint();
      else Invalidate();
    } else if (inside) {
      SetDown(!down_);
      if (down_) Repaint();
    } else {
      if (down_) state_ = rbsExclusive;
      Repaint();
    }
    if (inside && !menuTracking_) Click();
    if (guard.Gone()) return;
  }
  UpdateTracking();
}

void TExSpeedButton::TimerExpired(TObject*) {
  repeatTimer_->SetInterval(repeatInterval_);
  if (state_ != rbsDown || !MouseCapture()) return;
  try {
    Click();
  } catch (...) {
    if (repeatTimer_) repeatTimer_->SetEnabled(false);
    throw;
  }
}

void TExSpeedButton::Click() {
  if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
  TGraphicControl::Click();
}

void TExSpeedButton::ButtonClick() {
  if (menuTracking_ || !Enabled() || (dropDownMenu_ && dropDownMenu_->AutoPopup())) return;
  const TControlGuard guard(this);
  if (!down_) {
    state_ = rbsDown;
    Repaint();
  }
  // Shown down for a moment, as a press by hand would be.
  uint32_t start = GetTickCount();
  for (uint32_t now = start; now >= start && now - start < 20; now = GetTickCount()) {
  }
  if (groupIndex_ == 0) {
    Click();
    if (guard.Gone()) return;
  }
  state_ = rbsUp;
  if (groupIndex_ == 0) {
    Repaint();
  } else {
    SetDown(!down_);
    Click();
  }
}

// ---- drop-down menu

POINT TExSpeedButton::GetDropDownMenuPos() {
  if (!dropDownMenu_) return POINT{0, 0};
  TPopupAlignment a = dropDownMenu_->Alignment();
  if (menuPosition_ == dmpBottom) {
    if (a == paLeft) return POINT{-1, height_};
    if (a == paRight) return POINT{width_ + 1, height_};
    return POINT{width_ / 2, height_};
  }
  if (a == paLeft) return POINT{width_, -1};
  if (a == paRight) return POINT{-1, -1};
  return POINT{width_ / 2, height_};
}

bool TExSpeedButton::CheckMenuDropDown(POINT Pos, bool Manual) {
  if (ComponentState().Contains(csDesigning) || !dropDownMenu_) return false;
  if (!dropDownMenu_->AutoPopup() && !Manual) return false;
  if (TCustomForm* form = GetParentForm(this)) form->Perform(WM_CANCELMODE, 0, 0);
  dropDownMenu_->SetPopupComponent(this);
  POINT screen = ClientToScreen(Pos);
  dropDownMenu_->Popup(screen.x, screen.y);
  return true;
}

bool TExSpeedButton::CheckBtnMenuDropDown() { return CheckMenuDropDown(GetDropDownMenuPos(), true); }

// ---- groups

void TExSpeedButton::SetDown(bool Value) {
  if (groupIndex_ == 0) Value = false;
  if (Value == down_) return;
  if (down_ && !allowAllUp_) return;
  down_ = Value;
  if (Value) {
    if (state_ == rbsUp) Invalidate();
    state_ = rbsExclusive;
  } else {
    state_ = rbsUp;
  }
  Repaint();
  if (Value) UpdateExclusive();
  Invalidate();
}

void TExSpeedButton::UpdateExclusive() {
  if (groupIndex_ == 0 || !Parent()) return;
  TControl* self = this;
  TMessage msg{CM_EXBUTTONPRESSED, static_cast<WPARAM>(groupIndex_), reinterpret_cast<LPARAM>(self), 0};
  Parent()->Broadcast(msg);
}

void TExSpeedButton::ButtonPressed(TMessage& Message) {
  if (Message.WParam != static_cast<WPARAM>(groupIndex_) || !Parent() || !Parent()->HandleAllocated()) return;
  auto* sender = dynamic_cast<TExSpeedButton*>(reinterpret_cast<TControl*>(Message.LParam));
  if (!sender || sender == this) return;
  if (sender->down_ && down_) {
    down_ = false;
    state_ = rbsUp;
    Repaint();
  }
  allowAllUp_ = sender->allowAllUp_;
}

void TExSpeedButton::SetGroupIndex(int Value) {
  if (Value == groupIndex_) return;
  groupIndex_ = Value;
  UpdateExclusive();
}

void TExSpeedButton::SetAllowAllUp(bool Value) {
  if (Value == allowAllUp_) return;
  allowAllUp_ = Value;
  UpdateExclusive();
}

// ---- tracking

void TExSpeedButton::SetMouseInControl(bool Value) {
  if (Value == mouseInControl_) return;
  mouseInControl_ = Value;
  if (Value) {
    if (flat_) Repaint();
    MouseEnter();
  } else {
    if (flat_) Invalidate();
    MouseLeave();
  }
}

void TExSpeedButton::UpdateTracking() {
  SetMouseInControl(Enabled() && ControlAtCursor() == this && IsForegroundTask());
}

void TExSpeedButton::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}

void TExSpeedButton::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
}

void TExSpeedButton::EnabledChanged() {
  MakeStateGlyph();
  UpdateTracking();
  Repaint();
}

void TExSpeedButton::VisibleChanged() {
  TGraphicControl::VisibleChanged();
  if (Visible()) UpdateTracking();
}

void TExSpeedButton::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: {
      const TControlGuard guard(this);
      TGraphicControl::WndProc(Message);
      if (guard.Alive()) UpdateTracking();
      return;
    }
    case WM_LBUTTONDBLCLK: {
      if (menuTracking_) return;
      // The press of a double click; the double click itself counts only when down.
      const TControlGuard guard(this);
      controlStyle_.Exclude(csDoubleClicks);
      TGraphicControl::WndProc(Message);
      if (guard.Gone()) return;
      controlStyle_.Include(csDoubleClicks);
      if (down_) DblClick();
      return;
    }
    case CM_MOUSEENTER:
      if (!mouseInControl_ && Enabled() && IsForegroundTask()) SetMouseInControl(true);
      return;
    case CM_MOUSELEAVE:
      if (mouseInControl_ && Enabled() && !dragging_) SetMouseInControl(false);
      return;
    case CM_DIALOGCHAR:
      if (Enabled() && Visible() && IsAccel(Message.WParam, Caption())) {
        Click();
        Message.Result = 1;
      }
      return;
    case CM_EXBUTTONPRESSED:
      ButtonPressed(Message);
      return;
    case WM_SYSCOLORCHANGE:
      glyph_->Invalidate();
      Invalidate();
      return;
    default:
      TGraphicControl::WndProc(Message);
  }
}

// ---- properties

void TExSpeedButton::SetAlignment(TAlignment Value) {
  if (Value == glyph_->Alignment()) return;
  glyph_->SetAlignment(Value);
  Invalidate();
}

void TExSpeedButton::SetAllowTimer(bool Value) {
  allowTimer_ = Value;
  if (!Value) {
    delete repeatTimer_;
    repeatTimer_ = nullptr;
  }
}

void TExSpeedButton::SetDropDownMenu(TPopupMenu* Value) {
  if (Value == dropDownMenu_) return;
  if (dropDownMenu_) dropDownMenu_->RemoveFreeNotification(this);
  dropDownMenu_ = Value;
  if (Value) Value->FreeNotification(this);
  if (markDropDown_) Invalidate();
}

void TExSpeedButton::SetFlat(bool Value) {
  if (Value == flat_) return;
  flat_ = Value;
  Invalidate();
}

void TExSpeedButton::SetGlyph(TBitmap* Value) {
  glyph_->SetGlyph(Value);
  Invalidate();
}

void TExSpeedButton::SetGrayedInactive(bool Value) {
  if (Value == grayedInactive_) return;
  grayedInactive_ = Value;
  Invalidate();
}

void TExSpeedButton::SetLayout(TButtonLayout Value) {
  if (Value == layout_) return;
  layout_ = Value;
  Invalidate();
}

void TExSpeedButton::SetMargin(int Value) {
  if (Value == margin_ || Value < -1) return;
  margin_ = Value;
  Invalidate();
}

void TExSpeedButton::SetMarkDropDown(bool Value) {
  if (Value == markDropDown_) return;
  markDropDown_ = Value;
  Invalidate();
}

void TExSpeedButton::SetNumGlyphs(int Value) {
  glyph_->SetNumGlyphs(std::min(Value, 5));
  Invalidate();
}

void TExSpeedButton::SetSpacing(int Value) {
  if (Value == spacing_) return;
  spacing_ = Value;
  Invalidate();
}

void TExSpeedButton::SetStyle(TButtonStyle Value) {
  if (Value == style_) return;
  style_ = Value;
  Invalidate();
}

void TExSpeedButton::SetTransparent(bool Value) {
  if (Value == transparent_) return;
  transparent_ = Value;
  if (Value) controlStyle_.Exclude(csOpaque);
  else controlStyle_.Include(csOpaque);
  Invalidate();
}

void TExSpeedButton::SetWordWrap(bool Value) {
  if (Value == glyph_->WordWrap()) return;
  glyph_->SetWordWrap(Value);
  Invalidate();
}
