#include "controls/Texcustomlabel.h"

#include <algorithm>

#include "controls/Ctlwindows.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Tmenu.h"
#include "platform/gui/Gui.h"

int DrawShadowText(HDC DC, const char* Str, int Len, RECT& R, UINT Format, int ShadowSize, COLORREF ShadowColor,
                   TShadowPosition ShadowPos) {
  RECT shadow = R;
  switch (ShadowPos) {
    case spLeftTop: OffsetRect(&shadow, -ShadowSize, -ShadowSize); break;
    case spLeftBottom: OffsetRect(&shadow, -ShadowSize, ShadowSize); break;
    case spRightBottom: OffsetRect(&shadow, ShadowSize, ShadowSize); break;
    case spRightTop: OffsetRect(&shadow, ShadowSize, -ShadowSize); break;
  }
  COLORREF text = SetTextColor(DC, ShadowColor);
  int result = DrawText(DC, Str, Len, &shadow, Format);
  if (result > 0) result += ShadowSize;
  SetTextColor(DC, text);
  DrawText(DC, Str, Len, &R, Format);
  UnionRect(&R, &R, &shadow);
  return result;
}

TExCustomLabel::TExCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner), shadowColor_(clBtnHighlight) {
  controlStyle_ += TControlStyle{csOpaque, csReplicatable};
  SetBounds(Left(), Top(), 65, 17);
}

// ---- drawing

UINT TExCustomLabel::AlignmentFlags() const {
  return alignment_ == taCenter ? DT_CENTER : alignment_ == taRightJustify ? DT_RIGHT : DT_LEFT;
}

void TExCustomLabel::DoDrawText(TCanvas* Canvas, RECT& Rect, UINT Flags) {
  std::string text = GetLabelCaption();
  if ((Flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == "&"))) text += " ";
  if (!showAccelChar_) Flags |= DT_NOPREFIX;
  Canvas->Font()->Assign(Font());
  Canvas->Font()->SetColor(GetDefaultFontColor());
  int size = shadowSize_;
  TShadowPosition pos = shadowPos_;
  TColor shadow = shadowColor_;
  if (!Enabled()) {
    Canvas->Font()->SetColor(clGrayText);
    shadow = clBtnHighlight;
    // A disabled label shows an embossed shadow even without one of its own.
    if (size == 0) {
      size = 1;
      pos = spRightBottom;
    }
  }
  HDC dc = Canvas->Handle();
  Canvas->TextHeight("W");  // the font and its colour are selected
  int oldMode = SetBkMode(dc, TRANSPARENT);
  DrawShadowText(dc, text.c_str(), static_cast<int>(text.size()), Rect, Flags, size, ColorToRGB(shadow), pos);
  SetBkMode(dc, oldMode);
}

void TExCustomLabel::Paint() {
  if (!Enabled() && !ComponentState().Contains(csDesigning)) dragging_ = false;
  TCanvas* c = Canvas();
  RECT client = ClientRect();
  if (!Transparent()) {
    c->Brush()->SetColor(Color());
    c->FillRect(client);
  }
  RECT r = client;
  r.left += leftMargin_;
  r.right -= rightMargin_;
  InflateRect(&r, -1, -1);
  UINT flags = DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0) | AlignmentFlags();
  if (layout_ != tlTop) {
    RECT calc = r;
    DoDrawText(c, calc, flags | DT_CALCRECT);
    calc.left = r.left;
    calc.right = r.right;
    int free = Height() - calc.bottom;
    OffsetRect(&calc, 0, layout_ == tlBottom ? free : free / 2);
    r = calc;
  }
  DoDrawText(c, r, flags);
  if (showFocus_ && focusControl_ && focused_ && !ComponentState().Contains(csDesigning)) {
    RECT around = r;
    if (layout_ == tlTop) DoDrawText(c, around, flags | DT_CALCRECT);
    InflateRect(&around, 1, 0);
    c->Brush()->SetColor(Color());
    c->DrawFocusRect(around);
  }
}

void TExCustomLabel::AdjustBounds() {
  if (!autoSize_ || ComponentState().Contains(csLoading)) return;
  RECT r{0, 0, Width(), Height()};
  r.left += leftMargin_;
  r.right -= rightMargin_;
  InflateRect(&r, -1, -1);
  // Measured on a context of the screen, as the label may have no parent yet.
  HDC screen = GetDC(nullptr);
  {
    TCanvas canvas;
    canvas.SetHandle(screen);
    DoDrawText(&canvas, r, DT_EXPANDTABS | DT_CALCRECT | (wordWrap_ ? DT_WORDBREAK : 0));
    canvas.SetHandle(nullptr);
  }
  ReleaseDC(nullptr, screen);
  r.left -= leftMargin_;
  r.right += rightMargin_;
  InflateRect(&r, 1, 1);
  int width = r.right - r.left, height = r.bottom - r.top;
  int left = Left();
  // A right-aligned label keeps its right edge.
  if (alignment_ == taRightJustify) left += Width() - width;
  SetBounds(left, Top(), width, height);
}

