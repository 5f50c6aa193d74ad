#pragma once
// The calculator as a modal dialog: TExCalculatorForm holds the dialog layout of the
// calculator panel under a display, and TExCalculator is the component that shows it
// with a starting value and takes the result and the memory back on OK.

#include <string>

#include "controls/Tcalculatorpanel.h"
#include "platform/forms/Forms.h"

class TExCalculator;

class TExCalculatorForm : public TForm {
 public:
  explicit TExCalculatorForm(TComponent* AOwner);
  TCalculatorPanel* CalcPanel() const { return calcPanel_; }
  TLabel* DisplayLabel() const { return displayLabel_; }
  TPopupMenu* Menu() const { return menu_; }
  void SetCtl3D(bool Value);

 protected:
  void KeyPress(char& Key) override;

 private:
  TPanel* mainPanel_;
  TPanel* displayPanel_;
  TLabel* displayLabel_;
  TCalculatorPanel* calcPanel_;
  TPopupMenu* menu_;
};

class TExCalculator : public TComponent {
 public:
  explicit TExCalculator(TComponent* AOwner);
  bool Execute();
  // The dialog's number while it is shown, else Value.
  double GetDisplay();

  double Value() const { return value_; }
  void SetValue(double Value) { value_ = Value; }
  double Memory() const { return memory_; }
  void SetMemory(double Value) { memory_ = Value; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& Value) { title_ = Value; }
  bool TitleStored() const { return title_ != "Calculator"; }
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool Value) { ctl3D_ = Value; }
  int Precision() const { return precision_; }
  void SetPrecision(int Value) { precision_ = Value; }
  bool BeepOnError() const { return beepOnError_; }
  void SetBeepOnError(bool Value) { beepOnError_ = Value; }
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int Value) { helpContext_ = Value; }
  TExCalculatorForm* Dialog() const { return dialog_; }

  TNotifyEvent OnChange, OnDisplayChange;
  TKeyPressEvent OnCalcKey;

 protected:
  virtual void CalcKey(char& Key);
  virtual void DisplayChange();
  virtual void Change();

 private:
  friend class TExCalculatorForm;
  double value_ = 0;
  double memory_ = 0;
  std::string title_ = "Calculator";
  bool ctl3D_ = true;
  int precision_ = 15;
  bool beepOnError_ = true;
  int helpContext_ = 0;
  TExCalculatorForm* dialog_ = nullptr;
};

TExCalculatorForm* CreateCalculatorForm(TComponent* AOwner, int AHelpContext);
