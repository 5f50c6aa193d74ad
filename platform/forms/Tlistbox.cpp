#include "platform/forms/Tlistbox.h"

#include <algorithm>

#include "platform/gui/Gui.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

// ---- TListBoxStrings

namespace {
LRESULT Send(TCustomListBox* Box, UINT Msg, WPARAM W = 0, LPARAM L = 0) { return SendMessage(Box->Handle(), Msg, W, L); }
}  // namespace

int TListBoxStrings::GetCount() const {
  if (!listBox_->HandleAllocated()) return listBox_->saved_.items.Count();
  return static_cast<int>(Send(listBox_, LB_GETCOUNT));
}

std::string TListBoxStrings::Get(int Index) const {
  if (!listBox_->HandleAllocated()) return listBox_->saved_.items.Strings(Index);
  LRESULT length = Send(listBox_, LB_GETTEXTLEN, static_cast<WPARAM>(Index));
  if (length < 0) Error("List index out of bounds (%d)", Index);
  std::string s(static_cast<size_t>(length) + 1, '\0');
  Send(listBox_, LB_GETTEXT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(s.data()));
  s.resize(static_cast<size_t>(length));
  return s;
}

TObject* TListBoxStrings::GetObject(int Index) const {
  LONG_PTR data = listBox_->GetItemData(Index);
  if (data == LB_ERR && (Index < 0 || Index >= GetCount())) Error("List index out of bounds (%d)", Index);
  return reinterpret_cast<TObject*>(data);
}

void TListBoxStrings::PutObject(int Index, TObject* AObject) {
  if (Index < 0 || Index >= GetCount()) Error("List index out of bounds (%d)", Index);
  listBox_->SetItemData(Index, reinterpret_cast<LONG_PTR>(AObject));
}

int TListBoxStrings::Add(const std::string& S) {
  if (!listBox_->HandleAllocated()) {
    int i = listBox_->saved_.items.Add(S);
    listBox_->AdjustSaved(i, true);
    return i;
  }
  LRESULT i = Send(listBox_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(S.c_str()));
  if (i < 0) throw EOutOfResources("Unable to insert a line");
  return static_cast<int>(i);
}

void TListBoxStrings::Insert(int Index, const std::string& S) {
  if (!listBox_->HandleAllocated()) {
    listBox_->saved_.items.Insert(Index, S);
    listBox_->AdjustSaved(Index, true);
    return;
  }
  if (Send(listBox_, LB_INSERTSTRING, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(S.c_str())) < 0)
    throw EOutOfResources("Unable to insert a line");
}

void TListBoxStrings::Delete(int Index) { listBox_->DeleteString(Index); }

void TListBoxStrings::Clear() { listBox_->ResetContent(); }

void TListBoxStrings::SetUpdateState(bool Updating) {
  if (!listBox_->HandleAllocated()) return;
  Send(listBox_, WM_SETREDRAW, Updating ? 0 : 1);
  if (!Updating) listBox_->Invalidate();
}

// ---- TCustomListBox

TCustomListBox::TCustomListBox(TComponent* AOwner) : TCustomControl(AOwner) {
  // Clicks and double clicks come from the list's own notifications.
  controlStyle_ -= TControlStyle{csClickEvents, csDoubleClicks};
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 121, 97);
  itemHeight_ = CalcTextRect(Font(), "Wg", DT_SINGLELINE).bottom + 3;
}

TCustomListBox::~TCustomListBox() = default;

TStrings* TCustomListBox::CreateItemList() { return new TListBoxStrings(this); }

TStrings* TCustomListBox::Items() const {
  if (!items_) items_.reset(const_cast<TCustomListBox*>(this)->CreateItemList());
  return items_.get();
}

void TCustomListBox::ListIndexError(int Index) const {
  throw EListError(Format("List index out of bounds (%d)", {Index}));
}

// ---- items: in the window, or kept aside

LONG_PTR TCustomListBox::GetItemData(int Index) {
  if (HandleAllocated()) return static_cast<LONG_PTR>(Send(this, LB_GETITEMDATA, static_cast<WPARAM>(Index)));
  if (Index < 0 || Index >= saved_.items.Count()) return LB_ERR;
  return reinterpret_cast<LONG_PTR>(saved_.items.Objects(Index));
}

