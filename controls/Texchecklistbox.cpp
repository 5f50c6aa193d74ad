#include "controls/Texchecklistbox.h"

#include <algorithm>
#include <string>

#include "controls/Apputils.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Tbitmap.h"
#include "platform/gui/Gui.h"
#include "platform/rtl/Tinifile.h"
#include "platform/rtl/Treginifile.h"

namespace {

constexpr int kCell = 13;
constexpr TColor kTransparent = clFuchsia;

// The 18 cells of the check pictures, 6 columns by 3 rows: check boxes, radio buttons
// and check marks; in each row unchecked, checked and grayed, enabled then disabled.
// One picture serves every box; it lives while a box does.
struct TCheckImages {
  int users = 0;
  std::unique_ptr<TBitmap> image;
};

TCheckImages& CheckImages() {
  static TCheckImages images;
  return images;
}

void DrawTick(TCanvas* c, int x, int y, TColor colour) {
  c->Pen()->SetColor(colour);
  c->Pen()->SetWidth(1);
  for (int d = 0; d < 3; ++d) {
    c->MoveTo(x + 2, y + 5 + d);
    c->LineTo(x + 4, y + 7 + d);
    c->LineTo(x + 9, y + 2 + d);
  }
}

void DrawCell(TCanvas* c, int n) {
  int x = (n % 6) * kCell, y = (n / 6) * kCell;
  int kind = n / 6, column = n % 6;
  bool enabled = column < 3;
  int state = column % 3;  // unchecked, checked, grayed
  TColor face = enabled && state != 2 ? clWindow : clBtnFace;
  TColor ink = enabled ? (state == 2 ? clBtnShadow : clWindowText) : clGrayText;
  if (kind == 0) {
    c->Brush()->SetColor(face);
    c->Pen()->SetColor(clBtnShadow);
    c->Pen()->SetWidth(1);
    c->Rectangle(x, y, x + kCell, y + kCell);
    if (state != 0) DrawTick(c, x + 1, y + 1, ink);
  } else if (kind == 1) {
    c->Brush()->SetColor(face);
    c->Pen()->SetColor(clBtnShadow);
    c->Pen()->SetWidth(1);
    c->Ellipse(x, y, x + kCell, y + kCell);
    if (state != 0) {
      c->Brush()->SetColor(ink);
      c->Pen()->SetColor(ink);
      c->Ellipse(x + 4, y + 4, x + kCell - 4, y + kCell - 4);
    }
  } else if (state != 0) {
    DrawTick(c, x + 1, y + 1, ink);
  }
}

TBitmap* AcquireCheckImages() {
  TCheckImages& images = CheckImages();
  if (images.users++ == 0) {
    images.image = std::make_unique<TBitmap>();
    images.image->SetSize(6 * kCell, 3 * kCell);
    TCanvas* c = images.image->Canvas();
    c->Brush()->SetColor(kTransparent);
    c->FillRect(RECT{0, 0, 6 * kCell, 3 * kCell});
    for (int n = 0; n < 18; ++n) DrawCell(c, n);
  }
  return images.image.get();
}

void ReleaseCheckImages() {
  TCheckImages& images = CheckImages();
  if (--images.users == 0) images.image.reset();
}

}  // namespace

// ---- TCheckListBoxStrings

void TCheckListBoxStrings::Exchange(int Index1, int Index2) {
  if (Index1 == Index2) return;
  auto* box = static_cast<TExCheckListBox*>(ListBox());
  BeginUpdate();
  std::string s1 = Get(Index1), s2 = Get(Index2);
  TCheckListBoxItem* i1 = box->TakeItem(Index1);
  TCheckListBoxItem* i2 = box->TakeItem(Index2);
  Delete(Index1);
  Insert(Index1, s2);
  box->PutItem(Index1, i2);
  Delete(Index2);
  Insert(Index2, s1);
  box->PutItem(Index2, i1);
  EndUpdate();
}

void TCheckListBoxStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  auto* box = static_cast<TExCheckListBox*>(ListBox());
  BeginUpdate();
  std::string s = Get(CurIndex);
  TCheckListBoxItem* item = box->TakeItem(CurIndex);
  Delete(CurIndex);
  Insert(NewIndex, s);
  box->PutItem(NewIndex, item);
  EndUpdate();
}

// ---- TExCheckListBox

