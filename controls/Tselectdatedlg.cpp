#include "controls/Tselectdatedlg.h"

#include "controls/Newcontrol.h"
#include "platform/gui/Gui.h"
#include "platform/rtl/Rtl.h"

namespace {
constexpr const char* kDateDialogCaption = "Выбор даты";
}

TSelectDateDlg::TSelectDateDlg(TComponent* AOwner) : TForm(AOwner) {
  SetBorderStyle(bsDialog);
  SetCaption(kDateDialogCaption);
  SetClientWidth(222);
  SetClientHeight(154);
  SetCalendarFont(Font());
  SetKeyPreview(true);

  const auto bare = [](TPanel& panel) { panel.SetBevelOuter(bvNone); };
  const auto showsToday = [this](TControl& control) { control.OnDblClick = [this](TObject*) { SetDate(::Date()); }; };
  const auto top = [&](TPanel& panel) {
    bare(panel);
    showsToday(panel);
  };
  const auto title = [&](TLabel& label) {
    label.SetAutoSize(false);
    label.SetAlignment(taCenter);
    showsToday(label);
  };
  const auto calendar = [this](TExCalendar& grid) {
    grid.SetParentFont(true);
    grid.OnChange = [this](TObject*) { UpdateTitle(); };
    grid.OnDblClick = [this](TObject*) { SetModalResult(mrOk); };
  };
  const int w = ClientWidth();
  TPanel* bottom = nullptr;
  // clang-format off
  BuildControls(*this, {
      {Into(topPanel_, top), "", "", {Keep, Keep, Keep, 22}, alTop},
  });
  // The year and month buttons stand before the title on the top panel.
  const int lefts[4] = {3, 20, w - 36, w - 19};
  CreateCalendarNavButtons(this, topPanel_, lefts, 3, 16, [this] { return calendar_; }, buttons_);
  BuildControls(*this, {
      {Into(titleLabel_, title), "", topPanel_, {38, 4, w - 76, 14}},
      {Into(bottom, bare), "", "", {Keep, Keep, Keep, 30}, alBottom},
      {New<TButton>(PressedByEnter(mrOk)), "OkBtn", bottom, {w - 156, 3, 74, 24}, alNone, "OK"},
      {New<TButton>(PressedByEscape(mrCancel)), "CancelBtn", bottom, {w - 78, 3, 74, 24}, alNone, "Cancel"},
      {Into(calendar_, calendar), "", "", {}, alClient},
  });
  // clang-format on
  UpdateTitle();
}

void TSelectDateDlg::SetDate(TDateTime Value) {
  calendar_->SetCalendarDate(CutTime(Value == NullDate ? ::Date() : Value));
  UpdateTitle();
}

void TSelectDateDlg::UpdateTitle() { titleLabel_->SetCaption(FormatDateTime("MMMM, YYYY", calendar_->CalendarDate())); }

void TSelectDateDlg::SetHints(TStrings* Hints) {
  if (!Hints) return;
  int next = 0;
  for (int i = 0; i < Hints->Count() && next < 4; ++i)
    if (!Hints->Strings(i).empty()) buttons_[next++]->SetHint(Hints->Strings(i));
}

void TSelectDateDlg::KeyDown(WORD& Key, TShiftState Shift) {
  bool ctrl = Shift.Contains(ssCtrl);
  switch (Key) {
    case VK_RETURN: SetModalResult(mrOk); break;
    case VK_ESCAPE: SetModalResult(mrCancel); break;
    case VK_TAB: Shift.Contains(ssShift) ? calendar_->PrevMonth() : calendar_->NextMonth(); break;
    case VK_NEXT: ctrl ? calendar_->NextYear() : calendar_->NextMonth(); break;
    case VK_PRIOR: ctrl ? calendar_->PrevYear() : calendar_->PrevMonth(); break;
    default: return TForm::KeyDown(Key, Shift);
  }
  calendar_->Invalidate();
  Key = 0;
}

TSelectDateDlg* CreateDateDialog(TComponent* AOwner, const std::string& Caption) {
  auto* dlg = new TSelectDateDlg(AOwner);
  if (!Caption.empty()) dlg->SetCaption(Caption);
  dlg->SetLeft(Screen->Width() / 2 - dlg->Width() / 2);
  dlg->SetTop(Screen->Height() / 2 - dlg->Height() / 2);
  return dlg;
}

bool SelectDate(TDateTime& ADate, const std::string& DlgCaption, TDayOfWeekName AStartOfWeek,
                TDaysOfWeek AWeekends, TColor AWeekendColor, TStrings* BtnHints) {
  std::unique_ptr<TSelectDateDlg> dlg(CreateDateDialog(nullptr, DlgCaption));
  dlg->SetDate(ADate);
  dlg->Calendar()->SetStartOfWeek(AStartOfWeek);
  dlg->Calendar()->SetWeekends(AWeekends);
  dlg->Calendar()->SetWeekendColor(AWeekendColor);
  dlg->SetHints(BtnHints);
  if (dlg->ShowModal() != mrOk) return false;
  ADate = dlg->Date();
  return true;
}

bool SelectDateStr(std::string& S, const std::string& DlgCaption, TDayOfWeekName AStartOfWeek,
                   TDaysOfWeek AWeekends, TColor AWeekendColor, TStrings* BtnHints) {
  TDateTime date = StrToDateFmtDef(ShortDateFormat, S, ::Date());
  if (!SelectDate(date, DlgCaption, AStartOfWeek, AWeekends, AWeekendColor, BtnHints)) return false;
  S = FormatDateTime(ShortDateFormat, date);
  return true;
}

bool PopupDate(TDateTime& ADate, TWinControl* Edit) {
  std::unique_ptr<TSelectDateDlg> dlg(CreateDateDialog(nullptr, std::string()));
  dlg->SetBorderIcons({});
  dlg->HandleNeeded();
  POINT p = Edit->ClientOrigin();
  int top = p.y + Edit->Height() - 1;
  if (top + dlg->Height() > Screen->Height()) {
    top = p.y - dlg->Height() + 1;
    if (top < 0) top = p.y + Edit->Height() - 1;
  }
  int left = p.x + Edit->Width() - dlg->Width();
  if (left < 0) left = p.x;
  dlg->SetLeft(left);
  dlg->SetTop(top);
  dlg->SetDate(ADate);
  if (dlg->ShowModal() != mrOk) return false;
  ADate = dlg->Date();
  return true;
}
