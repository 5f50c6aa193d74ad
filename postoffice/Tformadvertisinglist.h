#pragma once
// The advertising list of the post state (addresses with comments, one a line) with the
// mail-service robot's settings: its address, whether it is used, and the copy of the
// list, written in the robot's pattern, to the clipboard.

#include "platform/forms/Tform.h"

#include <string>

class TButton;
class TCheckBox;
class TMemo;
class TPost;

class TFormAdvertisingList : public TForm {
 public:
  TFormAdvertisingList(TComponent* owner, TPost& post);

  TMemo* MemoAddresses;
  TButton* Button1;  // "OK"
  TButton* Button2;  // "Cancel"
  TButton* ButtonEditRobot;
  TButton* ButtonCopy;
  TCheckBox* CheckBoxEnableRobot;

  bool Result() const { return fResult; }

 private:
  void UpdateButtons();
  void CopyAddresses();
  // Every line's address must be one mailbox; the first that is not is named.
  bool AddressesSound();

  TPost& fPost;
  bool fResult = false;
};

// Shows an advertising list with the post state's robot settings (which the window changes
// at once); true on OK with the edited list in `text`.
bool EditAdvertisingList(TPost& post, std::string& text);
