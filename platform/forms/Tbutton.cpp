#include "platform/forms/Tbutton.h"

#include <algorithm>

#include "platform/forms/Tform.h"
#include "platform/forms/Tmenu.h"
#include "platform/gui/Drawedge.h"
#include "platform/gui/Drawtext.h"
#include "platform/gui/Input.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Shapes.h"

// ---- TButtonControl

TButtonControl::TButtonControl(TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
  SetParentColor(true);
}

void TButtonControl::WndProc(TMessage& Message) {
  const TControlGuard guard(this);
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      pressed_ = true;
      Invalidate();
      break;
    case WM_MOUSEMOVE:
      if (MouseCapture()) {
        POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
        RECT r = ClientRect();
        bool inside = PtInRect(&r, p) != 0;
        if (inside != pressed_) {
          pressed_ = inside;
          Invalidate();
        }
      }
      break;
    case WM_LBUTTONUP:
      if (pressed_) {
        pressed_ = false;
        Invalidate();
      }
      break;
    case WM_KEYDOWN:
      if (Message.WParam == VK_SPACE && !pressed_) {
        pressed_ = true;
        Invalidate();
      }
      break;
    case WM_KEYUP:
      if (Message.WParam == VK_SPACE && pressed_) {
        pressed_ = false;
        Invalidate();
        TCustomControl::WndProc(Message);
        if (guard.Alive()) Click();
        return;
      }
      break;
    case WM_KILLFOCUS:
      pressed_ = false;
      break;
    case CM_DIALOGCHAR: {
      char want = GetHotkey(std::string("&") + static_cast<char>(Message.WParam));
      if (want && GetHotkey(Caption()) == want && Visible() && Enabled() && Showing()) {
        Message.Result = 1;
        AccessKey();
        return;
      }
      return;
    }
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
      Invalidate();
      break;
    default:
      break;
  }
  TCustomControl::WndProc(Message);
}

// ---- TButton

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
  SetBounds(0, 0, 75, 25);
  SetColor(clBtnFace);
  controlStyle_ -= TControlStyle{csSetCaption, csDoubleClicks};
}

void TButton::SetDefault(bool Value) {
  default_ = Value;
  Invalidate();
}

bool TButton::IsActive() const {
  TCustomForm* form = GetParentForm(const_cast<TButton*>(this));
  if (!form) return default_;
  TWinControl* focused = form->ActiveControl();
  if (auto* b = dynamic_cast<TButton*>(focused); b && form->ContainsControl(b)) return b == this;
  return default_;
}

void TButton::Click() {
  if (TCustomForm* form = GetParentForm(this); form && modalResult_ != mrNone) form->SetModalResult(modalResult_);
  TButtonControl::Click();
}

void TButton::WndProc(TMessage& Message) {
  if (Message.Msg == CM_DIALOGKEY) {
    WORD key = static_cast<WORD>(Message.WParam);
    if (((key == VK_RETURN && IsActive()) || (key == VK_ESCAPE && cancel_)) && Visible() && Enabled() &&
        !CurrentShiftState().Contains(ssAlt)) {
      Message.Result = 1;
      Click();
    }
    return;
  }
  if (Message.Msg == WM_SETFOCUS || Message.Msg == WM_KILLFOCUS) {
    // The default frame moves with the focus between buttons.
    if (TCustomForm* form = GetParentForm(this)) form->Invalidate();
  }
  TButtonControl::WndProc(Message);
}

void TButton::Paint() {
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(r);
  HDC dc = c->Handle();
  if (IsActive() && Enabled()) {
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    FrameRect(dc, &r, black);
    DeleteObject(black);
    InflateRect(&r, -1, -1);
  }
  RECT face = r;
  DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed_ ? DFCS_PUSHED : 0));
  RECT text = r;
  if (pressed_) OffsetRect(&text, 1, 1);
  DrawControlText(c, Caption(), text, DT_CENTER | DT_VCENTER | DT_SINGLELINE, Enabled());
  if (Focused()) {
    RECT f = r;
    InflateRect(&f, -4, -4);
    c->DrawFocusRect(f);
  }
}

// ---- check boxes and radio buttons