void TCustomListBox::SetItemData(int Index, LONG_PTR AData) {
  if (HandleAllocated()) Send(this, LB_SETITEMDATA, static_cast<WPARAM>(Index), AData);
  else if (Index >= 0 && Index < saved_.items.Count()) saved_.items.SetObjects(Index, reinterpret_cast<TObject*>(AData));
}

void TCustomListBox::DeleteString(int Index) {
  if (HandleAllocated()) {
    Send(this, LB_DELETESTRING, static_cast<WPARAM>(Index));
    return;
  }
  saved_.items.Delete(Index);
  AdjustSaved(Index, false);
}

void TCustomListBox::ResetContent() {
  if (HandleAllocated()) {
    Send(this, LB_RESETCONTENT);
    return;
  }
  saved_.items.Clear();
  saved_.selected.clear();
  saved_.itemIndex = -1;
  saved_.topIndex = 0;
}

void TCustomListBox::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.WinClassName = "LISTBOX";
  Params.SystemClass = true;
  Params.ExStyle |= WS_EX_CLIENTEDGE;
  Params.Style |= WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS;
  if (style_ == lbOwnerDrawFixed) Params.Style |= LBS_OWNERDRAWFIXED;
  if (style_ == lbOwnerDrawVariable) Params.Style |= LBS_OWNERDRAWVARIABLE;
  if (sorted_) Params.Style |= LBS_SORT;
  if (multiSelect_) Params.Style |= extendedSelect_ ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
}

