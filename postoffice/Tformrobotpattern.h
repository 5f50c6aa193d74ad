#pragma once
// How addresses are written for a mail-service robot: a pattern in which "%email" stands
// for an address and "%name" for a name, and how many addresses go on one line. The list
// so written is copied to the clipboard, ready to be pasted into the robot's list.

#include "platform/forms/Tform.h"

#include <string>
#include <utility>
#include <vector>

class TButton;
class TCurrencyEdit;
class TEdit;
class TLabel;
class TRadioButton;

inline constexpr const char* RobotPatternNameFirst = "%name<%email>";
inline constexpr const char* RobotPatternEMailFirst = "%email <%name>";

class TFormRobotPattern : public TForm {
 public:
  explicit TFormRobotPattern(TComponent* owner);

  // Shows the pattern and the group size; OK takes the chosen ones. True on OK.
  bool Execute(std::string& pattern, int& groupSize);

  TLabel* Label2;  // "List pattern:"
  TRadioButton* RadioButtonPattern1;
  TRadioButton* RadioButtonPattern2;
  TRadioButton* RadioButtonPatternOther;
  TEdit* EditPatternOther;
  TLabel* Label1;  // "E-mails number per portion:"
  TCurrencyEdit* CurrencyEditMaxEMailsPerLine;
  TButton* Button1;  // "OK"
  TButton* Button2;  // "Cancel"

 private:
  void PatternChosen();
  bool fResult = false;
};

// An address and the name written beside it.
using TRobotListEntry = std::pair<std::string, std::string>;

// The entries in the pattern, joined by ", ", a line break after every groupSize entries
// (a group size below 1 counts as 1).
std::string ComposeRobotList(const std::string& pattern, int groupSize, const std::vector<TRobotListEntry>& entries);
