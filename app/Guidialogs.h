#pragma once
// The foundation's windows as forms: the program's own message box (button captions
// separated by '|', a default button, the index of the pressed one), the one-line input
// box (hidden input for passwords) and the error window. RegisterGuiDialogs hands them
// to the foundation, which until then talks to the terminal.

#include "platform/forms/Tform.h"

#include <string>

class TEdit;

class TFormMessageBox : public TForm {
 public:
  // Buttons are named "Button0", "Button1" ... in their order.
  TFormMessageBox(const std::string& caption, const std::string& message, const std::string& third,
                  const std::string& buttons, int defaultButton);
  // The index of the pressed button; Escape or closing the window answers "Cancel", or
  // the last button when there is no "Cancel".
  int Execute();

 private:
  int fPressed;
  int fDefault;
  int fCancel = 0;
};

class TFormInputString : public TForm {
 public:
  // The edit is "EditValue"; the buttons "ButtonOk" and "ButtonCancel".
  TFormInputString(const std::string& caption, const std::string& prompt, const std::string& proposal, bool hidden);
  // True on OK, with the text in `result`.
  bool Execute(std::string& result);

 private:
  TEdit* fEdit;
};

// Also lends the model its dialogs (the author and reader-property dialogs, the question
// about a duplicated model identifier) and the beep.
void RegisterGuiDialogs();
void UnregisterGuiDialogs();
