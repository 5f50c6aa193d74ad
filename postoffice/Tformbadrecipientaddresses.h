#pragma once
// The receivers the mail server refused during a send step, shown at its end.

#include "platform/forms/Tform.h"

#include <string>

class TButton;
class TLabel;
class TMemo;

class TFormBadRecipientAddresses : public TForm {
 public:
  explicit TFormBadRecipientAddresses(TComponent* owner);

  TLabel* Label1;  // what the list is
  TMemo* MemoEMails;
  TButton* Button1;  // "Close"
};

// Shows the bad-address text in the window until it is closed.
void ShowBadRecipientAddresses(const std::string& addresses);
