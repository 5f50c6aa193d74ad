#pragma once
// A block's texts shown read-only in a window of their own (URL, formula with its
// conclusion, text), with a search for a pattern. The window frees itself when closed.

#include "model/Tdiscblockindex.h"
#include "platform/forms/Tform.h"

#include <string>

class TBrowse;
class TButton;
class TCheckBox;
class TCustomEdit;
class TEdit;
class TLabel;
class TMemo;

// Selects the next occurrence of the pattern (ignoring case) from one character after
// the selection start, one more when text is selected; with wrap a search that finds
// nothing starts again at the first character. False (with a beep and the selection
// emptied) when there is none.
bool FindInEdit(TCustomEdit& edit, const std::string& pattern, bool wrap);
// Whether the window shows a list found by a search.
bool ShowsSearchList(const TBrowse& browse);

class TFormBlockText : public TForm {
 public:
  explicit TFormBlockText(TComponent* owner);
  void SetUp(int discussion, TDiscBlockIndex block, TBrowse& browse);

  TLabel* Label1;
  TMemo* MemoBlockText;
  TButton* ButtonClose;
  TButton* ButtonFindNext;
  TEdit* EditModel;
  TCheckBox* _CheckBoxCaseSensitiveSearch;

 private:
  bool fSearchOnShow = false;
};