namespace {

constexpr int kBoxSize = 13;

void PaintMarkAndText(TCustomControl* control, TCanvas* c, UINT markState, TAlignment alignment, bool focused) {
  RECT r = control->ClientRect();
  c->Brush()->SetColor(control->Color());
  c->FillRect(r);
  int top = (r.bottom - r.top - kBoxSize) / 2;
  RECT box = alignment == taRightJustify ? RECT{0, top, kBoxSize, top + kBoxSize}
                                         : RECT{r.right - kBoxSize, top, r.right, top + kBoxSize};
  DrawFrameControl(c->Handle(), &box, DFC_BUTTON, markState);
  RECT text = alignment == taRightJustify ? RECT{kBoxSize + 4, 0, r.right, r.bottom} : RECT{0, 0, r.right - kBoxSize - 4, r.bottom};
  RECT calc = CalcTextRect(c->Font(), control->Caption(), DT_SINGLELINE);
  DrawControlText(c, control->Caption(), text, DT_SINGLELINE | DT_VCENTER | DT_LEFT, control->Enabled());
  if (focused) {
    int h = calc.bottom - calc.top;
    int y = (r.bottom - r.top - h) / 2;
    RECT f{text.left - 1, y - 1, std::min<LONG>(text.left + calc.right + 1, r.right), y + h + 1};
    c->DrawFocusRect(f);
  }
}

}  // namespace

TCheckBox::TCheckBox(TComponent* AOwner) : TButtonControl(AOwner) { SetBounds(0, 0, 97, 17); }

void TCheckBox::SetState(TCheckBoxState Value) {
  if (Value == state_) return;
  state_ = Value;
  Invalidate();
  if (!clicking_) TButtonControl::Click();
}

void TCheckBox::Toggle() {
  switch (state_) {
    case cbUnchecked: state_ = allowGrayed_ ? cbGrayed : cbChecked; break;
    case cbChecked: state_ = cbUnchecked; break;
    case cbGrayed: state_ = cbChecked; break;
  }
  Invalidate();
}

void TCheckBox::Click() {
  if (clicking_) return;
  clicking_ = true;
  Toggle();
  clicking_ = false;
  TButtonControl::Click();
}

void TCheckBox::AccessKey() {
  if (CanFocus()) SetFocus();
  Click();
}

void TCheckBox::Paint() {
  UINT state = DFCS_BUTTONCHECK;
  if (state_ != cbUnchecked) state |= DFCS_CHECKED;
  if (state_ == cbGrayed || !Enabled()) state |= DFCS_INACTIVE;
  if (pressed_) state |= DFCS_PUSHED;
  PaintMarkAndText(this, Canvas(), state, alignment_, Focused());
}

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) { SetBounds(0, 0, 113, 17); }

void TRadioButton::SetChecked(bool Value) {
  if (Value == checked_) return;
  checked_ = Value;
  Invalidate();
  if (Value && Parent()) {
    for (int i = 0; i < Parent()->ControlCount(); ++i)
      if (auto* r = dynamic_cast<TRadioButton*>(Parent()->Controls(i)); r && r != this) r->SetChecked(false);
  }
  if (Value && !clicking_) TButtonControl::Click();
}

void TRadioButton::Click() {
  if (clicking_) return;
  clicking_ = true;
  SetChecked(true);
  clicking_ = false;
  TButtonControl::Click();
}

void TRadioButton::DoEnter() {
  TButtonControl::DoEnter();
  // Moving onto a radio button with the arrow keys checks it.
  if (!checked_ && (GetKeyState(VK_UP) < 0 || GetKeyState(VK_DOWN) < 0 || GetKeyState(VK_LEFT) < 0 ||
                    GetKeyState(VK_RIGHT) < 0))
    Click();
}

void TRadioButton::AccessKey() {
  if (CanFocus()) SetFocus();
  if (!checked_) Click();
}

void TRadioButton::Paint() {
  UINT state = DFCS_BUTTONRADIO;
  if (checked_) state |= DFCS_CHECKED;
  if (!Enabled()) state |= DFCS_INACTIVE;
  if (pressed_) state |= DFCS_PUSHED;
  PaintMarkAndText(this, Canvas(), state, alignment_, Focused());
}
