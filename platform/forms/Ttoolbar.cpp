#include "platform/forms/Ttoolbar.h"

#include <algorithm>

#include "platform/forms/Menuloop.h"
#include "platform/gui/Drawedge.h"
#include "platform/gui/Drawtext.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Shapes.h"

namespace {
constexpr int kArrowWidth = 12;
constexpr int kSeparatorWidth = 8;
}  // namespace

// ---- TToolButton

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 23, 22);
  SetParentColor(true);
  controlStyle_.Exclude(csDoubleClicks);
}

TToolButton::~TToolButton() {
  TToolBar* bar = Bar();
  if (bar) {
    SetParent(nullptr);
    bar->ArrangeButtons();
  }
}

TToolBar* TToolButton::Bar() const { return dynamic_cast<TToolBar*>(Parent()); }

void TToolButton::SetParent(TWinControl* AParent) {
  TToolBar* old = Bar();
  TGraphicControl::SetParent(AParent);
  if (old && old != AParent) old->ArrangeButtons();
  if (TToolBar* bar = Bar()) bar->ArrangeButtons();
}

void TToolButton::SetStyle(TToolButtonStyle Value) {
  style_ = Value;
  if (TToolBar* bar = Bar()) bar->ArrangeButtons();
  Invalidate();
}

void TToolButton::SetDropdownMenu(TPopupMenu* Value) {
  dropdownMenu_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TToolButton::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == dropdownMenu_) dropdownMenu_ = nullptr;
}

int TToolButton::Index() const {
  TToolBar* bar = Bar();
  if (!bar) return -1;
  auto list = bar->Ordered();
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TToolButton::SetDown(bool Value) {
  if (Value == down_) return;
  down_ = Value;
  if (Value && grouped_ && style_ == tbsCheck) {
    if (TToolBar* bar = Bar()) {
      auto list = bar->Ordered();
      int i = Index();
      for (int j = i - 1; j >= 0 && list[j]->grouped_ && list[j]->style_ == tbsCheck; --j) list[j]->SetDown(false);
      for (int j = i + 1; j < static_cast<int>(list.size()) && list[j]->grouped_ && list[j]->style_ == tbsCheck; ++j)
        list[j]->SetDown(false);
    }
  }
  Invalidate();
}

bool TToolButton::OnArrow(int X) const { return style_ == tbsDropDown && X >= Width() - kArrowWidth; }

bool TToolButton::CheckMenuDropdown() {
  if (!dropdownMenu_) return false;
  const TControlGuard guard(this);
  pressed_ = true;
  Invalidate();
  Update();
  POINT p = ClientToScreen(POINT{0, Height()});
  dropdownMenu_->SetPopupComponent(this);
  dropdownMenu_->Popup(p.x, p.y);
  if (guard.Gone()) return true;
  MenuClosed();
  return true;
}

void TToolButton::MenuClosed() {
  if (!pressed_) return;
  pressed_ = false;
  Invalidate();
  Update();
}

void TToolButton::Click() {
  if (style_ == tbsCheck) {
    if (!down_) SetDown(true);
    else if (!grouped_ || allowAllUp_) SetDown(false);
  }
  if (menuItem_ && !OnClick) {
    menuItem_->Click();
    return;
  }
  TGraphicControl::Click();
}

void TToolButton::WndProc(TMessage& Message) {
  const TControlGuard guard(this);
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (style_ == tbsSeparator || style_ == tbsDivider) return;
      int x = GET_X_LPARAM(Message.LParam);
      if (OnArrow(x) || (style_ == tbsButton && dropdownMenu_ && !OnClick)) {
        CheckMenuDropdown();
        return;
      }
      pressed_ = true;
      Invalidate();
      break;
    }
    case WM_MOUSEMOVE: {
      POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
      RECT r = ClientRect();
      bool inside = PtInRect(&r, p) != 0;
      if (MouseCapture() && inside != pressed_) {
        pressed_ = inside;
        Invalidate();
      }
      break;
    }
    case WM_LBUTTONUP:
      TGraphicControl::WndProc(Message);
      if (guard.Gone()) return;
      if (pressed_) {
        pressed_ = false;
        Invalidate();
      }
      return;
    case CM_TEXTCHANGED:
      if (TToolBar* bar = Bar()) bar->ArrangeButtons();
      break;
    case CM_MOUSEENTER:
      hot_ = true;
      Invalidate();
      break;
    case CM_MOUSELEAVE:
      hot_ = false;
      Invalidate();
      break;
    default:
      break;
  }
  TGraphicControl::WndProc(Message);
}

