// The calculator: the engine's results, error states, memory, keys and buttons, the
// popup under a calculator edit and the modal dialog.

#include <gtest/gtest.h>

#include "Screenfixture.h"
#include "controls/Texcalcedit.h"
#include "controls/Texcalculator.h"
#include "controls/Tpopupcalculator.h"
#include "platform/forms/Dialogscript.h"
#include "platform/rtl/Rtl.h"

namespace {

class Calculator : public controlstest::Screen {
 protected:
  void SetUp() override {
    controlstest::Screen::SetUp();
    platform::ResetFormatSettings();
    form = Plain(400, 300);
    panel = new TCalculatorPanel(form, clDialog);
    panel->SetParent(form);
    form->Show();
    person.Pump();
  }
  void TearDown() override {
    platform::ResetFormatSettings();
    controlstest::Screen::TearDown();
  }
  // Keys as typed: every character through the panel's key press.
  std::string Keys(const std::string& keys) {
    for (char c : keys) {
      char k = c;
      panel->CalcKeyPress(panel, k);
    }
    person.Pump();
    return panel->Text();
  }
  TCalcButton* Button(int kind) {
    for (int i = 0; i < panel->ControlCount(); ++i)
      if (auto* b = dynamic_cast<TCalcButton*>(panel->Controls(i)); b && b->Kind() == kind) return b;
    return nullptr;
  }
  TForm* form = nullptr;
  TCalculatorPanel* panel = nullptr;
};

TEST_F(Calculator, LeftToRightArithmeticAndPercent) {
  EXPECT_EQ(panel->Text(), "0");
  EXPECT_EQ(Keys("2+3*4="), "20") << "no precedence: strictly left to right";
  EXPECT_EQ(Keys("C"), "0");
  EXPECT_EQ(Keys("200+10%"), "220") << "10 % of 200 added";
  EXPECT_EQ(Keys("C200*10%"), "20");
  EXPECT_EQ(Keys("C50-10%"), "45");
  EXPECT_EQ(Keys("C7/2="), "3.5");
  EXPECT_EQ(Keys("C0.1+0.2="), "0.3") << "15 significant digits";
  EXPECT_EQ(Keys("C1-3="), "-2");
  EXPECT_EQ(Keys("C9Q"), "3");
  EXPECT_EQ(Keys("C4R"), "0.25");
  EXPECT_EQ(Keys("C5_"), "-5");
  EXPECT_EQ(Keys("_"), "5");
  EXPECT_EQ(Keys("C0_"), "0") << "no negative zero";
  EXPECT_EQ(Keys("C12\b"), "1");
  EXPECT_EQ(Keys("C5_\b"), "0") << "backspace on -5";
  EXPECT_EQ(Keys("C3+4\r"), "7") << "Enter is equals";
  EXPECT_EQ(Keys("5"), "5") << "a result is followed by a new number";
  EXPECT_EQ(Keys("\x1b"), "0") << "Escape clears";
  EXPECT_EQ(Keys("1..5.,"), "1.5") << "one decimal separator";
  EXPECT_EQ(Keys("C.5"), "0.5");
}

TEST_F(Calculator, ErrorsAreStatesNotCrashes) {
  int beeps = platform::BeepCount();
  int errors = 0;
  panel->OnError = [&](TObject*) { ++errors; };
  EXPECT_EQ(Keys("1/0="), "Error");
  EXPECT_EQ(panel->Status(), csError);
  EXPECT_EQ(panel->GetDisplay(), 0);
  EXPECT_EQ(Keys("5+"), "Error") << "keys other than C are ignored";
  EXPECT_EQ(Keys("C"), "0");
  EXPECT_EQ(panel->Status(), csFirst);
  EXPECT_EQ(Keys("4_"), "-4");
  EXPECT_EQ(Keys("Q"), "Error") << "square root of a negative number";
  EXPECT_EQ(errors, 2);
  EXPECT_EQ(Keys("\x1b"), "0");
  EXPECT_EQ(panel->Status(), csFirst);
  EXPECT_EQ(Keys("0"), "0");
  EXPECT_EQ(panel->Status(), csValid);
  EXPECT_EQ(Keys("R"), "Error") << "reciprocal of 0";
  EXPECT_EQ(errors, 3);
  EXPECT_EQ(Keys("C1E3"), "13") << "E is no key";
  panel->SetDisplay(1e300);
  panel->SetStatus(csValid);
  EXPECT_EQ(Keys("*"), "1E300");
  panel->SetStatus(csValid);
  EXPECT_EQ(Keys("="), "Error") << "an overflow is an error";
  EXPECT_EQ(errors, 4);
  EXPECT_EQ(platform::BeepCount() - beeps, 4);
  panel->SetBeepOnError(false);
  Keys("C1/0=");
  EXPECT_EQ(platform::BeepCount() - beeps, 4) << "quiet when asked";
}

TEST_F(Calculator, DigitsLimitedByPrecision) {
  int beeps = platform::BeepCount();
  EXPECT_EQ(Keys("1234567890123456"), "123456789012345");
  EXPECT_EQ(platform::BeepCount() - beeps, 1) << "the 16th digit is refused";
  EXPECT_EQ(Keys("C_"), "0");
  Keys("C5_");
  EXPECT_EQ(Keys("12345678901234"), "-512345678901234") << "the minus sign does not count";
  panel->SetPrecision(1);
  EXPECT_EQ(Keys("C123"), "12") << "at least two digits";
}

TEST_F(Calculator, MemoryButtonsAndLabel) {
  Keys("12");
  Button(24)->Click();  // MS
  EXPECT_EQ(panel->Memory(), 12);
  EXPECT_EQ(panel->MemoryLabel()->Caption(), "M");
  Keys("3");
  EXPECT_EQ(panel->Text(), "3") << "a memory key ends the number";
  Button(23)->Click();  // MP
  EXPECT_EQ(panel->Memory(), 15);
  Keys("C2+");
  Button(25)->Click();  // MR
  EXPECT_EQ(panel->Text(), "15");
  EXPECT_EQ(Keys("="), "17") << "the recalled number is an operand";
  Keys("1/0=");
  Button(24)->Click();
  EXPECT_EQ(panel->Memory(), 15) << "memory keys are dead in the error state";
  Button(26)->Click();  // MC
  EXPECT_EQ(panel->Memory(), 0);
  EXPECT_EQ(panel->MemoryLabel()->Caption(), "");
}

TEST_F(Calculator, ButtonsKeysAndClipboard) {
  ASSERT_NE(Button(1), nullptr);
  EXPECT_EQ(Button(1)->Tag(), 0);
  EXPECT_EQ(Button(20)->Tag(), 19);
  EXPECT_EQ(Button(27)->Tag(), -1);
  EXPECT_EQ(Button(21)->Width(), 44);
  EXPECT_EQ(Button(16)->Left(), 161);
  EXPECT_EQ(Button(16)->Font()->Color(), clPurple);
  EXPECT_EQ(Button(22)->Font()->Color(), clMaroon);
  EXPECT_EQ(panel->FindButton('\r'), Button(20));
  EXPECT_EQ(panel->FindButton(','), Button(12));
  EXPECT_EQ(panel->FindButton('q'), Button(17));
  EXPECT_EQ(panel->FindButton('x'), nullptr);
  form->Font()->SetSize(12);
  person.Pump();
  EXPECT_EQ(Button(16)->Font()->Color(), clPurple) << "a parent font keeps the colours";
  // Clicks on the buttons.
  ClickAt(Button(8), 5, 5);   // 7
  ClickAt(Button(16), 5, 5);  // +
  ClickAt(Button(2), 5, 5);   // 1
  ClickAt(Button(20), 5, 5);  // =
  EXPECT_EQ(panel->Text(), "8");
  int oks = 0;
  panel->OnOk = [&](TObject*) { ++oks; };
  ClickAt(Button(27), 5, 5);
  EXPECT_EQ(oks, 1);
  // A key the engine does not know leaves it alone; the key event may change keys.
  panel->OnCalcKey = [](TObject*, char& Key) {
    if (Key == 'X') Key = '*';
  };
  EXPECT_EQ(Keys("C3x4="), "12");
  panel->OnCalcKey = nullptr;
  Keys("C42");
  char copy = 3;
  panel->CalcKeyPress(panel, copy);
  EXPECT_EQ(Clipboard()->AsText(), "42");
  Clipboard()->SetAsText(" $1,5");
  DecimalSeparator = ',';
  char paste = 22;
  panel->CalcKeyPress(panel, paste);
  EXPECT_EQ(panel->Text(), "1,5") << "currency symbol removed";
  Clipboard()->SetAsText("abc");
  panel->CalcKeyPress(panel, paste);
  EXPECT_EQ(panel->Text(), "0");
  EXPECT_EQ(Keys("C1.,"), "1,") << "'.' and ',' give the locale's separator once";
}

TEST_F(Calculator, PopupUnderCalcEdit) {
  auto* e = new TExCalcEdit(form);
  e->SetParent(form);
  e->SetBounds(20, 200, 150, 21);
  e->SetMinValue(0);
  e->SetMaxValue(100);
  person.Pump();
  auto* popup = dynamic_cast<TPopupCalculator*>(e->Popup());
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->CalcPanel()->Precision(), 15);
  e->SetBeepOnError(false);
  EXPECT_FALSE(popup->CalcPanel()->BeepOnError());
  e->SetBeepOnError(true);
  int changes = 0;
  e->OnChange = [&](TObject*) { ++changes; };
  e->SetFocus();
  person.Pump();
  e->DoClick();
  person.Pump();
  ASSERT_TRUE(e->PopupVisible());
  EXPECT_EQ(popup->GetPopupText(), "0") << "an empty edit shows 0";
  person.Type("12*3");
  person.Pump();
  EXPECT_EQ(popup->GetPopupText(), "3");
  person.PressKey(VK_RETURN);
  person.Pump();
  EXPECT_FALSE(e->PopupVisible()) << "Enter completes and accepts";
  EXPECT_EQ(e->Value(), 36);
  EXPECT_GT(changes, 0);
  // The range clamps the result.
  e->DoClick();
  person.Pump();
  EXPECT_EQ(popup->GetPopupText(), "36");
  person.Type("*5=");
  person.Pump();
  EXPECT_FALSE(e->PopupVisible());
  EXPECT_EQ(e->Value(), 100);
  // An error keeps the popup open; the button accepts 0 with a beep.
  e->DoClick();
  person.Pump();
  person.Type("1/0");
  person.PressKey(VK_RETURN);
  person.Pump();
  EXPECT_TRUE(e->PopupVisible());
  EXPECT_EQ(popup->GetPopupText(), "Error");
  int beeps = platform::BeepCount();
  e->DoClick();
  person.Pump();
  EXPECT_FALSE(e->PopupVisible());
  EXPECT_EQ(e->Value(), 0);
  EXPECT_EQ(platform::BeepCount() - beeps, 1);
  // Escape leaves the value.
  e->SetValue(7);
  e->DoClick();
  person.Pump();
  person.Type("9");
  person.PressKey(VK_ESCAPE);
  person.Pump();
  EXPECT_FALSE(e->PopupVisible());
  EXPECT_EQ(e->Value(), 7);
  // A click on a popup button presses it.
  e->DoClick();
  person.Pump();
  TCalcButton* two = nullptr;
  for (int i = 0; i < popup->CalcPanel()->ControlCount(); ++i)
    if (auto* b = dynamic_cast<TCalcButton*>(popup->CalcPanel()->Controls(i)); b && b->Kind() == 3) two = b;
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(two->Left(), 29);
  ClickAt(two, 5, 5);
  person.Pump();
  EXPECT_EQ(popup->GetPopupText(), "2");
}

