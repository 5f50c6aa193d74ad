#pragma once
// The modal date dialog: a month title with navigation buttons, the month calendar,
// OK and Cancel; and the routines that open it for a date or a date text.

#include <string>

#include "controls/Tpopupcalendar.h"
#include "platform/forms/Forms.h"

class TSelectDateDlg : public TForm {
 public:
  explicit TSelectDateDlg(TComponent* AOwner);
  TDateTime Date() const { return calendar_->CalendarDate(); }
  void SetDate(TDateTime Value);
  TExCalendar* Calendar() const { return calendar_; }
  TLabel* TitleLabel() const { return titleLabel_; }
  TExTimerSpeedButton* NavButton(int Index) const { return buttons_[Index]; }
  // The first up to four non-empty lines become the navigation buttons' hints.
  void SetHints(TStrings* Hints);

 protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;

 private:
  void UpdateTitle();
  TPanel* topPanel_;
  TLabel* titleLabel_;
  TExCalendar* calendar_;
  TExTimerSpeedButton* buttons_[4] = {};
};

TSelectDateDlg* CreateDateDialog(TComponent* AOwner, const std::string& Caption);
bool SelectDate(TDateTime& ADate, const std::string& DlgCaption, TDayOfWeekName AStartOfWeek,
                TDaysOfWeek AWeekends, TColor AWeekendColor, TStrings* BtnHints);
bool SelectDateStr(std::string& S, const std::string& DlgCaption, TDayOfWeekName AStartOfWeek,
                   TDaysOfWeek AWeekends, TColor AWeekendColor, TStrings* BtnHints);
// Opens the dialog under (or above) an edit, right edges aligned.
bool PopupDate(TDateTime& ADate, TWinControl* Edit);
