#include "controls/Tcustomdateedit.h"

#include <algorithm>

#include "controls/Tpopupcalendar.h"
#include "controls/Tselectdatedlg.h"
#include "platform/gui/Gui.h"
#include "platform/rtl/Rtl.h"

namespace {

constexpr const char* kDateDialogTitle = "Выбор даты";

void ReMaskDateEdits(TWinControl* Parent) {
  for (int i = 0; i < Parent->ControlCount(); ++i) {
    if (auto* edit = dynamic_cast<TCustomDateEdit*>(Parent->Controls(i))) edit->UpdateMask();
    if (auto* win = dynamic_cast<TWinControl*>(Parent->Controls(i))) ReMaskDateEdits(win);
  }
}

}  // namespace

TBitmap* CreateDateEditGlyph() {
  // A small calendar leaf, and the same in grey, side by side.
  auto* b = new TBitmap;
  b->SetSize(22, 10);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clFuchsia);
  c->FillRect(RECT{0, 0, 22, 10});
  for (int image = 0; image < 2; ++image) {
    int x0 = image * 11;
    TColor ink = image == 0 ? clBlack : clGray;
    c->Brush()->SetColor(ink);
    c->FrameRect(RECT{x0 + 1, 0, x0 + 10, 10});
    c->FillRect(RECT{x0 + 1, 0, x0 + 10, 3});
    for (int y : {4, 6, 8})
      for (int x : {3, 5, 7}) c->SetPixels(x0 + x, y, ink);
  }
  b->SetTransparentColor(clFuchsia);
  return b;
}

void DateFormatChanged() {
  for (int i = 0; i < Screen->FormCount(); ++i) ReMaskDateEdits(Screen->Forms(i));
}

TCustomDateEdit::TCustomDateEdit(TComponent* AOwner)
    : TCustomComboEdit(AOwner), title_(kDateDialogTitle), calendarHints_(std::make_unique<TStringList>()) {
  calendarHints_->OnChange = [this](TObject*) { HintsChanged(); };
  defNumGlyphs_ = 2;
  UpdateFormat();
  CreatePopup();
  SetGlyphKind(gkDefault);
}

TCustomDateEdit::~TCustomDateEdit() {
  if (popup_) {
    popup_->OnCloseUp = nullptr;
    delete popup_;
    popup_ = nullptr;
  }
}

TDateEdit::TDateEdit(TComponent* AOwner) : TCustomDateEdit(AOwner) { UpdateMask(); }

TBitmap* TCustomDateEdit::GetDefaultBitmap(bool& DestroyNeeded) {
  DestroyNeeded = true;
  return CreateDateEditGlyph();
}

void TCustomDateEdit::CreatePopup() {
  popup_ = CreatePopupCalendar(this);
  popup_->OnCloseUp = [this](TObject* Sender, bool Accept) { PopupCloseUp(Sender, Accept); };
  popup_->SetColor(popupColor_);
}

bool TCustomDateEdit::FourDigitYear() const {
  if (yearDigits_ == dyFour) return true;
  if (yearDigits_ == dyTwo) return false;
  return ::FourDigitYear();
}

void TCustomDateEdit::UpdateFormat() { dateFormat_ = DefDateFormat(FourDigitYear()).substr(0, 10); }

std::string TCustomDateEdit::GetDateMask() const { return DefDateMask(blanksChar_, FourDigitYear()); }

void TCustomDateEdit::UpdateMask() {
  TDateTime kept = Date();
  std::string oldFormat = dateFormat_;
  UpdateFormat();
  std::string mask = GetDateMask();
  if (mask != EditMask() || oldFormat != dateFormat_) {
    SetEditMask("");
    SetEditMask(mask);
  }
  UpdatePopup();
  SetDate(kept);
}

TDateTime TCustomDateEdit::Date() {
  TDateTime fallback = defaultToday_ ? ::Date() : NullDate;
  return StrToDateFmtDef(dateFormat_, Text(), fallback);
}

void TCustomDateEdit::SetDate(TDateTime Value) {
  if (!ValidDate(Value) || Value == NullDate) Value = defaultToday_ ? ::Date() : NullDate;
  TDateTime before = Date();
  formatting_ = true;
  SetText(Value == NullDate ? std::string() : FormatDateTime(dateFormat_, Value));
  formatting_ = false;
  if (Date() != before) SetModified(true);
}

void TCustomDateEdit::ApplyDate(TDateTime Value) {
  SetDate(Value);
  SelectAll();
}

void TCustomDateEdit::CheckValidDate() {
  std::string text = Text();
  bool blank = std::all_of(text.begin(), text.end(),
                           [this](char c) { return c == ' ' || c == DateSeparator || c == blanksChar_; });
  if (blank) return;
  formatting_ = true;
  try {
    SetDate(StrToDateFmt(dateFormat_, text));
  } catch (const EConvertError&) {
    formatting_ = false;
    if (CanFocus()) SetFocus();
    throw;
  }
  formatting_ = false;
}

void TCustomDateEdit::DoExit() {
  if (checkOnExit_ && !ComponentState().Contains(csDesigning)) CheckValidDate();
  TCustomComboEdit::DoExit();
}

