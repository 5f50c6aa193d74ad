#pragma once
// The calendar that drops down under a date edit: a title with month and year, four
// auto-repeating buttons for the previous and next year and month, and the popup's
// calendar; a click on a day accepts it.

#include "controls/Tcustomcomboedit.h"
#include "controls/Texcalendar.h"

#include <functional>

// The navigation buttons: plain style, repeating while held.
class TExTimerSpeedButton : public TExSpeedButton {
 public:
  explicit TExTimerSpeedButton(TComponent* AOwner);
};

class TPopupCalendar : public TPopupWindow {
 public:
  explicit TPopupCalendar(TCustomComboEdit* AOwner);
  Variant GetValue() override;
  void SetValue(const Variant& Value) override;
  TLocCalendar* Calendar() const { return calendar_; }
  TLabel* TitleLabel() const { return titleLabel_; }
  // Previous year, previous month, next month, next year.
  TExTimerSpeedButton* NavButton(int Index) const { return buttons_[Index]; }
  bool FourDigitYear() const { return fourDigitYear_; }
  void SetFourDigitYear(bool Value) { fourDigitYear_ = Value; }

 protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char& Key) override;

 private:
  void UpdateTitle();
  void CalendarMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);

  TLocCalendar* calendar_ = nullptr;
  TLabel* titleLabel_ = nullptr;
  bool fourDigitYear_ = false;
  TExTimerSpeedButton* buttons_[4] = {};
};

TPopupWindow* CreatePopupCalendar(TCustomComboEdit* AOwner);
// Hands the popup the week settings of its edit; the first up to four non-empty lines
// of Hints become the hints of the navigation buttons.
void SetupPopupCalendar(TPopupWindow* PopupCalendar, TDayOfWeekName StartOfWeek, TDaysOfWeek Weekends,
                        TColor WeekendColor, TStrings* Hints, bool FourDigitYear);
// The font of calendars: the system's message font, regular.
void SetCalendarFont(TFont* Font);
// The navigation pictures: 0 previous year, 1 previous month, 2 next month, 3 next year.
TBitmap* CreateCalendarNavGlyph(int Index);
// The hints of the navigation buttons, in the same order.
std::string CalendarNavHint(int Index);
// The four navigation buttons of a calendar's title, at Lefts on Parent, square of Size;
// each click moves the calendar that Calendar holds at the time of the click.
void CreateCalendarNavButtons(TComponent* Owner, TWinControl* Parent, const int Lefts[4], int Top, int Size,
                              std::function<TExCalendar*()> Calendar, TExTimerSpeedButton* Buttons[4]);