TEST_F(Calculator, DialogComponent) {
  TExCalculator calc(form);
  EXPECT_EQ(calc.Title(), "Calculator");
  EXPECT_FALSE(calc.TitleStored());
  calc.SetValue(6);
  calc.SetMemory(2);
  calc.SetTitle("Sum");
  int changes = 0, shown = 0;
  calc.OnChange = [&](TObject*) { ++changes; };
  calc.OnDisplayChange = [&](TObject*) { ++shown; };
  platform::DialogScript script;
  script.Answer("Sum", [&](TCustomForm& f) {
    auto& dlg = dynamic_cast<TExCalculatorForm&>(f);
    EXPECT_EQ(dlg.DisplayLabel()->Caption(), "6");
    EXPECT_EQ(dlg.CalcPanel()->MemoryLabel()->Caption(), "M");
    EXPECT_EQ(dlg.ClientWidth(), 242);
    char k = '*';
    dlg.CalcPanel()->CalcKeyPress(&dlg, k);
    k = '7';
    dlg.CalcPanel()->CalcKeyPress(&dlg, k);
    EXPECT_EQ(calc.GetDisplay(), 7);
    k = '\r';
    dlg.CalcPanel()->CalcKeyPress(&dlg, k);
    EXPECT_EQ(dlg.DisplayLabel()->Caption(), "42");
    EXPECT_EQ(dlg.ModalResult(), mrNone) << "equals does not close the dialog";
    for (int i = 0; i < dlg.CalcPanel()->ControlCount(); ++i)
      if (auto* b = dynamic_cast<TCalcButton*>(dlg.CalcPanel()->Controls(i)); b && b->Kind() == 27) b->Click();
  });
  EXPECT_TRUE(calc.Execute());
  EXPECT_EQ(calc.Value(), 42);
  EXPECT_EQ(changes, 1);
  EXPECT_GT(shown, 0);
  EXPECT_EQ(calc.Dialog(), nullptr);
  EXPECT_EQ(calc.GetDisplay(), 42);
  script.Answer("Sum", [&](TCustomForm& f) {
    auto& dlg = dynamic_cast<TExCalculatorForm&>(f);
    char k = '1';
    dlg.CalcPanel()->CalcKeyPress(&dlg, k);
    for (int i = 0; i < dlg.CalcPanel()->ControlCount(); ++i)
      if (auto* b = dynamic_cast<TCalcButton*>(dlg.CalcPanel()->Controls(i)); b && b->Kind() == 28) b->Click();
  });
  EXPECT_FALSE(calc.Execute());
  EXPECT_EQ(calc.Value(), 42) << "Cancel keeps the value";
  EXPECT_EQ(changes, 1);
}

}  // namespace
