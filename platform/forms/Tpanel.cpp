#include "platform/forms/Tpanel.h"

#include "platform/forms/Tmenu.h"
#include "platform/gui/Drawedge.h"
#include "platform/gui/Drawtext.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Shapes.h"
#include "platform/gui/Winstyles.h"

namespace {

// A bevel of the classic look: light on the top and left edges, shadow on the others
// (the other way round when lowered), Width pixels deep.
void Frame3D(HDC dc, RECT& r, COLORREF topLeft, COLORREF bottomRight, int width) {
  for (int i = 0; i < width; ++i) {
    HBRUSH tl = CreateSolidBrush(topLeft), br = CreateSolidBrush(bottomRight);
    RECT top{r.left, r.top, r.right - 1, r.top + 1}, left{r.left, r.top, r.left + 1, r.bottom - 1};
    RECT bottom{r.left, r.bottom - 1, r.right, r.bottom}, right{r.right - 1, r.top, r.right, r.bottom};
    FillRect(dc, &top, tl);
    FillRect(dc, &left, tl);
    FillRect(dc, &bottom, br);
    FillRect(dc, &right, br);
    DeleteObject(tl);
    DeleteObject(br);
    InflateRect(&r, -1, -1);
  }
}

void Bevel(HDC dc, RECT& r, TBevelCut cut, int width) {
  if (cut == bvNone) return;
  if (cut == bvSpace) {
    InflateRect(&r, -width, -width);
    return;
  }
  COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
  if (cut == bvLowered) Frame3D(dc, r, dark, light, width);
  else Frame3D(dc, r, light, dark, width);
}

}  // namespace

// ---- TPanel

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ += TControlStyle{csAcceptsControls};
  SetColor(clBtnFace);
  SetBounds(0, 0, 185, 41);
}

void TPanel::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (borderStyle_ == bsSingle) Params.Style |= WS_BORDER;
}

void TPanel::Changed() {
  Realign();
  Invalidate();
}

void TPanel::AdjustClientRect(RECT& Rect) {
  int inset = borderWidth_;
  if (bevelOuter_ != bvNone) inset += bevelWidth_;
  if (bevelInner_ != bvNone) inset += bevelWidth_;
  InflateRect(&Rect, -inset, -inset);
}

void TPanel::Paint() {
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  HDC dc = c->Handle();
  Bevel(dc, r, bevelOuter_, bevelWidth_);
  InflateRect(&r, -borderWidth_, -borderWidth_);
  Bevel(dc, r, bevelInner_, bevelWidth_);
  UINT format = DT_SINGLELINE | DT_VCENTER | (alignment_ == taCenter ? DT_CENTER : alignment_ == taRightJustify ? DT_RIGHT : DT_LEFT);
  if (!Caption().empty()) DrawControlText(c, Caption(), r, format, Enabled());
  if (OnPaint) OnPaint(this);
}

// ---- TGroupBox

TGroupBox::TGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ += TControlStyle{csAcceptsControls};
  SetParentColor(true);
  SetBounds(0, 0, 185, 105);
}

void TGroupBox::AdjustClientRect(RECT& Rect) {
  RECT text = CalcTextRect(Font(), "0", DT_SINGLELINE);
  Rect.top += text.bottom - text.top;
  InflateRect(&Rect, -2, -2);
}

void TGroupBox::Paint() {
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  RECT text = CalcTextRect(Font(), Caption(), DT_SINGLELINE);
  int h = text.bottom - text.top;
  RECT frame{r.left, r.top + h / 2, r.right, r.bottom};
  DrawEdge(c->Handle(), &frame, EDGE_ETCHED, BF_RECT);
  if (!Caption().empty()) {
    RECT label{8, 0, 8 + text.right - text.left + 2, h};
    c->FillRect(label);
    label.left += 1;
    DrawControlText(c, Caption(), label, DT_SINGLELINE, Enabled());
  }
}

void TGroupBox::WndProc(TMessage& Message) {
  if (Message.Msg == CM_DIALOGCHAR) {
    // The access key of the caption selects the first control inside.
    char want = GetHotkey(std::string("&") + static_cast<char>(Message.WParam));
    if (want && GetHotkey(Caption()) == want && CanFocus()) {
      SelectNext(nullptr, true, true);
      Message.Result = 1;
      return;
    }
  }
  TCustomControl::WndProc(Message);
}

// ---- TBevel

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 50, 50); }

void TBevel::Paint() {
  HDC dc = Canvas()->Handle();
  RECT r = ClientRect();
  COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
  COLORREF first = style_ == bsLowered ? dark : light, second = style_ == bsLowered ? light : dark;
  auto line = [&](RECT a, COLORREF c) {
    HBRUSH b = CreateSolidBrush(c);
    FillRect(dc, &a, b);
    DeleteObject(b);
  };
  switch (shape_) {
    case bsBox: Frame3D(dc, r, first, second, 1); break;
    case bsFrame: {
      RECT outer = r;
      outer.right -= 1;
      outer.bottom -= 1;
      RECT inner = r;
      inner.left += 1;
      inner.top += 1;
      Frame3D(dc, outer, first, first, 1);
      Frame3D(dc, inner, second, second, 1);
      break;
    }
    case bsTopLine:
      line(RECT{r.left, r.top, r.right, r.top + 1}, first);
      line(RECT{r.left, r.top + 1, r.right, r.top + 2}, second);
      break;
    case bsBottomLine:
      line(RECT{r.left, r.bottom - 2, r.right, r.bottom - 1}, first);
      line(RECT{r.left, r.bottom - 1, r.right, r.bottom}, second);
      break;
    case bsLeftLine:
      line(RECT{r.left, r.top, r.left + 1, r.bottom}, first);
      line(RECT{r.left + 1, r.top, r.left + 2, r.bottom}, second);
      break;
    case bsRightLine:
      line(RECT{r.right - 2, r.top, r.right - 1, r.bottom}, first);
      line(RECT{r.right - 1, r.top, r.right, r.bottom}, second);
      break;
    case bsSpacer: break;
  }
  Canvas()->Refresh();
}
