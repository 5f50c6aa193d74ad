#pragma once
// The address of a mail-service robot, the outside address that hands messages on to a
// list of people. An empty address is taken (no robot); any other must be one mailbox.

#include "foundation/Tstr.h"
#include "platform/forms/Tform.h"

class TButton;
class TEdit;

class TFormRobotEMail : public TForm {
 public:
  explicit TFormRobotEMail(TComponent* owner);

  // Shows the address; OK takes the edit's text into it. True on OK.
  bool Execute(TStr& address);

  TEdit* EditRobot;
  TButton* Button1;  // "OK"
  TButton* Button2;  // "Cancel"

 private:
  bool fResult = false;
};
