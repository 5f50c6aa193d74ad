#include "platform/forms/Tlistbox.h"

#include <algorithm>

#include "platform/gui/Gui.h"

// ---- TCustomListBox

TCustomListBox::TCustomListBox(TComponent* AOwner) : TCustomControl(AOwner), items_(new TStringList) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 121, 97);
  items_->OnChange = [this](TObject*) { Changed(); };
  itemHeight_ = CalcTextRect(Font(), "Wg", DT_SINGLELINE).bottom + 3;
}

TCustomListBox::~TCustomListBox() {
  items_->OnChange = nullptr;
  delete items_;
}

void TCustomListBox::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.ExStyle |= WS_EX_CLIENTEDGE;
  Params.Style |= WS_VSCROLL;
}

void TCustomListBox::Changed() {
  selected_.resize(items_->Count(), false);
  if (itemIndex_ >= Count()) itemIndex_ = Count() - 1;
  if (topIndex_ >= Count()) topIndex_ = std::max(0, Count() - 1);
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::SetSorted(bool Value) {
  sorted_ = Value;
  items_->SetSorted(Value);
}

int TCustomListBox::HeightOf(int Index) {
  int h = itemHeight_;
  if (style_ == lbOwnerDrawVariable && OnMeasureItem) OnMeasureItem(this, Index, h);
  return h;
}

int TCustomListBox::VisibleHeight() {
  RECT r = ClientRect();
  return r.bottom - r.top;
}

RECT TCustomListBox::ItemRect(int Index) {
  RECT client = ClientRect();
  int y = 0;
  if (Index >= topIndex_) {
    for (int i = topIndex_; i < Index; ++i) y += HeightOf(i);
  } else {
    for (int i = Index; i < topIndex_; ++i) y -= HeightOf(i);
  }
  return RECT{0, y, client.right, y + HeightOf(Index)};
}

int TCustomListBox::ItemAtPos(POINT Pos, bool Existing) {
  int y = 0;
  for (int i = topIndex_; i < Count(); ++i) {
    int h = HeightOf(i);
    if (Pos.y >= y && Pos.y < y + h) return i;
    y += h;
  }
  return Existing ? -1 : Count();
}

bool TCustomListBox::Selected(int Index) const {
  if (Index < 0 || Index >= Count()) return false;
  if (!multiSelect_) return Index == itemIndex_;
  return Index < static_cast<int>(selected_.size()) && selected_[Index];
}

void TCustomListBox::SetSelected(int Index, bool Value) {
  if (Index < 0 || Index >= Count()) return;
  if (!multiSelect_) {
    if (Value) SetItemIndex(Index);
    else if (itemIndex_ == Index) SetItemIndex(-1);
    return;
  }
  selected_.resize(Count(), false);
  selected_[Index] = Value;
  Invalidate();
}

int TCustomListBox::SelCount() const {
  if (!multiSelect_) return -1;
  return static_cast<int>(std::count(selected_.begin(), selected_.end(), true));
}

void TCustomListBox::ClearSelection() {
  std::fill(selected_.begin(), selected_.end(), false);
  if (!multiSelect_) itemIndex_ = -1;
  Invalidate();
}

void TCustomListBox::SelectAll() {
  if (!multiSelect_) return;
  std::fill(selected_.begin(), selected_.end(), true);
  Invalidate();
}

void TCustomListBox::SetItemIndex(int Value) {
  if (Value < -1 || Value >= Count()) Value = -1;
  itemIndex_ = Value;
  anchor_ = Value;
  if (multiSelect_ && Value >= 0) {
    selected_.resize(Count(), false);
    selected_[Value] = true;
  }
  if (Value >= 0) MakeVisible(Value);
  Invalidate();
}

void TCustomListBox::SetTopIndex(int Value) {
  topIndex_ = std::clamp(Value, 0, std::max(0, Count() - 1));
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::MakeVisible(int Index) {
  if (Index < topIndex_) {
    SetTopIndex(Index);
    return;
  }
  int visible = VisibleHeight();
  while (topIndex_ < Index) {
    RECT r = ItemRect(Index);
    if (r.bottom <= visible) break;
    ++topIndex_;
  }
  UpdateScrollBar();
}

void TCustomListBox::UpdateScrollBar() {
  if (!HandleAllocated()) return;
  int page = 0, y = 0;
  for (int i = topIndex_; i < Count() && y + HeightOf(i) <= VisibleHeight(); ++i, ++page) y += HeightOf(i);
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, Count() - 1, static_cast<UINT>(std::max(1, page)),
                topIndex_, 0};
  SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
}

void TCustomListBox::DrawItem(int Index, RECT Rect, TOwnerDrawState State) {
  TCanvas* c = Canvas();
  if (style_ != lbStandard && OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  c->FillRect(Rect);
  RECT text = Rect;
  text.left += 2;
  DrawControlText(c, items_->Strings(Index), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, true);
}

void TCustomListBox::Paint() {
  TCanvas* c = Canvas();
  RECT client = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(client);
  for (int i = topIndex_; i < Count(); ++i) {
    RECT r = ItemRect(i);
    if (r.top >= client.bottom) break;
    TOwnerDrawState state;
    bool sel = Selected(i);
    if (sel) state.Include(odSelected);
    if (!Enabled()) state.Include(odDisabled);
    if (Focused() && i == itemIndex_) state.Include(odFocused);
    c->Brush()->SetColor(sel ? clHighlight : Color());
    c->Font()->Assign(Font());
    if (sel) c->Font()->SetColor(clHighlightText);
    auto alive = AliveToken();
    DrawItem(i, r, state);
    if (!*alive) return;
    if (state.Contains(odFocused)) c->DrawFocusRect(r);
  }
}

void TCustomListBox::SelectByUser(int Index, bool Shift, bool Ctrl) {
  if (Index < 0 || Index >= Count()) return;
  int before = itemIndex_;
  std::vector<bool> was = selected_;
  if (multiSelect_) {
    selected_.resize(Count(), false);
    if (extendedSelect_ && Shift && anchor_ >= 0) {
      if (!Ctrl) std::fill(selected_.begin(), selected_.end(), false);
      for (int i = std::min(anchor_, Index); i <= std::max(anchor_, Index); ++i) selected_[i] = true;
    } else if (Ctrl || !extendedSelect_) {
      selected_[Index] = !selected_[Index];
      anchor_ = Index;
    } else {
      std::fill(selected_.begin(), selected_.end(), false);
      selected_[Index] = true;
      anchor_ = Index;
    }
  } else {
    anchor_ = Index;
  }
  itemIndex_ = Index;
  MakeVisible(Index);
  Invalidate();
  if (before != itemIndex_ || was != selected_) Click();
}

void TCustomListBox::WndProc(TMessage& Message) {
  if (Message.Msg == WM_SIZE) {
    TCustomControl::WndProc(Message);
    UpdateScrollBar();
    return;
  }
  if (Message.Msg == WM_LBUTTONDOWN) {
    // The selection changes before OnMouseDown, as the system list does.
    POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
    int i = ItemAtPos(p, true);
    auto alive = AliveToken();
    if (TabStop() && CanFocus() && !Focused()) SetFocus();
    if (!*alive) return;
    if (i >= 0) SelectByUser(i, (Message.WParam & MK_SHIFT) != 0, (Message.WParam & MK_CONTROL) != 0);
    if (!*alive) return;
    controlStyle_.Exclude(csClickEvents);
    TCustomControl::WndProc(Message);
    if (*alive) controlStyle_.Include(csClickEvents);
    return;
  }
  TCustomControl::WndProc(Message);
}

void TCustomListBox::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_KEYDOWN: {
      bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
      int page = std::max(1, VisibleHeight() / std::max(1, itemHeight_));
      int i = itemIndex_;
      switch (Message.WParam) {
        case VK_UP: case VK_LEFT: i = std::max(0, i - 1); break;
        case VK_DOWN: case VK_RIGHT: i = std::min(Count() - 1, i + 1); break;
        case VK_PRIOR: i = std::max(0, i - page); break;
        case VK_NEXT: i = std::min(Count() - 1, i + page); break;
        case VK_HOME: i = 0; break;
        case VK_END: i = Count() - 1; break;
        case VK_SPACE:
          if (multiSelect_ && itemIndex_ >= 0) SelectByUser(itemIndex_, false, true);
          return;
        default: return;
      }
      if (Count() > 0) SelectByUser(std::max(0, i), shift && multiSelect_, false && ctrl);
      return;
    }
    case WM_VSCROLL: {
      int page = std::max(1, VisibleHeight() / std::max(1, itemHeight_));
      switch (LOWORD(Message.WParam)) {
        case SB_LINEUP: SetTopIndex(topIndex_ - 1); break;
        case SB_LINEDOWN: SetTopIndex(topIndex_ + 1); break;
        case SB_PAGEUP: SetTopIndex(topIndex_ - page); break;
        case SB_PAGEDOWN: SetTopIndex(topIndex_ + page); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: SetTopIndex(static_cast<SHORT>(HIWORD(Message.WParam))); break;
        default: break;
      }
      return;
    }
    case WM_MOUSEWHEEL:
      SetTopIndex(topIndex_ + (GET_WHEEL_DELTA_WPARAM(Message.WParam) > 0 ? -3 : 3));
      Message.Result = 1;
      return;
    default:
      break;
  }
  TCustomControl::DefaultHandler(Message);
}

