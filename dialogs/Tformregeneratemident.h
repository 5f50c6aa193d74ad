#pragma once
// The question which of two discussion folders with the same model identifier gets a new
// one (the folder may have been copied).

#include "platform/forms/Tform.h"

#include <string>

class TRadioButton;

class TFormRegenerateMIdent : public TForm {
 public:
  explicit TFormRegenerateMIdent(TComponent* owner);
  // 0 when not closed with "Ok", else 1 or 2 for the chosen folder.
  int Execute(const std::string& path1, const std::string& path2);

  TRadioButton* RadioButtonPath1;
  TRadioButton* RadioButtonPath2;

 private:
  bool fOk = false;
};

// The question as the model's loader asks it.
int AskRegenerateMIdent(const std::string& path1, const std::string& path2);
