#pragma once
// Edits of one number: the value is kept as a number, shown by a display format
// while the edit does not have the focus and as a plain number while it does;
// typed characters are filtered so that the text stays a number with at most the
// allowed decimals, and the value can be kept within a range. TCurrencyEdit is the
// form without a button and with the system's currency format.

#include <string>

#include "controls/Tcustomcomboedit.h"

class TCustomNumEdit : public TCustomComboEdit {
 public:
  explicit TCustomNumEdit(TComponent* AOwner);
  ~TCustomNumEdit() override;

  // Reads the text first; a text that is no number gives MinValue.
  long double Value();
  void SetValue(long double AValue);
  int32_t AsInteger() { return static_cast<int32_t>(Value()); }
  void SetAsInteger(int32_t AValue) { SetValue(AValue); }
  // The Text property: a number text sets the value (EConvertError when it is none).
  void SetText(const std::string& AValue);
  void Clear() { SetText(""); }
  // The edit text of the stored value, all selected.
  void Reset();
  std::string DisplayText() { return GetDisplayText(); }
  // The value of the text; the range check raises ERangeError.
  void UpdateData();
  void CheckRange();
  long double CheckValue(long double NewValue, bool RaiseOnError);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  bool BeepOnError() const { return beepOnError_; }
  void SetBeepOnError(bool Value);
  bool CheckOnExit() const { return checkOnExit_; }
  void SetCheckOnExit(bool Value) { checkOnExit_ = Value; }
  int DecimalPlaces() const { return static_cast<int>(decimalPlaces_); }
  void SetDecimalPlaces(int Value);
  const std::string& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const std::string& Value);
  bool IsFormatStored() { return displayFormat_ != DefaultDisplayFormat(); }
  bool FormatOnEditing() const { return formatOnEditing_; }
  void SetFormatOnEditing(bool Value);
  long double MaxValue() const { return maxValue_; }
  void SetMaxValue(long double Value);
  long double MinValue() const { return minValue_; }
  void SetMinValue(long double Value);
  bool ZeroEmpty() const { return zeroEmpty_; }
  void SetZeroEmpty(bool Value);
  void WndProc(TMessage& Message) override;

 protected:
  virtual void DataChanged();
  virtual std::string DefaultDisplayFormat() { return ",0.##"; }
  virtual bool IsValidChar(char Key);
  virtual std::string GetDisplayText() { return FormatDisplayText(Value()); }
  // Hands the popup the settings it shares with the edit (the calculator's).
  virtual void UpdatePopup() {}
  virtual void ReformatEditText();
  TBitmap* GetDefaultBitmap(bool& DestroyNeeded) override;
  std::string FormatDisplayText(long double AValue);
  void KeyPress(char& Key) override;
  void Change() override;
  void DoEnter() override;
  void DoExit() override;
  void Paint() override;
  void EnabledChanged() override;
  void FontChanged() override;
  void SetFocused(bool Value);

 private:
  void SetEditText(const std::string& AValue);

  TAlignment alignment_ = taRightJustify;
  bool numFocused_ = false;
  long double value_ = 0;
  long double minValue_ = 0;
  long double maxValue_ = 0;
  unsigned decimalPlaces_ = 2;
  bool beepOnError_ = true;
  bool checkOnExit_ = false;
  bool zeroEmpty_ = true;
  bool formatOnEditing_ = false;
  bool formatting_ = false;
  std::string displayFormat_;
};

class TCurrencyEdit : public TCustomNumEdit {
 public:
  explicit TCurrencyEdit(TComponent* AOwner);

 protected:
  std::string DefaultDisplayFormat() override;
};

// The text with the locale's separators made plain for conversion: no thousand
// separators, "." and "," as the decimal separator, "" as "0" and "-" as "-0".
std::string TextToValText(const std::string& AValue);
// Whether the text is a number (signs, digits, exponent, decimal separator only).
bool IsValidFloat(const std::string& Value, long double& RetValue);
// The integer digits of a number text regrouped by thousands when asked.
std::string FormatFloatStr(const std::string& S, bool Thousands);