// ---- TCustomComboBox

// The edit part of an editable combo box: keys for the list go to the box.
class TComboEdit : public TCustomEdit {
 public:
  TComboEdit(TCustomComboBox* box) : TCustomEdit(box), box_(box) { SetBorderStyle(bsNone); }
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_KEYDOWN && (Message.WParam == VK_UP || Message.WParam == VK_DOWN ||
                                      (Message.WParam == VK_F4) || (box_->droppedDown_))) {
      box_->WindowProc(Message);
      return;
    }
    if (Message.Msg == WM_SYSKEYDOWN && (Message.WParam == VK_DOWN || Message.WParam == VK_UP)) {
      box_->SetDroppedDown(true);
      return;
    }
    TCustomEdit::WndProc(Message);
  }

 protected:
  void Change() override {
    TCustomEdit::Change();
    box_->TextEdited();
  }

 private:
  TCustomComboBox* box_;
};

TCustomComboBox::TCustomComboBox(TComponent* AOwner) : TCustomControl(AOwner), items_(new TStringList) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 145, 21);
  itemHeight_ = CalcTextRect(Font(), "Wg", DT_SINGLELINE).bottom + 3;
  SetStyle(csDropDown);
}

TCustomComboBox::~TCustomComboBox() { delete items_; }

void TCustomComboBox::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value) {
  style_ = Value;
  bool editable = Value == csDropDown || Value == csSimple;
  if (editable && !edit_) {
    edit_ = new TComboEdit(this);
    edit_->SetName("");
    edit_->SetParent(this);
    edit_->SetTabStop(false);
    edit_->SetText(text_);
    PlaceEdit();
    if (Focused()) edit_->SetFocus();
  } else if (!editable && edit_) {
    delete edit_;
    edit_ = nullptr;
  }
  Invalidate();
}

