#include "postoffice/Tformrobotemail.h"

#include "controls/Newcontrol.h"
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
  BuildControls(*this, {{Into(EditRobot), "EditRobot", "", {8, 6, 210, 21}}});
  EditRobot->OnChange = [this](TObject*) { EditRobot->Repaint(); };
  NewOkCancelButtons(this, Button1, Button2, 56, 143, 32, 75, 23, [this] {
    const std::string address = EditRobot->Text();
    if (!address.empty() && !CheckTypedMailbox(address, Caption())) {
      EditRobot->SetFocus();
      return false;
    }
    return fResult = true;
  });
}

bool TFormRobotEMail::Execute(TStr& address) {
  fResult = false;
  EditRobot->SetText(address.ToString());
  ShowModal();
  if (fResult) address = TStr(EditRobot->Text());
  return fResult;
}