// ---- properties

void TExCustomLabel::SetAlignment(TAlignment Value) {
  if (Value == alignment_) return;
  alignment_ = Value;
  Invalidate();
}

void TExCustomLabel::SetAutoSize(bool Value) {
  if (Value == autoSize_) return;
  autoSize_ = Value;
  AdjustBounds();
}

void TExCustomLabel::SetLayout(TTextLayout Value) {
  if (Value == layout_) return;
  layout_ = Value;
  Invalidate();
}

void TExCustomLabel::SetShadowColor(TColor Value) {
  if (Value == shadowColor_) return;
  shadowColor_ = Value;
  Invalidate();
}

void TExCustomLabel::SetShadowSize(int Value) {
  Value = std::clamp(Value, 0, 255);
  if (Value == shadowSize_) return;
  shadowSize_ = Value;
  AdjustBounds();
  Invalidate();
}

void TExCustomLabel::SetShadowPos(TShadowPosition Value) {
  if (Value == shadowPos_) return;
  shadowPos_ = Value;
  Invalidate();
}

void TExCustomLabel::SetWordWrap(bool Value) {
  if (Value == wordWrap_) return;
  wordWrap_ = Value;
  AdjustBounds();
}

void TExCustomLabel::SetShowAccelChar(bool Value) {
  if (Value == showAccelChar_) return;
  showAccelChar_ = Value;
  Invalidate();
}

void TExCustomLabel::SetShowFocus(bool Value) {
  if (Value == showFocus_) return;
  showFocus_ = Value;
  Invalidate();
}

void TExCustomLabel::SetTransparent(bool Value) {
  if (Value == Transparent()) return;
  if (Value) controlStyle_.Exclude(csOpaque);
  else controlStyle_.Include(csOpaque);
  Invalidate();
}

void TExCustomLabel::SetLeftMargin(int Value) {
  Value = std::max(Value, 0);
  if (Value == leftMargin_) return;
  leftMargin_ = Value;
  AdjustBounds();
  Invalidate();
}

void TExCustomLabel::SetRightMargin(int Value) {
  Value = std::max(Value, 0);
  if (Value == rightMargin_) return;
  rightMargin_ = Value;
  AdjustBounds();
  Invalidate();
}

void TExCustomLabel::SetFocusControl(TWinControl* Value) {
  focusControl_ = Value;
  if (Value) Value->FreeNotification(this);
  if (showFocus_) Invalidate();
}

void TExCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == focusControl_) focusControl_ = nullptr;
}

// ---- mouse tracking

void TExCustomLabel::SetMouseInControl(bool Value) {
  if (Value == mouseInControl_) return;
  mouseInControl_ = Value;
  if (Value) MouseEnter();
  else MouseLeave();
}

void TExCustomLabel::UpdateTracking() {
  SetMouseInControl(Enabled() && ControlAtCursor() == this && IsForegroundTask());
}

void TExCustomLabel::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}

void TExCustomLabel::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
}

void TExCustomLabel::EnabledChanged() {
  TGraphicControl::EnabledChanged();
  UpdateTracking();
}

void TExCustomLabel::VisibleChanged() {
  TGraphicControl::VisibleChanged();
  if (Visible()) UpdateTracking();
}

// ---- messages

void TExCustomLabel::WndProc(TMessage& Message) {
  const TControlGuard guard(this);
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      AdjustBounds();
      Invalidate();
      return;
    case CM_FOCUSCHANGED: {
      bool focused = focusControl_ && reinterpret_cast<TWinControl*>(Message.LParam) == focusControl_;
      if (focused != focused_) {
        focused_ = focused;
        if (showFocus_) Invalidate();
      }
      return;
    }
    case CM_DIALOGCHAR: {
      char want = GetHotkey(std::string("&") + static_cast<char>(Message.WParam));
      if (focusControl_ && Enabled() && showAccelChar_ && want && GetHotkey(Caption()) == want) {
        if (focusControl_->CanFocus()) focusControl_->SetFocus();
        Message.Result = 1;
      }
      return;
    }
    case CM_MOUSEENTER:
      if (!mouseInControl_ && Enabled() && IsForegroundTask()) SetMouseInControl(true);
      return;
    case CM_MOUSELEAVE:
      if (mouseInControl_ && Enabled() && !dragging_) SetMouseInControl(false);
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (Enabled()) dragging_ = true;
      break;
    case WM_LBUTTONUP:
      TGraphicControl::WndProc(Message);
      if (guard.Gone()) return;
      dragging_ = false;
      UpdateTracking();
      return;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      TGraphicControl::WndProc(Message);
      if (guard.Alive()) UpdateTracking();
      return;
    default:
      break;
  }
  TGraphicControl::WndProc(Message);
}