void TCustomComboBox::SetSorted(bool Value) {
  sorted_ = Value;
  items_->SetSorted(Value);
}

void TCustomComboBox::SetMaxLength(int Value) {
  maxLength_ = Value;
  if (edit_) edit_->SetMaxLength(Value);
}

RECT TCustomComboBox::ButtonRect() {
  RECT r = ClientRect();
  int w = GetSystemMetrics(SM_CXVSCROLL);
  return RECT{r.right - w, r.top, r.right, r.bottom};
}

void TCustomComboBox::PlaceEdit() {
  if (!edit_) return;
  RECT r = ClientRect();
  RECT b = ButtonRect();
  edit_->SetBounds(1, 1, std::max<LONG>(0, b.left - 2), std::max<LONG>(0, r.bottom - 2));
}

void TCustomComboBox::BoundsChanged(const RECT& Old) {
  TCustomControl::BoundsChanged(Old);
  PlaceEdit();
}

void TCustomComboBox::EnabledChanged() {
  TCustomControl::EnabledChanged();
  if (edit_) edit_->SetEnabled(Enabled());
}

std::string TCustomComboBox::GetText() const { return edit_ ? edit_->Text() : text_; }

void TCustomComboBox::SetTextValue(const std::string& Value) {
  text_ = Value;
  TControl::SetTextValue(Value);
  if (edit_ && edit_->Text() != Value) edit_->SetText(Value);
  if (!edit_) {
    int i = items_->IndexOf(Value);
    itemIndex_ = i;
  }
  Invalidate();
}

