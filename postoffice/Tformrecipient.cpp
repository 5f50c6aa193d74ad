#include "postoffice/Tformrecipient.h"

#include "controls/Newcontrol.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"

TFormRecipient::TFormRecipient(TComponent* owner) : TForm(owner) {
  SetName("FormRecipient");
  SetCaption("");
  SetBorderIcons({});
  SetPosition(poScreenCenter);
  SetClientWidth(330);
  SetClientHeight(110);
  // clang-format off
  BuildControls(*this, {
      {Into(LabelName), "LabelName", "", {8, 12, 50, 16}, alNone, "Name:"},
      {Into(EditFamily), "EditFamily", "", {64, 8, 258, 21}},  // the name
      {Into(LabelEMail), "LabelEMail", "", {8, 42, 50, 16}, alNone, "EMail:"},
      {Into(EditEMail), "EditEMail", "", {64, 38, 258, 21}},
  });
  // clang-format on
  // An edited field is repainted at once.
  EditFamily->OnChange = [this](TObject*) { EditFamily->Repaint(); };
  EditEMail->OnChange = [this](TObject*) { EditEMail->Repaint(); };
  NewOkCancelButtons(this, Button1, Button2, 152, 242, 76, 80, 25, [this] {
    if (fRecipient) {
      fRecipient->Name = TStr(EditFamily->Text());
      fRecipient->EMail = TStr(EditEMail->Text());
    }
    return fOk = true;
  });
}

bool TFormRecipient::Execute(TRecipient& recipient) {
  fOk = false;
  fRecipient = &recipient;
  EditFamily->SetText(recipient.Name.ToString());
  EditEMail->SetText(recipient.EMail.ToString());
  ShowModal();
  fRecipient = nullptr;
  return fOk;
}