void TToolButton::Paint() {
  TToolBar* bar = Bar();
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  HDC dc = c->Handle();
  if (style_ == tbsSeparator || style_ == tbsDivider) {
    if (style_ == tbsDivider || (bar && bar->Flat())) {
      RECT line{r.right / 2 - 1, r.top, r.right / 2 + 1, r.bottom};
      DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
    }
    return;
  }
  bool flat = bar && bar->Flat();
  bool sunken = pressed_ || down_;
  RECT face = r;
  if (style_ == tbsDropDown) face.right -= kArrowWidth;
  if (down_ && !pressed_) {
    c->Brush()->SetColor(cl3DLight);
    c->FillRect(face);
  }
  if (sunken) {
    RECT e = face;
    DrawEdge(dc, &e, flat ? BDR_SUNKENOUTER : EDGE_SUNKEN, BF_RECT);
  } else if (!flat || (hot_ && Enabled())) {
    RECT e = face;
    DrawEdge(dc, &e, flat ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
    if (style_ == tbsDropDown) {
      RECT a{face.right, r.top, r.right, r.bottom};
      DrawEdge(dc, &a, flat ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
    }
  }
  int shift = sunken ? 1 : 0;
  TImageList* images = bar ? bar->Images() : nullptr;
  int iw = images ? images->Width() : 0, ih = images ? images->Height() : 0;
  bool captions = bar && bar->ShowCaptions() && !Caption().empty();
  bool list = bar && bar->List();
  int x = (face.right - face.left - iw) / 2, y = (r.bottom - ih) / 2;
  if (captions && !list) y = 3;
  if (captions && list) x = 4;
  if (images && imageIndex_ >= 0) {
    if (!Enabled() && bar->DisabledImages()) bar->DisabledImages()->Draw(c, x + shift, y + shift, imageIndex_, true);
    else images->Draw(c, x + shift, y + shift, imageIndex_, Enabled());
  }
  if (captions) {
    RECT t = list ? RECT{x + iw + 4, 0, face.right - 2, r.bottom} : RECT{face.left + 2, y + ih + 1, face.right - 2, r.bottom - 2};
    OffsetRect(&t, shift, shift);
    DrawControlText(c, Caption(), t, DT_SINGLELINE | (list ? DT_VCENTER | DT_LEFT : DT_CENTER), Enabled());
  }
  if (style_ == tbsDropDown) {
    int ax = face.right + kArrowWidth / 2 - 3 + shift, ay = r.bottom / 2 - 1 + shift;
    HBRUSH ink = CreateSolidBrush(Enabled() ? GetSysColor(COLOR_BTNTEXT) : GetSysColor(COLOR_GRAYTEXT));
    for (int k = 0; k < 3; ++k) {
      RECT a{ax + k, ay + k, ax + 5 - k, ay + k + 1};
      FillRect(dc, &a, ink);
    }
    DeleteObject(ink);
  }
  c->Refresh();
}

// ---- TToolBar

TToolBar::TToolBar(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ += TControlStyle{csAcceptsControls};
  SetColor(clBtnFace);
  SetBounds(0, 0, 150, 29);
  SetAlign(alTop);
}

std::vector<TToolButton*> TToolBar::Ordered() const {
  std::vector<TToolButton*> list;
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* b = dynamic_cast<TToolButton*>(Controls(i))) list.push_back(b);
  return list;
}

int TToolBar::ButtonCount() const { return static_cast<int>(Ordered().size()); }

TToolButton* TToolBar::Buttons(int Index) const { return Ordered().at(Index); }

namespace {

bool Reachable(const TToolButton* b) {
  return b->Visible() && b->Enabled() && b->Style() != tbsSeparator && b->Style() != tbsDivider;
}

}  // namespace

int TToolBar::FirstEnabledButton() const {
  const std::vector<TToolButton*> buttons = Ordered();
  for (size_t i = 0; i < buttons.size(); ++i)
    if (Reachable(buttons[i])) return static_cast<int>(i);
  return -1;
}

int TToolBar::ButtonOfHotkey(char Key) const {
  const std::vector<TToolButton*> buttons = Ordered();
  const char want = GetHotkey(std::string("&") + Key);
  for (size_t i = 0; i < buttons.size(); ++i)
    if (Reachable(buttons[i]) && want && GetHotkey(buttons[i]->Caption()) == want) return static_cast<int>(i);
  return -1;
}

bool TToolBar::OpenMenuByKeyboard(int Index) {
  const TControlGuard guard(this);
  for (;;) {
    const std::vector<TToolButton*> buttons = Ordered();
    if (Index < 0 || Index >= static_cast<int>(buttons.size()) || !Reachable(buttons[Index])) return false;
    TToolButton* button = buttons[Index];
    if (!button->DropdownMenu()) {
      button->Click();
      return true;
    }
    const int step = platform::menus::OpenPopupByKeyboard([button] { button->CheckMenuDropdown(); });
    if (guard.Gone() || step == 0) return true;
    // The next button with a menu that way round, the bar's end joined to its start.
    const std::vector<TToolButton*> now = Ordered();
    const int n = static_cast<int>(now.size());
    int next = -1;
    for (int k = 1; k <= n && next < 0; ++k) {
      const int i = ((Index + step * k) % n + n) % n;
      if (Reachable(now[i]) && now[i]->DropdownMenu()) next = i;
    }
    if (next < 0 || next == Index) return true;
    Index = next;
  }
}

void TToolBar::SetImages(TImageList* Value) {
  images_ = Value;
  if (Value) Value->FreeNotification(this);
  ArrangeButtons();
}

void TToolBar::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == images_) images_ = nullptr;
  if (AComponent == disabledImages_) disabledImages_ = nullptr;
}

