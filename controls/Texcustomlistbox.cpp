#include "controls/Texcustomlistbox.h"

#include <algorithm>
#include <cmath>

#include "platform/forms/Colors.h"
#include "platform/gui/Gui.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

namespace {
bool Designing(const TComponent* C) { return C->ComponentState().Contains(csDesigning); }
}  // namespace

// ---- TExListBoxStrings

int TExListBoxStrings::GetCount() const { return static_cast<int>(SendMessage(listBox_->Handle(), LB_GETCOUNT, 0, 0)); }

std::string TExListBoxStrings::Get(int Index) const {
  HWND h = listBox_->Handle();
  // The buffer is as long as the item, however long that is.
  LRESULT length = SendMessage(h, LB_GETTEXTLEN, static_cast<WPARAM>(Index), 0);
  if (length < 0) Error("List index out of bounds (%d)", Index);
  std::string s(static_cast<size_t>(length) + 1, '\0');
  length = SendMessage(h, LB_GETTEXT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(s.data()));
  if (length < 0) Error("List index out of bounds (%d)", Index);
  s.resize(static_cast<size_t>(length));
  return s;
}

TObject* TExListBoxStrings::GetObject(int Index) const {
  LONG_PTR data = listBox_->GetItemData(Index);
  if (data == LB_ERR) Error("List index out of bounds (%d)", Index);
  return reinterpret_cast<TObject*>(data);
}

void TExListBoxStrings::PutObject(int Index, TObject* AObject) {
  listBox_->SetItemData(Index, reinterpret_cast<LONG_PTR>(AObject));
}

int TExListBoxStrings::Add(const std::string& S) {
  LRESULT i = SendMessage(listBox_->Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(S.c_str()));
  if (i < 0) throw EOutOfResources("Unable to insert a line");
  return static_cast<int>(i);
}

void TExListBoxStrings::Insert(int Index, const std::string& S) {
  if (SendMessage(listBox_->Handle(), LB_INSERTSTRING, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(S.c_str())) < 0)
    throw EOutOfResources("Unable to insert a line");
}

void TExListBoxStrings::Delete(int Index) { listBox_->DeleteString(Index); }

void TExListBoxStrings::Clear() { listBox_->ResetContent(); }

void TExListBoxStrings::SetUpdateState(bool Updating) {
  SendMessage(listBox_->Handle(), WM_SETREDRAW, Updating ? 0 : 1, 0);
  if (!Updating) listBox_->Refresh();
}

// ---- TExCustomListBox

TExCustomListBox::TExCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner), canvas_(std::make_unique<TControlCanvas>(this)) {
  // Clicks and double clicks come from the list's notifications.
  controlStyle_ = {csSetCaption};
  SetBounds(Left(), Top(), 121, 97);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
}

TExCustomListBox::~TExCustomListBox() {
  delete items_;
  items_ = nullptr;
}

TStrings* TExCustomListBox::CreateItemList() { return new TExListBoxStrings(this); }

TStrings* TExCustomListBox::Items() {
  // Made on first use, so that a descendant's list is the one made.
  if (!items_) items_ = CreateItemList();
  return items_;
}

void TExCustomListBox::SetItems(TStrings* Value) { Items()->Assign(Value); }

void TExCustomListBox::ListIndexError(int Index) const {
  throw EListError(Format("List index out of bounds (%d)", {Index}));
}

