#pragma once
// A numeric edit whose button drops down the popup calculator: the number can be
// typed or computed, and accepting the popup writes the result into the edit.

#include "controls/Tcustomnumedit.h"

class TExCustomCalcEdit : public TCustomNumEdit {
 public:
  explicit TExCustomCalcEdit(TComponent* AOwner);

 protected:
  void UpdatePopup() override;
  void AcceptValue(const Variant& Value) override;
};

class TExCalcEdit : public TExCustomCalcEdit {
 public:
  explicit TExCalcEdit(TComponent* AOwner) : TExCustomCalcEdit(AOwner) {}
};
