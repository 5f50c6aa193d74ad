#pragma once
// The post office's dialogs that browse windows open to edit the post office's lists.
// The module that builds a dialog registers it here; while a member is empty the
// command that needs it is not available.

#include "foundation/Tarray.h"

#include <functional>
#include <string>

class TBrowsePars;
class TDiscussion;
struct TRecipientsList;

struct TPostOfficeDialogs {
  // Lets the user see and confirm the receivers of a discussion's command messages of a
  // receiver kind (0, 2, 3 or 4) under a caption; false when cancelled.
  std::function<bool(TDiscussion& discussion, TBrowsePars* pars, const std::string& caption, int kind,
                     TArray<TRecipientsList>& receivers, int flag)>
      ChooseCommandMessageReceivers;
  // Shows the advertising list (addresses, one a line) for editing; true with the edited
  // text when the user confirmed.
  std::function<bool(std::string& text)> EditAdvertisingList;
};

TPostOfficeDialogs& PostOfficeDialogs();
