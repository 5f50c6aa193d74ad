#include "postoffice/Tformpostfilerecipientslist.h"

#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"

#include <memory>

TFormPostFileRecipientsList::TFormPostFileRecipientsList(TComponent* owner) : TForm(owner) {
  SetName("FormPostFileRecipientsList");
  SetCaption("Command-message recipients list");
  SetBorderIcons({});
  SetPosition(poScreenCenter);
  SetClientWidth(360);
  SetClientHeight(260);
  MemoEMails = new TMemo(this);
  MemoEMails->SetName("MemoEMails");
  MemoEMails->SetParent(this);
  MemoEMails->SetReadOnly(true);
  MemoEMails->SetScrollBars(ssVertical);
  MemoEMails->SetBounds(8, 8, 344, 210);
  Button1 = new TButton(this);
  Button1->SetName("Button1");
  Button1->SetParent(this);
  Button1->SetCaption("Close");
  Button1->SetCancel(true);
  Button1->SetBounds(272, 226, 80, 25);
  Button1->OnClick = [this](TObject*) { SetModalResult(mrOk); };
}

void ShowPostFileRecipients(const std::vector<std::string>& addresses) {
  auto form = std::make_unique<TFormPostFileRecipientsList>(nullptr);
  for (const std::string& address : addresses) form->MemoEMails->Lines()->Add(address);
  form->ShowModal();
}
