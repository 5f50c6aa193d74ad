#include "platform/forms/Tlabel.h"

#include "platform/forms/Tmenu.h"
#include "platform/gui/Drawtext.h"

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  controlStyle_ += TControlStyle{csOpaque, csReplicatable};
  SetParentColor(true);
  SetBounds(0, 0, 65, 17);
}

void TLabel::SetFocusControl(TWinControl* Value) {
  focusControl_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == focusControl_) focusControl_ = nullptr;
}

UINT TLabel::TextFormat() const {
  UINT f = DT_EXPANDTABS;
  if (wordWrap_) f |= DT_WORDBREAK;
  if (!showAccelChar_) f |= DT_NOPREFIX;
  if (ellipsisPosition_ == epEndEllipsis && !wordWrap_) f |= DT_END_ELLIPSIS;
  if (alignment_ == taCenter) f |= DT_CENTER;
  else if (alignment_ == taRightJustify) f |= DT_RIGHT;
  return f;
}

void TLabel::AdjustBounds() {
  if (!autoSize_) return;
  RECT r = CalcTextRect(Font(), Caption(), TextFormat() & ~(DT_CENTER | DT_RIGHT | DT_END_ELLIPSIS),
                        wordWrap_ ? Width() : 0);
  int w = wordWrap_ ? Width() : r.right - r.left;
  int h = r.bottom - r.top;
  if (h == 0) h = CalcTextRect(Font(), " ", DT_SINGLELINE).bottom;
  int x = Left();
  if (alignment_ == taRightJustify && !wordWrap_) x += Width() - w;
  SetBounds(x, Top(), w, h);
}

void TLabel::Paint() {
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  if (!transparent_) {
    c->Brush()->SetColor(Color());
    c->FillRect(r);
  }
  UINT format = TextFormat();
  if (layout_ != tlTop) {
    RECT calc = CalcTextRect(Font(), Caption(), format & ~(DT_CENTER | DT_RIGHT), wordWrap_ ? r.right : 0);
    int h = calc.bottom - calc.top;
    int free = (r.bottom - r.top) - h;
    r.top += layout_ == tlCenter ? free / 2 : free;
  }
  DrawControlText(c, Caption(), r, format, Enabled());
}

void TLabel::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      AdjustBounds();
      Invalidate();
      return;
    case CM_DIALOGCHAR: {
      char want = GetHotkey(std::string("&") + static_cast<char>(Message.WParam));
      if (showAccelChar_ && focusControl_ && want && GetHotkey(Caption()) == want && focusControl_->CanFocus()) {
        focusControl_->SetFocus();
        Message.Result = 1;
      }
      return;
    }
    default:
      break;
  }
  TGraphicControl::WndProc(Message);
}
