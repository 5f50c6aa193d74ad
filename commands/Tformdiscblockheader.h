#pragma once
// The header dialog of a block: its text, kind (heading, premise, conclusion, formula),
// novelty, importance and possibility, its URL, or for a formula its formula text and the
// conclusion it computes. OK checks the formula and the references before anything is
// stored into the block and its text item; Cancel, and a close by the window frame,
// store nothing and raise the header-cancelled flag.

#include "model/Tdiscblock.h"
#include "model/Tdiscblockstr.h"
#include "platform/forms/Tform.h"

class TBrowse;
class TButton;
class TCheckBox;
class TDiscussion;
class TEdit;
class TMemo;
class TPanel;
class TRadioButton;
class TUpDown;

// The name a block takes when stored as that kind: a heading's ends in ".*", another's not.
std::string NameAsKind(const std::string& name, uint8_t textType);

// Set by the header dialog: 1 after Cancel (or a frame close), 0 after OK.
uint8_t& HeaderCancelled();

class TFormDiscBlockHeader : public TForm {
 public:
  explicit TFormDiscBlockHeader(TComponent* owner);
  void SetUp(TBrowse& browse, TDiscussion& discussion, TDiscBlockIndex block);
  // The root block: its text is the discussion's name, and only that can be edited.
  void SetUpRoot(TBrowse& browse, TDiscussion& discussion, TDiscBlockIndex block);
  // The text the memo holds (for the root block, the discussion's new name).
  std::string MemoTextValue() const;

  TMemo* MemoText;
  TRadioButton* RadioButton_Heading;
  TRadioButton* RadioButton_Premise;
  TRadioButton* RadioButton_Conclusion;
  TRadioButton* RadioButton_Formula;
  TButton* ButtonNewKnown;
  TButton* ButtonImportantOrdinary;
  TEdit* EditPossibility;
  TUpDown* UpDownPossibility;
  TPanel* PanelFormula;
  TEdit* EditFormulaTextTo;
  TEdit* EditFormulaOrURLText;
  TButton* Button1;  // OK
  TButton* Button2;  // Cancel
  TButton* Button3;  // hidden
  TButton* ButtonFind;
  TEdit* EditSearchPattern;
  TCheckBox* _CheckBoxCaseSensitiveSearch;

 private:
  TBrowse* fBrowse = nullptr;
  TDiscussion* fDiscussion = nullptr;
  TDiscBlockIndex fBlock;
  uint8_t fNovelty = 2;
  uint8_t fImportance = 2;
  bool fRoot = false;
  bool fSearchShown = false;
  bool fSearchOnShow = false;

  void RefreshToggles();
  void OkClick();
  void FindClick();
  void PossibilityChange();
  uint8_t CheckedTextType() const;
};
