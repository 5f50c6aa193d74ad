#include "dialogs/Tformregeneratemident.h"

#include "controls/Newcontrol.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tlabel.h"

TFormRegenerateMIdent::TFormRegenerateMIdent(TComponent* owner) : TForm(owner) {
  SetName("FormRegenerateMIdent");
  SetCaption("DUPLICATED DISCUSSION FOLDER IDENTIFIER");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(520);
  SetClientHeight(160);
  const char* const question =
      "Two discussion folders have equal identifier (it is possible folder\r\nhave been copied). One of them should "
      "be changed.";
  const auto accept = [this] {
    fOk = true;
    SetModalResult(mrOk);
  };
  // Button1 is "Ok", Button2 "Cancel"; the radio buttons are captioned with the two folders.
  // clang-format off
  BuildControls(*this, {
      {New<TLabel>(), "Label1", "", {12, 12, 496, 32}, alNone, question},
      {Into(RadioButtonPath1), "RadioButtonPath1", "", {12, 56, 496, 21}},
      {Into(RadioButtonPath2), "RadioButtonPath2", "", {12, 82, 496, 21}},
      {New<TButton>(PressedByEnter()), "Button1", "", {316, 120, 90, 25}, alNone, "Ok", accept},
      {New<TButton>(PressedByEscape(mrCancel)), "Button2", "", {418, 120, 90, 25}, alNone, "Cancel"},
  });
  // clang-format on
  RadioButtonPath1->SetChecked(true);
}

int TFormRegenerateMIdent::Execute(const std::string& path1, const std::string& path2) {
  fOk = false;
  RadioButtonPath1->SetCaption(path1);
  RadioButtonPath2->SetCaption(path2);
  ShowModal();
  if (!fOk) return 0;
  return RadioButtonPath2->Checked() ? 2 : 1;
}

int AskRegenerateMIdent(const std::string& path1, const std::string& path2) {
  TFormRegenerateMIdent form(nullptr);
  return form.Execute(path1, path2);
}
