#include "controls/Tselectdatedlg.h"

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

  topPanel_ = new TPanel(this);
  topPanel_->SetAlign(alTop);
  topPanel_->SetHeight(22);
  topPanel_->SetBevelOuter(bvNone);
  topPanel_->SetParent(this);
  topPanel_->OnDblClick = [this](TObject*) { SetDate(::Date()); };
  int w = ClientWidth();
  const int lefts[4] = {3, 20, w - 36, w - 19};
  CreateCalendarNavButtons(this, topPanel_, lefts, 3, 16, [this] { return calendar_; }, buttons_);
  titleLabel_ = new TLabel(this);
  titleLabel_->SetAutoSize(false);
  titleLabel_->SetAlignment(taCenter);
  titleLabel_->SetBounds(38, 4, w - 76, 14);
  titleLabel_->SetParent(topPanel_);
  titleLabel_->OnDblClick = topPanel_->OnDblClick;

  auto* bottom = new TPanel(this);
  bottom->SetAlign(alBottom);
  bottom->SetHeight(30);
  bottom->SetBevelOuter(bvNone);
  bottom->SetParent(this);
  auto* ok = new TButton(this);
  ok->SetName("OkBtn");
  ok->SetCaption("OK");
  ok->SetBounds(w - 156, 3, 74, 24);
  ok->SetModalResult(mrOk);
  ok->SetDefault(true);
  ok->SetParent(bottom);
  auto* cancel = new TButton(this);
  cancel->SetName("CancelBtn");
  cancel->SetCaption("Cancel");
  cancel->SetBounds(w - 78, 3, 74, 24);
  cancel->SetModalResult(mrCancel);
  cancel->SetCancel(true);
  cancel->SetParent(bottom);

  calendar_ = new TExCalendar(this);
  calendar_->SetAlign(alClient);
  calendar_->SetParentFont(true);
  calendar_->SetParent(this);
  calendar_->OnChange = [this](TObject*) { UpdateTitle(); };
  calendar_->OnDblClick = [this](TObject*) { SetModalResult(mrOk); };
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
