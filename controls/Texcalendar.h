#pragma once
// A month calendar in a 7 x 7 grid: a header row of short day names and six week
// rows of day numbers, with a chosen first day of the week and weekend days in their
// own colour. TLocCalendar is the form for popups: no border, never focused, today
// framed.

#include "controls/Dateutil.h"
#include "platform/forms/Forms.h"

class TExCalendar : public TCustomGrid {
 public:
  explicit TExCalendar(TComponent* AOwner);

  std::string CellText(int ACol, int ARow);
  int DaysThisMonth() const;
  bool IsWeekend(int ACol, int ARow) const;
  void NextMonth() { ChangeMonth(1); }
  void PrevMonth() { ChangeMonth(-1); }
  void NextYear() { ChangeYear(1); }
  void PrevYear() { ChangeYear(-1); }
  virtual void UpdateCalendar() { CalendarUpdate(false); }

  TDateTime CalendarDate() const { return date_; }
  void SetCalendarDate(TDateTime Value);
  bool CalendarDateStored() const { return !useCurrentDate_; }
  int Year() const;
  int Month() const;
  int Day() const;
  void SetYear(int Value) { ChangeElement(0, Value); }
  void SetMonth(int Value) { ChangeElement(1, Value); }
  void SetDay(int Value) { ChangeElement(2, Value); }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value) { readOnly_ = Value; }
  TDayOfWeekName StartOfWeek() const { return startOfWeek_; }
  void SetStartOfWeek(TDayOfWeekName Value);
  TDaysOfWeek Weekends() const { return weekends_; }
  void SetWeekends(TDaysOfWeek Value);
  TColor WeekendColor() const { return weekendColor_; }
  void SetWeekendColor(TColor Value);
  bool UseCurrentDate() const { return useCurrentDate_; }
  void SetUseCurrentDate(bool Value);
  // The day shown in column 0 of the first week row (may be 0 or less).
  int MonthOffset() const { return monthOffset_; }
  void WndProc(TMessage& Message) override;

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void DrawCell(int ACol, int ARow, RECT Rect, TGridDrawState State) override;
  bool SelectCell(int ACol, int ARow) override;
  void Click() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char& Key) override;
  virtual void Change();
  void CalendarUpdate(bool DayOnly);
  void ChangeMonth(int Delta);
  void ChangeYear(int Delta);

 private:
  void ChangeElement(int Element, int Value);

  TDateTime date_ = 0;
  int monthOffset_ = 0;
  bool readOnly_ = false;
  TDayOfWeekName startOfWeek_ = Mon;
  bool updating_ = false;
  bool useCurrentDate_ = true;
  TDaysOfWeek weekends_ = {Sun};
  TColor weekendColor_ = clRed;
};

class TLocCalendar : public TExCalendar {
 public:
  explicit TLocCalendar(TComponent* AOwner);
  bool CanFocus() const override { return false; }
  void WndProc(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void DrawCell(int ACol, int ARow, RECT Rect, TGridDrawState State) override;
};
