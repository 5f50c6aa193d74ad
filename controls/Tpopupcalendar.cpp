#include "controls/Tpopupcalendar.h"

#include "controls/Newcontrol.h"
#include "platform/gui/Gui.h"
#include "platform/rtl/Rtl.h"

TExTimerSpeedButton::TExTimerSpeedButton(TComponent* AOwner) : TExSpeedButton(AOwner) {
  SetStyle(bsWin31);
  SetAllowTimer(true);
  auto style = ControlStyle();
  style.Include(csReplicatable);
  SetControlStyle(style);
}

void SetCalendarFont(TFont* Font) {
  TFont system;  // the platform's message font
  Font->Assign(&system);
  Font->SetColor(clWindowText);
  Font->SetStyle({});
}

TBitmap* CreateCalendarNavGlyph(int Index) {
  auto* bmp = new TBitmap();
  bmp->SetWidth(Index == 0 || Index == 3 ? 8 : 4);
  bmp->SetHeight(7);
  TCanvas* c = bmp->Canvas();
  c->Brush()->SetColor(clOlive);  // transparent
  c->FillRect(RECT{0, 0, bmp->Width(), 7});
  c->Brush()->SetColor(clBlack);
  bool left = Index < 2;
  for (int arrow = 0; arrow < (Index == 0 || Index == 3 ? 2 : 1); ++arrow)
    for (int i = 0; i < 4; ++i) {
      int x = arrow * 4 + (left ? i : 3 - i);
      c->FillRect(RECT{x, 3 - i, x + 1, 4 + i});
    }
  return bmp;
}

std::string CalendarNavHint(int Index) {
  static const char* const kHints[] = {"Предыдущий год|", "Предыдущий месяц|", "Следующий месяц|",
                                       "Следующий год|"};
  return kHints[Index];
}

TPopupCalendar::TPopupCalendar(TCustomComboEdit* AOwner) : TPopupWindow(AOwner) {
  SetBounds(Left(), Top(), std::max(187, 180), std::max(124, 120));
  SetColor(clBtnFace);
  SetCalendarFont(Font());
  if (ComponentState().Contains(csDesigning)) return;
  int w = ClientWidth();
  const int lefts[4] = {-1, 12, w - 26, w - 13};
  // The client area starts inside the border.
  const int shifted[4] = {lefts[0] + 1, lefts[1] + 1, lefts[2] + 1, lefts[3] + 1};
  CreateCalendarNavButtons(this, this, shifted, 0, 14, [this] { return calendar_; }, buttons_);
  const auto title = [this](TLabel& label) {
    label.SetAutoSize(false);
    label.SetAlignment(taCenter);
    label.OnDblClick = [this](TObject*) { calendar_->SetCalendarDate(Date()); };
  };
  const auto calendar = [this](TLocCalendar& grid) {
    grid.OnChange = [this](TObject*) { UpdateTitle(); };
    grid.OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
      CalendarMouseUp(Button, Shift, X, Y);
    };
  };
  // clang-format off
  BuildControls(*this, {
      {Into(titleLabel_, title), "", "", {29, 1, w - 58, 14}},
      {Into(calendar_, calendar), "", "", {0, 15, w, ClientHeight() - 15}},
  });
  // clang-format on
  UpdateTitle();
}

void TPopupCalendar::UpdateTitle() {
  if (titleLabel_ && calendar_) titleLabel_->SetCaption(FormatDateTime("MMMM, YYYY", calendar_->CalendarDate()));
}

void TPopupCalendar::CalendarMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button != mbLeft || !Shift.Empty()) return;
  int col = 0, row = 0;
  calendar_->MouseToCell(X, Y, col, row);
  if (row > 0 && !calendar_->CellText(col, row).empty()) CloseUp(true);
}

Variant TPopupCalendar::GetValue() {
  if (!calendar_ || ComponentState().Contains(csDesigning)) return Variant(static_cast<double>(Date()));
  return Variant(static_cast<double>(calendar_->CalendarDate()));
}

