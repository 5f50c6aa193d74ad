#pragma once
// The dialog that names a theme: a new one, or a new name for one.

#include "platform/forms/Tform.h"

#include <string>

class TEdit;

class TFormTheme : public TForm {
 public:
  explicit TFormTheme(TComponent* owner);
  // Shows the dialog at a place of the screen with the name to start from; true on OK,
  // with the name as the user left it (blanks around it dropped).
  bool Execute(int left, int top, std::string& name);

 private:
  TEdit* fEdit;
};
