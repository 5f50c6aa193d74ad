#pragma once
// TMaskEdit: an edit whose text follows a mask ("!99/99/0000;1;_"): positions for
// digits (0 required, 9 optional, # digit or sign), letters (L, l), letters or digits
// (A, a), any character (C, c), literals between them (\ quotes one; / is the date
// separator, : the time separator), > and < for upper and lower case. The part after
// the first ';' says whether Text keeps the literals (1) or not (0), the part after
// the second the character shown in empty positions. Typing overwrites position by
// position; a character that does not fit is refused with a beep. Leaving the control
// with a required position empty raises EDBEditError.

#include <string>
#include <vector>

#include "platform/forms/Tedit.h"
#include "platform/rtl/Exception.h"

RTL_EXCEPTION(EDBEditError, Exception);

class TMaskEdit : public TCustomEdit {
 public:
  explicit TMaskEdit(TComponent* AOwner);
  const std::string& EditMask() const { return mask_; }
  void SetEditMask(const std::string& Value);
  // The text as shown, blanks and literals included.
  std::string EditText() const { return TCustomEdit::GetText(); }
  bool IsMasked() const { return !slots_.empty(); }
  // Raises EDBEditError when a required position is empty.
  void ValidateEdit();
  void DefaultHandler(TMessage& Message) override;

 protected:
  std::string GetText() const override;
  void SetTextValue(const std::string& Value) override;
  void DoExit() override;

 private:
  struct Slot {
    bool literal;
    char ch;       // the literal, or the class of input ('0', '9', '#', 'L', 'l', 'A', 'a', 'C', 'c')
    int caseMode;  // 0 as typed, 1 upper, -1 lower
  };
  bool Fits(const Slot& Slot, char& Ch) const;
  int NextInput(int From) const;
  int PreviousInput(int From) const;
  std::vector<Slot> slots_;
  std::string mask_;
  bool saveLiterals_ = true;
  char blank_ = '_';
};
