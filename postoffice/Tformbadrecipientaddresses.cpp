#include "postoffice/Tformbadrecipientaddresses.h"

#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"

#include <memory>

TFormBadRecipientAddresses::TFormBadRecipientAddresses(TComponent* owner) : TForm(owner) {
  SetName("FormBadRecipientAddresses");
  SetCaption("Bad recipient addresses");
  SetBorderIcons({});
  SetPosition(poScreenCenter);
  SetClientWidth(360);
  SetClientHeight(270);
  Label1 = new TLabel(this);
  Label1->SetName("Label1");
  Label1->SetParent(this);
  Label1->SetCaption("There are bad recipients of command message\r\n(e-mails domains are not found):");
  Label1->SetBounds(8, 8, 344, 30);
  MemoEMails = new TMemo(this);
  MemoEMails->SetName("MemoEMails");
  MemoEMails->SetParent(this);
  MemoEMails->SetReadOnly(true);
  MemoEMails->SetScrollBars(ssVertical);
  MemoEMails->SetBounds(8, 44, 344, 184);
  Button1 = new TButton(this);
  Button1->SetName("Button1");
  Button1->SetParent(this);
  Button1->SetCaption("Close");
  Button1->SetCancel(true);
  Button1->SetBounds(272, 236, 80, 25);
  Button1->OnClick = [this](TObject*) { SetModalResult(mrOk); };
}

void ShowBadRecipientAddresses(const std::string& addresses) {
  auto form = std::make_unique<TFormBadRecipientAddresses>(nullptr);
  form->MemoEMails->SetText(form->MemoEMails->Text() + addresses);
  form->ShowModal();
}
