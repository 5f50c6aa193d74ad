#pragma once
// The foundation's windows as forms: the program's own message box (button captions
// separated by '|', a default button, the index of the pressed one), the one-line input
// box (hidden input for passwords) and the error window. RegisterGuiDialogs hands them
// to the foundation, which until then talks to the terminal.

#include "foundation/Guihooks.h"
#include "platform/forms/Tform.h"

#include <string>

class TEdit;

class TFormMessageBox : public TForm {
 public:
  // Buttons are named "Button0", "Button1" ... in their order.
  TFormMessageBox(const std::string& caption, const std::string& message, const std::string& third,
                  const std::string& buttons, int defaultButton);
  // The index of the pressed button; Escape or closing the window answers "Cancel", or
  // the one button of a box that has one; a box of more buttons without "Cancel" stays
  // until one is pressed (-1 when it was ended otherwise).
  int Execute();

 private:
  int fPressed;
  int fDefault;
  int fCancel = 0;
};

class TFormInputString : public TForm {
 public:
  // The edit is "EditValue"; the buttons "ButtonOk", "ButtonCancel" and, when `further`
  // captions one, "ButtonFurther".
  TFormInputString(const std::string& caption, const std::string& prompt, const std::string& proposal, bool hidden,
                   const std::string& further = "");
  // The button that closed it; the text in `result` unless cancelled.
  TInputAnswer Execute(std::string& result);

 private:
  TEdit* fEdit;
};

// Also lends the model its dialogs (the author and reader-property dialogs, the question
// about a duplicated model identifier) and the beep.
void RegisterGuiDialogs();
void UnregisterGuiDialogs();
