#include "controls/Tpopupcalculator.h"

#include <algorithm>

#include "controls/Newcontrol.h"
#include "platform/rtl/Rtl.h"

TLocCalculator::TLocCalculator(TComponent* AOwner) : TCalculatorPanel(AOwner, clPopup) {
  SetControlStyle({csCaptureMouse, csClickEvents, csDoubleClicks, csReplicatable});
  SetTabStop(false);
}

void TLocCalculator::CreateParams(TCreateParams& Params) {
  TCalculatorPanel::CreateParams(Params);
  Params.Style &= ~(WS_TABSTOP | WS_DISABLED);
}

TPopupCalculator::TPopupCalculator(TCustomComboEdit* AOwner) : TPopupWindow(AOwner) {
  SetBounds(Left(), Top(), 104, 127);
  SetColor(clBtnFace);
  SetCalculatorFont(Font(), clPopup);
  if (ComponentState().Contains(csDesigning)) return;
  const auto keys = [this](TLocCalculator& panel) {
    panel.SetBevelOuter(bvRaised);
    panel.SetPrecision(15);
    panel.SetVisible(true);
    panel.OnTextChange = [this](TObject*) { InvalidateEditor(); };
    panel.OnResult = [this](TObject*) {
      if (calcPanel_->Status() != csError) CloseUp(true);
    };
  };
  BuildControls(*this, {{Into(calcPanel_, keys), "", "", {}, alClient}});
}

Variant TPopupCalculator::GetValue() {
  if (!calcPanel_ || ComponentState().Contains(csDesigning)) return Variant(0.0);
  if (calcPanel_->Status() == csError) {
    if (calcPanel_->BeepOnError()) MessageBeep(0);
    return Variant(0.0);
  }
  try {
    calcPanel_->SetDisplay(calcPanel_->GetDisplay());
    return Variant(calcPanel_->GetDisplay());
  } catch (const EConvertError&) {
    return Variant(0.0);
  }
}

void TPopupCalculator::SetValue(const Variant& Value) {
  if (!calcPanel_ || ComponentState().Contains(csDesigning)) return;
  double number = 0;
  if (!VarIsNull(Value) && !VarIsEmpty(Value)) {
    if (Value.VarType() == varString) {
      if (!TryStrToFloat(Trim(Value.ToText()), number)) number = 0;
    } else {
      try {
        number = Value.AsDouble();
      } catch (const Exception&) {
        number = 0;
      }
    }
  }
  calcPanel_->SetDisplay(number);
  calcPanel_->SetStatus(csFirst);
  calcPanel_->SetOperator('=');
}

std::string TPopupCalculator::GetPopupText() { return calcPanel_ ? calcPanel_->Text() : std::string(); }

void TPopupCalculator::KeyPress(char& Key) {
  if (calcPanel_) calcPanel_->CalcKeyPress(this, Key);
  TPopupWindow::KeyPress(Key);
}

TPopupWindow* CreatePopupCalculator(TCustomComboEdit* AOwner) {
  auto* popup = new TPopupCalculator(AOwner);
  if (popup->CalcPanel()) {
    popup->CalcPanel()->SetParentFont(true);
    SetCalculatorFont(popup->CalcPanel()->Font(), clPopup);
  }
  return popup;
}

void SetupPopupCalculator(TPopupWindow* Popup, int APrecision, bool ABeepOnError) {
  auto* popup = dynamic_cast<TPopupCalculator*>(Popup);
  if (!popup || !popup->CalcPanel()) return;
  popup->CalcPanel()->SetPrecision(std::max(2, APrecision));
  popup->CalcPanel()->SetBeepOnError(ABeepOnError);
}
