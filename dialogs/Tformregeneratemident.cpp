#include "dialogs/Tformregeneratemident.h"

#include "platform/forms/Tbutton.h"
#include "platform/forms/Tlabel.h"

TFormRegenerateMIdent::TFormRegenerateMIdent(TComponent* owner) : TForm(owner) {
  SetName("FormRegenerateMIdent");
  SetCaption("DUPLICATED DISCUSSION FOLDER IDENTIFIER");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(520);
  SetClientHeight(160);
  auto* label = new TLabel(this);
  label->SetName("Label1");
  label->SetCaption(
      "Two discussion folders have equal identifier (it is possible folder\r\nhave been copied). One of them should "
      "be changed.");
  label->SetParent(this);
  label->SetBounds(12, 12, 496, 32);
  RadioButtonPath1 = new TRadioButton(this);
  RadioButtonPath1->SetName("RadioButtonPath1");
  RadioButtonPath1->SetParent(this);
  RadioButtonPath1->SetBounds(12, 56, 496, 21);
  RadioButtonPath2 = new TRadioButton(this);
  RadioButtonPath2->SetName("RadioButtonPath2");
  RadioButtonPath2->SetParent(this);
  RadioButtonPath2->SetBounds(12, 82, 496, 21);
  RadioButtonPath1->SetChecked(true);
  auto* ok = new TButton(this);
  ok->SetName("Button1");
  ok->SetCaption("Ok");
  ok->SetParent(this);
  ok->SetBounds(316, 120, 90, 25);
  ok->SetDefault(true);
  ok->OnClick = [this](TObject*) {
    fOk = true;
    SetModalResult(mrOk);
  };
  auto* cancel = new TButton(this);
  cancel->SetName("Button2");
  cancel->SetCaption("Cancel");
  cancel->SetParent(this);
  cancel->SetBounds(418, 120, 90, 25);
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
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