void TCustomComboBox::TextEdited() {
  text_ = edit_->Text();
  itemIndex_ = items_->IndexOf(text_);
  if (OnChange) OnChange(this);
}

void TCustomComboBox::SetItemIndex(int Value) {
  if (Value < -1 || Value >= items_->Count()) Value = -1;
  itemIndex_ = Value;
  if (Value >= 0) {
    text_ = items_->Strings(Value);
    if (edit_) edit_->SetText(text_);
  } else if (!edit_) {
    text_.clear();
  }
  Invalidate();
}

void TCustomComboBox::SelectAll() {
  if (edit_) edit_->SelectAll();
}

void TCustomComboBox::Choose(int Index, bool ByUser) {
  if (Index < 0 || Index >= items_->Count()) return;
  bool changed = Index != itemIndex_ || GetText() != items_->Strings(Index);
  auto alive = AliveToken();
  SetItemIndex(Index);
  if (edit_) edit_->SelectAll();
  if (!ByUser) return;
  if (OnSelect) OnSelect(this);
  if (!*alive) return;
  if (changed) {
    if (OnChange) OnChange(this);
    if (!*alive) return;
    Click();
  }
}

void TCustomComboBox::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == 0) return;
  if (Key == VK_F4 || ((Key == VK_DOWN || Key == VK_UP) && Shift.Contains(ssAlt))) {
    SetDroppedDown(true);
    Key = 0;
  } else if (Key == VK_DOWN) {
    Choose(std::min(items_->Count() - 1, itemIndex_ + 1), true);
    Key = 0;
  } else if (Key == VK_UP) {
    Choose(std::max(0, itemIndex_ - 1), true);
    Key = 0;
  }
}

void TCustomComboBox::Paint() {
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  c->Brush()->SetColor(Enabled() ? Color() : clBtnFace);
  c->FillRect(r);
  RECT b = ButtonRect();
  DrawFrameControl(c->Handle(), &b, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | (droppedDown_ ? DFCS_PUSHED : 0) |
                                                  (Enabled() ? 0 : DFCS_INACTIVE));
  if (edit_) return;
  RECT text{2, 1, b.left - 1, r.bottom - 1};
  TOwnerDrawState state;
  state.Include(odComboBoxEdit);
  if (Focused()) {
    state.Include(odSelected);
    state.Include(odFocused);
    c->Brush()->SetColor(clHighlight);
    c->FillRect(text);
    c->Font()->SetColor(clHighlightText);
  }
  if ((style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable) && OnDrawItem && itemIndex_ >= 0) {
    OnDrawItem(this, itemIndex_, text, state);
  } else {
    RECT t = text;
    t.left += 1;
    DrawControlText(c, text_, t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, Enabled());
  }
  if (Focused()) c->DrawFocusRect(text);
}

void TCustomComboBox::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      auto alive = AliveToken();
      if (CanFocus() && !Focused() && !(edit_ && edit_->Focused())) SetFocus();
      if (!*alive) return;
      TCustomControl::WndProc(Message);
      if (*alive) SetDroppedDown(!droppedDown_);
      return;
    }
    case WM_SETFOCUS:
      TCustomControl::WndProc(Message);
      if (edit_ && edit_->CanFocus()) edit_->SetFocus();
      return;
    default:
      break;
  }
  TCustomControl::WndProc(Message);
}

