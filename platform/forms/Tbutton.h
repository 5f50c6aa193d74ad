#pragma once
// Buttons: TButton (a push button; Default answers Enter, Cancel answers Escape, and a
// ModalResult closes a modal form with that result), TCheckBox and TRadioButton.
// They draw themselves in the classic look and take the access key of their caption.

#include "platform/forms/Tcustomcontrol.h"

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TButtonControl : public TCustomControl {
 public:
  explicit TButtonControl(TComponent* AOwner);
  void WndProc(TMessage& Message) override;

 protected:
  // The access key of the caption was pressed.
  virtual void AccessKey() { if (CanFocus()) SetFocus(); Click(); }
  bool pressed_ = false;
};

class TButton : public TButtonControl {
 public:
  explicit TButton(TComponent* AOwner);
  bool Default() const { return default_; }
  void SetDefault(bool Value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool Value) { cancel_ = Value; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult Value) { modalResult_ = Value; }
  void Click() override;
  void WndProc(TMessage& Message) override;

 protected:
  void Paint() override;
  bool WantsKey(WORD Key) const override { (void)Key; return false; }

 private:
  // Enter presses this button: it has the focus, or it is the default and no other button has.
  bool IsActive() const;
  bool default_ = false;
  bool cancel_ = false;
  TModalResult modalResult_ = mrNone;
};

class TCheckBox : public TButtonControl {
 public:
  explicit TCheckBox(TComponent* AOwner);
  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const { return state_; }
  // A change of state runs OnClick, as a click does.
  void SetState(TCheckBoxState Value);
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool Value) { allowGrayed_ = Value; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value) { alignment_ = Value; Invalidate(); }
  void Click() override;

 protected:
  void Paint() override;
  virtual void Toggle();
  void AccessKey() override;

 private:
  TCheckBoxState state_ = cbUnchecked;
  bool allowGrayed_ = false;
  TAlignment alignment_ = taRightJustify;
  bool clicking_ = false;
};

class TRadioButton : public TButtonControl {
 public:
  explicit TRadioButton(TComponent* AOwner);
  bool Checked() const { return checked_; }
  // Checking one unchecks the other radio buttons of the same parent; runs OnClick.
  void SetChecked(bool Value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value) { alignment_ = Value; Invalidate(); }
  void Click() override;

 protected:
  void Paint() override;
  void DoEnter() override;
  void AccessKey() override;

 private:
  bool checked_ = false;
  TAlignment alignment_ = taRightJustify;
  bool clicking_ = false;
};