void TCustomListBox::CreateWnd() {
  TCustomControl::CreateWnd();
  HWND h = Handle();
  SendMessage(h, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 0);
  if (style_ == lbOwnerDrawFixed) SendMessage(h, LB_SETITEMHEIGHT, 0, itemHeight_);
  // The items kept aside go into the window in their order, with their selection.
  Saved saved;
  std::swap(saved.selected, saved_.selected);
  saved.itemIndex = saved_.itemIndex;
  saved.topIndex = saved_.topIndex;
  SendMessage(h, WM_SETREDRAW, 0, 0);
  for (int i = 0; i < saved_.items.Count(); ++i) {
    SendMessage(h, LB_INSERTSTRING, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(saved_.items.Strings(i).c_str()));
    SendMessage(h, LB_SETITEMDATA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(saved_.items.Objects(i)));
  }
  saved_.items.Clear();
  saved_.itemIndex = -1;
  saved_.topIndex = 0;
  if (multiSelect_) {
    for (size_t i = 0; i < saved.selected.size(); ++i)
      if (saved.selected[i]) SendMessage(h, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
    if (saved.itemIndex >= 0) SendMessage(h, LB_SETCARETINDEX, static_cast<WPARAM>(saved.itemIndex), 0);
  } else if (saved.itemIndex >= 0) {
    SendMessage(h, LB_SETCURSEL, static_cast<WPARAM>(saved.itemIndex), 0);
  }
  SendMessage(h, LB_SETTOPINDEX, static_cast<WPARAM>(saved.topIndex), 0);
  SendMessage(h, WM_SETREDRAW, 1, 0);
  Invalidate();
}

void TCustomListBox::SaveState() {
  if (!HandleAllocated()) return;
  HWND h = Handle();
  int count = static_cast<int>(SendMessage(h, LB_GETCOUNT, 0, 0));
  saved_.items.SetSorted(false);
  saved_.items.Clear();
  saved_.selected.assign(static_cast<size_t>(count), false);
  for (int i = 0; i < count; ++i) {
    // The window's own data words: what a descendant keeps per item stays with the item.
    saved_.items.AddObject(Items()->Strings(i), reinterpret_cast<TObject*>(TCustomListBox::GetItemData(i)));
    saved_.selected[i] = SendMessage(h, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0;
  }
  // Kept in the window's order: a window made sorted anew sorts its items itself.
  saved_.items.SetSorted((GetWindowLong(h, GWL_STYLE) & LBS_SORT) != 0);
  saved_.itemIndex = count ? ItemIndex() : -1;
  saved_.topIndex = static_cast<int>(SendMessage(h, LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::DestroyWnd() {
  SaveState();
  static_cast<TControlCanvas*>(Canvas())->FreeHandle();
  TCustomControl::DestroyWnd();
}

// Keeps the selection kept aside in step with an item inserted or deleted.
void TCustomListBox::AdjustSaved(int Index, bool Inserted) {
  auto& sel = saved_.selected;
  sel.resize(static_cast<size_t>(std::max(0, saved_.items.Count() + (Inserted ? -1 : 1))), false);
  if (Inserted) {
    sel.insert(sel.begin() + std::min<size_t>(static_cast<size_t>(Index), sel.size()), false);
    if (saved_.itemIndex >= Index) ++saved_.itemIndex;
  } else {
    if (Index < static_cast<int>(sel.size())) sel.erase(sel.begin() + Index);
    if (saved_.itemIndex == Index) saved_.itemIndex = -1;
    else if (saved_.itemIndex > Index) --saved_.itemIndex;
  }
}

void TCustomListBox::FontChanged() {
  TCustomControl::FontChanged();
  if (HandleAllocated()) SendMessage(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 1);
}

void TCustomListBox::SetMultiSelect(bool Value) {
  if (Value == multiSelect_) return;
  multiSelect_ = Value;
  RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool Value) {
  if (Value == extendedSelect_) return;
  extendedSelect_ = Value;
  RecreateWnd();
}

void TCustomListBox::SetStyle(TListBoxStyle Value) {
  if (Value == style_) return;
  style_ = Value;
  RecreateWnd();
}

int TCustomListBox::ItemHeight() {
  if (style_ == lbStandard && HandleAllocated()) {
    RECT r{};
    Send(this, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r.bottom - r.top;
  }
  return itemHeight_;
}

void TCustomListBox::SetItemHeight(int Value) {
  if (Value <= 0 || Value == itemHeight_) return;
  itemHeight_ = Value;
  RecreateWnd();
}

void TCustomListBox::SetSorted(bool Value) {
  if (Value == sorted_) return;
  sorted_ = Value;
  if (!HandleAllocated()) {
    saved_.items.SetSorted(Value);
    saved_.selected.assign(static_cast<size_t>(saved_.items.Count()), false);
    saved_.itemIndex = -1;
    return;
  }
  RecreateWnd();
  if (Value) SortWindowItems();
}

// The window sorts what it is given from now on; what it has is given to it again, each
// item with its data word and selection.
void TCustomListBox::SortWindowItems() {
  HWND h = Handle();
  struct Item {
    std::string text;
    LRESULT data;
    bool selected;
  };
  std::vector<Item> items;
  int count = Count(), current = ItemIndex();
  for (int i = 0; i < count; ++i)
    items.push_back({Items()->Strings(i), Send(this, LB_GETITEMDATA, static_cast<WPARAM>(i)),
                     Send(this, LB_GETSEL, static_cast<WPARAM>(i)) > 0});
  SendMessage(h, WM_SETREDRAW, 0, 0);
  Send(this, LB_RESETCONTENT);
  int newCurrent = -1;
  for (int i = 0; i < count; ++i) {
    auto at = static_cast<WPARAM>(Send(this, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i].text.c_str())));
    Send(this, LB_SETITEMDATA, at, items[i].data);
    if (multiSelect_ && items[i].selected) Send(this, LB_SETSEL, TRUE, static_cast<LPARAM>(at));
    if (i == current) newCurrent = static_cast<int>(at);
  }
  if (newCurrent >= 0) Send(this, multiSelect_ ? LB_SETCARETINDEX : LB_SETCURSEL, static_cast<WPARAM>(newCurrent));
  SendMessage(h, WM_SETREDRAW, 1, 0);
  Invalidate();
}

int TCustomListBox::ItemIndex() {
  if (!HandleAllocated()) return saved_.itemIndex;
  if (multiSelect_) return Count() ? static_cast<int>(Send(this, LB_GETCARETINDEX)) : -1;
  return static_cast<int>(Send(this, LB_GETCURSEL));
}

void TCustomListBox::SetItemIndex(int Value) {
  if (Value < -1 || Value >= Count()) Value = -1;
  if (!HandleAllocated()) {
    saved_.itemIndex = Value;
    if (multiSelect_ && Value >= 0) {
      saved_.selected.resize(static_cast<size_t>(Count()), false);
      saved_.selected[Value] = true;
    }
    return;
  }
  if (!multiSelect_) {
    Send(this, LB_SETCURSEL, static_cast<WPARAM>(Value));
    return;
  }
  if (Value < 0) return;
  Send(this, LB_SETSEL, TRUE, Value);
  Send(this, LB_SETCARETINDEX, static_cast<WPARAM>(Value));
  Send(this, LB_SETANCHORINDEX, static_cast<WPARAM>(Value));
}

bool TCustomListBox::Selected(int Index) {
  if (Index < 0 || Index >= Count()) ListIndexError(Index);
  if (!HandleAllocated())
    return multiSelect_ ? Index < static_cast<int>(saved_.selected.size()) && saved_.selected[Index]
                        : Index == saved_.itemIndex;
  return Send(this, LB_GETSEL, static_cast<WPARAM>(Index)) > 0;
}

void TCustomListBox::SetSelected(int Index, bool Value) {
  if (Index < 0 || Index >= Count()) return;
  if (!multiSelect_) {
    if (Value) SetItemIndex(Index);
    else if (ItemIndex() == Index) SetItemIndex(-1);
    return;
  }
  if (!HandleAllocated()) {
    saved_.selected.resize(static_cast<size_t>(Count()), false);
    saved_.selected[Index] = Value;
    return;
  }
  Send(this, LB_SETSEL, Value ? TRUE : FALSE, Index);
}

int TCustomListBox::SelCount() {
  if (!multiSelect_) return -1;
  if (!HandleAllocated()) return static_cast<int>(std::count(saved_.selected.begin(), saved_.selected.end(), true));
  return static_cast<int>(Send(this, LB_GETSELCOUNT));
}

void TCustomListBox::ClearSelection() {
  if (!multiSelect_) {
    SetItemIndex(-1);
    return;
  }
  if (!HandleAllocated()) std::fill(saved_.selected.begin(), saved_.selected.end(), false);
  else Send(this, LB_SETSEL, FALSE, -1);
}

void TCustomListBox::SelectAll() {
  if (!multiSelect_) return;
  if (!HandleAllocated()) saved_.selected.assign(static_cast<size_t>(Count()), true);
  else Send(this, LB_SETSEL, TRUE, -1);
}

int TCustomListBox::TopIndex() {
  return HandleAllocated() ? static_cast<int>(Send(this, LB_GETTOPINDEX)) : saved_.topIndex;
}

void TCustomListBox::SetTopIndex(int Value) {
  Value = std::clamp(Value, 0, std::max(0, Count() - 1));
  if (!HandleAllocated()) saved_.topIndex = Value;
  else if (Value != TopIndex()) Send(this, LB_SETTOPINDEX, static_cast<WPARAM>(Value));
}

RECT TCustomListBox::ItemRect(int Index) {
  RECT r{};
  if (Index == Count() && Index > 0) {
    Send(this, LB_GETITEMRECT, static_cast<WPARAM>(Index - 1), reinterpret_cast<LPARAM>(&r));
    OffsetRect(&r, 0, r.bottom - r.top);
    return r;
  }
  if (Index == 0 || (Index > 0 && Index < Count())) Send(this, LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&r));
  return r;
}

int TCustomListBox::ItemAtPos(POINT Pos, bool Existing) {
  RECT client = ClientRect();
  if (!PtInRect(&client, Pos)) return -1;
  int count = Count();
  for (int i = TopIndex(); i < count; ++i) {
    RECT r = ItemRect(i);
    if (r.top >= client.bottom) break;
    if (PtInRect(&r, Pos)) return i;
  }
  return Existing ? -1 : count;
}

void TCustomListBox::DrawItem(int Index, RECT Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  Canvas()->FillRect(Rect);
  if (Index >= 0 && Index < Count()) DrawItemText(Index, Rect);
}

void TCustomListBox::DrawItemText(int Index, const RECT& Rect) {
  RECT text = Rect;
  text.left += 2;
  DrawControlText(Canvas(), Items()->Strings(Index), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, true);
}

void TCustomListBox::MeasureItem(int Index, int& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomListBox::ItemColours(TCanvas* Canvas, TOwnerDrawState State) {
  if (!State.Contains(odSelected)) return;
  Canvas->Brush()->SetColor(clHighlight);
  Canvas->Font()->SetColor(clHighlightText);
}

void TCustomListBox::DrawItemMessage(DRAWITEMSTRUCT& Draw) {
  TOwnerDrawState state;
  if (Draw.itemState & ODS_SELECTED) state.Include(odSelected);
  if (Draw.itemState & ODS_GRAYED) state.Include(odGrayed);
  if (Draw.itemState & ODS_DISABLED) state.Include(odDisabled);
  if (Draw.itemState & ODS_CHECKED) state.Include(odChecked);
  if (Draw.itemState & ODS_FOCUS) state.Include(odFocused);
  auto* canvas = static_cast<TControlCanvas*>(Canvas());
  canvas->PaintOn(Draw.hDC);
  canvas->Font()->Assign(Font());
  canvas->Brush()->Assign(Brush());
  int index = static_cast<int>(Draw.itemID);
  if (index >= 0) ItemColours(canvas, state);
  const TControlGuard guard(this);
  if (index >= 0) DrawItem(index, Draw.rcItem, state);
  else canvas->FillRect(Draw.rcItem);
  if (guard.Gone()) return;
  if (state.Contains(odFocused)) canvas->DrawFocusRect(Draw.rcItem);
  canvas->SetHandle(nullptr);
}

void TCustomListBox::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      // The list selects (and tells) before OnMouseDown, as a list box does.
      const TControlGuard guard(this);
      if (TabStop() && CanFocus() && !Focused()) SetFocus();
      if (guard.Gone()) return;
      DefaultHandler(Message);
      if (guard.Alive()) TControl::WndProc(Message);
      return;
    }
    case CN_COMMAND:
      switch (HIWORD(Message.WParam)) {
        case LBN_SELCHANGE: Click(); break;
        case LBN_DBLCLK: DblClick(); break;
        default: break;
      }
      return;
    case CN_CTLCOLORLISTBOX: {
      auto dc = reinterpret_cast<HDC>(Message.WParam);
      SetTextColor(dc, ColorToRGB(Font()->Color()));
      SetBkColor(dc, ColorToRGB(Color()));
      Message.Result = reinterpret_cast<LRESULT>(Brush()->Handle());
      return;
    }
    case CN_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
      int height = itemHeight_;
      if (style_ == lbOwnerDrawVariable) MeasureItem(static_cast<int>(m->itemID), height);
      m->itemHeight = static_cast<UINT>(std::max(1, height));
      Message.Result = 1;
      return;
    }
    case CN_DRAWITEM:
      DrawItemMessage(*reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam));
      Message.Result = 1;
      return;
    default:
      break;
  }
  TCustomControl::WndProc(Message);
}