TExCheckListBox::TExCheckListBox(TComponent* AOwner)
    : TExCustomListBox(AOwner), iniLink_(std::make_unique<TIniLink>()) {
  AcquireCheckImages();
  SetAutoScroll(true);
  iniLink_->OnSave = [this](TObject*) { IniSave(); };
  iniLink_->OnLoad = [this](TObject*) { IniLoad(); };
}

TExCheckListBox::~TExCheckListBox() {
  iniLink_.reset();
  for (TCheckListBoxItem* item : items_) delete item;
  items_.clear();
  ReleaseCheckImages();
}

TStrings* TExCheckListBox::CreateItemList() { return new TCheckListBoxStrings(this); }

// ---- item objects

// The item objects sit in the data slots themselves (in the window or kept aside with
// the items while there is none); the user's data word is kept in the object.
TCheckListBoxItem* TExCheckListBox::FindItem(int Index) {
  LONG_PTR data = TExCustomListBox::GetItemData(Index);
  if (data == LB_ERR || data == 0) return nullptr;
  auto* item = reinterpret_cast<TCheckListBoxItem*>(data);
  return items_.count(item) ? item : nullptr;
}

TCheckListBoxItem* TExCheckListBox::ItemOf(int Index) {
  if (TCheckListBoxItem* item = FindItem(Index)) return item;
  if (Index < 0 || Index >= Items()->Count()) ListIndexError(Index);
  auto* item = new TCheckListBoxItem;
  items_.insert(item);
  TExCustomListBox::SetItemData(Index, reinterpret_cast<LONG_PTR>(item));
  return item;
}

TCheckListBoxItem* TExCheckListBox::TakeItem(int Index) {
  TCheckListBoxItem* item = FindItem(Index);
  if (item) TExCustomListBox::SetItemData(Index, 0);
  return item;
}

void TExCheckListBox::PutItem(int Index, TCheckListBoxItem* Item) {
  if (!Item) return;
  FreeItem(FindItem(Index));
  TExCustomListBox::SetItemData(Index, reinterpret_cast<LONG_PTR>(Item));
}

void TExCheckListBox::FreeItem(TCheckListBoxItem* Item) {
  if (!Item) return;
  items_.erase(Item);
  delete Item;
}

LONG_PTR TExCheckListBox::GetItemData(int Index) {
  TCheckListBoxItem* item = FindItem(Index);
  return item ? item->Data : 0;
}

void TExCheckListBox::SetItemData(int Index, LONG_PTR AData) {
  ItemOf(Index)->Data = AData;
}

void TExCheckListBox::DeleteString(int Index) {
  FreeItem(TakeItem(Index));
  TExCustomListBox::DeleteString(Index);
}

void TExCheckListBox::ResetContent() {
  int count = Items()->Count();
  for (int i = 0; i < count; ++i) FreeItem(TakeItem(i));
  TExCustomListBox::ResetContent();
}

// ---- window

void TExCheckListBox::CreateParams(TCreateParams& Params) {
  TExCustomListBox::CreateParams(Params);
  if (!(Params.Style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE))) Params.Style |= LBS_OWNERDRAWFIXED;
}

void TExCheckListBox::CreateWnd() {
  TExCustomListBox::CreateWnd();
  ResetItemHeight();
}

void TExCheckListBox::FontChanged() {
  TExCustomListBox::FontChanged();
  ResetItemHeight();
}

void TExCheckListBox::Loaded() {
  TExCustomListBox::Loaded();
  UpdateCheckStates();
}

void TExCheckListBox::ResetItemHeight() {
  if (!HandleAllocated()) return;
  if (Style() == lbOwnerDrawVariable || (Style() == lbOwnerDrawFixed && OnDrawItem())) return;
  Canvas()->Font()->Assign(Font());
  int height = std::max(Canvas()->TextHeight("Wg"), kCell);
  if (Style() == lbOwnerDrawFixed) height = std::max(height, ItemHeight());
  SendMessage(Handle(), LB_SETITEMHEIGHT, 0, height);
  // All items in sight: no vertical range to scroll.
  if (height * Items()->Count() <= ClientHeight()) SetScrollRange(Handle(), SB_VERT, 0, 0, TRUE);
}

// ---- states

TCheckBoxState TExCheckListBox::State(int Index) {
  TCheckListBoxItem* item = FindItem(Index);
  TCheckBoxState s = item ? item->State : cbUnchecked;
  if (checkKind_ == ckRadioButtons && s != cbChecked) return cbUnchecked;
  return s;
}

