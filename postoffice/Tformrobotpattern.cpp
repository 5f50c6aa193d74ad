#include "postoffice/Tformrobotpattern.h"

#include "controls/Tcustomnumedit.h"
#include "controls/Newcontrol.h"
#include "foundation/Textroutines.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"

#include <algorithm>

namespace {

// The post state keeps the group size in 16 bits.
constexpr int MaxGroupSize = 0xFFFF;

}  // namespace

TFormRobotPattern::TFormRobotPattern(TComponent* owner) : TForm(owner) {
  SetName("FormRobotPattern");
  SetCaption("MailService list pattern");
  SetBorderIcons({});
  SetPosition(poScreenCenter);
  SetClientWidth(184);
  SetClientHeight(154);
  const auto chosen = [this] { PatternChosen(); };
  const auto wholeNumber = [](TCurrencyEdit& edit) {
    edit.SetDecimalPlaces(0);
    edit.SetDisplayFormat("0");
    edit.SetMinValue(1);
    edit.SetMaxValue(MaxGroupSize);
  };
  // A label given its caption here sizes itself to it: only its place is set.
  // clang-format off
  BuildControls(*this, {
      {Into(Label2), "Label2", "", {8, 4}, alNone, "List pattern:"},
      {Into(RadioButtonPattern1), "RadioButtonPattern1", "", {8, 22, 168, 17}, alNone, "name<e-mail>", chosen},
      {Into(RadioButtonPattern2), "RadioButtonPattern2", "", {8, 40, 168, 17}, alNone, "e-mail <name>", chosen},
      {Into(RadioButtonPatternOther), "RadioButtonPatternOther", "", {8, 58, 60, 17}, alNone, "other", chosen},
      {Into(EditPatternOther), "EditPatternOther", "", {68, 56, 108, 21}},
      {Into(Label1), "Label1", "", {8, 84}, alNone, "E-mails number per portion:"},
      {Into(CurrencyEditMaxEMailsPerLine, wholeNumber), "CurrencyEditMaxEMailsPerLine", "", {8, 100, 80, 21}},
  });
  // clang-format on
  NewOkCancelButtons(this, Button1, Button2, 8, 96, 126, 80, 23, [this] { return fResult = true; });
}

void TFormRobotPattern::PatternChosen() {
  const bool other = RadioButtonPatternOther->Checked();
  EditPatternOther->SetEnabled(other);
  EditPatternOther->SetColor(other ? TColor(0xFFFFFF) : TColor(0xC0C0C0));
}

bool TFormRobotPattern::Execute(std::string& pattern, int& groupSize) {
  fResult = false;
  CurrencyEditMaxEMailsPerLine->SetValue(std::clamp(groupSize, 1, MaxGroupSize));
  if (pattern == RobotPatternNameFirst) {
    RadioButtonPattern1->SetChecked(true);
  } else if (pattern == RobotPatternEMailFirst) {
    RadioButtonPattern2->SetChecked(true);
  } else {
    RadioButtonPatternOther->SetChecked(true);
    EditPatternOther->SetText(pattern);
  }
  PatternChosen();
  ShowModal();
  if (!fResult) return false;
  pattern = RadioButtonPattern1->Checked()   ? std::string(RobotPatternNameFirst)
            : RadioButtonPattern2->Checked() ? std::string(RobotPatternEMailFirst)
                                             : EditPatternOther->Text();
  groupSize = std::clamp(int(CurrencyEditMaxEMailsPerLine->AsInteger()), 1, MaxGroupSize);
  return true;
}

std::string ComposeRobotList(const std::string& pattern, int groupSize, const std::vector<TRobotListEntry>& entries) {
  const size_t group = size_t(std::max(groupSize, 1));
  std::string text;
  size_t n = 0;
  for (const auto& [address, name] : entries) {
    const std::string line = ReplaceAll(ReplaceAll(pattern, "%email", address), "%name", name);
    if (!text.empty()) {
      text += ", ";
      if (n % group == 0) text += "\r\n";
    }
    text += line;
    ++n;
  }
  return text;
}
