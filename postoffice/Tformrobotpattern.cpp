#include "postoffice/Tformrobotpattern.h"

#include "controls/Tcustomnumedit.h"
#include "dialogs/Newcontrol.h"
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
  Label2 = NewControl<TLabel>(this, this, "Label2", 8, 4, 100, 16);
  Label2->SetCaption("List pattern:");
  RadioButtonPattern1 = NewControl<TRadioButton>(this, this, "RadioButtonPattern1", 8, 22, 168, 17);
  RadioButtonPattern1->SetCaption("name<e-mail>");
  RadioButtonPattern2 = NewControl<TRadioButton>(this, this, "RadioButtonPattern2", 8, 40, 168, 17);
  RadioButtonPattern2->SetCaption("e-mail <name>");
  RadioButtonPatternOther = NewControl<TRadioButton>(this, this, "RadioButtonPatternOther", 8, 58, 60, 17);
  RadioButtonPatternOther->SetCaption("other");
  EditPatternOther = NewControl<TEdit>(this, this, "EditPatternOther", 68, 56, 108, 21);
  for (TRadioButton* button : {RadioButtonPattern1, RadioButtonPattern2, RadioButtonPatternOther})
    button->OnClick = [this](TObject*) { PatternChosen(); };
  Label1 = NewControl<TLabel>(this, this, "Label1", 8, 84, 168, 16);
  Label1->SetCaption("E-mails number per portion:");
  CurrencyEditMaxEMailsPerLine = NewControl<TCurrencyEdit>(this, this, "CurrencyEditMaxEMailsPerLine", 8, 100, 80, 21);
  CurrencyEditMaxEMailsPerLine->SetDecimalPlaces(0);
  CurrencyEditMaxEMailsPerLine->SetDisplayFormat("0");
  CurrencyEditMaxEMailsPerLine->SetMinValue(1);
  CurrencyEditMaxEMailsPerLine->SetMaxValue(MaxGroupSize);
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