bool TExCheckListBox::Checked(int Index) {
  TCheckListBoxItem* item = FindItem(Index);
  return item && item->State == cbChecked;
}

bool TExCheckListBox::ItemEnabled(int Index) {
  TCheckListBoxItem* item = FindItem(Index);
  return !item || item->Enabled;
}

void TExCheckListBox::InvalidateItem(int Index) {
  if (!HandleAllocated()) return;
  RECT r = ItemRect(Index);
  InvalidateRect(Handle(), &r, FALSE);
}

void TExCheckListBox::SetState(int Index, TCheckBoxState Value) {
  if (State(Index) == Value && !inUpdate_) return;
  // The checked radio button stays checked until another one is.
  if (checkKind_ == ckRadioButtons && Value != cbChecked && Checked(Index)) return;
  ItemOf(Index)->State = Value;
  if (checkKind_ == ckRadioButtons && Value == cbChecked) {
    for (int i = 0; i < Items()->Count(); ++i) {
      if (i == Index || !Checked(i)) continue;
      FindItem(i)->State = cbUnchecked;
      InvalidateItem(i);
    }
  }
  InvalidateItem(Index);
  if (!ComponentState().Contains(csLoading)) ChangeItemState(Index);
}

void TExCheckListBox::SetItemEnabled(int Index, bool Value) {
  if (ItemEnabled(Index) == Value) return;
  ItemOf(Index)->Enabled = Value;
  InvalidateItem(Index);
}

void TExCheckListBox::SetCheckKind(TCheckKind Value) {
  if (Value == checkKind_) return;
  checkKind_ = Value;
  UpdateCheckStates();
  Invalidate();
}

int TExCheckListBox::CheckedIndex() {
  if (checkKind_ != ckRadioButtons) return -1;
  for (int i = 0; i < Items()->Count(); ++i)
    if (Checked(i)) return i;
  return -1;
}

void TExCheckListBox::SetCheckedIndex(int Value) {
  if (checkKind_ == ckRadioButtons && Items()->Count() > 0) SetState(std::max(Value, 0), cbChecked);
}

void TExCheckListBox::UpdateCheckStates() {
  if (checkKind_ != ckRadioButtons || !(HandleAllocated() || Parent()) || Items()->Count() == 0) return;
  int checked = std::max(CheckedIndex(), 0);
  inUpdate_ = true;
  SetState(checked, cbChecked);
  inUpdate_ = false;
}

void TExCheckListBox::ApplyState(TCheckBoxState AState, bool EnabledOnly) {
  if (checkKind_ == ckRadioButtons) return;
  for (int i = 0; i < Items()->Count(); ++i)
    if (!EnabledOnly || ItemEnabled(i)) SetState(i, AState);
}

