#pragma once
// The post office's dialogs that browse windows open to edit the post office's lists.
// The module that builds a dialog registers it here; while a member is empty the
// command that needs it is not available. (The receivers of a discussion are edited
// through the model's ChooseReceivers hook.)

#include <functional>
#include <string>

struct TPostOfficeDialogs {
  // Shows the advertising list (addresses, one a line) for editing; true with the edited
  // text when the user confirmed.
  std::function<bool(std::string& text)> EditAdvertisingList;
};

TPostOfficeDialogs& PostOfficeDialogs();
