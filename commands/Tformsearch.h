#pragma once
// The dialog that asks for a text to search a discussion for, and whether case matters.

#include "platform/forms/Tform.h"

#include <string>

class TCheckBox;
class TEdit;

class TFormSearch : public TForm {
 public:
  explicit TFormSearch(TComponent* owner);
  // Shows the dialog with a text and a case flag to start from; true when closed with
  // "Start", with the text and the flag as the user left them.
  bool Execute(const std::string& text, bool caseSensitive, std::string& newText, bool& newCaseSensitive);

 private:
  TEdit* fEdit;
  TCheckBox* fCase;
  bool fOk = false;
};
