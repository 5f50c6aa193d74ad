#pragma once
// The calculator that drops down under a numeric edit: the compact layout of the
// calculator panel in a popup window. Typed keys reach the panel; "=", "%" and Enter
// close the popup accepting the result unless the calculator shows an error.

#include "controls/Tcalculatorpanel.h"
#include "controls/Tcustomcomboedit.h"

// The popup's panel: it never takes the focus, its buttons still take the mouse.
class TLocCalculator : public TCalculatorPanel {
 public:
  explicit TLocCalculator(TComponent* AOwner);

 protected:
  void CreateParams(TCreateParams& Params) override;
};

class TPopupCalculator : public TPopupWindow {
 public:
  explicit TPopupCalculator(TCustomComboEdit* AOwner);
  Variant GetValue() override;
  void SetValue(const Variant& Value) override;
  std::string GetPopupText() override;
  TLocCalculator* CalcPanel() const { return calcPanel_; }

 protected:
  void KeyPress(char& Key) override;

 private:
  TLocCalculator* calcPanel_ = nullptr;
};

TPopupWindow* CreatePopupCalculator(TCustomComboEdit* AOwner);
void SetupPopupCalculator(TPopupWindow* Popup, int APrecision, bool ABeepOnError);