// ---- TCustomComboBox

// The edit part of an editable combo box: keys for the list go to the box.
class TComboBoxEdit : public TCustomEdit {
 public:
  TComboBoxEdit(TCustomComboBox* box) : TCustomEdit(box), box_(box) { SetBorderStyle(bsNone); }
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
    edit_ = new TComboBoxEdit(this);
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
  const TControlGuard guard(this);
  SetItemIndex(Index);
  if (edit_) edit_->SelectAll();
  if (!ByUser) return;
  if (OnSelect) OnSelect(this);
  if (guard.Gone()) return;
  if (changed) {
    if (OnChange) OnChange(this);
    if (guard.Gone()) return;
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
      const TControlGuard guard(this);
      if (CanFocus() && !Focused() && !(edit_ && edit_->Focused())) SetFocus();
      if (guard.Gone()) return;
      TCustomControl::WndProc(Message);
      if (guard.Alive()) SetDroppedDown(!droppedDown_);
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
  const TControlGuard guard(this);
  if (OnDropDown) OnDropDown(this);
  if (guard.Gone()) return;
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
    if (guard.Gone()) break;
  }
  openList = outer;
  if (GetCapture() == list.window) ReleaseCapture();
  DestroyWindow(list.window);
  if (guard.Gone()) return;
  droppedDown_ = false;
  Invalidate();
  if (chosen >= 0) Choose(chosen, true);
  if (guard.Gone()) return;
  if (OnCloseUp) OnCloseUp(this);
}