void TExCustomListBox::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.WinClassName = "LISTBOX";
  Params.SystemClass = true;
  Params.Style |= WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_HASSTRINGS;
  if (style_ == lbOwnerDrawFixed) Params.Style |= LBS_OWNERDRAWFIXED;
  if (style_ == lbOwnerDrawVariable) Params.Style |= LBS_OWNERDRAWVARIABLE;
  if (sorted_) Params.Style |= LBS_SORT;
  if (multiSelect_) Params.Style |= extendedSelect_ ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  if (!integralHeight_) Params.Style |= LBS_NOINTEGRALHEIGHT;
  if (columns_ > 0) Params.Style |= LBS_MULTICOLUMN;
  if (tabWidth_ > 0) Params.Style |= LBS_USETABSTOPS;
  // A single border is drawn sunken, as the other edit controls draw theirs.
  if (borderStyle_ == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TExCustomListBox::CreateWnd() {
  TWinControl::CreateWnd();
  HWND h = Handle();
  SendMessage(h, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 0);
  if (style_ == lbOwnerDrawFixed) SendMessage(h, LB_SETITEMHEIGHT, 0, itemHeight_);
  if (tabWidth_ > 0) SendMessage(h, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabWidth_));
  SetColumnWidth();
  if (saveItems_) {
    std::unique_ptr<TStringList> saved = std::move(saveItems_);
    Items()->Assign(saved.get());
    SetTopIndex(saveTopIndex_);
    SetItemIndex(saveItemIndex_);
  }
  if (EffectiveAutoScroll()) extent_.Recompute(this, [this](int i) { return GetItemWidth(i); });
}

void TExCustomListBox::DestroyWnd() {
  if (HandleAllocated() && Items()->Count() > 0) {
    saveItems_ = std::make_unique<TStringList>();
    saveItems_->Assign(Items());
    saveTopIndex_ = TopIndex();
    saveItemIndex_ = ItemIndex();
  }
  canvas_->FreeHandle();
  TWinControl::DestroyWnd();
}

void TExCustomListBox::FontChanged() {
  TWinControl::FontChanged();
  canvas_->Font()->Assign(Font());
  if (HandleAllocated()) SendMessage(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 1);
}

void TExCustomListBox::BoundsChanged(const RECT& Old) {
  TWinControl::BoundsChanged(Old);
  SetColumnWidth();
}

void TExCustomListBox::SetColumnWidth() {
  if (columns_ > 0 && HandleAllocated())
    SendMessage(Handle(), LB_SETCOLUMNWIDTH, static_cast<WPARAM>((Width() + columns_ - 3) / columns_), 0);
}

// ---- properties

int TExCustomListBox::ItemIndex() {
  if (!HandleAllocated() && !Parent()) return -1;
  return static_cast<int>(SendMessage(Handle(), LB_GETCURSEL, 0, 0));
}

void TExCustomListBox::SetItemIndex(int Value) {
  if (ItemIndex() == Value) return;
  // A box of multiple selection has no current selection, only the caret.
  if (multiSelect_) SendMessage(Handle(), LB_SETCARETINDEX, static_cast<WPARAM>(Value), 0);
  else SendMessage(Handle(), LB_SETCURSEL, static_cast<WPARAM>(Value), 0);
}

int TExCustomListBox::SelCount() { return static_cast<int>(SendMessage(Handle(), LB_GETSELCOUNT, 0, 0)); }

int TExCustomListBox::TopIndex() { return static_cast<int>(SendMessage(Handle(), LB_GETTOPINDEX, 0, 0)); }

void TExCustomListBox::SetTopIndex(int Value) {
  if (TopIndex() != Value) SendMessage(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(Value), 0);
}

bool TExCustomListBox::Selected(int Index) {
  LRESULT r = SendMessage(Handle(), LB_GETSEL, static_cast<WPARAM>(Index), 0);
  if (r == LB_ERR) ListIndexError(Index);
  return r != 0;
}

void TExCustomListBox::SetSelected(int Index, bool Value) {
  if (multiSelect_) {
    if (SendMessage(Handle(), LB_SETSEL, Value ? TRUE : FALSE, Index) == LB_ERR) ListIndexError(Index);
  } else if (Value) {
    SetItemIndex(Index);
  } else if (ItemIndex() == Index) {
    SetItemIndex(-1);
  }
}

RECT TExCustomListBox::ItemRect(int Index) {
  RECT r{};
  int count = Items()->Count();
  if (Index == 0 || Index < count) {
    SendMessage(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&r));
  } else if (Index == count) {
    SendMessage(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(Index - 1), reinterpret_cast<LPARAM>(&r));
    OffsetRect(&r, 0, r.bottom - r.top);
  }
  return r;
}