void TPopupCalendar::SetValue(const Variant& Value) {
  if (!calendar_ || ComponentState().Contains(csDesigning)) return;
  TDateTime date = Date();
  if (!VarIsNull(Value) && !VarIsEmpty(Value)) {
    std::string text = Value.ToText();
    std::string bare;
    for (char ch : text)
      if (ch != DateSeparator) bare += ch;
    if (!Trim(bare).empty()) {
      if (Value.VarType() == varString) {
        if (!TryStrToDate(Trim(text), date)) date = Date();
      } else {
        try {
          date = Value.AsDouble();
        } catch (const Exception&) {
          date = Date();
        }
      }
    }
  }
  calendar_->SetCalendarDate(CutTime(date));
  UpdateTitle();
}

void TPopupCalendar::KeyDown(WORD& Key, TShiftState Shift) {
  TPopupWindow::KeyDown(Key, Shift);
  if (!calendar_) return;
  bool ctrl = Shift.Contains(ssCtrl);
  if (Key == VK_PRIOR) ctrl ? calendar_->PrevYear() : calendar_->PrevMonth();
  else if (Key == VK_NEXT) ctrl ? calendar_->NextYear() : calendar_->NextMonth();
  else if (Key != 0) calendar_->Perform(WM_KEYDOWN, Key, 0);
  Key = 0;  // the calendar's keys, not the form's (arrows would move the focus)
}

void TPopupCalendar::KeyPress(char& Key) {
  TPopupWindow::KeyPress(Key);
  if (calendar_ && Key != 0) calendar_->Perform(WM_CHAR, static_cast<unsigned char>(Key), 0);
  Key = 0;
}

TPopupWindow* CreatePopupCalendar(TCustomComboEdit* AOwner) {
  auto* popup = new TPopupCalendar(AOwner);
  if (popup->Calendar()) {
    popup->Calendar()->SetParentFont(true);
    SetCalendarFont(popup->Calendar()->Font());
  }
  return popup;
}

void SetupPopupCalendar(TPopupWindow* PopupCalendar, TDayOfWeekName StartOfWeek, TDaysOfWeek Weekends,
                        TColor WeekendColor, TStrings* Hints, bool FourDigitYear) {
  auto* popup = dynamic_cast<TPopupCalendar*>(PopupCalendar);
  if (!popup) return;
  popup->SetFourDigitYear(FourDigitYear);
  if (!popup->Calendar()) return;
  popup->Calendar()->SetStartOfWeek(StartOfWeek);
  popup->Calendar()->SetWeekendColor(WeekendColor);
  popup->Calendar()->SetWeekends(Weekends);
  if (!Hints) return;
  int next = 0;
  for (int i = 0; i < Hints->Count() && next < 4; ++i)
    if (!Hints->Strings(i).empty()) popup->NavButton(next++)->SetHint(Hints->Strings(i));
}

void CreateCalendarNavButtons(TComponent* Owner, TWinControl* Parent, const int Lefts[4], int Top, int Size,
                              std::function<TExCalendar*()> Calendar, TExTimerSpeedButton* Buttons[4]) {
  for (int i = 0; i < 4; ++i) {
    auto* btn = new TExTimerSpeedButton(Owner);
    btn->SetBounds(Lefts[i], Top, Size, Size);
    std::unique_ptr<TBitmap> glyph(CreateCalendarNavGlyph(i));
    btn->SetGlyph(glyph.get());
    btn->SetHint(CalendarNavHint(i));
    btn->SetParent(Parent);
    Buttons[i] = btn;
  }
  Buttons[0]->OnClick = [Calendar](TObject*) { Calendar()->PrevYear(); };
  Buttons[1]->OnClick = [Calendar](TObject*) { Calendar()->PrevMonth(); };
  Buttons[2]->OnClick = [Calendar](TObject*) { Calendar()->NextMonth(); };
  Buttons[3]->OnClick = [Calendar](TObject*) { Calendar()->NextYear(); };
}