void TToolBar::AlignControls(TControl* AControl, RECT& Rect) {
  TCustomControl::AlignControls(AControl, Rect);
  ArrangeButtons();
}

void TToolBar::ArrangeButtons() {
  if (arranging_ || ComponentState().Contains(csDestroying)) return;
  arranging_ = true;
  // Buttons in a list of captions without pictures leave no room for a picture.
  const bool captionsOnly = !images_ && showCaptions_ && list_;
  int iw = images_ ? images_->Width() : captionsOnly ? 0 : 16;
  int ih = images_ ? images_->Height() : captionsOnly ? 0 : 16;
  int textH = CalcTextRect(Font(), "Wg", DT_SINGLELINE).bottom;
  int w = std::max(buttonWidth_, iw + 7), h = std::max(buttonHeight_, ih + 6);
  if (showCaptions_) {
    int widest = 0;
    for (TToolButton* b : Ordered()) widest = std::max<int>(widest, CalcTextRect(Font(), b->Caption(), DT_SINGLELINE).right);
    if (list_) {
      h = std::max(h, textH + 6);
    } else {
      w = std::max(w, widest + 8);
      h = std::max(h, ih + textH + 8);
    }
  }
  int x = indent_;
  for (TToolButton* b : Ordered()) {
    if (!b->Visible()) continue;
    int bw = w;
    if (b->style_ == tbsSeparator || b->style_ == tbsDivider) bw = kSeparatorWidth;
    else if (showCaptions_ && list_) bw = iw + 12 + CalcTextRect(Font(), b->Caption(), DT_SINGLELINE).right;
    if (b->style_ == tbsDropDown) bw += kArrowWidth;
    b->SetBounds(x, 2, bw, h);
    x += bw;
  }
  arranging_ = false;
  if (Align() == alTop || Align() == alBottom) {
    int want = h + 4;
    if (Height() != want) SetHeight(want);
  }
  Invalidate();
}

void TToolBar::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
}