void TCustomDateEdit::SetBlanksChar(char Value) {
  if (static_cast<unsigned char>(Value) < 32) Value = ' ';
  if (Value == blanksChar_) return;
  blanksChar_ = Value;
  UpdateMask();
}

void TCustomDateEdit::SetYearDigits(TYearDigits Value) {
  if (Value == yearDigits_) return;
  yearDigits_ = Value;
  UpdateMask();
}

bool TCustomDateEdit::DialogTitleStored() const { return title_ != kDateDialogTitle; }

void TCustomDateEdit::SetCalendarStyle(TCalendarStyle Value) {
  if (Value == CalendarStyle()) return;
  if (Value == csPopup) {
    CreatePopup();
    UpdatePopup();
  } else {
    popup_->OnCloseUp = nullptr;
    delete popup_;
    popup_ = nullptr;
  }
}

TColor TCustomDateEdit::PopupColor() const { return popup_ ? popup_->Color() : popupColor_; }

void TCustomDateEdit::SetPopupColor(TColor Value) {
  if (popup_) popup_->SetColor(Value);
  popupColor_ = Value;
}

void TCustomDateEdit::SetStartOfWeek(TDayOfWeekName Value) {
  if (Value == startOfWeek_) return;
  startOfWeek_ = Value;
  UpdatePopup();
}

void TCustomDateEdit::SetWeekends(TDaysOfWeek Value) {
  if (Value == weekends_) return;
  weekends_ = Value;
  UpdatePopup();
}

void TCustomDateEdit::SetWeekendColor(TColor Value) {
  if (Value == weekendColor_) return;
  weekendColor_ = Value;
  UpdatePopup();
}

void TCustomDateEdit::HintsChanged() {
  if (calendarHints_->Count() > 4) {
    // Trimming changes the list again: that change does the rest.
    calendarHints_->Delete(calendarHints_->Count() - 1);
    return;
  }
  if (!ComponentState().Contains(csDesigning)) UpdatePopup();
}

void TCustomDateEdit::UpdatePopup() {
  if (popup_) SetupPopupCalendar(popup_, startOfWeek_, weekends_, weekendColor_, calendarHints_.get(), FourDigitYear());
}

void TCustomDateEdit::SetPopupValue(const Variant& Value) {
  std::string text = VarIsNull(Value) || VarIsEmpty(Value) ? std::string() : Value.ToText();
  TCustomComboEdit::SetPopupValue(Variant(static_cast<double>(StrToDateFmtDef(dateFormat_, text, ::Date()))));
}

bool TCustomDateEdit::AcceptPopup(Variant& Value) {
  if (!OnAcceptDate) return true;
  TDateTime date = NullDate;
  if (!VarIsNull(Value) && !VarIsEmpty(Value)) {
    try {
      date = Value.AsDouble();
    } catch (const Exception&) {
      date = NullDate;
    }
  }
  bool accept = true;
  OnAcceptDate(this, date, accept);
  if (accept) Value = Variant(static_cast<double>(date));
  return accept;
}

void TCustomDateEdit::AcceptValue(const Variant& Value) {
  TDateTime date = NullDate;
  try {
    date = Value.AsDouble();
  } catch (const Exception&) {
    date = NullDate;
  }
  SetDate(date);
  UpdatePopupVisible();
  if (Modified()) DoChange();
}

void TCustomDateEdit::ButtonClick() {
  TCustomComboEdit::ButtonClick();
  if (CalendarStyle() != csDialog) return;
  TDateTime d = Date();
  bool confirmed = SelectDate(d, title_, startOfWeek_, weekends_, weekendColor_, calendarHints_.get());
  if (CanFocus()) SetFocus();
  if (!confirmed) return;
  bool accept = true;
  if (OnAcceptDate) OnAcceptDate(this, d, accept);
  if (!accept) return;
  SetDate(d);
  if (Focused()) SelectAll();
}

void TCustomDateEdit::KeyDown(WORD& Key, TShiftState Shift) {
  bool popupKey = Key == VK_PRIOR || Key == VK_NEXT || Key == VK_LEFT || Key == VK_RIGHT || Key == VK_UP ||
                  Key == VK_DOWN || Key == VK_ADD || Key == VK_SUBTRACT;
  if (popupKey && PopupVisible()) {
    popup_->Perform(WM_KEYDOWN, Key, 0);
    Key = 0;
    return;
  }
  if (Shift.Empty() && DirectInput() && (Key == VK_ADD || Key == VK_SUBTRACT)) {
    TDateTime date = Date();
    if (date == NullDate) date = CutTime(Now());
    ApplyDate(date + (Key == VK_ADD ? 1 : -1));
    Key = 0;
    return;
  }
  TCustomComboEdit::KeyDown(Key, Shift);
}

void TCustomDateEdit::KeyPress(char& Key) {
  bool special = Key == '+' || Key == '-' || Key == 'T' || Key == 't';
  if (special && PopupVisible()) {
    popup_->Perform(WM_CHAR, static_cast<unsigned char>(Key), 0);
    Key = 0;
    return;
  }
  if (special && DirectInput()) {
    if (Key == 'T' || Key == 't') ApplyDate(CutTime(Now()));
    Key = 0;
    return;
  }
  TCustomComboEdit::KeyPress(Key);
}