namespace {

struct DropList {
  TCustomComboBox* box;
  HWND window;
  int top = 0;
  int hot = -1;
  int visible = 0;
  int itemHeight = 16;
};
DropList* openList = nullptr;

LRESULT DropListProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_PAINT && openList && openList->window == window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client{};
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    HGDIOBJ old = SelectObject(dc, openList->box->Font()->Handle());
    SetBkMode(dc, TRANSPARENT);
    TStrings* items = openList->box->Items();
    for (int i = 0; i < openList->visible && openList->top + i < items->Count(); ++i) {
      int index = openList->top + i;
      RECT r{0, i * openList->itemHeight, client.right, (i + 1) * openList->itemHeight};
      bool hot = index == openList->hot;
      TCustomComboBox* box = openList->box;
      if ((box->Style() == csOwnerDrawFixed || box->Style() == csOwnerDrawVariable) && box->OnDrawItem) {
        // Owner-drawn boxes draw their list on their own canvas, lent the list's context.
        auto* canvas = static_cast<TControlCanvas*>(box->Canvas());
        canvas->PaintOn(dc);
        canvas->Font()->Assign(box->Font());
        canvas->Brush()->SetColor(hot ? clHighlight : box->Color());
        if (hot) canvas->Font()->SetColor(clHighlightText);
        TOwnerDrawState state;
        if (hot) state = {odSelected, odFocused};
        box->OnDrawItem(box, index, r, state);
        canvas->SetHandle(nullptr);
        continue;
      }
      if (hot) FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
      SetTextColor(dc, GetSysColor(hot ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      std::string s = items->Strings(index);
      RECT t = r;
      t.left += 2;
      DrawText(dc, s.c_str(), static_cast<int>(s.size()), &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    SelectObject(dc, old);
    EndPaint(window, &ps);
    return 0;
  }
  if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  return DefWindowProc(window, message, w, l);
}

}  // namespace

void TCustomComboBox::SetDroppedDown(bool Value) {
  if (Value == droppedDown_ || !Value) return;
  if (!HandleAllocated() || items_->Count() == 0) return;
  auto alive = AliveToken();
  if (OnDropDown) OnDropDown(this);
  if (!*alive) return;
  static bool registered = false;
  if (!registered) {
    WNDCLASS wc{};
    wc.lpfnWndProc = DropListProc;
    wc.hCursor = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));
    wc.lpszClassName = "#ComboList";
    RegisterClass(&wc);
    registered = true;
  }
  RECT wr{};
  GetWindowRect(Handle(), &wr);
  DropList list{this, nullptr};
  list.itemHeight = itemHeight_;
  list.visible = std::min(dropDownCount_, items_->Count());
  list.hot = itemIndex_;
  list.top = std::clamp(itemIndex_, 0, std::max(0, items_->Count() - list.visible));
  int h = list.visible * itemHeight_ + 2;
  int y = wr.bottom;
  if (y + h > GetSystemMetrics(SM_CYSCREEN)) y = wr.top - h;
  list.window = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "#ComboList", "", WS_POPUP | WS_BORDER, wr.left, y,
                               wr.right - wr.left, h, nullptr, nullptr, nullptr, nullptr);
  DropList* outer = openList;
  openList = &list;
  droppedDown_ = true;
  Invalidate();
  ShowWindow(list.window, SW_SHOWNA);
  UpdateWindow(list.window);
  SetCapture(list.window);
  int chosen = -1;
  bool done = false;
  RECT listRect{wr.left, y, wr.right, y + h};
  auto setHot = [&](int i) {
    i = std::clamp(i, 0, items_->Count() - 1);
    if (i == list.hot) return;
    list.hot = i;
    if (i < list.top) list.top = i;
    if (i >= list.top + list.visible) list.top = i - list.visible + 1;
    InvalidateRect(list.window, nullptr, TRUE);
  };
  while (!done) {
    MSG msg;
    if (!GetMessage(&msg, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
      switch (msg.wParam) {
        case VK_UP: setHot(list.hot - 1); break;
        case VK_DOWN: setHot(list.hot + 1); break;
        case VK_RETURN: chosen = list.hot; done = true; break;
        case VK_ESCAPE: case VK_F4: case VK_TAB: done = true; break;
        default: break;
      }
      continue;
    }
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) continue;
    if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) {
      POINT p = msg.pt;
      bool inside = PtInRect(&listRect, p) != 0;
      int index = inside ? list.top + (p.y - y - 1) / itemHeight_ : -1;
      if (msg.message == WM_MOUSEMOVE && inside) setHot(index);
      if (msg.message == WM_LBUTTONUP && inside) {
        chosen = std::clamp(index, 0, items_->Count() - 1);
        done = true;
      }
      if (msg.message == WM_LBUTTONDOWN && !inside) done = true;
      continue;
    }
    if (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK) {
      if (msg.message != WM_NCMOUSEMOVE) done = true;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
    if (!*alive) break;
  }
  openList = outer;
  if (GetCapture() == list.window) ReleaseCapture();
  DestroyWindow(list.window);
  if (!*alive) return;
  droppedDown_ = false;
  Invalidate();
  if (chosen >= 0) Choose(chosen, true);
  if (!*alive) return;
  if (OnCloseUp) OnCloseUp(this);
}
