#include "postoffice/Tformbadrecipientaddresses.h"

#include "controls/Newcontrol.h"
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
  const auto readOnly = [](TMemo& memo) {
    memo.SetReadOnly(true);
    memo.SetScrollBars(ssVertical);
  };
  // clang-format off
  BuildControls(*this, {
      {Into(Label1), "Label1", "", {8, 8, 344, 30}, alNone,
       "There are bad recipients of command message\r\n(e-mails domains are not found):"},
      {Into(MemoEMails, readOnly), "MemoEMails", "", {8, 44, 344, 184}},
      {Into(Button1, PressedByEscape(mrOk)), "Button1", "", {272, 236, 80, 25}, alNone, "Close"},
  });
  // clang-format on
}

void ShowBadRecipientAddresses(const std::string& addresses) {
  auto form = std::make_unique<TFormBadRecipientAddresses>(nullptr);
  form->MemoEMails->SetText(form->MemoEMails->Text() + addresses);
  form->ShowModal();
}
