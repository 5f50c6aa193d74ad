#include "postoffice/Tformrobotemail.h"

#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "postoffice/Advisedlist.h"

TFormRobotEMail::TFormRobotEMail(TComponent* owner) : TForm(owner) {
  SetName("FormRobotEMail");
  SetCaption("MailService e-mail");
  SetBorderIcons({});
  SetPosition(poScreenCenter);
  SetClientWidth(226);
  SetClientHeight(60);
  EditRobot = new TEdit(this);
  EditRobot->SetName("EditRobot");
  EditRobot->SetParent(this);
  EditRobot->SetBounds(8, 6, 210, 21);
  EditRobot->OnChange = [this](TObject*) { EditRobot->Repaint(); };
  Button1 = new TButton(this);
  Button1->SetName("Button1");
  Button1->SetParent(this);
  Button1->SetCaption("OK");
  Button1->SetDefault(true);
  Button1->SetBounds(56, 32, 75, 23);
  Button1->OnClick = [this](TObject*) {
    const std::string address = EditRobot->Text();
    if (!address.empty() && !CheckTypedMailbox(address, Caption())) {
      EditRobot->SetFocus();
      return;
    }
    fResult = true;
    SetModalResult(mrOk);
  };
  Button2 = new TButton(this);
  Button2->SetName("Button2");
  Button2->SetParent(this);
  Button2->SetCaption("Cancel");
  Button2->SetCancel(true);
  Button2->SetBounds(143, 32, 75, 23);
  Button2->OnClick = [this](TObject*) {
    fResult = false;
    SetModalResult(mrCancel);
  };
}

bool TFormRobotEMail::Execute(TStr& address) {
  fResult = false;
  EditRobot->SetText(address.ToString());
  ShowModal();
  if (fResult) address = TStr(EditRobot->Text());
  return fResult;
}
