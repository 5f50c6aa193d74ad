#pragma once
// The read-only list of the receivers of a post file, one address a line.

#include "platform/forms/Tform.h"

#include <string>
#include <vector>

class TButton;
class TMemo;

class TFormPostFileRecipientsList : public TForm {
 public:
  explicit TFormPostFileRecipientsList(TComponent* owner);

  TMemo* MemoEMails;
  TButton* Button1;  // "Close"

  // Sizes the window to the addresses it lists.
  void FitTo(const std::vector<std::string>& addresses);
};

// Shows the addresses in the window until it is closed.
void ShowPostFileRecipients(const std::vector<std::string>& addresses);
