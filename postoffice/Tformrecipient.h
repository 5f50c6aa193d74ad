#pragma once
// The recipient dialog: one receiver of a command message, a name and an e-mail address,
// added or edited by the header editor.

#include "foundation/Tstr.h"
#include "platform/forms/Tform.h"

class TButton;
class TEdit;
class TLabel;

struct TRecipient {
  TStr Name;
  TStr EMail;
};

class TFormRecipient : public TForm {
 public:
  explicit TFormRecipient(TComponent* owner);

  // Shows the record's name and address; OK copies the edits back into it. True on OK.
  bool Execute(TRecipient& recipient);

  TLabel* LabelName;
  TEdit* EditFamily;  // the name
  TLabel* LabelEMail;
  TEdit* EditEMail;
  TButton* Button1;  // "OK"
  TButton* Button2;  // "Cancel"

 private:
  TRecipient* fRecipient = nullptr;
  bool fOk = false;
};
