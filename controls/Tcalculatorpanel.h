#pragma once
// A four-function pocket calculator with one memory, built from speed buttons on a
// panel. The engine keeps a display text, a pending operator and its left operand,
// and evaluates strictly from left to right; it is driven by its buttons and by
// typed characters. One panel class serves the compact popup layout and the dialog.

#include <string>

#include "controls/Texspeedbutton.h"
#include "platform/forms/Forms.h"

enum TCalcPanelLayout { clDialog, clPopup };
enum TCalcState : uint8_t { csFirst, csValid, csError };

// Kinds of calculator buttons: 1-10 digits, 11 sign, 12 decimal separator, 13-16
// operators, 17 square root, 18 percent, 19 reciprocal, 20 equals, 21 backspace,
// 22 clear, 23-26 memory plus/store/recall/clear, 27 OK, 28 Cancel.
using TCalcBtnKind = int;

class TCalcButton : public TExSpeedButton {
 public:
  TCalcButton(TComponent* AOwner, TCalcBtnKind Kind);
  TCalcBtnKind Kind() const { return kind_; }
  void WndProc(TMessage& Message) override;

 private:
  TCalcBtnKind kind_;
  bool fontChanging_ = false;
};

class TCalculatorPanel : public TPanel {
 public:
  TCalculatorPanel(TComponent* AOwner, TCalcPanelLayout Layout);
  ~TCalculatorPanel() override;

  void CalcKey(char Key);
  // A key a button answers presses that button (so that it flashes), else CalcKey.
  void CalcKeyPress(TObject* Sender, char& Key);
  TCalcButton* FindButton(char Key);
  void Clear();
  void Copy();
  void Paste();
  // 0 in the error state; EConvertError when the text is no number.
  double GetDisplay();
  void SetDisplay(double Value);
  const std::string& Text() const { return text_; }
  void SetText(const std::string& Value);
  TCalcState Status() const { return status_; }
  void SetStatus(TCalcState Value) { status_ = Value; }
  char Operator() const { return operator_; }
  void SetOperator(char Value) { operator_ = Value; }
  double Operand() const { return operand_; }
  double Memory() const { return memory_; }
  void SetMemory(double Value) { memory_ = Value; UpdateMemoryLabel(); }
  int Precision() const { return precision_; }
  void SetPrecision(int Value) { precision_ = static_cast<uint8_t>(Value < 0 ? 0 : Value > 255 ? 255 : Value); }
  bool BeepOnError() const { return beepOnError_; }
  void SetBeepOnError(bool Value) { beepOnError_ = Value; }
  // The control whose caption shows the display text.
  TControl* DisplayControl() const { return control_; }
  void SetDisplayControl(TControl* Value);
  TLabel* MemoryLabel() const { return memoryLabel_; }
  void SetCtl3D(bool Value);

  TNotifyEvent OnError, OnOk, OnCancel, OnResult, OnTextChange, OnDisplayChange;
  TKeyPressEvent OnCalcKey;

 protected:
  void TextChanged() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void CheckFirst();
  void Error();
  void Beep();
  void UpdateMemoryLabel();
  void OperatorKey(char Key);
  void CalcButtonClick(TObject* Sender);

  std::string text_ = "0";
  TCalcState status_ = csFirst;
  char operator_ = 0;
  double operand_ = 0;
  double memory_ = 0;
  uint8_t precision_ = 15;
  bool beepOnError_ = true;
  TPanel* memoryPanel_ = nullptr;
  TLabel* memoryLabel_ = nullptr;
  TControl* control_ = nullptr;
  TBitmap* buttonImages_ = nullptr;
};

// The font of calculators: the system's message font (a plain sans font when there
// is none), bold.
void SetCalculatorFont(TFont* Font, TCalcPanelLayout Layout);
// The picture of a dialog button showing no caption (cells: cancel, OK, sign,
// multiply, minus, plus), six 16 x 16 cells in one row.
TBitmap* CreateCalcButtonsBitmap();