int TExCustomListBox::ItemAtPos(POINT Pos, bool Existing) {
  RECT client = ClientRect();
  if (!PtInRect(&client, Pos)) return -1;
  int count = Items()->Count();
  for (int i = TopIndex(); i < count; ++i) {
    RECT r{};
    SendMessage(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    if (PtInRect(&r, Pos)) return i;
    if (r.top >= client.bottom) break;
  }
  return Existing ? -1 : count;
}

int TExCustomListBox::GetItemHeight() {
  if (style_ == lbStandard && HandleAllocated()) {
    RECT r{};
    SendMessage(Handle(), LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r.bottom - r.top;
  }
  return itemHeight_;
}

void TExCustomListBox::SetItemHeight(int Value) {
  if (Value < 1 || Value == itemHeight_) return;
  itemHeight_ = Value;
  RecreateWnd();
}

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

void TExCustomListBox::SetExtendedSelect(bool Value) {
  if (Value == extendedSelect_) return;
  extendedSelect_ = Value;
  RecreateWnd();
}

void TExCustomListBox::SetIntegralHeight(bool Value) {
  if (Value == integralHeight_) return;
  integralHeight_ = Value;
  RecreateWnd();
}

void TExCustomListBox::SetMultiSelect(bool Value) {
  if (Value == multiSelect_) return;
  multiSelect_ = Value;
  RecreateWnd();
}

void TExCustomListBox::SetSorted(bool Value) {
  if (Value == sorted_) return;
  sorted_ = Value;
  RecreateWnd();
}

void TExCustomListBox::SetStyle(TListBoxStyle Value) {
  if (Value == style_) return;
  style_ = Value;
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
  bool changed = static_cast<bool>(Value) != static_cast<bool>(onDrawItem_);
  onDrawItem_ = std::move(Value);
  if (changed) ResetHorizontalExtent();
}

void TExCustomListBox::SetOnGetItemWidth(TGetItemWidthEvent Value) {
  bool changed = static_cast<bool>(Value) != static_cast<bool>(onGetItemWidth_);
  onGetItemWidth_ = std::move(Value);
  if (changed) ResetHorizontalExtent();
}

// ---- items in the window

LONG_PTR TExCustomListBox::GetItemData(int Index) {
  return static_cast<LONG_PTR>(SendMessage(Handle(), LB_GETITEMDATA, static_cast<WPARAM>(Index), 0));
}

void TExCustomListBox::SetItemData(int Index, LONG_PTR AData) {
  SendMessage(Handle(), LB_SETITEMDATA, static_cast<WPARAM>(Index), AData);
}

void TExCustomListBox::DeleteString(int Index) { SendMessage(Handle(), LB_DELETESTRING, static_cast<WPARAM>(Index), 0); }

void TExCustomListBox::ResetContent() { SendMessage(Handle(), LB_RESETCONTENT, 0, 0); }

// ---- measuring and drawing

int TExCustomListBox::TabStopPixels() {
  return static_cast<int>(std::lround(canvas_->TextWidth("0") * tabWidth_ * 0.25));
}

int TExCustomListBox::GetItemWidth(int Index) {
  if (style_ != lbStandard && onGetItemWidth_) {
    int width = 0;
    onGetItemWidth_(this, Index, width);
    return width;
  }
  std::string s = Items()->Strings(Index) + "x";
  canvas_->Font()->Assign(Font());
  if (tabWidth_ > 0) {
    int stop = TabStopPixels();
    return LOWORD(GetTabbedTextExtent(canvas_->Handle(), s.c_str(), static_cast<int>(s.size()), 1, &stop));
  }
  return canvas_->TextWidth(s);
}

void TExCustomListBox::DefaultDrawText(int X, int Y, const std::string& S) {
  if (tabWidth_ > 0) {
    int stop = TabStopPixels();
    TabbedTextOut(canvas_->Handle(), X, Y, S.c_str(), static_cast<int>(S.size()), 1, &stop, X);
    return;
  }
  canvas_->TextOut(X, Y, S);
}

void TExCustomListBox::DrawItem(int Index, RECT Rect, TOwnerDrawState State) {
  if (onDrawItem_) {
    onDrawItem_(this, Index, Rect, State);
    return;
  }
  canvas_->FillRect(Rect);
  if (Index < Items()->Count()) {
    int y = std::max<int>(Rect.top, (Rect.top + Rect.bottom - canvas_->TextHeight("Wy")) / 2);
    SetBkMode(canvas_->Handle(), TRANSPARENT);
    DefaultDrawText(Rect.left + 2, y, Items()->Strings(Index));
  }
}

void TExCustomListBox::MeasureItem(int Index, int& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TExCustomListBox::DrawItemMessage(DRAWITEMSTRUCT& Draw) {
  TOwnerDrawState state;
  if (Draw.itemState & ODS_SELECTED) state.Include(odSelected);
  if (Draw.itemState & ODS_GRAYED) state.Include(odGrayed);
  if (Draw.itemState & ODS_DISABLED) state.Include(odDisabled);
  if (Draw.itemState & ODS_CHECKED) state.Include(odChecked);
  if (Draw.itemState & ODS_FOCUS) state.Include(odFocused);
  canvas_->PaintOn(Draw.hDC);
  canvas_->Font()->Assign(Font());
  canvas_->Brush()->Assign(Brush());
  int index = static_cast<int>(Draw.itemID);
  if (index >= 0 && state.Contains(odSelected)) {
    if (!Designing(this) && graySelection_ && !Focused()) {
      canvas_->Brush()->SetColor(clBtnFace);
      if (ColorToRGB(canvas_->Font()->Color()) == ColorToRGB(clBtnFace)) canvas_->Font()->SetColor(clBtnText);
    } else {
      canvas_->Brush()->SetColor(clHighlight);
      canvas_->Font()->SetColor(clHighlightText);
    }
  }
  auto alive = AliveToken();
  if (index >= 0) DrawItem(index, Draw.rcItem, state);
  else canvas_->FillRect(Draw.rcItem);
  if (!*alive) return;
  if (state.Contains(odFocused)) canvas_->DrawFocusRect(Draw.rcItem);
  canvas_->SetHandle(nullptr);
}

void TExCustomListBox::MeasureItemMessage(MEASUREITEMSTRUCT& Measure) {
  int height = itemHeight_;
  if (style_ == lbOwnerDrawVariable) MeasureItem(static_cast<int>(Measure.itemID), height);
  Measure.itemHeight = static_cast<UINT>(std::max(height, 1));
}

// Items drawn onto a context that the caller supplies (as when printing).
void TExCustomListBox::PaintOnContext(HDC DC) {
  RECT client = ClientRect();
  int count = Items()->Count();
  int y = 0;
  for (int i = TopIndex(); i < count && y < client.bottom; ++i) {
    MEASUREITEMSTRUCT m{ODT_LISTBOX, 0, static_cast<UINT>(i), static_cast<UINT>(client.right),
                        static_cast<UINT>(itemHeight_), static_cast<ULONG_PTR>(GetItemData(i)), Handle()};
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
  auto alive = AliveToken();
  if (EffectiveAutoScroll() && HandleAllocated() &&
      extent_.Track(this, Message, [&] { TWinControl::WndProc(Message); }, [this](int i) { return GetItemWidth(i); }))
    return;
  switch (Message.Msg) {
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
    case CN_DRAWITEM:
      DrawItemMessage(*reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam));
      Message.Result = 1;
      return;
    case CN_MEASUREITEM:
      MeasureItemMessage(*reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam));
      Message.Result = 1;
      return;
    case WM_PAINT:
      if (Message.WParam) {
        PaintOnContext(reinterpret_cast<HDC>(Message.WParam));
        return;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // The list selects (and tells) before OnMouseDown, as a list box does.
      if (TabStop() && CanFocus() && !Focused()) SetFocus();
      if (!*alive) return;
      DefaultHandler(Message);
      if (*alive) TControl::WndProc(Message);
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TWinControl::WndProc(Message);
      if (*alive && graySelection_ && multiSelect_ && HandleAllocated() && SelCount() > 1) Invalidate();
      return;
    default:
      break;
  }
  TWinControl::WndProc(Message);
}
