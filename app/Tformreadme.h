#pragma once
// The read-me shown at start-up, with the choice not to show it again.

#include "platform/forms/Tform.h"

#include <string>

class TCheckBox;
class TMemo;

class TFormReadme : public TForm {
 public:
  explicit TFormReadme(TComponent* owner);
  // Shows the text file at path; true when "Don't show this text again" was checked,
  // however the dialog was closed.
  bool Execute(const std::string& path);

  TMemo* MemoReadme;
  TCheckBox* CheckBoxDontShowAgain;
};