void TExCheckListBox::ToggleClickCheck(int Index) {
  if (Index < 0 || Index >= Items()->Count() || !ItemEnabled(Index)) return;
  switch (State(Index)) {
    case cbUnchecked: SetState(Index, AllowGrayed() ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(Index, cbUnchecked); break;
    case cbGrayed: SetState(Index, cbChecked); break;
  }
  ClickCheck();
}

void TExCheckListBox::ClickCheck() {
  if (OnClickCheck) OnClickCheck(this);
}

void TExCheckListBox::ChangeItemState(int Index) {
  if (OnStateChange) OnStateChange(this, Index);
}

// ---- stored states

void TExCheckListBox::SaveStatesTo(TObject* Ini, const std::string& Section) {
  IniEraseSection(Ini, Section);
  int count = Items()->Count();
  IniWriteInteger(Ini, Section, "Count", count);
  for (int i = 0; i < count; ++i) IniWriteInteger(Ini, Section, "Item" + std::to_string(i), static_cast<int>(State(i)));
}

void TExCheckListBox::RestoreStatesFrom(TObject* Ini, const std::string& Section) {
  int count = std::min(IniReadInteger(Ini, Section, "Count", 0), Items()->Count());
  for (int i = 0; i < count; ++i) {
    int value = IniReadInteger(Ini, Section, "Item" + std::to_string(i), 0);
    // Only the three states; anything else stored reads as unchecked.
    TCheckBoxState state = value >= cbUnchecked && value <= cbGrayed ? static_cast<TCheckBoxState>(value) : cbUnchecked;
    if (checkKind_ == ckRadioButtons) {
      // The stored button is checked (which unchecks the others), whichever was before.
      if (state != cbChecked) continue;
      SetState(i, cbChecked);
      break;
    }
    SetState(i, state);
  }
}

void TExCheckListBox::SaveStates(TIniFile* IniFile) { SaveStatesTo(IniFile, GetDefaultSection(this)); }
void TExCheckListBox::RestoreStates(TIniFile* IniFile) { RestoreStatesFrom(IniFile, GetDefaultSection(this)); }
void TExCheckListBox::SaveStatesReg(TRegIniFile* IniFile) { SaveStatesTo(IniFile, GetDefaultSection(this)); }
void TExCheckListBox::RestoreStatesReg(TRegIniFile* IniFile) { RestoreStatesFrom(IniFile, GetDefaultSection(this)); }

void TExCheckListBox::IniSave() {
  if (Owner() && iniLink_->IniObject())
    SaveStatesTo(iniLink_->IniObject(), iniLink_->RootSection() + GetDefaultSection(this));
}

void TExCheckListBox::IniLoad() {
  if (Owner() && iniLink_->IniObject())
    RestoreStatesFrom(iniLink_->IniObject(), iniLink_->RootSection() + GetDefaultSection(this));
}

// ---- drawing

int TExCheckListBox::CheckWidth() const { return kCell + 2; }

int TExCheckListBox::GetItemWidth(int Index) { return TExCustomListBox::GetItemWidth(Index) + CheckWidth(); }

void TExCheckListBox::DrawCheck(const RECT& R, TCheckBoxState AState, bool AEnabled) {
  int row = checkKind_ == ckCheckBoxes ? 0 : checkKind_ == ckRadioButtons ? 1 : 2;
  int n = row * 6 + static_cast<int>(AState) + (AEnabled ? 0 : 3);
  TBitmap cell;
  cell.SetSize(kCell, kCell);
  TBitmap* image = CheckImages().image.get();
  BitBlt(cell.Canvas()->Handle(), 0, 0, kCell, kCell, image->Canvas()->Handle(), (n % 6) * kCell, (n / 6) * kCell,
         SRCCOPY);
  cell.SetTransparentMode(tmFixed);
  cell.SetTransparentColor(kTransparent);
  cell.SetTransparent(true);
  int x = R.left + (CheckWidth() - kCell) / 2, y = R.top + (R.bottom - R.top - kCell) / 2;
  Canvas()->Draw(x, y, &cell);
}

void TExCheckListBox::DrawItem(int Index, RECT Rect, TOwnerDrawState State) {
  RECT check = Rect;
  check.right = check.left + CheckWidth();
  Rect.left += CheckWidth();
  if (Index >= 0 && Index < Items()->Count()) {
    TColor background = Canvas()->Brush()->Color();
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(check);
    DrawCheck(check, this->State(Index), ItemEnabled(Index) && Enabled());
    Canvas()->Brush()->SetColor(background);
    if (!ItemEnabled(Index))
      Canvas()->Font()->SetColor(State.Contains(odSelected) ? clInactiveCaptionText : clGrayText);
  }
  if (Style() == lbStandard && OnDrawItem()) {
    // The handler is left out of the default text drawing.
    TDrawItemEvent handler = OnDrawItem();
    SetOnDrawItem(nullptr);
    TExCustomListBox::DrawItem(Index, Rect, State);
    SetOnDrawItem(handler);
    return;
  }
  TExCustomListBox::DrawItem(Index, Rect, State);
}

// ---- keys and mouse

void TExCheckListBox::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_CHAR:
      if (Message.WParam == ' ') {
        ToggleClickCheck(ItemIndex());
        return;
      }
      if (Message.WParam == '+' || Message.WParam == '-') {
        ApplyState(Message.WParam == '+' ? cbChecked : cbUnchecked, true);
        return;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const TControlGuard guard(this);
      TExCustomListBox::WndProc(Message);
      if (guard.Gone()) return;
      POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
      int index = ItemAtPos(p, true);
      if (index >= 0 && p.x - ItemRect(index).left < CheckWidth()) ToggleClickCheck(index);
      return;
    }
    default:
      break;
  }
  TExCustomListBox::WndProc(Message);
}
