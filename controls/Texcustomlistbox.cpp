#include "controls/Texcustomlistbox.h"

#include <cmath>

#include "platform/forms/Colors.h"
#include "platform/gui/Gui.h"

// ---- window

void TExCustomListBox::CreateParams(TCreateParams& Params) {
  TCustomListBox::CreateParams(Params);
  Params.Style |= WS_HSCROLL;
  if (integralHeight_) Params.Style &= ~LBS_NOINTEGRALHEIGHT;
  if (columns_ > 0) Params.Style |= LBS_MULTICOLUMN;
  if (tabWidth_ > 0) Params.Style |= LBS_USETABSTOPS;
  if (borderStyle_ == bsNone) Params.ExStyle &= ~WS_EX_CLIENTEDGE;
}

void TExCustomListBox::CreateWnd() {
  TCustomListBox::CreateWnd();
  if (tabWidth_ > 0) SendMessage(Handle(), LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabWidth_));
  SetColumnWidth();
  if (EffectiveAutoScroll()) extent_.Recompute(this, [this](int i) { return GetItemWidth(i); });
}

void TExCustomListBox::BoundsChanged(const RECT& Old) {
  TCustomListBox::BoundsChanged(Old);
  SetColumnWidth();
}

void TExCustomListBox::SetColumnWidth() {
  if (columns_ > 0 && HandleAllocated())
    SendMessage(Handle(), LB_SETCOLUMNWIDTH, static_cast<WPARAM>((Width() + columns_ - 3) / columns_), 0);
}

// ---- properties

void TExCustomListBox::SetBorderStyle(TBorderStyle Value) {
  if (Value == borderStyle_) return;
  borderStyle_ = Value;
  RecreateWnd();
}

void TExCustomListBox::SetColumns(int Value) {
  if (Value == columns_) return;
  bool keep = columns_ != 0 && Value != 0;
  columns_ = Value;
  if (keep) SetColumnWidth();
  else RecreateWnd();
}

void TExCustomListBox::SetIntegralHeight(bool Value) {
  if (Value == integralHeight_) return;
  integralHeight_ = Value;
  RecreateWnd();
}

void TExCustomListBox::SetTabWidth(int Value) {
  Value = std::max(Value, 0);
  if (Value == tabWidth_) return;
  tabWidth_ = Value;
  RecreateWnd();
}

void TExCustomListBox::SetGraySelection(bool Value) {
  if (Value == graySelection_) return;
  graySelection_ = Value;
  if (!Focused()) Invalidate();
}

void TExCustomListBox::ResetHorizontalExtent() {
  ScrollToLeft(this);
  if (!HandleAllocated()) return;
  if (EffectiveAutoScroll()) extent_.Recompute(this, [this](int i) { return GetItemWidth(i); });
  else extent_.Clear(this);
}

void TExCustomListBox::SetAutoScroll(bool Value) {
  if (Value == autoScroll_) return;
  autoScroll_ = Value;
  ResetHorizontalExtent();
}

void TExCustomListBox::SetOnDrawItem(TDrawItemEvent Value) {
  bool changed = static_cast<bool>(Value) != static_cast<bool>(TCustomListBox::OnDrawItem);
  TCustomListBox::OnDrawItem = std::move(Value);
  if (changed) ResetHorizontalExtent();
}

void TExCustomListBox::SetOnGetItemWidth(TGetItemWidthEvent Value) {
  bool changed = static_cast<bool>(Value) != static_cast<bool>(onGetItemWidth_);
  onGetItemWidth_ = std::move(Value);
  if (changed) ResetHorizontalExtent();
}

// ---- measuring and drawing

int TExCustomListBox::TabStopPixels() {
  return static_cast<int>(std::lround(Canvas()->TextWidth("0") * tabWidth_ * 0.25));
}

int TExCustomListBox::GetItemWidth(int Index) {
  if (Style() != lbStandard && onGetItemWidth_) {
    int width = 0;
    onGetItemWidth_(this, Index, width);
    return width;
  }
  std::string s = Items()->Strings(Index) + "x";
  Canvas()->Font()->Assign(Font());
  if (tabWidth_ > 0) {
    int stop = TabStopPixels();
    return LOWORD(GetTabbedTextExtent(Canvas()->Handle(), s.c_str(), static_cast<int>(s.size()), 1, &stop));
  }
  return Canvas()->TextWidth(s);
}

void TExCustomListBox::DrawItemText(int Index, const RECT& Rect) {
  if (tabWidth_ <= 0) {
    TCustomListBox::DrawItemText(Index, Rect);
    return;
  }
  const std::string s = Items()->Strings(Index);
  int x = Rect.left + 2, y = std::max<int>(Rect.top, (Rect.top + Rect.bottom - Canvas()->TextHeight("Wy")) / 2);
  int stop = TabStopPixels();
  SetBkMode(Canvas()->Handle(), TRANSPARENT);
  TabbedTextOut(Canvas()->Handle(), x, y, s.c_str(), static_cast<int>(s.size()), 1, &stop, x);
}

void TExCustomListBox::ItemColours(TCanvas* Canvas, TOwnerDrawState State) {
  if (State.Contains(odSelected) && graySelection_ && !Focused() && !ComponentState().Contains(csDesigning)) {
    Canvas->Brush()->SetColor(clBtnFace);
    if (ColorToRGB(Canvas->Font()->Color()) == ColorToRGB(clBtnFace)) Canvas->Font()->SetColor(clBtnText);
    return;
  }
  TCustomListBox::ItemColours(Canvas, State);
}

// Items drawn onto a context that the caller supplies (as when printing).
void TExCustomListBox::PaintOnContext(HDC DC) {
  RECT client = ClientRect();
  int count = Items()->Count();
  int y = 0;
  for (int i = TopIndex(); i < count && y < client.bottom; ++i) {
    MEASUREITEMSTRUCT m{ODT_LISTBOX, 0, static_cast<UINT>(i), static_cast<UINT>(client.right),
                        static_cast<UINT>(ItemHeight()), static_cast<ULONG_PTR>(GetItemData(i)), Handle()};
    Perform(CN_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&m));
    int height = static_cast<int>(m.itemHeight);
    UINT state = Selected(i) ? ODS_SELECTED : 0;
    DRAWITEMSTRUCT d{ODT_LISTBOX, 0, static_cast<UINT>(i), ODA_DRAWENTIRE, state, Handle(), DC,
                     RECT{0, y, client.right, y + height}, static_cast<ULONG_PTR>(GetItemData(i))};
    Perform(CN_DRAWITEM, 0, reinterpret_cast<LPARAM>(&d));
    y += height;
  }
}

// ---- messages

void TExCustomListBox::WndProc(TMessage& Message) {
  const TControlGuard guard(this);
  if (EffectiveAutoScroll() && HandleAllocated() &&
      extent_.Track(this, Message, [&] { TCustomListBox::WndProc(Message); }, [this](int i) { return GetItemWidth(i); }))
    return;
  switch (Message.Msg) {
    case WM_PAINT:
      if (Message.WParam) {
        PaintOnContext(reinterpret_cast<HDC>(Message.WParam));
        return;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomListBox::WndProc(Message);
      if (guard.Alive() && GraySelection() && MultiSelect() && HandleAllocated() && SelCount() > 1) Invalidate();
      return;
    default:
      break;
  }
  TCustomListBox::WndProc(Message);
}
