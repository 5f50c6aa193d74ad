#pragma once
// A masked edit for one date, with a button that drops down the popup calendar or
// opens the date dialog. The mask and the date format follow the locale's short date
// format; DateFormatChanged re-masks every date edit after the locale changed.

#include <functional>
#include <memory>
#include <string>

#include "controls/Dateutil.h"
#include "controls/Tcustomcomboedit.h"

enum TCalendarStyle { csPopup, csDialog };
enum TYearDigits { dyDefault, dyFour, dyTwo };
using TExecDateDialog = std::function<void(TObject* Sender, TDateTime& ADate, bool& Action)>;

class TCustomDateEdit : public TCustomComboEdit {
 public:
  explicit TCustomDateEdit(TComponent* AOwner);
  ~TCustomDateEdit() override;

  TDateTime Date();
  void SetDate(TDateTime Value);
  virtual void ApplyDate(TDateTime Value);
  virtual void UpdateFormat();
  void UpdateMask();
  // Raises EConvertError when the text holds more than blanks and is no date.
  void CheckValidDate();
  bool FourDigitYear() const;
  const std::string& DateFormat() const { return dateFormat_; }
  std::string GetDateMask() const;

  char BlanksChar() const { return blanksChar_; }
  void SetBlanksChar(char Value);
  TStrings* CalendarHints() const { return calendarHints_.get(); }
  void SetCalendarHints(TStrings* Value) { calendarHints_->Assign(Value); }
  bool CheckOnExit() const { return checkOnExit_; }
  void SetCheckOnExit(bool Value) { checkOnExit_ = Value; }
  bool DefaultToday() const { return defaultToday_; }
  void SetDefaultToday(bool Value) { defaultToday_ = Value; }
  const std::string& DialogTitle() const { return title_; }
  void SetDialogTitle(const std::string& Value) { title_ = Value; }
  bool DialogTitleStored() const;
  TCalendarStyle CalendarStyle() const { return popup_ ? csPopup : csDialog; }
  void SetCalendarStyle(TCalendarStyle Value);
  TColor PopupColor() const;
  void SetPopupColor(TColor Value);
  TDayOfWeekName StartOfWeek() const { return startOfWeek_; }
  void SetStartOfWeek(TDayOfWeekName Value);
  TDaysOfWeek Weekends() const { return weekends_; }
  void SetWeekends(TDaysOfWeek Value);
  TColor WeekendColor() const { return weekendColor_; }
  void SetWeekendColor(TColor Value);
  TYearDigits YearDigits() const { return yearDigits_; }
  void SetYearDigits(TYearDigits Value);

  TExecDateDialog OnAcceptDate;

 protected:
  virtual void UpdatePopup();
  TBitmap* GetDefaultBitmap(bool& DestroyNeeded) override;
  void SetPopupValue(const Variant& Value) override;
  bool AcceptPopup(Variant& Value) override;
  void AcceptValue(const Variant& Value) override;
  void ButtonClick() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char& Key) override;
  void DoExit() override;

 private:
  void CreatePopup();
  void HintsChanged();

  std::string title_;
  bool defaultToday_ = false;
  TColor popupColor_ = clBtnFace;
  bool checkOnExit_ = false;
  char blanksChar_ = ' ';
  std::unique_ptr<TStringList> calendarHints_;
  TDayOfWeekName startOfWeek_ = Mon;
  TDaysOfWeek weekends_ = {Sun};
  TColor weekendColor_ = clRed;
  TYearDigits yearDigits_ = dyDefault;
  std::string dateFormat_;
  bool formatting_ = false;
};

class TDateEdit : public TCustomDateEdit {
 public:
  explicit TDateEdit(TComponent* AOwner);
};

// Re-masks every date edit on the screen's forms (after the locale's date format changed).
void DateFormatChanged();
// The calendar glyph of date edits.
TBitmap* CreateDateEditGlyph();
