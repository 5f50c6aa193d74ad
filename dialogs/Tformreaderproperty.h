#pragma once
// The reader-property dialog: the reader's own mark of a block (none, interesting, false,
// trite), its read flag and the possibility the reader gives it. A change is recorded in
// the undo list and announced as a change of the block.

#include "platform/forms/Tform.h"

class TDiscussion;
class TCheckBox;
class TEdit;
class TRadioButton;
struct TReaderProperty;

class TFormReaderProperty : public TForm {
 public:
  explicit TFormReaderProperty(TComponent* owner);
  void SetReaderProperty(TDiscussion* discussion, int property);
  // The dialog on values alone, stored nowhere.
  void SetValues(const TReaderProperty& values);
  // Shows the dialog; true when confirmed, with the values as the user left them.
  bool ExecuteValues(TReaderProperty& values);
  // Shows the dialog; true when the property was changed.
  bool Execute();

 private:
  TDiscussion* fDiscussion = nullptr;
  int fProperty = -1;
  TRadioButton* fMarks[4];
  TCheckBox* fRead;
  TEdit* fPossibility;
};

// The dialog as the model's hook asks for it.
bool EditReaderProperty(TDiscussion& discussion, int property);
// The dialog on values alone at a place of the screen, as the model's hook asks for it; true
// when confirmed.
bool AskReaderProperty(TReaderProperty& values, int left, int top);
