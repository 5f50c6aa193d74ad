#include "controls/Texcalcedit.h"

#include "controls/Tpopupcalculator.h"
#include "platform/rtl/Rtl.h"

TExCustomCalcEdit::TExCustomCalcEdit(TComponent* AOwner) : TCustomNumEdit(AOwner) {
  popup_ = CreatePopupCalculator(this);
  popup_->OnCloseUp = [this](TObject* Sender, bool Accept) { PopupCloseUp(Sender, Accept); };
  UpdatePopup();
}

void TExCustomCalcEdit::UpdatePopup() {
  if (popup_) SetupPopupCalculator(popup_, 15, BeepOnError());
}

void TExCustomCalcEdit::AcceptValue(const Variant& Value) {
  double number = VarIsNull(Value) || VarIsEmpty(Value) ? 0 : Value.AsDouble();
  std::string text = FloatToStr(number);
  if (text == Text()) return UpdatePopupVisible();
  SetText(text);  // converts and keeps the range
  SetModified(true);
  UpdatePopupVisible();
  DoChange();  // the edit's own change is still the popup's while it closes
}
