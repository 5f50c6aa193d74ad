#include "postoffice/Tformpostfilerecipientslist.h"

#include "controls/Newcontrol.h"
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
  const auto readOnly = [](TMemo& memo) {
    memo.SetReadOnly(true);
    memo.SetScrollBars(ssVertical);
  };
  // clang-format off
  BuildControls(*this, {
      {Into(MemoEMails, readOnly), "MemoEMails", "", {8, 8, 344, 210}},
      {Into(Button1, PressedByEscape(mrOk)), "Button1", "", {272, 226, 80, 25}, alNone, "Close"},
  });
  // clang-format on
}

void ShowPostFileRecipients(const std::vector<std::string>& addresses) {
  auto form = std::make_unique<TFormPostFileRecipientsList>(nullptr);
  for (const std::string& address : addresses) form->MemoEMails->Lines()->Add(address);
  form->ShowModal();
}
