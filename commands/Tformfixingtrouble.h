#pragma once
// The troubles a block keeps in its unlinked-block record (a lost upper block, a lost
// conclusion, a formula error, lost references), with the choice to erase the block or,
// outside creating mode, to ask the discussion's leader for the list of block names.

#include "model/Tdiscblockindex.h"
#include "platform/forms/Tform.h"

class TBrowse;
class TButton;
class TDiscussion;
class TLabel;

class TFormFixingTrouble : public TForm {
 public:
  explicit TFormFixingTrouble(TComponent* owner);
  void SetUp(TBrowse& browse, TDiscussion& discussion, TDiscBlockIndex block);

  TLabel* Label2;
  TLabel* LabelUnlinked[4];
  TButton* Button1;  // Cancel
  TButton* Button2;  // Delete
  TButton* ButtonRequest;

 private:
  TDiscussion* fDiscussion = nullptr;
  TDiscBlockIndex fBlock;
  void DeleteClick();
  void RequestClick();
};
